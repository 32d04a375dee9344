#include "util/Calculator.h"

#include "util/ADate.h"

#include <charconv>
#include <cmath>

namespace vlk {

namespace {

constexpr char32_t kLabels[Calculator::kKeyCount] = {
    U'7', U'8', U'9', U'/',
    U'4', U'5', U'6', U'*',
    U'1', U'2', U'3', U'-',
    U'0', U',', Calculator::kPlusMinus, U'+',
    U'C', Calculator::kBackspace, U'=',
};

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

} // namespace

double ReadNumber(std::string_view text)
{
    std::string compact;
    for (const char c : text)
        if (c != ' ')
            compact += c;
    // Our own reading, independent of the C locale's decimal point.
    std::size_t i = 0;
    while (i < compact.size() && compact[i] >= '\t' && compact[i] <= '\r')
        ++i;
    bool negative = false;
    if (i < compact.size() && (compact[i] == '+' || compact[i] == '-')) {
        negative = compact[i] == '-';
        ++i;
    }
    const std::size_t start = i;
    while (i < compact.size() && IsDigit(compact[i]))
        ++i;
    bool digits = i > start;
    if (i < compact.size() && compact[i] == '.') {
        ++i;
        const std::size_t fraction = i;
        while (i < compact.size() && IsDigit(compact[i]))
            ++i;
        digits = digits || i > fraction;
    }
    if (!digits)
        return 0;
    std::string number = compact.substr(start, i - start);
    if (number.front() == '.')
        number.insert(number.begin(), '0');
    double value = 0;
    std::from_chars(number.data(), number.data() + number.size(), value, std::chars_format::fixed);
    return negative ? -value : value;
}

std::string NumberText(double value)
{
    // to_chars always writes a point, whatever locale the application has set; large values
    // print in full, the edit field takes any length.
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
    std::string text(buffer, result.ec == std::errc() ? result.ptr : buffer);
    if (text.find('.') != std::string::npos) {
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.')
            text.pop_back();
    }
    // A negative value that rounds to zero would otherwise show as "-0".
    if (text == "-0")
        text = "0";
    return text;
}

Calculator::Calculator(std::function<void()> beep) : m_beep(std::move(beep))
{
    if (!m_beep)
        m_beep = [] { Beep(); };
}

char32_t Calculator::KeyLabel(int key)
{
    return key >= 0 && key < kKeyCount ? kLabels[key] : U'\0';
}

std::optional<int> Calculator::KeyForCharacter(char32_t character)
{
    switch (character) {
    case U'\b': character = kBackspace; break;
    case U'.': character = U','; break;
    case U'c':
    case U'\u0441': // с
    case U'\u0421': // С
        character = U'C';
        break;
    default: break;
    }
    for (int key = 0; key < kKeyCount; ++key)
        if (kLabels[key] == character)
            return key;
    return std::nullopt;
}

std::string Calculator::Open(std::string_view text)
{
    m_entryStarted = false;
    m_closeRequest = false;
    m_value = ReadNumber(text);
    return NumberText(m_value);
}

double Calculator::Apply(double a, char op, double b) const
{
    switch (op) {
    case '*': return a * b;
    case '+': return a + b;
    case '-': return a - b;
    case '/':
        if (b == 0) {
            m_beep();
            return 0;
        }
        return a / b;
    case '=': return b;
    default: return 0;
    }
}

std::string Calculator::Key(char32_t label, std::string_view displayText)
{
    std::string display(displayText);
    if (label >= U'1' && label <= U'9') {
        const char digit = static_cast<char>(label);
        display = m_entryStarted ? display + digit : std::string(1, digit);
        m_value = ReadNumber(display);
        display = NumberText(m_value);
        m_entryStarted = true;
    } else if (label == U'0') {
        if (display != "0") {
            display = m_entryStarted ? display + '0' : std::string("0");
            m_value = ReadNumber(display);
        }
        m_entryStarted = true;
    } else if (label == U',') {
        if (!m_entryStarted)
            display = "0.";
        else if (display.find('.') == std::string::npos)
            display += '.';
        m_entryStarted = true;
    } else if (label == kBackspace) {
        if (!m_entryStarted) {
            m_beep();
        } else if (!display.empty()) {
            display.pop_back();
            // Keep the value in step with what the user sees, or "=" would use the erased digit.
            m_value = ReadNumber(display);
        }
    } else if (label == U'C') {
        m_value = 0;
        display.clear();
        m_operator = '=';
        m_entryStarted = false;
    } else if (label == kPlusMinus) {
        m_value = -ReadNumber(display);
        display = NumberText(m_value);
    } else if (label == U'/' || label == U'*' || label == U'+' || label == U'-') {
        if (m_operator == '=') {
            m_value = ReadNumber(display);
        } else {
            m_value = Apply(m_accumulator, m_operator, m_value);
            display = NumberText(m_value);
        }
        m_operator = static_cast<char>(label);
        m_accumulator = m_value;
        m_value = 0;
        m_entryStarted = false;
    } else if (label == U'=') {
        m_closeRequest = true;
    }
    if (display.empty())
        display.assign(1, '0');
    return display;
}

std::string Calculator::Close()
{
    m_value = Apply(m_accumulator, m_operator, m_value);
    m_operator = '=';
    return NumberText(m_value);
}

} // namespace vlk
