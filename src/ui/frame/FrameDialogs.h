#pragma once

#include <QString>

class QWidget;

namespace vlk {

// The dialogs the main frame asks the user through; tests answer them instead of a person.
class FrameDialogs {
public:
    virtual ~FrameDialogs() = default;
    // The port-choice dialog: 1 (COM1), 2 (COM2) or 3 (another port by its address) after OK,
    // 0 after Cancel.
    [[nodiscard]] virtual int ChoosePort(QWidget* owner) = 0;
    // The address typed for the third choice at the last ChoosePort.
    [[nodiscard]] virtual QString ChosenAddress() const { return {}; }
    // The file-open and file-save dialogs of *.vlk files: the chosen path, or empty after Cancel.
    [[nodiscard]] virtual QString OpenFileName(QWidget* owner) = 0;
    [[nodiscard]] virtual QString SaveFileName(QWidget* owner) = 0;
    // The save dialog of the PDF export, starting at `suggested`: the chosen path, or empty after Cancel.
    [[nodiscard]] virtual QString PdfFileName(QWidget* owner, const QString& suggested) = 0;
    // The folder of the file last opened or saved: where the next file dialog starts.
    virtual void UseFolder(const QString& folder) { (void)folder; }
    // The open dialog of a recording (*.vlkrec), starting in `folder`.
    [[nodiscard]] virtual QString RecordingFileName(QWidget* owner, const QString& folder) = 0;
    // The save dialog of the events' CSV export, starting at `suggested`.
    [[nodiscard]] virtual QString CsvFileName(QWidget* owner, const QString& suggested) = 0;
};

} // namespace vlk
