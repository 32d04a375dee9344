#include "ConfigurationJson.h"

#include "config/ConfigurationImage.h"
#include "util/Cp1251.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace vlk {

namespace {

using ojson = nlohmann::ordered_json;
using json = nlohmann::json;

constexpr const char* kFormat = "vlk2.2-configuration";
constexpr std::array<const char*, kStepCount> kStepFields{"green", "greenFlashing", "yellow", "red",
                                                           "redYellow"};
constexpr std::array<const char*, 3> kLampFields{"red", "yellow", "green"};

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
ojson Bytes(const std::array<std::uint8_t, N>& values)
{
    ojson list = ojson::array();
    for (std::uint8_t v : values)
        list.push_back(v);
    return list;
}

// Reads the JSON with the path of every value at hand, so that the first fault found names it.
class Reader {
public:
    [[nodiscard]] const std::string& Error() const { return m_error; }

    bool Fail(const std::string& path, const std::string& what)
    {
        m_error = path + ": " + what;
        return false;
    }

    // An object whose keys are all among `known`.
    bool Object(const json& j, const std::string& path, std::initializer_list<std::string_view> known)
    {
        if (!j.is_object())
            return Fail(path, "ожидается объект");
        for (const auto& item : j.items()) {
            if (std::find(known.begin(), known.end(), item.key()) == known.end())
                return Fail(Join(path, item.key()), "неизвестное поле");
        }
        return true;
    }

    bool Int(const json& j, const std::string& path, int low, int high, int& value)
    {
        if (!j.is_number_integer())
            return Fail(path, "ожидается целое число " + Range(low, high) + ", найдено " + Shown(j));
        if (j.is_number_unsigned() && j.get<std::uint64_t>() > static_cast<std::uint64_t>(high))
            return Fail(path, "значение " + std::to_string(j.get<std::uint64_t>()) + " вне " + Range(low, high));
        const auto v = j.get<std::int64_t>();
        if (v < low || v > high)
            return Fail(path, "значение " + std::to_string(v) + " вне " + Range(low, high));
        value = static_cast<int>(v);
        return true;
    }

    bool Byte(const json& j, const std::string& path, std::uint8_t& value)
    {
        int v = 0;
        if (!Int(j, path, 0, 255, v))
            return false;
        value = static_cast<std::uint8_t>(v);
        return true;
    }

    template <std::size_t N>
    bool ByteArray(const json& j, const std::string& path, std::array<std::uint8_t, N>& values)
    {
        if (!j.is_array() || j.size() != N)
            return Fail(path, "ожидается массив из " + std::to_string(N) + " чисел 0..255");
        for (std::size_t i = 0; i < N; ++i)
            if (!Byte(j[i], Index(path, i), values[i]))
                return false;
        return true;
    }

    // A list of distinct numbers 1..count, as a bit mask.
    template <typename Mask>
    bool Set(const json& j, const std::string& path, int count, Mask& mask)
    {
        if (!j.is_array())
            return Fail(path, "ожидается массив номеров 1.." + std::to_string(count));
        mask = 0;
        for (std::size_t i = 0; i < j.size(); ++i) {
            int n = 0;
            if (!Int(j[i], Index(path, i), 1, count, n))
                return false;
            const Mask bit = Mask{1} << (n - 1);
            if (mask & bit)
                return Fail(Index(path, i), "номер " + std::to_string(n) + " повторяется");
            mask |= bit;
        }
        return true;
    }

    // An array of objects, each naming its own number 1..count in `key`, each number at most once.
    // `each` reads one entry given its number.
    template <typename Each>
    bool Numbered(const json& j, const std::string& path, const char* key, int count, Each each)
    {
        if (!j.is_array())
            return Fail(path, "ожидается массив объектов");
        std::set<int> seen;
        for (std::size_t i = 0; i < j.size(); ++i) {
            const std::string at = Index(path, i);
            if (!j[i].is_object())
                return Fail(at, "ожидается объект");
            if (!j[i].contains(key))
                return Fail(at, std::string("нет поля ") + key);
            int n = 0;
            if (!Int(j[i][key], Join(at, key), 1, count, n))
                return false;
            if (!seen.insert(n).second)
                return Fail(Join(at, key), "номер " + std::to_string(n) + " повторяется");
            if (!each(j[i], at, n))
                return false;
        }
        return true;
    }

