#pragma once

#include "forms/AFormWnd.h"
#include "link/ConsoleSink.h"

#include <QDateTime>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>

namespace vlk {

class ARecordList;

// "Пульт": the running controller's live state, written by the exchange worker, and the
// operator's controls, which only change the command byte and the send-clock flag the worker
// reads on each pass.
//
// The worker calls the ConsoleSink side from its own thread. Every display call is posted to
// the UI thread with the worker's generation and applied only while that generation is the
// current one: NextGeneration() opens one (pass it to StartExchange), ClearState() closes it,
// so an update still queued when the exchange stopped never paints over the cleared page.
class CDeskWnd : public AFormWnd, public ConsoleSink {
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

    // ---- ConsoleSink (the display calls are safe from any thread) ----
    void ShowGroup(std::uint64_t generation, FrameGroup group, const StateFrame& frame) override;
    void Repaint(std::uint64_t generation) override;
    // On the UI thread: ends the current generation, then shows the frame with the day in lower
    // case and the time as plain numbers.
    void ClearState(const FrameBytes& frame) override;
    // Passed on as LineLostChanged / WorkerEnded on the UI thread, while the generation is current.
    void ShowLineLost(std::uint64_t generation, bool lost) override;
    void ExchangeEnded(std::uint64_t generation) override;
    [[nodiscard]] std::atomic<std::uint8_t>& CommandByte() override { return m_commandByte; }
    [[nodiscard]] std::atomic<int>& SendClockFlag() override { return m_sendClock; }
    // The clock fields as last edited on the UI thread; never waits on it.
    [[nodiscard]] ClockFields ClockToSend() override;

    // Opens a new exchange generation (UI thread): updates tagged with it are shown until the
    // next ClearState or NextGeneration.
    [[nodiscard]] std::uint64_t NextGeneration();
    [[nodiscard]] std::uint64_t CurrentGeneration() const { return m_generation.load(); }

    // The display mapping of a state frame, group by group, on the UI thread.
    void ShowFrameGroup(FrameGroup group, const StateFrame& frame);
    void ShowFrame(const StateFrame& frame);

    // Sets every command button's and the toggle's picture from the lock flag, then lays the
    // page out again.
    void ShowControlLock();
    [[nodiscard]] bool ControlLocked() const { return m_controlLocked != 0; }
    // Programming mode hands control back to the controller: locked, command 0x00.
    void ResetControl();

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

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void SetUpGrids();
    void SetUpFields();
    void OnItemClicked(int id);
    void ShowGroupText(FrameGroup group, const StateFrame& frame, bool clearing);
    void SetText(int id, const QString& text);
    // Shows `pressed` on the control now and its resting picture after PressedLook.
    void ShowPressed(int id, int pressed);
    void ShowResting(int id);
    [[nodiscard]] QPixmap Image(int imageId) const;
    void UpdateRowHeights();
    void RememberClockFields();
    [[nodiscard]] bool Current(std::uint64_t generation) const;
    // Runs `job` on the UI thread while `generation` is current, checked when posted and again
    // on arrival: the exchange may have stopped while the update was queued.
    template <typename Job>
    void PostIfCurrent(std::uint64_t generation, Job job)
    {
        if (!Current(generation))
            return;
        QMetaObject::invokeMethod(
            this,
            [this, generation, job] {
                if (Current(generation))
                    job();
            },
            Qt::QueuedConnection);
    }

    std::atomic<std::uint8_t> m_commandByte{0x00};
    std::atomic<int> m_sendClock{0};
    int m_controlLocked = 1;

    ARecordList* m_stateGrid = nullptr;
    ARecordList* m_lightsGrid = nullptr;
    ARecordList* m_sensorsGrid = nullptr;

    // 0: no exchange is being shown.
    std::atomic<std::uint64_t> m_generation{0};
    std::uint64_t m_lastGeneration = 0;

    mutable std::mutex m_clockMutex;
    ClockFields m_clockFields;

    std::function<QDateTime()> m_now;
};

} // namespace vlk
