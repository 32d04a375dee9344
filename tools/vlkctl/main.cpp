// vlkctl: the station's command-line companion.
#include "LinkCommands.h"

#include <CLI/CLI.hpp>

int main(int argc, char** argv)
{
    CLI::App app{"VLK2.2 station command-line tool"};
    app.require_subcommand(1);
    int exitCode = 0;
    vlk::ctl::AddLinkCommands(app, exitCode);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? 0 : vlk::ctl::kExitError;
    }
    return exitCode;
}
