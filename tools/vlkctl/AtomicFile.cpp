#include "AtomicFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vlk {

namespace {

std::string Reason(const char* what, int error)
{
    return std::string(what) + " (" + std::strerror(error) + ")";
}

} // namespace

std::string AtomicFile::Write(const std::string& path, std::span<const char> bytes)
{
    if (path.empty())
        return "пустое имя файла";
    struct stat target {};
    const bool exists = ::stat(path.c_str(), &target) == 0;
    if (exists && S_ISDIR(target.st_mode))
        return "это папка, а не файл";

    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temp = folder + "/." + name + ".XXXXXX";

    // An unpredictable name, created exclusively (O_CREAT|O_EXCL): nothing planted in the folder,
    // a symbolic link included, is ever opened or followed.
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        return Reason(("не удаётся создать временный файл в папке " + folder).c_str(), error);
    }

    auto fail = [&](const char* what) {
        const int error = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        return Reason(what, error);
    };

    // mkstemp makes the file private; keep the mode of the file replaced, or give a new one the
    // mode a plain create would.
    mode_t mode = target.st_mode & 07777;
    if (!exists) {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd, mode) != 0)
        return fail("не удаётся задать права файла");

    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail("ошибка записи");
        }
        done += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0)
        return fail("ошибка записи на диск");
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        return Reason("ошибка записи", error);
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temp.c_str());
        return Reason("не удаётся заменить файл", error);
    }
    // Make the rename itself durable.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return {};
}

} // namespace vlk
