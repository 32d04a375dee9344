#pragma once

#include "link/CPort.h"
#include "config/ConfigurationImage.h"
#include "link/LinkFrames.h"

#include <chrono>
#include <cstddef>

namespace vlk {

// What the line tells of the controller's mode when the station is in doubt (a garbled or missing
// reply to a toggle, a line that came back, bytes nobody asked for).
enum class LineMode {
    Normal,      // it sends state frames unasked: it runs the junction
    Programming, // it sends nothing unasked and answers a sector read
    Silent,      // neither: switched off, or the cable pulled at its end
    Gone,        // the device itself went away
};

struct ModeFinding {
    LineMode mode = LineMode::Silent;
    // In normal mode, the frame heard (as many bytes as arrived, the rest zero).
    FrameBytes frame{};
    std::size_t frameBytes = 0;
};

// Bytes that start arriving this long after the station last sent something are no late part of
// a reply: a controller in programming mode sends nothing unasked, so they are state frames.
inline constexpr std::chrono::milliseconds kLeftoverWindow{300};
// The probe: a read of sector 1. In programming mode it brings 128 bytes; in normal mode 0x51 is
// no command at all (unlike 0x50, "ЖМ"), so a running junction is never touched by it.
inline constexpr std::uint8_t kModeProbe = 0x51;

// Tells the controller's mode without ever sending a toggle. First it lets in what is still
// arriving and listens for a state frame for the port's whole read time-out (normal mode sends
// one at least that often); when none comes, it asks for a sector, which only a controller in
// programming mode answers. `quietAlready`: the caller has just seen a whole read time-out pass
// without a byte, so the listening is skipped. Costs nothing on the line but the probe's read.
[[nodiscard]] ModeFinding DetectMode(CPort& port, bool quietAlready = false);

} // namespace vlk
