#pragma once

// What the station keeps of a controller's memory around a write: the memory as it was, read
// before the first sector and kept as a *.vlk file, and a mark that a write into a port has begun
// and not yet been confirmed. Both live under the user's state folder, shared by the station and
// vlkctl.

#include "config/ConfigurationImage.h"

#include <ctime>
#include <optional>
#include <string>

namespace vlk {

// $XDG_STATE_HOME/vlk-station (an absolute XDG_STATE_HOME only), else ~/.local/state/vlk-station.
[[nodiscard]] std::string StationStateFolder();

// Makes every folder of `path` that is missing, private to the user. Empty, or why in Russian.
[[nodiscard]] std::string MakeFolders(const std::string& path);

// A port name as a file name: "COM1:" gives "COM1", "/dev/ttyUSB0" gives "dev-ttyUSB0".
[[nodiscard]] std::string PortFileTag(const std::string& portName);

struct MemoryBackup {
    ImageBytes image{};
    std::string path;        // the file it was kept in
    std::string fingerprint; // CRC-32 of the image, as `vlkctl fingerprint` prints it
};

// Keeps `image` as <state>/backups/<YYYYMMDD-HHMMSS>-<port>-<fingerprint>.vlk (local time `when`),
// written whole. Empty with `error` set in Russian when it cannot be kept.
[[nodiscard]] std::optional<MemoryBackup> KeepMemoryBackup(const ImageBytes& image, const std::string& portName,
                                                           std::time_t when, std::string& error);

// The mark of a write into `portName` that has begun and is not confirmed yet: set before the
// first sector, cleared when the memory is confirmed whole (or programming mode is left all the
// same). It names the backup to put back. Errors are reported, never fatal to the write itself.
[[nodiscard]] std::string MarkIncompleteWrite(const std::string& portName, const std::string& backupPath);
void ClearIncompleteWrite(const std::string& portName);
// The backup path the mark names, when a mark is there.
[[nodiscard]] std::optional<std::string> IncompleteWrite(const std::string& portName);

} // namespace vlk
