#include "editor/CalendarPopup.h"

#include "editor/ClassZetEdit.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

namespace vlk {

namespace geo = popup_geometry;
using geo::CalendarZone;

namespace {

const QColor kLightGray(192, 192, 192);
const QColor kGray(128, 128, 128);
const QColor kNavy(0, 0, 128);
const QColor kRed(255, 0, 0);

} // namespace

CalendarPopup::CalendarPopup(ClassZetEdit* owner) : ZetPopup(owner, geo::kCalendarSize) {}

ADate& CalendarPopup::SharedDate()
{
    static ADate date = [] {
        ADate today;
        today.SetToday();
        return today;
    }();
    return date;
}

QString CalendarPopup::Start()
{
    m_daysView = true;
    m_closeRequest = false;
    SharedDate().Parse(OwnerEdit()->text().toStdString());
    SelectDateCell();
    return QString::fromStdString(SharedDate().Format());
}

void CalendarPopup::KeyFromEdit(QKeyEvent*)
{
    // A date editor takes no keys while its calendar is open.
}

void CalendarPopup::Finish()
{
    CaretToEnd();
}

void CalendarPopup::SelectDateCell()
{
    m_selection = m_daysView ? geo::DayCellOf(SharedDate()) : SharedDate().GetMonth() - 1;
}

void CalendarPopup::ShowDate()
{
    const QString display = QString::fromStdString(SharedDate().Format());
    if (QLineEdit* edit = OwnerEdit())
        edit->setText(display);
    if (ClassZetEdit* owner = Owner())
        owner->SetText(display);
    CaretToEnd();
}

void CalendarPopup::mousePressEvent(QMouseEvent* event)
{
    HandleOpeningPress(event);
    const QPoint point = event->position().toPoint();
    if (!rect().contains(point)) {
        DismissByOutsidePress(event);
        return;
    }
    ADate& date = SharedDate();
    const CalendarZone zone = geo::HitCalendarZone(point, width());
    if (zone == CalendarZone::Previous || zone == CalendarZone::Next) {
        const int step = m_daysView ? 1 : 12;
        date.AddMonths(zone == CalendarZone::Previous ? -step : step);
        SelectDateCell();
        ShowDate();
        update();
        return;
    }
    if (zone == CalendarZone::Header) {
        m_daysView = !m_daysView;
        SelectDateCell();
        update();
        return;
    }
    if (!m_daysView) {
        const int cell = geo::HitMonthCell(point);
        if (cell < 0)
            return;
        m_selection = cell;
        // Stepping keeps the day within the chosen month: 31 January to April gives 30 April.
        date.AddMonths(cell + 1 - date.GetMonth());
        ShowDate();
        update();
        m_closeRequest = true;
        return;
    }
    const int cell = geo::HitDayCell(point);
    if (cell < 0)
        return;
    const int number = geo::DayCells(date)[static_cast<std::size_t>(cell)].number;
    const int step = geo::MonthStepOfCell(cell, number);
    if (step != 0)
        date.AddMonths(step);
    date.SetDay(number);
    SelectDateCell();
    ShowDate();
    update();
    m_closeRequest = true;
}

void CalendarPopup::mouseDoubleClickEvent(QMouseEvent* event)
{
    mousePressEvent(event);
}

void CalendarPopup::mouseReleaseEvent(QMouseEvent* event)
{
    if (HandleOpeningPress(event))
        return;
    const bool closeRequest = m_closeRequest;
    m_closeRequest = false;
    if (!closeRequest)
        return;
    const QPoint point = event->position().toPoint();
    if (m_daysView) {
        if (geo::HitDayCell(point) == m_selection && m_selection >= 0)
            Dismiss();
    } else if (geo::HitMonthCell(point) == m_selection && m_selection >= 0) {
        m_daysView = true;
        SelectDateCell();
        update();
    }
}

void CalendarPopup::mouseMoveEvent(QMouseEvent* event)
{
    if (HandleOpeningPress(event))
        return;
    const CalendarZone zone = geo::HitCalendarZone(event->position().toPoint(), width());
    if (zone != m_hover) {
        m_hover = zone;
        update(QRect(0, 0, width(), 31));
    }
}

void CalendarPopup::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(font());
    DrawFrame(painter);
    DrawHeader(painter);
    if (m_daysView)
        DrawDayCells(painter);
    else
        DrawMonthCells(painter);
}

