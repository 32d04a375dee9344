#include "util/WholeFile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vlk {

namespace {

struct Failure {
    std::string reason;
    int error = 0;
};

Failure SystemFailure(const std::string& what, int error)
{
    return {what + " (" + std::strerror(error) + ")", error};
}

std::string FolderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

std::string NameOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Why a file of this kind is neither read nor replaced.
std::string Refusal(mode_t mode)
{
    if (S_ISDIR(mode))
        return "это папка, а не файл";
    if (S_ISFIFO(mode))
        return "не обычный файл (канал FIFO)";
    if (S_ISCHR(mode))
        return "не обычный файл (символьное устройство)";
    if (S_ISBLK(mode))
        return "не обычный файл (блочное устройство)";
    if (S_ISSOCK(mode))
        return "не обычный файл (сокет)";
    return "не обычный файл";
}

// Where `path` leads once every symbolic link on its end is replaced by its target (a relative
// target is taken from the link's folder). `exists` false: nothing is there yet, a dangling
// link's target included, and the file is to be created at `target`.
bool FollowLinks(const std::string& path, std::string& target, struct stat& st, bool& exists, Failure& failure)
{
    std::string at = path;
    // As many as the kernel follows before it gives ELOOP.
    for (int hops = 0; hops <= 40; ++hops) {
        if (::lstat(at.c_str(), &st) != 0) {
            if (errno != ENOENT) {
                failure = SystemFailure("не удаётся открыть", errno);
                return false;
            }
            exists = false;
            target = at;
            return true;
        }
        if (!S_ISLNK(st.st_mode)) {
            exists = true;
            target = at;
            return true;
        }
        std::string link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(at.c_str(), link.data(), link.size());
        if (n < 0) {
            failure = SystemFailure("не удаётся прочитать символическую ссылку", errno);
            return false;
        }
        if (static_cast<std::size_t>(n) >= link.size()) {
            failure = SystemFailure("не удаётся прочитать символическую ссылку", ENAMETOOLONG);
            return false;
        }
        link.resize(static_cast<std::size_t>(n));
        const auto slash = at.rfind('/');
        at = link.front() == '/' || slash == std::string::npos ? link : at.substr(0, slash + 1) + link;
    }
    failure = SystemFailure("не удаётся открыть", ELOOP);
    return false;
}

bool WriteAll(int fd, const std::uint8_t* data, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, data + done, size - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// A character device or a FIFO takes the bytes as they come: nothing to create, truncate or
// rename, and no way to take them back.
Failure WriteStraight(const std::string& target, std::span<const std::uint8_t> bytes)
{
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return SystemFailure("не удаётся открыть для записи", errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !(S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode))) {
        // Replaced by something else since it was looked at: writing without truncating could
        // leave a mixture of old and new in a regular file.
        ::close(fd);
        return {"файл заменён во время записи", 0};
    }
    if (!WriteAll(fd, bytes.data(), bytes.size())) {
        const Failure failure = SystemFailure("ошибка записи", errno);
        ::close(fd);
        return failure;
    }
    if (::close(fd) != 0)
        return SystemFailure("ошибка записи", errno);
    return {};
}

} // namespace

std::string WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes, int* error)
{
    std::string reason;
    std::optional<WholeFileReservation> reservation = WholeFileReservation::Reserve(path, 0, reason, error);
    if (!reservation)
        return reason;
    return reservation->Commit(bytes, error);
}

std::string ReadRegularFile(const std::string& path, std::size_t limit, std::vector<std::uint8_t>& bytes,
                            LongerFile longer, int* error, std::uint64_t* size)
{
    bytes.clear();
    if (error)
        *error = 0;
    if (size)
        *size = 0;
    auto systemFailure = [&](const char* what) {
        const Failure failure = SystemFailure(what, errno);
        if (error)
            *error = failure.error;
        return failure.reason;
    };
    if (path.empty())
        return "пустое имя файла";
    // Looked at before it is opened: opening a serial device alone changes its modem lines.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return systemFailure("не удаётся открыть");
    if (!S_ISREG(st.st_mode))
        return Refusal(st.st_mode);
    // O_NONBLOCK: a FIFO put there since the look above opens without waiting for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return systemFailure("не удаётся открыть");
    auto fail = [&](std::string reason) {
        ::close(fd);
        bytes.clear();
        return reason;
    };
    if (::fstat(fd, &st) != 0)
        return fail(systemFailure("ошибка чтения"));
    if (!S_ISREG(st.st_mode))
        return fail(Refusal(st.st_mode));
    if (size)
        *size = static_cast<std::uint64_t>(st.st_size);
    const std::string tooLarge = "слишком большой файл: более " + std::to_string(limit) + " байт";
    const bool refuseLonger = longer == LongerFile::Refuse;
    if (refuseLonger && static_cast<unsigned long long>(st.st_size) > limit)
        return fail(tooLarge);
    // One byte past the limit tells a file that grew since fstat.
    const std::size_t wanted = refuseLonger && limit < SIZE_MAX ? limit + 1 : limit;
    bytes.resize(std::min<std::size_t>(wanted, static_cast<std::size_t>(st.st_size) + 1));
    std::size_t done = 0;
    for (;;) {
        if (done == bytes.size()) {
            if (done == wanted)
                break;
            bytes.resize(std::min(wanted, done + 65536));
        }
        const ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(systemFailure("ошибка чтения"));
        }
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    bytes.resize(done);
    if (size && done > *size)
        *size = done; // grown since fstat
    if (refuseLonger && done > limit)
        return fail(tooLarge);
    ::close(fd);
    return {};
}

