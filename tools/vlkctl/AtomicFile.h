#pragma once

#include <span>
#include <string>

namespace vlk {

// Writes a whole file or nothing: the bytes go to a temporary file in the same folder, which is
// synced and then renamed over the target, so a reader never sees half a file and an old file
// survives a failed write.
class AtomicFile {
public:
    // Empty on success, else why it failed (the target is then untouched).
    [[nodiscard]] static std::string Write(const std::string& path, std::span<const char> bytes);
};

} // namespace vlk
