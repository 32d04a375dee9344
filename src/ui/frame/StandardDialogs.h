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
    [[nodiscard]] QString RecordingFileName(QWidget* owner, const QString& folder) override;
    [[nodiscard]] QString CsvFileName(QWidget* owner, const QString& suggested) override;
    void UseFolder(const QString& folder) override { m_folder = folder; }
    [[nodiscard]] const QString& Folder() const { return m_folder; }

    // The filters as the file dialogs show them.
    static const QString kOpenFilter;
    static const QString kSaveFilter;
    static const QString kPdfFilter;
    static const QString kRecordingFilter;
    static const QString kCsvFilter;

private:
    [[nodiscard]] QString Run(QWidget* owner, int mode, const QString& filter, const QString& suffix,
                              const QString& start);

    QString m_address; // the address last typed into "Другой порт…"
    QString m_folder; // the folder last used, for this run only
};

} // namespace vlk
