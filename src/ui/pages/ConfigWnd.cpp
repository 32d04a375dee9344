#include "pages/ConfigWnd.h"

#include "grid/ARecordList.h"
#include "pages/PageGrids.h"

namespace vlk {

CConfigWnd::CConfigWnd(QWidget* parent) : AFormWnd(TemplateId, 1073, 1074, parent)
{
    m_first = PageGrids::SetUp(*this, TableId::MinSignalTime);
    m_second = PageGrids::SetUp(*this, TableId::InterGreen);
    // The two rows fill the grid whatever its height.
    if (m_first)
        PageGrids::KeepRowsFilling(*m_first, 2);
}

CConfigWnd::~CConfigWnd() = default;

} // namespace vlk
