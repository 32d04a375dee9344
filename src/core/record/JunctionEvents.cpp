#include "record/JunctionEvents.h"

#include <algorithm>
#include <cstdlib>
#include <ctime>

namespace vlk {

namespace {

constexpr std::array<const char*, kEventKindCount> kIds{
    "alarm", "error", "yellow-flashing", "lights-off", "manual", "direction-failure", "lamp-out",
    "sensor-on", "program", "phase-overrun", "clock", "line", "command"};
constexpr std::array<const char*, kEventKindCount> kTitles{
    "Авария", "Ошибка", "Желтое мигание", "Светофоры выключены", "Ручное управление", "Авария направления",
    "Лампа не горит", "Датчик без лампы", "Смена программы", "Затянутая фаза", "Часы контроллера", "Связь",
    "Команда оператора"};

constexpr std::array<const char*, 7> kLowerDayNames{"понедельник", "вторник", "среда", "четверг", "пятница", "суббота",
                                               "воскресенье"};

std::string TwoDigits(int value)
{
    return (value < 10 ? "0" : "") + std::to_string(value);
}

// What a status flag's change means, by bit: kind, priority, set text, cleared text.
struct FlagEvent {
    int bit;
    EventKind kind;
    int priority;
    const char* set;
    const char* cleared;
};
constexpr FlagEvent kFlagEvents[] = {
    {6, EventKind::Alarm, 1, "Контроллер сообщает «АВАРИЯ»", "«АВАРИЯ» снята"},
    {7, EventKind::Error, 1, "Контроллер сообщает «ОШ»: ошибка в памяти или в работе", "«ОШ» снята"},
    {2, EventKind::YellowFlashing, 2, "Контроллер перешел в желтое мигание («ЖМ»)", "Желтое мигание («ЖМ») закончилось"},
    {4, EventKind::LightsOff, 2, "Светофоры выключены («ОС»)", "Светофоры снова включены («ОС» снят)"},
    {3, EventKind::Manual, 3, "Контроллер под ручным управлением («РУ»)", "Ручное управление («РУ») закончилось"},
};

JunctionEvent Event(std::int64_t t, EventKind kind, int priority, bool active, std::string message)
{
    JunctionEvent e;
    e.timeMs = t;
    e.kind = kind;
    e.priority = priority;
    e.active = active;
    e.message = std::move(message);
    return e;
}

JunctionEvent Notice(std::int64_t t, EventKind kind, std::string message)
{
    JunctionEvent e = Event(t, kind, 3, true, std::move(message));
    e.alarm = false;
    return e;
}

bool DirectionFlag(const std::array<bool, kFrameDirections>& run, int direction) { return run[direction - 1]; }

} // namespace

const char* EventKindId(EventKind kind) { return kIds[static_cast<std::size_t>(kind)]; }
const char* EventKindTitle(EventKind kind) { return kTitles[static_cast<std::size_t>(kind)]; }

std::optional<EventKind> EventKindFromId(const std::string& id)
{
    for (int k = 0; k < kEventKindCount; ++k)
        if (id == kIds[static_cast<std::size_t>(k)])
            return static_cast<EventKind>(k);
    return std::nullopt;
}

EventTracker::EventTracker(const Configuration& configuration) : m_config(configuration)
{
    const auto AddSensor = [this](int direction, int channel, EventLamp lamp, int sensor) {
        Sensor watched;
        watched.direction = direction;
        watched.channel = channel;
        watched.lamp = lamp;
        watched.sensor = sensor;
        m_sensors.push_back(watched);
    };
    // Each bound sensor watches one lamp: a red channel's "Л1" and "Л2" the direction's red lamps,
    // a green sensor its green. A channel bound to no direction has no lamp to compare with.
    for (int d = 1; d <= kDirectionCount; ++d) {
        for (int c = 1; c <= kRedSensorChannels; ++c)
            if (m_config.redSensors[d - 1] >> (c - 1) & 1)
                for (int s = 1; s <= 2; ++s)
                    AddSensor(d, c, EventLamp::Red, s);
        for (int c = 1; c <= kGreenSensors; ++c)
            if (m_config.greenSensors[d - 1] >> (c - 1) & 1)
                AddSensor(d, c, EventLamp::Green, 0);
    }
}

std::vector<JunctionEvent> EventTracker::Feed(const RecordEntry& record)
{
    std::vector<JunctionEvent> out;
    switch (record.kind) {
    case RecordKind::LineLost:
        if (!m_lineLost)
            out.push_back(Event(record.timeMs, EventKind::Line, 2, true, "Связь с контроллером потеряна"));
        m_lineLost = true;
        ForgetTimers();
        break;
    case RecordKind::LineBack:
        if (m_lineLost)
            out.push_back(Event(record.timeMs, EventKind::Line, 2, false, "Связь с контроллером восстановлена"));
        m_lineLost = false;
        break;
    case RecordKind::Frame:
        Frame(record, out);
        Answer(record, out);
        break;
    }
    std::stable_sort(out.begin(), out.end(), [](const JunctionEvent& a, const JunctionEvent& b) { return a.timeMs < b.timeMs; });
    return out;
}

void EventTracker::ForgetTimers()
{
    for (Sensor& s : m_sensors) {
        s.since = -1;
        s.disagreement.reset();
    }
    // An overrun stays until a frame shows the phase over.
    if (!m_overrun)
        m_phase = 0;
}

void EventTracker::Frame(const RecordEntry& record, std::vector<JunctionEvent>& out)
{
    // A short frame or one the controller marks not ready carries nothing to trust.
    if (record.frameLength < kStateFrameSize || !(record.frame[0] & status::kConsoleReady)) {
        ForgetTimers();
        return;
    }
    const std::int64_t t = record.timeMs;
    if (m_lineLost) {
        // A frame after a lost line without its record (a recording cut and joined): the line is back.
        out.push_back(Event(t, EventKind::Line, 2, false, "Связь с контроллером восстановлена"));
        m_lineLost = false;
    }
    const StateFrame frame = DecodeStateFrame(record.frame);
    for (const FlagEvent& flag : kFlagEvents) {
        const bool on = frame.status[static_cast<std::size_t>(flag.bit)];
        if (on != m_status[static_cast<std::size_t>(flag.bit)])
            out.push_back(Event(t, flag.kind, flag.priority, on, on ? flag.set : flag.cleared));
        m_status[static_cast<std::size_t>(flag.bit)] = on;
    }
    for (int d = 1; d <= kDirectionCount; ++d) {
        const bool on = DirectionFlag(frame.failure, d);
        if (on != m_failure[static_cast<std::size_t>(d - 1)]) {
            JunctionEvent e = Event(t, EventKind::DirectionFailure, 1, on,
                                    "Направление " + std::to_string(d) + (on ? ": авария" : ": авария снята"));
            e.direction = d;
            out.push_back(std::move(e));
        }
        m_failure[static_cast<std::size_t>(d - 1)] = on;
    }
    if (m_program >= 0 && frame.program != m_program)
        out.push_back(Notice(t, EventKind::Program,
                             "Смена программы: была " + std::to_string(m_program) + ", стала " + std::to_string(frame.program)));
    Lamps(t, frame, out);
    Phase(t, frame, out);
    m_program = frame.program;
    ClockCheck(t, frame, out);
}

void EventTracker::Lamps(std::int64_t t, const StateFrame& frame, std::vector<JunctionEvent>& out)
{
    for (Sensor& s : m_sensors) {
        const bool red = s.lamp == EventLamp::Red;
        const bool lit = DirectionFlag(red ? frame.red : frame.green, s.direction);
        const bool seen = red ? (s.sensor == 1 ? frame.redSensorL1 : frame.redSensorL2)[static_cast<std::size_t>(s.channel - 1)]
                              : frame.greenSensor[static_cast<std::size_t>(s.channel - 1)];
        // The sentence is made only for an event: this runs for every sensor of every frame.
        auto event = [&](std::int64_t at, EventKind kind, bool active) {
            const bool out_ = kind == EventKind::LampOut;
            const std::string lamp = s.sensor == 1 ? "Л1" : "Л2";
            std::string text = "Направление " + std::to_string(s.direction) + ": ";
            if (out_)
                text += (red ? "красная лампа " + lamp : std::string("зеленая лампа")) + (active ? " не горит" : " снова горит")
                    + " (канал " + std::to_string(s.channel) + ")";
            else
                text += (red ? "датчик красных ламп " + lamp + " канала " : std::string("датчик зеленой лампы "))
                    + std::to_string(s.channel) + (active ? " видит свет при выключенной лампе" : " снова в норме");
            JunctionEvent e = Event(at, kind, out_ && red ? 1 : 2, active, text);
            e.direction = s.direction;
            e.channel = s.channel;
            e.lamp = s.lamp;
            e.sensor = s.sensor;
            return e;
        };
        if (lit == seen) {
            // A disagreement ending at this frame lasted until this frame, not until the last one
            // that showed it: a lamp dark for 3 s between frames a second apart is seen dark on
            // frames only 2 s (or a little less) apart, and is a fault all the same.
            if (s.disagreement && s.active != s.disagreement && t - s.since >= kLampFaultMs) {
                if (s.active)
                    out.push_back(event(t, *s.active, false));
                out.push_back(event(s.since, *s.disagreement, true));
                s.active = s.disagreement;
            }
            // Cleared only when the lamp is seen working: lit and seen for a lamp out, dark and
            // unseen for a sensor on.
            if (s.active == EventKind::LampOut && lit)
                out.push_back(event(t, EventKind::LampOut, false)), s.active.reset();
            else if (s.active == EventKind::SensorOn && !lit)
                out.push_back(event(t, EventKind::SensorOn, false)), s.active.reset();
            s.since = -1;
            s.disagreement.reset();
            continue;
        }
        const EventKind kind = lit ? EventKind::LampOut : EventKind::SensorOn;
        if (s.disagreement != kind) {
            s.disagreement = kind;
            s.since = t;
        }
        if (t - s.since >= kLampFaultMs && s.active != kind) {
            if (s.active)
                out.push_back(event(t, *s.active, false));
            out.push_back(event(s.since, kind, true));
            s.active = kind;
        }
    }
}

void EventTracker::Phase(std::int64_t t, const StateFrame& frame, std::vector<JunctionEvent>& out)
{
    // A phase is measured while the controller runs its program: not in a change ("Тпром"), not
    // under the operator, not flashing yellow or dark.
    const bool running = !frame.status[0] && !frame.status[2] && !frame.status[3] && !frame.status[4];
    const int phase = running && frame.program >= 1 && frame.program <= kProgramCount && frame.currentPhase >= 1
            && frame.currentPhase <= kPhaseCount
        ? frame.currentPhase
        : 0;
    if (phase != m_phase) {
        if (m_overrun) {
            JunctionEvent e = Event(t, EventKind::PhaseOverrun, 2, false,
                                    "Фаза " + std::to_string(m_phase) + " закончилась через "
                                        + std::to_string((t - m_phaseSince + 500) / 1000) + " с");
            out.push_back(std::move(e));
        }
        m_overrun = false;
        m_phase = phase;
        m_phaseSince = t;
        return;
    }
    if (phase == 0 || m_overrun)
        return;
    const int planned = m_config.programDuration[static_cast<std::size_t>(frame.program - 1)][static_cast<std::size_t>(phase - 1)];
    if (planned == 0)
        return;
    const std::int64_t limit = planned * 1000 + kOverrunMs;
    if (t - m_phaseSince > limit) {
        m_overrun = true;
        out.push_back(Event(m_phaseSince + limit, EventKind::PhaseOverrun, 2, true,
                            "Фаза " + std::to_string(phase) + " программы " + std::to_string(frame.program)
                                + " длится дольше " + std::to_string(planned) + " с по программе, более чем на 5 с"));
    }
}

void EventTracker::ClockCheck(std::int64_t t, const StateFrame& frame, std::vector<JunctionEvent>& out)
{
    const std::time_t seconds = static_cast<std::time_t>(t / 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    const int today = (local.tm_wday + 6) % 7;
    const int computer = local.tm_hour * 60 + local.tm_min;
    const int controller = frame.hours * 60 + frame.minutes;
    int off = 0;
    if (frame.Day() == kNoDay) {
        off = controller - computer;
        off = ((off % 1440) + 1440 + 720) % 1440 - 720;
    } else {
        constexpr int kWeek = 7 * 1440;
        off = frame.Day() * 1440 + controller - (today * 1440 + computer);
        off = ((off % kWeek) + kWeek + kWeek / 2) % kWeek - kWeek / 2;
    }
    const bool wrong = std::abs(off) > kClockMinutes;
    if (wrong && !m_clockOff) {
        const int day = frame.Day();
        std::string shown = (day == kNoDay ? std::string() : std::string(kLowerDayNames[static_cast<std::size_t>(day)]) + " ")
            + TwoDigits(frame.hours) + ":" + TwoDigits(frame.minutes);
        out.push_back(Event(t, EventKind::Clock, 3, true,
                            "Часы контроллера (" + shown + ") " + (off > 0 ? "спешат" : "отстают") + " на "
                                + std::to_string(std::abs(off)) + " мин против часов компьютера"));
        m_clockOff = off;
    } else if (!wrong && m_clockOff) {
        out.push_back(Event(t, EventKind::Clock, 3, false, "Часы контроллера снова совпадают с часами компьютера"));
        m_clockOff.reset();
    }
}

void EventTracker::Answer(const RecordEntry& record, std::vector<JunctionEvent>& out)
{
    const std::int64_t t = record.timeMs;
    if (record.answerLength == kClockMessageSize) {
        const auto& b = record.answer;
        const int minutes = (b[0] & 0x0F) + 10 * (b[1] & 0x0F);
        const int hours = (b[2] & 0x0F) + 10 * (b[3] & 0x0F);
        const int day = b[4] & 0x0F;
        out.push_back(Notice(t, EventKind::Command,
                             "Часы контроллера установлены: " + std::string(day < 7 ? kLowerDayNames[static_cast<std::size_t>(day)] : "без дня")
                                 + " " + TwoDigits(hours) + ":" + TwoDigits(minutes)));
        return;
    }
    if (record.answerLength != 1 || record.answer[0] == command::kNotReady || record.answer[0] == m_command)
        return;
    const std::uint8_t byte = record.answer[0];
    std::string text;
    if (byte == command::kNone)
        text = "Оператор вернул управление контроллеру";
    else if (byte == command::kOperatorControl)
        text = "Оператор взял управление";
    else if (byte > command::kPhaseBase && byte <= command::kPhaseBase + kPhaseCount)
        text = "Оператор вызвал фазу " + std::to_string(byte - command::kPhaseBase);
    else if (byte == command::kYellowFlashing)
        text = "Оператор включил желтое мигание («ЖМ»)";
    else if (byte == command::kLightsOff)
        text = "Оператор выключил светофоры («ОС»)";
    else
        return;
    if (m_command == command::kNone && byte != command::kOperatorControl && byte != command::kNone)
        out.push_back(Notice(t, EventKind::Command, "Оператор взял управление"));
    m_command = byte;
    out.push_back(Notice(t, EventKind::Command, text));
}

std::vector<JunctionEvent> RecordingEvents(const Recording& recording, const Configuration& configuration)
{
    EventTracker tracker(configuration);
    std::vector<JunctionEvent> events;
    for (const RecordEntry& record : recording.records) {
        auto more = tracker.Feed(record);
        events.insert(events.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const JunctionEvent& a, const JunctionEvent& b) { return a.timeMs < b.timeMs; });
    return events;
}

} // namespace vlk
