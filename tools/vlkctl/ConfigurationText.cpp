#include "ConfigurationText.h"

#include "ConfigurationJson.h"
#include "config/Catalogue.h"
#include "config/ConfigurationImage.h"
#include "util/Cp1251.h"

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <vector>

namespace vlk {

namespace {

constexpr std::array<const char*, 3> kLampLetters{"К", "Ж", "З"};

std::string Trim(std::string_view text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

std::string Title(TableId id, std::size_t column)
{
    const auto titles = Catalogue::Grid(id).Titles();
    return column < titles.size() ? titles[column] : std::string();
}

template <typename Mask>
std::string NumberList(Mask mask, int count)
{
    std::string text;
    for (int i = 0; i < count; ++i) {
        if ((mask >> i) & 1u) {
            if (!text.empty())
                text += ", ";
            text += std::to_string(i + 1);
        }
    }
    return text.empty() ? "—" : text;
}

// One table row: cells padded to their widths, separated by two blanks, no trailing blanks.
std::string Row(const std::vector<std::string>& cells, const std::vector<int>& widths)
{
    std::string line = "  ";
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i + 1 == cells.size())
            line += cells[i];
        else
            line += ConfigurationText::Pad(cells[i], widths[i]) + "  ";
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line + "\n";
}

int Width(std::string_view text)
{
    int n = 0;
    for (unsigned char ch : text)
        n += (ch & 0xC0) != 0x80;
    return n;
}

// A square block of numbers under titles "1".."24", rows labelled by `labels`.
void Matrix(std::ostringstream& out, const std::vector<std::string>& labels,
            const std::vector<const std::array<std::uint8_t, kDirectionCount>*>& rows)
{
    std::vector<std::string> header{""};
    std::vector<int> widths{static_cast<int>(2)};
    for (const auto& l : labels)
        widths[0] = std::max(widths[0], Width(l));
    for (int c = 1; c <= kDirectionCount; ++c) {
        header.push_back(std::to_string(c));
        widths.push_back(3);
    }
    out << Row(header, widths);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        std::vector<std::string> cells{labels[r]};
        for (std::uint8_t v : *rows[r])
            cells.push_back(std::to_string(v));
        out << Row(cells, widths);
    }
}

} // namespace

std::string ConfigurationText::Pad(std::string_view text, int width)
{
    std::string padded(text);
    for (int n = Width(text); n < width; ++n)
        padded += ' ';
    return padded;
}

std::string ConfigurationText::AccountRecordText(const std::string& cp1251)
{
    const TextConversion converted = Cp1251::ToUtf8(cp1251);
    if (converted.text)
        return "«" + *converted.text + "»";
    std::string hex;
    for (unsigned char ch : cp1251) {
        char byte[4];
        std::snprintf(byte, sizeof byte, "%02X", ch);
        if (!hex.empty())
            hex += ' ';
        hex += byte;
    }
    return "байты " + hex;
}

