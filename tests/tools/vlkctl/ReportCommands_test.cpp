// vlkctl fingerprint and the search for the report program.

#include "ReportCommands.h"
#include "support/PdfText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace vlk;
namespace fs = std::filesystem;

namespace {

const std::string kJunction = VLK_TEST_DATA_DIR "/junction/junction.vlk";
const std::string kJunctionJson = VLK_TEST_DATA_DIR "/vlkctl/junction.json";

class ReportCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "vlkctl-report-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    int Fingerprint(const std::string& file, const std::string& input = {})
    {
        std::istringstream in(input);
        m_out.str({});
        m_err.str({});
        return ctl::RunFingerprint(file, Streams{in, m_out, m_err});
    }

    void MakeFile(const fs::path& path, fs::perms perms)
    {
        fs::create_directories(path.parent_path());
        std::ofstream(path) << "#!/bin/sh\n";
        fs::permissions(path, perms);
    }

    fs::path m_dir;
    std::ostringstream m_out;
    std::ostringstream m_err;
};

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TEST_F(ReportCommands, FingerprintIsTheCrcOfTheImage)
{
    // Worked out from the files' bytes with an independent CRC-32 (zlib's).
    EXPECT_EQ(Fingerprint(kJunction), 0) << m_err.str();
    EXPECT_EQ(m_out.str(), "D36DD185\n");
    EXPECT_EQ(m_err.str(), "");

    // JSON: the image it is imported as.
    EXPECT_EQ(Fingerprint(kJunctionJson), 0) << m_err.str();
    EXPECT_EQ(m_out.str(), "505CE109\n");

    // Standard input; a longer image is no image (never its first 1920 bytes).
    EXPECT_EQ(Fingerprint("-", ReadFile(kJunction)), 0) << m_err.str();
    EXPECT_EQ(m_out.str(), "D36DD185\n");
    EXPECT_EQ(Fingerprint("-", ReadFile(kJunction) + "tail"), 2);
    EXPECT_EQ(m_out.str(), "");
    EXPECT_EQ(m_err.str(), "vlkctl: <stdin>: не образ конфигурации и не JSON: 1924 байт вместо 1920\n");
}

TEST_F(ReportCommands, FingerprintOfWhatCannotBeReadIsAnError)
{
    EXPECT_EQ(Fingerprint((m_dir / "missing.vlk").string()), 2);
    EXPECT_EQ(m_out.str(), "");
    EXPECT_NE(m_err.str().find("missing.vlk: не удаётся открыть"), std::string::npos) << m_err.str();

    EXPECT_EQ(Fingerprint("-", std::string(100, '\0')), 2);
    EXPECT_EQ(m_out.str(), "");
    const std::string err = m_err.str();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

TEST_F(ReportCommands, ReportProgramBesideVlkctlThenOnPath)
{
    const fs::perms runnable = fs::perms::owner_all;
    MakeFile(m_dir / "bin" / "vlk-report", runnable);
    MakeFile(m_dir / "a" / "vlk-report", fs::perms::owner_read | fs::perms::owner_write); // not executable
    MakeFile(m_dir / "b" / "vlk-report", runnable);
    MakeFile(m_dir / "c" / "vlk-report", runnable);
    fs::create_directories(m_dir / "d" / "vlk-report"); // a folder of that name is no program
    const std::string self = (m_dir / "bin" / "vlkctl").string();
    const std::string path = (m_dir / "d").string() + ":" + (m_dir / "a").string() + ":" + (m_dir / "b").string() +
                             ":" + (m_dir / "c").string();

    EXPECT_EQ(ctl::FindReportProgram(self, path), (m_dir / "bin" / "vlk-report").string());
    fs::remove(m_dir / "bin" / "vlk-report");
    EXPECT_EQ(ctl::FindReportProgram(self, path), (m_dir / "b" / "vlk-report").string());
    EXPECT_EQ(ctl::FindReportProgram(self, (m_dir / "a").string()), "");
    EXPECT_EQ(ctl::FindReportProgram(self, ""), fs::exists("vlk-report") ? "./vlk-report" : "");
}

// The real programs: vlkctl runs vlk-report from its own folder; without it, one line and 2.
TEST_F(ReportCommands, VlkctlReportWritesThePdfOrSaysWhyNot)
{
    const std::string vlkctl = VLK_BINARY_DIR "/tools/vlkctl/vlkctl";
    const std::string pdf = (m_dir / "junction.pdf").string();
    int status = std::system(("env -u DISPLAY '" + vlkctl + "' report '" + kJunction + "' -o '" + pdf + "' 2>" +
                              (m_dir / "err.txt").string()).c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << ReadFile((m_dir / "err.txt").string());
    EXPECT_EQ(ReadFile((m_dir / "err.txt").string()), "");
    const std::string text = test::Flat(test::PdfText(pdf));
    EXPECT_NE(text.find("Отпечаток образа (CRC-32) D36DD185"), std::string::npos) << text.substr(0, 400);
    EXPECT_NE(text.find("Файл junction.vlk"), std::string::npos);

    // A copy of vlkctl alone in a folder, and nothing on PATH.
    const fs::path lonely = m_dir / "lonely";
    fs::create_directories(lonely);
    fs::copy_file(vlkctl, lonely / "vlkctl");
    status = std::system(("PATH=/nonexistent '" + (lonely / "vlkctl").string() + "' report '" + kJunction + "' -o '" +
                          (m_dir / "none.pdf").string() + "' 2>" + (m_dir / "err.txt").string())
                             .c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
    const std::string err = ReadFile((m_dir / "err.txt").string());
    EXPECT_NE(err.find("программа vlk-report не найдена ни рядом с vlkctl, ни в PATH"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
    EXPECT_FALSE(fs::exists(m_dir / "none.pdf"));
}

} // namespace
