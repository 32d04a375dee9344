// vlk-sim: a VLK2.2 controller on a pseudo-terminal (or a serial device) for working without hardware.

#include "ControllerSimulator.h"
#include "SimulatorArguments.h"
#include "config/ConfigurationFile.h"
#include "util/Cp1251.h"
#include "util/Version.h"

#include <chrono>
#include <CLI/CLI.hpp>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int Refuse(const std::string& option, const std::string& value, const std::string& wanted)
{
    std::cerr << "vlk-sim: " << option << " \"" << value << "\": " << wanted << '\n';
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"VLK2.2 controller simulator: serves the station on a pseudo-terminal (its path is the first "
                 "line printed) or on a serial device, until interrupted."};
    app.set_version_flag("--version", std::string("vlk-sim ") + vlk::kStationVersion, "print the version and exit");
    std::string link;
    std::string device;
    std::string memoryFile;
    std::string period;
    std::string account;
    bool noPace = false;
    bool log = false;
    bool silent = false;
    std::string psClear;
    std::string shortFrames;
    std::vector<std::string> refuse;
    std::vector<std::string> ignore;
    std::vector<std::string> shortRead;
    std::vector<std::string> zero;
    std::string toggleReply;
    std::string exitShort;
    std::string noise;
    std::string hangupAfter;
    std::string silentAfter;
    std::string restartAfter;
    std::string restartAfterSector;
    std::string clock;
    std::string speed;
    std::vector<std::string> lampOut, lampStuck, sensorOn, directionFailure, alarm, clockDrift;
    app.add_option("--link", link, "also make a symbolic link to the pseudo-terminal at PATH")->type_name("PATH");
    app.add_option("--device", device, "serve this serial device (9600 baud, 8O1) instead of a pseudo-terminal")->type_name("PATH");
    app.add_option("--memory", memoryFile, "the controller memory: a 1920-byte .vlk file or its JSON (default: the demo junction)")->type_name("FILE");
    app.add_option("--period", period, "milliseconds between state frames (default 1000)")->type_name("MS");
    app.add_option("--account", account, "account record sent on entering programming mode (default: the memory's)")->type_name("TEXT");
    app.add_flag("--no-pace", noPace, "send and act at once instead of at 9600 baud");
    app.add_flag("--log", log, "time-stamped hex trace of both directions on stderr");
    app.add_option("--clock", clock, "start the controller's clock at DAY (0 Monday .. 6 Sunday) and HH:MM "
                                     "instead of the computer's local time")->type_name("DAY,HH:MM");
    app.add_option("--speed", speed, "run the junction's time this many times faster")->type_name("N");
    auto* faults = "Faults";
    app.add_flag("--silent", silent, "no controller on the line: send nothing, act on nothing")->group(faults);
    app.add_option("--ps-clear", psClear, "the first N frames have status bit 5 clear")->type_name("N")->group(faults);
    app.add_option("--short-frames", shortFrames, "the first N frames are cut to 10 bytes")->type_name("N")->group(faults);
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
        ->group(faults);
    app.add_option("--noise", noise, "flip one bit of a sent byte with this probability in thousandths")->type_name("PER_MILLE")
        ->group(faults);
    app.add_option("--hangup-after", hangupAfter, "drop the line after MS milliseconds and exit")->type_name("MS")
        ->group(faults);
    app.add_option("--silent-after", silentAfter,
                   "fall silent after MS milliseconds with the line kept (a cable pulled at the controller, or "
                   "the controller switched off); with :FOR, heard again FOR milliseconds later")
        ->type_name("MS[:FOR]")->group(faults);
    app.add_option("--restart-after", restartAfter,
                   "restart by itself (a power cut) after MS milliseconds, into normal mode on the memory it holds")
        ->type_name("MS")->group(faults);
    app.add_option("--restart-after-sector", restartAfterSector,
                   "restart by itself (a power cut) right after accepting the write of sector K")
        ->type_name("K")->group(faults);
    auto* junctionFaults = "Faults of the junction (FROM and FOR in seconds after the start)";
    app.add_option("--lamp-out", lampOut,
                   "the lamp of direction DIR is dark while driven: its sensor (red1, red2 = \"Л1\", \"Л2\" of the "
                   "red group, or green) reads off")
        ->type_name("DIR:LAMP:FROM:FOR")->group(junctionFaults);
    app.add_option("--lamp-stuck", lampStuck, "the lamp of direction DIR stays lit: its sensor reads on while not driven")
        ->type_name("DIR:LAMP:FROM:FOR")->group(junctionFaults);
    app.add_option("--sensor-on", sensorOn, "the sensor of channel CHANNEL reads on whatever its lamp does")
        ->type_name("LAMP:CHANNEL:FROM:FOR")->group(junctionFaults);
    app.add_option("--direction-failure", directionFailure, "the failure flag of direction DIR is set")
        ->type_name("DIR:FROM:FOR")->group(junctionFaults);
    app.add_option("--alarm", alarm, "status flag \"АВАРИЯ\" is set")->type_name("FROM:FOR")->group(junctionFaults);
    app.add_option("--clock-drift", clockDrift,
                   "the controller's clock shows MINUTES ahead (or behind, with a minus) of its time")
        ->type_name("MINUTES:FROM:FOR")->group(junctionFaults);
    app.get_option("--device")->excludes(app.get_option("--link"));
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0)
            return app.exit(e); // --help, --version
        std::cerr << "vlk-sim: " << e.what() << " (see vlk-sim --help)\n";
        return 2;
    }

    // Every number is checked whole: "3x" or "1e3" is a typing error, never 3 or 1.
    long periodMs = 1000, speedFactor = 1, psClearFrames = 0, shortFrameCount = 0, exitShortBytes = -1,
         noisePerMille = 0, hangupMs = -1, restartMs = -1, restartSector = -1;
    const struct {
        const char* name;
        const std::string& text;
        long min;
        long max;
        long& value;
    } numbers[] = {
        {"--period", period, 1, 600000, periodMs},
        {"--speed", speed, 1, 3600, speedFactor},
        {"--ps-clear", psClear, 0, INT_MAX, psClearFrames},
        {"--short-frames", shortFrames, 0, INT_MAX, shortFrameCount},
        {"--exit-short", exitShort, 0, 25, exitShortBytes},
        {"--noise", noise, 0, 1000, noisePerMille},
        {"--hangup-after", hangupAfter, 0, INT_MAX, hangupMs},
        {"--restart-after", restartAfter, 0, INT_MAX, restartMs},
        {"--restart-after-sector", restartAfterSector, 0, 14, restartSector},
    };
    for (const auto& number : numbers) {
        if (app.count(number.name) == 0)
            continue;
        const auto value = vlk::sim::WholeNumber(number.text, number.min, number.max);
        if (!value)
            return Refuse(number.name, number.text,
                          "wants a whole number " + std::to_string(number.min) + ".." + std::to_string(number.max));
        number.value = *value;
    }

    vlk::SimulatorOptions options;
    options.period = std::chrono::milliseconds(periodMs);
    options.pace = !noPace;
    options.log = log ? &std::cerr : nullptr;
    options.recordLimit = 10'000;
    options.silent = silent;
    options.psClearFrames = static_cast<int>(psClearFrames);
    options.shortFrames = static_cast<int>(shortFrameCount);
    options.noisePerMille = static_cast<int>(noisePerMille);
    options.noiseSeed = static_cast<std::uint32_t>(getpid());
    options.timeScale = static_cast<int>(speedFactor);
    if (app.count("--clock") > 0) {
        options.clock = vlk::sim::ClockValue(clock);
        if (!options.clock)
            return Refuse("--clock", clock, "wants DAY,HH:MM with DAY 0 (Monday)..6, e.g. 2,14:05");
    }
    if (exitShortBytes >= 0)
        options.exitShort = static_cast<int>(exitShortBytes);
    if (hangupMs >= 0)
        options.hangupAfter = std::chrono::milliseconds(hangupMs);
    if (restartMs >= 0)
        options.restartAfter = std::chrono::milliseconds(restartMs);
    if (restartSector >= 0)
        options.restartAfterSector = static_cast<int>(restartSector);
    if (app.count("--silent-after") > 0) {
        const auto colon = silentAfter.find(':');
        const auto after = vlk::sim::WholeNumber(silentAfter.substr(0, colon), 0, INT_MAX);
        const auto lasting = colon == std::string::npos ? std::optional<long>(-1)
                                                        : vlk::sim::WholeNumber(silentAfter.substr(colon + 1), 1, INT_MAX);
        if (!after || !lasting)
            return Refuse("--silent-after", silentAfter, "wants MS or MS:FOR, whole numbers of milliseconds");
        options.silentAfter = std::chrono::milliseconds(*after);
        if (*lasting > 0)
            options.silentFor = std::chrono::milliseconds(*lasting);
    }
    const struct {
        const char* name;
        const std::vector<std::string>& texts;
        std::vector<vlk::SectorFault>& faults;
    } sectorFaults[] = {
        {"--refuse-sector", refuse, options.refuseSector},
        {"--ignore-sector", ignore, options.ignoreSector},
        {"--zero-sector", zero, options.zeroSector},
        {"--short-sector-read", shortRead, options.shortSectorRead},
    };
    for (const auto& kind : sectorFaults) {
        for (const auto& text : kind.texts) {
            const auto fault = vlk::sim::SectorFaultValue(text);
            if (!fault)
                return Refuse(kind.name, text, "wants K[:TIMES] with K 0..14 and TIMES 1 or more");
            kind.faults.push_back(*fault);
        }
    }
    using JunctionKind = vlk::JunctionFault::Kind;
    const struct {
        const char* name;
        const std::vector<std::string>& texts;
        JunctionKind kind;
    } junctionFaultOptions[] = {
        {"--lamp-out", lampOut, JunctionKind::LampOut},
        {"--lamp-stuck", lampStuck, JunctionKind::LampStuck},
        {"--sensor-on", sensorOn, JunctionKind::SensorOn},
        {"--direction-failure", directionFailure, JunctionKind::DirectionFailure},
        {"--alarm", alarm, JunctionKind::Alarm},
        {"--clock-drift", clockDrift, JunctionKind::ClockOff},
    };
    for (const auto& kind : junctionFaultOptions) {
        for (const auto& text : kind.texts) {
            const auto fault = vlk::sim::JunctionFaultValue(kind.kind, text);
            if (!fault)
                return Refuse(kind.name, text, vlk::sim::JunctionFaultForm(kind.kind));
            options.junctionFaults.push_back(*fault);
        }
    }
    if (app.count("--toggle-reply") > 0) {
        options.toggleReply = vlk::sim::ToggleReplyValue(toggleReply);
        if (!options.toggleReply)
            return Refuse("--toggle-reply", toggleReply,
                          "wants BYTE[:TIMES] with BYTE 0..255 (decimal or 0x..) and TIMES 1 or more");
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
        // Read by the one rule of every program: an image of exactly 1920 bytes, or JSON.
        const vlk::ConfigurationFileRead read = vlk::ConfigurationFile::Read(memoryFile);
        if (!read.configuration) {
            std::cerr << "vlk-sim: " << memoryFile << ": " << read.error << '\n';
            return 2;
        }
        for (const auto& warning : read.warnings)
            std::cerr << "vlk-sim: " << memoryFile << ": предупреждение: " << warning << '\n';
        options.memory = read.image;
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
