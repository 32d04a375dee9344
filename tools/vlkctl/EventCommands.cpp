#include "EventCommands.h"

#include "LinkCommands.h"
#include "Vlkctl.h"
#include "config/ConfigurationImage.h"
#include "record/EventExport.h"
#include "record/JunctionEvents.h"
#include "record/Recording.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>

namespace vlk::ctl {

int RunEvents(const std::string& file, const std::string& configFile, EventFormat format, std::ostream& out,
              std::ostream& err)
{
    std::string error;
    const auto recording = ReadRecording(file, error);
    if (!recording) {
        err << "vlkctl: " << error << '\n';
        return kExitError;
    }
    if (recording->tornBytes > 0)
        err << "vlkctl: " << file << ": предупреждение: последняя запись обрезана (" << recording->tornBytes
            << " байт) и пропущена\n";
    if (recording->damaged > 0)
        err << "vlkctl: " << file << ": предупреждение: поврежденных записей пропущено: " << recording->damaged << '\n';

    Configuration configuration;
    if (!configFile.empty()) {
        const Streams io{std::cin, out, err};
        const auto loaded = Vlkctl::Load(configFile, io);
        if (!loaded)
            return kExitError;
        configuration = *loaded;
    } else {
        DecodeResult decoded = ConfigurationImage::Decode(recording->header.image);
        if (decoded.configuration)
            configuration = *decoded.configuration;
        else
            err << "vlkctl: " << file
                << ": предупреждение: образ в заголовке записи не читается, лампы не проверяются (укажите --config)\n";
    }
    const auto events = RecordingEvents(*recording, configuration);
    switch (format) {
    case EventFormat::Text: out << EventsText(events); break;
    case EventFormat::Csv: out << EventsCsv(events); break;
    case EventFormat::Json: out << EventsJson(events); break;
    }
    out.flush();
    if (!out) {
        err << "vlkctl: <stdout>: ошибка записи\n";
        return kExitError;
    }
    return kExitOk;
}

void AddEventCommands(CLI::App& app, int& exitCode)
{
    struct Options {
        std::string file;
        std::string config;
        bool csv = false;
        bool json = false;
    };
    auto options = std::make_shared<Options>();
    CLI::App* events = app.add_subcommand("events", "события и аварии из записи работы контроллера");
    events->add_option("file", options->file, "файл записи (*.vlkrec)")->required();
    events->add_option("--config", options->config, "конфигурация *.vlk или *.json (по умолчанию образ из записи)");
    CLI::Option* csv = events->add_flag("--csv", options->csv, "в CSV");
    CLI::Option* json = events->add_flag("--json", options->json, "в JSON");
    csv->excludes(json);
    events->callback([options, &exitCode] {
        const EventFormat format = options->csv ? EventFormat::Csv : options->json ? EventFormat::Json : EventFormat::Text;
        exitCode = RunEvents(options->file, options->config, format, std::cout, std::cerr);
    });
}

} // namespace vlk::ctl
