#include "frame/UiThreadMessages.h"

#include <QMetaObject>
#include <QThread>

namespace vlk {

void UiThreadMessages::Remember(const std::string& text)
{
    std::lock_guard lock(m_lastMutex);
    m_last = text;
}

std::string UiThreadMessages::Last() const
{
    std::lock_guard lock(m_lastMutex);
    return m_last;
}

void UiThreadMessages::ForgetLast()
{
    std::lock_guard lock(m_lastMutex);
    m_last.clear();
}

void UiThreadMessages::Show(const std::string& text, MessageIcon icon)
{
    Remember(text);
    QObject* ui = m_uiObject.data();
    if (ui == nullptr)
        return;
    if (QThread::currentThread() == ui->thread()) {
        m_target.Show(text, icon);
        return;
    }
    Messages& target = m_target;
    const auto type = m_mode == Mode::Blocking ? Qt::BlockingQueuedConnection : Qt::QueuedConnection;
    QMetaObject::invokeMethod(ui, [&target, text, icon] { target.Show(text, icon); }, type);
}

bool UiThreadMessages::Ask(const std::string& text, MessageIcon icon)
{
    Remember(text);
    QObject* ui = m_uiObject.data();
    if (ui == nullptr)
        return false;
    if (QThread::currentThread() == ui->thread())
        return m_target.Ask(text, icon);
    if (m_mode == Mode::Posted)
        return false;
    bool answer = false;
    Messages& target = m_target;
    QMetaObject::invokeMethod(ui, [&] { answer = target.Ask(text, icon); }, Qt::BlockingQueuedConnection);
    return answer;
}

} // namespace vlk
