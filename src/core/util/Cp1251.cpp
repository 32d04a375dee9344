#include "util/Cp1251.h"

#include <cerrno>
#include <cstdio>
#include <iconv.h>

namespace vlk {

namespace {

constexpr unsigned char kUnmappedByte = 0x98;
constexpr char32_t kUnmappedCode = 0x98;

// One descriptor per conversion: iconv_t keeps shift state and must not be shared by threads.
class Iconv {
public:
    Iconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Iconv()
    {
        if (Ok())
            iconv_close(m_cd);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    [[nodiscard]] bool Ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    // Converts as much as it can; returns 0 or the errno that stopped it.
    int Convert(const char*& in, std::size_t& inLeft, char*& out, std::size_t& outLeft)
    {
        char* source = const_cast<char*>(in);
        const std::size_t r = iconv(m_cd, &source, &inLeft, &out, &outLeft);
        in = source;
        return r == static_cast<std::size_t>(-1) ? errno : 0;
    }

private:
    iconv_t m_cd;
};

std::string Hex(unsigned value, int digits)
{
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
}

// Length of the well-formed UTF-8 sequence at text[pos] (no overlongs, surrogates or values
// beyond U+10FFFF), or 0 when it is not one.
std::size_t SequenceLength(std::string_view text, std::size_t pos, char32_t& code)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    std::size_t length;
    char32_t min;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, code = lead & 0x1F, min = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, code = lead & 0x0F, min = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, code = lead & 0x07, min = 0x10000;
    } else {
        return 0;
    }
    if (pos + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80)
            return 0;
        code = code << 6 | (byte(pos + i) & 0x3F);
    }
    if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

TextConversion Cp1251::ToUtf8(std::string_view cp1251)
{
    Iconv cd("UTF-8", "CP1251");
    if (!cd.Ok())
        return {std::nullopt, "Преобразование из Windows-1251 недоступно."};
    // No character of Windows-1251 takes more than three bytes in UTF-8.
    std::string result(cp1251.size() * 3, '\0');
    const char* in = cp1251.data();
    std::size_t inLeft = cp1251.size();
    char* out = result.data();
    std::size_t outLeft = result.size();
    while (inLeft > 0) {
        const int error = cd.Convert(in, inLeft, out, outLeft);
        if (error == 0)
            break;
        if (error == EILSEQ && static_cast<unsigned char>(*in) == kUnmappedByte && outLeft >= 2) {
            *out++ = static_cast<char>(0xC2);
            *out++ = static_cast<char>(0x98);
            outLeft -= 2;
            ++in;
            --inLeft;
            continue;
        }
        return {std::nullopt, "Байт 0x" + Hex(static_cast<unsigned char>(*in), 2) +
                                  " не удалось преобразовать из Windows-1251."};
    }
    result.resize(result.size() - outLeft);
    return {std::move(result), {}};
}

TextConversion Cp1251::FromUtf8(std::string_view utf8)
{
    for (std::size_t pos = 0; pos < utf8.size();) {
        char32_t code;
        const std::size_t length = SequenceLength(utf8, pos, code);
        if (length == 0) {
            return {std::nullopt, "Текст не в кодировке UTF-8 (байт " + std::to_string(pos + 1) +
                                      ")."};
        }
        pos += length;
    }

    Iconv cd("CP1251", "UTF-8");
    if (!cd.Ok())
        return {std::nullopt, "Преобразование в Windows-1251 недоступно."};
    std::string result(utf8.size(), '\0');
    const char* in = utf8.data();
    std::size_t inLeft = utf8.size();
    char* out = result.data();
    std::size_t outLeft = result.size();
    while (inLeft > 0) {
        const int error = cd.Convert(in, inLeft, out, outLeft);
        if (error == 0)
            break;
        char32_t code = 0;
        const std::size_t pos = static_cast<std::size_t>(in - utf8.data());
        const std::size_t length = SequenceLength(utf8, pos, code);
        if (error == EILSEQ && code == kUnmappedCode && outLeft >= 1) {
            *out++ = static_cast<char>(kUnmappedByte);
            --outLeft;
            in += length;
            inLeft -= length;
            continue;
        }
        if (error == EILSEQ && length > 0) {
            std::string shown;
            if (code >= 0x20 && code != 0x7F && !(code >= 0x80 && code < 0xA0))
                shown = "«" + std::string(utf8.substr(pos, length)) + "» ";
            return {std::nullopt, "Символ " + shown + "(U+" + Hex(code, 4) +
                                      ") нельзя записать в кодировке Windows-1251."};
        }
        return {std::nullopt, "Текст не удалось преобразовать в Windows-1251."};
    }
    result.resize(result.size() - outLeft);
    return {std::move(result), {}};
}

} // namespace vlk
