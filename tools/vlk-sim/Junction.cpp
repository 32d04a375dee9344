#include "Junction.h"

namespace vlk {
namespace {

constexpr std::int64_t kSecondMs = 1000;
constexpr std::int64_t kDayMs = 24 * 60 * 60 * kSecondMs;

std::uint8_t PackedDecimal(int value) { return static_cast<std::uint8_t>(((value / 10) << 4) | (value % 10)); }

std::int64_t WeekTime(int day, int hours, int minutes, int seconds)
{
    return (((static_cast<std::int64_t>(day) * 24 + hours) * 60 + minutes) * 60 + seconds) * kSecondMs;
}

} // namespace

Junction::Junction(const Configuration& configuration, bool memoryValid, int day, int hours, int minutes, int seconds)
    : m_model(configuration, memoryValid, WeekTime(day, hours, minutes, seconds)), m_memoryValid(memoryValid)
{
}

void Junction::SetClock(int day, int hours, int minutes, int seconds)
{
    m_model.SetWeekTime(WeekTime(day, hours, minutes, seconds));
}

void Junction::Advance(std::chrono::milliseconds elapsed) { m_model.Advance(elapsed.count()); }

void Junction::Command(std::uint8_t byte)
{
    if (byte == m_command)
        return;
    if (byte == 0x00)
        m_model.FollowSchedule();
    else if (byte == 0x40)
        m_model.Hold();
    else if (byte >= 0x41 && byte <= 0x48)
        m_model.CallPhase(byte - 0x40);
    else if (byte == 0x50)
        m_model.FlashYellow();
    else if (byte == 0x60)
        m_model.SwitchLampsOff();
    else
        return;
    m_command = byte;
}

int Junction::Day() const { return static_cast<int>(m_model.WeekMs() / kDayMs); }
int Junction::Hours() const { return static_cast<int>(m_model.WeekMs() % kDayMs / (60 * 60 * kSecondMs)); }
int Junction::Minutes() const { return static_cast<int>(m_model.WeekMs() % (60 * 60 * kSecondMs) / (60 * kSecondMs)); }
int Junction::Seconds() const { return static_cast<int>(m_model.WeekMs() % (60 * kSecondMs) / kSecondMs); }

StateFrame Junction::Frame() const
{
    const Configuration& config = m_model.Config();
    StateFrame frame{};
    std::uint8_t flags = 0x20; // "ПС": the console may talk to the controller
    if (InTransition())
        flags |= 0x01; // "Тпром"
    if (m_model.InMinimumTime())
        flags |= 0x02; // "Тмин"
    if (YellowFlashing())
        flags |= 0x04; // "ЖМ"
    if (OperatorControl())
        flags |= 0x08; // "РУ"
    if (LampsOff())
        flags |= 0x10; // "ОС"
    if (!m_memoryValid)
        flags |= 0x80; // "ОШ"
    frame[0] = flags;
    frame[1] = static_cast<std::uint8_t>((CurrentPhase() & 0x0F) | (CalledPhase() & 0x0F) << 4);
    // The priority of the request in charge: the console ("РУП") or the program ("РП").
    frame[2] = OperatorControl() ? config.priority[0] : config.priority[kRequestCount - 1];
    frame[3] = static_cast<std::uint8_t>((Day() & 0x0F) | (Program() & 0x0F) << 4);
    frame[4] = PackedDecimal(Hours());
    frame[5] = PackedDecimal(Minutes());
    for (int d = 0; d < kDirectionCount; ++d) {
        const std::uint8_t lamps = m_model.LitLampsOf(d + 1);
        const auto bit = static_cast<std::uint8_t>(1u << (d % 8));
        if (lamps & LampRed)
            frame[9 + d / 8] |= bit;
        if (lamps & LampYellow)
            frame[12 + d / 8] |= bit;
        if (lamps & LampGreen)
            frame[15 + d / 8] |= bit;
        // The lamp sensors see what the lamps show.
        for (int k = 0; k < kRedSensorChannels; ++k)
            if ((lamps & LampRed) && (config.redSensors[d] >> k & 1))
                frame[18 + k / 4] |= static_cast<std::uint8_t>(3u << (2 * (k % 4)));
        for (int k = 0; k < kGreenSensors; ++k)
            if ((lamps & LampGreen) && (config.greenSensors[d] >> k & 1))
                frame[22 + k / 6] |= static_cast<std::uint8_t>(1u << (k % 6));
    }
    return frame;
}

} // namespace vlk
