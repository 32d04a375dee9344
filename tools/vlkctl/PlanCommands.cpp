#include "PlanCommands.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include "FlowsCsv.h"
#include "config/ConfigurationFile.h"
#include "config/ConfigurationImage.h"
#include "util/WholeFile.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
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

// "0,35": numbers in the text output as a Russian reader writes them.
std::string Decimal(double value, int digits)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.*f", digits, value);
    std::string text = buffer;
    for (char& ch : text)
        if (ch == '.')
            ch = ',';
    return text;
}

double Rounded(double value, int digits)
{
    const double scale = std::pow(10.0, digits);
    return std::round(value * scale) / scale;
}

} // namespace

std::string TimingText(const TrafficTiming& t)
{
    std::string text = "Программа " + std::to_string(t.program) + ": Y = " + Decimal(t.Y, 3)
                       + ", потерянное время L = " + std::to_string(t.lostTime) + " с, цикл " + std::to_string(t.cycle) + " с";
    if (t.websterCycle > 0)
        text += " (по Вебстеру " + Decimal(t.websterCycle, 1) + " с)";
    text += "\n\nфаза\ty\tнаправление\tминимум, с\tбыло, с\tдлительность, с\n";
    for (const PhaseTiming& p : t.phases)
        text += std::to_string(p.phase) + '\t' + Decimal(p.y, 3) + '\t'
                + (p.criticalDirection ? std::to_string(p.criticalDirection) : "-") + '\t' + std::to_string(p.minimum)
                + '\t' + std::to_string(p.oldDuration) + '\t' + std::to_string(p.duration) + '\n';
    text += "\nнаправление\tинтенсивность, авт/ч\tзелёный, с\tпропускная способность, авт/ч\tX\tзадержка, с\tуровень\n";
    for (const DirectionTiming& d : t.directions) {
        text += std::to_string(d.direction) + '\t' + Decimal(d.flow, 0) + '\t';
        if (d.served)
            text += std::to_string(d.green) + '\t' + Decimal(d.capacity, 0) + '\t' + Decimal(d.degreeOfSaturation, 2)
                    + '\t' + Decimal(d.delay, 1) + '\t' + d.los + '\n';
        else
            text += "-\t-\t-\t-\t" + std::string(1, d.los) + '\n';
    }
    if (!t.warnings.empty())
        text += '\n';
    for (const std::string& w : t.warnings)
        text += "предупреждение: " + w + '\n';
    return text;
}

std::string TimingJson(const TrafficTiming& t)
{
    nlohmann::ordered_json root;
    root["Y"] = Rounded(t.Y, 4);
    root["lostTime"] = t.lostTime;
    root["cycle"] = t.cycle;
    root["phases"] = nlohmann::ordered_json::array();
    for (const PhaseTiming& p : t.phases)
        root["phases"].push_back({{"phase", p.phase}, {"y", Rounded(p.y, 4)}, {"duration", p.duration}});
    root["directions"] = nlohmann::ordered_json::array();
    for (const DirectionTiming& d : t.directions) {
        nlohmann::ordered_json item;
        item["direction"] = d.direction;
        item["flow"] = Rounded(d.flow, 1);
        item["capacity"] = Rounded(d.capacity, 1);
        item["degreeOfSaturation"] = d.served ? nlohmann::ordered_json(Rounded(d.degreeOfSaturation, 3)) : nullptr;
        item["delay"] = d.served ? nlohmann::ordered_json(Rounded(d.delay, 1)) : nullptr;
        item["los"] = std::string(1, d.los);
        root["directions"].push_back(std::move(item));
    }
    root["warnings"] = t.warnings;
    return root.dump(2) + "\n";
}

int RunPlan(const PlanOptions& options, Streams io)
{
    const std::string shown = options.file == "-" ? "<stdin>" : options.file;
    if (options.program < 1 || options.program > kProgramCount) {
        Vlkctl::Error(io.err, shown, "номер программы " + std::to_string(options.program) + " вне 1..9");
        return kError;
    }
    if (options.maxCycle < 10 || options.maxCycle > 2000) {
        Vlkctl::Error(io.err, shown, "наибольший цикл " + std::to_string(options.maxCycle) + " с вне 10..2000");
        return kError;
    }
    if (options.flows.empty()) {
        Vlkctl::Error(io.err, shown, "не задан файл интенсивностей (--flows FLOWS.csv)");
        return kError;
    }
    if (options.flows == "-" && options.file == "-") {
        Vlkctl::Error(io.err, "<stdin>", "стандартный ввод можно указать только для одного из файлов");
        return kError;
    }
    std::string csv;
    if (options.flows == "-") {
        csv.assign(std::istreambuf_iterator<char>(io.in), {});
    } else {
        std::vector<std::uint8_t> bytes;
        if (const std::string error = ReadRegularFile(options.flows, 1 << 20, bytes); !error.empty()) {
            Vlkctl::Error(io.err, options.flows, error);
            return kError;
        }
        csv.assign(bytes.begin(), bytes.end());
    }
    const FlowsRead flows = ReadFlowsCsv(csv);
    if (!flows.flows) {
        Vlkctl::Error(io.err, options.flows == "-" ? "<stdin>" : options.flows, flows.error);
        return kError;
    }
    const auto c = Vlkctl::Load(options.file, io);
    if (!c)
        return kError;

    TrafficInputs inputs;
    inputs.directions = *flows.flows;
    inputs.program = options.program;
    inputs.maxCycle = options.maxCycle;
    const TrafficTiming timing = ComputeTrafficTiming(*c, inputs);
    if (!timing.Ok()) {
        Vlkctl::Error(io.err, shown, timing.error);
        return kError;
    }
    if (!options.output.empty()) {
        const ImageBytes image = ConfigurationImage::Encode(WithTiming(*c, timing));
        const std::string error = ConfigurationFile::Write(options.output, image);
        if (!error.empty()) {
            Vlkctl::Error(io.err, options.output, error);
            return kError;
        }
    }
    if (!Print(options.json ? TimingJson(timing) : TimingText(timing), io))
        return kError;
    return timing.warnings.empty() ? kOk : kErrors;
}

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
        PlanOptions plan;
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

    CLI::App* plan = app.add_subcommand(
        "plan", "цикл и длительности фаз программы по интенсивностям движения (метод Вебстера), "
                "степень насыщения, задержка и уровень обслуживания направлений (код 0, 1 с предупреждениями)");
    plan->add_option("file", options->plan.file, "файл *.vlk или *.json, - для стандартного ввода")->required();
    plan->add_option("--flows", options->plan.flows,
                     "интенсивности, CSV со столбцами direction,flow,lanes,saturation (авт/ч; полос по умолчанию 1, "
                     "поток насыщения по умолчанию 1800 авт/ч на полосу)")
        ->required();
    plan->add_option("--program", options->plan.program, "номер программы 1..9 (по умолчанию 1)");
    plan->add_option("--max-cycle", options->plan.maxCycle, "наибольший допустимый цикл, с (по умолчанию 120)");
    plan->add_flag("--json", options->plan.json, "результат в JSON");
    plan->add_option("-o,--output", options->plan.output, "файл *.vlk: конфигурация с рассчитанными длительностями фаз");
    plan->callback([options, &exitCode] { exitCode = RunPlan(options->plan, Streams{std::cin, std::cout, std::cerr}); });
}

} // namespace vlk::ctl
