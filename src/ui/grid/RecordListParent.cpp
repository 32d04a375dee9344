#include "grid/RecordListParent.h"

#include "grid/ARecordList.h"

namespace vlk {

RecordListParent::~RecordListParent()
{
    const auto grids = m_grids;
    for (ARecordList* grid : grids)
        grid->SetNotifyTarget(nullptr);
}

} // namespace vlk
