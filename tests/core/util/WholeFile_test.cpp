// Whole files: the reader that never waits on a FIFO or a device, and the reservation that finds
// a full disk or a read-only folder before the work that makes the bytes.
#include "util/WholeFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <future>
#include <sched.h>
#include <set>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace vlk {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes Of(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class WholeFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "whole-file-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override
    {
        for (const fs::path& mount : m_mounts)
            ::umount2(mount.c_str(), MNT_DETACH);
        fs::remove_all(m_dir);
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

    // A tmpfs of `kib` kB at a new folder, in a mount namespace of this process's own; empty
    // with `why` set where this process may not mount.
    fs::path SmallFilesystem(int kib, bool readOnly, std::string& why)
    {
        if (!m_namespace) {
            if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
                why = std::string("no mount namespace: ") + std::strerror(errno);
                return {};
            }
            m_namespace = true;
        }
        const fs::path at = m_dir / ("fs" + std::to_string(m_mounts.size()));
        fs::create_directory(at);
        const std::string options = "size=" + std::to_string(kib) + "k,mode=0755";
        if (::mount("tmpfs", at.c_str(), "tmpfs", readOnly ? MS_RDONLY : 0, options.c_str()) != 0) {
            why = std::string("mount -t tmpfs: ") + std::strerror(errno);
            return {};
        }
        m_mounts.push_back(at);
        return at;
    }

    // Writes one file until the filesystem at `folder` has no block left.
    static bool Fill(const fs::path& folder)
    {
        const int fd = ::open((folder / "filler").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (fd < 0)
            return false;
        const std::string block(512, 'f');
        while (::write(fd, block.data(), block.size()) > 0) {
        }
        while (::write(fd, block.data(), 1) > 0) {
        }
        ::close(fd);
        struct statvfs room {};
        return ::statvfs(folder.c_str(), &room) == 0 && room.f_bavail == 0;
    }

    fs::path m_dir;
    std::vector<fs::path> m_mounts;
    bool m_namespace = false;
};

TEST_F(WholeFileTest, ReadsARegularFileUpToItsLimit)
{
    const fs::path file = m_dir / "ten.vlk";
    std::ofstream(file) << "0123456789";
    Bytes bytes{1, 2};
    EXPECT_EQ(ReadRegularFile(file, 10, bytes), "");
    EXPECT_EQ(bytes, Of("0123456789"));
    EXPECT_EQ(ReadRegularFile(file, 9, bytes), "слишком большой файл: более 9 байт");
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(ReadRegularFile(file, 4, bytes, LongerFile::ReadPrefix), "");
    EXPECT_EQ(bytes, Of("0123"));
    // Through a link, as any program reads.
    fs::create_symlink("ten.vlk", m_dir / "link.vlk");
    EXPECT_EQ(ReadRegularFile(m_dir / "link.vlk", 100, bytes), "");
    EXPECT_EQ(bytes, Of("0123456789"));
    std::ofstream(m_dir / "empty.vlk");
    EXPECT_EQ(ReadRegularFile(m_dir / "empty.vlk", 100, bytes), "");
    EXPECT_TRUE(bytes.empty());
}

TEST_F(WholeFileTest, AnythingButARegularFileIsRefusedWithoutWaiting)
{
    const fs::path fifo = m_dir / "pipe.vlk";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    Bytes bytes;
    // Nobody writes into the FIFO: a reader that opens it for reading waits for ever.
    auto read = std::async(std::launch::async, [&] { return ReadRegularFile(fifo, 1920, bytes); });
    if (read.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK); // lets a waiting reader go
        ::close(writer);
        FAIL() << "the reader waited on a FIFO";
    }
    EXPECT_EQ(read.get(), "не обычный файл (канал FIFO)");
    // The errno behind a failure, for a caller that names it in the user's language; none for a
    // refusal of the reader's own.
    int error = -1;
    EXPECT_NE(ReadRegularFile(fifo, 1920, bytes, LongerFile::ReadPrefix, &error), "");
    EXPECT_EQ(error, 0);
    EXPECT_NE(ReadRegularFile((m_dir / "missing.vlk").string(), 1920, bytes, LongerFile::ReadPrefix, &error), "");
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(ReadRegularFile("/dev/zero", 1920, bytes), "не обычный файл (символьное устройство)");
    EXPECT_EQ(ReadRegularFile(m_dir.string(), 1920, bytes), "это папка, а не файл");
    EXPECT_EQ(ReadRegularFile((m_dir / "missing.vlk").string(), 1920, bytes),
              "не удаётся открыть (No such file or directory)");
    EXPECT_EQ(ReadRegularFile("", 1920, bytes), "пустое имя файла");
    EXPECT_TRUE(bytes.empty());
}

