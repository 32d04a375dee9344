// The real vlkctl binary: timeline and check are wired to their commands and exit codes.
#include "VlkctlRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

const std::string kBinary = vlk::test::kVlkctlBinary;
const std::string kJunction = VLK_TEST_DATA_DIR "/vlkctl/junction.json";

using vlk::test::ReadWholeFile;

class PlanProcess : public vlk::test::VlkctlRun {};

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
