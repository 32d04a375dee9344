// The real vlkctl binary: arguments, exit codes, standard streams.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

const std::string kBinary = VLK_BINARY_DIR "/tools/vlkctl/vlkctl";
const std::string kJunction = VLK_TEST_DATA_DIR "/vlkctl/junction.json";

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class VlkctlProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "vlkctl-process-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // Runs "vlkctl <arguments>" in the scratch folder through the shell; stdout and stderr are
    // kept in m_out and m_err. Returns the exit code, or -1 if the process did not exit normally.
    int Run(const std::string& arguments, const std::string& stdinFile = "/dev/null")
    {
        const std::string command = "cd '" + m_dir.string() + "' && '" + kBinary + "' " + arguments + " <'" +
                                    stdinFile + "' >out.txt 2>err.txt";
        const int status = std::system(command.c_str());
        m_out = ReadFile(m_dir / "out.txt");
        m_err = ReadFile(m_dir / "err.txt");
        fs::remove(m_dir / "out.txt");
        fs::remove(m_dir / "err.txt");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path m_dir;
    std::string m_out;
    std::string m_err;
};

} // namespace

TEST_F(VlkctlProcess, CommandsThroughFilesAndPipes)
{
    ASSERT_TRUE(fs::exists(kBinary)) << kBinary;
    EXPECT_EQ(Run("new -o -"), 0);
    ASSERT_EQ(m_out.size(), 1920u);
    EXPECT_EQ(static_cast<unsigned char>(m_out[81]), 0x80);
    EXPECT_TRUE(m_err.empty());

    EXPECT_EQ(Run("import '" + kJunction + "' -o j.vlk"), 0) << m_err;
    EXPECT_EQ(Run("export j.vlk -o j.json"), 0) << m_err;
    EXPECT_EQ(Run("import - -o -", (m_dir / "j.json").string()), 0) << m_err;
    EXPECT_EQ(m_out, ReadFile(m_dir / "j.vlk"));

    EXPECT_EQ(Run("show -", (m_dir / "j.vlk").string()), 0) << m_err;
    EXPECT_NE(m_out.find("  ПН 22:30 → Ж\n"), std::string::npos);

    EXPECT_EQ(Run("diff j.vlk j.json"), 0) << m_err;
    EXPECT_TRUE(m_out.empty());
    EXPECT_EQ(Run("new -o fresh.vlk"), 0);
    EXPECT_EQ(Run("diff fresh.vlk j.vlk"), 1);
    EXPECT_NE(m_out.find("ПН 06:00: нет → 2\n"), std::string::npos);
}

TEST_F(VlkctlProcess, BadUseExitsTwoWithOneLine)
{
    for (const char* arguments : {"", "frob", "new", "import j.json", "diff a.vlk", "show missing.vlk",
                                  "show --bogus x.vlk"}) {
        SCOPED_TRACE(arguments);
        EXPECT_EQ(Run(arguments), 2);
        EXPECT_EQ(std::count(m_err.begin(), m_err.end(), '\n'), 1) << m_err;
        EXPECT_EQ(m_err.rfind("vlkctl: ", 0), 0u) << m_err;
        EXPECT_TRUE(m_out.empty());
    }
    EXPECT_EQ(Run("--help"), 0);
    EXPECT_NE(m_out.find("export"), std::string::npos);
}
