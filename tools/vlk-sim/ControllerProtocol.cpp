#include "ControllerProtocol.h"

#include "Junction.h"

#include "config/DemoJunction.h"

#include <algorithm>

namespace vlk::sim {
namespace {

using std::chrono::milliseconds;

constexpr std::uint8_t kToggleFirst = 0xD5;
constexpr std::uint8_t kToggleSecond = 0x33;
constexpr std::uint8_t kToggleAccepted = 0xFF;
constexpr std::uint8_t kStar = 0x2A;
constexpr std::uint8_t kSectorWrite = 0xA0;
constexpr std::uint8_t kSectorRefused = 0xF0;
constexpr std::uint8_t kSectorRead = 0x50;
// A message whose next byte comes this much later than the one before is abandoned: the station
// never pauses inside a message that long (its own inter-byte time-out is 20 ms).
constexpr milliseconds kMessageGap{200};

bool IsConsoleCommand(std::uint8_t b)
{
    return b == 0x00 || (b >= 0x40 && b <= 0x48) || b == 0x50 || b == 0x60;
}

} // namespace

ControllerProtocol::ControllerProtocol(SimulatorOptions options, const SimulatorOptions::Clock& clock,
                                       Clock::time_point now)
    : m_options(std::move(options)), m_junctionTime(now), m_faultOrigin(now)
{
    m_memory = m_options.memory ? *m_options.memory : ConfigurationImage::Encode(DemoJunction());
    m_psClearLeft = m_options.psClearFrames;
    m_shortFramesLeft = m_options.shortFrames;
    m_toggleReplyLeft = m_options.toggleReply ? m_options.toggleReply->times : 0;
    for (const auto& [faults, into] : {std::pair{&m_options.refuseSector, &m_refuse},
                                       std::pair{&m_options.ignoreSector, &m_ignore},
                                       std::pair{&m_options.zeroSector, &m_zero}})
        for (const auto& f : *faults)
            into->push_back({f.sector, f.times});
    Restart(clock);
}

ControllerProtocol::~ControllerProtocol() = default;
ControllerProtocol::ControllerProtocol(ControllerProtocol&&) noexcept = default;
ControllerProtocol& ControllerProtocol::operator=(ControllerProtocol&&) noexcept = default;

void ControllerProtocol::Resume(Clock::time_point now)
{
    if (!m_started)
        m_faultOrigin = now;
    m_started = true;
    m_junctionTime = now;
    m_pending.clear();
}

void ControllerProtocol::ClearCounters()
{
    m_framesSent = 0;
    m_entryToggles = 0;
    m_exitToggles = 0;
    m_restarts = 0;
}

Reaction ControllerProtocol::Receive(std::uint8_t byte, Clock::time_point arrival)
{
    Reaction out;
    Feed(byte, arrival, out);
    return out;
}

Reaction ControllerProtocol::PeriodicFrame(Clock::time_point now)
{
    Reaction out;
    const std::size_t length = Take(m_shortFramesLeft)
        ? static_cast<std::size_t>(std::clamp(m_options.shortFrameLength, 0, int(kStateFrameSize)))
        : kStateFrameSize;
    StateFrame(false, length, now, out);
    return out;
}

void ControllerProtocol::PowerCycle(Clock::time_point now)
{
    Advance(now);
    const vlk::Junction& old = *m_junction;
    Restart({old.Day(), old.Hours(), old.Minutes(), old.Seconds()});
    m_mode = Mode::Normal;
    m_pending.clear();
    ++m_restarts;
}

void ControllerProtocol::Feed(std::uint8_t byte, Clock::time_point arrival, Reaction& out)
{
    if (!m_pending.empty() && arrival - m_pendingLast > kMessageGap)
        m_pending.clear();
    m_pendingLast = arrival;
    if (m_pending.empty()) {
        Act(byte, arrival, out);
        return;
    }
    m_pending.push_back(byte);
    if (m_pending.front() == kToggleFirst) {
        m_pending.clear();
        if (byte == kToggleSecond) {
            out.complete = true;
            if (m_mode == Mode::Normal)
                EntryToggle(out);
            else
                ExitToggle(arrival, out);
        } else {
            Feed(byte, arrival, out);
        }
        return;
    }
    if (m_mode == Mode::Programming) {
        // A sector write: the command byte and 128 data bytes.
        if (m_pending.size() == 1 + kSectorSize) {
            out.complete = true;
            SectorWrite(arrival, out);
            m_pending.clear();
        }
        return;
    }
    // The clock message: a tag in each high nibble, 0xF0 last.
    static constexpr std::uint8_t kTags[6] = {0x80, 0x90, 0xA0, 0xB0, 0xC0, 0xF0};
    const std::size_t index = m_pending.size() - 1;
    const bool tagOk = index == 5 ? byte == 0xF0 : (byte & 0xF0) == kTags[index];
    if (!tagOk) {
        m_pending.pop_back();
        ClockMessage(arrival, out); // recorded as broken, not applied
        m_pending.clear();
        Feed(byte, arrival, out);
        return;
    }
    if (m_pending.size() == 6) {
        out.complete = true;
        ClockMessage(arrival, out);
        m_pending.clear();
    }
}

void ControllerProtocol::Act(std::uint8_t byte, Clock::time_point arrival, Reaction& out)
{
    if (byte == kToggleFirst) {
        m_pending.push_back(byte);
        return;
    }
    if (m_mode == Mode::Programming) {
        if (byte >= kSectorWrite && byte < kSectorWrite + kSectorCount) {
            m_pending.push_back(byte);
        } else if (byte >= kSectorRead && byte < kSectorRead + kSectorCount) {
            out.complete = true;
            SectorRead(byte - kSectorRead, arrival, out);
        }
        return;
    }
    if ((byte & 0xF0) == 0x80) {
        m_pending.push_back(byte);
        return;
    }
    if (byte == kStar || IsConsoleCommand(byte)) {
        out.complete = true;
        if (byte != kStar) {
            Advance(arrival);
            m_junction->Command(byte);
        }
        out.events.emplace_back(CommandEvent{arrival, byte, m_framesSent});
    }
}

void ControllerProtocol::EntryToggle(Reaction& out)
{
    ++m_entryToggles;
    std::uint8_t reply = kToggleAccepted;
    if (m_options.toggleReply && Take(m_toggleReplyLeft))
        reply = m_options.toggleReply->byte;
    if (reply == 0) {
        // Refused: a zero byte, and the junction runs on.
        out.replies.push_back({{reply}, "toggle refused"});
        return;
    }
    m_mode = Mode::Programming;
    std::vector<std::uint8_t> bytes{reply};
    if (m_options.account) {
        bytes.insert(bytes.end(), m_options.account->begin(), m_options.account->end());
    } else {
        for (std::size_t i = ImageOffset::AccountRecord; i < kImageSize && m_memory[i] != 0; ++i)
            bytes.push_back(m_memory[i]);
    }
    bytes.push_back(0);
    out.replies.push_back({std::move(bytes), "programming mode, account record"});
}

void ControllerProtocol::ExitToggle(Clock::time_point at, Reaction& out)
{
    ++m_exitToggles;
    if (m_options.exitShort) {
        StateFrame(true, static_cast<std::size_t>(std::clamp(*m_options.exitShort, 0, int(kStateFrameSize))), at, out);
        return;
    }
    Advance(at);
    // The controller's clock runs on through the restart.
    const vlk::Junction& old = *m_junction;
    Restart({old.Day(), old.Hours(), old.Minutes(), old.Seconds()});
    m_mode = Mode::Normal;
    ++m_restarts;
    StateFrame(true, kStateFrameSize, at, out);
    out.restarted = true;
}

void ControllerProtocol::SectorWrite(Clock::time_point at, Reaction& out)
{
    const int sector = m_pending.front() - kSectorWrite;
    SectorWriteEvent event;
    event.time = at;
    event.sector = sector;
    std::copy(m_pending.begin() + 1, m_pending.end(), event.data.begin());
    if (TakeSector(m_ignore, sector))
        event.outcome = SectorOutcome::Ignored;
    else if (TakeSector(m_refuse, sector))
        event.outcome = SectorOutcome::Refused;
    else if (TakeSector(m_zero, sector))
        event.outcome = SectorOutcome::AnsweredZero;
    const SectorOutcome outcome = event.outcome;
    if (outcome == SectorOutcome::Accepted)
        std::copy(event.data.begin(), event.data.end(), m_memory.begin() + sector * static_cast<std::ptrdiff_t>(kSectorSize));
    out.events.emplace_back(std::move(event));
    if (outcome == SectorOutcome::Accepted && m_options.restartAfterSector == sector && !m_restartAfterSectorDone) {
        // The power goes before the acknowledgement leaves.
        m_restartAfterSectorDone = true;
        PowerCycle(at);
        out.restarted = true;
        return;
    }
    if (outcome == SectorOutcome::Refused)
        out.replies.push_back({{static_cast<std::uint8_t>(kSectorRefused + sector)}, "sector refused"});
    else if (outcome == SectorOutcome::Accepted)
        out.replies.push_back({{static_cast<std::uint8_t>(kSectorWrite + sector)}, "sector accepted"});
    else if (outcome == SectorOutcome::AnsweredZero)
        out.replies.push_back({{0x00}, "sector answered zero"});
}

void ControllerProtocol::SectorRead(int sector, Clock::time_point at, Reaction& out)
{
    const auto begin = m_memory.begin() + sector * static_cast<std::ptrdiff_t>(kSectorSize);
    const std::vector<std::uint8_t> whole(begin, begin + static_cast<std::ptrdiff_t>(kSectorSize));
    const auto fault = std::find_if(m_options.shortSectorRead.begin(), m_options.shortSectorRead.end(),
                                    [sector](const SectorFault& f) { return f.sector == sector; });
    SectorReadEvent event{at, sector, 0, true};
    if (fault != m_options.shortSectorRead.end()) {
        event.shortBursts = fault->times < 0 ? 1 : fault->times;
        event.whole = fault->times >= 0;
    }
    out.events.emplace_back(event);
    const auto shortLength = static_cast<std::ptrdiff_t>(std::clamp(m_options.shortSectorReadLength, 0, int(kSectorSize)));
    for (int burst = 0; burst < event.shortBursts; ++burst)
        out.replies.push_back({std::vector<std::uint8_t>(whole.begin(), whole.begin() + shortLength),
                               "sector, broken off", burst > 0 ? kShortBurstPause : milliseconds(0)});
    if (event.whole)
        out.replies.push_back({whole, "sector", event.shortBursts > 0 ? kShortBurstPause : milliseconds(0)});
}

void ControllerProtocol::ClockMessage(Clock::time_point at, Reaction& out)
{
    ClockEvent event;
    event.time = at;
    std::copy(m_pending.begin(), m_pending.end(), event.bytes.begin());
    if (m_pending.size() == 6) {
        const int digits[5] = {m_pending[0] & 0x0F, m_pending[1] & 0x0F, m_pending[2] & 0x0F, m_pending[3] & 0x0F,
                               m_pending[4] & 0x0F};
        event.minutes = digits[0] + 10 * digits[1];
        event.hours = digits[2] + 10 * digits[3];
        event.day = digits[4];
        event.valid = digits[0] < 10 && digits[2] < 10 && event.minutes < 60 && event.hours < 24 && event.day < 7;
    }
    if (event.valid) {
        Advance(at);
        m_junction->SetClock(event.day, event.hours, event.minutes);
    }
    out.events.emplace_back(std::move(event));
}

void ControllerProtocol::StateFrame(bool exitReply, std::size_t length, Clock::time_point at, Reaction& out)
{
    Advance(at);
    vlk::StateFrame frame = m_junction->Frame();
    PlayFaults(frame, at);
    if (!exitReply && Take(m_psClearLeft))
        frame[0] &= static_cast<std::uint8_t>(~0x20u);
    if (m_alarm) {
        frame[0] |= 0x40;
        frame[6] |= 0x01;
    }
    FrameEvent event;
    event.time = at;
    event.bytes.assign(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(length));
    event.exitReply = exitReply;
    out.replies.push_back({event.bytes, exitReply ? "state frame (restart)" : "state frame"});
    if (!m_options.silent) {
        ++m_framesSent;
        out.events.emplace_back(std::move(event));
    }
}

void ControllerProtocol::PlayFaults(std::array<std::uint8_t, kStateFrameSize>& frame, Clock::time_point at) const
{
    using Fault = JunctionFault;
    const Clock::time_point origin = m_faultOrigin;
    const Configuration& config = m_junction->Model().Config();
    auto setBit = [&frame](int byte, int bit, bool on) {
        const auto mask = static_cast<std::uint8_t>(1u << bit);
        frame[byte] = static_cast<std::uint8_t>(on ? frame[byte] | mask : frame[byte] & ~mask);
    };
    // Where a sensor's flag is in the frame: red channel c (1..16), "Л1" or "Л2"; green sensor c (1..24).
    auto setSensor = [&](Fault::Sensor sensor, int channel, bool on) {
        if (sensor == Fault::Sensor::Green)
            setBit(22 + (channel - 1) / 6, (channel - 1) % 6, on);
        else
            setBit(18 + (channel - 1) / 4, 2 * ((channel - 1) % 4) + (sensor == Fault::Sensor::Red2 ? 1 : 0), on);
    };
    for (const Fault& fault : m_options.junctionFaults) {
        if (at < origin + fault.from || at >= origin + fault.from + fault.lasting)
            continue;
        const int d = fault.direction - 1;
        switch (fault.kind) {
        case Fault::Kind::LampOut:
        case Fault::Kind::LampStuck: {
            if (d < 0 || d >= kDirectionCount)
                break;
            const bool green = fault.sensor == Fault::Sensor::Green;
            const bool lit = frame[(green ? 15 : 9) + d / 8] >> (d % 8) & 1;
            // Out: the sensors read off while the lamp is driven; stuck: on while it is not.
            if (fault.kind == Fault::Kind::LampOut ? !lit : lit)
                break;
            const std::uint32_t channels = green ? config.greenSensors[d] : config.redSensors[d];
            for (int c = 1; c <= (green ? kGreenSensors : kRedSensorChannels); ++c)
                if (channels >> (c - 1) & 1)
                    setSensor(fault.sensor, c, fault.kind == Fault::Kind::LampStuck);
            break;
        }
        case Fault::Kind::SensorOn:
            if (fault.channel >= 1 && fault.channel <= (fault.sensor == Fault::Sensor::Green ? kGreenSensors : kRedSensorChannels))
                setSensor(fault.sensor, fault.channel, true);
            break;
        case Fault::Kind::DirectionFailure:
            if (d >= 0 && d < kDirectionCount)
                setBit(6 + d / 8, d % 8, true);
            break;
        case Fault::Kind::Alarm:
            frame[0] |= 0x40;
            break;
        case Fault::Kind::ClockOff: {
            constexpr int kWeekMinutes = 7 * 24 * 60;
            const int now = (m_junction->Day() * 24 + m_junction->Hours()) * 60 + m_junction->Minutes();
            const int shown = ((now + fault.minutes) % kWeekMinutes + kWeekMinutes) % kWeekMinutes;
            const int day = shown / (24 * 60);
            const int hours = shown / 60 % 24;
            const int minutes = shown % 60;
            frame[3] = static_cast<std::uint8_t>((frame[3] & 0xF0) | day);
            frame[4] = static_cast<std::uint8_t>((hours / 10) << 4 | hours % 10);
            frame[5] = static_cast<std::uint8_t>((minutes / 10) << 4 | minutes % 10);
            break;
        }
        }
    }
}

void ControllerProtocol::Advance(Clock::time_point now)
{
    const auto elapsed = std::chrono::duration_cast<milliseconds>(now - m_junctionTime);
    if (elapsed.count() <= 0)
        return;
    m_junction->Advance(elapsed * std::max(1, m_options.timeScale));
    m_junctionTime += elapsed;
}

void ControllerProtocol::Restart(const SimulatorOptions::Clock& clock)
{
    const DecodeResult decoded = ConfigurationImage::Decode(m_memory);
    const bool valid = decoded.configuration.has_value();
    m_junction = std::make_unique<vlk::Junction>(valid ? *decoded.configuration : Configuration{}, valid, clock.day,
                                                 clock.hours, clock.minutes, clock.seconds);
}

// Uses up one application of a limited fault; true if it applies now.
bool ControllerProtocol::Take(int& times)
{
    if (times == 0)
        return false;
    if (times > 0)
        --times;
    return true;
}

bool ControllerProtocol::TakeSector(std::vector<TimedFault>& faults, int sector)
{
    for (auto& fault : faults)
        if (fault.sector == sector && Take(fault.times))
            return true;
    return false;
}

} // namespace vlk::sim
