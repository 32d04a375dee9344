// vlkctl sumo: the programs of a configuration as traffic-light programs of a traffic simulator.

#include "config/ConfigurationJson.h"
#include "PlanCommands.h"
#include "SumoExport.h"
#include "config/ConfigurationImage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

using namespace vlk;
namespace fs = std::filesystem;

namespace {

// Three directions: 1 in phase 1 (steps 1, 2, 1, 1, 1), 2 in phase 2 (0, 2, 0, 1, 0, a crossing),
// 3 in both; program 1 runs phases 1 and 2 for 5 and 4 s, program 2 phase 2 alone for 7 s.
Configuration SmallJunction()
{
    Configuration c = Configuration::FreshStart();
    c.directions[0] = Direction{0b01, {1, 2, 1, 1, 1}};
    c.directions[1] = Direction{0b10, {0, 2, 0, 1, 0}};
    c.directions[2] = Direction{0b11, {3, 3, 3, 2, 2}};
    c.programDuration[0] = {5, 4, 0, 0, 0, 0, 0, 0};
    c.programDuration[1] = {0, 7, 0, 0, 0, 0, 0, 0};
    return c;
}

// Worked by hand: the change 1→2 is 1 + 2 + 1 + 1 = 5 s of direction 1 closing (direction 2 has
// no red-yellow); 2→1 is 0 + 2 + 0 + 1 = 3 s of direction 2 closing, then 1 s of red-yellow.
const char* const kSmallJunctionPrograms =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<additional>\n"
    "    <!-- Индексы сигналов светофора vlk (linkIndex в сети): индекс k управляется направлением k+1.\n"
    "         0: направление 1, фаза 1\n"
    "         1: направление 2, фаза 2\n"
    "         2: направление 3, фазы 1, 2\n"
    "         3: направление 4, не используется (O)\n"
    "         4: направление 5, не используется (O)\n"
    "         5: направление 6, не используется (O)\n"
    "         6: направление 7, не используется (O)\n"
    "         7: направление 8, не используется (O)\n"
    "         8: направление 9, не используется (O)\n"
    "         9: направление 10, не используется (O)\n"
    "         10: направление 11, не используется (O)\n"
    "         11: направление 12, не используется (O)\n"
    "         12: направление 13, не используется (O)\n"
    "         13: направление 14, не используется (O)\n"
    "         14: направление 15, не используется (O)\n"
    "         15: направление 16, не используется (O)\n"
    "         16: направление 17, не используется (O)\n"
    "         17: направление 18, не используется (O)\n"
    "         18: направление 19, не используется (O)\n"
    "         19: направление 20, не используется (O)\n"
    "         20: направление 21, не используется (O)\n"
    "         21: направление 22, не используется (O)\n"
    "         22: направление 23, не используется (O)\n"
    "         23: направление 24, не используется (O)\n"
    "    -->\n"
    "    <tlLogic id=\"vlk\" type=\"static\" programID=\"2\" offset=\"0\">\n"
    "        <phase duration=\"7\" state=\"rGGOOOOOOOOOOOOOOOOOOOOO\" name=\"2\"/>\n"
    "    </tlLogic>\n"
    "    <tlLogic id=\"vlk\" type=\"static\" programID=\"3\" offset=\"0\">\n"
    "        <phase duration=\"60\" state=\"oooOOOOOOOOOOOOOOOOOOOOO\"/>\n"
    "    </tlLogic>\n"
    "    <tlLogic id=\"vlk\" type=\"static\" programID=\"4\" offset=\"0\">\n"
    "        <phase duration=\"60\" state=\"oooOOOOOOOOOOOOOOOOOOOOO\"/>\n"
    "    </tlLogic>\n"
    "    <tlLogic id=\"vlk\" type=\"static\" programID=\"5\" offset=\"0\">\n"
    "        <phase duration=\"60\" state=\"oooOOOOOOOOOOOOOOOOOOOOO\"/>\n"
    "    </tlLogic>\n"
    "    <tlLogic id=\"vlk\" type=\"static\" programID=\"6\" offset=\"0\">\n"
    "        <phase duration=\"60\" state=\"oooOOOOOOOOOOOOOOOOOOOOO\"/>\n"
    "    </tlLogic>\n"
    "    <tlLogic id=\"vlk\" type=\"static\" programID=\"7\" offset=\"0\">\n"
    "        <phase duration=\"60\" state=\"oooOOOOOOOOOOOOOOOOOOOOO\"/>\n"
    "    </tlLogic>\n"
    "    <tlLogic id=\"vlk\" type=\"static\" programID=\"8\" offset=\"0\">\n"
    "        <phase duration=\"60\" state=\"oooOOOOOOOOOOOOOOOOOOOOO\"/>\n"
    "    </tlLogic>\n"
    "    <tlLogic id=\"vlk\" type=\"static\" programID=\"9\" offset=\"0\">\n"
    "        <phase duration=\"60\" state=\"oooOOOOOOOOOOOOOOOOOOOOO\"/>\n"
    "    </tlLogic>\n"
    "    <tlLogic id=\"vlk\" type=\"static\" programID=\"1\" offset=\"0\">\n"
    "        <phase duration=\"5\" state=\"GrGOOOOOOOOOOOOOOOOOOOOO\" name=\"1\"/>\n"
    "        <phase duration=\"1\" state=\"GrGOOOOOOOOOOOOOOOOOOOOO\" name=\"1→2\"/>\n"
    "        <phase duration=\"2\" state=\"GrGOOOOOOOOOOOOOOOOOOOOO\" name=\"1→2\"/>\n"
    "        <phase duration=\"1\" state=\"yrGOOOOOOOOOOOOOOOOOOOOO\" name=\"1→2\"/>\n"
    "        <phase duration=\"1\" state=\"rrGOOOOOOOOOOOOOOOOOOOOO\" name=\"1→2\"/>\n"
    "        <phase duration=\"4\" state=\"rGGOOOOOOOOOOOOOOOOOOOOO\" name=\"2\"/>\n"
    "        <phase duration=\"2\" state=\"rGGOOOOOOOOOOOOOOOOOOOOO\" name=\"2→1\"/>\n"
    "        <phase duration=\"1\" state=\"rrGOOOOOOOOOOOOOOOOOOOOO\" name=\"2→1\"/>\n"
    "        <phase duration=\"1\" state=\"urGOOOOOOOOOOOOOOOOOOOOO\" name=\"2→1\"/>\n"
    "    </tlLogic>\n"
    "</additional>\n";

const std::string kVlkctl = VLK_BINARY_DIR "/tools/vlkctl/vlkctl";

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class SumoExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "vlkctl-sumo-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        const ImageBytes image = ConfigurationImage::Encode(SmallJunction());
        m_file = (m_dir / "small.vlk").string();
        std::ofstream(m_file, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), image.size());
    }
    void TearDown() override { fs::remove_all(m_dir); }

    Streams Io()
    {
        m_out.str({});
        m_err.str({});
        return {m_in, m_out, m_err};
    }

    fs::path m_dir;
    std::string m_file;
    std::istringstream m_in;
    std::ostringstream m_out;
    std::ostringstream m_err;
};

