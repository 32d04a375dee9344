#pragma once

// The commands of vlkctl that talk to a controller: monitor, write, read, clock.

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace vlk {
struct StateFrame;
}

namespace vlk::ctl {

// Exit codes: 0 done, 1 the procedure was refused or failed, 2 an error before it began.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitError = 2;

// Registers monitor, write, read and clock; each sets exitCode when it runs.
void AddLinkCommands(CLI::App& app, int& exitCode);

// count 0: until killed. Stops after `count` passes (a frame, or a read time-out without one); exit 1
// when fewer frames than that came. A controller silent for two passes is said lost once.
[[nodiscard]] int RunMonitor(const std::string& port, int count, std::ostream& out, std::ostream& err);
// Several ports at once, each with its own pass loop as above: every line starts with its port's
// name and ": ", whole lines only, in the order they happen. One port is the plain monitor.
// Exit 1 when any port ended short.
[[nodiscard]] int RunMonitorPorts(const std::vector<std::string>& ports, int count, std::ostream& out,
                                  std::ostream& err);
// With `force` a configuration the check finds errors in is written all the same.
[[nodiscard]] int RunWrite(const std::string& file, const std::string& port, std::ostream& out, std::ostream& err,
                           bool force);
// Takes a controller in programming mode out of it; after a write that was not confirmed only
// with `force`.
[[nodiscard]] int RunLeave(const std::string& port, bool force, std::ostream& out, std::ostream& err);
[[nodiscard]] int RunRead(const std::string& file, const std::string& port, std::ostream& out, std::ostream& err);
// Reads the memory with verification (never writes) and prints its differences from `file` as
// diff does, then both fingerprints: 0 equal, 1 different, 2 the file or the line failed.
[[nodiscard]] int RunCompare(const std::string& file, const std::string& port, bool json, std::ostream& out,
                             std::ostream& err);
// time "HH:MM" and day 0..6 default to the computer's clock.
[[nodiscard]] int RunClock(const std::string& port, const std::optional<std::string>& time,
                           const std::optional<int>& day, std::ostream& out, std::ostream& err);

// One line for a shown frame: flags, phases, priority, day, time, program, lamps, failures, sensors.
[[nodiscard]] std::string FormatFrame(const StateFrame& frame);

} // namespace vlk::ctl
