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

// Where each section starts in the image. The file and the controller memory share it, so the
// simulator and the tools read programs, phases and the week through these, never own numbers.
namespace ImageOffset {
inline constexpr std::size_t CircularRedTime = 0;
inline constexpr std::size_t PhaseMinTime = 1;
inline constexpr std::size_t ProgramDuration = 9;   // program-major, 8 bytes a program
inline constexpr std::size_t Sync = 81;
inline constexpr std::size_t Directions = 82;       // 6 bytes a direction: phase mask, 5 step times
inline constexpr std::size_t Week = 226;            // 20 bytes a day: ten slot pairs
inline constexpr std::size_t Priority = 366;
inline constexpr std::size_t Reserved = 376;
inline constexpr std::size_t Tvp1 = 382;
inline constexpr std::size_t Tvp2 = 391;
inline constexpr std::size_t WaitBoards = 400;      // 8 bytes a call point
inline constexpr std::size_t RedSensors = 416;      // 2 bytes a direction
inline constexpr std::size_t GreenSensors = 464;    // 4 bytes a direction
inline constexpr std::size_t LampOutputs = 560;     // 144 bytes an output group of 12
inline constexpr std::size_t MinSignalTime = 1136;
inline constexpr std::size_t InterGreen = 1184;
inline constexpr std::size_t AccountRecord = 1760;  // 160 bytes: text, zero padding, terminator
} // namespace ImageOffset

struct DecodeResult {
    // Empty when the bytes were refused as a whole; then nothing may be applied.
    std::optional<Configuration> configuration;
    // Short Russian texts for the user: what was refused, skipped or repaired.
    std::vector<std::string> problems;
};

// The 1920-byte image shared by the *.vlk file and the controller memory.
//
// Encode never writes outside a section, whatever the configuration holds. Values the image
// cannot carry are dropped or cut as Validate describes them; callers that take a configuration
// from anywhere but the pages run Validate first and show its texts. For a configuration with no
// Validate problems, Decode(Encode(c)) gives c back exactly.
//
// Decode gives the configuration as the station's reader takes it from a file or the memory.
// Damage that the reader would carry into the pages is repaired or skipped and reported instead:
// a schedule pair outside the day or for a slot already set, an unknown program in a pair, a
// "ТВП" phase above 8, priorities that are not a full order with "РП" last, an account record
// without its terminator. The result always encodes back to the bytes it was read from where
// those bytes are what the station writes.
class ConfigurationImage {
public:
    [[nodiscard]] static ImageBytes Encode(const Configuration& configuration);
    [[nodiscard]] static DecodeResult Decode(std::span<const std::uint8_t> bytes);

    // What Encode cannot write as it stands; empty when the configuration fits the image.
    [[nodiscard]] static std::vector<std::string> Validate(const Configuration& configuration);

    // The priority bytes made a full order 1..10 with "РП" at 10: a code keeps its byte where
    // that byte is in 1..9 and no other of the first nine codes has it; the other codes take the
    // free priorities in the default order of the codes. A full order comes back unchanged.
    [[nodiscard]] static std::array<std::uint8_t, kRequestCount>
    RepairPriorities(const std::array<std::uint8_t, kRequestCount>& priority);
};

// A cell text read the way glibc's sscanf("%d") reads it into an int that starts at 0: leading
// blanks (C locale) skipped, an optional sign, decimal digits up to the first other character;
// empty or non-numeric gives 0. A number beyond the range of long saturates as strtol does before
// it is cut to int. Returns the low 8 bits, as the image stores it.
[[nodiscard]] std::uint8_t CellByte(std::string_view text);

} // namespace vlk
