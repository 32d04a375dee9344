// vlkctl, vlk-sim --memory and vlk-report read a configuration file by one rule and refuse a file of
// the wrong length in the same words (the station's open says them too, see EditHistory_test).
#include "VlkctlRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

const std::string kSim = VLK_BINARY_DIR "/tools/vlk-sim/vlk-sim";
const std::string kReport = VLK_BINARY_DIR "/tools/vlkctl/vlk-report";

class OneFileRule : public vlk::test::VlkctlRun {
protected:
    // Runs a program of the build in the scratch folder; stderr is kept in m_err.
    int RunProgram(const std::string& binary, const std::string& arguments)
    {
        const std::string command =
            "cd '" + m_dir.string() + "' && '" + binary + "' " + arguments + " </dev/null >out.txt 2>err.txt";
        const int status = std::system(command.c_str());
        m_err = vlk::test::ReadWholeFile(m_dir / "err.txt");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

TEST_F(OneFileRule, ALongerAndAShorterFileAreRefusedAlikeByEveryProgram)
{
    ASSERT_TRUE(fs::exists(kSim)) << kSim;
    ASSERT_TRUE(fs::exists(kReport)) << kReport;
    const std::string junction = vlk::test::ReadWholeFile(VLK_TEST_DATA_DIR "/junction/junction.vlk");
    ASSERT_EQ(junction.size(), 1920u);
    std::ofstream(m_dir / "long.vlk", std::ios::binary) << junction << 'x';
    std::ofstream(m_dir / "short.vlk", std::ios::binary) << junction.substr(0, 1919);

    const struct {
        const char* file;
        const char* reason;
    } files[] = {
        {"long.vlk", ": не образ конфигурации и не JSON: 1921 байт вместо 1920\n"},
        {"short.vlk", ": не образ конфигурации и не JSON: 1919 байт вместо 1920\n"},
    };
    for (const auto& f : files) {
        SCOPED_TRACE(f.file);
        const std::string file = f.file;
        for (const std::string& command : {"show " + file, "check " + file, "fingerprint " + file}) {
            EXPECT_EQ(Run(command), 2) << command;
            EXPECT_EQ(m_err, "vlkctl: " + file + f.reason) << command;
            EXPECT_TRUE(m_out.empty()) << command;
        }
        EXPECT_EQ(Run("show -", (m_dir / file).string()), 2);
        EXPECT_EQ(m_err, std::string("vlkctl: <stdin>") + f.reason);

        EXPECT_EQ(RunProgram(kSim, "--memory " + file), 2);
        EXPECT_EQ(m_err, "vlk-sim: " + file + f.reason);

        EXPECT_EQ(RunProgram(kReport, file + " -o out.pdf"), 2);
        EXPECT_EQ(m_err, "vlk-report: " + file + f.reason);
        EXPECT_FALSE(fs::exists(m_dir / "out.pdf"));
    }
}

} // namespace
