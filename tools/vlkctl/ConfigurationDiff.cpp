#include "ConfigurationDiff.h"

#include "ConfigurationJson.h"
#include "ConfigurationText.h"
#include "config/Catalogue.h"
#include "config/ConfigurationImage.h"

namespace vlk {

namespace {

constexpr std::array<const char*, 3> kLampLetters{"К", "Ж", "З"};

std::string Arrow(const std::string& from, const std::string& to)
{
    return from + " → " + to;
}

std::string Number(int v)
{
    return std::to_string(v);
}

template <typename Mask>
std::string List(Mask mask, int count)
{
    std::string text;
    for (int i = 0; i < count; ++i)
        if ((mask >> i) & 1u)
            text += (text.empty() ? "" : ", ") + std::to_string(i + 1);
    return text.empty() ? "нет" : text;
}

// What an output drives: lamps as (direction, lamp) and the wait boards.
struct OutputUse {
    std::vector<std::pair<int, int>> lamps;
    std::vector<int> boards;
    bool operator==(const OutputUse&) const = default;
};

OutputUse UseOf(const Configuration& c, int output)
{
    OutputUse use;
    const std::uint64_t bit = std::uint64_t{1} << output;
    for (int row = 0; row < kLampRowCount; ++row)
        if (c.lampOutputs[row] & bit)
            use.lamps.emplace_back(row / 3 + 1, row % 3);
    for (int t = 0; t < 2; ++t)
        if (c.waitBoards[t] & bit)
            use.boards.push_back(t + 1);
    return use;
}

std::string Describe(const OutputUse& use)
{
    std::string text;
    for (const auto& [direction, lamp] : use.lamps)
        text += (text.empty() ? "" : ", ") + ("направление " + std::to_string(direction) + " " + kLampLetters[lamp]);
    for (int t : use.boards)
        text += (text.empty() ? "" : ", ") + ("табло ТВП " + std::to_string(t));
    return text.empty() ? "нет" : text;
}

std::string DescribeChange(const OutputUse& a, const OutputUse& b)
{
    // One lamp of the same direction on both sides: "направление 4 К → Ж".
    if (a.lamps.size() == 1 && b.lamps.size() == 1 && a.boards.empty() && b.boards.empty() &&
        a.lamps[0].first == b.lamps[0].first) {
        return "направление " + std::to_string(a.lamps[0].first) + " " + kLampLetters[a.lamps[0].second] + " → " +
               kLampLetters[b.lamps[0].second];
    }
    return Arrow(Describe(a), Describe(b));
}

std::string Slot(int v)
{
    if (v == 0)
        return "нет";
    return v == kYellowMode ? "Ж" : std::to_string(v);
}

// Which direction a sensor watches, as text ("нет" or "2", several if a file says so).
template <typename Masks>
std::string Watched(const Masks& masks, int sensor)
{
    std::string text;
    for (int d = 0; d < kDirectionCount; ++d)
        if ((masks[d] >> sensor) & 1u)
            text += (text.empty() ? "направление " : ", ") + std::to_string(d + 1);
    return text.empty() ? "нет" : text;
}

} // namespace

std::vector<std::string> ConfigurationDiff::Lines(const Configuration& a, const Configuration& b)
{
    std::vector<std::string> lines;
    const auto& fields = Catalogue::Fields();

    if (a.circularRedTime != b.circularRedTime)
        lines.push_back(fields[0].caption + ": " + Arrow(Number(a.circularRedTime), Number(b.circularRedTime)));
    if (a.masterController != b.masterController) {
        lines.push_back(fields[1].caption + ": " +
                        Arrow(a.masterController ? "да" : "нет", b.masterController ? "да" : "нет"));
    }
    if (a.syncDelay != b.syncDelay)
        lines.push_back(fields[2].caption + ": " + Arrow(Number(a.syncDelay), Number(b.syncDelay)));
    if (a.accountRecord != b.accountRecord) {
        lines.push_back(fields[3].caption + ": " +
                        Arrow(ConfigurationText::AccountRecordText(a.accountRecord),
                              ConfigurationText::AccountRecordText(b.accountRecord)));
    }

    for (int p = 0; p < kPhaseCount; ++p) {
        if (a.phaseMinTime[p] != b.phaseMinTime[p]) {
            lines.push_back("Фаза " + Number(p + 1) + ": мин. время " +
                            Arrow(Number(a.phaseMinTime[p]), Number(b.phaseMinTime[p])));
        }
    }
    for (int code = 0; code < kRequestCount; ++code) {
        if (a.priority[code] != b.priority[code]) {
            lines.push_back("Запрос " + std::string(kRequestCodes[code]) + ": приоритет " +
                            Arrow(Number(a.priority[code]), Number(b.priority[code])));
        }
    }

    const auto directionTitles = Catalogue::Grid(TableId::Direction).Titles();
    for (int d = 0; d < kDirectionCount; ++d) {
        const Direction& x = a.directions[d];
        const Direction& y = b.directions[d];
        const std::string prefix = "Направление " + Number(d + 1) + ": ";
        if (x.phaseMask != y.phaseMask)
            lines.push_back(prefix + "фазы " + Arrow(List(x.phaseMask, kPhaseCount), List(y.phaseMask, kPhaseCount)));
        for (int s = 0; s < kStepCount; ++s) {
            if (x.stepTimes[s] != y.stepTimes[s]) {
                lines.push_back(prefix + directionTitles[static_cast<std::size_t>(9 + s)] + " " +
                                Arrow(Number(x.stepTimes[s]), Number(y.stepTimes[s])));
            }
        }
    }

    for (int p = 0; p < kProgramCount; ++p) {
        const std::string prefix = "Программа " + Number(p + 1);
        for (int phase = 0; phase < kPhaseCount; ++phase) {
            const int x = a.programDuration[p][phase];
            const int y = b.programDuration[p][phase];
            if (x != y)
                lines.push_back(prefix + ", фаза " + Number(phase + 1) + ": время " + Arrow(Number(x), Number(y)));
        }
        for (int call = 1; call <= 2; ++call) {
            const int x = (call == 1 ? a.tvp1 : a.tvp2)[p];
            const int y = (call == 1 ? b.tvp1 : b.tvp2)[p];
            if (x != y) {
                lines.push_back(prefix + ": фаза ТВП" + Number(call) + " " +
                                Arrow(x ? Number(x) : "нет", y ? Number(y) : "нет"));
            }
        }
    }

    for (int day = 0; day < kDayCount; ++day) {
        for (int slot = 0; slot < kSlotCount; ++slot) {
            const int x = a.week[day][slot];
            const int y = b.week[day][slot];
            if (x != y) {
                lines.push_back(std::string(kDayNames[day]) + " " + ConfigurationJson::SlotTime(slot) +
                                ": " + Arrow(Slot(x), Slot(y)));
            }
        }
    }

    for (int o = 0; o < kOutputCount; ++o) {
        const OutputUse x = UseOf(a, o);
        const OutputUse y = UseOf(b, o);
        if (!(x == y))
            lines.push_back("Выход " + Number(o + 1) + ": " + DescribeChange(x, y));
    }

    const auto redTitles = Catalogue::Grid(TableId::RedSensor).Titles();
    for (int k = 0; k < kRedSensorChannels; ++k) {
        const std::string x = Watched(a.redSensors, k);
        const std::string y = Watched(b.redSensors, k);
        if (x != y)
            lines.push_back("Датчик красных ламп " + redTitles[static_cast<std::size_t>(k + 1)] + ": " + Arrow(x, y));
    }
    for (int k = 0; k < kGreenSensors; ++k) {
        const std::string x = Watched(a.greenSensors, k);
        const std::string y = Watched(b.greenSensors, k);
        if (x != y)
            lines.push_back("Датчик зеленых ламп " + Number(k + 1) + ": " + Arrow(x, y));
    }

    for (int row = 0; row < 2; ++row) {
        for (int d = 0; d < kDirectionCount; ++d) {
            const int x = a.minSignalTime[row][d];
            const int y = b.minSignalTime[row][d];
            if (x != y) {
                lines.push_back(std::string(row == 0 ? "Мин. время красного" : "Мин. время зеленого") +
                                ", направление " + Number(d + 1) + ": " + Arrow(Number(x), Number(y)));
            }
        }
    }
    for (int r = 0; r < kDirectionCount; ++r) {
        for (int col = 0; col < kDirectionCount; ++col) {
            const int x = a.interGreen[r][col];
            const int y = b.interGreen[r][col];
            if (x != y) {
                lines.push_back("Время между зелеными, направление " + Number(r + 1) + " и направление " +
                                Number(col + 1) + ": " + Arrow(Number(x), Number(y)));
            }
        }
    }

    // Nothing above may miss a difference; if it ever does, say so rather than report "equal".
    if (lines.empty() && !(a == b))
        lines.push_back("Конфигурации различаются");
    return lines;
}

} // namespace vlk
