#pragma once

// vlkctl journal: the shared journal of writes, reads, compares, clock settings and console
// commands, as the station and vlkctl appended it.

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

namespace CLI {
class App;
}

namespace vlk::ctl {

void AddJournalCommands(CLI::App& app, int& exitCode);

// "2026-12-08T17:05:09.123+03:00" as milliseconds since the epoch; empty when it is no such time.
[[nodiscard]] std::optional<std::int64_t> JournalTime(const std::string& text);
// --since: "YYYY-MM-DD" (local midnight) or a whole journal time.
[[nodiscard]] std::optional<std::int64_t> SinceTime(const std::string& text);

// Prints the journal at `path` (0 done, 2 unreadable or a bad --since). Lines that are not whole
// JSON objects (a line torn by a full disk) are skipped and counted on `err`.
[[nodiscard]] int RunJournal(const std::string& path, const std::string& since, bool json, std::ostream& out,
                             std::ostream& err);

} // namespace vlk::ctl
