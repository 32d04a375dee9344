#include "LinkCommands.h"
#include "PlanCommands.h"

#include "ClockTime.h"
#include "config/ConfigurationDiff.h"
#include "util/PrintableText.h"
#include "Vlkctl.h"
#include "config/ConfigurationImage.h"
#include "link/CPort.h"
#include "link/LinkFrames.h"
#include "link/MemoryTransfer.h"
#include "link/ControllerMode.h"
#include "link/Journal.h"
#include "link/MemoryBackup.h"
#include "link/ProgrammingMode.h"
#include "link/SafeWrite.h"
#include "link/ThreadPort.h"
#include "link/TransferProgress.h"
#include "record/Recording.h"
#include "util/Crc32.h"
#include "util/Messages.h"
#include "util/WholeFile.h"

#include <CLI/CLI.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cctype>
#include <atomic>
#include <chrono>
#include <thread>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iostream>
#include <mutex>
#include <streambuf>
#include <thread>
#include <sstream>
#include <unistd.h>

namespace vlk::ctl {

namespace {

// Prints every message on its own line(s), as the station would show it.
class PrintingMessages final : public Messages {
public:
    explicit PrintingMessages(std::ostream& out) : m_out(out) {}
    void Show(const std::string& text, MessageIcon = MessageIcon::None) override
    {
        m_out << text << '\n' << std::flush;
        m_last = text;
    }
    bool Ask(const std::string& text, MessageIcon = MessageIcon::Question) override
    {
        m_out << text << '\n' << std::flush;
        m_last = text;
        return true;
    }
    // The last text shown, for the journal.
    [[nodiscard]] const std::string& Last() const { return m_last; }

private:
    std::ostream& m_out;
    std::string m_last;
};

std::string Fingerprint(const ImageBytes& image) { return Crc32::Hex(Crc32::Of(image)); }

JournalEntry Entry(const std::string& port, const char* action, const std::string& file)
{
    JournalEntry entry;
    entry.port = port;
    entry.action = action;
    // The journal outlives the shell's folder: a file is named by its whole path.
    entry.file = file;
    if (!file.empty() && file != "-" && file.front() != '/') {
        char folder[4096];
        if (::getcwd(folder, sizeof folder))
            entry.file = std::string(folder) + "/" + file;
    }
    return entry;
}

// One line of the shared journal; a journal that cannot be written is said once and changes
// nothing else.
void Journal(JournalEntry entry, std::ostream& err)
{
    entry.program = "vlkctl";
    if (const std::string error = AppendToJournal(entry); !error.empty())
        err << "vlkctl: " << error << '\n';
}

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

// SIGINT or SIGTERM during a transfer. The first asks the procedure to stop after the sector on
// the line, so that the controller can be taken out of programming mode (left in it, it runs no
// junction and sends no frames); a second one ends the process at once.
class Interruption {
public:
    Interruption()
    {
        s_signal = 0;
        struct sigaction action {};
        action.sa_handler = &Interruption::Handle;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGINT, &action, &m_oldInt);
        sigaction(SIGTERM, &action, &m_oldTerm);
    }
    ~Interruption()
    {
        sigaction(SIGINT, &m_oldInt, nullptr);
        sigaction(SIGTERM, &m_oldTerm, nullptr);
    }
    Interruption(const Interruption&) = delete;
    Interruption& operator=(const Interruption&) = delete;

    [[nodiscard]] bool Requested() const { return s_signal.load() != 0; }
    // 130 for SIGINT, 143 for SIGTERM, as a shell reports a process ended by it.
    [[nodiscard]] int ExitCode() const { return 128 + s_signal.load(); }
    [[nodiscard]] const char* Name() const { return s_signal.load() == SIGTERM ? "SIGTERM" : "SIGINT"; }
    // For the transfer: true once a signal came. Stopped() tells afterwards whether the
    // transfer ended on it.
    [[nodiscard]] StopRequested Stop()
    {
        return [this] { return m_stopped = m_stopped || Requested(); };
    }
    [[nodiscard]] bool Stopped() const { return m_stopped; }

private:
    static void Handle(int signal)
    {
        int none = 0;
        if (s_signal.compare_exchange_strong(none, signal))
            return;
        static const char kNow[] = "vlkctl: прервано повторным сигналом\n";
        [[maybe_unused]] const auto written = ::write(STDERR_FILENO, kNow, sizeof kNow - 1);
        ::_exit(128 + signal);
    }