TEST_F(WholeFileTest, AReservationCommitsOnceAndLeavesNothingWhenDropped)
{
    const fs::path target = m_dir / "junction.vlk";
    std::ofstream(target) << "old";
    ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
    std::string error;
    {
        auto reservation = WholeFileReservation::Reserve(target, 1920, error);
        ASSERT_TRUE(reservation) << error;
        EXPECT_EQ(error, "");
        // The room is taken beside the target, the target is not touched yet.
        ASSERT_EQ(Names(m_dir).size(), std::string("junction.vlk .junction.vlk.XXXXXX").size()) << Names(m_dir);
        EXPECT_EQ(ReadText(target), "old");
    }
    EXPECT_EQ(Names(m_dir), "junction.vlk");
    EXPECT_EQ(ReadText(target), "old");

    auto reservation = WholeFileReservation::Reserve(target, 1920, error);
    ASSERT_TRUE(reservation) << error;
    EXPECT_EQ(reservation->Commit(Of("new, shorter than the room")), "");
    EXPECT_EQ(ReadText(target), "new, shorter than the room");
    EXPECT_EQ(fs::status(target).permissions(), fs::perms(0640));
    EXPECT_EQ(Names(m_dir), "junction.vlk");
    EXPECT_EQ(reservation->Commit(Of("again")), "файл уже записан");
    EXPECT_EQ(ReadText(target), "new, shorter than the room");

    EXPECT_FALSE(WholeFileReservation::Reserve("", 1920, error));
    EXPECT_EQ(error, "пустое имя файла");
    fs::create_directory(m_dir / "folder");
    EXPECT_FALSE(WholeFileReservation::Reserve(m_dir / "folder", 1920, error));
    EXPECT_EQ(error, "это папка, а не файл");
}

TEST_F(WholeFileTest, AReservationFollowsALinkAndWritesAFifoOnlyAtCommit)
{
    fs::create_directory(m_dir / "real");
    fs::create_symlink("real/out.vlk", m_dir / "out.vlk");
    std::string error;
    auto linked = WholeFileReservation::Reserve(m_dir / "out.vlk", 10, error);
    ASSERT_TRUE(linked) << error;
    EXPECT_EQ(linked->Target(), (m_dir / "real/out.vlk").string());
    EXPECT_EQ(linked->Commit(Of("image")), "");
    EXPECT_TRUE(fs::is_symlink(m_dir / "out.vlk"));
    EXPECT_EQ(ReadText(m_dir / "real" / "out.vlk"), "image");

    const fs::path fifo = m_dir / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // No reader yet: a reservation that opened the FIFO would wait here.
    auto reservation = WholeFileReservation::Reserve(fifo, 1920, error);
    ASSERT_TRUE(reservation) << error;
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(reservation->Commit(Of("streamed")), "");
    char got[16] = {};
    const ssize_t n = ::read(reader, got, sizeof got);
    ::close(reader);
    EXPECT_EQ(std::string(got, n > 0 ? static_cast<std::size_t>(n) : 0), "streamed");
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(Names(m_dir), "out.vlk pipe real");
}

// The failures the reservation is for: found at Reserve, and once it is made, a disk that fills
// up in the meantime no longer matters.
TEST_F(WholeFileTest, AFullDiskOrAReadOnlyFolderFailsAtTheReservation)
{
    std::string why;
    const fs::path small = SmallFilesystem(64, false, why);
    if (small.empty())
        GTEST_SKIP() << why << "; the full-disk cases need root or CAP_SYS_ADMIN";

    std::ofstream(small / "old.vlk") << "old";
    std::string error;
    auto reservation = WholeFileReservation::Reserve(small / "read.vlk", 1920, error);
    ASSERT_TRUE(reservation) << error;
    ASSERT_TRUE(Fill(small));
    EXPECT_EQ(reservation->Commit(Bytes(1920, 0x5A)), "");
    EXPECT_EQ(ReadText(small / "read.vlk"), std::string(1920, 'Z'));

    EXPECT_FALSE(WholeFileReservation::Reserve(small / "old.vlk", 1920, error));
    EXPECT_EQ(error, "ошибка записи (No space left on device)");
    EXPECT_EQ(ReadText(small / "old.vlk"), "old");
    EXPECT_EQ(Names(small), "filler old.vlk read.vlk");
    // The one-shot writer says the same.
    int code = 0;
    EXPECT_EQ(WriteWholeFile((small / "old.vlk").string(), Bytes(1920, 1), &code),
              "ошибка записи (No space left on device)");
    EXPECT_EQ(code, ENOSPC);
    EXPECT_EQ(ReadText(small / "old.vlk"), "old");

    const fs::path readOnly = SmallFilesystem(16, true, why);
    ASSERT_FALSE(readOnly.empty()) << why;
    EXPECT_FALSE(WholeFileReservation::Reserve(readOnly / "read.vlk", 1920, error));
    EXPECT_EQ(error, "не удаётся создать временный файл в папке " + readOnly.string() + " (Read-only file system)");
}

} // namespace
} // namespace vlk
