#include "link/ThreadPort.h"

#include "link/ProgrammingMode.h"

#include <algorithm>
#include <span>
#include <system_error>
#include <utility>

namespace vlk {

namespace {
constexpr FrameGroup kGroups[] = {
    FrameGroup::Status,  FrameGroup::Phases, FrameGroup::Priority, FrameGroup::DayProgram,
    FrameGroup::Hours,   FrameGroup::Minutes, FrameGroup::Failures, FrameGroup::Red,
    FrameGroup::Yellow,  FrameGroup::Green,  FrameGroup::RedSensors, FrameGroup::GreenSensors,
};
const char* const kNotSent = "Команда не отправлена";
} // namespace

CThreadPort::CThreadPort(ConsoleSink& console, std::string portName, Messages& messages, CLine& line,
                         std::uint64_t generation)
    : m_line(line),
      m_console(console),
      m_portName(std::move(portName)),
      m_messages(messages),
      m_generation(generation)
{
}

CThreadPort::CThreadPort(ConsoleSink& console, std::string portName, Messages& messages, std::uint64_t generation)
    : m_ownLine(std::make_unique<CLine>()),
      m_line(*m_ownLine),
      m_console(console),
      m_portName(std::move(portName)),
      m_messages(messages),
      m_generation(generation)
{
}

CThreadPort::~CThreadPort()
{
    if (m_ended.valid() && m_ended.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        SignalStop();
        m_line.Interrupt();
        m_ended.wait();
    }
}

bool CThreadPort::Start()
{
    m_ended = m_line.Post([this](CPort& port) {
        m_port = &port;
        if (m_stop) {
            // Stopped before its turn on the line came: the line is left as the job before
            // left it.
            SetDone();
            m_console.ExchangeEnded(m_generation);
            return;
        }
        (void)RunExchange();
        OnEnd();
    });
    return m_ended.valid();
}

bool CThreadPort::ShowFrame(const FrameBytes& buffer)
{
    const StateFrame frame = DecodeStateFrame(buffer);
    for (const FrameGroup group : kGroups) {
        if (group != FrameGroup::Failures && m_stop)
            return false;
        m_console.ShowGroup(m_generation, group, frame);
    }
    return true;
}

void CThreadPort::SignalStop()
{
    {
        std::lock_guard lock(m_stopMutex);
        m_stop = true;
    }
    m_stopChanged.notify_all();
}

void CThreadPort::WaitForStop(std::chrono::steady_clock::time_point until)
{
    std::unique_lock lock(m_stopMutex);
    m_stopChanged.wait_until(lock, until, [this] { return m_stop.load(); });
}

void CThreadPort::RecordTo(const std::string& folder, const ImageBytes& image, std::uint64_t limit)
{
    m_recorder = std::make_unique<DayRecorder>(folder, m_portName, image, limit);
}

void CThreadPort::Record(const RecordEntry& record)
{
    if (m_recorder) {
        const std::string error = m_recorder->Append(record, UtcNowMs());
        if (!error.empty() && !m_recordingFailed) {
            m_recordingFailed = true;
            m_console.RecordingFailed(m_generation, error);
        }
    }
    m_console.Recorded(m_generation, record);
}

void CThreadPort::RecordLineLost()
{
    const std::int64_t now = UtcNowMs();
    Record(LineRecord(m_lastFrameMs < 0 ? now : std::min(now, m_lastFrameMs + m_framePeriodMs), true));
}

void CThreadPort::LoseLine()
{
    m_port->Close();
    if (m_lineLost)
        return;
    m_lineLost = true;
    RecordLineLost();
    m_console.ShowLineLost(m_generation, true);
}

bool CThreadPort::RunExchange()
{
    if (!m_port->Open(m_portName, "AX25")) {
        m_messages.Show(m_port->NotOpenText());
        // A device that is not there ends the exchange. A server on the network that is not
        // there yet (restarting, its link down) is a lost line like any other: said once,
        // tried again on every pass.
        if (!CPort::IsNetworkName(m_portName))
            return false;
        m_lineLost = true;
        m_console.ShowLineLost(m_generation, true);
    }
    FrameBytes buffer{};
    int silentPasses = 0;
    while (!m_stop) {
        const auto passStart = std::chrono::steady_clock::now();
        std::size_t got = 0;
        // After a loss the same name is tried again on every pass: a device plugged back in
        // resumes the exchange. The port reports the failure on stderr once.
        std::int64_t frameMs = 0;
        if (m_port->IsOpen() || (!m_stop && m_port->Open(m_portName, "AX25"))) {
            got = m_port->Read(buffer.data(), buffer.size());
            frameMs = UtcNowMs();
            if (m_port->LastReadEnd() == CPort::ReadEnd::Gone) {
                got = 0; // what came before the hang-up is no frame to answer
                LoseLine();
            } else if (got > 0) {
                if (m_lineLost) {
                    m_lineLost = false;
                    Record(LineRecord(frameMs, false));
                    m_console.ShowLineLost(m_generation, false);
                } else if (m_lastFrameMs >= 0) {
                    m_framePeriodMs = std::clamp<std::int64_t>(frameMs - m_lastFrameMs, 1, kSilentPass.count());
                }
                m_lastFrameMs = frameMs;
            }
        }
        silentPasses = got == 0 ? silentPasses + 1 : 0;
        // A controller that falls silent while its device stays (a cable pulled at its end, a
        // controller switched off) is as lost as a device that went: said once, after two
        // passes, and the zeros shown then stand for nothing known.
        if (silentPasses == kSilentPassesToLost && !m_lineLost) {
            m_lineLost = true;
            RecordLineLost();
            m_console.ShowLineLost(m_generation, true);
        }
        if (got == 0) {
            WaitForStop(passStart + m_silentPass);
            if (m_stop)
                break;
            buffer.fill(0);
            (void)ShowFrame(buffer);
            if (m_stop)
                break;
            continue;
        }
        // A short frame keeps the tail the buffer had.
        if (!(buffer[0] & status::kConsoleReady)) {
            const std::uint8_t star = command::kNotReady;
            const bool sent = m_port->Write(&star, 1);
            Record(FrameRecord(frameMs, std::span(buffer).first(got),
                               sent ? std::span<const std::uint8_t>(&star, 1) : std::span<const std::uint8_t>()));
            if (!sent) {
                if (m_port->DeviceGone())
                    LoseLine();
                else
                    m_messages.Show(kNotSent);
            }
            if (m_stop)
                break;
            continue;
        }

        if (!ShowFrame(buffer) || m_stop)
            break;
        const std::uint8_t commandByte = m_console.CommandByte().load();
        bool sent = false;
        std::span<const std::uint8_t> answer;
        ClockMessage message{};
        if (m_console.SendClockFlag().load() != 0) {
            const ClockFields clock = m_console.ClockToSend();
            message = BuildClockMessage(clock.minutes, clock.hours, clock.day);
            sent = m_port->Write(message.data(), message.size());
            if (sent)
                m_console.SendClockFlag().store(0);
            answer = message;
        } else {
            sent = m_port->Write(&commandByte, 1);
            answer = std::span(&commandByte, 1);
        }
        Record(FrameRecord(frameMs, std::span(buffer).first(got), sent ? answer : std::span<const std::uint8_t>()));
        if (!sent && m_port->DeviceGone()) {
            // Gone between the frame and its answer: a lost line, not a failed command.
            LoseLine();
            buffer.fill(0);
            continue;
        }
        if (!sent) {
            m_messages.Show(kNotSent);
            break;
        }
        if (m_stop)
            break;
        m_console.Repaint(m_generation);
        buffer.fill(0);
    }
    m_port->Close();
    if (m_recorder)
        m_recorder->Close();
    return false;
}

void CThreadPort::OnEnd()
{
    m_port->Close();
    SetDone();
    m_console.ExchangeEnded(m_generation);
}

void CThreadPort::SetDone()
{
    {
        std::lock_guard lock(m_doneMutex);
        m_done = true;
    }
    m_doneChanged.notify_all();
}

bool CThreadPort::Done() const
{
    std::lock_guard lock(m_doneMutex);
    return m_done;
}

void CThreadPort::StopAndWait(std::chrono::milliseconds pause, std::chrono::milliseconds limit)
{
    SignalStop();
    std::this_thread::sleep_for(pause);
    bool done = false;
    {
        std::unique_lock lock(m_doneMutex);
        done = m_doneChanged.wait_for(lock, limit, [this] { return m_done; });
    }
    if (!done) {
        // Closing the line from here wakes the worker's read; the wait below makes sure it has
        // ended.
        m_stopTimedOut = true;
        m_line.Interrupt();
        SetDone();
    }
    if (m_ended.valid())
        m_ended.wait();
}

std::unique_ptr<CThreadPort> StartExchange(ConsoleSink& console, const std::string& portName, Messages& messages,
                                           CLine& line, std::uint64_t generation,
                                           const std::optional<RecordingTarget>& recording)
{
    auto worker = std::make_unique<CThreadPort>(console, portName, messages, line, generation);
    if (recording)
        worker->RecordTo(recording->folder, recording->image, recording->limit);
    if (!worker->Start())
        return nullptr;
    return worker;
}

void StopExchange(std::unique_ptr<CThreadPort>& worker, ConsoleSink& console)
{
    if (!worker)
        return;
    worker->SignalStop();
    worker->StopAndWait();
    worker.reset();
    console.ClearState(FrameBytes{});
}

} // namespace vlk
