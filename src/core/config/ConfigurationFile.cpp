#include "config/ConfigurationFile.h"

#include "config/ConfigurationJson.h"
#include "util/WholeFile.h"

#include <algorithm>
#include <istream>
#include <string_view>

namespace vlk {

namespace {

// The most a reader looks at: an image is 1920 bytes, JSON beyond its limit is refused by size.
constexpr std::size_t kReadLimit = ConfigurationJson::kMaxTextSize + 1;

bool LooksLikeJson(std::span<const std::uint8_t> bytes)
{
    std::size_t i = bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF ? 3 : 0;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
        ++i;
    return i < bytes.size() && (bytes[i] == '{' || bytes[i] == '[');
}

ConfigurationFileRead Refused(std::string error, ConfigurationFileKind kind)
{
    ConfigurationFileRead read;
    read.kind = kind;
    read.error = std::move(error);
    return read;
}

} // namespace

std::string ConfigurationFile::WrongSize(std::uint64_t size)
{
    return "не образ конфигурации и не JSON: " + std::to_string(size) + " байт вместо 1920";
}

ConfigurationFileRead ConfigurationFile::Read(const std::string& path)
{
    std::vector<std::uint8_t> bytes;
    int error = 0;
    std::uint64_t size = 0;
    // Read as a prefix: the rule below names the size of a file too large to be either kind.
    const std::string failure = ReadRegularFile(path, kReadLimit, bytes, LongerFile::ReadPrefix, &error, &size);
    if (!failure.empty()) {
        ConfigurationFileRead read = Refused(failure, ConfigurationFileKind::Image);
        read.errorCode = error;
        return read;
    }
    return FromBytes(bytes, std::max<std::uint64_t>(size, bytes.size()));
}

ConfigurationFileRead ConfigurationFile::ReadStream(std::istream& in)
{
    // Far beyond any configuration; keeps an endless stream from holding the program for good.
    constexpr std::uint64_t kMaxStream = 16 * 1024 * 1024;
    std::vector<std::uint8_t> bytes;
    std::uint64_t size = 0;
    char buffer[65536];
    while (in) {
        in.read(buffer, sizeof buffer);
        const auto got = static_cast<std::size_t>(in.gcount());
        const std::size_t kept = std::min<std::size_t>(got, kReadLimit - std::min(kReadLimit, bytes.size()));
        bytes.insert(bytes.end(), buffer, buffer + kept);
        size += got;
        if (size > kMaxStream)
            return Refused("слишком большой файл для конфигурации", ConfigurationFileKind::Image);
    }
    if (in.bad())
        return Refused("ошибка чтения", ConfigurationFileKind::Image);
    return FromBytes(bytes, size);
}

ConfigurationFileRead ConfigurationFile::FromBytes(std::span<const std::uint8_t> bytes)
{
    return FromBytes(bytes, bytes.size());
}

ConfigurationFileRead ConfigurationFile::FromBytes(std::span<const std::uint8_t> bytes, std::uint64_t size)
{
    const bool wholeImage = size == kImageSize;
    if (LooksLikeJson(bytes)) {
        if (size > ConfigurationJson::kMaxTextSize)
            return Refused(ConfigurationJson::TooLarge(size), ConfigurationFileKind::Json);
        const JsonImport parsed =
            ConfigurationJson::FromText(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        if (parsed.configuration) {
            ConfigurationFileRead read;
            read.kind = ConfigurationFileKind::Json;
            read.configuration = parsed.configuration;
            read.image = ConfigurationImage::Encode(*parsed.configuration);
            read.warnings = parsed.warnings;
            return read;
        }
        if (!wholeImage)
            return Refused(parsed.error, ConfigurationFileKind::Json);
    }
    if (!wholeImage)
        return Refused(WrongSize(size), ConfigurationFileKind::Image);

    ConfigurationFileRead read;
    std::copy_n(bytes.begin(), kImageSize, read.image.begin());
    DecodeResult decoded = ConfigurationImage::Decode(read.image);
    if (!decoded.configuration)
        return Refused(decoded.problems.empty() ? "не образ конфигурации" : decoded.problems.front(),
                       ConfigurationFileKind::Image);
    read.configuration = std::move(decoded.configuration);
    read.warnings = std::move(decoded.problems);
    return read;
}

std::string ConfigurationFile::Write(const std::string& path, const ImageBytes& image, int* error)
{
    return WriteWholeFile(path, image, error);
}

} // namespace vlk
