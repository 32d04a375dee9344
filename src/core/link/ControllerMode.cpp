#include "link/ControllerMode.h"

#include <algorithm>
#include <array>

namespace vlk {

namespace {

using Clock = std::chrono::steady_clock;

// A controller in programming mode answers the probe with a whole sector; anything longer than a
// state frame can only be that, since normal mode pauses between its frames.
constexpr std::size_t kProbeAnswer = kStateFrameSize + 1;

bool Gone(const CPort& port) { return port.LastReadEnd() == CPort::ReadEnd::Gone || port.DeviceGone(); }

} // namespace

ModeFinding DetectMode(CPort& port, bool quietAlready)
{
    ModeFinding finding;
    if (!port.IsOpen() || port.DeviceGone()) {
        finding.mode = LineMode::Gone;
        return finding;
    }
    if (!quietAlready) {
        const auto listenStart = Clock::now();
        for (;;) {
            std::uint8_t first = 0;
            if (port.Read(&first, 1) == 0) {
                if (Gone(port)) {
                    finding.mode = LineMode::Gone;
                    return finding;
                }
                break; // a whole time-out without a byte
            }
            const auto firstAt = Clock::now();
            // The rest of this transmission, up to the next gap.
            std::array<std::uint8_t, 4 * kSectorSize> rest{};
            const std::size_t more = port.Read(rest.data(), rest.size());
            if (Gone(port)) {
                finding.mode = LineMode::Gone;
                return finding;
            }
            if (firstAt - listenStart > kLeftoverWindow) {
                // Began after anything the station asked for could still be under way: unasked.
                finding.mode = LineMode::Normal;
                finding.frame[0] = first;
                const std::size_t n = std::min(more, kStateFrameSize - 1);
                std::copy_n(rest.begin(), n, finding.frame.begin() + 1);
                finding.frameBytes = 1 + n;
                return finding;
            }
            // A late part of an earlier reply: let it in and listen on.
        }
    }
    if (!port.Write(&kModeProbe, 1)) {
        finding.mode = port.DeviceGone() ? LineMode::Gone : LineMode::Silent;
        return finding;
    }
    std::array<std::uint8_t, kSectorSize + 1> answer{};
    const std::size_t got = port.Read(answer.data(), answer.size());
    if (Gone(port)) {
        finding.mode = LineMode::Gone;
    } else if (got >= kProbeAnswer) {
        finding.mode = LineMode::Programming;
    } else if (got > 0) {
        // A state frame that happened to come just then.
        finding.mode = LineMode::Normal;
        std::copy_n(answer.begin(), std::min(got, kStateFrameSize), finding.frame.begin());
        finding.frameBytes = std::min(got, kStateFrameSize);
    } else {
        finding.mode = LineMode::Silent;
    }
    return finding;
}

} // namespace vlk
