#include "frame/MainFrm.h"
#include "frame/QuitOnSignal.h"
#include "frame/StationArguments.h"
#include "frame/VLKLx.h"

#include <QApplication>
#include <QFile>

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    using vlk::StationArguments;
    // --help and --version answer before Qt looks for a display.
    const StationArguments early = StationArguments::Parse(std::vector<std::string>(argv + 1, argv + argc), false);
    if (early.action == StationArguments::Action::Help || early.action == StationArguments::Action::Version) {
        const std::string text =
            early.action == StationArguments::Action::Help ? StationArguments::HelpText() : StationArguments::VersionText();
        std::fputs(text.c_str(), stdout);
        return std::fflush(stdout) == 0 ? StationArguments::kExitOk : StationArguments::kExitFailed;
    }

    // The station speaks Russian whatever the system's locale, the file dialog's dates included.
    vlk::CVLKLxApp::UseRussianDatesInTheEnvironment();
    QApplication app(argc, argv);
    vlk::CVLKLxApp::RestoreCharacterLocale();
    // The desktop entry's name: the desktop ties the window to its entry and icon by it.
    QGuiApplication::setDesktopFileName(QStringLiteral("vlk-station"));
    std::vector<std::string> rest;
    for (const QString& argument : QCoreApplication::arguments().mid(1))
        rest.push_back(QFile::encodeName(argument).toStdString());
    const StationArguments arguments = StationArguments::Parse(rest, true);
    if (arguments.action == StationArguments::Action::Error) {
        std::fprintf(stderr, "vlk-station: %s (см. vlk-station --help)\n", arguments.error.c_str());
        return StationArguments::kExitUsage;
    }

    int result = StationArguments::kExitFailed;
    {
        vlk::CVLKLxApp station;
        if (!station.InitInstance(QFile::decodeName(arguments.file.c_str())))
            return StationArguments::kExitFailed;
        // Ctrl+C or a TERM: the close of the window's close box, exchange stopped first, but
        // without the question about unsaved changes: nobody may be at the screen to answer.
        vlk::QuitOnSignal onSignal;
        QObject::connect(&onSignal, &vlk::QuitOnSignal::Requested, station.MainWnd(), &vlk::CMainFrame::CloseUnasked);
        result = QApplication::exec();
    }
    return result;
}
