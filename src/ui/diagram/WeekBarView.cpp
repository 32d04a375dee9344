#include "diagram/WeekBarView.h"

#include "diagram/WeekBarPainter.h"

#include <utility>

namespace vlk {

void WeekBarView::SetLayout(WeekBarLayout layout)
{
    m_layout = std::move(layout);
    LayoutChanged();
}

void WeekBarView::PlaceLayout(const QRectF& area, const QFontMetricsF& metrics)
{
    m_layout.Place(area, metrics);
}

void WeekBarView::PaintLayout(QPainter& painter) const
{
    WeekBarPainter::Paint(painter, m_layout);
}

QString WeekBarView::HoverTextAt(QPoint local) const
{
    return m_layout.HoverText(m_layout.HitTest(local));
}

} // namespace vlk
