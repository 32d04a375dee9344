#pragma once

// The one way every program reads and writes a configuration file. The rule, told alike by the
// station, vlkctl, vlk-sim and vlk-report:
// - a file whose first character (after blanks and a UTF-8 byte order mark) is '{' or '[' is
//   JSON, read through ConfigurationJson; an image of 1920 bytes may start so too (a circular red
//   time of 123 or 91), so such a file is an image when it does not parse as JSON;
// - anything else is an image of exactly 1920 bytes, read through ConfigurationImage; a longer or
//   shorter file is refused as a whole ("не образ конфигурации и не JSON: 1921 байт вместо 1920"),
//   never cut to its first 1920 bytes;
// - only a regular file is read (a FIFO or a device is refused without waiting on it).
// Whatever the kind, the result carries the 1920-byte image the file stands for: what the station
// shows after opening it and what a controller gets when it is written.

#include "config/Configuration.h"
#include "config/ConfigurationImage.h"

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vlk {

enum class ConfigurationFileKind { Image, Json };

struct ConfigurationFileRead {
    // Empty when the file was refused; `error` then says why.
    std::optional<Configuration> configuration;
    // The image the file stands for: its own bytes, or the codec's image of the JSON.
    ImageBytes image{};
    ConfigurationFileKind kind = ConfigurationFileKind::Image;
    // What the reader repaired or took although the station would not write it, in Russian.
    std::vector<std::string> warnings;
    // Why the file was refused, in Russian, without the file's name.
    std::string error;
    // The errno behind a refusal the system made (0 for the reader's own).
    int errorCode = 0;
};

class ConfigurationFile {
public:
    // Reads the file at `path` by the rule above.
    [[nodiscard]] static ConfigurationFileRead Read(const std::string& path);
    // The same rule on a stream (standard input), read to its end; more than 16 MiB is refused
    // without waiting for the end.
    [[nodiscard]] static ConfigurationFileRead ReadStream(std::istream& in);
    // The same rule on bytes already read; `bytes` is the whole file.
    [[nodiscard]] static ConfigurationFileRead FromBytes(std::span<const std::uint8_t> bytes);

    // Writes the image whole or not at all, through util/WholeFile's one writer (a regular file
    // replaced through a synced temporary file, a link followed, a device or FIFO written into,
    // anything else refused). Empty on success, else why in Russian; `error`, when given, gets
    // the errno behind a failure.
    [[nodiscard]] static std::string Write(const std::string& path, const ImageBytes& image, int* error = nullptr);

    // Why a file of `size` bytes that is not JSON is refused.
    [[nodiscard]] static std::string WrongSize(std::uint64_t size);

private:
    [[nodiscard]] static ConfigurationFileRead FromBytes(std::span<const std::uint8_t> bytes, std::uint64_t size);
};

} // namespace vlk
