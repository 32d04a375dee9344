#include "pages/ConfigWnd.h"

#include "grid/ARecordList.h"
#include "pages/PageGrids.h"

namespace vlk {

CConfigWnd::CConfigWnd(QWidget* parent) : AFormWnd(TemplateId, 1073, 1074, parent)
{
    m_first = PageGrids::SetUp(*this, TableId::MinSignalTime);
    m_second = PageGrids::SetUp(*this, TableId::InterGreen);
}

CConfigWnd::~CConfigWnd() = default;

void CConfigWnd::resizeEvent(QResizeEvent* event)
{
    AFormWnd::resizeEvent(event);
    // The red and green rows fill the grid whatever its height.
    if (m_first)
        m_first->SetRowHeight(PageGrids::FillingRowHeight(*m_first, 2));
}

} // namespace vlk
