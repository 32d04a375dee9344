#pragma once

#include "forms/AFormWnd.h"
#include "link/ConsoleSink.h"
#include "pages/DeskSinkBridge.h"

#include <QDateTime>

#include <chrono>
#include <cstdint>
#include <functional>

class QLabel;

namespace vlk {

class ARecordList;
struct RecordEntry;

// "Пульт": the running controller's live state and the operator's controls, which only change the
// command byte and the send-clock flag the worker reads on each pass. A plain widget on the UI
// thread: the exchange worker talks to its Sink(), which posts the display calls here.
class CDeskWnd : public AFormWnd {
    Q_OBJECT
public:
    static constexpr int TemplateId = 135;
    static constexpr int LowestFrameId = 1046; // bottom-right corner of the layout
    static constexpr int TopFrameId = 1048;    // left and top offsets
    static constexpr int StateGridId = 1020;
    static constexpr int LightsGridId = 1021;
    static constexpr int SensorsGridId = 1022;
    static constexpr int DayId = 1025;
    static constexpr int HoursId = 1023;
    static constexpr int MinutesId = 1024;
    static constexpr int SendHoursId = 1026;
    static constexpr int SendMinutesId = 1027;
    static constexpr int SendDayId = 1028;
    static constexpr int TakeClockId = 1002;
    static constexpr int SendClockId = 1003;
    static constexpr int ToggleId = 1040;
    static constexpr int ProgramId = 1041;
    static constexpr int CurrentPhaseId = 1042;
    static constexpr int CalledPhaseId = 1043;
    static constexpr int PriorityId = 1044;
    // How long a clicked button shows its pressed picture.
    static constexpr std::chrono::milliseconds PressedLook{200};

    explicit CDeskWnd(QWidget* parent = nullptr);
    ~CDeskWnd() override;

    // What the exchange worker is given (StartExchange, StopExchange).
    [[nodiscard]] DeskSinkBridge& Sink() { return m_sink; }

    // The display mapping of a state frame, group by group, on the UI thread.
    void ShowFrameGroup(FrameGroup group, const StateFrame& frame);
    void ShowFrame(const StateFrame& frame);
    // The stopped console: the frame with the day in lower case and the time as plain numbers.
    void ShowCleared(const FrameBytes& frame);

    // Sets every command button's and the toggle's picture from the lock flag, then lays the
    // page out again.
    void ShowControlLock();
    [[nodiscard]] bool ControlLocked() const { return m_controlLocked != 0; }
    // Programming mode hands control back to the controller: locked, command 0x00.
    void ResetControl();

    // The controller is lost (its device gone, or silent for two passes): the clock, day, program,
    // phase and priority fields show "—" instead of the zeros of a frame that never came, until
    // the next frame.
    void SetLineLost(bool lost);
    [[nodiscard]] bool LineLostShown() const { return m_lineLost; }
    // A note across the top of the page while the exchange cannot run (programming mode); an
    // empty text takes it away.
    void SetExchangeNote(const QString& text);
    [[nodiscard]] QLabel* ExchangeNote() const { return m_exchangeNote; }
    // A recording replayed on the page: its buttons and clock fields take no input meanwhile.
    void SetReadOnly(bool readOnly);
    [[nodiscard]] bool ReadOnly() const { return m_readOnly; }

    [[nodiscard]] ARecordList* StateGrid() const { return m_stateGrid; }
    [[nodiscard]] ARecordList* LightsGrid() const { return m_lightsGrid; }
    [[nodiscard]] ARecordList* SensorsGrid() const { return m_sensorsGrid; }

    // The computer's clock as the take-clock button reads it (tests give a fixed one).
    void SetClockSource(std::function<QDateTime()> now) { m_now = std::move(now); }

    // The page's handlers, also reachable without a mouse.
    void OnTakeClock();
    void OnSendClock();
    void OnToggleControl();
    void OnCommandButton(int id);

signals:
    // The current exchange lost its device (true) or hears the controller again (false).
    void LineLostChanged(bool lost);
    // The current exchange's worker has ended.
    void WorkerEnded();
    // A frame's program and current phase were shown (0, 0 when the page is cleared).
    void StateShown(int program, int phase);
    // The operator gave a command to the controller (for the journal): `action` is one of
    // control-taken, control-released, phase-call, yellow-flashing, all-red, clock; `detail`
    // says it in words.
    void OperatorCommand(const QString& action, const QString& detail);
    // The current exchange kept a record (a frame with its answer, the line lost or back).
    void FrameRecorded(const vlk::RecordEntry& record);
    // The current exchange cannot write its recording (said once per exchange).
    void RecordingFailed(const QString& why);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void SetUpGrids();
    void SetUpFields();
    void SetUpTips();
    void OnItemClicked(int id);
    void ShowGroupText(FrameGroup group, const StateFrame& frame, bool clearing);
    void ShowUnknownFields();
    void SetText(int id, const QString& text);
    // Shows `pressed` on the control now and its resting picture after PressedLook.
    void ShowPressed(int id, int pressed);
    void ShowResting(int id);
    [[nodiscard]] QPixmap Image(int imageId) const;
    void UpdateRowHeights();
    void PlaceExchangeNote();
    void RememberClockFields();

    DeskSinkBridge m_sink{*this};
    int m_controlLocked = 1;
    bool m_lineLost = false;
    QLabel* m_exchangeNote = nullptr;
    bool m_readOnly = false;

    ARecordList* m_stateGrid = nullptr;
    ARecordList* m_lightsGrid = nullptr;
    ARecordList* m_sensorsGrid = nullptr;

    std::function<QDateTime()> m_now;
};

} // namespace vlk
