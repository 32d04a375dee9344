#include "pages/OutputWnd.h"

#include "grid/ARecordList.h"
#include "pages/PageGrids.h"

namespace vlk {

COutputWnd::COutputWnd(QWidget* parent) : AFormWnd(TemplateId, 1045, 1044, parent)
{
    m_first = PageGrids::SetUp(*this, TableId::LampOutput);
    m_second = PageGrids::SetUp(*this, TableId::WaitBoard);
    // The two rows fill the grid whatever its height.
    if (m_second)
        PageGrids::KeepRowsFilling(*m_second, 2);
}

COutputWnd::~COutputWnd() = default;

} // namespace vlk
