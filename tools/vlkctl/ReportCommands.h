#pragma once

// The commands of vlkctl about the printed junction file: fingerprint and report.

#include "Vlkctl.h"

#include <string>

namespace CLI {
class App;
}

namespace vlk::ctl {

// Registers fingerprint and report; each sets exitCode when it runs.
void AddReportCommands(CLI::App& app, int& exitCode);

// The CRC-32 of the 1920-byte image the configuration in `file` is written as (for a file the
// station wrote, of its own 1920 bytes), as the report prints it. 0 done, 2 unreadable.
[[nodiscard]] int RunFingerprint(const std::string& file, Streams io);

// The report is drawn with Qt, which vlkctl does without: it runs the sibling program vlk-report
// found beside vlkctl's own executable, else on PATH, and returns its exit code (2 when there is
// none or it cannot be started, 128 + the signal that ended it).
[[nodiscard]] int RunReport(const std::string& file, const std::string& output, Streams io);

// Where vlk-report is: in the folder of `self` (vlkctl's executable), else in the first folder of
// `path` (a PATH value) that has it; empty when there is none.
[[nodiscard]] std::string FindReportProgram(const std::string& self, const std::string& path);

} // namespace vlk::ctl