std::string ConfigurationText::Show(const Configuration& c)
{
    std::ostringstream out;
    const auto& fields = Catalogue::Fields();

    out << "Общие параметры\n";
    out << "  " << fields[0].caption << ": " << int{c.circularRedTime} << "\n";
    out << "  " << fields[1].caption << ": " << (c.masterController ? "да" : "нет") << "\n";
    out << "  " << fields[2].caption << ": "
        << (c.masterController ? std::string("— (ведущий контроллер)") : std::to_string(c.syncDelay)) << "\n";
    out << "  " << fields[3].caption << ": " << AccountRecordText(c.accountRecord) << "\n";

    out << "\nМинимальное время фаз\n";
    {
        const std::vector<int> widths{Width(Title(TableId::PhaseMinTime, 0)), 0};
        out << Row({Title(TableId::PhaseMinTime, 0), Title(TableId::PhaseMinTime, 1)}, widths);
        for (int p = 0; p < kPhaseCount; ++p)
            out << Row({std::to_string(p + 1), std::to_string(c.phaseMinTime[p])}, widths);
    }

    out << "\nПриоритеты\n";
    {
        const std::vector<int> widths{Width(Title(TableId::Priority, 0)), 0};
        out << Row({Title(TableId::Priority, 0), Title(TableId::Priority, 1)}, widths);
        for (int p = 1; p <= kRequestCount; ++p)
            for (int code = 0; code < kRequestCount; ++code)
                if (c.priority[code] == p)
                    out << Row({std::to_string(p), std::string(kRequestCodes[code])}, widths);
    }

    out << "\n" << Trim(Catalogue::Grid(TableId::Direction).group) << "\n";
    {
        const auto titles = Catalogue::Grid(TableId::Direction).Titles();
        std::vector<int> widths;
        for (const auto& t : titles)
            widths.push_back(std::max(Width(t), 2));
        widths[0] = 3;
        out << Row(titles, widths);
        for (int d = 0; d < kDirectionCount; ++d) {
            std::vector<std::string> cells{std::to_string(d + 1)};
            for (int p = 0; p < kPhaseCount; ++p)
                cells.push_back((c.directions[d].phaseMask >> p) & 1u ? "X" : "·");
            for (std::uint8_t t : c.directions[d].stepTimes)
                cells.push_back(std::to_string(t));
            out << Row(cells, widths);
        }
    }

    out << "\n" << Trim(Catalogue::Grid(TableId::Program).group) << "\n";
    {
        const auto strip = Catalogue::Grid(TableId::ProgramGroupStrip).Titles();
        std::vector<std::string> header{Title(TableId::Program, 0)};
        std::vector<int> widths{Width(header[0])};
        for (int p = 1; p <= kProgramCount; ++p) {
            header.push_back(strip[p]);
            widths.push_back(Width(strip[p]));
        }
        out << Row(header, widths);
        for (int phase = 0; phase < kPhaseCount; ++phase) {
            std::vector<std::string> cells{std::to_string(phase + 1)};
            for (int p = 0; p < kProgramCount; ++p)
                cells.push_back(std::to_string(c.programDuration[p][phase]));
            out << Row(cells, widths);
        }
        for (int call = 1; call <= 2; ++call) {
            std::vector<std::string> cells{Title(TableId::Program, static_cast<std::size_t>(call + 1))};
            const auto& phases = call == 1 ? c.tvp1 : c.tvp2;
            for (int p = 0; p < kProgramCount; ++p)
                cells.push_back(phases[p] == 0 ? "—" : std::to_string(phases[p]));
            out << Row(cells, widths);
        }
    }

    out << "\n" << Catalogue::Page(PageId::Schedules).caption << "\n";
    for (int day = 0; day < kDayCount; ++day) {
        bool any = false;
        for (int slot = 0; slot < kSlotCount; ++slot) {
            const int v = c.week[day][slot];
            if (v == 0)
                continue;
            any = true;
            out << "  " << kDayNames[day] << " " << ConfigurationJson::SlotTime(slot) << " → "
                << (v == kYellowMode ? std::string("Ж") : std::to_string(v)) << "\n";
        }
        if (!any)
            out << "  " << kDayNames[day] << " —\n";
    }

    out << "\n" << Trim(Catalogue::Grid(TableId::LampOutput).group) << "\n";
    {
        const std::vector<int> widths{Width(Title(TableId::LampOutput, 0)), Width(Title(TableId::LampOutput, 1)), 0};
        out << Row({Title(TableId::LampOutput, 0), Title(TableId::LampOutput, 1), "Выходы"}, widths);
        bool any = false;
        for (int d = 0; d < kDirectionCount; ++d) {
            const auto* lamps = &c.lampOutputs[3 * d];
            if ((lamps[0] | lamps[1] | lamps[2]) == 0)
                continue;
            any = true;
            for (int lamp = 0; lamp < 3; ++lamp) {
                out << Row({lamp == 0 ? std::to_string(d + 1) : "", kLampLetters[lamp],
                            NumberList(lamps[lamp], kOutputCount)},
                           widths);
            }
        }
        if (!any)
            out << "  нет привязок\n";
    }

    out << "\n" << Trim(Catalogue::Grid(TableId::WaitBoard).group) << "\n";
    for (int t = 0; t < 2; ++t)
        out << "  ТВП " << t + 1 << ": " << NumberList(c.waitBoards[t], kOutputCount) << "\n";

    for (const bool red : {true, false}) {
        const GridSetup& grid = Catalogue::Grid(red ? TableId::RedSensor : TableId::GreenSensor);
        out << "\n" << Trim(grid.group) << "\n";
        const auto titles = grid.Titles();
        const std::vector<int> widths{Width(titles[0]), 0};
        out << Row({titles[0], "Датчики"}, widths);
        bool any = false;
        for (int d = 0; d < kDirectionCount; ++d) {
            const std::uint32_t mask = red ? c.redSensors[d] : c.greenSensors[d];
            if (mask == 0)
                continue;
            any = true;
            std::string list;
            for (int k = 0; k < (red ? kRedSensorChannels : kGreenSensors); ++k)
                if ((mask >> k) & 1u)
                    list += (list.empty() ? "" : ", ") + titles[static_cast<std::size_t>(k + 1)];
            out << Row({std::to_string(d + 1), list}, widths);
        }
        if (!any)
            out << "  нет привязок\n";
    }

    out << "\n" << Trim(Catalogue::Grid(TableId::MinSignalTime).group) << "\n";
    Matrix(out, {"К", "З"}, {&c.minSignalTime[0], &c.minSignalTime[1]});

    out << "\n" << Trim(Catalogue::Grid(TableId::InterGreen).group) << "\n";
    {
        std::vector<std::string> labels;
        std::vector<const std::array<std::uint8_t, kDirectionCount>*> rows;
        for (int r = 0; r < kDirectionCount; ++r) {
            labels.push_back(std::to_string(r + 1));
            rows.push_back(&c.interGreen[r]);
        }
        Matrix(out, labels, rows);
    }
    return out.str();
}

} // namespace vlk