std::optional<WholeFileReservation> WholeFileReservation::Reserve(const std::string& path, std::size_t size,
                                                                  std::string& error, int* errorCode)
{
    error.clear();
    if (errorCode)
        *errorCode = 0;
    if (path.empty()) {
        error = "пустое имя файла";
        return std::nullopt;
    }
    WholeFileReservation reservation;
    struct stat st {};
    // What the path leads to, as the kernel follows it: /dev/stdout and /proc/self/fd/N are links
    // whose text ("pipe:[…]") names no file, and opening them is the one way to their pipe.
    if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        if (!S_ISCHR(st.st_mode) && !S_ISFIFO(st.st_mode)) {
            error = Refusal(st.st_mode);
            return std::nullopt;
        }
        reservation.m_target = path;
        reservation.m_straight = true;
        return reservation;
    }
    // A regular file or none yet: its links are followed by their text, so that the temporary
    // file lies beside the file that is replaced.
    std::string target;
    bool exists = false;
    Failure failure;
    if (!FollowLinks(path, target, st, exists, failure)) {
        error = failure.reason;
        if (errorCode)
            *errorCode = failure.error;
        return std::nullopt;
    }
    reservation.m_target = target;
    // Changed since the look above; nothing but a regular file is ever replaced.
    if (exists && !S_ISREG(st.st_mode)) {
        error = Refusal(st.st_mode);
        return std::nullopt;
    }

    const std::string folder = FolderOf(target);
    std::string temp = folder + "/." + NameOf(target) + ".XXXXXX";
    // An unpredictable name, created exclusively (O_CREAT|O_EXCL): nothing planted in the folder,
    // a symbolic link included, is ever opened or followed.
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        const int code = errno;
        error = SystemFailure("не удаётся создать временный файл в папке " + folder, code).reason;
        if (errorCode)
            *errorCode = code;
        return std::nullopt;
    }
    // From here on the reservation owns the temporary file and removes it if anything fails.
    reservation.m_fd = fd;
    reservation.m_temp = temp;
    auto fail = [&](const char* what) {
        const int code = errno;
        error = SystemFailure(what, code).reason;
        if (errorCode)
            *errorCode = code;
        reservation.Drop();
        return std::nullopt;
    };

    // mkstemp makes the file private; keep the mode of the file replaced, or give a new one the
    // mode a plain create would.
    mode_t mode = st.st_mode & 07777;
    if (!exists) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd, mode) != 0)
        return fail("не удаётся задать права файла");

    if (size > 0) {
        // Written, not only sized: a sparse file would take no room and fail only at Commit.
        static const std::array<std::uint8_t, 65536> zeros{};
        for (std::size_t left = size; left > 0;) {
            const std::size_t n = std::min(left, zeros.size());
            if (!WriteAll(fd, zeros.data(), n))
                return fail("ошибка записи");
            left -= n;
        }
        if (::fsync(fd) != 0)
            return fail("ошибка записи на диск");
    }
    return reservation;
}

WholeFileReservation::WholeFileReservation(WholeFileReservation&& other) noexcept
    : m_target(std::move(other.m_target)),
      m_temp(std::move(other.m_temp)),
      m_fd(other.m_fd),
      m_straight(other.m_straight),
      m_spent(other.m_spent)
{
    other.m_temp.clear();
    other.m_fd = -1;
    other.m_spent = true;
}

WholeFileReservation& WholeFileReservation::operator=(WholeFileReservation&& other) noexcept
{
    if (this != &other) {
        Drop();
        m_target = std::move(other.m_target);
        m_temp = std::move(other.m_temp);
        m_fd = other.m_fd;
        m_straight = other.m_straight;
        m_spent = other.m_spent;
        other.m_temp.clear();
        other.m_fd = -1;
        other.m_spent = true;
    }
    return *this;
}

WholeFileReservation::~WholeFileReservation()
{
    Drop();
}

void WholeFileReservation::Drop()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (!m_temp.empty())
        ::unlink(m_temp.c_str());
    m_temp.clear();
}

std::string WholeFileReservation::Commit(std::span<const std::uint8_t> bytes, int* error)
{
    auto result = [&](Failure failure) {
        if (error)
            *error = failure.error;
        return failure.reason;
    };
    if (m_spent)
        return result({"файл уже записан", 0});
    m_spent = true;
    if (m_straight)
        return result(WriteStraight(m_target, bytes));

    auto fail = [&](const char* what) {
        const Failure failure = SystemFailure(what, errno);
        Drop();
        return result(failure);
    };
    // Over the reserved bytes, then cut to the real length: the room is taken already.
    if (::lseek(m_fd, 0, SEEK_SET) != 0 || !WriteAll(m_fd, bytes.data(), bytes.size()) ||
        ::ftruncate(m_fd, static_cast<off_t>(bytes.size())) != 0)
        return fail("ошибка записи");
    if (::fsync(m_fd) != 0)
        return fail("ошибка записи на диск");
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0)
        return fail("ошибка записи");
    if (::rename(m_temp.c_str(), m_target.c_str()) != 0)
        return fail("не удаётся заменить файл");
    m_temp.clear();
    // Make the rename itself durable.
    const int dir = ::open(FolderOf(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return result({});
}

} // namespace vlk
