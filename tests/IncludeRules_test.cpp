// The layering of the source tree, checked on the files themselves: the core and the tools
// build without Qt, the ui's lower folders never reach up into the frame that owns them, and
// nothing under src/ includes or links a tool (what tools and the station share is the core's).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Rule {
    std::vector<std::string> folders; // relative to the tree's root
    std::regex include;               // matched against one line
    std::string why;
};

const std::regex kQtInclude(R"(^\s*#\s*include\s*<Q[A-Za-z0-9_]*(/[^>]*)?>)");
const std::regex kFrameInclude(R"(^\s*#\s*include\s*["<]frame/)");

// A header of a tool, by its path below tools/ or by its bare name (a tool's folder on the include
// path makes "Vlkctl.h" reachable): what the tools share belongs in the core.
std::regex ToolInclude(const fs::path& root)
{
    std::string names;
    if (fs::is_directory(root / "tools"))
        for (const auto& entry : fs::recursive_directory_iterator(root / "tools"))
            if (entry.is_regular_file() && entry.path().extension() == ".h")
                names += (names.empty() ? "" : "|") + entry.path().stem().string();
    std::string pattern = R"(^\s*#\s*include\s*["<](tools/)";
    if (!names.empty())
        pattern += "|([^\">]*/)?(" + names + R"()\.h[">])";
    pattern += ")";
    return std::regex(pattern);
}

std::vector<Rule> Rules(const fs::path& root)
{
    return {
        {{"src/core", "tools"}, kQtInclude, "includes Qt"},
        {{"src/ui/grid", "src/ui/editor", "src/ui/forms", "src/ui/pages", "src/ui/diagram", "src/ui/report"},
         kFrameInclude, "includes from frame/"},
        {{"src"}, ToolInclude(root), "includes a tool"},
    };
}

bool IsSource(const fs::path& path)
{
    const std::string ext = path.extension().string();
    return ext == ".h" || ext == ".hpp" || ext == ".cpp" || ext == ".cc";
}

struct Scan {
    int files = 0;
    std::vector<std::string> violations; // "path:line: text (why)"
};

Scan ScanTree(const fs::path& root, const std::vector<Rule>& rules)
{
    Scan scan;
    for (const Rule& rule : rules) {
        for (const std::string& folder : rule.folders) {
            const fs::path base = root / folder;
            if (!fs::is_directory(base)) {
                scan.violations.push_back(base.string() + ": folder missing");
                continue;
            }
            for (const auto& entry : fs::recursive_directory_iterator(base)) {
                if (!entry.is_regular_file() || !IsSource(entry.path()))
                    continue;
                ++scan.files;
                std::ifstream in(entry.path());
                std::string line;
                for (int number = 1; std::getline(in, line); ++number)
                    if (std::regex_search(line, rule.include))
                        scan.violations.push_back(fs::relative(entry.path(), root).string() + ":" +
                                                  std::to_string(number) + ": " + line + " (" + rule.why + ")");
            }
        }
    }
    return scan;
}

TEST(IncludeRules, CoreAndToolsWithoutQtNoUiFolderIncludesTheFrameAndSrcNoTool)
{
    const Scan scan = ScanTree(VLK_SOURCE_DIR, Rules(VLK_SOURCE_DIR));
    EXPECT_GT(scan.files, 100) << "too few sources under " << VLK_SOURCE_DIR;
    for (const std::string& violation : scan.violations)
        ADD_FAILURE() << violation;
}

TEST(IncludeRules, NothingUnderSrcLinksATool)
{
    const std::regex toolLibrary(R"(\b(vlkctl_lib|vlk_sim)\b)");
    int lists = 0;
    for (const auto& entry : fs::recursive_directory_iterator(fs::path(VLK_SOURCE_DIR) / "src")) {
        if (entry.path().filename() != "CMakeLists.txt")
            continue;
        ++lists;
        std::ifstream in(entry.path());
        std::string line;
        for (int number = 1; std::getline(in, line); ++number)
            if (line.find('#') != 0 && std::regex_search(line, toolLibrary))
                ADD_FAILURE() << entry.path().string() << ":" << number << ": " << line;
    }
    EXPECT_GE(lists, 4);
}

// The scanner itself finds what it must and leaves alone what it may, so that the check above
// cannot pass by reading nothing.
TEST(IncludeRules, ScannerNamesFileAndLineOfEachViolation)
{
    const fs::path root = fs::path(testing::TempDir()) / "include-rules-tree";
    fs::remove_all(root);
    const auto write = [&](const std::string& rel, const std::string& text) {
        fs::create_directories((root / rel).parent_path());
        std::ofstream(root / rel) << text;
    };
    write("src/core/a/Clean.cpp", "#include <queue>\n#include \"util/QString.h\"\n// #include is a word\n");
    write("src/core/a/Bad.h", "#pragma once\n\n  #  include <QString>\n");
    write("tools/x/Bad.cpp", "#include <map>\n#include <QtCore/qglobal.h>\n");
    write("src/ui/pages/Page.cpp", "#include \"grid/ARecordList.h\"\n#include \"frame/Tabs.h\"\n#include <QWidget>\n");
    write("src/ui/grid/Grid.h", "#include \"pages/frame/Odd.h\"\n");
    write("src/ui/editor/E.cpp", "#include <frame/X.h>\n");
    write("src/ui/forms/F.txt", "#include \"frame/NotASource.h\"\n");
    write("src/ui/frame/Frame.cpp", "#include \"frame/Tabs.h\"\n");
    write("src/ui/diagram/D.cpp", "#include \"diagram/D.h\"\n");
    write("src/ui/report/R.cpp", "#include \"frame/MainFrm.h\"\n");
    write("src/ui/files/W.cpp", "#include <QSaveFile>\n#include \"util/SumoExportText.h\"\n");
    write("tools/vlkctl/SumoExport.h", "#pragma once\n");
    write("src/report/main.cpp", "#include \"SumoExport.h\"\n#include \"config/DemoJunction.h\"\n");
    write("src/app/main.cpp", "#include <tools/vlk-sim/Anything.h>\n#include \"x/SumoExport.h\"\n");

    Scan scan = ScanTree(root, Rules(root));
    std::sort(scan.violations.begin(), scan.violations.end());
    const std::vector<std::string> expected{
        "src/app/main.cpp:1: #include <tools/vlk-sim/Anything.h> (includes a tool)",
        "src/app/main.cpp:2: #include \"x/SumoExport.h\" (includes a tool)",
        "src/core/a/Bad.h:3:   #  include <QString> (includes Qt)",
        "src/report/main.cpp:1: #include \"SumoExport.h\" (includes a tool)",
        "src/ui/editor/E.cpp:1: #include <frame/X.h> (includes from frame/)",
        "src/ui/pages/Page.cpp:2: #include \"frame/Tabs.h\" (includes from frame/)",
        "src/ui/report/R.cpp:1: #include \"frame/MainFrm.h\" (includes from frame/)",
        "tools/x/Bad.cpp:2: #include <QtCore/qglobal.h> (includes Qt)",
    };
    EXPECT_EQ(scan.violations, expected);
    EXPECT_EQ(scan.files, 20);
    fs::remove_all(root);
}

} // namespace
