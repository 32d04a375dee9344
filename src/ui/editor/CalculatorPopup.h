#pragma once

#include "editor/ZetPopup.h"
#include "util/Calculator.h"

#include <QTimer>

namespace vlk {

// The calculator of a number editor: 19 keys; a pressed key shows sunken for a moment and then
// acts on the editor's text; "=" or a click outside closes it with the pending operation done.
class CalculatorPopup final : public ZetPopup {
    Q_OBJECT
public:
    static constexpr int kNoKey = 20;

    explicit CalculatorPopup(ClassZetEdit* owner);

    [[nodiscard]] QString Start() override;
    void KeyFromEdit(QKeyEvent* event) override;

    // Presses a key as a click on it does.
    void PressKey(int key);
    [[nodiscard]] int PressedKey() const { return m_pressedKey; }
    [[nodiscard]] const Calculator& Logic() const { return m_calculator; }

    // How long a pressed key shows sunken before it acts (100 ms; tests shorten it).
    static void SetKeyDelay(int milliseconds);
    [[nodiscard]] static int KeyDelay();

protected:
    void Finish() override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void ActOnPressedKey();
    void DrawKey(QPainter& painter, int key) const;

    Calculator m_calculator;
    int m_pressedKey = kNoKey;
    QTimer m_keyTimer;
};

} // namespace vlk
