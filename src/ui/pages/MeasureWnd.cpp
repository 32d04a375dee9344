#include "pages/MeasureWnd.h"

#include "grid/ARecordList.h"
#include "pages/PageGrids.h"

namespace vlk {

CMeasureWnd::CMeasureWnd(Messages& messages, QWidget* parent) : AFormWnd(Catalogue::Page(PageId::Sensors), parent)
{
    m_first = PageGrids::SetUp(*this, TableId::RedSensor, messages);
    m_second = PageGrids::SetUp(*this, TableId::GreenSensor, messages);
    // Headers such as "Направление" and "Лампа" are read whole, not cut to their first letters.
    for (ARecordList* grid : {m_first, m_second})
        if (grid)
            PageGrids::FitColumnsToHeaders(*grid);
}

CMeasureWnd::~CMeasureWnd() = default;

} // namespace vlk
