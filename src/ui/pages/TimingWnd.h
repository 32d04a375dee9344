#pragma once

#include "config/Configuration.h"
#include "forms/AFormWnd.h"
#include "plan/TrafficTiming.h"

#include <functional>

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QTableWidgetItem;

namespace vlk {

// "Расчёт": the cycle and the phase durations of one program from the counted flows of the 24
// directions (Webster's method), with each direction's degree of saturation, delay and level of
// service. The engineer types flow, lanes and saturation flow per direction, chooses the program
// and the longest cycle; the results follow every change. "Записать в программу N" hands the
// computed durations to the writer (the frame makes one undoable step of it). Like the diagrams
// the page reads the configuration from its source whenever it is shown and on Refresh().
class CTimingWnd : public AFormWnd {
    Q_OBJECT
public:
    enum InputColumn { FlowColumn, LanesColumn, SaturationColumn };
    enum ResultColumn { DirectionColumn, ResultFlowColumn, GreenColumn, CapacityColumn, XColumn, DelayColumn, LosColumn };

    explicit CTimingWnd(QWidget* parent = nullptr);
    ~CTimingWnd() override;

    void SetSource(std::function<Configuration()> source);
    // Writes the program's durations of `planned` into the pages; false when nothing was written.
    void SetWriter(std::function<bool(int program, const Configuration& planned)> writer);

    [[nodiscard]] const TrafficInputs& Inputs() const { return m_inputs; }
    // Shows inputs read from a file (or the defaults); they count as unchanged.
    void SetInputs(const TrafficInputs& inputs);
    // The user has changed the inputs since they were last set or marked saved.
    [[nodiscard]] bool InputsChanged() const { return m_changed; }
    void MarkInputsSaved() { m_changed = false; }
    [[nodiscard]] const TrafficTiming& Timing() const { return m_timing; }
    // Takes what is still in a cell editor of the flows table into its cell, as Enter would.
    void CommitEdit();

    [[nodiscard]] QComboBox* ProgramBox() const { return m_programBox; }
    [[nodiscard]] QSpinBox* MaxCycleBox() const { return m_maxCycle; }
    [[nodiscard]] QTableWidget* InputTable() const { return m_inputTable; }
    [[nodiscard]] QTableWidget* PhaseTable() const { return m_phaseTable; }
    [[nodiscard]] QTableWidget* ResultTable() const { return m_resultTable; }
    [[nodiscard]] QLabel* Summary() const { return m_summary; }
    [[nodiscard]] QLabel* Warnings() const { return m_warnings; }
    [[nodiscard]] QPushButton* WriteButton() const { return m_write; }

public slots:
    // Reads the configuration again and recomputes, at once while shown, else when shown next.
    void Refresh();

signals:
    // The user has changed an input (for the frame's question about unsaved work).
    void inputsEdited();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Recompute();
    void ShowInputs();
    [[nodiscard]] QString InputText(int direction, int column) const;
    void InputChanged(QTableWidgetItem* item);
    void WriteProgram();

    std::function<Configuration()> m_source;
    std::function<bool(int, const Configuration&)> m_writer;
    Configuration m_configuration;
    TrafficInputs m_inputs;
    TrafficTiming m_timing;
    bool m_changed = false;
    bool m_filling = false; // the page itself is writing the tables

    QComboBox* m_programBox = nullptr;
    QSpinBox* m_maxCycle = nullptr;
    QTableWidget* m_inputTable = nullptr;
    QTableWidget* m_phaseTable = nullptr;
    QTableWidget* m_resultTable = nullptr;
    QLabel* m_summary = nullptr;
    QLabel* m_warnings = nullptr;
    QLabel* m_check = nullptr;
    QPushButton* m_write = nullptr;
};

} // namespace vlk
