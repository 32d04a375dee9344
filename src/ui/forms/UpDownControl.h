#pragma once

#include <QTimer>
#include <QWidget>

namespace vlk {

// The pair of arrow buttons of an up-down ("msctls_updown32") template item. It holds no value:
// each step is reported as a position change of -1 (up or left) or +1 (down or right), which
// is what the pages act on.
class UpDownControl : public QWidget {
    Q_OBJECT
public:
    explicit UpDownControl(bool horizontal = false, QWidget* parent = nullptr);

    [[nodiscard]] bool isHorizontal() const { return m_horizontal; }
    void setArrowKeys(bool on) { m_arrowKeys = on; }

    // Steps as a press of the first (-1) or second (+1) arrow would.
    void Step(int delta);

signals:
    void DeltaPos(int delta);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    QSize sizeHint() const override;

private:
    [[nodiscard]] QRect ArrowRect(int delta) const;
    // Ends a press: no arrow held, no repeat, the arrow drawn raised again.
    void EndPress();

    bool m_horizontal;
    bool m_arrowKeys = false;
    int m_pressed = 0; // the arrow held down: -1, +1 or 0
    QTimer m_repeat;
};

} // namespace vlk
