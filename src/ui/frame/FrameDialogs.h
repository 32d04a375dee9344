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
};

} // namespace vlk
