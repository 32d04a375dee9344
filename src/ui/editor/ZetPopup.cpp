#include "editor/ZetPopup.h"

#include "editor/ClassZetEdit.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>

namespace vlk {

namespace {

QPointer<ZetPopup>& CurrentPopup()
{
    static QPointer<ZetPopup> current;
    return current;
}

} // namespace

ZetPopup::ZetPopup(ClassZetEdit* owner, QSize size)
    : QWidget(owner->EditChild(), Qt::Popup | Qt::FramelessWindowHint),
      m_owner(owner), m_edit(owner->EditChild())
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFixedSize(size);
    setFont(LabelFont());
    CurrentPopup() = this;
}

ZetPopup::~ZetPopup()
{
    if (CurrentPopup() == this)
        CurrentPopup() = nullptr;
}

ZetPopup* ZetPopup::Current()
{
    return CurrentPopup();
}

QFont ZetPopup::LabelFont()
{
    // Arial's metric twin first, then a Cyrillic sans-serif that is always installed.
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                      QStringLiteral("DejaVu Sans")});
    font.setPixelSize(13);
    font.setWeight(QFont::Normal);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

void ZetPopup::Dismiss()
{
    RunFinish();
    hide();
    deleteLater();
}

void ZetPopup::RunFinish()
{
    if (m_finished)
        return;
    m_finished = true;
    if (CurrentPopup() == this)
        CurrentPopup() = nullptr;
    Finish();
    if (m_owner)
        m_owner->ReleaseButton();
}

void ZetPopup::hideEvent(QHideEvent* event)
{
    // Qt closes a pop-up on its own too (another application activated, say): the closing
    // actions run whichever way it goes.
    QWidget::hideEvent(event);
    if (!m_finished) {
        RunFinish();
        deleteLater();
    }
}

void ZetPopup::DrawTextAt(QPainter& painter, int x, int y, const QString& text)
{
    painter.drawText(x, y + QFontMetrics(painter.font()).ascent(), text);
}

void ZetPopup::DrawFace(QPainter& painter) const
{
    const int w = width();
    const int h = height();
    painter.fillRect(rect(), QColor(192, 192, 192));
    painter.setPen(Qt::white);
    painter.drawLine(0, 0, w - 2, 0);
    painter.drawLine(0, 0, 0, h - 2);
    painter.setPen(QColor(128, 128, 128));
    painter.drawLine(1, h - 2, w - 2, h - 2);
    painter.drawLine(w - 2, 1, w - 2, h - 2);
    painter.setPen(Qt::black);
    painter.drawLine(0, h - 1, w - 1, h - 1);
    painter.drawLine(w - 1, 0, w - 1, h - 1);
}

void ZetPopup::CaretToEnd() const
{
    if (m_edit)
        m_edit->setCursorPosition(static_cast<int>(m_edit->text().size()));
}

bool ZetPopup::IsEditorKey(const QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_F2:
    case Qt::Key_Insert:
        return true;
    default:
        return (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) != 0;
    }
}

void ZetPopup::keyPressEvent(QKeyEvent* event)
{
    // While the pop-up is open the keyboard comes here; the edit (and whoever watches it) gets
    // the keys that end or move the edit, after the pop-up has closed.
    if (IsEditorKey(event)) {
        QPointer<QLineEdit> edit = m_edit;
        Dismiss();
        if (edit) {
            QKeyEvent copy(event->type(), event->key(), event->modifiers(), event->text(),
                           event->isAutoRepeat(), static_cast<ushort>(event->count()));
            QCoreApplication::sendEvent(edit, &copy);
        }
        return;
    }
    KeyFromEdit(event);
}

void ZetPopup::keyReleaseEvent(QKeyEvent* event)
{
    event->accept();
}

void ZetPopup::DismissByOutsidePress(QMouseEvent* event)
{
    if (m_owner) {
        const QPoint onOwner = m_owner->mapFromGlobal(event->globalPosition().toPoint());
        if (m_owner->ButtonStrip().contains(onOwner))
            setAttribute(Qt::WA_NoMouseReplay);
    }
    Dismiss();
}

bool ZetPopup::HandleOpeningPress(QMouseEvent* event)
{
    if (!m_openingPress)
        return false;
    if (event->type() == QEvent::MouseMove) {
        if (!(event->buttons() & Qt::LeftButton)) {
            m_openingPress = false; // its release went elsewhere
            return false;
        }
        if (m_owner)
            m_owner->TrackButton(event->globalPosition().toPoint());
        return true;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        m_openingPress = false;
        if (m_owner)
            m_owner->ReleaseButton();
        return true;
    }
    // Any other press ends the opening one.
    m_openingPress = false;
    return false;
}

} // namespace vlk