    static std::string Join(const std::string& path, std::string_view key)
    {
        return path.empty() ? std::string(key) : path + "." + std::string(key);
    }
    static std::string Index(const std::string& path, std::size_t i)
    {
        return path + "[" + std::to_string(i) + "]";
    }

private:
    static std::string Range(int low, int high)
    {
        return std::to_string(low) + ".." + std::to_string(high);
    }
    static std::string Shown(const json& j)
    {
        std::string text = j.dump(-1, ' ', false, json::error_handler_t::replace);
        if (text.size() > 40)
            text = text.substr(0, 37) + "...";
        return text;
    }

    std::string m_error;
};

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

bool ReadWeekDay(Reader& r, const json& entry, const std::string& at, DaySchedule& day)
{
    if (!r.Object(entry, at, {"day", "switches"}))
        return false;
    day.fill(0);
    if (!entry.contains("switches"))
        return true;
    const json& list = entry["switches"];
    const std::string path = Reader::Join(at, "switches");
    if (!list.is_array())
        return r.Fail(path, "ожидается массив переключений");
    if (list.size() > static_cast<std::size_t>(kMaxSwitchPoints))
        return r.Fail(path, std::to_string(list.size()) + " переключений, в сутках не более 10");
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string item = Reader::Index(path, i);
        if (!r.Object(list[i], item, {"time", "program"}))
            return false;
        if (!list[i].contains("time") || !list[i]["time"].is_string())
            return r.Fail(Reader::Join(item, "time"), "ожидается время вида \"06:00\" или \"22:30\"");
        const int slot = ParseSlot(list[i]["time"].get<std::string>());
        if (slot < 0) {
            return r.Fail(Reader::Join(item, "time"),
                          "\"" + list[i]["time"].get<std::string>() +
                              "\" не начало получаса (ожидается ЧЧ:00 или ЧЧ:30, 00:00..23:30)");
        }
        if (day[slot] != 0)
            return r.Fail(Reader::Join(item, "time"), "второе переключение в " + ConfigurationJson::SlotTime(slot));
        if (!list[i].contains("program"))
            return r.Fail(item, "нет поля program");
        const json& program = list[i]["program"];
        const std::string programPath = Reader::Join(item, "program");
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

bool ReadPriorities(Reader& r, const json& j, std::array<std::uint8_t, kRequestCount>& priority)
{
    const std::string path = "priorities";
    const auto& codes = kRequestCodes;
    if (!j.is_array() || j.size() != kRequestCount)
        return r.Fail(path, "ожидается массив из 10 кодов запросов, от приоритета 1 до 10");
    std::array<std::uint8_t, kRequestCount> result{};
    for (std::size_t i = 0; i < j.size(); ++i) {
        const std::string at = Reader::Index(path, i);
        if (!j[i].is_string())
            return r.Fail(at, "ожидается код запроса");
        const std::string code = j[i].get<std::string>();
        const auto it = std::find(codes.begin(), codes.end(), code);
        if (it == codes.end())
            return r.Fail(at, "неизвестный код запроса \"" + code + "\"");
        const auto index = static_cast<std::size_t>(it - codes.begin());
        if (result[index] != 0)
            return r.Fail(at, "код \"" + code + "\" повторяется");
        result[index] = static_cast<std::uint8_t>(i + 1);
    }
    if (result[kRequestCount - 1] != kRequestCount)
        return r.Fail(path, "«РП» должен стоять последним (приоритет 10)");
    priority = result;
    return true;
}

bool ReadAccountRecord(Reader& r, const json& j, std::string& record)
{
    if (!j.is_string())
        return r.Fail("accountRecord", "ожидается строка");
    const auto text = j.get<std::string>();
    if (text.find('\0') != std::string::npos)
        return r.Fail("accountRecord", "нулевой символ недопустим");
    const TextConversion converted = Cp1251::FromUtf8(text);
    if (!converted.text)
        return r.Fail("accountRecord", converted.error);
    if (converted.text->size() > static_cast<std::size_t>(kAccountRecordRoom)) {
        return r.Fail("accountRecord", std::to_string(converted.text->size()) +
                                           " символов, помещается не более 159");
    }
    record = *converted.text;
    return true;
}

bool Read(Reader& r, const json& j, Configuration& c)
{
    if (!r.Object(j, "", {"format", "version", "circularRedTime", "masterController", "syncDelay",
                          "accountRecord", "phaseMinTimes", "priorities", "directions", "programs",
                          "week", "lampOutputs", "waitBoards", "redSensors", "greenSensors",
                          "minSignalTimes", "interGreen"}))
        return false;
    if (j.contains("format") && j["format"] != kFormat)
        return r.Fail("format", std::string("ожидается \"") + kFormat + "\"");
    if (j.contains("version")) {
        int version = 0;
        if (!r.Int(j["version"], "version", 1, 1, version))
            return false;
    }
    if (j.contains("circularRedTime") && !r.Byte(j["circularRedTime"], "circularRedTime", c.circularRedTime))
        return false;
    if (j.contains("masterController")) {
        if (!j["masterController"].is_boolean())
            return r.Fail("masterController", "ожидается true или false");
        c.masterController = j["masterController"].get<bool>();
    }
    if (j.contains("syncDelay")) {
        int delay = 0;
        if (!r.Int(j["syncDelay"], "syncDelay", 0, 127, delay))
            return false;
        // The image keeps no delay for a master: a non-zero one would be lost without a word.
        if (c.masterController && delay != 0)
            return r.Fail("syncDelay", "у ведущего контроллера (masterController true) должно быть 0");
        c.syncDelay = static_cast<std::uint8_t>(delay);
    }
    if (j.contains("accountRecord") && !ReadAccountRecord(r, j["accountRecord"], c.accountRecord))
        return false;
    if (j.contains("phaseMinTimes") && !r.ByteArray(j["phaseMinTimes"], "phaseMinTimes", c.phaseMinTime))
        return false;
    if (j.contains("priorities") && !ReadPriorities(r, j["priorities"], c.priority))
        return false;

    if (j.contains("directions")) {
        const bool ok = r.Numbered(j["directions"], "directions", "direction", kDirectionCount,
                                   [&](const json& e, const std::string& at, int n) {
            if (!r.Object(e, at, {"direction", "phases", "green", "greenFlashing", "yellow", "red", "redYellow"}))
                return false;
            Direction& d = c.directions[n - 1];
            if (e.contains("phases") && !r.Set(e["phases"], Reader::Join(at, "phases"), kPhaseCount, d.phaseMask))
                return false;
            for (int s = 0; s < kStepCount; ++s) {
                if (e.contains(kStepFields[s]) &&
                    !r.Byte(e[kStepFields[s]], Reader::Join(at, kStepFields[s]), d.stepTimes[s]))
                    return false;
            }
            return true;
        });
        if (!ok)
            return false;
    }

    if (j.contains("programs")) {
        const bool ok = r.Numbered(j["programs"], "programs", "program", kProgramCount,
                                   [&](const json& e, const std::string& at, int n) {
            if (!r.Object(e, at, {"program", "durations", "tvp1", "tvp2"}))
                return false;
            if (e.contains("durations") &&
                !r.ByteArray(e["durations"], Reader::Join(at, "durations"), c.programDuration[n - 1]))
                return false;
            int phase = 0;
            if (e.contains("tvp1")) {
                if (!r.Int(e["tvp1"], Reader::Join(at, "tvp1"), 0, kPhaseCount, phase))
                    return false;
                c.tvp1[n - 1] = static_cast<std::uint8_t>(phase);
            }
            if (e.contains("tvp2")) {
                if (!r.Int(e["tvp2"], Reader::Join(at, "tvp2"), 0, kPhaseCount, phase))
                    return false;
                c.tvp2[n - 1] = static_cast<std::uint8_t>(phase);
            }
            return true;
        });
        if (!ok)
            return false;
    }

    if (j.contains("week")) {
        const json& week = j["week"];
        if (!week.is_array())
            return r.Fail("week", "ожидается массив дней");
        std::set<int> seen;
        for (std::size_t i = 0; i < week.size(); ++i) {
            const std::string at = Reader::Index("week", i);
            if (!week[i].is_object() || !week[i].contains("day") || !week[i]["day"].is_string())
                return r.Fail(at, "ожидается объект с полем day (\"ПН\"..\"ВС\")");
            const auto name = week[i]["day"].get<std::string>();
            const auto it = std::find(kDayNames.begin(), kDayNames.end(), name);
            if (it == kDayNames.end())
                return r.Fail(Reader::Join(at, "day"), "неизвестный день \"" + name + "\" (ожидается \"ПН\"..\"ВС\")");
            const int day = static_cast<int>(it - kDayNames.begin());
            if (!seen.insert(day).second)
                return r.Fail(Reader::Join(at, "day"), "день " + name + " повторяется");
            if (!ReadWeekDay(r, week[i], at, c.week[day]))
                return false;
        }
    }

    if (j.contains("lampOutputs")) {
        const bool ok = r.Numbered(j["lampOutputs"], "lampOutputs", "direction", kDirectionCount,
                                   [&](const json& e, const std::string& at, int n) {
            if (!r.Object(e, at, {"direction", "red", "yellow", "green"}))
                return false;
            for (int lamp = 0; lamp < 3; ++lamp) {
                if (e.contains(kLampFields[lamp]) &&
                    !r.Set(e[kLampFields[lamp]], Reader::Join(at, kLampFields[lamp]), kOutputCount,
                           c.lampOutputs[3 * (n - 1) + lamp]))
                    return false;
            }
            return true;
        });
        if (!ok)
            return false;
    }
    if (j.contains("waitBoards")) {
        const bool ok = r.Numbered(j["waitBoards"], "waitBoards", "tvp", 2,
                                   [&](const json& e, const std::string& at, int n) {
            if (!r.Object(e, at, {"tvp", "outputs"}))
                return false;
            return !e.contains("outputs") ||
                   r.Set(e["outputs"], Reader::Join(at, "outputs"), kOutputCount, c.waitBoards[n - 1]);
        });
        if (!ok)
            return false;
    }

    // A sensor bound to several directions is kept as it is: the page only prevents it when the
    // user clicks, and a loaded file may carry it.
    if (j.contains("redSensors")) {
        const bool ok = r.Numbered(j["redSensors"], "redSensors", "direction", kDirectionCount,
                                   [&](const json& e, const std::string& at, int n) {
            if (!r.Object(e, at, {"direction", "channels"}))
                return false;
            return !e.contains("channels") ||
                   r.Set(e["channels"], Reader::Join(at, "channels"), kRedSensorChannels, c.redSensors[n - 1]);
        });
        if (!ok)
            return false;
    }
    if (j.contains("greenSensors")) {
        const bool ok = r.Numbered(j["greenSensors"], "greenSensors", "direction", kDirectionCount,
                                   [&](const json& e, const std::string& at, int n) {
            if (!r.Object(e, at, {"direction", "sensors"}))
                return false;
            return !e.contains("sensors") ||
                   r.Set(e["sensors"], Reader::Join(at, "sensors"), kGreenSensors, c.greenSensors[n - 1]);
        });
        if (!ok)
            return false;
    }

    if (j.contains("minSignalTimes")) {
        const json& m = j["minSignalTimes"];
        if (!r.Object(m, "minSignalTimes", {"red", "green"}))
            return false;
        if (m.contains("red") && !r.ByteArray(m["red"], "minSignalTimes.red", c.minSignalTime[0]))
            return false;
        if (m.contains("green") && !r.ByteArray(m["green"], "minSignalTimes.green", c.minSignalTime[1]))
            return false;
    }
    if (j.contains("interGreen")) {
        const json& m = j["interGreen"];
        if (!m.is_array() || m.size() != kDirectionCount)
            return r.Fail("interGreen", "ожидается массив из 24 строк по 24 числа");
        for (std::size_t i = 0; i < m.size(); ++i)
            if (!r.ByteArray(m[i], Reader::Index("interGreen", i), c.interGreen[i]))
                return false;
    }
    return true;
}

// Appends the one-line form of j; stops early once `out` is longer than `limit`.
void Inline(const ojson& j, std::string& out, std::size_t limit)
{
    if (out.size() > limit)
        return;
    if (j.is_array()) {
        out += '[';
        for (std::size_t i = 0; i < j.size() && out.size() <= limit; ++i) {
            if (i)
                out += ", ";
            Inline(j[i], out, limit);
        }
        out += ']';
    } else if (j.is_object()) {
        out += '{';
        bool first = true;
        for (const auto& item : j.items()) {
            if (out.size() > limit)
                break;
            if (!first)
                out += ", ";
            out += ojson(item.key()).dump() + ": ";
            Inline(item.value(), out, limit);
            first = false;
        }
        out += '}';
    } else if (j.is_number_unsigned()) {
        out += std::to_string(j.get<std::uint64_t>());
    } else if (j.is_number_integer()) {
        out += std::to_string(j.get<std::int64_t>());
    } else {
        out += j.dump();
    }
}

void Pretty(const ojson& j, int indent, std::string& out)
{
    constexpr std::size_t kLine = 120;
    const std::size_t room = kLine > static_cast<std::size_t>(indent) ? kLine - static_cast<std::size_t>(indent) : 0;
    const bool flat = j.is_array() && std::none_of(j.begin(), j.end(), [](const ojson& e) { return e.is_structured(); });
    std::string text;
    Inline(j, text, flat ? std::string::npos : room);
    if (!j.is_structured() || j.empty() || flat || text.size() <= room) {
        out += text;
        return;
    }
    const std::string inner(static_cast<std::size_t>(indent + 2), ' ');
    out += j.is_array() ? "[\n" : "{\n";
    bool first = true;
    for (const auto& item : j.items()) {
        out += (first ? "" : ",\n") + inner;
        if (j.is_object())
            out += ojson(item.key()).dump() + ": ";
        Pretty(item.value(), indent + 2, out);
        first = false;
    }
    out += "\n" + std::string(static_cast<std::size_t>(indent), ' ') + (j.is_array() ? "]" : "}");
}

} // namespace

std::string ConfigurationJson::Dump(const nlohmann::ordered_json& json)
{
    std::string out;
    Pretty(json, 0, out);
    return out + "\n";
}

std::string ConfigurationJson::SlotTime(int slot)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", slot / 2 % 100, slot % 2 * 30);
    return text;
}

