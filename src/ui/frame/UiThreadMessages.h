#pragma once

#include "util/Messages.h"

#include <QObject>
#include <QPointer>

#include <mutex>
#include <string>

namespace vlk {

// Passes every message to `target` on the UI thread, whichever thread calls. Blocking: the
// caller waits until the box is closed, so a procedure running off the UI thread shows its
// messages in order as they happen. Posted: the caller goes on at once; for the exchange
// worker, which must never wait on the UI thread (a stop may be waiting on it).
class UiThreadMessages final : public Messages {
public:
    enum class Mode { Blocking, Posted };

    UiThreadMessages(Messages& target, QObject* uiObject, Mode mode)
        : m_target(target), m_uiObject(uiObject), m_mode(mode)
    {
    }

    void Show(const std::string& text, MessageIcon icon = MessageIcon::None) override;
    // Posted mode cannot wait for an answer; it counts as Cancel.
    [[nodiscard]] bool Ask(const std::string& text, MessageIcon icon = MessageIcon::Question) override;
    // The last text shown or asked since ForgetLast (for the journal's line of a command).
    [[nodiscard]] std::string Last() const;
    void ForgetLast();

private:
    void Remember(const std::string& text);
    mutable std::mutex m_lastMutex;
    std::string m_last;
    Messages& m_target;
    QPointer<QObject> m_uiObject;
    Mode m_mode;
};

} // namespace vlk
