#include "frame/StandardDialogs.h"

#include "frame/QuestionWnd.h"

#include <QFileDialog>
#include <QStringList>

namespace vlk {

const QString StandardDialogs::kOpenFilter = QStringLiteral("VLKL Files (*.vlk);;All Files (*.*)");
const QString StandardDialogs::kSaveFilter = QStringLiteral("VLKL Files (*.vlk)");
const QString StandardDialogs::kPdfFilter = QStringLiteral("Документ PDF (*.pdf)");

int StandardDialogs::ChoosePort(QWidget* owner)
{
    CQuestionWnd dialog(owner);
    const bool ok = dialog.exec() == QDialog::Accepted;
    m_address = ok ? dialog.Address() : QString();
    return ok ? dialog.ChosenPort() : 0;
}

namespace {

QString RunFileDialog(QWidget* owner, QFileDialog::AcceptMode mode, const QString& filter,
                      const QString& suffix = QStringLiteral("vlk"), const QString& start = QStringLiteral("*.vlk"))
{
    QFileDialog dialog(owner);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(suffix);
    // The station asks the overwrite question itself, with its own wording and buttons.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.selectFile(start);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.front();
}

} // namespace

QString StandardDialogs::OpenFileName(QWidget* owner)
{
    return RunFileDialog(owner, QFileDialog::AcceptOpen, kOpenFilter);
}

QString StandardDialogs::SaveFileName(QWidget* owner)
{
    return RunFileDialog(owner, QFileDialog::AcceptSave, kSaveFilter);
}

QString StandardDialogs::PdfFileName(QWidget* owner, const QString& suggested)
{
    return RunFileDialog(owner, QFileDialog::AcceptSave, kPdfFilter, QStringLiteral("pdf"), suggested);
}

} // namespace vlk