    static std::atomic<int> s_signal;
    struct sigaction m_oldInt {};
    struct sigaction m_oldTerm {};
    bool m_stopped = false;
};

std::atomic<int> Interruption::s_signal{0};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs a lock-free flag");

// How far a transfer got, for the message after an interruption; on a terminal also shown as it
// goes, on one line that each sector rewrites.
struct Progress {
    TransferStep step = TransferStep::Write;
    int sector = -1;
    std::ostream* terminal = nullptr;
    TransferProgress parts;
    bool shown = false;
    SectorProgress Callback()
    {
        return [this](TransferStep s, int k) {
            step = s;
            sector = k;
            if (!terminal)
                return;
            parts.Next(s, k);
            // Back to the start of the line, the text, the rest of the line cleared.
            *terminal << '\r' << parts.Text() << "\x1b[K" << std::flush;
            shown = true;
        };
    }
    // Ends the progress line, so that what is said next starts on a line of its own.
    void Done()
    {
        if (terminal && shown)
            *terminal << '\n' << std::flush;
        shown = false;
    }
};

// Leaves programming mode after an interruption that left the memory as it was, and says what
// was done.
int EndInterrupted(const Interruption& interruption, CPort& port, Messages& messages, const std::string& done,
                   std::ostream& err)
{
    const bool restarted = ExitProgrammingMode(port, messages, std::chrono::milliseconds(0));
    err << "vlkctl: прервано (" << interruption.Name() << "): " << done
        << (restarted ? "; режим программирования выключен" : "; контроллер остался в режиме программирования")
        << '\n';
    return interruption.ExitCode();
}

// What to do about a controller left in programming mode by a write that was not confirmed.
std::string NextSteps(const std::string& file, const std::string& portName, const std::optional<MemoryBackup>& backup)
{
    std::string text = "запишите файл еще раз (vlkctl write " + file + " --port " + portName + ")";
    if (backup)
        text += ", верните прежнюю память (vlkctl write " + backup->path + " --port " + portName + ")";
    text += " или выйдите из режима программирования все равно (vlkctl leave --port " + portName + " --force)";
    return text;
}

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
        err << "vlkctl: --count не может быть отрицательным\n";
        return kExitError;
    }
    PrintingMessages messages(out);
    CPort port;
    if (!port.Open(portName, "AX25")) {
        messages.Show(port.NotOpenText());
        return kExitError;
    }
    // A device that went away ends the monitor with one line: every later read would fail at once.
    const auto gone = [&] {
        messages.Show(kLineLostText);
        return kExitFailed;
    };
    FrameBytes buffer{};
    int frames = 0;
    int silentPasses = 0;
    // --count counts passes: a frame, or a silent line's "нет кадра" after the read's time-out.
    for (int passes = 0; count == 0 || passes < count; ++passes) {
        const std::size_t got = port.Read(buffer.data(), buffer.size());
        if (port.LastReadEnd() == CPort::ReadEnd::Gone)
            return gone();
        if (got == 0) {
            // The controller fell silent while the device stays (a cable pulled at its end, or it
            // is switched off): said once, after two passes, and then waited out.
            ++silentPasses;
            if (silentPasses < kSilentPassesToLost)
                out << "нет кадра\n" << std::flush;
            else if (silentPasses == kSilentPassesToLost)
                messages.Show(kLineLostText);
            buffer.fill(0);
            continue;
        }
        if (silentPasses >= kSilentPassesToLost)
            out << "Связь с контроллером восстановлена\n" << std::flush;
        silentPasses = 0;
        ++frames;
        if (!(buffer[0] & status::kConsoleReady)) {
            out << "кадр без ПС, ответ *\n" << std::flush;
            const std::uint8_t star = command::kNotReady;
            if (!port.Write(&star, 1)) {
                if (port.DeviceGone())
                    return gone();
                messages.Show("Команда не отправлена");
            }
            continue;
        }
        if (got < kStateFrameSize)
            out << "неполный кадр (" << got << " из 26 байт, остальные показаны нулями): ";
        out << FormatFrame(DecodeStateFrame(buffer)) << '\n' << std::flush;
        const std::uint8_t none = command::kNone;
        if (!port.Write(&none, 1)) {
            if (port.DeviceGone())
                return gone();
            messages.Show("Команда не отправлена");
            return kExitFailed;
        }
        buffer.fill(0);
    }
    return frames == count ? kExitOk : kExitFailed;
}

