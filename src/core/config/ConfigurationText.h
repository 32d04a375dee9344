#pragma once

#include "config/Configuration.h"

#include <string>
#include <string_view>

namespace vlk {

// The configuration as the engineer reads it, in Russian, under the station's own headers.
// The account record is given as UTF-8 (or as its bytes in hex if it cannot be converted).
class ConfigurationText {
public:
    [[nodiscard]] static std::string Show(const Configuration& configuration);

    // Left-justifies UTF-8 text to `width` characters (not bytes).
    [[nodiscard]] static std::string Pad(std::string_view text, int width);
    // The account record as UTF-8 for display, control characters escaped (see Printable): what
    // a file holds never moves the terminal's cursor or splits a line of a diff.
    [[nodiscard]] static std::string AccountRecordText(const std::string& cp1251);
};

} // namespace vlk
