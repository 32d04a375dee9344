#pragma once

#include "frame/FrameDialogs.h"

namespace vlk {

// The real dialogs: the port-choice dialog and the platform's file dialogs with the station's
// filters and default extension.
class StandardDialogs final : public FrameDialogs {
public:
    [[nodiscard]] int ChoosePort(QWidget* owner) override;
    [[nodiscard]] QString ChosenAddress() const override { return m_address; }
    [[nodiscard]] QString OpenFileName(QWidget* owner) override;
    [[nodiscard]] QString SaveFileName(QWidget* owner) override;
    [[nodiscard]] QString PdfFileName(QWidget* owner, const QString& suggested) override;

    // The filters as the file dialogs show them.
    static const QString kOpenFilter;
    static const QString kSaveFilter;
    static const QString kPdfFilter;

private:
    QString m_address;
};

} // namespace vlk
