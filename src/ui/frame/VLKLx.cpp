#include "frame/VLKLx.h"

#include "frame/MainFrm.h"
#include "frame/StationArt.h"
#include "editor/ClassZetEdit.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace vlk {

CVLKLxApp::CVLKLxApp() = default;

CVLKLxApp::~CVLKLxApp()
{
    // The frame (and with it the line and any worker on it) goes before the translators and the
    // message boxes it uses.
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

namespace {

// The few texts of Qt's file dialog that its Russian catalogue does not hold.
class CatalogueGaps final : public QTranslator {
public:
    QString translate(const char* context, const char* source, const char* disambiguation, int n) const override
    {
        (void)disambiguation;
        (void)n;
        if (context == nullptr || source == nullptr || std::strcmp(context, "QAbstractFileIconProvider") != 0)
            return {};
        static const std::pair<const char*, const char*> kTexts[] = {
            {"Folder", "Папка"}, {"Directory", "Папка"}, {"Drive", "Диск"}, {"File", "Файл"},
            {"%1 File", "Файл %1"}, {"Shortcut", "Ярлык"}, {"Alias", "Псевдоним"},
        };
        for (const auto& [english, russian] : kTexts)
            if (std::strcmp(source, english) == 0)
                return QString::fromUtf8(russian);
        return {};
    }
    bool isEmpty() const override { return false; }
};

bool Russian(const char* value)
{
    return value != nullptr && std::strncmp(value, "ru", 2) == 0;
}

} // namespace

bool CVLKLxApp::InstallCatalogueGaps()
{
    // Installed after Qt's own catalogue, so it is asked first; it answers only what that lacks.
    static CatalogueGaps gaps;
    return QCoreApplication::installTranslator(&gaps);
}

void CVLKLxApp::RestoreCharacterLocale()
{
    for (const int category : {LC_CTYPE, LC_COLLATE, LC_MESSAGES})
        (void)std::setlocale(category, "");
}

void CVLKLxApp::UseRussianLocale()
{
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
}

void CVLKLxApp::UseRussianDatesInTheEnvironment()
{
    const char* all = std::getenv("LC_ALL");
    if (all != nullptr && *all != '\0' && !Russian(all)) {
        // LC_ALL would override the dates: what it said goes on for the rest through LANG.
        setenv("LANG", all, 1);
        unsetenv("LC_ALL");
    }
    if (!Russian(std::getenv("LC_TIME")))
        setenv("LC_TIME", "ru_RU.UTF-8", 1);
}

bool CVLKLxApp::InitInstance(const QString& file)
{
    UseRussianLocale();
    (void)InstallQtTranslations(m_qtTranslator);
    (void)InstallCatalogueGaps();
    ClassZetEdit::Register();
    QApplication::setWindowIcon(StationArt::ApplicationIcon());
    m_frame = std::make_unique<CMainFrame>(m_messages, m_dialogs);
    m_messages.SetOwner(m_frame.get());
    m_frame->AskPortAndStart();
    m_frame->show();
    m_frame->repaint();
    if (!file.isEmpty())
        (void)m_frame->OpenDocument(file);
    return true;
}

} // namespace vlk
