#pragma once

#include "forms/AFormWnd.h"
#include "grid/RecordListParent.h"

class QCheckBox;
class QLabel;
class QLineEdit;

namespace vlk {

class ARecordList;
class Messages;
class UpDownControl;

// "Направления": phase minimum times, the priorities of the control requests, the directions
// with their phases and step times, and the four general fields. The page keeps three rules:
// priorities move only as whole rows and never "РП"; the sync delay is locked while the
// controller is master; the three edit fields stay within their limits.
class CDirectionWnd : public AFormWnd, public RecordListParent {
    Q_OBJECT
public:
    static constexpr int PrioritySpinId = 1010;
    static constexpr int AccountRecordKept = 115; // characters

    // The page's and its grids' messages go to `messages`, the owner's.
    explicit CDirectionWnd(Messages& messages, QWidget* parent = nullptr);
    ~CDirectionWnd() override;

    // Sends the page's own messages elsewhere for a while; nullptr goes back to the owner's.
    // The page does not own it.
    void SetMessages(Messages* messages);
    [[nodiscard]] Messages& PageMessages() const;

    // Renumbers the priorities and locks or unlocks the sync delay after the master check.
    void Refresh();
    // What a click on the master check box does after the box has toggled.
    void OnMasterToggle();
    // What a step of the priority spin by `delta` (-1 up, +1 down) does.
    void OnPriorityMove(int delta);

    [[nodiscard]] ARecordList* PhaseMinTime() const { return m_phaseMinTime; }
    [[nodiscard]] ARecordList* Priority() const { return m_priority; }
    [[nodiscard]] ARecordList* DirectionStrip() const { return m_strip; }
    [[nodiscard]] ARecordList* Directions() const { return m_directions; }
    [[nodiscard]] QCheckBox* Master() const { return m_master; }
    [[nodiscard]] QLineEdit* SyncDelay() const { return m_syncDelay; }
    [[nodiscard]] QLabel* SyncCaption() const { return m_syncCaption; }
    [[nodiscard]] QLineEdit* CircularRed() const { return m_circularRed; }
    [[nodiscard]] QLineEdit* AccountRecord() const { return m_accountRecord; }

    int OnRecordListNotify(ARecordList& grid, const RecordListNotification& notification) override;

signals:
    // A priority has moved one row (by the spin), after the move; not for a refused step.
    void priorityMoved();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void LayoutGrids();
    void CheckLimit(QLineEdit* edit, long long limit, const char* message);
    void CheckAccountRecord();

    ARecordList* m_phaseMinTime = nullptr;
    ARecordList* m_priority = nullptr;
    ARecordList* m_strip = nullptr;
    ARecordList* m_directions = nullptr;
    QCheckBox* m_master = nullptr;
    QLineEdit* m_syncDelay = nullptr;
    QLabel* m_syncCaption = nullptr;
    QLineEdit* m_circularRed = nullptr;
    QLineEdit* m_accountRecord = nullptr;
    UpDownControl* m_spin = nullptr;
    Messages& m_ownerMessages;
    Messages* m_messages = nullptr;
};

} // namespace vlk
