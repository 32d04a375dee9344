#include "util/PrintableText.h"

#include <cstdint>

namespace vlk {

namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void Escape(std::uint32_t code, std::string& out)
{
    out += "\\x";
    out += kHex[(code >> 4) & 0xF];
    out += kHex[code & 0xF];
}

// The length of the well-formed UTF-8 sequence at the start of `text`, 0 if there is none, and
// its code point.
std::size_t Sequence(std::string_view text, std::uint32_t& code)
{
    const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(text[i]); };
    const std::uint8_t lead = byte(0);
    std::size_t length = 0;
    std::uint32_t min = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, min = 0x80, code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, min = 0x800, code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, min = 0x10000, code = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i) & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

// Appends at most `limit` characters of `text` made printable; true if it stopped short.
bool Append(std::string_view text, std::size_t limit, std::string& out)
{
    std::size_t characters = 0;
    for (std::size_t at = 0; at < text.size(); ++characters) {
        if (characters == limit)
            return true;
        std::uint32_t code = 0;
        const std::size_t length = Sequence(text.substr(at), code);
        if (length == 0) {
            Escape(static_cast<std::uint8_t>(text[at]), out);
            ++at;
            continue;
        }
        if (code == '\n')
            out += "\\n";
        else if (code == '\t')
            out += "\\t";
        else if (code == '\r')
            out += "\\r";
        else if (code == '\\')
            out += "\\\\";
        else if (code < 0x20 || code == 0x7F || (code >= 0x80 && code <= 0x9F))
            Escape(code, out);
        else
            out.append(text.substr(at, length));
        at += length;
    }
    return false;
}

} // namespace

std::string Printable(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    Append(utf8, std::string_view::npos, out);
    return out;
}

std::string Excerpt(std::string_view utf8, std::size_t limit)
{
    std::string out;
    if (Append(utf8, limit, out))
        out += "…";
    return out;
}

} // namespace vlk
