#pragma once

#include "util/Messages.h"

class QWidget;

namespace vlk {

// Shows the station's messages as modal boxes titled with the application's short name.
class BoxMessages final : public Messages {
public:
    explicit BoxMessages(QWidget* owner = nullptr) : m_owner(owner) {}
    void SetOwner(QWidget* owner) { m_owner = owner; }

    void Show(const std::string& text, MessageIcon icon = MessageIcon::None) override;
    bool Ask(const std::string& text, MessageIcon icon = MessageIcon::Question) override;
    bool AskYesNo(const std::string& text, MessageIcon icon = MessageIcon::Question) override;
    Choice AskYesNoCancel(const std::string& text, MessageIcon icon = MessageIcon::Question) override;

private:
    QWidget* m_owner;
};

} // namespace vlk
