// The real vlkctl binary: timeline and check are wired to their commands and exit codes.
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

class PlanProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "vlkctl-plan-process-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    int Run(const std::string& arguments)
    {
        const std::string command =
            "cd '" + m_dir.string() + "' && '" + kBinary + "' " + arguments + " </dev/null >out.txt 2>err.txt";
        const int status = std::system(command.c_str());
        m_out = ReadFile(m_dir / "out.txt");
        m_err = ReadFile(m_dir / "err.txt");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path m_dir;
    std::string m_out;
    std::string m_err;
};

TEST_F(PlanProcess, TimelineAndCheckFromTheCommandLine)
{
    ASSERT_TRUE(fs::exists(kBinary)) << kBinary;
    // The example junction: program 1 of phases 1..3, direction 1 in phases 1 and 3, direction 4 in 2.
    ASSERT_EQ(Run("timeline '" + kJunction + "' --program 1"), 0) << m_err;
    EXPECT_EQ(m_out.substr(0, m_out.find('\n')), "t\tфаза\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\t13\t14\t15\t16\t17\t18\t19\t20\t21\t22\t23\t24");
    EXPECT_NE(m_out.find("\n0\t1\tЗ\t-\t-\tК\t-"), std::string::npos) << m_out.substr(0, 300);
    ASSERT_EQ(Run("timeline '" + kJunction + "' --program 1 --csv"), 0) << m_err;
    EXPECT_NE(m_out.find("\n0,1,З,-,-,К,-"), std::string::npos) << m_out.substr(0, 300);
    EXPECT_EQ(Run("timeline '" + kJunction + "'"), 2) << "the program is required";
    EXPECT_NE(m_err.find("--program"), std::string::npos) << m_err;

    // Its week switches to program 2, which has no durations: errors.
    EXPECT_EQ(Run("check '" + kJunction + "'"), 1) << m_err;
    EXPECT_EQ(m_out.rfind("Ошибка\tempty-program\tПН 06:00: переключение на программу 2,", 0), 0u) << m_out;
    EXPECT_EQ(Run("check '" + kJunction + "' --json"), 1) << m_err;
    EXPECT_EQ(m_out.rfind("[\n  {\n    \"severity\": \"Ошибка\"", 0), 0u) << m_out;
    EXPECT_EQ(Run("check nothing.vlk"), 2);
    EXPECT_TRUE(m_out.empty());
    ASSERT_EQ(Run("new -o fresh.vlk"), 0);
    EXPECT_EQ(Run("check fresh.vlk"), 0) << "a fresh start only warns";
    EXPECT_EQ(m_out, "Предупреждение\tempty-week\tВ графиках работы нет ни одной точки переключения (контроллер работает по "
                     "программе 1)\n");
}

} // namespace
