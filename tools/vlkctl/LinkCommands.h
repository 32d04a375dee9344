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

// Exit codes: 0 done, 1 the procedure was refused or failed, 2 an error before it began (a port
// that does not open among them).
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitError = 2;

// Registers monitor, write, read and clock; each sets exitCode when it runs.
void AddLinkCommands(CLI::App& app, int& exitCode);

// count 0: until killed. Stops after `count` passes (a frame, or a read time-out without one); exit 1
// when fewer frames than that came. A controller silent for two passes is said lost once.
[[nodiscard]] int RunMonitor(const std::string& port, int count, std::ostream& out, std::ostream& err);
// "COM1", "com1" and "COM1:" are the station's COM1 (VLK_COM1, else /dev/ttyS0), and so for COM2;
// any other name is a device path as given.
[[nodiscard]] std::string PortName(const std::string& given);

// Records the controller's state frames into the recording `output` for `seconds` (0: until
// SIGINT or SIGTERM), answering each as the station's exchange does with no operator command; a
// lost line and its return are recorded and the port is reopened by name. `configFile` gives the
// header's image (empty: the fresh start's). 0 done, 2 the port would not open, 1 the file could
// not be written, 2 an error before it began.
[[nodiscard]] int RunRecord(const std::string& port, const std::string& output, const std::string& configFile,
                            int seconds, std::ostream& out, std::ostream& err);
// Several ports at once, each with its own pass loop as above: every line starts with its port's
// name and ": ", whole lines only, in the order they happen. One port is the plain monitor.
// The worst exit of them: 2 when a port did not open, 1 when one ended short.
[[nodiscard]] int RunMonitorPorts(const std::vector<std::string>& ports, int count, std::ostream& out,
                                  std::ostream& err);
// With `force` a configuration the check finds errors in is written all the same. With `progress`
// the part and sector of the transfer are shown on one line of `err` (a terminal).
[[nodiscard]] int RunWrite(const std::string& file, const std::string& port, std::ostream& out, std::ostream& err,
                           bool force, bool progress = false);
// Takes a controller in programming mode out of it; after a write that was not confirmed only
// with `force`.
[[nodiscard]] int RunLeave(const std::string& port, bool force, std::ostream& out, std::ostream& err);
[[nodiscard]] int RunRead(const std::string& file, const std::string& port, std::ostream& out, std::ostream& err,
                          bool progress = false);
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
