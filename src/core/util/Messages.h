#pragma once

#include <string>
#include <utility>
#include <vector>

namespace vlk {

// The icon of a message box; the station uses no icon for plain notices.
enum class MessageIcon { None, Stop, Question };

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
};

// Keeps every message in order; answers questions from a queue (OK when it runs dry).
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

    void QueueAnswer(bool ok) { m_answers.push_back(ok); }
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
};

} // namespace vlk
