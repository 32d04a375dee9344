#pragma once

#include "config/Configuration.h"

#include <iosfwd>
#include <optional>
#include <string>

namespace vlk {

// The streams a command uses; "-" as a file name stands for `in` or `out`.
struct Streams {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
};

// The commands of vlkctl. Each returns the process exit code: 0 done (diff: equal), 1 diff found
// differences, 2 error; an error is one line on `err` and leaves no output file behind.
class Vlkctl {
public:
    static constexpr int kOk = 0;
    static constexpr int kDifferent = 1;
    static constexpr int kError = 2;

    // What an input file holds.
    enum class Kind { Image, Json };

    [[nodiscard]] static int New(const std::string& output, Streams io);
    [[nodiscard]] static int Show(const std::string& input, Streams io);
    // output empty or "-": standard output.
    [[nodiscard]] static int Export(const std::string& input, const std::string& output, Streams io);
    [[nodiscard]] static int Import(const std::string& input, const std::string& output, Streams io);
    [[nodiscard]] static int Diff(const std::string& a, const std::string& b, Streams io);

    // Reads a *.vlk image or a JSON file: by the extension .vlk / .json, otherwise by content.
    // A named file must be a regular one; a FIFO or a device is refused without waiting on it.
    // Repairs the decoder made are reported on `err` as warnings; a refused input gives nothing.
    // `only`, when given, refuses the other kind. `wholeImage` refuses an image of any length but
    // 1920 bytes instead of reading the first 1920 with a warning (a file to send to a
    // controller is a configuration or nothing).
    [[nodiscard]] static std::optional<Configuration> Load(const std::string& input, Streams io,
                                                           std::optional<Kind> only = std::nullopt,
                                                           bool wholeImage = false);
    static void Error(std::ostream& err, const std::string& file, const std::string& message);
};

} // namespace vlk
