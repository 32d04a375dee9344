#include "ReportCommands.h"

#include <CLI/CLI.hpp>

#include "config/ConfigurationImage.h"
#include "util/Crc32.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <memory>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace vlk::ctl {

namespace {

constexpr int kOk = 0;
constexpr int kError = 2;
constexpr const char* kReportProgram = "vlk-report";

bool IsProgram(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string SelfExecutable()
{
    std::string buffer(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (n <= 0)
        return {};
    buffer.resize(static_cast<std::size_t>(n));
    return buffer;
}

} // namespace

int RunFingerprint(const std::string& file, Streams io)
{
    const auto c = Vlkctl::Load(file, io);
    if (!c)
        return kError;
    const ImageBytes image = ConfigurationImage::Encode(*c);
    io.out << Crc32::Hex(Crc32::Of(image)) << "\n";
    io.out.flush();
    if (!io.out) {
        Vlkctl::Error(io.err, "<stdout>", "ошибка записи");
        return kError;
    }
    return kOk;
}

std::string FindReportProgram(const std::string& self, const std::string& path)
{
    const auto slash = self.rfind('/');
    if (slash != std::string::npos) {
        const std::string beside = self.substr(0, slash + 1) + kReportProgram;
        if (IsProgram(beside))
            return beside;
    }
    std::size_t begin = 0;
    while (begin <= path.size()) {
        std::size_t end = path.find(':', begin);
        if (end == std::string::npos)
            end = path.size();
        // An empty entry of PATH is the current folder, as for the shell.
        const std::string folder = end == begin ? "." : path.substr(begin, end - begin);
        const std::string candidate = folder + "/" + kReportProgram;
        if (IsProgram(candidate))
            return candidate;
        begin = end + 1;
    }
    return {};
}

int RunReport(const std::string& file, const std::string& output, Streams io)
{
    const char* pathVariable = std::getenv("PATH");
    const std::string program = FindReportProgram(SelfExecutable(), pathVariable ? pathVariable : "");
    if (program.empty()) {
        Vlkctl::Error(io.err, file == "-" ? "<stdin>" : file,
                      "отчёт не построен: программа vlk-report не найдена ни рядом с vlkctl, ни в PATH");
        return kError;
    }
    io.out.flush();
    io.err.flush();
    std::vector<std::string> arguments{program, file, "-o", output};
    std::vector<char*> argv;
    for (std::string& a : arguments)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int failed = ::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
    if (failed != 0) {
        Vlkctl::Error(io.err, program, std::string("не запускается (") + std::strerror(failed) + ")");
        return kError;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            Vlkctl::Error(io.err, program, std::string("не дождаться (") + std::strerror(errno) + ")");
            return kError;
        }
    }
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) {
        Vlkctl::Error(io.err, program, std::string("прерван сигналом ") + std::to_string(WTERMSIG(status)));
        return 128 + WTERMSIG(status);
    }
    return kError;
}

void AddReportCommands(CLI::App& app, int& exitCode)
{
    struct Options {
        std::string file;
        std::string output;
    };
    auto options = std::make_shared<Options>();

    CLI::App* fingerprint = app.add_subcommand("fingerprint", "отпечаток образа конфигурации (CRC-32 его 1920 байт)");
    fingerprint->add_option("file", options->file, "файл *.vlk или *.json, - для стандартного ввода")->required();
    fingerprint->callback([options, &exitCode] {
        exitCode = RunFingerprint(options->file, Streams{std::cin, std::cout, std::cerr});
    });

    CLI::App* report = app.add_subcommand("report", "карта конфигурации в PDF (через программу vlk-report)");
    report->add_option("file", options->file, "файл *.vlk или *.json, - для стандартного ввода")->required();
    report->add_option("-o,--output", options->output, "файл PDF или - для стандартного вывода")->required();
    report->callback([options, &exitCode] {
        exitCode = RunReport(options->file, options->output, Streams{std::cin, std::cout, std::cerr});
    });
}

} // namespace vlk::ctl
