#include "pages/OutputWnd.h"

#include "grid/ARecordList.h"
#include "pages/PageGrids.h"

namespace vlk {

COutputWnd::COutputWnd(Messages& messages, QWidget* parent) : AFormWnd(Catalogue::Page(PageId::Outputs), parent)
{
    m_first = PageGrids::SetUp(*this, TableId::LampOutput, messages);
    m_second = PageGrids::SetUp(*this, TableId::WaitBoard, messages);
    // Headers such as "Направление" and "Лампа" are read whole, not cut to their first letters.
    for (ARecordList* grid : {m_first, m_second})
        if (grid)
            PageGrids::FitColumnsToHeaders(*grid);
    // The two rows fill the grid whatever its height.
    if (m_second)
        PageGrids::KeepRowsFilling(*m_second, 2);
}

COutputWnd::~COutputWnd() = default;

} // namespace vlk
