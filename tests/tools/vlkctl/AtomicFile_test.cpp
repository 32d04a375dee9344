#include "AtomicFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string_view>
#include <sys/stat.h>

using namespace vlk;
namespace fs = std::filesystem;

namespace {

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "atomic-file-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    static std::string Read(const fs::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    static mode_t Mode(const fs::path& path)
    {
        struct stat st {};
        EXPECT_EQ(::lstat(path.c_str(), &st), 0);
        return st.st_mode & 07777;
    }
    static std::string Write(const fs::path& path, std::string_view text)
    {
        return AtomicFile::Write(path.string(), std::span<const char>(text.data(), text.size()));
    }

    fs::path m_dir;
};

} // namespace

TEST_F(AtomicFileTest, ReplacesKeepingTheModeAndLeavesNothingBeside)
{
    const fs::path target = m_dir / "junction.vlk";
    std::ofstream(target) << "old";
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    EXPECT_EQ(Write(target, "new bytes"), "");
    EXPECT_EQ(Read(target), "new bytes");
    EXPECT_EQ(Mode(target), 0640u);
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator{}), 1);

    const mode_t mask = ::umask(022);
    EXPECT_EQ(Write(m_dir / "fresh.vlk", "x"), "");
    ::umask(mask);
    EXPECT_EQ(Mode(m_dir / "fresh.vlk"), 0644u);
}

// A link planted where the file goes is replaced, never written through.
TEST_F(AtomicFileTest, NeverWritesThroughALink)
{
    const fs::path victim = m_dir / "victim";
    std::ofstream(victim) << "precious";
    const fs::path target = m_dir / "out.vlk";
    fs::create_symlink(victim, target);
    EXPECT_EQ(Write(target, "image"), "");
    EXPECT_EQ(Read(victim), "precious");
    EXPECT_FALSE(fs::is_symlink(target));
    EXPECT_EQ(Read(target), "image");
}

TEST_F(AtomicFileTest, AFailureSaysWhyAndChangesNothing)
{
    EXPECT_NE(Write(m_dir / "missing" / "out.vlk", "x"), "");
    EXPECT_FALSE(fs::exists(m_dir / "missing"));
    fs::create_directory(m_dir / "folder");
    EXPECT_EQ(Write(m_dir / "folder", "x"), "это папка, а не файл");
    EXPECT_TRUE(fs::is_directory(m_dir / "folder"));
    EXPECT_EQ(Write("", "x"), "пустое имя файла");
}