JsonExport ConfigurationJson::ToJson(const Configuration& c)
{
    const TextConversion record = Cp1251::ToUtf8(c.accountRecord);
    if (!record.text)
        return {std::nullopt, "accountRecord: " + record.error};

    ojson j;
    j["format"] = kFormat;
    j["version"] = 1;
    j["circularRedTime"] = c.circularRedTime;
    j["masterController"] = c.masterController;
    j["syncDelay"] = c.syncDelay;
    j["accountRecord"] = *record.text;
    j["phaseMinTimes"] = Bytes(c.phaseMinTime);

    ojson order = ojson::array();
    for (int p = 1; p <= kRequestCount; ++p)
        for (int code = 0; code < kRequestCount; ++code)
            if (c.priority[code] == p)
                order.push_back(std::string(kRequestCodes[code]));
    j["priorities"] = order;

    ojson directions = ojson::array();
    for (int d = 0; d < kDirectionCount; ++d) {
        ojson e;
        e["direction"] = d + 1;
        e["phases"] = Members(c.directions[d].phaseMask, kPhaseCount);
        for (int s = 0; s < kStepCount; ++s)
            e[kStepFields[s]] = c.directions[d].stepTimes[s];
        directions.push_back(e);
    }
    j["directions"] = directions;

    ojson programs = ojson::array();
    for (int p = 0; p < kProgramCount; ++p) {
        ojson e;
        e["program"] = p + 1;
        e["durations"] = Bytes(c.programDuration[p]);
        e["tvp1"] = c.tvp1[p];
        e["tvp2"] = c.tvp2[p];
        programs.push_back(e);
    }
    j["programs"] = programs;

    ojson week = ojson::array();
    for (int day = 0; day < kDayCount; ++day) {
        ojson switches = ojson::array();
        for (int slot = 0; slot < kSlotCount; ++slot) {
            const int v = c.week[day][slot];
            if (v == 0)
                continue;
            ojson s;
            s["time"] = SlotTime(slot);
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
    j["week"] = week;

    ojson lamps = ojson::array();
    for (int d = 0; d < kDirectionCount; ++d) {
        ojson e;
        e["direction"] = d + 1;
        for (int lamp = 0; lamp < 3; ++lamp)
            e[kLampFields[lamp]] = Members(c.lampOutputs[3 * d + lamp], kOutputCount);
        lamps.push_back(e);
    }
    j["lampOutputs"] = lamps;

    ojson boards = ojson::array();
    for (int t = 0; t < 2; ++t)
        boards.push_back(ojson{{"tvp", t + 1}, {"outputs", Members(c.waitBoards[t], kOutputCount)}});
    j["waitBoards"] = boards;

    ojson red = ojson::array();
    ojson green = ojson::array();
    for (int d = 0; d < kDirectionCount; ++d) {
        red.push_back(ojson{{"direction", d + 1}, {"channels", Members(c.redSensors[d], kRedSensorChannels)}});
        green.push_back(ojson{{"direction", d + 1}, {"sensors", Members(c.greenSensors[d], kGreenSensors)}});
    }
    j["redSensors"] = red;
    j["greenSensors"] = green;

    j["minSignalTimes"] = ojson{{"red", Bytes(c.minSignalTime[0])}, {"green", Bytes(c.minSignalTime[1])}};
    ojson inter = ojson::array();
    for (const auto& row : c.interGreen)
        inter.push_back(Bytes(row));
    j["interGreen"] = inter;
    return {std::move(j), {}};
}

JsonImport ConfigurationJson::FromJson(const nlohmann::json& j)
{
    Reader reader;
    Configuration c = Configuration::FreshStart();
    if (!Read(reader, j, c))
        return {std::nullopt, reader.Error().rfind(": ", 0) == 0 ? reader.Error().substr(2) : reader.Error()};
    // Belt and braces: whatever passed the checks above must also fit the image as it stands.
    const auto problems = ConfigurationImage::Validate(c);
    if (!problems.empty())
        return {std::nullopt, problems.front()};
    return {std::move(c), {}};
}

namespace {

// A first pass over the text, before any value is built: the document nests no deeper than a
// configuration ever does (so nothing later recurses without bound), no object names a key twice
// (the second would silently win), and nothing but white space follows the document.
class ShapeCheck : public nlohmann::json_sax<json> {
public:
    static constexpr std::size_t kMaxDepth = 16;

    [[nodiscard]] const std::string& Error() const { return m_error; }

    bool null() override { return true; }
    bool boolean(bool) override { return true; }
    bool number_integer(number_integer_t) override { return true; }
    bool number_unsigned(number_unsigned_t) override { return true; }
    bool number_float(number_float_t, const string_t&) override { return true; }
    bool string(string_t&) override { return true; }
    bool binary(binary_t&) override { return true; }
    bool start_object(std::size_t) override
    {
        m_keys.emplace_back();
        m_inObject.push_back(true);
        return Deeper();
    }
    bool key(string_t& name) override
    {
        if (!m_keys.back().insert(name).second)
            return Fail("поле \"" + name + "\" повторено");
        return true;
    }
    bool end_object() override
    {
        m_keys.pop_back();
        m_inObject.pop_back();
        return true;
    }
    bool start_array(std::size_t) override
    {
        m_inObject.push_back(false);
        return Deeper();
    }
    bool end_array() override
    {
        m_inObject.pop_back();
        return true;
    }
    bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& e) override
    {
        return Fail("ошибка в байте " + std::to_string(position) + " (" + e.what() + ")");
    }

private:
    bool Deeper()
    {
        if (m_inObject.size() > kMaxDepth)
            return Fail("вложенность глубже " + std::to_string(kMaxDepth) + " уровней");
        return true;
    }
    bool Fail(std::string what)
    {
        if (m_error.empty())
            m_error = std::move(what);
        return false;
    }

    std::vector<std::set<std::string>> m_keys;
    std::vector<bool> m_inObject;
    std::string m_error;
};

} // namespace

JsonImport ConfigurationJson::FromText(std::string_view text)
{
    // A NUL byte can never be part of a JSON text (inside a string it is written \u0000); the
    // parser would take it for the end of the input and ignore what follows.
    if (const auto nul = text.find('\0'); nul != std::string_view::npos)
        return {std::nullopt, "не JSON: нулевой байт в байте " + std::to_string(nul)};
    ShapeCheck shape;
    bool shaped = false;
    try {
        shaped = json::sax_parse(text.begin(), text.end(), &shape, nlohmann::detail::input_format_t::json, true);
    } catch (const json::exception& e) {
        return {std::nullopt, std::string("не JSON: ") + e.what()};
    }
    if (!shaped)
        return {std::nullopt, "не JSON: " + (shape.Error().empty() ? std::string("ошибка разбора") : shape.Error())};
    json j;
    try {
        j = json::parse(text.begin(), text.end());
    } catch (const json::parse_error& e) {
        return {std::nullopt, "не JSON: ошибка в байте " + std::to_string(e.byte) + " (" +
                                  std::string(e.what()) + ")"};
    } catch (const json::exception& e) {
        // e.g. a number too large for any type
        return {std::nullopt, std::string("не JSON: ") + e.what()};
    }
    return FromJson(j);
}

} // namespace vlk
