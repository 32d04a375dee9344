#pragma once

// The commands of vlkctl that read the signal plan of a configuration: timeline, check and sumo.

#include "SumoExport.h"
#include "Vlkctl.h"
#include "config/Configuration.h"
#include "plan/ConfigurationCheck.h"
#include "plan/ProgramCycle.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace vlk::ctl {

// Registers timeline, check and sumo; each sets exitCode when it runs.
void AddPlanCommands(CLI::App& app, int& exitCode);

// One line per second of the program's cycle: t, the phase ("1", or "1→2" in a change), the code
// of each direction 1..24; a header line first. Tab-separated, or comma-separated with `csv`.
// 0 done, 2 the file cannot be read or the program has nothing to run.
[[nodiscard]] int RunTimeline(const std::string& file, int program, bool csv, Streams io);
[[nodiscard]] std::string TimelineText(const ProgramCycle& cycle, bool csv);

// The findings, one a line ("Ошибка<TAB>rule<TAB>message"), or a JSON array.
// 0 no "Ошибка", 1 at least one, 2 the file cannot be read.
[[nodiscard]] int RunCheck(const std::string& file, bool json, Streams io);
[[nodiscard]] std::string FindingsText(const std::vector<Finding>& findings);
[[nodiscard]] std::string FindingsJson(const std::vector<Finding>& findings);

// The programs for the traffic simulator, to `output` (written whole or not at all; empty or "-"
// standard output). 0 done, 2 the file cannot be read, a bad option or the output not written.
[[nodiscard]] int RunSumo(const std::string& file, const std::string& output, const SumoOptions& options, Streams io);

// For the write path: with errors in the configuration lists them on `err` and returns false
// (the caller exits 1) unless `force`, when it lists them and lets the write go ahead.
[[nodiscard]] bool WriteAllowed(const Configuration& configuration, const std::string& file, bool force,
                                std::ostream& err);

} // namespace vlk::ctl
