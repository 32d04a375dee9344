#pragma once

#include <vector>

namespace vlk {

class ARecordList;
struct RecordListNotification;

// The window that receives a grid's notifications, synchronously. A non-zero result refuses
// begin-edit (-105) and commit (-101); other results are ignored.
//
// A grid that outlives its target's derived part (a QWidget parent deletes its children only
// after the derived destructors ran) must not call it: the target's destructor detaches its
// grids first. Derive from QWidget before RecordListParent so that this happens in time.
class RecordListParent {
public:
    RecordListParent() = default;
    RecordListParent(const RecordListParent&) = delete;
    RecordListParent& operator=(const RecordListParent&) = delete;
    virtual ~RecordListParent();

    virtual int OnRecordListNotify(ARecordList& grid, const RecordListNotification& notification) = 0;

private:
    friend class ARecordList;
    std::vector<ARecordList*> m_grids;
};

} // namespace vlk
