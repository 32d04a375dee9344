#include "AtomicFile.h"

#include "util/WholeFile.h"

#include <cstdint>

namespace vlk {

std::string AtomicFile::Write(const std::string& path, std::span<const char> bytes)
{
    return WriteWholeFile(path, std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

} // namespace vlk
