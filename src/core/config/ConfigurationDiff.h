#pragma once

#include "config/Configuration.h"

#include <string>
#include <vector>

namespace vlk {

// The differences between two configurations in the engineer's terms, one a line, e.g.
// "Программа 3, фаза 5: время 20 → 25", "Выход 17: направление 4 К → Ж", "СР 06:00: 2 → Ж".
// Empty exactly when the two are equal.
class ConfigurationDiff {
public:
    [[nodiscard]] static std::vector<std::string> Lines(const Configuration& a, const Configuration& b);
};

} // namespace vlk
