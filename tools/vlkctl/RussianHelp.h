#pragma once

// The parser's own words in Russian: the help's headings, type names and "REQUIRED", the help
// flag's description, and the parse errors.

#include <string>

namespace CLI {
class App;
class ParseError;
}

namespace vlk::ctl {

// Call once every command and option has been added.
void UseRussianHelp(CLI::App& app);

// The parse error's text in Russian ("не задан обязательный параметр --port").
[[nodiscard]] std::string RussianParseError(const CLI::ParseError& error);

} // namespace vlk::ctl