void CalendarPopup::DrawFrame(QPainter& painter) const
{
    const int w = width();
    const int h = height();
    DrawFace(painter);
    painter.setPen(kGray);
    painter.drawLine(3, 30, w - 3, 30);
    painter.setPen(Qt::white);
    painter.drawLine(3, 31, w - 3, 31);
    if (m_daysView) {
        painter.setPen(kGray);
        painter.drawLine(28, 33, 28, h - 5);
        painter.setPen(Qt::white);
        painter.drawLine(29, 33, 29, h - 5);
        static const char* const kWeekdays[7] = {"Пн", "Вт", "Ср", "Чт", "Пт", "Сб", "Вс"};
        for (int i = 0; i < 7; ++i) {
            painter.setPen(i == 6 ? kRed : Qt::black);
            DrawTextAt(painter, 8, 34 + 18 * i, QString::fromUtf8(kWeekdays[i]));
        }
    }
}

void CalendarPopup::DrawHeader(QPainter& painter) const
{
    const int w = width();
    painter.fillRect(QRect(QPoint(16, 2), QPoint(w - 16, 27)), kLightGray);

    painter.setPen(Qt::NoPen);
    painter.setBrush(m_hover == CalendarZone::Previous ? kNavy : QColor(Qt::black));
    const QPoint previous[3] = {{8, 15}, {14, 9}, {14, 21}};
    painter.drawPolygon(previous, 3);
    painter.setBrush(m_hover == CalendarZone::Next ? kNavy : QColor(Qt::black));
    const QPoint next[3] = {{w - 9, 15}, {w - 15, 9}, {w - 15, 21}};
    painter.drawPolygon(next, 3);
    painter.setBrush(Qt::NoBrush);

    const ADate& date = SharedDate();
    const QString title = m_daysView
        ? QString::fromStdString(date.MonthName(true) + date.YearSpaced())
        : QString::fromStdString(date.YearSpaced());
    painter.setPen(m_hover == CalendarZone::Header ? kNavy : QColor(Qt::black));
    const int textWidth = QFontMetrics(painter.font()).horizontalAdvance(title);
    DrawTextAt(painter, (w - textWidth) / 2, 8, title);
}

void CalendarPopup::DrawDayCells(QPainter& painter) const
{
    const auto cells = geo::DayCells(SharedDate());
    for (int i = 0; i < geo::kDayCellCount; ++i) {
        const QRect r = geo::DayCellRect(i);
        const bool selected = i == m_selection;
        painter.fillRect(r, selected ? kNavy : kLightGray);
        const geo::DayCell& cell = cells[static_cast<std::size_t>(i)];
        const bool sunday = i % 7 == 6;
        QColor colour = sunday ? kRed : QColor(Qt::black);
        if (geo::MonthStepOfCell(i, cell.number) != 0 || (selected && !sunday))
            colour = Qt::white;
        painter.setPen(colour);
        const int x = r.left() + 5 + (cell.number < 10 ? 3 : 0);
        DrawTextAt(painter, x, r.top() + 1, QString::number(cell.number));
    }
}

void CalendarPopup::DrawMonthCells(QPainter& painter) const
{
    for (int i = 0; i < geo::kMonthCellCount; ++i) {
        const QRect r = geo::MonthCellRect(i);
        const bool selected = i == m_selection;
        painter.fillRect(r, selected ? kNavy : kLightGray);
        painter.setPen(selected ? QColor(Qt::white) : QColor(Qt::black));
        DrawTextAt(painter, r.left() + 14, r.top() + 7,
                   QString::fromStdString(ADate::MonthNameOf(i + 1, false)));
    }
}

} // namespace vlk
