// vlk-report FILE -o FILE.pdf: the printed junction file of a configuration, on any machine.
#include "config/ConfigurationFile.h"
#include "report/JunctionReport.h"
#include "util/Version.h"

#include <CLI/CLI.hpp>

#include <QDate>
#include <QFileInfo>
#include <QGuiApplication>

#include <cstdio>
#include <iostream>

namespace {

constexpr int kOk = 0;
constexpr int kError = 2;

void Error(const std::string& file, const std::string& message)
{
    std::cerr << "vlk-report: " << file << ": " << message << "\n";
}

// Qt's notices about the environment (no runtime folder and the like) are no concern of a
// command-line user; its criticals still say what went wrong.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::cerr << "vlk-report: " << message.toStdString() << "\n";
}

} // namespace

int main(int argc, char** argv)
{
    // No display is needed: the report is drawn on a PDF writer only.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    CLI::App app{"vlk-report: конфигурация ВЛК2.2 (файл *.vlk или *.json) документом PDF", "vlk-report"};
    app.set_version_flag("--version", std::string("vlk-report ") + vlk::kStationVersion, "версия программы");
    std::string input;
    std::string output;
    app.add_option("file", input, "файл *.vlk или *.json, - для стандартного ввода")->required();
    app.add_option("-o,--output", output, "файл PDF или - для стандартного вывода")->required();
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0)
            return app.exit(e);
        std::cerr << "vlk-report: " << e.what() << " (см. vlk-report --help)\n";
        return kError;
    }

    qInstallMessageHandler(QuietMessages);
    QGuiApplication application(argc, argv);

    // Read by the one rule every program of the station follows.
    const std::string shown = input == "-" ? "<stdin>" : input;
    const vlk::ConfigurationFileRead read =
        input == "-" ? vlk::ConfigurationFile::ReadStream(std::cin) : vlk::ConfigurationFile::Read(input);
    if (!read.configuration) {
        Error(shown, read.error);
        return kError;
    }
    for (const auto& warning : read.warnings)
        std::cerr << "vlk-report: " << shown << ": предупреждение: " << warning << "\n";
    const vlk::Configuration& configuration = *read.configuration;

    const QString fileName = input == "-" ? QStringLiteral("стандартный ввод")
                                          : QFileInfo(QString::fromStdString(input)).fileName();
    const vlk::JunctionReport report(configuration, fileName, QDate::currentDate());
    if (output == "-") {
        const QByteArray pdf = report.Pdf();
        if (pdf.isEmpty()) {
            Error("<stdout>", "документ не построен");
            return kError;
        }
        std::cout.write(pdf.constData(), pdf.size());
        std::cout.flush();
        if (!std::cout) {
            Error("<stdout>", "ошибка записи");
            return kError;
        }
        return kOk;
    }
    const QString failure = report.WritePdf(QString::fromStdString(output));
    if (!failure.isEmpty()) {
        Error(output, "не записан: " + failure.toStdString());
        return kError;
    }
    return kOk;
}
