#include "LinkCommands.h"
#include "PlanCommands.h"

#include "config/ConfigurationImage.h"
#include "link/CPort.h"
#include "link/LinkFrames.h"
#include "link/MemoryTransfer.h"
#include "link/ProgrammingMode.h"
#include "util/Messages.h"

#include <CLI/CLI.hpp>

#include <array>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>
#include <sstream>
#include <unistd.h>

namespace vlk::ctl {

namespace {

// Prints every message on its own line(s), as the station would show it.
class PrintingMessages final : public Messages {
public:
    explicit PrintingMessages(std::ostream& out) : m_out(out) {}
    void Show(const std::string& text, MessageIcon = MessageIcon::None) override { m_out << text << '\n' << std::flush; }
    bool Ask(const std::string& text, MessageIcon = MessageIcon::Question) override
    {
        m_out << text << '\n' << std::flush;
        return true;
    }

private:
    std::ostream& m_out;
};

const char* const kDays[] = {"Понедельник", "Вторник", "Среда", "Четверг", "Пятница", "Суббота", "Воскресенье"};

template <std::size_t N>
std::string List(const std::array<bool, N>& flags)
{
    std::string text;
    for (std::size_t i = 0; i < N; ++i) {
        if (!flags[i])
            continue;
        if (!text.empty())
            text += ',';
        text += std::to_string(i + 1);
    }
    return text.empty() ? "-" : text;
}

std::string TwoDigits(int value)
{
    char text[16];
    std::snprintf(text, sizeof text, value < 10 ? "0%i" : "%i", value);
    return text;
}

// Frames in normal mode: the port's read gives up after 2000 ms; a clock command waits this long.
constexpr int kClockReads = 15;

} // namespace

std::string FormatFrame(const StateFrame& frame)
{
    std::ostringstream line;
    std::string flags;
    for (int bit = 0; bit < 8; ++bit) {
        if (!frame.status[bit])
            continue;
        if (!flags.empty())
            flags += ',';
        flags += kStatusLabels[bit];
    }
    line << "флаги=" << (flags.empty() ? "-" : flags) << " фаза=" << frame.currentPhase
         << " вызвана=" << frame.calledPhase << " приоритет=" << frame.priority << " день="
         << (frame.Day() == kNoDay ? "-" : kDays[frame.Day()]) << " время=" << TwoDigits(frame.hours) << ':'
         << TwoDigits(frame.minutes) << " программа=" << frame.program << " красный=" << List(frame.red)
         << " желтый=" << List(frame.yellow) << " зеленый=" << List(frame.green) << " авария="
         << List(frame.failure) << " Л1=" << List(frame.redSensorL1) << " Л2=" << List(frame.redSensorL2)
         << " датчики_зеленого=" << List(frame.greenSensor);
    return line.str();
}

int RunMonitor(const std::string& portName, int count, std::ostream& out, std::ostream& err)
{
    if (count < 0) {
        err << "vlkctl: --count must not be negative\n";
        return kExitError;
    }
    PrintingMessages messages(out);
    CPort port;
    if (!port.Open(portName, "AX25")) {
        messages.Show("Порт не открыт");
        return kExitFailed;
    }
    FrameBytes buffer{};
    for (int received = 0; count == 0 || received < count;) {
        if (port.Read(buffer.data(), buffer.size()) == 0) {
            out << "нет кадра\n" << std::flush;
            buffer.fill(0);
            continue;
        }
        ++received;
        if (!(buffer[0] & status::kConsoleReady)) {
            out << "кадр без ПС, ответ *\n" << std::flush;
            const std::uint8_t star = command::kNotReady;
            if (!port.Write(&star, 1))
                messages.Show("Команда не отправлена");
            continue;
        }
        out << FormatFrame(DecodeStateFrame(buffer)) << '\n' << std::flush;
        const std::uint8_t none = command::kNone;
        if (!port.Write(&none, 1)) {
            messages.Show("Команда не отправлена");
            return kExitFailed;
        }
        buffer.fill(0);
    }
    return kExitOk;
}

int RunWrite(const std::string& file, const std::string& portName, std::ostream& out, std::ostream& err)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        err << "vlkctl: cannot open " << file << '\n';
        return kExitError;
    }
    ImageBytes image{};
    in.read(reinterpret_cast<char*>(image.data()), static_cast<std::streamsize>(image.size()));
    if (in.gcount() != static_cast<std::streamsize>(image.size())) {
        err << "vlkctl: " << file << " holds " << in.gcount() << " bytes, a configuration needs "
            << image.size() << '\n';
        return kExitError;
    }
    PrintingMessages messages(out);
    CPort port;
    if (!EnterProgrammingMode(port, portName, messages).Accepted())
        return kExitFailed;
    const WriteResult written = WriteControllerMemory(port, messages, image);
    // Leave programming mode either way: the controller does not run the junction in it.
    const bool restarted = ExitProgrammingMode(port, messages, std::chrono::milliseconds(0));
    return written == WriteResult::Written && restarted ? kExitOk : kExitFailed;
}

