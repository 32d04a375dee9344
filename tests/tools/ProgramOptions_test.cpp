// The four programs as a user meets them from a shell: --version and --help print and end with 0
// (the station's without a display), and each manual page covers every option and command that
// the program's own parser lists.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace {

using ::testing::EndsWith;

struct Program {
    const char* name;
    const char* path; // below the build folder
};

const Program kPrograms[] = {
    {"vlk-station", "/src/app/vlk-station"},
    {"vlkctl", "/tools/vlkctl/vlkctl"},
    {"vlk-sim", "/tools/vlk-sim/vlk-sim"},
    {"vlk-report", "/tools/vlkctl/vlk-report"},
};

struct Result {
    int code = -1;
    std::string out;
    std::string err;
};

std::string ReadAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Runs `binary arguments` through the shell with `environment` before it (e.g. "env -u DISPLAY").
Result RunProgram(const std::string& environment, const std::string& binary, const std::string& arguments)
{
    const auto dir = std::filesystem::path(testing::TempDir());
    const auto out = dir / "program-options.out";
    const auto err = dir / "program-options.err";
    const std::string command = environment + " '" + binary + "' " + arguments + " </dev/null >'" + out.string() +
                                "' 2>'" + err.string() + "'";
    const int status = std::system(command.c_str());
    Result result;
    result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadAll(out);
    result.err = ReadAll(err);
    return result;
}

std::string Binary(const Program& program)
{
    return std::string(VLK_BINARY_DIR) + program.path;
}

// The version the package states: "vlk-station (0.1) unstable; ..." gives 0.1.
std::string PackageVersion()
{
    std::ifstream changelog(std::string(VLK_SOURCE_DIR) + "/debian/changelog");
    std::string first;
    std::getline(changelog, first);
    std::smatch match;
    if (!std::regex_search(first, match, std::regex(R"(^vlk-station \(([^)-]+))")))
        return "(no version in debian/changelog)";
    return match[1];
}

std::set<std::string> LongOptions(const std::string& help)
{
    std::set<std::string> options;
    const std::regex option(R"((^|[\s,\[])(--[a-z][a-z0-9-]*))");
    for (auto it = std::sregex_iterator(help.begin(), help.end(), option); it != std::sregex_iterator(); ++it)
        options.insert((*it)[2]);
    return options;
}

// The commands CLI11 lists under "Subcommands:", one a line.
std::set<std::string> Subcommands(const std::string& help)
{
    std::set<std::string> names;
    const auto at = help.find("Subcommands:");
    if (at == std::string::npos)
        return names;
    std::istringstream lines(help.substr(at));
    std::string line;
    std::getline(lines, line);
    const std::regex entry(R"(^  ([a-z][a-z0-9-]*)\s)");
    while (std::getline(lines, line)) {
        std::smatch match;
        if (std::regex_search(line, match, entry))
            names.insert(match[1]);
    }
    return names;
}

TEST(ProgramOptions, VersionPrintsTheVersionOfThePackage)
{
    const std::string version = PackageVersion();
    for (const Program& program : kPrograms) {
        SCOPED_TRACE(program.name);
        const Result result = RunProgram("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM", Binary(program), "--version");
        EXPECT_EQ(result.code, 0) << result.err;
        EXPECT_EQ(result.out, std::string(program.name) + " " + version + "\n");
        EXPECT_EQ(result.err, "");
    }
}

TEST(ProgramOptions, HelpPrintsAndEndsWithoutADisplay)
{
    for (const Program& program : kPrograms) {
        SCOPED_TRACE(program.name);
        const Result result = RunProgram("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM", Binary(program), "--help");
        EXPECT_EQ(result.code, 0) << result.err;
        EXPECT_NE(result.out.find("--help"), std::string::npos) << result.out;
        EXPECT_NE(result.out.find("--version"), std::string::npos) << result.out;
    }
    // The station's own text, in the user's language.
    const Result station = RunProgram("env -u DISPLAY", Binary(kPrograms[0]), "-h");
    EXPECT_EQ(station.out.rfind("Использование: vlk-station [ПАРАМЕТР] [ФАЙЛ.vlk]\n", 0), 0u) << station.out;
}

TEST(ProgramOptions, TheStationRefusesAWrongLineWithCodeTwo)
{
    const std::string station = Binary(kPrograms[0]);
    Result result = RunProgram("env QT_QPA_PLATFORM=offscreen", station, "--port COM2");
    EXPECT_EQ(result.code, 2);
    // Qt may say something of its own about the environment first.
    EXPECT_THAT("\n" + result.err, EndsWith("\nvlk-station: неизвестный параметр --port (см. vlk-station --help)\n"));
    result = RunProgram("env QT_QPA_PLATFORM=offscreen", station, "a.vlk b.vlk");
    EXPECT_EQ(result.code, 2);
    EXPECT_THAT("\n" + result.err,
                EndsWith("\nvlk-station: открывается один файл, а названы два: a.vlk и b.vlk (см. vlk-station --help)\n"));
}

TEST(ProgramOptions, EachManualPageCoversWhatTheParserLists)
{
    for (const Program& program : kPrograms) {
        SCOPED_TRACE(program.name);
        const std::string page = ReadAll(std::string(VLK_SOURCE_DIR) + "/man/" + program.name + ".1.scd");
        ASSERT_FALSE(page.empty());
        for (const char* section : {"# SYNOPSIS", "# OPTIONS", "# EXIT STATUS", "# EXAMPLES"})
            EXPECT_NE(page.find(section), std::string::npos) << section;

        const std::string help = RunProgram("env QT_QPA_PLATFORM=offscreen", Binary(program), "--help").out;
        std::set<std::string> options = LongOptions(help);
        const std::set<std::string> commands = Subcommands(help);
        for (const std::string& command : commands) {
            EXPECT_NE(page.find("*" + command + "*"), std::string::npos) << "command " << command;
            const std::set<std::string> more =
                LongOptions(RunProgram("env QT_QPA_PLATFORM=offscreen", Binary(program), command + " --help").out);
            options.insert(more.begin(), more.end());
        }
        EXPECT_GE(options.size(), 2u);
        for (const std::string& option : options)
            EXPECT_NE(page.find(option), std::string::npos) << "option " << option;
    }
}

} // namespace
