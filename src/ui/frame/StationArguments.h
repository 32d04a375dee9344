#pragma once

#include <string>
#include <vector>

namespace vlk {

// The station's command line: vlk-station [--help | --version] [FILE.vlk].
//
// It is read twice. Before the application object exists only --help and --version are looked
// for, so that both work without a display; Qt's own options (-platform, -display and the like)
// are still on the line then. After Qt has taken its options out, the rest is read whole: one
// file at most, no other option.
struct StationArguments {
    enum class Action { Run, Help, Version, Error };

    Action action = Action::Run;
    std::string file;  // the file to open after the port dialog; empty when none is named
    std::string error; // for Action::Error: what is wrong, in the user's words

    // `arguments` without the program's name. With `whole` false only --help and --version count.
    [[nodiscard]] static StationArguments Parse(const std::vector<std::string>& arguments, bool whole);

    [[nodiscard]] static std::string HelpText();
    [[nodiscard]] static std::string VersionText();

    // Exit codes: the station ran and was closed; the window could not be made; the command line
    // was wrong.
    static constexpr int kExitOk = 0;
    static constexpr int kExitFailed = 1;
    static constexpr int kExitUsage = 2;
};

} // namespace vlk
