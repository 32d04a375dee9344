#pragma once

#include "config/Configuration.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vlk {

struct JsonExport {
    std::optional<nlohmann::ordered_json> json;
    std::string error;
};

struct JsonImport {
    std::optional<Configuration> configuration;
    std::string error;           // names the field, e.g. "directions[3].green: ..."
    // What was taken as it is although the station would not set it, in the words the image
    // reader uses for the same (a slave's delay above 128, which only a damaged image holds).
    std::vector<std::string> warnings{};
};

// The configuration as JSON with named fields (docs/file-format.md describes them).
// Every value the image can carry has exactly one JSON form, so export then import is lossless.
class ConfigurationJson {
public:
    [[nodiscard]] static JsonExport ToJson(const Configuration& configuration);
    // Validates everything before anything is taken: ranges, at most ten switch points a day,
    // the priorities a full order with "РП" last, an account record that fits the image.
    [[nodiscard]] static JsonImport FromJson(const nlohmann::json& json);
    // Parses and then validates; a syntax error names its position. A text longer than
    // kMaxTextSize is refused before it is parsed.
    [[nodiscard]] static JsonImport FromText(std::string_view text);

    // A configuration's JSON is a few tens of kB; parsing costs tens of times the text in
    // memory, so a text beyond this is refused unparsed.
    static constexpr std::size_t kMaxTextSize = 1024 * 1024;
    // Why a text of `size` bytes, above kMaxTextSize, is refused.
    [[nodiscard]] static std::string TooLarge(std::uint64_t size);

    // Indented JSON that keeps short arrays and objects on one line, e.g. a day's switch point
    // or a row of times, so that a file stays readable and diffable.
    [[nodiscard]] static std::string Dump(const nlohmann::ordered_json& json);

    // "06:00" for slot 12.
    [[nodiscard]] static std::string SlotTime(int slot);
};

} // namespace vlk