int RunRecord(const std::string& portName, const std::string& output, const std::string& configFile, int seconds,
              std::ostream& out, std::ostream& err)
{
    using Clock = std::chrono::steady_clock;
    if (seconds < 0) {
        err << "vlkctl: --duration не может быть отрицательным\n";
        return kExitError;
    }
    if (output.empty() || output == "-") {
        err << "vlkctl: запись ведется только в файл (-o FILE)\n";
        return kExitError;
    }
    // The header's image: the named configuration, read as the station opens a file, or the
    // fresh start's (then no sensor is bound and no lamp can be judged).
    ImageBytes image = ConfigurationImage::Encode(Configuration::FreshStart());
    if (!configFile.empty()) {
        const Streams io{std::cin, out, err};
        const auto configuration = Vlkctl::Load(configFile, io);
        if (!configuration)
            return kExitError;
        image = ConfigurationImage::Encode(*configuration);
    }
    RecordingWriter writer;
    if (const std::string error = writer.Open(output, {portName, UtcNowMs(), image}); !error.empty()) {
        err << "vlkctl: " << output << ": " << error << '\n';
        return kExitError;
    }
    Interruption interruption;
    PrintingMessages messages(out);
    const auto end = seconds > 0 ? std::optional(Clock::now() + std::chrono::seconds(seconds)) : std::nullopt;
    auto over = [&] { return interruption.Requested() || (end && Clock::now() >= *end); };
    std::string failure;
    auto record = [&](const RecordEntry& entry) {
        if (const std::string error = writer.Append(entry, UtcNowMs()); !error.empty() && failure.empty()) {
            failure = error;
            err << "vlkctl: " << output << ": " << error << '\n';
        }
    };
    CPort port;
    bool lost = false;
    int silentPasses = 0;
    std::uint64_t frames = 0;
    // The line is lost from the moment the frame that did not come was due: the last frame's time
    // and the gap between the last two (the controller's period), never later than now.
    std::int64_t lastFrameMs = -1;
    std::int64_t periodMs = 1000;
    auto loseLine = [&] {
        if (lost)
            return;
        lost = true;
        const std::int64_t now = UtcNowMs();
        record(LineRecord(lastFrameMs < 0 ? now : std::min(now, lastFrameMs + periodMs), true));
        messages.Show(kLineLostText);
    };
    while (!over() && failure.empty()) {
        if (!port.IsOpen() && !port.Open(portName, "AX25")) {
            if (!lost && frames == 0 && !port.DeviceGone()) {
                messages.Show(port.NotOpenText());
                writer.Close();
                return kExitError;
            }
            // The adapter pulled: the line is lost, and the same name is tried again every pass.
            loseLine();
            const auto until = Clock::now() + std::chrono::seconds(2);
            while (!over() && Clock::now() < until)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            continue;
        }
        FrameBytes buffer{};
        const std::size_t got = port.Read(buffer.data(), buffer.size());
        const std::int64_t now = UtcNowMs();
        if (port.LastReadEnd() == CPort::ReadEnd::Gone) {
            port.Close();
            loseLine();
            continue;
        }
        if (got == 0) {
            if (++silentPasses >= kSilentPassesToLost)
                loseLine();
            continue;
        }
        silentPasses = 0;
        if (lastFrameMs >= 0 && !lost)
            periodMs = std::clamp<std::int64_t>(now - lastFrameMs, 1, CThreadPort::kSilentPass.count());
        lastFrameMs = now;
        if (lost) {
            lost = false;
            record(LineRecord(now, false));
            out << "Связь с контроллером восстановлена\n" << std::flush;
        }
        ++frames;
        // Answered as the exchange answers with no operator command.
        const std::uint8_t answer = (buffer[0] & status::kConsoleReady) ? command::kNone : command::kNotReady;
        const bool sent = port.Write(&answer, 1);
        record(FrameRecord(now, std::span(buffer).first(got), sent ? std::span(&answer, 1) : std::span<const std::uint8_t>()));
        if (!sent) {
            if (port.DeviceGone()) {
                port.Close();
                loseLine();
            } else {
                messages.Show("Команда не отправлена");
            }
        }
    }
    const std::string path = writer.Path();
    writer.Close();
    out << "Записано кадров: " << frames << " в " << path << '\n' << std::flush;
    if (!failure.empty())
        return kExitFailed;
    return kExitOk;
}

