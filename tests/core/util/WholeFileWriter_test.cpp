// The one whole-file writer of every program, by the kind of path it is given.
#include "util/WholeFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <set>
#include <string_view>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

using namespace vlk;
namespace fs = std::filesystem;

namespace {

class WholeFileWriterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "whole-file-XXXXXX").string();
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
        return WriteWholeFile(path.string(), std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    }
    // Every name in a folder, hidden ones included, sorted and blank-separated.
    static std::string Names(const fs::path& folder)
    {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            names.insert(entry.path().filename().string());
        std::string text;
        for (const auto& name : names)
            text += (text.empty() ? "" : " ") + name;
        return text;
    }
    // A character device of our own in the scratch folder (/dev/null is 1,3, /dev/full 1,7), so
    // that a writer that replaces devices harms nothing. Without the right to make one, the
    // system's own device serves where this user cannot replace it; else an empty path.
    fs::path Device(const char* name, unsigned major, unsigned minor) const
    {
        const fs::path own = m_dir / name;
        if (::mknod(own.c_str(), S_IFCHR | 0666, makedev(major, minor)) == 0)
            return own;
        if (::geteuid() != 0 && ::access("/dev", W_OK) != 0)
            return fs::path("/dev") / name;
        return {};
    }

    fs::path m_dir;
};

} // namespace

TEST_F(WholeFileWriterTest, ReplacesKeepingTheModeAndLeavesNothingBeside)
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

// A link names the file the user means: its target gets the bytes, the link stays a link, and
// the temporary file lies beside the target, not beside the link.
TEST_F(WholeFileWriterTest, WritesThroughALinkToItsTarget)
{
    const fs::path victim = m_dir / "victim";
    std::ofstream(victim) << "precious";
    ASSERT_EQ(::chmod(victim.c_str(), 0600), 0);
    const fs::path target = m_dir / "out.vlk";
    fs::create_symlink("victim", target);
    EXPECT_EQ(Write(target, "image"), "");
    EXPECT_TRUE(fs::is_symlink(target));
    EXPECT_EQ(fs::read_symlink(target), "victim");
    EXPECT_EQ(Read(victim), "image");
    EXPECT_EQ(Mode(victim), 0600u);
    EXPECT_EQ(Names(m_dir), "out.vlk victim");

    // A relative link into another folder, through a second link.
    fs::create_directory(m_dir / "a");
    fs::create_directory(m_dir / "b");
    std::ofstream(m_dir / "b" / "real.vlk") << "old";
    fs::create_symlink("../b/real.vlk", m_dir / "a" / "first");
    fs::create_symlink(m_dir / "a" / "first", m_dir / "second");
    EXPECT_EQ(Write(m_dir / "second", "new"), "");
    EXPECT_EQ(Read(m_dir / "b" / "real.vlk"), "new");
    EXPECT_TRUE(fs::is_symlink(m_dir / "second"));
    EXPECT_TRUE(fs::is_symlink(m_dir / "a" / "first"));
    EXPECT_EQ(Names(m_dir / "a"), "first");
    EXPECT_EQ(Names(m_dir / "b"), "real.vlk");

    // A dangling link: its target is created.
    fs::create_symlink("b/made.vlk", m_dir / "dangling");
    EXPECT_EQ(Write(m_dir / "dangling", "made"), "");
    EXPECT_TRUE(fs::is_symlink(m_dir / "dangling"));
    EXPECT_EQ(Read(m_dir / "b" / "made.vlk"), "made");

    // A loop of links is refused and left as it is.
    fs::create_symlink("loop2", m_dir / "loop1");
    fs::create_symlink("loop1", m_dir / "loop2");
    EXPECT_NE(Write(m_dir / "loop1", "x"), "");
    EXPECT_TRUE(fs::is_symlink(m_dir / "loop1"));
    EXPECT_TRUE(fs::is_symlink(m_dir / "loop2"));
}

// A FIFO and a character device take the bytes as a stream; they stay what they are. A device
// that fails the write (/dev/full) makes the command fail.
TEST_F(WholeFileWriterTest, DevicesAndFifosAreWrittenStraightInto)
{
    const fs::path fifo = m_dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // The read end is open first, so the write neither waits nor blocks (it fits the pipe).
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(Write(fifo, "through the pipe"), "");
    char got[64] = {};
    const ssize_t n = ::read(reader, got, sizeof got);
    ::close(reader);
    EXPECT_EQ(std::string(got, n > 0 ? static_cast<std::size_t>(n) : 0), "through the pipe");
    EXPECT_TRUE(fs::is_fifo(fifo));

    // A pipe through its /proc link, as -o /dev/stdout reaches the pipe a shell set up.
    int ends[2];
    ASSERT_EQ(::pipe2(ends, O_NONBLOCK), 0);
    EXPECT_EQ(Write("/proc/self/fd/" + std::to_string(ends[1]), "to stdout"), "");
    const ssize_t piped = ::read(ends[0], got, sizeof got);
    ::close(ends[0]);
    ::close(ends[1]);
    EXPECT_EQ(std::string(got, piped > 0 ? static_cast<std::size_t>(piped) : 0), "to stdout");

    const fs::path null = Device("null", 1, 3);
    const fs::path full = Device("full", 1, 7);
    if (null.empty() || full.empty())
        GTEST_SKIP() << "no character device to write to safely here";
    EXPECT_EQ(Write(null, "gone"), "");
    EXPECT_TRUE(fs::is_character_file(null));
    EXPECT_EQ(Write(full, "no room"), "ошибка записи (No space left on device)");
    EXPECT_TRUE(fs::is_character_file(full));
    EXPECT_EQ(Names(m_dir), null.parent_path() == m_dir ? "full null pipe" : "pipe");
}

TEST_F(WholeFileWriterTest, OtherKindsOfFileAreRefusedAndKept)
{
    fs::create_directory(m_dir / "folder");
    EXPECT_EQ(Write(m_dir / "folder", "x"), "это папка, а не файл");
    EXPECT_TRUE(fs::is_directory(m_dir / "folder"));

    const fs::path socket = m_dir / "socket";
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socket.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(Write(socket, "x"), "не обычный файл (сокет)");
    EXPECT_TRUE(fs::is_socket(socket));
    ::close(fd);

    // Through a link as well.
    fs::create_symlink("socket", m_dir / "to-socket");
    EXPECT_EQ(Write(m_dir / "to-socket", "x"), "не обычный файл (сокет)");
    EXPECT_TRUE(fs::is_socket(socket));

    if (::mknod((m_dir / "block").c_str(), S_IFBLK | 0600, makedev(7, 200)) == 0) {
        EXPECT_EQ(Write(m_dir / "block", "x"), "не обычный файл (блочное устройство)");
        EXPECT_TRUE(fs::is_block_file(m_dir / "block"));
    }
    EXPECT_EQ(Names(m_dir), fs::exists(m_dir / "block") ? "block folder socket to-socket" : "folder socket to-socket");
}

TEST_F(WholeFileWriterTest, AFailureSaysWhyAndChangesNothing)
{
    EXPECT_NE(Write(m_dir / "missing" / "out.vlk", "x"), "");
    EXPECT_FALSE(fs::exists(m_dir / "missing"));
    fs::create_directory(m_dir / "folder");
    EXPECT_EQ(Write(m_dir / "folder", "x"), "это папка, а не файл");
    EXPECT_TRUE(fs::is_directory(m_dir / "folder"));
    EXPECT_EQ(Write("", "x"), "пустое имя файла");
}
