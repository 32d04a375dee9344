#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// The station's ways of reading a decimal number out of a text, one function per rule. Every
// rule starts the same: C blanks (space, \t \n \v \f \r), one optional sign, decimal digits.
// They differ in what stops them, what an overflow gives and what becomes of the value.
namespace vlk::NumberText {

// strtol(text, nullptr, 10) in the C locale: the digits up to the first other character, the
// rest ignored; 0 without digits; beyond the range of long the nearer end of it.
[[nodiscard]] long LeadingLong(std::string_view text);

// LeadingLong held to the range of int (atoi without its undefined overflow).
[[nodiscard]] int LeadingInt(std::string_view text);

// LeadingLong held to -INT_MAX..INT_MAX: a magnitude above INT_MAX is INT_MAX, whatever the sign.
[[nodiscard]] int LeadingIntSymmetric(std::string_view text);

// sscanf("%d") cut to a byte as a cell of the image takes it: LeadingLong cut to the int, then
// to its low 8 bits ("-1" is 255, "256" is 0).
[[nodiscard]] std::uint8_t LowByte(std::string_view text);

// A dialog item's integer: blanks are only space and tab; after the sign nothing but digits may
// follow. Empty text, no digits or any other character after them read as 0; a magnitude above
// 4294967295 (reached before such a character) reads as nothing.
[[nodiscard]] std::optional<long long> DialogInt(std::string_view text);

} // namespace vlk::NumberText
