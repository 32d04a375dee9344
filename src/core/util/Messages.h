#pragma once

#include <string>
#include <utility>
#include <vector>

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

// Keeps every message in order; answers questions from a queue (OK when it runs dry), and the
// questions with three answers from a queue of their own (Нет when it runs dry: go on, save nothing).
class RecordingMessages final : public Messages {
public:
    struct Entry {
        std::string text;
        MessageIcon icon;
        bool question;
        bool operator==(const Entry&) const = default;
    };

    void Show(const std::string& text, MessageIcon icon = MessageIcon::None) override
    {
        m_entries.push_back({text, icon, false});
    }
    bool Ask(const std::string& text, MessageIcon icon = MessageIcon::Question) override
    {
        m_entries.push_back({text, icon, true});
        if (m_answers.empty())
            return true;
        const bool answer = m_answers.front();
        m_answers.erase(m_answers.begin());
        return answer;
    }

    Choice AskYesNoCancel(const std::string& text, MessageIcon icon = MessageIcon::Question) override
    {
        m_entries.push_back({text, icon, true});
        if (m_choices.empty())
            return Choice::No;
        const Choice choice = m_choices.front();
        m_choices.erase(m_choices.begin());
        return choice;
    }

    void QueueAnswer(bool ok) { m_answers.push_back(ok); }
    void QueueChoice(Choice choice) { m_choices.push_back(choice); }
    [[nodiscard]] const std::vector<Entry>& Entries() const { return m_entries; }
    [[nodiscard]] std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const auto& entry : m_entries)
            texts.push_back(entry.text);
        return texts;
    }
    void Clear() { m_entries.clear(); }

private:
    std::vector<Entry> m_entries;
    std::vector<bool> m_answers;
    std::vector<Choice> m_choices;
};

} // namespace vlk
