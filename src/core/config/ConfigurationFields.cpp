#include "config/ConfigurationFields.h"

#include "config/ConfigurationJson.h"
#include "config/ConfigurationText.h"
#include "util/PrintableText.h"
#include "config/Catalogue.h"
#include "util/Cp1251.h"

#include <algorithm>
#include <array>

namespace vlk {

namespace {

using ojson = nlohmann::ordered_json;
using json = nlohmann::json;
using Lines = std::vector<std::string>;
using Row24 = std::array<std::uint8_t, kDirectionCount>;

constexpr std::array<const char*, kStepCount> kStepFields{"green", "greenFlashing", "yellow", "red", "redYellow"};
constexpr std::array<const char*, 3> kLampFields{"red", "yellow", "green"};
constexpr std::array<const char*, 3> kLampLetters{"К", "Ж", "З"};
constexpr const char* kGeneral = "Общие параметры";

// --- JSON

template <typename Mask>
ojson Members(Mask mask, int count)
{
    ojson list = ojson::array();
    for (int i = 0; i < count; ++i)
        if ((mask >> i) & 1u)
            list.push_back(i + 1);
    return list;
}

template <std::size_t N>
ojson Numbers(const std::array<std::uint8_t, N>& values)
{
    ojson list = ojson::array();
    for (std::uint8_t v : values)
        list.push_back(v);
    return list;
}

// "06:00" or "22:30" -> slot; -1 if the text is no half-hour of a day.
int ParseSlot(const std::string& text)
{
    if (text.size() != 5 || text[2] != ':')
        return -1;
    for (int i : {0, 1, 3, 4})
        if (text[i] < '0' || text[i] > '9')
            return -1;
    const int hours = (text[0] - '0') * 10 + (text[1] - '0');
    const int minutes = (text[3] - '0') * 10 + (text[4] - '0');
    if (hours > 23 || (minutes != 0 && minutes != 30))
        return -1;
    return hours * 2 + minutes / 30;
}

bool ReadWeekDay(JsonReader& r, const json& entry, const std::string& at, DaySchedule& day)
{
    if (!r.Object(entry, at, {"day", "switches"}))
        return false;
    day.fill(0);
    if (!entry.contains("switches"))
        return true;
    const json& list = entry["switches"];
    const std::string path = JsonReader::Join(at, "switches");
    if (!list.is_array())
        return r.Fail(path, "ожидается массив переключений");
    if (list.size() > static_cast<std::size_t>(kMaxSwitchPoints))
        return r.Fail(path, std::to_string(list.size()) + " переключений, в сутках не более 10");
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string item = JsonReader::Index(path, i);
        if (!r.Object(list[i], item, {"time", "program"}))
            return false;
        if (!list[i].contains("time") || !list[i]["time"].is_string())
            return r.Fail(JsonReader::Join(item, "time"), "ожидается время вида \"06:00\" или \"22:30\"");
        const int slot = ParseSlot(list[i]["time"].get<std::string>());
        if (slot < 0) {
            return r.Fail(JsonReader::Join(item, "time"),
                          "\"" + Excerpt(list[i]["time"].get<std::string>()) +
                              "\" не начало получаса (ожидается ЧЧ:00 или ЧЧ:30, 00:00..23:30)");
        }
        if (day[slot] != 0)
            return r.Fail(JsonReader::Join(item, "time"), "второе переключение в " + ConfigurationJson::SlotTime(slot));
        if (!list[i].contains("program"))
            return r.Fail(item, "нет поля program");
        const json& program = list[i]["program"];
        const std::string programPath = JsonReader::Join(item, "program");
        if (program.is_string()) {
            if (program.get<std::string>() != "Ж")
                return r.Fail(programPath, "ожидается номер программы 1..9 или \"Ж\"");
            day[slot] = kYellowMode;
        } else {
            int n = 0;
            if (!r.Int(program, programPath, 1, kProgramCount, n))
                return false;
            day[slot] = n;
        }
    }
    return true;
}

// A numbered entry holding one set of numbers 1..count under `field`.
template <typename Mask, std::size_t N>
bool ReadNumberedSets(JsonReader& r, const json& j, const char* path, const char* key, const char* field,
                      int count, std::array<Mask, N>& masks)
{
    return r.Numbered(j, path, key, static_cast<int>(N), [&](const json& e, const std::string& at, int n) {
        if (!r.Object(e, at, {key, field}))
            return false;
        return !e.contains(field) || r.Set(e[field], JsonReader::Join(at, field), count, masks[n - 1]);
    });
}

// --- text

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

std::string GroupOf(TableId id) { return Trim(Catalogue::Grid(id).group); }

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

int Width(std::string_view text)
{
    int n = 0;
    for (unsigned char ch : text)
        n += (ch & 0xC0) != 0x80;
    return n;
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

// A square block of numbers under titles "1".."24", rows labelled by `labels`.
void Matrix(std::ostringstream& out, const std::vector<std::string>& labels, const std::vector<const Row24*>& rows)
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

// Directions with a sensor, each with the titles of its sensors' columns.
template <typename Mask>
void ShowSensors(std::ostringstream& out, TableId id, const std::array<Mask, kDirectionCount>& masks, int count)
{
    const auto titles = Catalogue::Grid(id).Titles();
    const std::vector<int> widths{Width(titles[0]), 0};
    out << Row({titles[0], "Датчики"}, widths);
    bool any = false;
    for (int d = 0; d < kDirectionCount; ++d) {
        if (masks[d] == 0)
            continue;
        any = true;
        std::string list;
        for (int k = 0; k < count; ++k)
            if ((masks[d] >> k) & 1u)
                list += (list.empty() ? "" : ", ") + titles[static_cast<std::size_t>(k + 1)];
        out << Row({std::to_string(d + 1), list}, widths);
    }
    if (!any)
        out << "  нет привязок\n";
}

// --- diff

std::string Arrow(const std::string& from, const std::string& to) { return from + " → " + to; }

std::string Number(int v) { return std::to_string(v); }

const std::string& Caption(std::size_t field) { return Catalogue::Fields()[field].caption; }

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

template <typename Masks>
void DiffSensors(const Masks& a, const Masks& b, int count, const std::string& name,
                 const std::vector<std::string>* titles, Lines& lines)
{
    for (int k = 0; k < count; ++k) {
        const std::string x = Watched(a, k);
        const std::string y = Watched(b, k);
        if (x != y) {
            const std::string sensor = titles ? (*titles)[static_cast<std::size_t>(k + 1)] : Number(k + 1);
            lines.push_back(name + " " + sensor + ": " + Arrow(x, y));
        }
    }
}

// --- the fields, in the order of the JSON file, the text and the diff

const FieldDescription kFields[] = {
    {
        "circularRedTime",
        [](const Configuration& c, std::string&) { return ojson(c.circularRedTime); },
        [](JsonReader& r, const json& v, Configuration& c) { return r.Byte(v, "circularRedTime", c.circularRedTime); },
        [] { return std::string(kGeneral); },
        [](const Configuration& c, std::ostringstream& out) {
            out << "  " << Caption(0) << ": " << int{c.circularRedTime} << "\n";
        },
        [](const Configuration& a, const Configuration& b, Lines& lines) {
            if (a.circularRedTime != b.circularRedTime)
                lines.push_back(Caption(0) + ": " + Arrow(Number(a.circularRedTime), Number(b.circularRedTime)));
        },
    },
    {
        "masterController",
        [](const Configuration& c, std::string&) { return ojson(c.masterController); },
        [](JsonReader& r, const json& v, Configuration& c) {
            if (!v.is_boolean())
                return r.Fail("masterController", "ожидается true или false");
            c.masterController = v.get<bool>();
            return true;
        },
        [] { return std::string(kGeneral); },
        [](const Configuration& c, std::ostringstream& out) {
            out << "  " << Caption(1) << ": " << (c.masterController ? "да" : "нет") << "\n";
        },
        [](const Configuration& a, const Configuration& b, Lines& lines) {
            if (a.masterController != b.masterController) {
                lines.push_back(Caption(1) + ": " +
                                Arrow(a.masterController ? "да" : "нет", b.masterController ? "да" : "нет"));
            }
        },
    },
    {
        "syncDelay",
        [](const Configuration& c, std::string&) { return ojson(c.syncDelay); },
        [](JsonReader& r, const json& v, Configuration& c) {
            // 129..255 only come from a damaged image: kept as the image holds them (the reader
            // warns), so that an export of any image imports back; 128 would read back as a master.
            int delay = 0;
            if (!r.Int(v, "syncDelay", 0, 255, delay))
                return false;
            if (!c.masterController && delay == kMasterMark) {
                return r.Fail("syncDelay",
                              "значение 128 вне 0..127: в образе 128 означает ведущий контроллер");
            }
            // The image keeps no delay for a master: a non-zero one would be lost without a word.
            if (c.masterController && delay != 0)
                return r.Fail("syncDelay", "у ведущего контроллера (masterController true) должно быть 0");
            c.syncDelay = static_cast<std::uint8_t>(delay);
            return true;
        },
        [] { return std::string(kGeneral); },
        [](const Configuration& c, std::ostringstream& out) {
            out << "  " << Caption(2) << ": "
                << (c.masterController ? std::string("— (ведущий контроллер)") : std::to_string(c.syncDelay)) << "\n";
        },
        [](const Configuration& a, const Configuration& b, Lines& lines) {
            if (a.syncDelay != b.syncDelay)
                lines.push_back(Caption(2) + ": " + Arrow(Number(a.syncDelay), Number(b.syncDelay)));
        },
    },
    {
        "accountRecord",
        [](const Configuration& c, std::string& error) {
            const TextConversion record = Cp1251::ToUtf8(c.accountRecord);
            if (!record.text) {
                error = record.error;
                return ojson();
            }
            return ojson(*record.text);
        },
        [](JsonReader& r, const json& v, Configuration& c) {
            if (!v.is_string())
                return r.Fail("accountRecord", "ожидается строка");
            const auto text = v.get<std::string>();
            if (text.find('\0') != std::string::npos)
                return r.Fail("accountRecord", "нулевой символ недопустим");
            const TextConversion converted = Cp1251::FromUtf8(text);
            if (!converted.text)
                return r.Fail("accountRecord", converted.error);
            if (converted.text->size() > static_cast<std::size_t>(kAccountRecordRoom)) {
                return r.Fail("accountRecord",
                              std::to_string(converted.text->size()) + " символов, помещается не более 159");
            }
            c.accountRecord = *converted.text;
            return true;
        },
        [] { return std::string(kGeneral); },
        [](const Configuration& c, std::ostringstream& out) {
            out << "  " << Caption(3) << ": " << ConfigurationText::AccountRecordText(c.accountRecord) << "\n";
        },
        [](const Configuration& a, const Configuration& b, Lines& lines) {
            if (a.accountRecord != b.accountRecord) {
                lines.push_back(Caption(3) + ": " +
                                Arrow(ConfigurationText::AccountRecordText(a.accountRecord),
                                      ConfigurationText::AccountRecordText(b.accountRecord)));
            }
        },
    },
    {
        "phaseMinTimes",
        [](const Configuration& c, std::string&) { return Numbers(c.phaseMinTime); },
        [](JsonReader& r, const json& v, Configuration& c) { return r.ByteArray(v, "phaseMinTimes", c.phaseMinTime); },
        [] { return std::string("Минимальное время фаз"); },
        [](const Configuration& c, std::ostringstream& out) {
            const std::vector<int> widths{Width(Title(TableId::PhaseMinTime, 0)), 0};
            out << Row({Title(TableId::PhaseMinTime, 0), Title(TableId::PhaseMinTime, 1)}, widths);
            for (int p = 0; p < kPhaseCount; ++p)
                out << Row({std::to_string(p + 1), std::to_string(c.phaseMinTime[p])}, widths);
        },
        [](const Configuration& a, const Configuration& b, Lines& lines) {
            for (int p = 0; p < kPhaseCount; ++p) {
                if (a.phaseMinTime[p] != b.phaseMinTime[p]) {
                    lines.push_back("Фаза " + Number(p + 1) + ": мин. время " +
                                    Arrow(Number(a.phaseMinTime[p]), Number(b.phaseMinTime[p])));
                }
            }
        },
    },
    {
        // From priority 1 to 10, the code holding each.
        "priorities",
        [](const Configuration& c, std::string&) {
            ojson order = ojson::array();
            for (int p = 1; p <= kRequestCount; ++p)
                for (int code = 0; code < kRequestCount; ++code)
                    if (c.priority[code] == p)
                        order.push_back(std::string(kRequestCodes[code]));
            return order;
        },
        [](JsonReader& r, const json& j, Configuration& c) {
            const std::string path = "priorities";
            if (!j.is_array() || j.size() != kRequestCount)
                return r.Fail(path, "ожидается массив из 10 кодов запросов, от приоритета 1 до 10");
            std::array<std::uint8_t, kRequestCount> result{};
            for (std::size_t i = 0; i < j.size(); ++i) {
                const std::string at = JsonReader::Index(path, i);
                if (!j[i].is_string())
                    return r.Fail(at, "ожидается код запроса");
                const std::string code = j[i].get<std::string>();
                const auto it = std::find(kRequestCodes.begin(), kRequestCodes.end(), code);
                if (it == kRequestCodes.end())
                    return r.Fail(at, "неизвестный код запроса \"" + Excerpt(code) + "\"");
                const auto index = static_cast<std::size_t>(it - kRequestCodes.begin());
                if (result[index] != 0)
                    return r.Fail(at, "код \"" + code + "\" повторяется");
                result[index] = static_cast<std::uint8_t>(i + 1);
            }
            if (result[kRequestCount - 1] != kRequestCount)
                return r.Fail(path, "«РП» должен стоять последним (приоритет 10)");
            c.priority = result;
            return true;
        },
        [] { return std::string("Приоритеты"); },
        [](const Configuration& c, std::ostringstream& out) {
            const std::vector<int> widths{Width(Title(TableId::Priority, 0)), 0};
            out << Row({Title(TableId::Priority, 0), Title(TableId::Priority, 1)}, widths);
            for (int p = 1; p <= kRequestCount; ++p)
                for (int code = 0; code < kRequestCount; ++code)
                    if (c.priority[code] == p)
                        out << Row({std::to_string(p), std::string(kRequestCodes[code])}, widths);
        },
        [](const Configuration& a, const Configuration& b, Lines& lines) {
            for (int code = 0; code < kRequestCount; ++code) {
                if (a.priority[code] != b.priority[code]) {
                    lines.push_back("Запрос " + std::string(kRequestCodes[code]) + ": приоритет " +
                                    Arrow(Number(a.priority[code]), Number(b.priority[code])));
                }
            }
        },
    },
    {
        "directions",
        [](const Configuration& c, std::string&) {
            ojson directions = ojson::array();
            for (int d = 0; d < kDirectionCount; ++d) {
                ojson e;
                e["direction"] = d + 1;
                e["phases"] = Members(c.directions[d].phaseMask, kPhaseCount);
                for (int s = 0; s < kStepCount; ++s)
                    e[kStepFields[s]] = c.directions[d].stepTimes[s];
                directions.push_back(e);
            }
            return directions;
        },
        [](JsonReader& r, const json& j, Configuration& c) {
            return r.Numbered(j, "directions", "direction", kDirectionCount,
                              [&](const json& e, const std::string& at, int n) {
                if (!r.Object(e, at, {"direction", "phases", "green", "greenFlashing", "yellow", "red", "redYellow"}))
                    return false;
                Direction& d = c.directions[n - 1];
                if (e.contains("phases") &&
                    !r.Set(e["phases"], JsonReader::Join(at, "phases"), kPhaseCount, d.phaseMask))
                    return false;
                for (int s = 0; s < kStepCount; ++s) {
                    if (e.contains(kStepFields[s]) &&
                        !r.Byte(e[kStepFields[s]], JsonReader::Join(at, kStepFields[s]), d.stepTimes[s]))
                        return false;
                }
                return true;
            });
        },
        [] { return GroupOf(TableId::Direction); },
        [](const Configuration& c, std::ostringstream& out) {
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
        },
        [](const Configuration& a, const Configuration& b, Lines& lines) {
            const auto titles = Catalogue::Grid(TableId::Direction).Titles();
            for (int d = 0; d < kDirectionCount; ++d) {
                const Direction& x = a.directions[d];
                const Direction& y = b.directions[d];
                const std::string prefix = "Направление " + Number(d + 1) + ": ";
                if (x.phaseMask != y.phaseMask) {
                    lines.push_back(prefix + "фазы " +
                                    Arrow(List(x.phaseMask, kPhaseCount), List(y.phaseMask, kPhaseCount)));
                }
                for (int s = 0; s < kStepCount; ++s) {
                    if (x.stepTimes[s] != y.stepTimes[s]) {
                        lines.push_back(prefix + titles[static_cast<std::size_t>(9 + s)] + " " +
                                        Arrow(Number(x.stepTimes[s]), Number(y.stepTimes[s])));
                    }
                }
            }
        },
    },
    {
        // Per program its phase durations and the phases serving "ТВП 1" and "ТВП 2".
        "programs",
        [](const Configuration& c, std::string&) {
            ojson programs = ojson::array();
            for (int p = 0; p < kProgramCount; ++p) {
                ojson e;
                e["program"] = p + 1;
                e["durations"] = Numbers(c.programDuration[p]);
                e["tvp1"] = c.tvp1[p];
                e["tvp2"] = c.tvp2[p];
                programs.push_back(e);
            }
            return programs;
        },
        [](JsonReader& r, const json& j, Configuration& c) {
            return r.Numbered(j, "programs", "program", kProgramCount, [&](const json& e, const std::string& at, int n) {
                if (!r.Object(e, at, {"program", "durations", "tvp1", "tvp2"}))
                    return false;
                if (e.contains("durations") &&
                    !r.ByteArray(e["durations"], JsonReader::Join(at, "durations"), c.programDuration[n - 1]))
                    return false;
                int phase = 0;
                if (e.contains("tvp1")) {
                    if (!r.Int(e["tvp1"], JsonReader::Join(at, "tvp1"), 0, kPhaseCount, phase))
                        return false;
                    c.tvp1[n - 1] = static_cast<std::uint8_t>(phase);
                }
                if (e.contains("tvp2")) {
                    if (!r.Int(e["tvp2"], JsonReader::Join(at, "tvp2"), 0, kPhaseCount, phase))
                        return false;
                    c.tvp2[n - 1] = static_cast<std::uint8_t>(phase);
                }
                return true;
            });
        },
        [] { return GroupOf(TableId::Program); },
        [](const Configuration& c, std::ostringstream& out) {
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
        },
        [](const Configuration& a, const Configuration& b, Lines& lines) {
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
        },
    },
    {
        "week",
        [](const Configuration& c, std::string&) {
            ojson week = ojson::array();
            for (int day = 0; day < kDayCount; ++day) {
                ojson switches = ojson::array();
                for (int slot = 0; slot < kSlotCount; ++slot) {
                    const int v = c.week[day][slot];
                    if (v == 0)
                        continue;
                    ojson s;
                    s["time"] = ConfigurationJson::SlotTime(slot);
                    if (v == kYellowMode)
                        s["program"] = "Ж";
                    else
                        s["program"] = v;
                    switches.push_back(s);
                }
                ojson e;
                e["day"] = std::string(kDayNames[day]);
                e["switches"] = switches;
                week.push_back(e);
            }
            return week;
        },
        [](JsonReader& r, const json& week, Configuration& c) {
            if (!week.is_array())
                return r.Fail("week", "ожидается массив дней");
            std::set<int> seen;
            for (std::size_t i = 0; i < week.size(); ++i) {
                const std::string at = JsonReader::Index("week", i);
                if (!week[i].is_object() || !week[i].contains("day") || !week[i]["day"].is_string())
                    return r.Fail(at, "ожидается объект с полем day (\"ПН\"..\"ВС\")");
                const auto name = week[i]["day"].get<std::string>();
                const auto it = std::find(kDayNames.begin(), kDayNames.end(), name);
                if (it == kDayNames.end()) {
                    return r.Fail(JsonReader::Join(at, "day"),
                                  "неизвестный день \"" + Excerpt(name) + "\" (ожидается \"ПН\"..\"ВС\")");
                }
                const int day = static_cast<int>(it - kDayNames.begin());
                if (!seen.insert(day).second)
                    return r.Fail(JsonReader::Join(at, "day"), "день " + name + " повторяется");
                if (!ReadWeekDay(r, week[i], at, c.week[day]))
                    return false;
            }
            return true;
        },
        [] { return Catalogue::Page(PageId::Schedules).caption; },
        [](const Configuration& c, std::ostringstream& out) {
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
        },
        [](const Configuration& a, const Configuration& b, Lines& lines) {
            for (int day = 0; day < kDayCount; ++day) {
                for (int slot = 0; slot < kSlotCount; ++slot) {
                    const int x = a.week[day][slot];
                    const int y = b.week[day][slot];
                    if (x != y) {
                        lines.push_back(std::string(kDayNames[day]) + " " + ConfigurationJson::SlotTime(slot) + ": " +
                                        Arrow(Slot(x), Slot(y)));
                    }
                }
            }
        },
    },
    {
        "lampOutputs",
        [](const Configuration& c, std::string&) {
            ojson lamps = ojson::array();
            for (int d = 0; d < kDirectionCount; ++d) {
                ojson e;
                e["direction"] = d + 1;
                for (int lamp = 0; lamp < 3; ++lamp)
                    e[kLampFields[lamp]] = Members(c.lampOutputs[3 * d + lamp], kOutputCount);
                lamps.push_back(e);
            }
            return lamps;
        },
        [](JsonReader& r, const json& j, Configuration& c) {
            return r.Numbered(j, "lampOutputs", "direction", kDirectionCount,
                              [&](const json& e, const std::string& at, int n) {
                if (!r.Object(e, at, {"direction", "red", "yellow", "green"}))
                    return false;
                for (int lamp = 0; lamp < 3; ++lamp) {
                    if (e.contains(kLampFields[lamp]) &&
                        !r.Set(e[kLampFields[lamp]], JsonReader::Join(at, kLampFields[lamp]), kOutputCount,
                               c.lampOutputs[3 * (n - 1) + lamp]))
                        return false;
                }
                return true;
            });
        },
        [] { return GroupOf(TableId::LampOutput); },
        [](const Configuration& c, std::ostringstream& out) {
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
        },
        // Per output what it drives, the wait boards included: "Выход 17: направление 4 К → Ж".
        [](const Configuration& a, const Configuration& b, Lines& lines) {
            for (int o = 0; o < kOutputCount; ++o) {
                const OutputUse x = UseOf(a, o);
                const OutputUse y = UseOf(b, o);
                if (!(x == y))
                    lines.push_back("Выход " + Number(o + 1) + ": " + DescribeChange(x, y));
            }
        },
    },
    {
        "waitBoards",
        [](const Configuration& c, std::string&) {
            ojson boards = ojson::array();
            for (int t = 0; t < 2; ++t)
                boards.push_back(ojson{{"tvp", t + 1}, {"outputs", Members(c.waitBoards[t], kOutputCount)}});
            return boards;
        },
        [](JsonReader& r, const json& j, Configuration& c) {
            return ReadNumberedSets(r, j, "waitBoards", "tvp", "outputs", kOutputCount, c.waitBoards);
        },
        [] { return GroupOf(TableId::WaitBoard); },
        [](const Configuration& c, std::ostringstream& out) {
            for (int t = 0; t < 2; ++t)
                out << "  ТВП " << t + 1 << ": " << NumberList(c.waitBoards[t], kOutputCount) << "\n";
        },
        nullptr, // in the lines of the outputs (lampOutputs)
    },
    // A sensor bound to several directions is kept as it is: the page only prevents it when the
    // user clicks, and a loaded file may carry it.
    {
        "redSensors",
        [](const Configuration& c, std::string&) {
            ojson red = ojson::array();
            for (int d = 0; d < kDirectionCount; ++d)
                red.push_back(ojson{{"direction", d + 1}, {"channels", Members(c.redSensors[d], kRedSensorChannels)}});
            return red;
        },
        [](JsonReader& r, const json& j, Configuration& c) {
            return ReadNumberedSets(r, j, "redSensors", "direction", "channels", kRedSensorChannels, c.redSensors);
        },
        [] { return GroupOf(TableId::RedSensor); },
        [](const Configuration& c, std::ostringstream& out) {
            ShowSensors(out, TableId::RedSensor, c.redSensors, kRedSensorChannels);
        },
        [](const Configuration& a, const Configuration& b, Lines& lines) {
            const auto titles = Catalogue::Grid(TableId::RedSensor).Titles();
            DiffSensors(a.redSensors, b.redSensors, kRedSensorChannels, "Датчик красных ламп", &titles, lines);
        },
    },
    {
        "greenSensors",
        [](const Configuration& c, std::string&) {
            ojson green = ojson::array();
            for (int d = 0; d < kDirectionCount; ++d)
                green.push_back(ojson{{"direction", d + 1}, {"sensors", Members(c.greenSensors[d], kGreenSensors)}});
            return green;
        },
        [](JsonReader& r, const json& j, Configuration& c) {
            return ReadNumberedSets(r, j, "greenSensors", "direction", "sensors", kGreenSensors, c.greenSensors);
        },
        [] { return GroupOf(TableId::GreenSensor); },
        [](const Configuration& c, std::ostringstream& out) {
            ShowSensors(out, TableId::GreenSensor, c.greenSensors, kGreenSensors);
        },
        [](const Configuration& a, const Configuration& b, Lines& lines) {
            DiffSensors(a.greenSensors, b.greenSensors, kGreenSensors, "Датчик зеленых ламп", nullptr, lines);
        },
    },
    {
        "minSignalTimes",
        [](const Configuration& c, std::string&) {
            return ojson{{"red", Numbers(c.minSignalTime[0])}, {"green", Numbers(c.minSignalTime[1])}};
        },
        [](JsonReader& r, const json& m, Configuration& c) {
            if (!r.Object(m, "minSignalTimes", {"red", "green"}))
                return false;
            if (m.contains("red") && !r.ByteArray(m["red"], "minSignalTimes.red", c.minSignalTime[0]))
                return false;
            return !m.contains("green") || r.ByteArray(m["green"], "minSignalTimes.green", c.minSignalTime[1]);
        },
        [] { return GroupOf(TableId::MinSignalTime); },
        [](const Configuration& c, std::ostringstream& out) {
            Matrix(out, {"К", "З"}, {&c.minSignalTime[0], &c.minSignalTime[1]});
        },
        [](const Configuration& a, const Configuration& b, Lines& lines) {
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
        },
    },
    {
        "interGreen",
        [](const Configuration& c, std::string&) {
            ojson inter = ojson::array();
            for (const auto& row : c.interGreen)
                inter.push_back(Numbers(row));
            return inter;
        },
        [](JsonReader& r, const json& m, Configuration& c) {
            if (!m.is_array() || m.size() != kDirectionCount)
                return r.Fail("interGreen", "ожидается массив из 24 строк по 24 числа");
            for (std::size_t i = 0; i < m.size(); ++i)
                if (!r.ByteArray(m[i], JsonReader::Index("interGreen", i), c.interGreen[i]))
                    return false;
            return true;
        },
        [] { return GroupOf(TableId::InterGreen); },
        [](const Configuration& c, std::ostringstream& out) {
            std::vector<std::string> labels;
            std::vector<const Row24*> rows;
            for (int r = 0; r < kDirectionCount; ++r) {
                labels.push_back(std::to_string(r + 1));
                rows.push_back(&c.interGreen[r]);
            }
            Matrix(out, labels, rows);
        },
        [](const Configuration& a, const Configuration& b, Lines& lines) {
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
        },
    },
};

} // namespace

std::span<const FieldDescription> ConfigurationFields()
{
    return kFields;
}

} // namespace vlk
