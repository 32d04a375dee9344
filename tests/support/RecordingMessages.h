#pragma once

#include "util/Messages.h"

#include <string>
#include <vector>

namespace vlk {

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