TEST(SumoExport, SmallJunctionPhaseByPhaseWithTheStartProgramLast)
{
    // The yellow-flashing program of one that cannot run, a one-phase program without changes,
    // flashing green as green with a phase of its own, red-yellow, dark directions.
    EXPECT_EQ(SumoPrograms(SmallJunction(), SumoOptions{"vlk", 1, true}), kSmallJunctionPrograms);

    const std::string second = SumoPrograms(SmallJunction(), SumoOptions{"C&1", 2, false});
    EXPECT_EQ(second.find("<!--"), std::string::npos);
    EXPECT_EQ(second.find("<tlLogic "), second.find("<tlLogic id=\"C&amp;1\" type=\"static\" programID=\"1\" offset=\"0\">"));
    EXPECT_EQ(second.rfind("<tlLogic "), second.find("<tlLogic id=\"C&amp;1\" type=\"static\" programID=\"2\" offset=\"0\">"))
        << "the simulator runs the program it loaded last";
    EXPECT_NE(second.find("programID=\"1\" offset=\"0\">\n"
                          "        <phase duration=\"5\" state=\"GrGOOOOOOOOOOOOOOOOOOOOO\" name=\"1\"/>\n"),
              std::string::npos);
}

TEST(SumoExport, DirectionsWithoutStepsTurnAtOnceAndUsedOnesFlash)
{
    // No direction in use: every program is dark; a direction without steps turns at once.
    Configuration c = Configuration::FreshStart();
    EXPECT_NE(SumoPrograms(c, {}).find("<phase duration=\"60\" state=\"OOOOOOOOOOOOOOOOOOOOOOOO\"/>"), std::string::npos);
    c.directions[23] = Direction{0b01, {0, 0, 0, 0, 0}};
    c.directions[0] = Direction{0b10, {0, 0, 0, 0, 0}};
    c.programDuration[4] = {3, 2, 0, 0, 0, 0, 0, 0};
    const std::string text = SumoPrograms(c, SumoOptions{"J", 5, false});
    EXPECT_NE(text.find("programID=\"5\" offset=\"0\">\n"
                        "        <phase duration=\"3\" state=\"rOOOOOOOOOOOOOOOOOOOOOOG\" name=\"1\"/>\n"
                        "        <phase duration=\"2\" state=\"GOOOOOOOOOOOOOOOOOOOOOOr\" name=\"2\"/>\n"
                        "    </tlLogic>\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("programID=\"4\" offset=\"0\">\n"
                        "        <phase duration=\"60\" state=\"oOOOOOOOOOOOOOOOOOOOOOOo\"/>\n"),
              std::string::npos);
}

