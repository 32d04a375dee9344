#pragma once

#include <span>
#include <string>

namespace vlk {

// A command's output file, written whole or not at all through the core's WriteWholeFile: a
// regular file is replaced through a synced temporary file beside it, a symbolic link is
// followed to its target, a device or FIFO is written straight into, anything else is refused.
class AtomicFile {
public:
    // Empty on success, else why it failed (the target is then untouched).
    [[nodiscard]] static std::string Write(const std::string& path, std::span<const char> bytes);
};

} // namespace vlk
