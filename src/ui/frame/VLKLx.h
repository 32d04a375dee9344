#pragma once

#include "frame/BoxMessages.h"
#include "frame/StandardDialogs.h"

#include <QString>
#include <QTranslator>

#include <memory>

namespace vlk {

class CMainFrame;

// The application object: start-up and shutdown around the main frame.
class CVLKLxApp {
public:
    CVLKLxApp();
    ~CVLKLxApp();
    CVLKLxApp(const CVLKLxApp&) = delete;
    CVLKLxApp& operator=(const CVLKLxApp&) = delete;

    // Registers the drop-down editor, creates the frame (which asks for the port and may start
    // the exchange), shows it and paints it at once. A `file` named on the command line is
    // opened then, as "Открыть" opens it: after the port dialog, over the shown window.
    [[nodiscard]] bool InitInstance(const QString& file = QString());
    [[nodiscard]] CMainFrame* MainWnd() const { return m_frame.get(); }

    // Installs Qt's own Russian texts (file dialogs, standard buttons, error reasons) into the
    // application, whatever the system locale: the station speaks Russian everywhere. False,
    // with a line on stderr, when the translations are not installed; Qt's English texts stay.
    static bool InstallQtTranslations(QTranslator& translator);
    // Makes Russian the default locale: the file dialog's dates and the kinds of its files
    // ("Папка"), numbers and days are Russian whatever the system's locale.
    static void UseRussianLocale();
    // The few texts of Qt's file dialog that its Russian catalogue lacks ("Folder"); once a run.
    static bool InstallCatalogueGaps();
    // Before the application object: Qt's system locale, which the file dialog dates its files
    // in, is taken from the environment once. Dates go Russian; the other categories stay.
    static void UseRussianDatesInTheEnvironment();
    // After the application object: a Russian LC_TIME this system has no glibc locale for makes
    // the application's setlocale(LC_ALL, "") fail as a whole, leaving the characters in the C
    // locale (window titles garbled for the window manager). The character categories are set
    // from the environment again, one by one.
    static void RestoreCharacterLocale();

private:
    QTranslator m_qtTranslator;
    BoxMessages m_messages;
    StandardDialogs m_dialogs;
    std::unique_ptr<CMainFrame> m_frame;
};

} // namespace vlk