namespace {

// A stream whose every line goes out whole, after a prefix, to a stream shared between threads.
class PrefixedLines final : public std::streambuf {
public:
    PrefixedLines(std::ostream& out, std::mutex& mutex, std::string prefix)
        : m_out(out), m_mutex(mutex), m_prefix(std::move(prefix))
    {
    }
    ~PrefixedLines() override
    {
        if (!m_line.empty())
            Emit();
    }

protected:
    int overflow(int c) override
    {
        if (c == traits_type::eof())
            return traits_type::not_eof(c);
        if (c == '\n')
            Emit();
        else
            m_line.push_back(static_cast<char>(c));
        return c;
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override
    {
        for (std::streamsize i = 0; i < n; ++i)
            overflow(static_cast<unsigned char>(s[i]));
        return n;
    }

private:
    void Emit()
    {
        std::lock_guard lock(m_mutex);
        m_out << m_prefix << m_line << '\n' << std::flush;
        m_line.clear();
    }

    std::ostream& m_out;
    std::mutex& m_mutex;
    std::string m_prefix;
    std::string m_line;
};

} // namespace

int RunMonitorPorts(const std::vector<std::string>& ports, int count, std::ostream& out, std::ostream& err)
{
    if (ports.size() == 1)
        return RunMonitor(ports.front(), count, out, err);
    std::mutex outMutex;
    std::mutex errMutex;
    std::vector<int> codes(ports.size(), kExitOk);
    std::vector<std::thread> monitors;
    for (std::size_t i = 0; i < ports.size(); ++i) {
        monitors.emplace_back([&, i] {
            PrefixedLines outLines(out, outMutex, ports[i] + ": ");
            PrefixedLines errLines(err, errMutex, ports[i] + ": ");
            std::ostream portOut(&outLines);
            std::ostream portErr(&errLines);
            codes[i] = RunMonitor(ports[i], count, portOut, portErr);
        });
    }
    for (auto& monitor : monitors)
        monitor.join();
    int code = kExitOk;
    for (const int c : codes)
        code = std::max(code, c);
    return code;
}

namespace {

int WriteSteps(const std::string& file, const std::string& portName, PrintingMessages& messages, std::ostream& out,
               std::ostream& err, bool force, bool showProgress, JournalEntry& entry)
{
    // Read and checked exactly as the station opens a file, before the line is touched: the
    // controller gets the image the station would write after opening it.
    const Streams io{std::cin, out, err};
    const std::optional<Configuration> configuration = Vlkctl::Load(file, io);
    if (!configuration)
        return kExitError;
    const std::string shown = file == "-" ? "<stdin>" : file;
    for (const auto& problem : ConfigurationImage::Validate(*configuration))
        err << "vlkctl: " << shown << ": предупреждение: " << problem << '\n';
    const ImageBytes image = ConfigurationImage::Encode(*configuration);
    entry.fileFingerprint = Fingerprint(image);
    // The check comes before the line is touched, on the configuration exactly as the controller
    // will get it (whatever the file's kind): a plan with errors leaves only when forced.
    const DecodeResult sent = ConfigurationImage::Decode(image);
    if (!sent.configuration || !WriteAllowed(*sent.configuration, shown, force, err)) {
        entry.result = "refused";
        return kExitFailed;
    }

    Interruption interruption;
    CPort port;
    // The memory as it is goes into a backup before the first sector; only a confirmed write (or
    // one that touched nothing) lets the controller restart.
    Progress progress;
    if (showProgress)
        progress.terminal = &err;
    const WriteSession session =
        WriteAndRestart(port, portName, messages, image, progress.Callback(), interruption.Stop());
    progress.Done();
    const SafeWriteOutcome& outcome = session.outcome;
    const WriteResult written = outcome.result;
    const std::string state =
        session.restarted ? "; режим программирования выключен" : "; контроллер остался в режиме программирования";
    if (written == WriteResult::Written)
        entry.controllerFingerprint = entry.fileFingerprint;
    else if (outcome.backup && !outcome.report.touched)
        entry.controllerFingerprint = outcome.backup->fingerprint;
    if (session.entry != EntryResult::Accepted) {
        if (interruption.Requested())
            return interruption.ExitCode();
        // A port that does not open is an error before the procedure, as a missing file is.
        return session.entry == EntryResult::PortNotOpen ? kExitError : kExitFailed;
    }
    if (written == WriteResult::Written) {
        if (interruption.Requested()) {
            // The signal came late: the memory was whole and confirmed, and the controller restarted.
            err << "vlkctl: прервано (" << interruption.Name() << "): ОДД записана и проверена" << state << '\n';
            return interruption.ExitCode();
        }
        return session.restarted ? kExitOk : kExitFailed;
    }
    if (written == WriteResult::Restarted) {
        // Nothing is up to vlkctl any more: the controller runs on what its memory holds.
        err << "vlkctl: контроллер перезапустился сам и работает в обычном режиме; "
            << (outcome.report.touched ? "его память может быть записана не полностью: " + NextSteps(shown, portName, outcome.backup)
                                       : std::string("память контроллера не тронута"))
            << '\n';
        return interruption.Requested() ? interruption.ExitCode() : kExitFailed;
    }
    if (!outcome.report.touched) {
        // Not a byte of the memory was written: the controller went back to what it ran.
        if (interruption.Requested()) {
            err << "vlkctl: прервано (" << interruption.Name() << "): запись не начата, память контроллера не тронута"
                << state << '\n';
            return interruption.ExitCode();
        }
        return kExitFailed;
    }
    // Part of the memory may be new and part old: the controller stays in programming mode, where
    // it runs nothing, until the memory is whole again or someone decides otherwise.
    std::string done = "запись не закончена";
    if (written == WriteResult::Stopped && progress.step == TransferStep::Write)
        done = "записано секторов: " + std::to_string(progress.sector + 1) + " из 15";
    else if (written == WriteResult::Stopped)
        done = "ОДД записана, проверка не закончена";
    if (interruption.Requested()) {
        err << "vlkctl: прервано (" << interruption.Name() << "): " << done
            << "; контроллер оставлен в режиме программирования: " << NextSteps(shown, portName, outcome.backup)
            << '\n';
        return interruption.ExitCode();
    }
    err << "vlkctl: ОДД записана не полностью, контроллер оставлен в режиме программирования: "
        << NextSteps(shown, portName, outcome.backup) << '\n';
    return kExitFailed;
}

int ReadSteps(const std::string& file, const std::string& portName, PrintingMessages& messages, std::ostream& out,
              std::ostream& err, bool showProgress, JournalEntry& entry)
{
    const bool toStdout = file == "-";
    // The file's place is checked and taken before the line: a full disk fails now, not after the
    // transfer.
    std::optional<WholeFileReservation> reservation;
    if (!toStdout) {
        std::string error;
        reservation = WholeFileReservation::Reserve(file, kImageSize, error);
        if (!reservation) {
            err << "vlkctl: " << (file.empty() ? std::string("-o") : file) << ": " << error << '\n';
            return kExitError;
        }
    }
    Interruption interruption;
    CPort port;
    const ProgrammingEntry programming = EnterProgrammingMode(port, portName, messages);
    if (!programming.Accepted()) {
        if (interruption.Requested())
            return interruption.ExitCode();
        return programming.result == EntryResult::PortNotOpen ? kExitError : kExitFailed;
    }
    Progress progress;
    if (showProgress)
        progress.terminal = &err;
    std::optional<ImageBytes> image;
    TransferReport report;
    if (!interruption.Requested())
        image = ReadControllerMemory(port, messages, progress.Callback(), interruption.Stop(), &report);
    progress.Done();
    if (image)
        entry.controllerFingerprint = Fingerprint(*image);
    if (report.trouble == WriteResult::Restarted) {
        // Running again by itself: no toggle, which would take it back into programming mode.
        return interruption.Requested() ? interruption.ExitCode() : kExitFailed;
    }
    // A read never changes the memory; but one that an earlier write left unconfirmed is no memory
    // to restart on.
    const auto mixture = IncompleteWrite(portName);
    if (mixture) {
        err << "vlkctl: память контроллера записана не полностью, контроллер оставлен в режиме программирования: "
               "верните прежнюю память (vlkctl write "
            << *mixture << " --port " << portName << ") или выйдите все равно (vlkctl leave --port " << portName
            << " --force)\n";
    }
    if (interruption.Requested()) {
        // Even a read that has just come to its end: the user asked for no file.
        // A stop comes before a sector: those before it were read; a failure is at the sector.
        const int read = image ? 15 : progress.sector + (interruption.Stopped() ? 1 : 0);
        const std::string done = "прочитано секторов: " + std::to_string(std::max(read, 0)) + " из 15, файл не записан";
        if (mixture) {
            err << "vlkctl: прервано (" << interruption.Name() << "): " << done
                << "; контроллер остался в режиме программирования\n";
            return interruption.ExitCode();
        }
        return EndInterrupted(interruption, port, messages, done, err);
    }
    const bool restarted = !mixture && ExitProgrammingMode(port, messages, std::chrono::milliseconds(0));
    if (interruption.Requested()) {
        err << "vlkctl: прервано (" << interruption.Name() << "): "
            << (image ? "прочитано секторов: 15 из 15" : "чтение не закончено") << ", файл не записан"
            << (restarted ? "; режим программирования выключен" : "; контроллер остался в режиме программирования")
            << '\n';
        return interruption.ExitCode();
    }
    if (!image)
        return kExitFailed;

    if (toStdout) {
        const std::span<const char> bytes(reinterpret_cast<const char*>(image->data()), image->size());
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            err << "vlkctl: <stdout>: ошибка записи\n";
            return kExitError;
        }
    } else if (const std::string error = reservation->Commit(*image); !error.empty()) {
        // Never a half-written file: the old one, if any, stays as it was.
        err << "vlkctl: " << file << ": " << error << '\n';
        return kExitError;
    }
    return restarted || mixture ? kExitOk : kExitFailed;
}

} // namespace

