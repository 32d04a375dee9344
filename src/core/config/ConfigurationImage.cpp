#include "config/ConfigurationImage.h"

#include <cctype>

namespace vlk {

std::uint8_t CellByte(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    unsigned value = 0; // wraps modulo 2^32 like the int it stands for; only the low byte matters
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10u + static_cast<unsigned>(text[i] - '0');
    if (negative)
        value = 0u - value;
    return static_cast<std::uint8_t>(value & 0xFFu);
}

} // namespace vlk
