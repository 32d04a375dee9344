#include "pages/OutputWnd.h"

#include "grid/ARecordList.h"
#include "pages/PageGrids.h"

namespace vlk {

COutputWnd::COutputWnd(QWidget* parent) : AFormWnd(TemplateId, 1045, 1044, parent)
{
    m_first = PageGrids::SetUp(*this, TableId::LampOutput);
    m_second = PageGrids::SetUp(*this, TableId::WaitBoard);
}

COutputWnd::~COutputWnd() = default;

void COutputWnd::resizeEvent(QResizeEvent* event)
{
    AFormWnd::resizeEvent(event);
    // The two call-point rows fill the grid whatever its height.
    if (m_second)
        m_second->SetRowHeight(PageGrids::FillingRowHeight(*m_second, 2));
}

} // namespace vlk
