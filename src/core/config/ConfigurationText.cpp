#include "config/ConfigurationText.h"

#include "config/ConfigurationFields.h"
#include "util/PrintableText.h"
#include "util/Cp1251.h"

#include <cstdio>
#include <sstream>

namespace vlk {

namespace {

int Width(std::string_view text)
{
    int n = 0;
    for (unsigned char ch : text)
        n += (ch & 0xC0) != 0x80;
    return n;
}

} // namespace

std::string ConfigurationText::Pad(std::string_view text, int width)
{
    std::string padded(text);
    for (int n = Width(text); n < width; ++n)
        padded += ' ';
    return padded;
}

std::string ConfigurationText::AccountRecordText(const std::string& cp1251)
{
    const TextConversion converted = Cp1251::ToUtf8(cp1251);
    if (converted.text)
        return "«" + Printable(*converted.text) + "»";
    std::string hex;
    for (unsigned char ch : cp1251) {
        char byte[4];
        std::snprintf(byte, sizeof byte, "%02X", ch);
        if (!hex.empty())
            hex += ' ';
        hex += byte;
    }
    return "байты " + hex;
}

std::string ConfigurationText::Show(const Configuration& c)
{
    std::ostringstream out;
    std::string heading;
    for (const FieldDescription& field : ConfigurationFields()) {
        const std::string next = field.heading();
        if (next != heading) {
            out << (heading.empty() ? "" : "\n") << next << "\n";
            heading = next;
        }
        field.show(c, out);
    }
    return out.str();
}

} // namespace vlk
