#include "pages/MeasureWnd.h"

#include "grid/ARecordList.h"
#include "pages/PageGrids.h"

namespace vlk {

CMeasureWnd::CMeasureWnd(QWidget* parent) : AFormWnd(TemplateId, 1057, 1056, parent)
{
    m_first = PageGrids::SetUp(*this, TableId::RedSensor);
    m_second = PageGrids::SetUp(*this, TableId::GreenSensor);
}

CMeasureWnd::~CMeasureWnd() = default;

} // namespace vlk
