#include "pages/ConfigWnd.h"

#include "grid/ARecordList.h"
#include "pages/PageGrids.h"

namespace vlk {

CConfigWnd::CConfigWnd(Messages& messages, QWidget* parent) : AFormWnd(Catalogue::Page(PageId::Zad), parent)
{
    m_first = PageGrids::SetUp(*this, TableId::MinSignalTime, messages);
    m_second = PageGrids::SetUp(*this, TableId::InterGreen, messages);
    // The two rows fill the grid whatever its height.
    if (m_first)
        PageGrids::KeepRowsFilling(*m_first, 2);
}

CConfigWnd::~CConfigWnd() = default;

} // namespace vlk
