#pragma once

#include "forms/AFormWnd.h"
#include "grid/RecordListParent.h"

namespace vlk {

class ARecordList;
class Messages;

// "Программы": the nine programs' phase durations and call-point phases, under a strip of
// program titles that scrolls sideways with the table so each title stays over its columns.
class CProgramWnd : public AFormWnd, public RecordListParent {
    Q_OBJECT
public:
    // The grids' editing messages go to `messages`, the owner's.
    explicit CProgramWnd(Messages& messages, QWidget* parent = nullptr);
    ~CProgramWnd() override;

    [[nodiscard]] ARecordList* Strip() const { return m_strip; }
    [[nodiscard]] ARecordList* Programs() const { return m_programs; }

    int OnRecordListNotify(ARecordList& grid, const RecordListNotification& notification) override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void FollowTableScroll();

    ARecordList* m_strip = nullptr;
    ARecordList* m_programs = nullptr;
};

} // namespace vlk
