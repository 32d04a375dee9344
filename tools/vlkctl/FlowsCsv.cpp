#include "FlowsCsv.h"

#include <charconv>
#include <cmath>
#include <sstream>
#include <vector>

namespace vlk::ctl {

namespace {

constexpr const char* kColumns[] = {"direction", "flow", "lanes", "saturation"};

std::string Trim(std::string s)
{
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    const auto last = s.find_last_not_of(" \t\r");
    return s.substr(first, last - first + 1);
}

std::optional<double> Number(const std::string& cell)
{
    double value = 0;
    const char* end = cell.data() + cell.size();
    const auto [ptr, ec] = std::from_chars(cell.data(), end, value);
    if (ec != std::errc() || ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

FlowsRead ReadFlowsCsv(const std::string& input)
{
    FlowsRead result;
    std::array<DirectionFlow, kDirectionCount> flows{};
    std::array<int, kDirectionCount> rowOf{};
    std::string text = input.rfind("\xEF\xBB\xBF", 0) == 0 ? input.substr(3) : input;
    std::istringstream lines(text);
    std::string line;
    int row = 0;
    bool seenData = false;
    auto fail = [&](int column, const std::string& message) {
        result.error = "строка " + std::to_string(row) + ", столбец " + std::to_string(column) + " ("
                       + kColumns[column - 1] + "): " + message;
        return result;
    };
    while (std::getline(lines, line)) {
        ++row;
        line = Trim(line);
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> cells;
        std::istringstream split(line);
        std::string cell;
        while (std::getline(split, cell, ','))
            cells.push_back(Trim(cell));
        if (line.back() == ',')
            cells.emplace_back();
        if (!seenData && !cells.empty() && cells[0] == "direction") {
            for (std::size_t i = 0; i < 4; ++i)
                if (i >= cells.size() || cells[i] != kColumns[i])
                    return fail(static_cast<int>(i) + 1, std::string("в заголовке ожидается «") + kColumns[i] + "»");
            if (cells.size() > 4)
                return fail(4, "лишние столбцы после saturation");
            seenData = true;
            continue;
        }
        seenData = true;
        const auto direction = Number(cells[0]);
        if (!direction || *direction != std::floor(*direction) || *direction < 1 || *direction > kDirectionCount)
            return fail(1, "«" + cells[0] + "» не номер направления 1..24");
        const int d = static_cast<int>(*direction);
        if (rowOf[d - 1] != 0)
            return fail(1, "направление " + std::to_string(d) + " уже задано в строке " + std::to_string(rowOf[d - 1]));
        rowOf[d - 1] = row;
        if (cells.size() < 2)
            return fail(2, "нет значения");
        if (cells.size() > 4)
            return fail(4, "лишние столбцы после saturation");

        DirectionFlow f;
        const auto flow = Number(cells[1]);
        if (!flow || *flow < 0 || *flow > 20000)
            return fail(2, "«" + cells[1] + "» не интенсивность 0..20000 авт/ч");
        f.flow = *flow;
        if (cells.size() > 2 && !cells[2].empty()) {
            const auto lanes = Number(cells[2]);
            if (!lanes || *lanes != std::floor(*lanes) || *lanes < 1 || *lanes > 9)
                return fail(3, "«" + cells[2] + "» не число полос 1..9");
            f.lanes = static_cast<int>(*lanes);
        }
        if (cells.size() > 3 && !cells[3].empty()) {
            const auto saturation = Number(cells[3]);
            if (!saturation || *saturation < 100 || *saturation > 3600)
                return fail(4, "«" + cells[3] + "» не поток насыщения 100..3600 авт/ч на полосу");
            f.saturation = *saturation;
        }
        flows[d - 1] = f;
    }
    result.flows = flows;
    return result;
}

} // namespace vlk::ctl
