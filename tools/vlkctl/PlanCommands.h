#pragma once

// The commands of vlkctl that read the signal plan of a configuration: timeline, check, sumo, and
// plan, which computes one from counted flows.

#include "SumoExport.h"
#include "Vlkctl.h"
#include "config/Configuration.h"
#include "plan/ConfigurationCheck.h"
#include "plan/ProgramCycle.h"
#include "plan/TrafficTiming.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace vlk::ctl {

// Registers timeline, check, sumo and plan; each sets exitCode when it runs.
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

struct PlanOptions {
    std::string file;
    std::string flows;   // the CSV of counted flows
    int program = 1;
    int maxCycle = kDefaultMaxCycle;
    bool json = false;
    std::string output;  // the configuration with the computed durations, a *.vlk image
};

// The cycle and greens of a program from counted flows (TrafficTiming), as text or as JSON; with
// an output the configuration with the new durations is written whole. 0 done, 1 done with
// warnings, 2 bad input (the file, the flows with their row and column, an option) or not written.
[[nodiscard]] int RunPlan(const PlanOptions& options, Streams io);
[[nodiscard]] std::string TimingText(const TrafficTiming& timing);
[[nodiscard]] std::string TimingJson(const TrafficTiming& timing);

// For the write path: with errors in the configuration lists them on `err` and returns false
// (the caller exits 1) unless `force`, when it lists them and lets the write go ahead.
[[nodiscard]] bool WriteAllowed(const Configuration& configuration, const std::string& file, bool force,
                                std::ostream& err);

} // namespace vlk::ctl
