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

    // Reads a *.vlk image or a JSON file by ConfigurationFile's one rule (JSON by its content, an
    // image of exactly 1920 bytes, a regular file only). Repairs the reader made are reported on
    // `err` as warnings; a refused input gives nothing. `only`, when given, refuses the other kind.
    [[nodiscard]] static std::optional<Configuration> Load(const std::string& input, Streams io,
                                                           std::optional<Kind> only = std::nullopt);
    static void Error(std::ostream& err, const std::string& file, const std::string& message);
};

} // namespace vlk
