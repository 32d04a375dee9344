// The station's save, the PDF export and every tool's output go through the one whole-file
// writer: what the chosen path is decides what becomes of it, never a device or a link replaced
// by a plain file.
#include "util/WholeFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace vlk {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class WholeFileKinds : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "station-file-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    static std::string Save(const fs::path& path, const char* text)
    {
        return WriteWholeFile(path.string(), std::span(reinterpret_cast<const std::uint8_t*>(text), std::strlen(text)));
    }

    fs::path m_dir;
};

TEST_F(WholeFileKinds, ALinkIsFollowedAndAFifoWrittenInto)
{
    fs::create_directory(m_dir / "plans");
    std::ofstream(m_dir / "plans" / "junction.vlk") << "old";
    fs::create_symlink("plans/junction.vlk", m_dir / "current.vlk");
    EXPECT_EQ(Save(m_dir / "current.vlk", "new"), "");
    EXPECT_TRUE(fs::is_symlink(m_dir / "current.vlk"));
    EXPECT_EQ(ReadText(m_dir / "plans" / "junction.vlk"), "new");

    const fs::path fifo = m_dir / "pipe.vlk";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(Save(fifo, "image"), "");
    char got[16] = {};
    const ssize_t n = ::read(reader, got, sizeof got);
    ::close(reader);
    EXPECT_EQ(std::string(got, n > 0 ? static_cast<std::size_t>(n) : 0), "image");
    EXPECT_TRUE(fs::is_fifo(fifo));
}

TEST_F(WholeFileKinds, AFolderASocketAndAFullDeviceFailAndStay)
{
    EXPECT_EQ(Save(m_dir, "x"), "это папка, а не файл");
    EXPECT_TRUE(fs::is_directory(m_dir));

    const fs::path socket = m_dir / "socket.vlk";
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socket.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(Save(socket, "x"), "не обычный файл (сокет)");
    EXPECT_TRUE(fs::is_socket(socket));
    ::close(fd);

    // A device like /dev/full (1,7) of this test's own: a writer that replaced it harms nothing.
    const fs::path full = m_dir / "full";
    if (::mknod(full.c_str(), S_IFCHR | 0666, makedev(1, 7)) != 0)
        GTEST_SKIP() << "may not make a device node here: " << std::strerror(errno);
    // The reason names the failed step; the errno behind it is the caller's to word.
    int error = 0;
    const std::string reason =
        WriteWholeFile(full.string(), std::span(reinterpret_cast<const std::uint8_t*>("x"), 1), &error);
    EXPECT_EQ(reason.rfind("ошибка записи (", 0), 0u) << reason;
    EXPECT_EQ(error, ENOSPC);
    EXPECT_TRUE(fs::is_character_file(full));
}

} // namespace
} // namespace vlk
