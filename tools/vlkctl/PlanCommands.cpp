#include "PlanCommands.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "config/ConfigurationImage.h"
#include "util/WholeFile.h"

#include <fstream>
#include <iostream>

namespace vlk::ctl {

namespace {

constexpr int kOk = 0;
constexpr int kErrors = 1;
constexpr int kError = 2;

std::string PhaseText(const CyclePart& part)
{
    if (part.IsChange())
        return std::to_string(part.phase) + "→" + std::to_string(part.target);
    return std::to_string(part.phase);
}

bool Print(const std::string& text, Streams io)
{
    io.out << text;
    io.out.flush();
    if (!io.out) {
        Vlkctl::Error(io.err, "<stdout>", "ошибка записи");
        return false;
    }
    return true;
}

} // namespace

std::string TimelineText(const ProgramCycle& cycle, bool csv)
{
    const char sep = csv ? ',' : '\t';
    std::string text = csv ? "t,фаза" : "t\tфаза";
    for (int d = 1; d <= kDirectionCount; ++d)
        text += sep + std::to_string(d);
    text += '\n';
    std::array<std::size_t, kDirectionCount> at{};
    for (int t = 0; t < cycle.Length(); ++t) {
        text += std::to_string(t);
        text += sep;
        text += PhaseText(cycle.PartAt(t));
        for (int d = 1; d <= kDirectionCount; ++d) {
            const auto& spans = cycle.Spans(d);
            while (spans[at[d - 1]].End() <= t)
                ++at[d - 1];
            text += sep;
            text += SignalCode(spans[at[d - 1]].signal);
        }
        text += '\n';
    }
    return text;
}

int RunTimeline(const std::string& file, int program, bool csv, Streams io)
{
    if (program < 1 || program > kProgramCount) {
        Vlkctl::Error(io.err, file, "номер программы " + std::to_string(program) + " вне 1..9");
        return kError;
    }
    const auto c = Vlkctl::Load(file, io);
    if (!c)
        return kError;
    const ProgramCycle cycle = ProgramCycle::Of(*c, program);
    if (cycle.Empty()) {
        Vlkctl::Error(io.err, file == "-" ? "<stdin>" : file,
                      "в программе " + std::to_string(program) + " у всех фаз длительность 0, контроллер мигает жёлтым");
        return kError;
    }
    return Print(TimelineText(cycle, csv), io) ? kOk : kError;
}

std::string FindingsText(const std::vector<Finding>& findings)
{
    std::string text;
    for (const Finding& f : findings) {
        text += SeverityText(f.severity);
        text += '\t' + f.rule + '\t' + f.message + '\n';
    }
    return text;
}

std::string FindingsJson(const std::vector<Finding>& findings)
{
    nlohmann::ordered_json array = nlohmann::ordered_json::array();
    for (const Finding& f : findings) {
        nlohmann::ordered_json item;
        item["severity"] = SeverityText(f.severity);
        item["rule"] = f.rule;
        if (f.program)
            item["program"] = *f.program;
        if (f.phase)
            item["phase"] = *f.phase;
        if (!f.directions.empty())
            item["directions"] = f.directions;
        if (f.output)
            item["output"] = *f.output;
        if (f.day)
            item["day"] = CheckDayName(*f.day);
        if (f.minute)
            item["time"] = CheckTime(*f.minute);
        if (f.second)
            item["second"] = *f.second;
        item["message"] = f.message;
        array.push_back(std::move(item));
    }
    return array.dump(2) + "\n";
}

int RunCheck(const std::string& file, bool json, Streams io)
{
    const auto c = Vlkctl::Load(file, io);
    if (!c)
        return kError;
    const std::vector<Finding> findings = ConfigurationCheck(*c);
    if (!Print(json ? FindingsJson(findings) : FindingsText(findings), io))
        return kError;
    return HasErrors(findings) ? kErrors : kOk;
}

int RunSumo(const std::string& file, const std::string& output, const SumoOptions& options, Streams io)
{
    const std::string shown = file == "-" ? "<stdin>" : file;
    if (options.startProgram < 1 || options.startProgram > kProgramCount) {
        Vlkctl::Error(io.err, shown, "номер программы " + std::to_string(options.startProgram) + " вне 1..9");
        return kError;
    }
    // The id goes into the simulator's XML as it stands; one the network could not name is refused.
    if (options.tlsId.empty() || options.tlsId.find_first_of(" \t\r\n<>&\"'") != std::string::npos) {
        Vlkctl::Error(io.err, shown, "недопустимый идентификатор светофора «" + options.tlsId + "»");
        return kError;
    }
    const auto c = Vlkctl::Load(file, io);
    if (!c)
        return kError;
    const std::string text = SumoPrograms(*c, options);
    if (output.empty() || output == "-")
        return Print(text, io) ? kOk : kError;
    const std::string error =
        WriteWholeFile(output, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    if (!error.empty()) {
        Vlkctl::Error(io.err, output, error);
        return kError;
    }
    return kOk;
}

bool WriteAllowed(const Configuration& configuration, const std::string& file, bool force, std::ostream& err)
{
    const std::vector<Finding> findings = ConfigurationCheck(configuration);
    if (!HasErrors(findings))
        return true;
    for (const Finding& f : findings)
        if (f.severity == Severity::Error)
            err << "vlkctl: " << file << ": " << SeverityText(f.severity) << ": " << f.message << " [" << f.rule << "]\n";
    if (force) {
        err << "vlkctl: " << file << ": записывается несмотря на ошибки (--force)\n";
        return true;
    }
    err << "vlkctl: " << file << ": в конфигурации ошибки, запись отменена (--force записывает несмотря на ошибки)\n";
    return false;
}

void AddPlanCommands(CLI::App& app, int& exitCode)
{
    struct Options {
        std::string file;
        int program = 1;
        bool csv = false;
        bool json = false;
        std::string output;
        SumoOptions sumo;
    };
    auto options = std::make_shared<Options>();

    CLI::App* timeline = app.add_subcommand("timeline", "сигналы направлений по секундам цикла программы");
    timeline->add_option("file", options->file, "файл *.vlk или *.json, - для стандартного ввода")->required();
    timeline->add_option("--program", options->program, "номер программы 1..9")->required();
    timeline->add_flag("--csv", options->csv, "через запятую, для электронных таблиц");
    timeline->callback([options, &exitCode] {
        exitCode = RunTimeline(options->file, options->program, options->csv, Streams{std::cin, std::cout, std::cerr});
    });

    CLI::App* check = app.add_subcommand("check", "проверка конфигурации (код 0 без ошибок, 1 с ошибками)");
    check->add_option("file", options->file, "файл *.vlk или *.json, - для стандартного ввода")->required();
    check->add_flag("--json", options->json, "находки массивом JSON");
    check->callback([options, &exitCode] {
        exitCode = RunCheck(options->file, options->json, Streams{std::cin, std::cout, std::cerr});
    });

    CLI::App* sumo = app.add_subcommand("sumo", "программы для микромоделирования движения (элементы <tlLogic>)");
    sumo->add_option("file", options->file, "файл *.vlk или *.json, - для стандартного ввода")->required();
    sumo->add_option("-o,--output", options->output, "файл *.tll.xml (по умолчанию стандартный вывод)");
    sumo->add_option("--id", options->sumo.tlsId, "идентификатор светофора в сети (по умолчанию vlk)");
    sumo->add_option("--program", options->sumo.startProgram, "программа, с которой начинается моделирование, 1..9 (по умолчанию 1)");
    sumo->add_flag("--net-hint", options->sumo.netHint, "комментарий: какой индекс сигнала какое направление");
    sumo->callback([options, &exitCode] {
        exitCode = RunSumo(options->file, options->output, options->sumo, Streams{std::cin, std::cout, std::cerr});
    });
}

} // namespace vlk::ctl
