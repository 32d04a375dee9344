#include "pages/DeskSinkBridge.h"

#include "record/Recording.h"

#include "pages/DeskWnd.h"

#include <QMetaObject>
#include <QThread>

namespace vlk {

bool DeskSinkBridge::Current(std::uint64_t generation) const
{
    return generation != 0 && generation == m_generation.load();
}

// Runs `job` on the page's thread while `generation` is current: the exchange may have stopped
// while the update was queued.
template <typename Job>
void DeskSinkBridge::PostIfCurrent(std::uint64_t generation, Job job)
{
    if (!Current(generation))
        return;
    QMetaObject::invokeMethod(
        &m_page,
        [this, generation, job] {
            if (Current(generation))
                job();
        },
        Qt::QueuedConnection);
}

std::uint64_t DeskSinkBridge::NextGeneration()
{
    m_generation = ++m_lastGeneration;
    return m_lastGeneration;
}

void DeskSinkBridge::ShowGroup(std::uint64_t generation, FrameGroup group, const StateFrame& frame)
{
    PostIfCurrent(generation, [this, group, frame] { m_page.ShowFrameGroup(group, frame); });
}

void DeskSinkBridge::Repaint(std::uint64_t generation)
{
    PostIfCurrent(generation, [this] { m_page.update(); });
}

void DeskSinkBridge::ShowLineLost(std::uint64_t generation, bool lost)
{
    PostIfCurrent(generation, [this, lost] {
        m_page.SetLineLost(lost);
        emit m_page.LineLostChanged(lost);
    });
}

void DeskSinkBridge::ExchangeEnded(std::uint64_t generation)
{
    PostIfCurrent(generation, [this] { emit m_page.WorkerEnded(); });
}

void DeskSinkBridge::Recorded(std::uint64_t generation, const RecordEntry& record)
{
    PostIfCurrent(generation, [this, record] { emit m_page.FrameRecorded(record); });
}

void DeskSinkBridge::RecordingFailed(std::uint64_t generation, const std::string& why)
{
    PostIfCurrent(generation, [this, text = QString::fromStdString(why)] { emit m_page.RecordingFailed(text); });
}

void DeskSinkBridge::ClearState(const FrameBytes& frame)
{
    // Whatever the stopped worker still has queued is dropped from here on.
    m_generation = 0;
    if (QThread::currentThread() != m_page.thread()) {
        QMetaObject::invokeMethod(&m_page, [this, frame] { m_page.ShowCleared(frame); }, Qt::QueuedConnection);
        return;
    }
    m_page.ShowCleared(frame);
}

ClockFields DeskSinkBridge::ClockToSend()
{
    const std::lock_guard lock(m_clockMutex);
    return m_clockFields;
}

void DeskSinkBridge::SetClockFields(const ClockFields& fields)
{
    const std::lock_guard lock(m_clockMutex);
    m_clockFields = fields;
}

} // namespace vlk
