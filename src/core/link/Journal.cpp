#include "link/Journal.h"

#include "link/MemoryBackup.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vlk {

namespace {

// A JSON string, quoted. The texts are UTF-8 already; control characters are escaped.
std::string Quoted(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

// "2026-12-08T17:05:09.123+03:00"
std::string LocalTime(std::int64_t unixMilliseconds)
{
    const std::time_t seconds = static_cast<std::time_t>(unixMilliseconds / 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    char stamp[40];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &local);
    const int offset = static_cast<int>(local.tm_gmtoff / 60);
    const int minutes = (offset < 0 ? -offset : offset) % (24 * 60);
    char tail[24];
    std::snprintf(tail, sizeof tail, ".%03d%c%02d:%02d", static_cast<int>(unixMilliseconds % 1000),
                  offset < 0 ? '-' : '+', minutes / 60, minutes % 60);
    return std::string(stamp) + tail;
}

std::string UserName()
{
    if (const char* user = std::getenv("USER"); user && *user)
        return user;
    passwd entry{};
    passwd* found = nullptr;
    char buffer[1024];
    if (::getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found)
        return found->pw_name;
    return std::to_string(::getuid());
}

std::string HostName()
{
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return {};
    return name;
}

std::atomic<bool> g_told{false};

} // namespace

std::string JournalPath() { return StationStateFolder() + "/journal.jsonl"; }

std::string JournalLine(const JournalEntry& entry, std::int64_t unixMilliseconds)
{
    std::string line = "{";
    auto field = [&line](const char* key, const std::string& value) {
        if (line.size() > 1)
            line += ',';
        line += Quoted(key) + ':' + Quoted(value);
    };
    field("time", LocalTime(unixMilliseconds));
    field("user", UserName());
    field("host", HostName());
    field("program", entry.program);
    field("port", entry.port);
    field("action", entry.action);
    field("file", entry.file);
    field("fileFingerprint", entry.fileFingerprint);
    field("controllerFingerprint", entry.controllerFingerprint);
    field("result", entry.result);
    field("message", entry.message);
    return line + "}";
}

std::string AppendJournalLine(const std::string& path, const std::string& line)
{
    const std::string folder = path.substr(0, path.rfind('/'));
    if (std::string error = MakeFolders(folder); !error.empty())
        return "Журнал не записан: " + error;
    // Never follows a link and never waits on a FIFO: only a regular file takes the line.
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0)
        return "Журнал не записан: " + path + ": " + std::strerror(errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return "Журнал не записан: " + path + " не обычный файл";
    }
    const std::string whole = line + "\n";
    const ssize_t written = ::write(fd, whole.data(), whole.size());
    const int writeError = errno;
    std::string error;
    if (written < 0) {
        error = "Журнал не записан: " + path + ": " + std::strerror(writeError);
    } else if (static_cast<std::size_t>(written) != whole.size()) {
        // A torn line is ended, so that the next one starts on a line of its own; readers skip it.
        (void)!::write(fd, "\n", 1);
        error = "Журнал не записан: " + path + ": " + std::strerror(ENOSPC);
    } else if (::fdatasync(fd) != 0) {
        error = "Журнал не записан: " + path + ": " + std::strerror(errno);
    }
    ::close(fd);
    return error;
}

std::string AppendToJournal(const JournalEntry& entry)
{
    const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    std::string error = AppendJournalLine(JournalPath(), JournalLine(entry, now));
    if (error.empty() || g_told.exchange(true))
        return {};
    return error;
}

} // namespace vlk
