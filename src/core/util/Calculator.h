#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vlk {

// Reads the leading decimal number after dropping every space; 0 when there is none.
[[nodiscard]] double ReadNumber(std::string_view text);
// "%.2f" without trailing zeros and then without a trailing point: 2.50 -> "2.5", 3.00 -> "3".
[[nodiscard]] std::string NumberText(double value);

// The calculator of the drop-down number editor, without any window. Keys are named by their
// labels; the display is the text of the edit field, which the caller passes in with every key
// and sets from the result.
class Calculator {
public:
    static constexpr int kKeyCount = 19;
    static constexpr char32_t kPlusMinus = U'\u00B1';
    static constexpr char32_t kBackspace = U'<';

    // The beep defaults to the process-wide one (util/ADate.h).
    explicit Calculator(std::function<void()> beep = {});

    // The label of key 0..18 in the pop-up's order (7 8 9 / 4 5 6 * 1 2 3 - 0 , ± + C < =).
    [[nodiscard]] static char32_t KeyLabel(int key);
    // The key a typed character presses: Backspace is "<", a point the comma, "c", "с" and "С"
    // are "C"; nullopt when no key has that label.
    [[nodiscard]] static std::optional<int> KeyForCharacter(char32_t character);

    // Opening: the entry starts afresh and the text is normalised; returns the new display.
    [[nodiscard]] std::string Open(std::string_view text);
    // One key (by label) on the display text; returns the new display.
    [[nodiscard]] std::string Key(char32_t label, std::string_view display);
    // Closing: the pending operation is applied; returns the final text.
    [[nodiscard]] std::string Close();

    // "=" asks the pop-up to close.
    [[nodiscard]] bool CloseRequested() const { return m_closeRequest; }
    [[nodiscard]] double Value() const { return m_value; }
    [[nodiscard]] double Accumulator() const { return m_accumulator; }
    [[nodiscard]] char PendingOperator() const { return m_operator; }
    [[nodiscard]] bool EntryStarted() const { return m_entryStarted; }

private:
    [[nodiscard]] double Apply(double a, char op, double b) const;

    std::function<void()> m_beep;
    double m_value = 0;
    double m_accumulator = 0;
    char m_operator = '=';
    bool m_entryStarted = false;
    bool m_closeRequest = false;
};

} // namespace vlk
