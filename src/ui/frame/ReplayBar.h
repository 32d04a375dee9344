#pragma once

#include "record/JunctionEvents.h"
#include "record/Recording.h"

#include <QToolBar>

#include <array>

#include <cstdint>
#include <functional>
#include <vector>

class QComboBox;
class QLabel;
class QSlider;
class QTimer;
class QToolButton;

namespace vlk {

// The replay of a recording: a time slider over the recording, play and pause, the speed (1×,
// 10×, 60×), a jump to the previous or next event, and "Закрыть запись". It keeps the time shown
// and hands the record in force at that time to whoever shows it (the console).
class ReplayBar : public QToolBar {
    Q_OBJECT
public:
    static constexpr int kTickMs = 100;
    static constexpr std::array<int, 3> kSpeeds{1, 10, 60};

    explicit ReplayBar(QWidget* parent = nullptr);
    ~ReplayBar() override;

    // Starts the replay of `recording` with its `events`, paused at its first record.
    void Open(Recording recording, std::vector<JunctionEvent> events);
    void Close();
    [[nodiscard]] bool IsOpen() const { return m_open; }

    // Shows the recorded state at `timeMs` (kept within the recording).
    void Seek(std::int64_t timeMs);
    void Play();
    void Pause();
    [[nodiscard]] bool Playing() const;
    // 1, 10 or 60 times real time.
    void SetSpeed(int speed);
    [[nodiscard]] int Speed() const;
    // The previous or next event's time, from the time shown; false when there is none.
    bool PreviousEvent();
    bool NextEvent();

    [[nodiscard]] std::int64_t Position() const { return m_position; }
    [[nodiscard]] std::int64_t Start() const;
    [[nodiscard]] std::int64_t End() const;
    [[nodiscard]] const Recording& Shown() const { return m_recording; }

    // The widgets, for tests through the window.
    [[nodiscard]] QSlider* Slider() const { return m_slider; }
    [[nodiscard]] QToolButton* PlayButton() const { return m_play; }
    [[nodiscard]] QComboBox* SpeedBox() const { return m_speed; }
    [[nodiscard]] QToolButton* PreviousButton() const { return m_previous; }
    [[nodiscard]] QToolButton* NextButton() const { return m_next; }
    [[nodiscard]] QToolButton* CloseButton() const { return m_close; }
    [[nodiscard]] QLabel* TimeLabel() const { return m_time; }

signals:
    // The record in force at the time shown (the last one at or before it), or nothing recorded yet.
    void StateAt(const vlk::RecordEntry* record, qint64 timeMs);
    // "Закрыть запись".
    void CloseRequested();

private:
    void Show();
    void Tick();
    void UpdatePlayButton();

    Recording m_recording;
    std::vector<JunctionEvent> m_events;
    std::int64_t m_position = 0;
    bool m_open = false;
    bool m_sliding = false; // the slider is being moved by the program, not the user
    QSlider* m_slider = nullptr;
    QToolButton* m_play = nullptr;
    QComboBox* m_speed = nullptr;
    QToolButton* m_previous = nullptr;
    QToolButton* m_next = nullptr;
    QToolButton* m_close = nullptr;
    QLabel* m_time = nullptr;
    QTimer* m_timer = nullptr;
};

} // namespace vlk
