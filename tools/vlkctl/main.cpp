// vlkctl: the engineer's command-line companion for *.vlk files and the controller.
#include "EventCommands.h"
#include "JournalCommands.h"
#include "LinkCommands.h"
#include "PlanCommands.h"
#include "ReportCommands.h"
#include "RussianHelp.h"
#include "Vlkctl.h"
#include "util/Version.h"

#include <CLI/CLI.hpp>

#include <csignal>
#include <iostream>

int main(int argc, char** argv)
{
    // A closed pipe on stdout is a write error to report, not a reason to die silently.
    std::signal(SIGPIPE, SIG_IGN);

    CLI::App app{"vlkctl: конфигурации контроллеров ВЛК2.2 (файлы *.vlk)", "vlkctl"};
    app.set_help_flag("-h,--help", "показать эту справку и выйти");
    app.set_version_flag("--version", std::string("vlkctl ") + vlk::kStationVersion, "версия программы");
    app.require_subcommand(1);

    std::string output;
    std::string input;
    std::string second;

    auto* create = app.add_subcommand("new", "образ конфигурации нового запуска");
    create->add_option("-o,--output", output, "файл *.vlk или - для стандартного вывода")->required();

    auto* show = app.add_subcommand("show", "конфигурация в читаемом виде");
    show->add_option("file", input, "файл *.vlk или *.json, - для стандартного ввода")->required();

    auto* exportCmd = app.add_subcommand("export", "образ *.vlk в JSON");
    exportCmd->add_option("file", input, "файл *.vlk, - для стандартного ввода")->required();
    exportCmd->add_option("-o,--output", output, "файл JSON (по умолчанию стандартный вывод)");

    auto* importCmd = app.add_subcommand("import", "JSON в образ *.vlk");
    importCmd->add_option("file", input, "файл JSON, - для стандартного ввода")->required();
    importCmd->add_option("-o,--output", output, "файл *.vlk или - для стандартного вывода")->required();

    auto* diff = app.add_subcommand("diff", "различия двух конфигураций (код 0 равны, 1 различны)");
    diff->add_option("a", input, "первый файл *.vlk или *.json")->required();
    diff->add_option("b", second, "второй файл *.vlk или *.json")->required();

    // monitor, write, read and clock run from their callbacks during parse and set linkExit.
    int linkExit = 0;
    vlk::ctl::AddLinkCommands(app, linkExit);
    vlk::ctl::AddPlanCommands(app, linkExit); // timeline, check and sumo, likewise
    vlk::ctl::AddReportCommands(app, linkExit); // fingerprint and report, likewise
    vlk::ctl::AddJournalCommands(app, linkExit);
    vlk::ctl::AddEventCommands(app, linkExit);
    vlk::ctl::UseRussianHelp(app);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0)
            return app.exit(e);
        std::cerr << "vlkctl: " << vlk::ctl::RussianParseError(e) << " (см. vlkctl --help)\n";
        return vlk::Vlkctl::kError;
    } catch (const std::exception& e) {
        std::cerr << "vlkctl: " << e.what() << "\n";
        return vlk::Vlkctl::kError;
    }

    const vlk::Streams io{std::cin, std::cout, std::cerr};
    try {
        if (*create)
            return vlk::Vlkctl::New(output, io);
        if (*show)
            return vlk::Vlkctl::Show(input, io);
        if (*exportCmd)
            return vlk::Vlkctl::Export(input, output, io);
        if (*importCmd)
            return vlk::Vlkctl::Import(input, output, io);
        if (*diff)
            return vlk::Vlkctl::Diff(input, second, io);
        return linkExit;
    } catch (const std::exception& e) {
        // Out of memory and the like: still one line and the error code, never an abort.
        std::cerr << "vlkctl: " << e.what() << "\n";
        return vlk::Vlkctl::kError;
    }
}
