#pragma once

#include <string>

namespace vlk {

// The icon of a message box; the station uses no icon for plain notices.
enum class MessageIcon { None, Stop, Question };

// The answer to a question with Да, Нет and Отмена.
enum class Choice { Yes, No, Cancel };

// Every message the station shows goes through this seam: the UI shows a modal box,
// the command-line tool prints a line, tests record the sequence.
class Messages {
public:
    virtual ~Messages() = default;
    // A modal notice with an OK button. Text is UTF-8.
    virtual void Show(const std::string& text, MessageIcon icon = MessageIcon::None) = 0;
    // A question with OK and Cancel; true for OK.
    [[nodiscard]] virtual bool Ask(const std::string& text, MessageIcon icon = MessageIcon::Question) = 0;
    // A question with Да and Нет where Нет is the default answer (Enter, Escape), for a step that
    // should not be taken by a hasty key; true for Да. Without such a box of its own, Ask.
    [[nodiscard]] virtual bool AskYesNo(const std::string& text, MessageIcon icon = MessageIcon::Question)
    {
        return Ask(text, icon);
    }
    // A question with Да, Нет and Отмена, where Отмена (Escape) takes no step at all. Without such
    // a box of its own, Ask: OK is Да, Cancel is Отмена.
    [[nodiscard]] virtual Choice AskYesNoCancel(const std::string& text, MessageIcon icon = MessageIcon::Question)
    {
        return Ask(text, icon) ? Choice::Yes : Choice::Cancel;
    }
};

} // namespace vlk
