#include "diagram/TimeBarView.h"

#include "diagram/TimeBarPainter.h"

#include <utility>

namespace vlk {

void TimeBarView::SetLayout(TimeBarLayout layout)
{
    m_layout = std::move(layout);
    LayoutChanged();
}

void TimeBarView::PlaceLayout(const QRectF& area, const QFontMetricsF& metrics)
{
    m_layout.Place(area, metrics);
}

void TimeBarView::PaintLayout(QPainter& painter) const
{
    TimeBarPainter::Paint(painter, m_layout);
}

QString TimeBarView::HoverTextAt(QPoint local) const
{
    return m_layout.HoverText(m_layout.HitTest(local));
}

} // namespace vlk
