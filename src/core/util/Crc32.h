#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace vlk {

// The common CRC-32 (reflected polynomial 0xEDB88320, initial and final value 0xFFFFFFFF), the
// fingerprint of a configuration image: the report prints it and `vlkctl fingerprint` gives it,
// so a printed junction file can be matched with a file or a controller's memory.
class Crc32 {
public:
    [[nodiscard]] static std::uint32_t Of(std::span<const std::uint8_t> bytes);
    // Eight upper-case hex digits, e.g. "CBF43926".
    [[nodiscard]] static std::string Hex(std::uint32_t crc);
};

} // namespace vlk
