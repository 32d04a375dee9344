// The exported programs in the real traffic simulator: a crossroads of 24 signal links built by
// its own network converter, each program run for one cycle, and the simulator's signal state of
// every second compared with `vlkctl timeline`. Skipped where the simulator is not installed.

#include "config/ConfigurationImage.h"
#include "config/DemoJunction.h"
#include "SumoCrossing.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <vector>

using namespace vlk;
using vlk::test::Installed;
namespace fs = std::filesystem;

namespace {

const std::string kVlkctl = VLK_BINARY_DIR "/tools/vlkctl/vlkctl";

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The demo crossroads with directions 9..24 added, so that every link has a signal of its own:
// various phases (one in two of them) and steps, some without red-yellow or without any step.
Configuration TwentyFourDirections()
{
    Configuration c = DemoJunction();
    for (int d = 9; d <= 24; ++d) {
        Direction& dir = c.directions[d - 1];
        dir.phaseMask = static_cast<std::uint8_t>(d % 5 == 0 ? 0b101 : 1 << (d % 3));
        dir.stepTimes = {static_cast<std::uint8_t>(d % 4), static_cast<std::uint8_t>((d + 1) % 4),
                         static_cast<std::uint8_t>(d % 3), static_cast<std::uint8_t>(d % 2 + 1),
                         static_cast<std::uint8_t>(d % 3)};
    }
    c.directions[20].stepTimes = {0, 0, 0, 0, 0};
    return c;
}

// One second as the simulator shows it (the phase named as the station names it) or as the
// timeline prints it (the 24 directions' codes).
struct Second {
    std::string phase;
    std::string state;
    std::vector<std::string> codes;
};

class SumoSimulator : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!Installed("sumo") || !Installed("netconvert"))
            GTEST_SKIP() << "the traffic simulator (sumo, netconvert) is not installed: "
                            "scripts/install-deps installs the Debian package sumo";
        std::string pattern = (fs::temp_directory_path() / "vlkctl-sumo-run-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        test::WriteSumoCrossing(m_dir);
        ASSERT_EQ(Run(test::kSumoNetconvert), 0) << m_err;
        const std::string net = ReadFile(m_dir / "x.net.xml");
        ASSERT_NE(net.find("linkIndex=\"23\""), std::string::npos) << "24 signal links";
        ASSERT_EQ(net.find("linkIndex=\"24\""), std::string::npos);
        std::ofstream(m_dir / "states.add.xml")
            << "<additional>\n  <timedEvent type=\"SaveTLSStates\" source=\"vlk\" dest=\"states.xml\"/>\n</additional>\n";

        const ImageBytes image = ConfigurationImage::Encode(TwentyFourDirections());
        std::ofstream(m_dir / "x.vlk", std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    }
    void TearDown() override
    {
        if (!m_dir.empty())
            fs::remove_all(m_dir);
    }

    int Run(const std::string& command)
    {
        const std::string line = "cd '" + m_dir.string() + "' && " + command + " </dev/null >out.txt 2>err.txt";
        const int status = std::system(line.c_str());
        m_out = ReadFile(m_dir / "out.txt");
        m_err = ReadFile(m_dir / "err.txt");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // The simulator's state of the traffic light at each whole second from 0 to seconds - 1,
    // running the exported file with `program` as its start program.
    std::vector<Second> Simulate(int program, int seconds)
    {
        std::vector<Second> states;
        if (Run("'" + kVlkctl + "' sumo x.vlk -o x.tll.xml --program " + std::to_string(program)) != 0) {
            ADD_FAILURE() << "vlkctl sumo: " << m_err;
            return states;
        }
        fs::remove(m_dir / "states.xml");
        // A direction without steps turns from green to red at once, which the simulator warns of.
        if (Run("sumo --xml-validation never --xml-validation.net never --no-step-log --no-warnings -n x.net.xml "
                "-a x.tll.xml,states.add.xml --begin 0 --end " +
                std::to_string(seconds)) != 0) {
            ADD_FAILURE() << "sumo: " << m_err;
            return states;
        }
        const std::string xml = ReadFile(m_dir / "states.xml");
        if (xml.find("<tlsState ") == std::string::npos)
            ADD_FAILURE() << "no states written: " << xml.substr(0, 400) << m_err;
        const std::regex row(R"re(<tlsState time="(\d+)\.00" id="vlk" programID="(\d+)" phase="\d+" state="([^"]*)"(?: name="([^"]*)")?/>)re");
        for (auto it = std::sregex_iterator(xml.begin(), xml.end(), row); it != std::sregex_iterator(); ++it) {
            EXPECT_EQ(std::stoi((*it)[1]), static_cast<int>(states.size())) << "one state a second";
            EXPECT_EQ((*it)[2], std::to_string(program));
            states.push_back(Second{(*it)[4], (*it)[3], {}});
        }
        return states;
    }

    // `vlkctl timeline`: per second, the 24 codes of the directions.
    std::vector<Second> Timeline(int program)
    {
        std::vector<Second> seconds;
        if (Run("'" + kVlkctl + "' timeline x.vlk --program " + std::to_string(program)) != 0) {
            ADD_FAILURE() << "vlkctl timeline: " << m_err;
            return seconds;
        }
        std::istringstream text(m_out);
        std::string line;
        std::getline(text, line); // header
        while (std::getline(text, line)) {
            std::vector<std::string> fields;
            std::istringstream cells(line);
            std::string cell;
            while (std::getline(cells, cell, '\t'))
                fields.push_back(cell);
            EXPECT_EQ(fields.size(), 26u) << line;
            EXPECT_EQ(fields[0], std::to_string(seconds.size()));
            if (fields.size() == 26u)
                seconds.push_back(Second{fields[1], {}, {fields.begin() + 2, fields.end()}});
        }
        return seconds;
    }

    fs::path m_dir;
    std::string m_out;
    std::string m_err;
};

TEST_F(SumoSimulator, EverySecondOfEveryProgramAsTheTimelineSaysIt)
{
    const std::map<std::string, char> link = {{"К", 'r'}, {"КЖ", 'u'}, {"З", 'G'}, {"ЗМ", 'G'}, {"Ж", 'y'}, {"-", 'O'}};
    for (int program = 1; program <= 3; ++program) {
        const auto timeline = Timeline(program);
        ASSERT_GT(timeline.size(), 30u);
        const auto states = Simulate(program, static_cast<int>(timeline.size()));
        ASSERT_EQ(states.size(), timeline.size()) << "program " << program << ": " << m_err;
        std::set<std::string> seen;
        for (std::size_t t = 0; t < timeline.size(); ++t) {
            std::string expected;
            for (const std::string& code : timeline[t].codes) {
                seen.insert(code);
                expected += link.count(code) ? link.at(code) : '?';
            }
            ASSERT_EQ(states[t].state, expected) << "program " << program << ", second " << t;
            ASSERT_EQ(states[t].phase, timeline[t].phase) << "program " << program << ", second " << t;
        }
        EXPECT_EQ(seen, (std::set<std::string>{"К", "КЖ", "З", "ЗМ", "Ж"})) << "every signal of a cycle is compared";
    }

    // The demo's program 4 has no durations: the controller, and so the simulator, flashes yellow.
    EXPECT_NE(Run("'" + kVlkctl + "' timeline x.vlk --program 4"), 0);
    const auto flashing = Simulate(4, 3);
    ASSERT_EQ(flashing.size(), 3u);
    for (const Second& second : flashing)
        EXPECT_EQ(second.state, "oooooooooooooooooooooooo");
}

} // namespace
