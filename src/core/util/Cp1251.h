#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vlk {

// The outcome of a text conversion: the text, or why there is none (a short Russian sentence).
struct TextConversion {
    std::optional<std::string> text;
    std::string error;
};

// Windows-1251 <-> UTF-8, the one place the station converts text. Nothing is ever replaced or
// dropped: text that cannot be converted exactly is refused with the reason.
//
// Byte 0x98 has no character in Windows-1251; it is carried as U+0098 both ways, as Windows
// itself does, so that every byte value of an account record survives a trip through UTF-8.
class Cp1251 {
public:
    [[nodiscard]] static TextConversion ToUtf8(std::string_view cp1251);
    // Refuses invalid UTF-8 and characters that Windows-1251 cannot hold.
    [[nodiscard]] static TextConversion FromUtf8(std::string_view utf8);
};

} // namespace vlk