// Every write and read goes into the journal, whatever its end; the result follows the exit code.
namespace {
void JournalRun(JournalEntry& entry, const PrintingMessages& messages, int code, std::ostream& err)
{
    if (entry.result.empty())
        entry.result = code == kExitOk ? "ok" : code == kExitError ? "error" : code > 128 ? "interrupted" : "failed";
    entry.message = messages.Last();
    Journal(entry, err);
}
} // namespace

int RunWrite(const std::string& file, const std::string& portName, std::ostream& out, std::ostream& err, bool force,
             bool progress)
{
    PrintingMessages messages(out);
    JournalEntry entry = Entry(portName, "write", file);
    const int code = WriteSteps(file, portName, messages, out, err, force, progress, entry);
    JournalRun(entry, messages, code, err);
    return code;
}

int RunRead(const std::string& file, const std::string& portName, std::ostream& out, std::ostream& err, bool progress)
{
    // With the image on standard output the station's messages go to the error stream.
    PrintingMessages messages(file == "-" ? err : out);
    JournalEntry entry = Entry(portName, "read", file);
    const int code = ReadSteps(file, portName, messages, out, err, progress, entry);
    JournalRun(entry, messages, code, err);
    return code;
}

int RunLeave(const std::string& portName, bool force, std::ostream& out, std::ostream& err)
{
    PrintingMessages messages(out);
    CPort port;
    if (!port.Open(portName, "AX25")) {
        messages.Show(port.NotOpenText());
        return kExitError;
    }
    // The toggle switches both ways: it goes only to a controller known to be in programming mode.
    switch (DetectMode(port).mode) {
    case LineMode::Normal:
        out << "Контроллер уже в обычном режиме\n";
        ClearIncompleteWrite(portName);
        return kExitOk;
    case LineMode::Silent:
        messages.Show(kNoAnswerText);
        return kExitFailed;
    case LineMode::Gone:
        messages.Show(kLineLostText);
        return kExitFailed;
    case LineMode::Programming:
        break;
    }
    if (const auto backup = IncompleteWrite(portName); backup && !force) {
        err << "vlkctl: " << kIncompleteLeaveQuestion << "\nvlkctl: выход не выполнен; выйти все равно: vlkctl leave --port "
            << portName << " --force; вернуть прежнюю память: vlkctl write " << *backup << " --port " << portName
            << '\n';
        return kExitFailed;
    }
    if (!ExitProgrammingMode(port, messages, std::chrono::milliseconds(0)))
        return kExitFailed;
    ClearIncompleteWrite(portName);
    out << "Режим программирования выключен\n";
    return kExitOk;
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
        // Digits only: " 9:05", "+9:+5" or "-0:5" are typing errors, not times.
        const auto parsed = ParseClockTime(*time);
        if (!parsed) {
            err << "vlkctl: --time ожидает ЧЧ:ММ, а не \"" << Excerpt(*time) << "\"\n";
            return kExitError;
        }
        hours = parsed->first;
        minutes = parsed->second;
    }
    if (day) {
        if (*day < 0 || *day > 6) {
            err << "vlkctl: --day ожидает 0 (понедельник) .. 6 (воскресенье)\n";
            return kExitError;
        }
        weekday = *day;
    }
    PrintingMessages messages(out);
    char sent[64];
    std::snprintf(sent, sizeof sent, "%02d:%02d, %s", hours, minutes, kDays[weekday]);
    JournalEntry entry = Entry(portName, "clock", {});
    const auto done = [&](int code, const std::string& why) {
        entry.result = code == kExitOk ? "ok" : "failed";
        entry.message = std::string(sent) + (why.empty() ? "" : ": " + why);
        Journal(entry, err);
        return code;
    };
    CPort port;
    if (!port.Open(portName, "AX25")) {
        messages.Show(port.NotOpenText());
        return done(kExitError, port.NotOpenText());
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
            return done(kExitFailed, "Команда не отправлена");
        }
        return done(kExitOk, {});
    }
    err << "vlkctl: от контроллера нет кадра с ПС\n";
    return done(kExitFailed, "нет кадра с ПС");
}

