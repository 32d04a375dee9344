#pragma once

namespace vlk {

class ARecordList;
struct RecordListNotification;

// The window that receives a grid's notifications, synchronously. A non-zero result refuses
// begin-edit (-105) and commit (-101); other results are ignored.
class RecordListParent {
public:
    virtual ~RecordListParent() = default;
    virtual int OnRecordListNotify(ARecordList& grid, const RecordListNotification& notification) = 0;
};

} // namespace vlk
