#include "editor/CalculatorPopup.h"

#include "editor/ClassZetEdit.h"
#include "editor/PopupGeometry.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

namespace vlk {

namespace geo = popup_geometry;

namespace {

int& KeyDelayMs()
{
    static int delay = 100;
    return delay;
}

QString LabelText(char32_t label)
{
    return QString::fromUcs4(&label, 1);
}

} // namespace

CalculatorPopup::CalculatorPopup(ClassZetEdit* owner) : ZetPopup(owner, geo::kCalculatorSize)
{
    m_keyTimer.setSingleShot(true);
    connect(&m_keyTimer, &QTimer::timeout, this, &CalculatorPopup::ActOnPressedKey);
}

void CalculatorPopup::SetKeyDelay(int milliseconds)
{
    KeyDelayMs() = std::max(0, milliseconds);
}

int CalculatorPopup::KeyDelay()
{
    return KeyDelayMs();
}

QString CalculatorPopup::Start()
{
    m_pressedKey = kNoKey;
    return QString::fromStdString(m_calculator.Open(OwnerEdit()->text().toStdString()));
}

void CalculatorPopup::PressKey(int key)
{
    if (key < 0 || key >= geo::kKeyCount || IsClosing())
        return;
    // A key still showing sunken acts first, so quick typing loses nothing.
    if (m_pressedKey != kNoKey)
        ActOnPressedKey();
    if (IsClosing())
        return;
    m_pressedKey = key;
    update(geo::KeyRect(key));
    m_keyTimer.start(KeyDelayMs());
}

void CalculatorPopup::ActOnPressedKey()
{
    m_keyTimer.stop();
    if (m_pressedKey == kNoKey || IsClosing())
        return;
    const int key = m_pressedKey;
    m_pressedKey = kNoKey;
    update(geo::KeyRect(key));
    QLineEdit* edit = OwnerEdit();
    if (!edit)
        return;
    const std::string display =
        m_calculator.Key(Calculator::KeyLabel(key), edit->text().toStdString());
    edit->setText(QString::fromStdString(display));
    if (m_calculator.CloseRequested())
        Dismiss();
}

void CalculatorPopup::Finish()
{
    m_keyTimer.stop();
    if (QLineEdit* edit = OwnerEdit()) {
        // A key still showing sunken has been seen by the user: it counts.
        if (m_pressedKey != kNoKey) {
            const int key = m_pressedKey;
            m_pressedKey = kNoKey;
            edit->setText(QString::fromStdString(
                m_calculator.Key(Calculator::KeyLabel(key), edit->text().toStdString())));
        }
        edit->setText(QString::fromStdString(m_calculator.Close()));
        CaretToEnd();
    }
}

void CalculatorPopup::KeyFromEdit(QKeyEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return;
    char32_t character = 0;
    if (event->key() == Qt::Key_Backspace) {
        character = U'\b';
    } else {
        const QList<uint> text = event->text().toUcs4();
        if (!text.isEmpty())
            character = text.front();
    }
    if (const auto key = Calculator::KeyForCharacter(character))
        PressKey(*key);
}

void CalculatorPopup::mousePressEvent(QMouseEvent* event)
{
    HandleOpeningPress(event);
    const QPoint point = event->position().toPoint();
    if (!rect().contains(point)) {
        DismissByOutsidePress(event);
        return;
    }
    PressKey(geo::HitKey(point));
}

void CalculatorPopup::mouseDoubleClickEvent(QMouseEvent* event)
{
    mousePressEvent(event);
}

void CalculatorPopup::mouseMoveEvent(QMouseEvent* event)
{
    HandleOpeningPress(event);
}

void CalculatorPopup::mouseReleaseEvent(QMouseEvent* event)
{
    HandleOpeningPress(event);
}

void CalculatorPopup::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    DrawFace(painter);
    painter.setFont(font());
    for (int key = 0; key < geo::kKeyCount; ++key)
        DrawKey(painter, key);
}

void CalculatorPopup::DrawKey(QPainter& painter, int key) const
{
    const QRect r = geo::KeyRect(key);
    const bool sunken = key == m_pressedKey;
    const int l = r.left();
    const int t = r.top();
    const int rr = r.right();
    const int b = r.bottom();
    painter.fillRect(r, QColor(192, 192, 192));
    if (sunken) {
        painter.setPen(Qt::black);
        painter.drawLine(l, t, rr, t);
        painter.drawLine(l, t, l, b);
        painter.setPen(Qt::white);
        painter.drawLine(l, b, rr, b);
        painter.drawLine(rr, t, rr, b);
    } else {
        painter.setPen(Qt::white);
        painter.drawLine(l, t, rr - 1, t);
        painter.drawLine(l, t, l, b - 1);
        painter.setPen(Qt::black);
        painter.drawLine(l, b, rr, b);
        painter.drawLine(rr, t, rr, b);
        painter.setPen(QColor(128, 128, 128));
        painter.drawLine(l + 1, b - 1, rr - 1, b - 1);
        painter.drawLine(rr - 1, t + 1, rr - 1, b - 1);
    }

    QColor colour = Qt::black;
    if (key == 3 || key == 7 || key == 11 || key == 14 || key == 15 || key == 18)
        colour = QColor(0, 0, 255);
    else if (key == 16 || key == 17)
        colour = QColor(255, 0, 0);
    const int shift = sunken ? 1 : 0;
    const int x = (key == 18 ? l + 23 : l + 8) + shift;
    const int y = t + 4 + shift;
    painter.setPen(colour);
    if (key == 17) {
        // Backspace: a red left arrow made of lines.
        const int cy = t + 11 + shift;
        const int left = l + 6 + shift;
        painter.drawLine(left, cy, left + 11, cy);
        painter.drawLine(left, cy + 1, left + 11, cy + 1);
        for (int i = 1; i <= 4; ++i) {
            painter.drawLine(left + i, cy - i, left + i, cy + 1 + i);
        }
        return;
    }
    QString label = LabelText(Calculator::KeyLabel(key));
    DrawTextAt(painter, x, y, label);
}

} // namespace vlk