int RunCompare(const std::string& file, const std::string& portName, bool json, std::ostream& out, std::ostream& err)
{
    const Streams io{std::cin, out, err};
    const std::optional<Configuration> configuration = Vlkctl::Load(file, io);
    if (!configuration)
        return kExitError;
    const ImageBytes image = ConfigurationImage::Encode(*configuration);
    // The line's messages go to the error stream: standard output holds the differences only.
    PrintingMessages messages(err);
    JournalEntry entry = Entry(portName, "compare", file);
    entry.fileFingerprint = Fingerprint(image);
    const auto done = [&](int code, const std::string& result) {
        entry.result = result;
        if (entry.message.empty())
            entry.message = messages.Last();
        Journal(entry, err);
        return code;
    };
    Interruption interruption;
    CPort port;
    if (!EnterProgrammingMode(port, portName, messages).Accepted())
        return done(interruption.Requested() ? interruption.ExitCode() : kExitError, "failed");
    TransferReport report;
    std::optional<ImageBytes> memory;
    if (!interruption.Requested())
        memory = ReadControllerMemory(port, messages, {}, interruption.Stop(), &report);
    // Leaves programming mode as a read does: not after a write that an earlier run left
    // unconfirmed, and never into a controller that restarted by itself.
    const auto mixture = IncompleteWrite(portName);
    bool restarted = false;
    if (report.trouble != WriteResult::Restarted && !mixture)
        restarted = ExitProgrammingMode(port, messages, std::chrono::milliseconds(0));
    if (mixture)
        err << "vlkctl: память контроллера записана не полностью, контроллер оставлен в режиме программирования\n";
    if (interruption.Requested())
        return done(interruption.ExitCode(), "interrupted");
    if (!memory)
        return done(kExitError, "failed");
    const DecodeResult decoded = ConfigurationImage::Decode(*memory);
    entry.controllerFingerprint = Fingerprint(*memory);
    std::vector<std::string> lines;
    if (decoded.configuration)
        lines = ConfigurationDiff::Lines(*configuration, *decoded.configuration);
    // A memory the codec refuses is no configuration at all: as different as can be.
    if (!decoded.configuration || (lines.empty() && *memory != image))
        lines.push_back("Память контроллера не совпадает с файлом побайтно");
    const bool equal = lines.empty();
    if (json) {
        nlohmann::ordered_json doc;
        doc["equal"] = equal;
        doc["fileFingerprint"] = entry.fileFingerprint;
        doc["controllerFingerprint"] = entry.controllerFingerprint;
        doc["differences"] = lines;
        out << doc.dump(2) << '\n';
    } else {
        for (const auto& line : lines)
            out << line << '\n';
        out << "Отпечаток файла: " << entry.fileFingerprint << ", контроллера: " << entry.controllerFingerprint
            << (equal ? " (совпадают)" : " (различаются)") << '\n';
    }
    out.flush();
    if (!restarted && !mixture)
        err << "vlkctl: контроллер остался в режиме программирования\n";
    entry.message = equal ? "Контроллер содержит ту же конфигурацию"
                          : "Отличий от контроллера: " + std::to_string(lines.size());
    return done(equal ? kExitOk : kExitFailed, equal ? "equal" : "different");
}

