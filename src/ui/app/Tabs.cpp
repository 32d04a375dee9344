#include "app/Tabs.h"

#include "forms/FormResources.h"
#include "grid/ARecordList.h"

#include <QMouseEvent>
#include <QPainter>

namespace vlk {

namespace {

// Lines as the strip was drawn: from a point to the next, each segment without its end point.
void PolyLine(QPainter& painter, std::initializer_list<QPoint> points)
{
    auto it = points.begin();
    QPoint from = *it;
    for (++it; it != points.end(); ++it) {
        const QPoint to = *it;
        const QPoint step((to.x() > from.x()) - (to.x() < from.x()), (to.y() > from.y()) - (to.y() < from.y()));
        if (to != from)
            painter.drawLine(from, to - step);
        from = to;
    }
}

} // namespace

CTabs::CTabs(QWidget* parent)
    : QWidget(parent),
      m_directionPage(this),
      m_programPage(this),
      m_deskPage(this),
      m_outputPage(this),
      m_measurePage(this),
      m_graficPage(this),
      m_configPage(this),
      // The face was a bitmap font whose smallest size stands in for the asked 8 pixels.
      m_tabFont(StationFont(QStringLiteral("MS Sans Serif"), 11))
{
    QWidget* const order[] = {&m_directionPage, &m_programPage, &m_graficPage, &m_deskPage,
                              &m_outputPage,    &m_measurePage, &m_configPage};
    const char* const labels[] = {"Направления",      "Программы",         "Графики работы",      "Пульт",
                                  "Привязка выходов", "Привязка датчиков", "Конфигурация для ZAD"};
    for (int i = 0; i < 7; ++i) {
        order[i]->setVisible(i == m_selected);
        AddPage(i, QString::fromUtf8(labels[i]), order[i]);
    }
}

CTabs::~CTabs() = default;

void CTabs::AddPage(int index, const QString& label, QWidget* page)
{
    index = qBound(0, index, PageCount());
    m_pages.insert(m_pages.begin() + index, tagPAGE{page, label.left(127)});
    update();
}

int CTabs::LabelWidth(int index) const
{
    return QFontMetrics(m_tabFont).horizontalAdvance(m_pages[static_cast<std::size_t>(index)].name);
}

QRect CTabs::TabRect(int index) const
{
    if (index < 0 || index >= PageCount())
        return {};
    int left = 0;
    for (int i = 0; i < index; ++i)
        left += LabelWidth(i) + 20;
    // Right edge L + width + 19, exclusive: the column after it is the gap to the next tab.
    return {left, 0, LabelWidth(index) + 19, m_tabHeight};
}

int CTabs::HitTest(QPoint point) const
{
    for (int i = 0; i < PageCount(); ++i)
        if (TabRect(i).contains(point))
            return i;
    return -1;
}

void CTabs::SelectPage(int index)
{
    if (index == m_selected || index < 0 || index >= PageCount())
        return;
    if (m_selected >= 0 && m_selected < PageCount())
        m_pages[static_cast<std::size_t>(m_selected)].window->hide();
    m_selected = index;
    m_pages[static_cast<std::size_t>(index)].window->show();
    update();
}

bool CTabs::CommitEdits()
{
    bool committed = true;
    for (const tagPAGE& page : m_pages)
        for (ARecordList* grid : page.window->findChildren<ARecordList*>())
            if (grid->Editor() && !grid->EndEdit(true, false))
                committed = false;
    return committed;
}

void CTabs::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    for (const tagPAGE& page : m_pages)
        page.window->setGeometry(2, m_tabHeight, qMax(0, width() - 4), qMax(0, height() - m_tabHeight - 2));
}

void CTabs::mousePressEvent(QMouseEvent* event)
{
    QWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const int hit = HitTest(event->position().toPoint());
    if (hit >= 0)
        SelectPage(hit);
}

void CTabs::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QPixmap selectedTexture = FormBitmap(BitmapPageTexture);
    const QPixmap otherTexture = FormBitmap(BitmapTabTexture);
    p.setFont(m_tabFont);
    const QColor dark(0x80, 0x80, 0x80);
    const QColor light(0xD3, 0xD3, 0xD3);

    const int W = width();
    const int H = height();
    const int T = m_tabHeight;
    const QRect last = TabRect(PageCount() - 1);
    const int E = last.isNull() ? 0 : last.left() + last.width();
    // The strip right of the last tab; the pages cover the rest.
    if (E < W)
        p.fillRect(QRect(E, 0, W - E, T), QColor(0xC0, 0xC0, 0xC0));

    for (int i = 0; i < PageCount(); ++i) {
        const QRect tab = TabRect(i);
        const int L = tab.left();
        const int T = tab.top();
        const int R = tab.left() + tab.width();
        const int B = tab.top() + tab.height();
        const QPixmap& texture = i == m_selected ? selectedTexture : otherTexture;
        if (!texture.isNull())
            p.drawTiledPixmap(tab, texture);
        else
            p.fillRect(tab, i == m_selected ? palette().window() : palette().mid());
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(tab, Qt::AlignCenter | Qt::TextSingleLine, m_pages[static_cast<std::size_t>(i)].name);

        p.setPen(dark);
        PolyLine(p, {{L, B - 2}, {L, T}, {R - 1, T}, {R - 1, B - 1}});
        p.setPen(Qt::white);
        PolyLine(p, {{L + 1, B - 1}, {L + 1, T + 1}, {R - 2, T + 1}});
        PolyLine(p, {{R, T}, {R, B - 2}});
        p.setPen(light);
        PolyLine(p, {{R, 0}, {R, B}});
        if (i != m_selected) {
            // Tabs behind the page get the page's top edge across their foot.
            p.setPen(dark);
            PolyLine(p, {{L, B - 2}, {R + 1, B - 2}});
            p.setPen(Qt::white);
            PolyLine(p, {{qMax(L - 1, 1), B - 1}, {R + 1, B - 1}});
        }
    }

    p.setPen(dark);
    PolyLine(p, {{0, T - 1}, {0, H - 2}, {W - 2, H - 2}, {W - 2, T - 2}, {E, T - 2}});
    p.setPen(Qt::white);
    PolyLine(p, {{1, T - 1}, {1, H - 3}});
    PolyLine(p, {{0, H - 1}, {W - 1, H - 1}, {W - 1, T}});
    PolyLine(p, {{W - 2, T - 1}, {E - 1, T - 1}});
}

} // namespace vlk
