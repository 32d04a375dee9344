#include "editor/ClassZetEdit.h"

#include "editor/CalculatorPopup.h"
#include "editor/CalendarPopup.h"
#include "editor/PopupGeometry.h"
#include "util/ADate.h"
#include "util/Calculator.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <algorithm>

namespace vlk {

ClassZetEdit::ClassZetEdit(unsigned style, QWidget* parent)
    : QWidget(parent), m_style(style), m_edit(new QLineEdit(this))
{
    Register();
    setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(m_edit);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_edit->setFrame(false);
    m_edit->setAlignment(Qt::AlignRight);
    m_edit->setObjectName(QStringLiteral("ZetEditChild"));
    m_edit->installEventFilter(this);
    LayoutEdit();
}

ClassZetEdit::~ClassZetEdit()
{
    // The pop-up writes its result into the edit child, which still exists here.
    if (ZetPopup* popup = Popup()) {
        popup->Dismiss();
        delete popup;
    }
}

void ClassZetEdit::Register()
{
    static bool registered = false;
    if (registered)
        return;
    registered = true;
    SetBeepHandler([] { QApplication::beep(); });
    static_cast<void>(CalendarPopup::SharedDate());
}

QString ClassZetEdit::Text() const
{
    return m_edit->text();
}

void ClassZetEdit::SetText(const QString& text)
{
    m_edit->setText(text);
    if (text != m_textAtFocus) {
        m_textAtFocus = text;
        emit Changed();
    }
}

ZetPopup* ClassZetEdit::Popup() const
{
    ZetPopup* popup = ZetPopup::Current();
    return popup && popup->Owner() == this && !popup->IsClosing() ? popup : nullptr;
}

void ClassZetEdit::OpenPopup()
{
    if (Popup())
        return;
    // One pop-up in the whole application.
    if (ZetPopup* other = ZetPopup::Current())
        other->Dismiss();

    ZetPopup* popup = HasCalculator() ? static_cast<ZetPopup*>(new CalculatorPopup(this))
                                      : static_cast<ZetPopup*>(new CalendarPopup(this));
    const QRect editorRect(mapToGlobal(QPoint(0, 0)), size());
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect screenRect = screen ? screen->geometry() : QRect(0, 0, 1 << 20, 1 << 20);
    popup->move(popup_geometry::PopupPlacement(editorRect, popup->size(), screenRect));
    const QString display = popup->Start();
    popup->SetOpeningPress(m_holding);
    popup->show();
    SetText(display);
    m_edit->setCursorPosition(static_cast<int>(m_edit->text().size()));
    update();
}

void ClassZetEdit::ClosePopup()
{
    if (ZetPopup* popup = Popup())
        popup->Dismiss();
}

int ClassZetEdit::StripWidth() const
{
    // Wide enough for the 5-pixel arrow on a bevelled face, never wider than a line of text: a
    // strip that grew with the row height left no room for the digits in tall rows.
    const int line = QFontMetrics(m_edit->font()).height();
    return std::clamp(line - 2, 9, 16);
}

QRect ClassZetEdit::ButtonStrip() const
{
    const int strip = StripWidth();
    return QRect(width() - strip, 0, strip, height());
}

int ClassZetEdit::MinimumWidth() const
{
    const QFontMetrics metrics(m_edit->font());
    const QMargins text = m_edit->textMargins();
    // The edit's own 2-pixel side margins and a pixel for the caret come on top of the digits.
    const int edit = metrics.horizontalAdvance(QStringLiteral("000")) + text.left() + text.right() + 2 * 2 + 1;
    return 4 + edit + StripWidth();
}

void ClassZetEdit::KeepMinimumWidth()
{
    const int wanted = MinimumWidth();
    QWidget* parent = parentWidget();
    if (m_widening || width() >= wanted || isWindow() || !parent)
        return;
    const int right = x() + width();
    int left = right - wanted;
    if (left < 0)
        left = std::max(0, std::min(x(), parent->width() - wanted));
    m_widening = true;
    setGeometry(left, y(), wanted, height());
    m_widening = false;
}

void ClassZetEdit::LayoutEdit()
{
    // The edit leaves the 2-pixel frame and the button strip free so the button can be seen and hit.
    const int strip = ButtonStrip().width();
    m_edit->setGeometry(2, 2, std::max(0, width() - 4 - strip), std::max(0, height() - 4));
}

void ClassZetEdit::resizeEvent(QResizeEvent*)
{
    KeepMinimumWidth();
    LayoutEdit();
}

void ClassZetEdit::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        KeepMinimumWidth();
        LayoutEdit();
        update();
    }
}