void AddLinkCommands(CLI::App& app, int& exitCode)
{
    struct Options {
        std::string port;
        std::vector<std::string> ports;
        int count = 0;
        std::string file;
        std::string output;
        std::string time;
        int day = -1;
        bool force = false;
        bool json = false;
    };
    auto options = std::make_shared<Options>();

    const std::string portHelp = "COM1 или COM2 (как на станции: VLK_COM1, VLK_COM2, иначе /dev/ttyS0, /dev/ttyS1), "
                                 "путь к устройству, tcp://УЗЕЛ:ПОРТ или rfc2217://УЗЕЛ:ПОРТ";
    // Progress goes to standard error only when someone watches it there.
    const bool terminal = ::isatty(STDERR_FILENO) != 0;

    CLI::App* monitor = app.add_subcommand("monitor", "показывать кадры состояния контроллера и отвечать на них");
    monitor
        ->add_option("--port", options->ports,
                     portHelp + "; повторите, чтобы наблюдать несколько контроллеров (строка начинается с порта)")
        ->required();
    monitor->add_option("--count", options->count, "закончить после стольких кадров каждого порта (0: не заканчивать)");
    monitor->callback([options, &exitCode] {
        std::vector<std::string> ports;
        for (const std::string& port : options->ports)
            ports.push_back(PortName(port));
        exitCode = RunMonitorPorts(ports, options->count, std::cout, std::cerr);
    });

    CLI::App* record = app.add_subcommand(
        "record", "записать кадры состояния контроллера в файл записи, отвечая на них без команд оператора");
    record->add_option("--port", options->port, portHelp)->required();
    record->add_option("-o,--output", options->output, "файл записи (*.vlkrec); существующая запись того же порта и образа продолжается")
        ->required();
    record->add_option("--config", options->file, "конфигурация *.vlk или *.json для заголовка записи");
    record->add_option("--duration", options->count, "сколько секунд записывать (0 или без параметра: до сигнала)");
    record->callback([options, &exitCode] {
        exitCode = RunRecord(PortName(options->port), options->output, options->file, options->count, std::cout, std::cerr);
    });

    CLI::App* write = app.add_subcommand("write", "записать файл конфигурации в память контроллера");
    write->add_option("file", options->file, "образ *.vlk или конфигурация *.json (- для стандартного ввода)")
        ->required();
    write->add_option("--port", options->port, portHelp)->required();
    write->add_flag("--force", options->force, "записать, даже если проверка конфигурации находит ошибки");
    write->callback([options, terminal, &exitCode] {
        exitCode = RunWrite(options->file, PortName(options->port), std::cout, std::cerr, options->force, terminal);
    });

    CLI::App* read = app.add_subcommand("read", "прочитать память контроллера в файл конфигурации");
    read->add_option("-o,--output", options->output, "файл *.vlk для записи (- для стандартного вывода)")->required();
    read->add_option("--port", options->port, portHelp)->required();
    read->callback([options, terminal, &exitCode] {
        exitCode = RunRead(options->output, PortName(options->port), std::cout, std::cerr, terminal);
    });

    CLI::App* compare = app.add_subcommand(
        "compare", "сравнить файл с памятью контроллера (код 0 совпадают, 1 различаются, 2 ошибка файла или линии)");
    compare->add_option("file", options->file, "файл *.vlk или *.json")->required();
    compare->add_option("--port", options->port, portHelp)->required();
    compare->add_flag("--json", options->json, "различия и отпечатки в JSON");
    compare->callback([options, &exitCode] {
        exitCode = RunCompare(options->file, PortName(options->port), options->json, std::cout, std::cerr);
    });
    CLI::App* leave = app.add_subcommand("leave", "вывести контроллер из режима программирования");
    leave->add_option("--port", options->port, portHelp)->required();
    leave->add_flag("--force", options->force, "выйти, даже если запись не была подтверждена");
    leave->callback([options, &exitCode] {
        exitCode = RunLeave(PortName(options->port), options->force, std::cout, std::cerr);
    });

    CLI::App* clock = app.add_subcommand("clock", "установить часы контроллера");
    clock->add_option("--port", options->port, portHelp)->required();
    CLI::Option* time = clock->add_option("--time", options->time, "ЧЧ:ММ (по умолчанию время этого компьютера)");
    CLI::Option* day = clock->add_option("--day", options->day, "0 понедельник .. 6 воскресенье (по умолчанию сегодня)");
    clock->callback([options, time, day, &exitCode] {
        exitCode = RunClock(PortName(options->port), time->count() ? std::optional(options->time) : std::nullopt,
                            day->count() ? std::optional(options->day) : std::nullopt, std::cout, std::cerr);
    });
}

std::string PortName(const std::string& given)
{
    std::string upper = given;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper == "COM1" || upper == "COM1:")
        return "COM1:";
    if (upper == "COM2" || upper == "COM2:")
        return "COM2:";
    return given;
}

} // namespace vlk::ctl