TEST_F(SumoExportTest, CommandWritesTheFileWholeOrNothing)
{
    const std::string out = (m_dir / "small.tll.xml").string();
    EXPECT_EQ(ctl::RunSumo(m_file, out, SumoOptions{"vlk", 1, true}, Io()), 0) << m_err.str();
    EXPECT_EQ(ReadFile(out), kSmallJunctionPrograms);
    EXPECT_EQ(m_out.str(), "");
    EXPECT_EQ(m_err.str(), "");

    EXPECT_EQ(ctl::RunSumo(m_file, "-", SumoOptions{"vlk", 1, true}, Io()), 0);
    EXPECT_EQ(m_out.str(), kSmallJunctionPrograms);

    // The JSON of the same junction gives the same programs.
    const std::string json = (m_dir / "small.json").string();
    std::ofstream(json) << ConfigurationJson::Dump(*ConfigurationJson::ToJson(SmallJunction()).json);
    EXPECT_EQ(ctl::RunSumo(json, "", SumoOptions{"vlk", 1, true}, Io()), 0) << m_err.str();
    EXPECT_EQ(m_out.str(), kSmallJunctionPrograms);

    // Failures: one line on stderr, exit 2, the old output untouched.
    EXPECT_EQ(ctl::RunSumo(m_file, out, SumoOptions{"vlk", 0, false}, Io()), 2);
    EXPECT_EQ(m_err.str(), "vlkctl: " + m_file + ": номер программы 0 вне 1..9\n");
    EXPECT_EQ(ctl::RunSumo(m_file, out, SumoOptions{"a b", 1, false}, Io()), 2);
    EXPECT_EQ(m_err.str(), "vlkctl: " + m_file + ": недопустимый идентификатор светофора «a b»\n");
    EXPECT_EQ(ctl::RunSumo(m_file, out, SumoOptions{"", 1, false}, Io()), 2);
    EXPECT_EQ(ctl::RunSumo((m_dir / "missing.vlk").string(), out, {}, Io()), 2);
    EXPECT_NE(m_err.str().find("не удаётся открыть"), std::string::npos) << m_err.str();
    EXPECT_EQ(ctl::RunSumo(m_file, m_dir.string(), {}, Io()), 2);
    EXPECT_EQ(m_err.str(), "vlkctl: " + m_dir.string() + ": это папка, а не файл\n");
    EXPECT_EQ(ReadFile(out), kSmallJunctionPrograms);
    EXPECT_EQ(m_out.str(), "");
}

TEST_F(SumoExportTest, CommandLineOptions)
{
    const auto run = [&](const std::string& arguments) {
        const std::string command = "cd '" + m_dir.string() + "' && '" + kVlkctl + "' " + arguments +
                                    " </dev/null >out.txt 2>err.txt";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    ASSERT_EQ(run("sumo small.vlk -o small.tll.xml --net-hint"), 0) << ReadFile(m_dir / "err.txt");
    EXPECT_EQ(ReadFile(m_dir / "small.tll.xml"), kSmallJunctionPrograms);
    EXPECT_EQ(ReadFile(m_dir / "out.txt"), "");

    ASSERT_EQ(run("sumo small.vlk --id J7 --program 2"), 0) << ReadFile(m_dir / "err.txt");
    const std::string text = ReadFile(m_dir / "out.txt");
    EXPECT_EQ(text.find("<!--"), std::string::npos);
    EXPECT_NE(text.find("    <tlLogic id=\"J7\" type=\"static\" programID=\"2\" offset=\"0\">\n"
                        "        <phase duration=\"7\" state=\"rGGOOOOOOOOOOOOOOOOOOOOO\" name=\"2\"/>\n"
                        "    </tlLogic>\n"
                        "</additional>\n"),
              std::string::npos)
        << text;

    EXPECT_EQ(run("sumo small.vlk --program 10"), 2);
    EXPECT_EQ(ReadFile(m_dir / "err.txt"), "vlkctl: small.vlk: номер программы 10 вне 1..9\n");
    EXPECT_EQ(run("sumo"), 2);
    EXPECT_EQ(run("sumo small.vlk --program x"), 2);
}

} // namespace
