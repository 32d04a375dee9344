#pragma once

// vlkctl events: what a junction did, read from a recording of its state frames.

#include <iosfwd>
#include <string>

namespace CLI {
class App;
}

namespace vlk::ctl {

void AddEventCommands(CLI::App& app, int& exitCode);

enum class EventFormat { Text, Csv, Json };

// Prints the events of the recording `file`, read with the configuration `configFile` (empty: the
// image in the recording's header). 0 done, 2 the recording or the configuration unreadable. A
// torn last record or damaged records are skipped with a warning on `err`.
[[nodiscard]] int RunEvents(const std::string& file, const std::string& configFile, EventFormat format,
                            std::ostream& out, std::ostream& err);

} // namespace vlk::ctl
