#include "frame/VLKLx.h"

#include "frame/MainFrm.h"
#include "frame/StationArt.h"
#include "editor/ClassZetEdit.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>

#include <cstdio>

namespace vlk {

CVLKLxApp::CVLKLxApp() = default;

CVLKLxApp::~CVLKLxApp()
{
    // The frame (and with it any worker) goes first, the exchange lock after it.
    m_frame.reset();
}

bool CVLKLxApp::InstallQtTranslations(QTranslator& translator)
{
    // Debian's qt6-translations-l10n puts them beside Qt's own files.
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator.load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"), QStringLiteral("_"),
                         folder)) {
        std::fprintf(stderr, "vlk-station: Qt's Russian translations (qtbase_ru.qm) not found in %s\n",
                     qPrintable(folder));
        return false;
    }
    return QCoreApplication::installTranslator(&translator);
}

bool CVLKLxApp::InitInstance(const QString& file)
{
    (void)InstallQtTranslations(m_qtTranslator);
    ClassZetEdit::Register();
    QApplication::setWindowIcon(StationArt::ApplicationIcon());
    m_frame = std::make_unique<CMainFrame>(m_exchangeLock, m_messages, m_dialogs);
    m_messages.SetOwner(m_frame.get());
    m_frame->AskPortAndStart();
    m_frame->show();
    m_frame->repaint();
    if (!file.isEmpty())
        (void)m_frame->OpenDocument(file);
    return true;
}

} // namespace vlk
