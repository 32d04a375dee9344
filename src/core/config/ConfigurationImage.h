#pragma once

#include "config/Configuration.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vlk {

inline constexpr std::size_t kImageSize = 1920;
inline constexpr std::size_t kSectorSize = 128;
inline constexpr std::size_t kSectorCount = 15;

using ImageBytes = std::array<std::uint8_t, kImageSize>;

struct DecodeResult {
    // Empty when the bytes were refused as a whole; then nothing may be applied.
    std::optional<Configuration> configuration;
    // Short Russian texts for the user: what was refused, skipped or repaired.
    std::vector<std::string> problems;
};

// The 1920-byte image shared by the *.vlk file and the controller memory.
class ConfigurationImage {
public:
    [[nodiscard]] static ImageBytes Encode(const Configuration& configuration);
    [[nodiscard]] static DecodeResult Decode(std::span<const std::uint8_t> bytes);
};

// A cell text read the way "%d" reads it into an int that starts at 0: leading blanks skipped,
// an optional sign, digits up to the first other character; empty or non-numeric gives 0.
// Returns the low 8 bits, as the image stores it.
[[nodiscard]] std::uint8_t CellByte(std::string_view text);

} // namespace vlk
