#include "link/ThreadPort.h"

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

CThreadPort::CThreadPort(ConsoleSink& console, std::string portName, Messages& messages, std::mutex& exchangeLock,
                         std::uint64_t generation)
    : m_console(console),
      m_portName(std::move(portName)),
      m_messages(messages),
      m_exchangeLock(exchangeLock),
      m_generation(generation)
{
}

CThreadPort::~CThreadPort()
{
    if (m_thread.joinable()) {
        m_stop = true;
        m_port.Close();
        m_thread.join();
    }
}

bool CThreadPort::Start()
{
    try {
        m_thread = std::thread([this] {
            (void)RunExchange();
            OnEnd();
        });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
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

bool CThreadPort::RunExchange()
{
    if (!m_port.Open(m_portName, "AX25")) {
        m_messages.Show("Порт не открыт");
        return false;
    }
    FrameBytes buffer{};
    while (!m_stop) {
        const std::size_t got = m_port.Read(buffer.data(), buffer.size());
        if (got == 0) {
            buffer.fill(0);
            {
                std::lock_guard lock(m_exchangeLock);
                (void)ShowFrame(buffer);
            }
            if (m_stop)
                break;
            continue;
        }
        // A short frame keeps the tail the buffer had.
        if (!(buffer[0] & status::kConsoleReady)) {
            const std::uint8_t star = command::kNotReady;
            if (!m_port.Write(&star, 1))
                m_messages.Show(kNotSent);
            if (m_stop)
                break;
            continue;
        }

        std::unique_lock lock(m_exchangeLock);
        if (!ShowFrame(buffer) || m_stop)
            break;
        const std::uint8_t commandByte = m_console.CommandByte().load();
        bool sent = false;
        if (m_console.SendClockFlag().load() != 0) {
            const ClockFields clock = m_console.ClockToSend();
            const ClockMessage message = BuildClockMessage(clock.minutes, clock.hours, clock.day);
            sent = m_port.Write(message.data(), message.size());
            if (sent)
                m_console.SendClockFlag().store(0);
        } else {
            sent = m_port.Write(&commandByte, 1);
        }
        if (!sent) {
            m_messages.Show(kNotSent);
            break;
        }
        if (m_stop)
            break;
        m_console.Repaint(m_generation);
        lock.unlock();
        buffer.fill(0);
    }
    m_port.Close();
    return false;
}

void CThreadPort::OnEnd()
{
    m_port.Close();
    SetDone();
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
    m_stop = true;
    std::this_thread::sleep_for(pause);
    bool done = false;
    {
        std::unique_lock lock(m_doneMutex);
        done = m_doneChanged.wait_for(lock, limit, [this] { return m_done; });
    }
    if (!done) {
        // Closing from here wakes the worker's read; the join below makes sure it has ended.
        m_stopTimedOut = true;
        m_port.Close();
        SetDone();
    }
    if (m_thread.joinable())
        m_thread.join();
}

std::unique_ptr<CThreadPort> StartExchange(ConsoleSink& console, const std::string& portName, Messages& messages,
                                           std::mutex& exchangeLock, std::uint64_t generation)
{
    auto worker = std::make_unique<CThreadPort>(console, portName, messages, exchangeLock, generation);
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
