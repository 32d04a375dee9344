#pragma once

#include "plan/TrafficTiming.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace vlk {

// The counted flows of a junction, kept beside its *.vlk file as NAME.traffic.json (the image
// has no room for them and stays the 1920 bytes the controller takes):
//   { "program": 1, "maxCycle": 120,
//     "directions": [ { "direction": 1, "flow": 360, "lanes": 1, "saturation": 1800 }, ... ] }
// Directions without flow and with the default lanes and saturation are left out.
class TrafficFile {
public:
    // "/dir/junction.vlk" -> "/dir/junction.traffic.json"; a name without the extension .vlk
    // keeps its whole name before ".traffic.json".
    [[nodiscard]] static QString PathBeside(const QString& vlkPath);

    [[nodiscard]] static QByteArray ToJson(const TrafficInputs& inputs);
    struct Read {
        std::optional<TrafficInputs> inputs;
        QString error; // in Russian, when inputs is empty
    };
    [[nodiscard]] static Read FromJson(const QByteArray& json);
};

} // namespace vlk
