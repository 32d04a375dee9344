#include "pages/ProgramWnd.h"

#include "grid/ARecordList.h"
#include "grid/RecordListFlags.h"
#include "grid/RecordListNotification.h"
#include "pages/PageGrids.h"

#include <QScrollBar>

namespace vlk {

CProgramWnd::CProgramWnd(Messages& messages, QWidget* parent) : AFormWnd(Catalogue::Page(PageId::Programs), parent)
{
    m_strip = PageGrids::SetUp(*this, TableId::ProgramGroupStrip, messages);
    m_programs = PageGrids::SetUp(*this, TableId::Program, messages);
    if (m_strip) {
        // The strip scrolls only as the table does; its own bars would cover its one line.
        m_strip->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_strip->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_strip->SetNotifyTarget(this);
    }
    if (m_programs) {
        m_programs->SetNotifyTarget(this);
        // A resize can move the table's position without a scroll of its own (the range shrinks);
        // the strip follows that too.
        QScrollBar* bar = m_programs->horizontalScrollBar();
        connect(bar, &QScrollBar::rangeChanged, this, [this] { FollowTableScroll(); });
        connect(bar, &QScrollBar::valueChanged, this, [this] { FollowTableScroll(); });
    }
}

CProgramWnd::~CProgramWnd() = default;

int CProgramWnd::OnRecordListNotify(ARecordList& grid, const RecordListNotification& notification)
{
    if (&grid == m_programs && notification.code == LVN_ITEMCHANGING)
        FollowTableScroll();
    return 0;
}

void CProgramWnd::FollowTableScroll()
{
    if (!m_strip || !m_programs)
        return;
    const QScrollBar* from = m_programs->horizontalScrollBar();
    QScrollBar* to = m_strip->horizontalScrollBar();
    to->setRange(from->minimum(), from->maximum());
    to->setValue(from->value());
    m_strip->viewport()->update();
}

void CProgramWnd::resizeEvent(QResizeEvent* event)
{
    AFormWnd::resizeEvent(event);
    if (m_strip && m_programs)
        PageGrids::PlaceStripAbove(*m_strip, *m_programs);
    // Eight phase rows plus the room of the horizontal scroll bar.
    if (m_programs && !m_programs->rect().isEmpty())
        m_programs->SetRowHeight(qMax(1, (m_programs->height() - m_programs->GetHeaderHeight()) / 9));
    FollowTableScroll();
}

} // namespace vlk
