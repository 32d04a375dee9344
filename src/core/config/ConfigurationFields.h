#pragma once

#include "config/JsonReader.h"
#include "config/Configuration.h"

#include <nlohmann/json.hpp>

#include <span>
#include <sstream>
#include <string>
#include <vector>

namespace vlk {

// One field of the configuration as the tools present it: its JSON form both ways, its part of
// the readable text and its lines of a difference. The JSON file, the text and the diff all walk
// the one list below, in its order; a new member of Configuration gets one entry here (and its
// section in the image codec and its place on the pages), nothing else.
struct FieldDescription {
    const char* key; // the JSON field
    // The JSON value; sets `error` instead when the value has no JSON form.
    nlohmann::ordered_json (*write)(const Configuration& configuration, std::string& error);
    // Takes the JSON value (present in the document) into the configuration; false with the
    // reader's error naming the path when it is refused. Reads in list order, so a field may
    // look at one read before it.
    bool (*read)(JsonReader& reader, const nlohmann::json& value, Configuration& configuration);
    // The heading the text shows the field under; fields in a row with one heading share it.
    std::string (*heading)();
    void (*show)(const Configuration& configuration, std::ostringstream& out);
    // Appends a line per difference; nullptr where another field's lines cover this one.
    void (*diff)(const Configuration& a, const Configuration& b, std::vector<std::string>& lines);
};

[[nodiscard]] std::span<const FieldDescription> ConfigurationFields();

} // namespace vlk