int RunRead(const std::string& file, const std::string& portName, std::ostream& out, std::ostream& err)
{
    PrintingMessages messages(out);
    CPort port;
    if (!EnterProgrammingMode(port, portName, messages).Accepted())
        return kExitFailed;
    const std::optional<ImageBytes> image = ReadControllerMemory(port, messages);
    const bool restarted = ExitProgrammingMode(port, messages, std::chrono::milliseconds(0));
    if (!image)
        return kExitFailed;

    // Never leave a half-written file behind: write beside it, then rename over it.
    const std::string temp = file + ".tmp" + std::to_string(::getpid());
    {
        std::ofstream tmp(temp, std::ios::binary | std::ios::trunc);
        tmp.write(reinterpret_cast<const char*>(image->data()), static_cast<std::streamsize>(image->size()));
        tmp.flush();
        if (!tmp) {
            err << "vlkctl: cannot write " << temp << '\n';
            std::remove(temp.c_str());
            return kExitError;
        }
    }
    if (std::rename(temp.c_str(), file.c_str()) != 0) {
        err << "vlkctl: cannot rename " << temp << " to " << file << '\n';
        std::remove(temp.c_str());
        return kExitError;
    }
    return restarted ? kExitOk : kExitFailed;
}

int RunClock(const std::string& portName, const std::optional<std::string>& time, const std::optional<int>& day,
             std::ostream& out, std::ostream& err)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    int hours = local.tm_hour;
    int minutes = local.tm_min;
    int weekday = (local.tm_wday + 6) % 7; // Monday first
    if (time) {
        int h = -1;
        int m = -1;
        char rest = 0;
        if (std::sscanf(time->c_str(), "%d:%d%c", &h, &m, &rest) != 2 || h < 0 || h > 23 || m < 0 || m > 59) {
            err << "vlkctl: --time wants HH:MM, got \"" << *time << "\"\n";
            return kExitError;
        }
        hours = h;
        minutes = m;
    }
    if (day) {
        if (*day < 0 || *day > 6) {
            err << "vlkctl: --day wants 0 (Monday) .. 6 (Sunday)\n";
            return kExitError;
        }
        weekday = *day;
    }
    PrintingMessages messages(out);
    CPort port;
    if (!port.Open(portName, "AX25")) {
        messages.Show("Порт не открыт");
        return kExitFailed;
    }
    FrameBytes buffer{};
    for (int reads = 0; reads < kClockReads; ++reads) {
        if (port.Read(buffer.data(), buffer.size()) == 0)
            continue;
        if (!(buffer[0] & status::kConsoleReady)) {
            const std::uint8_t star = command::kNotReady;
            if (!port.Write(&star, 1))
                messages.Show("Команда не отправлена");
            continue;
        }
        const ClockMessage message = BuildClockMessage(minutes, hours, weekday);
        if (!port.Write(message.data(), message.size())) {
            messages.Show("Команда не отправлена");
            return kExitFailed;
        }
        return kExitOk;
    }
    err << "vlkctl: no frame with ПС set from the controller\n";
    return kExitFailed;
}

void AddLinkCommands(CLI::App& app, int& exitCode)
{
    struct Options {
        std::string port;
        int count = 0;
        std::string file;
        std::string output;
        std::string time;
        int day = -1;
        bool force = false;
    };
    auto options = std::make_shared<Options>();

    CLI::App* monitor = app.add_subcommand("monitor", "Show the controller's state frames and answer them");
    monitor->add_option("--port", options->port, "COM1:, COM2: or a device path")->required();
    monitor->add_option("--count", options->count, "Stop after this many frames (0: never)");
    monitor->callback([options, &exitCode] { exitCode = RunMonitor(options->port, options->count, std::cout, std::cerr); });

    CLI::App* write = app.add_subcommand("write", "Write a configuration file into the controller's memory");
    write->add_option("file", options->file, "The .vlk file")->required();
    write->add_option("--port", options->port, "COM1:, COM2: or a device path")->required();
    write->add_flag("--force", options->force, "Write even when the configuration check finds errors");
    write->callback([options, &exitCode] {
        // The check comes before the line is touched: a plan with errors leaves only when forced.
        if (!WriteFileAllowed(options->file, options->force, std::cerr)) {
            exitCode = kExitFailed;
            return;
        }
        exitCode = RunWrite(options->file, options->port, std::cout, std::cerr);
    });

    CLI::App* read = app.add_subcommand("read", "Read the controller's memory into a configuration file");
    read->add_option("-o,--output", options->output, "The .vlk file to write")->required();
    read->add_option("--port", options->port, "COM1:, COM2: or a device path")->required();
    read->callback([options, &exitCode] { exitCode = RunRead(options->output, options->port, std::cout, std::cerr); });

    CLI::App* clock = app.add_subcommand("clock", "Set the controller's clock");
    clock->add_option("--port", options->port, "COM1:, COM2: or a device path")->required();
    CLI::Option* time = clock->add_option("--time", options->time, "HH:MM (default: this computer's time)");
    CLI::Option* day = clock->add_option("--day", options->day, "0 Monday .. 6 Sunday (default: today)");
    clock->callback([options, time, day, &exitCode] {
        exitCode = RunClock(options->port, time->count() ? std::optional(options->time) : std::nullopt,
                            day->count() ? std::optional(options->day) : std::nullopt, std::cout, std::cerr);
    });
}

} // namespace vlk::ctl
