#include "record/EventExport.h"

#include <nlohmann/json.hpp>

#include <cstdio>
#include <ctime>

namespace vlk {

namespace {

std::tm Local(std::int64_t unixMilliseconds)
{
    const std::time_t seconds = static_cast<std::time_t>(unixMilliseconds / 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    return local;
}

std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

} // namespace

std::string EventTimeIso(std::int64_t unixMilliseconds)
{
    const std::tm local = Local(unixMilliseconds);
    char stamp[40];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &local);
    const int offset = static_cast<int>(local.tm_gmtoff / 60);
    const int minutes = offset < 0 ? -offset : offset;
    char tail[24];
    std::snprintf(tail, sizeof tail, ".%03d%c%02d:%02d", static_cast<int>(unixMilliseconds % 1000),
                  offset < 0 ? '-' : '+', minutes / 60 % 100, minutes % 60);
    return std::string(stamp) + tail;
}

std::string EventTimeText(std::int64_t unixMilliseconds)
{
    const std::tm local = Local(unixMilliseconds);
    char stamp[40];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
    return stamp;
}

const char* EventStateText(const JunctionEvent& event)
{
    if (!event.alarm)
        return "";
    return event.active ? "начало" : "конец";
}

std::string EventsText(const std::vector<JunctionEvent>& events)
{
    std::string text;
    for (const JunctionEvent& e : events) {
        text += EventTimeText(e.timeMs) + "  " + std::to_string(e.priority) + "  ";
        // Padded to one width on screen: "начало", "конец ", or blanks for a notice.
        text += !e.alarm ? "      " : e.active ? "начало" : "конец ";
        text += "  " + e.message + "\n";
    }
    return text;
}

std::string EventsCsv(const std::vector<JunctionEvent>& events)
{
    std::string text = "time,kind,priority,direction,channel,active,message\r\n";
    for (const JunctionEvent& e : events) {
        text += EventTimeIso(e.timeMs) + "," + EventKindId(e.kind) + "," + std::to_string(e.priority) + ","
            + (e.direction ? std::to_string(e.direction) : "") + "," + (e.channel ? std::to_string(e.channel) : "") + ","
            + (e.active ? "true" : "false") + "," + CsvField(e.message) + "\r\n";
    }
    return text;
}

std::string EventsJson(const std::vector<JunctionEvent>& events)
{
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const JunctionEvent& e : events) {
        nlohmann::ordered_json item;
        item["time"] = EventTimeIso(e.timeMs);
        item["kind"] = EventKindId(e.kind);
        item["priority"] = e.priority;
        if (e.direction)
            item["direction"] = e.direction;
        if (e.channel)
            item["channel"] = e.channel;
        item["active"] = e.active;
        item["message"] = e.message;
        list.push_back(std::move(item));
    }
    return list.dump(2) + "\n";
}

} // namespace vlk
