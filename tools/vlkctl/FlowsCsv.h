#pragma once

#include "plan/TrafficTiming.h"

#include <optional>
#include <string>

namespace vlk::ctl {

struct FlowsRead {
    std::optional<std::array<DirectionFlow, kDirectionCount>> flows;
    std::string error; // "строка 3, столбец 2 (flow): ..." when flows is empty
};

// The counted flows as a table `direction,flow,lanes,saturation`: one row a direction (1..24, each
// at most once), an optional header row of those names, empty lines and lines starting with '#'
// ignored. Lanes default to 1 and the saturation flow to 1800 when their cells are empty; a
// direction without a row has no flow. Rows and columns are counted from 1 as an editor shows them.
[[nodiscard]] FlowsRead ReadFlowsCsv(const std::string& text);

} // namespace vlk::ctl
