// vlk-sim: a VLK2.2 controller on a pseudo-terminal (or a serial device) for working without hardware.

#include "ControllerSimulator.h"
#include "util/Cp1251.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// "K" or "K:TIMES".
vlk::SectorFault ParseSectorFault(const std::string& text)
{
    vlk::SectorFault fault;
    const auto colon = text.find(':');
    fault.sector = std::stoi(text.substr(0, colon));
    if (colon != std::string::npos)
        fault.times = std::stoi(text.substr(colon + 1));
    if (fault.sector < 0 || fault.sector >= static_cast<int>(vlk::kSectorCount) || fault.times == 0 || fault.times < -1)
        throw std::invalid_argument(text);
    return fault;
}

// "BYTE" or "BYTE:TIMES"; BYTE decimal or 0x-hex.
vlk::SimulatorOptions::ToggleReply ParseToggleReply(const std::string& text)
{
    vlk::SimulatorOptions::ToggleReply reply;
    const auto colon = text.find(':');
    const long byte = std::stol(text.substr(0, colon), nullptr, 0);
    if (byte < 0 || byte > 255)
        throw std::invalid_argument(text);
    reply.byte = static_cast<std::uint8_t>(byte);
    if (colon != std::string::npos)
        reply.times = std::stoi(text.substr(colon + 1));
    if (reply.times == 0 || reply.times < -1)
        throw std::invalid_argument(text);
    return reply;
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"VLK2.2 controller simulator: serves the station on a pseudo-terminal (its path is the first "
                 "line printed) or on a serial device, until interrupted."};
    std::string link;
    std::string device;
    std::string memoryFile;
    int period = 1000;
    std::string account;
    bool noPace = false;
    bool log = false;
    bool silent = false;
    int psClear = 0;
    int shortFrames = 0;
    std::vector<std::string> refuse;
    std::vector<std::string> ignore;
    std::vector<std::string> shortRead;
    std::vector<std::string> zero;
    std::string toggleReply;
    int exitShort = -1;
    int noise = 0;
    int hangupAfter = -1;
    std::string clock;
    int speed = 1;
    app.add_option("--link", link, "also make a symbolic link to the pseudo-terminal at PATH")->type_name("PATH");
    app.add_option("--device", device, "serve this serial device (9600 baud, 8O1) instead of a pseudo-terminal")->type_name("PATH");
    app.add_option("--memory", memoryFile, "the controller memory: a 1920-byte .vlk file (default: the demo junction)")->type_name("FILE.vlk");
    app.add_option("--period", period, "milliseconds between state frames (default 1000)")->type_name("MS")->check(CLI::Range(1, 600000));
    app.add_option("--account", account, "account record sent on entering programming mode (default: the memory's)")->type_name("TEXT");
    app.add_flag("--no-pace", noPace, "send and act at once instead of at 9600 baud");
    app.add_flag("--log", log, "time-stamped hex trace of both directions on stderr");
    app.add_option("--clock", clock, "start the controller's clock at DAY (0 Monday .. 6 Sunday) and HH:MM "
                                     "instead of the computer's local time")->type_name("DAY,HH:MM");
    app.add_option("--speed", speed, "run the junction's time this many times faster")->type_name("N")->check(CLI::Range(1, 3600));
    auto* faults = "Faults";
    app.add_flag("--silent", silent, "no controller on the line: send nothing, act on nothing")->group(faults);
    app.add_option("--ps-clear", psClear, "the first N frames have status bit 5 clear")->type_name("N")->check(CLI::NonNegativeNumber)->group(faults);
    app.add_option("--short-frames", shortFrames, "the first N frames are cut to 10 bytes")->type_name("N")->check(CLI::NonNegativeNumber)->group(faults);
    app.add_option("--refuse-sector", refuse, "answer writes of sector K with 0xF0+K (TIMES times, default always)")
        ->type_name("K[:TIMES]")->group(faults);
    app.add_option("--ignore-sector", ignore, "do not answer writes of sector K")->type_name("K[:TIMES]")->group(faults);
    app.add_option("--zero-sector", zero, "answer writes of sector K with 0x00")->type_name("K[:TIMES]")->group(faults);
    app.add_option("--short-sector-read", shortRead,
                   "answer every read of sector K with TIMES bursts of 64 bytes 100 ms apart, then the whole "
                   "sector (without TIMES: one burst, nothing more)")
        ->type_name("K[:TIMES]")->group(faults);
    app.add_option("--toggle-reply", toggleReply,
                   "answer the programming toggle with BYTE instead of 0xFF (0: refuse and stay in normal mode)")
        ->type_name("BYTE[:TIMES]")->group(faults);
    app.add_option("--exit-short", exitShort, "answer the exit toggle with only N bytes and stay in programming mode")->type_name("N")
        ->check(CLI::Range(0, 25))->group(faults);
    app.add_option("--noise", noise, "flip one bit of a sent byte with this probability in thousandths")->type_name("PER_MILLE")
        ->check(CLI::Range(0, 1000))->group(faults);
    app.add_option("--hangup-after", hangupAfter, "drop the line after MS milliseconds and exit")->type_name("MS")
        ->check(CLI::NonNegativeNumber)->group(faults);
    app.get_option("--device")->excludes(app.get_option("--link"));
    CLI11_PARSE(app, argc, argv);

    vlk::SimulatorOptions options;
    options.period = std::chrono::milliseconds(period);
    options.pace = !noPace;
    options.log = log ? &std::cerr : nullptr;
    options.recordLimit = 10'000;
    options.silent = silent;
    options.psClearFrames = psClear;
    options.shortFrames = shortFrames;
    options.noisePerMille = noise;
    options.noiseSeed = static_cast<std::uint32_t>(getpid());
    options.timeScale = speed;
    if (!clock.empty()) {
        int day = -1, hours = -1, minutes = -1;
        char tail = 0;
        if (std::sscanf(clock.c_str(), "%d,%d:%d%c", &day, &hours, &minutes, &tail) != 3 || day < 0 || day > 6
            || hours < 0 || hours > 23 || minutes < 0 || minutes > 59) {
            std::cerr << "vlk-sim: --clock wants DAY,HH:MM with DAY 0..6, e.g. 2,14:05\n";
            return 2;
        }
        options.clock = vlk::SimulatorOptions::Clock{day, hours, minutes, 0};
    }
    if (exitShort >= 0)
        options.exitShort = exitShort;
    if (hangupAfter >= 0)
        options.hangupAfter = std::chrono::milliseconds(hangupAfter);
    try {
        for (const auto& text : refuse)
            options.refuseSector.push_back(ParseSectorFault(text));
        for (const auto& text : ignore)
            options.ignoreSector.push_back(ParseSectorFault(text));
        for (const auto& text : zero)
            options.zeroSector.push_back(ParseSectorFault(text));
        for (const auto& text : shortRead)
            options.shortSectorRead.push_back(ParseSectorFault(text));
        if (!toggleReply.empty())
            options.toggleReply = ParseToggleReply(toggleReply);
    } catch (const std::exception& e) {
        std::cerr << "vlk-sim: bad fault value: " << e.what() << '\n';
        return 2;
    }
    if (app.count("--account") > 0) {
        const vlk::TextConversion converted = vlk::Cp1251::FromUtf8(account);
        if (!converted.text) {
            std::cerr << "vlk-sim: --account: " << converted.error << '\n';
            return 2;
        }
        options.account = *converted.text;
    }
    if (!memoryFile.empty()) {
        std::ifstream in(memoryFile, std::ios::binary);
        if (!in) {
            std::cerr << "vlk-sim: cannot open " << memoryFile << ": " << std::strerror(errno) << '\n';
            return 2;
        }
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (bytes.size() != vlk::kImageSize) {
            std::cerr << "vlk-sim: " << memoryFile << " holds " << bytes.size() << " bytes, not " << vlk::kImageSize << '\n';
            return 2;
        }
        vlk::ImageBytes image{};
        std::copy(bytes.begin(), bytes.end(), reinterpret_cast<char*>(image.data()));
        for (const auto& problem : vlk::ConfigurationImage::Decode(image).problems)
            std::cerr << "vlk-sim: " << memoryFile << ": " << problem << '\n';
        options.memory = image;
    }

    // SIGINT and SIGTERM are taken synchronously below; block them before the serving thread
    // starts so that it inherits the mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    vlk::ControllerSimulator simulator(options);
    std::string path;
    if (!device.empty()) {
        if (!simulator.OpenDevice(device)) {
            std::cerr << "vlk-sim: " << simulator.LastError() << '\n';
            return 2;
        }
        path = device;
    } else {
        path = simulator.OpenPty();
        if (path.empty()) {
            std::cerr << "vlk-sim: " << simulator.LastError() << '\n';
            return 2;
        }
    }
    if (!link.empty()) {
        struct stat st {};
        if (lstat(link.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
            ::unlink(link.c_str());
        if (::symlink(path.c_str(), link.c_str()) != 0) {
            std::cerr << "vlk-sim: cannot make the link " << link << ": " << std::strerror(errno) << '\n';
            return 2;
        }
    }
    std::cout << path << std::endl;
    if (!simulator.Start()) {
        std::cerr << "vlk-sim: " << simulator.LastError() << '\n';
        return 2;
    }

    const timespec tick{0, 100'000'000};
    while (simulator.Running()) {
        const int signal = sigtimedwait(&signals, nullptr, &tick);
        if (signal == SIGINT || signal == SIGTERM || signal == SIGHUP)
            break;
    }
    simulator.Stop();
    simulator.Close();
    if (!link.empty())
        ::unlink(link.c_str());
    return 0;
}
