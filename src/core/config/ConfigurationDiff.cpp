#include "config/ConfigurationDiff.h"

#include "config/ConfigurationFields.h"

namespace vlk {

std::vector<std::string> ConfigurationDiff::Lines(const Configuration& a, const Configuration& b)
{
    std::vector<std::string> lines;
    for (const FieldDescription& field : ConfigurationFields())
        if (field.diff)
            field.diff(a, b, lines);
    // Nothing above may miss a difference; if it ever does, say so rather than report "equal".
    if (lines.empty() && !(a == b))
        lines.push_back("Конфигурации различаются");
    return lines;
}

} // namespace vlk
