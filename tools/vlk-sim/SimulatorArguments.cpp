#include "SimulatorArguments.h"

#include <charconv>
#include <climits>

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

} // namespace vlk::sim