void ClassZetEdit::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setPen(Qt::black);
    p.drawRect(rect().adjusted(0, 0, -1, -1));

    const QRect strip = ButtonStrip();
    const QRect face(strip.left(), 1, strip.width() - 1, height() - 2);
    if (face.width() < 3 || face.height() < 3)
        return;
    p.fillRect(face, QColor(192, 192, 192));
    const QColor gray(128, 128, 128);
    const int l = face.left();
    const int t = face.top();
    const int r = face.right();
    const int b = face.bottom();
    if (m_pressed) {
        // Pushed: a flat gray outline.
        p.setPen(gray);
        p.drawRect(face.adjusted(0, 0, -1, -1));
    } else {
        // Raised: a light-gray and white top-left, a black and gray bottom-right.
        p.setPen(Qt::white);
        p.drawLine(l + 1, t + 1, r - 2, t + 1);
        p.drawLine(l + 1, t + 1, l + 1, b - 2);
        p.setPen(Qt::black);
        p.drawLine(l, b, r, b);
        p.drawLine(r, t, r, b);
        p.setPen(gray);
        p.drawLine(l + 1, b - 1, r - 1, b - 1);
        p.drawLine(r - 1, t + 1, r - 1, b - 1);
    }
    // The small black down-arrow: rows of 5, 3 and 1 pixels, nudged when sunken.
    const int shift = m_pressed ? 1 : 0;
    const int cx = face.left() + face.width() / 2 + shift;
    const int cy = face.top() + face.height() / 2 - 1 + shift;
    p.setPen(Qt::black);
    for (int row = 0; row < 3; ++row)
        p.drawLine(cx - 2 + row, cy + row, cx + 2 - row, cy + row);
}

void ClassZetEdit::SetPressed(bool pressed)
{
    if (pressed == m_pressed)
        return;
    m_pressed = pressed;
    update();
}

void ClassZetEdit::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    if (ButtonStrip().contains(event->position().toPoint()) && !Popup()) {
        m_holding = true;
        SetPressed(true);
        OpenPopup();
    }
}

void ClassZetEdit::mouseMoveEvent(QMouseEvent* event)
{
    if (m_holding)
        TrackButton(event->globalPosition().toPoint());
}

void ClassZetEdit::mouseReleaseEvent(QMouseEvent*)
{
    if (m_holding)
        ReleaseButton();
}

void ClassZetEdit::TrackButton(const QPoint& globalPos)
{
    SetPressed(ButtonStrip().contains(mapFromGlobal(globalPos)));
}

void ClassZetEdit::ReleaseButton()
{
    if (ZetPopup* popup = Popup())
        popup->SetOpeningPress(false);
    m_holding = false;
    SetPressed(false);
}

void ClassZetEdit::EditLostFocus()
{
    const QString text = m_edit->text();
    if (!text.isEmpty()) {
        if (IsNumberField()) {
            m_edit->setText(QString::fromStdString(NumberText(ReadNumber(text.toStdString()))));
        } else {
            ADate& date = CalendarPopup::SharedDate();
            date.Parse(text.toStdString());
            SetText(QString::fromStdString(date.Format()));
        }
    }
    ClosePopup();
}

bool ClassZetEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_edit) {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
            ZetPopup* popup = Popup();
            if (!popup)
                return false;
            auto* key = static_cast<QKeyEvent*>(event);
            // The keys that end or move the edit close the pop-up and go on to the edit and
            // whoever watches it; the rest belong to the pop-up.
            if (event->type() == QEvent::KeyPress && ZetPopup::IsEditorKey(key)) {
                popup->Dismiss();
                return false;
            }
            popup->KeyFromEdit(key);
            return true;
        }
        if (event->type() == QEvent::FocusIn) {
            // The editor's focus is its edit's (focus proxy). A pop-up or another window coming
            // and going is not a new visit to the field.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
                m_textAtFocus = Text();
                if (reason != Qt::MouseFocusReason)
                    m_edit->selectAll();
            }
        } else if (event->type() == QEvent::FocusOut) {
            const auto* focus = static_cast<QFocusEvent*>(event);
            if (focus->reason() != Qt::PopupFocusReason)
                EditLostFocus();
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace vlk
