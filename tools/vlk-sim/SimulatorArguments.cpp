#include "SimulatorArguments.h"

#include <charconv>
#include <climits>
#include <vector>

namespace vlk::sim {

namespace {

constexpr long kTimesMax = INT_MAX;

// Splits "A<sep>B" at the first separator; B is empty and `found` false when there is none.
std::string_view Before(std::string_view text, char separator, std::string_view& rest, bool& found)
{
    const auto at = text.find(separator);
    found = at != std::string_view::npos;
    rest = found ? text.substr(at + 1) : std::string_view();
    return found ? text.substr(0, at) : text;
}

} // namespace

std::optional<long> WholeNumber(std::string_view text, long min, long max, bool hex)
{
    int base = 10;
    if (hex && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    // from_chars alone would take a leading '-' and stop quietly at the first other character.
    if (text.empty() || text.front() == '-' || text.front() == '+')
        return std::nullopt;
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size() || value < min || value > max)
        return std::nullopt;
    return value;
}

std::optional<SectorFault> SectorFaultValue(std::string_view text)
{
    std::string_view times;
    bool withTimes = false;
    const auto sector = WholeNumber(Before(text, ':', times, withTimes), 0, static_cast<long>(kSectorCount) - 1);
    if (!sector)
        return std::nullopt;
    SectorFault fault;
    fault.sector = static_cast<int>(*sector);
    if (withTimes) {
        const auto count = WholeNumber(times, 1, kTimesMax);
        if (!count)
            return std::nullopt;
        fault.times = static_cast<int>(*count);
    }
    return fault;
}

std::optional<SimulatorOptions::ToggleReply> ToggleReplyValue(std::string_view text)
{
    std::string_view times;
    bool withTimes = false;
    const auto byte = WholeNumber(Before(text, ':', times, withTimes), 0, 255, true);
    if (!byte)
        return std::nullopt;
    SimulatorOptions::ToggleReply reply;
    reply.byte = static_cast<std::uint8_t>(*byte);
    if (withTimes) {
        const auto count = WholeNumber(times, 1, kTimesMax);
        if (!count)
            return std::nullopt;
        reply.times = static_cast<int>(*count);
    }
    return reply;
}

std::optional<SimulatorOptions::Clock> ClockValue(std::string_view text)
{
    std::string_view time;
    std::string_view minutes;
    bool comma = false;
    bool colon = false;
    const auto day = WholeNumber(Before(text, ',', time, comma), 0, 6);
    const auto hours = WholeNumber(Before(time, ':', minutes, colon), 0, 23);
    const auto minute = WholeNumber(minutes, 0, 59);
    if (!comma || !colon || !day || !hours || !minute)
        return std::nullopt;
    return SimulatorOptions::Clock{static_cast<int>(*day), static_cast<int>(*hours), static_cast<int>(*minute), 0};
}

std::optional<JunctionFault> JunctionFaultValue(JunctionFault::Kind kind, std::string_view text)
{
    using Kind = JunctionFault::Kind;
    std::vector<std::string_view> parts;
    for (bool more = true; more;) {
        std::string_view rest;
        parts.push_back(Before(text, ':', rest, more));
        text = rest;
    }
    auto lamp = [](std::string_view name) -> std::optional<JunctionFault::Sensor> {
        if (name == "red1")
            return JunctionFault::Sensor::Red1;
        if (name == "red2")
            return JunctionFault::Sensor::Red2;
        if (name == "green")
            return JunctionFault::Sensor::Green;
        return std::nullopt;
    };
    const std::size_t wanted = kind == Kind::Alarm ? 2 : kind == Kind::DirectionFailure || kind == Kind::ClockOff ? 3 : 4;
    if (parts.size() != wanted)
        return std::nullopt;
    const auto from = WholeNumber(parts[wanted - 2], 0, 7 * 24 * 3600);
    const auto lasting = WholeNumber(parts[wanted - 1], 1, 7 * 24 * 3600);
    if (!from || !lasting)
        return std::nullopt;
    JunctionFault fault;
    fault.kind = kind;
    fault.from = std::chrono::seconds(*from);
    fault.lasting = std::chrono::seconds(*lasting);
    switch (kind) {
    case Kind::LampOut:
    case Kind::LampStuck: {
        const auto direction = WholeNumber(parts[0], 1, kDirectionCount);
        const auto sensor = lamp(parts[1]);
        if (!direction || !sensor)
            return std::nullopt;
        fault.direction = static_cast<int>(*direction);
        fault.sensor = *sensor;
        break;
    }
    case Kind::SensorOn: {
        const auto sensor = lamp(parts[0]);
        if (!sensor)
            return std::nullopt;
        const auto channel =
            WholeNumber(parts[1], 1, *sensor == JunctionFault::Sensor::Green ? kGreenSensors : kRedSensorChannels);
        if (!channel)
            return std::nullopt;
        fault.sensor = *sensor;
        fault.channel = static_cast<int>(*channel);
        break;
    }
    case Kind::DirectionFailure: {
        const auto direction = WholeNumber(parts[0], 1, kDirectionCount);
        if (!direction)
            return std::nullopt;
        fault.direction = static_cast<int>(*direction);
        break;
    }
    case Kind::Alarm:
        break;
    case Kind::ClockOff: {
        std::string_view digits = parts[0];
        const bool behind = !digits.empty() && digits.front() == '-';
        if (behind)
            digits.remove_prefix(1);
        const auto minutes = WholeNumber(digits, 1, 7 * 24 * 60);
        if (!minutes)
            return std::nullopt;
        fault.minutes = static_cast<int>(behind ? -*minutes : *minutes);
        break;
    }
    }
    return fault;
}

std::string JunctionFaultForm(JunctionFault::Kind kind)
{
    switch (kind) {
    case JunctionFault::Kind::LampOut:
    case JunctionFault::Kind::LampStuck:
        return "wants DIR:LAMP:FROM:FOR with DIR 1..24, LAMP red1, red2 or green, FROM and FOR in seconds (FOR 1 or more)";
    case JunctionFault::Kind::SensorOn:
        return "wants LAMP:CHANNEL:FROM:FOR with LAMP red1, red2 (CHANNEL 1..16) or green (CHANNEL 1..24), FROM and FOR "
               "in seconds";
    case JunctionFault::Kind::DirectionFailure:
        return "wants DIR:FROM:FOR with DIR 1..24, FROM and FOR in seconds";
    case JunctionFault::Kind::Alarm:
        return "wants FROM:FOR in seconds (FOR 1 or more)";
    case JunctionFault::Kind::ClockOff:
        return "wants MINUTES:FROM:FOR with MINUTES 1..10080 ahead or -1..-10080 behind, FROM and FOR in seconds";
    }
    return {};
}

} // namespace vlk::sim
