#include "link/MemoryBackup.h"

#include "link/CPort.h"
#include "util/Crc32.h"
#include "util/WholeFile.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vlk {

std::string MakeFolders(const std::string& path)
{
    std::string sofar;
    std::size_t at = 0;
    while (at != std::string::npos) {
        at = path.find('/', at + 1);
        sofar = path.substr(0, at);
        if (sofar.empty())
            continue;
        if (::mkdir(sofar.c_str(), 0700) != 0 && errno != EEXIST)
            return "не удается создать папку " + sofar + ": " + std::strerror(errno);
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return "не удается создать папку " + path;
    return {};
}

namespace {

std::string MarkPath(const std::string& portName)
{
    // By the device, so that "COM1:" and the path it maps to are one port.
    return StationStateFolder() + "/incomplete/" + PortFileTag(CPort::DevicePath(portName));
}

} // namespace

std::string StationStateFolder()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/')
        return std::string(state) + "/vlk-station";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.local/state/vlk-station";
}

std::string PortFileTag(const std::string& portName)
{
    std::string name = portName;
    while (!name.empty() && (name.back() == ':' || name.back() == '/'))
        name.pop_back();
    while (!name.empty() && name.front() == '/')
        name.erase(name.begin());
    std::string tag;
    for (const char c : name) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
                           c == '_';
        tag += plain ? c : '-';
    }
    return tag.empty() ? "port" : tag;
}

std::optional<MemoryBackup> KeepMemoryBackup(const ImageBytes& image, const std::string& portName, std::time_t when,
                                             std::string& error)
{
    const std::string folder = StationStateFolder() + "/backups";
    error = MakeFolders(folder);
    if (!error.empty())
        return std::nullopt;
    std::tm local{};
    localtime_r(&when, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    MemoryBackup backup;
    backup.image = image;
    backup.fingerprint = Crc32::Hex(Crc32::Of(image));
    backup.path = folder + "/" + stamp + "-" + PortFileTag(portName) + "-" + backup.fingerprint + ".vlk";
    error = WriteWholeFile(backup.path, image);
    if (!error.empty()) {
        error = backup.path + ": " + error;
        return std::nullopt;
    }
    return backup;
}

std::string MarkIncompleteWrite(const std::string& portName, const std::string& backupPath)
{
    const std::string folder = StationStateFolder() + "/incomplete";
    if (std::string error = MakeFolders(folder); !error.empty())
        return error;
    const std::string text = backupPath + "\n";
    return WriteWholeFile(MarkPath(portName),
                          std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

void ClearIncompleteWrite(const std::string& portName) { (void)::unlink(MarkPath(portName).c_str()); }

std::optional<std::string> IncompleteWrite(const std::string& portName)
{
    std::vector<std::uint8_t> bytes;
    if (!ReadRegularFile(MarkPath(portName), 4096, bytes).empty())
        return std::nullopt;
    std::string text(bytes.begin(), bytes.end());
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

} // namespace vlk
