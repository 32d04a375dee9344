#pragma once

#include "config/Configuration.h"
#include "forms/AFormWnd.h"

#include <functional>

class QLabel;
class QToolButton;

namespace vlk {

class TimeBarView;
class WeekBarView;

// "Диаграммы": the time-bar diagram of one program (chosen with the buttons 1..9) with the
// check's findings marked, its cycle length, and the week below. It shows what the pages hold:
// whenever it is shown, and on Refresh(), it reads the configuration from its source again.
// While the exchange runs it marks the program and phase the controller reports.
class CDiagramWnd : public AFormWnd {
    Q_OBJECT
public:
    explicit CDiagramWnd(QWidget* parent = nullptr);
    ~CDiagramWnd() override;

    // Where the configuration comes from (the tab host reads the pages); without one the page
    // shows a fresh start.
    void SetSource(std::function<Configuration()> source);

    void SelectProgram(int program);
    [[nodiscard]] int Program() const { return m_program; }

    [[nodiscard]] QToolButton* ProgramButton(int program) const;
    [[nodiscard]] QLabel* CycleLabel() const { return m_cycle; }
    [[nodiscard]] QLabel* StateLabel() const { return m_state; }
    [[nodiscard]] TimeBarView* TimeBars() const { return m_bars; }
    [[nodiscard]] WeekBarView* WeekBars() const { return m_week; }
    // How many times the page has rebuilt its diagrams.
    [[nodiscard]] int Rebuilds() const { return m_rebuilds; }

public slots:
    // Reads the configuration again and redraws, at once while the page is shown, else when it
    // is shown next.
    void Refresh();
    // What the controller reports: program 1..9 and its phase; program 0 (yellow flashing,
    // lamps off, no exchange) marks nothing.
    void SetReportedState(int program, int phase);

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Rebuild();
    void ShowReported();
    void LayOut();

    std::function<Configuration()> m_source;
    Configuration m_configuration;
    int m_program = 1;
    int m_reportedProgram = 0;
    int m_reportedPhase = 0;
    int m_rebuilds = 0;

    QLabel* m_programTitle = nullptr;
    QToolButton* m_buttons[kProgramCount] = {};
    QLabel* m_cycle = nullptr;
    QLabel* m_state = nullptr;
    QLabel* m_weekTitle = nullptr;
    TimeBarView* m_bars = nullptr;
    WeekBarView* m_week = nullptr;
};

} // namespace vlk
