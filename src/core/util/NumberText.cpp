#include "util/NumberText.h"

#include <charconv>
#include <climits>
#include <cstdlib>
#include <string>

namespace vlk::NumberText {

namespace {

bool IsCBlank(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// The text from its first character that is not one of the blanks `blank` accepts.
template <typename Blank>
std::string_view SkipBlanks(std::string_view text, Blank blank)
{
    std::size_t i = 0;
    while (i < text.size() && blank(text[i]))
        ++i;
    return text.substr(i);
}

} // namespace

long LeadingLong(std::string_view text)
{
    // strtol wants a terminated string and reads blanks by the current locale; the blanks are
    // taken here by the C rule, so that what strtol sees starts with a sign or a digit.
    const std::string_view rest = SkipBlanks(text, IsCBlank);
    if (rest.empty() || !(rest.front() == '+' || rest.front() == '-' || (rest.front() >= '0' && rest.front() <= '9')))
        return 0;
    const std::string terminated(rest);
    return std::strtol(terminated.c_str(), nullptr, 10);
}

int LeadingInt(std::string_view text)
{
    const long value = LeadingLong(text);
    return value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
}

int LeadingIntSymmetric(std::string_view text)
{
    const long value = LeadingLong(text);
    return value > INT_MAX ? INT_MAX : value < -INT_MAX ? -INT_MAX : static_cast<int>(value);
}

std::uint8_t LowByte(std::string_view text)
{
    return static_cast<std::uint8_t>(static_cast<unsigned long>(LeadingLong(text)) & 0xFFU);
}

std::optional<long long> DialogInt(std::string_view text)
{
    std::string_view rest = SkipBlanks(text, [](char c) { return c == ' ' || c == '\t'; });
    bool negative = false;
    if (!rest.empty() && (rest.front() == '-' || rest.front() == '+')) {
        negative = rest.front() == '-';
        rest.remove_prefix(1);
    }
    std::uint64_t magnitude = 0;
    const char* const end = rest.data() + rest.size();
    const auto [stop, error] = std::from_chars(rest.data(), end, magnitude);
    if (error == std::errc::result_out_of_range || magnitude > UINT_MAX)
        return std::nullopt; // too large before anything else could make it 0
    if (stop != end)
        return 0;            // no digits, or something after them
    const auto value = static_cast<long long>(magnitude);
    return negative ? -value : value;
}

} // namespace vlk::NumberText
