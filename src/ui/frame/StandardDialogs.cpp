#include "frame/StandardDialogs.h"

#include "frame/QuestionWnd.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

namespace vlk {

const QString StandardDialogs::kOpenFilter = QStringLiteral("VLKL Files (*.vlk);;All Files (*.*)");
const QString StandardDialogs::kSaveFilter = QStringLiteral("VLKL Files (*.vlk)");
const QString StandardDialogs::kPdfFilter = QStringLiteral("Документ PDF (*.pdf)");
const QString StandardDialogs::kRecordingFilter = QStringLiteral("Записи работы контроллера (*.vlkrec);;All Files (*.*)");
const QString StandardDialogs::kCsvFilter = QStringLiteral("Таблица CSV (*.csv)");

int StandardDialogs::ChoosePort(QWidget* owner)
{
    CQuestionWnd dialog(owner);
    const bool ok = dialog.exec() == QDialog::Accepted;
    m_address = ok ? dialog.Address() : QString();
    return ok ? dialog.ChosenPort() : 0;
}

QString StandardDialogs::Run(QWidget* owner, int mode, const QString& filter, const QString& suffix,
                             const QString& start)
{
    const auto accept = static_cast<QFileDialog::AcceptMode>(mode);
    QFileDialog dialog(owner);
    dialog.setAcceptMode(accept);
    dialog.setFileMode(accept == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(suffix);
    // The station asks the overwrite question itself, with its own wording and buttons.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    // Every dialog of the run starts where the user was last; a suggested name with a folder of
    // its own goes there instead.
    if (!m_folder.isEmpty() && QFileInfo(start).isRelative())
        dialog.setDirectory(m_folder);
    dialog.selectFile(start);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty())
        return {};
    m_folder = QFileInfo(files.front()).absolutePath();
    return files.front();
}

QString StandardDialogs::OpenFileName(QWidget* owner)
{
    return Run(owner, QFileDialog::AcceptOpen, kOpenFilter, QStringLiteral("vlk"), QStringLiteral("*.vlk"));
}

QString StandardDialogs::SaveFileName(QWidget* owner)
{
    return Run(owner, QFileDialog::AcceptSave, kSaveFilter, QStringLiteral("vlk"), QStringLiteral("*.vlk"));
}

QString StandardDialogs::PdfFileName(QWidget* owner, const QString& suggested)
{
    return Run(owner, QFileDialog::AcceptSave, kPdfFilter, QStringLiteral("pdf"), suggested);
}

QString StandardDialogs::RecordingFileName(QWidget* owner, const QString& folder)
{
    return Run(owner, QFileDialog::AcceptOpen, kRecordingFilter, QStringLiteral("vlkrec"),
                         folder + QStringLiteral("/*.vlkrec"));
}

QString StandardDialogs::CsvFileName(QWidget* owner, const QString& suggested)
{
    return Run(owner, QFileDialog::AcceptSave, kCsvFilter, QStringLiteral("csv"), suggested);
}

} // namespace vlk
