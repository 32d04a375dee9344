// vlkctl compare against a simulated controller, and the journal that every write, read, compare
// and clock setting appends to: whole lines from processes appending at once, a full disk that
// never stops the action.
#include "JournalCommands.h"
#include "LinkCommands.h"
#include "config/ConfigurationImage.h"
#include "config/DemoJunction.h"
#include "link/Journal.h"
#include "ControllerSimulator.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace vlk::ctl {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

struct StateDir {
    fs::path path;
    StateDir()
    {
        std::string pattern = (fs::temp_directory_path() / "vlk-compare-XXXXXX").string();
        path = ::mkdtemp(pattern.data());
        ::setenv("XDG_STATE_HOME", (path / "state").c_str(), 1);
    }
    ~StateDir() { fs::remove_all(path); }
    [[nodiscard]] fs::path Journal() const { return path / "state/vlk-station/journal.jsonl"; }
    [[nodiscard]] std::vector<nlohmann::json> Lines() const
    {
        std::vector<nlohmann::json> lines;
        std::ifstream in(Journal());
        for (std::string line; std::getline(in, line);)
            lines.push_back(nlohmann::json::parse(line, nullptr, false));
        return lines;
    }
    [[nodiscard]] std::string Save(const char* name, const Configuration& c) const
    {
        const ImageBytes image = ConfigurationImage::Encode(c);
        std::ofstream(path / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        return (path / name).string();
    }
};

SimulatorOptions Controller(const Configuration& memory)
{
    SimulatorOptions options;
    options.period = 100ms;
    options.pace = false;
    options.memory = ConfigurationImage::Encode(memory);
    return options;
}

// The demo junction as a colleague changed it later in the street.
Configuration ChangedInTheStreet()
{
    Configuration c = DemoJunction();
    c.circularRedTime = 9;
    c.programDuration[0][1] = 25;
    return c;
}

TEST(VlkctlCompare, AnEqualMemoryIsSaidEqualAndTheControllerRunsOnUntouched)
{
    StateDir dir;
    const std::string file = dir.Save("demo.vlk", DemoJunction());
    ControllerSimulator sim(Controller(DemoJunction()));
    const std::string port = sim.OpenPty();
    ASSERT_TRUE(sim.Start());
    std::ostringstream out, err;
    EXPECT_EQ(RunCompare(file, port, false, out, err), 0) << err.str();
    const std::string fingerprint = "E12AFA4F";
    EXPECT_EQ(out.str(), "Отпечаток файла: " + fingerprint + ", контроллера: " + fingerprint + " (совпадают)\n");
    // Read only: not a sector written, and the controller back in normal mode on its memory.
    EXPECT_TRUE(sim.WaitUntil([&] { return sim.CurrentMode() == sim::Mode::Normal && sim.Restarts() == 1; }, 3s));
    EXPECT_TRUE(sim.SectorsWritten().empty());
    EXPECT_EQ(sim.Memory(), ConfigurationImage::Encode(DemoJunction()));

    const auto lines = dir.Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]["program"], "vlkctl");
    EXPECT_EQ(lines[0]["action"], "compare");
    EXPECT_EQ(lines[0]["result"], "equal");
    EXPECT_EQ(lines[0]["port"], port);
    EXPECT_EQ(lines[0]["file"], file);
    EXPECT_EQ(lines[0]["fileFingerprint"], fingerprint);
    EXPECT_EQ(lines[0]["controllerFingerprint"], fingerprint);
    EXPECT_EQ(lines[0]["message"], "Контроллер содержит ту же конфигурацию");
}

TEST(VlkctlCompare, EveryDifferenceIsOneLineInTheDiffsWordsPagesFirst)
{
    StateDir dir;
    const std::string file = dir.Save("demo.vlk", DemoJunction());
    ControllerSimulator sim(Controller(ChangedInTheStreet()));
    const std::string port = sim.OpenPty();
    ASSERT_TRUE(sim.Start());
    std::ostringstream out, err;
    EXPECT_EQ(RunCompare(file, port, false, out, err), 1) << err.str();
    const std::string text = out.str();
    EXPECT_EQ(text.substr(0, text.find("Отпечаток")),
              "Время кругового красного: 3 → 9\nПрограмма 1, фаза 2: время 20 → 25\n");
    EXPECT_NE(text.find("(различаются)\n"), std::string::npos) << text;

    std::ostringstream json, jsonErr;
    EXPECT_EQ(RunCompare(file, port, true, json, jsonErr), 1) << jsonErr.str();
    const auto doc = nlohmann::json::parse(json.str());
    EXPECT_EQ(doc["equal"], false);
    EXPECT_EQ(doc["fileFingerprint"], "E12AFA4F");
    EXPECT_NE(doc["controllerFingerprint"], "E12AFA4F");
    EXPECT_EQ(doc["differences"].size(), 2u);
    EXPECT_TRUE(sim.SectorsWritten().empty());
    ASSERT_EQ(dir.Lines().size(), 2u);
    EXPECT_EQ(dir.Lines()[1]["result"], "different");
}

TEST(VlkctlCompare, ALinePulledDuringTheReadIsNeverSaidEqual)
{
    StateDir dir;
    const std::string file = dir.Save("demo.vlk", DemoJunction());
    ControllerSimulator sim(Controller(DemoJunction()));
    const std::string port = sim.OpenPty();
    ASSERT_TRUE(sim.Start());
    std::thread puller([&] {
        if (sim.WaitUntil([&] { return sim.SectorsRead().size() >= 6; }, 10s))
            sim.HangUpNow();
    });
    std::ostringstream out, err;
    EXPECT_EQ(RunCompare(file, port, false, out, err), 2);
    puller.join();
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("Связь с контроллером потеряна"), std::string::npos) << err.str();
    const auto lines = dir.Lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]["result"], "failed");
    EXPECT_EQ(lines[0]["controllerFingerprint"], "");
}

TEST(Journal, ALineIsOneJsonObjectWithTheTimeInTheLocalZone)
{
    const char* zone = std::getenv("TZ");
    const std::string saved = zone ? zone : "";
    ::setenv("TZ", "Europe/Moscow", 1);
    ::tzset();
    JournalEntry entry;
    entry.program = "station";
    entry.port = "COM1:";
    entry.action = "phase-call";
    entry.result = "ok";
    entry.message = "Вызов фазы 3\n\"срочно\"\t\x01";
    // 2026-12-08 14:05:09.042 UTC
    const std::string line = JournalLine(entry, 1796738709042LL);
    if (zone)
        ::setenv("TZ", saved.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
    EXPECT_EQ(line.find('\n'), std::string::npos);
    const auto doc = nlohmann::json::parse(line);
    EXPECT_EQ(doc["time"], "2026-12-08T17:05:09.042+03:00");
    EXPECT_EQ(doc["message"], "Вызов фазы 3\n\"срочно\"\t\x01");
    EXPECT_EQ(doc["action"], "phase-call");
    EXPECT_FALSE(doc["user"].get<std::string>().empty());
    EXPECT_EQ(JournalTime("2026-12-08T17:05:09.042+03:00"), 1796738709042LL);
    EXPECT_EQ(JournalTime("2026-12-08T13:05:09.042-01:00"), 1796738709042LL);
    EXPECT_EQ(JournalTime("2026-12-08 17:05:09"), std::nullopt);
}

TEST(Journal, ProcessesAppendingAtOnceNeverMixTheirLines)
{
    StateDir dir;
    constexpr int kProcesses = 3;
    constexpr int kLines = 200;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            JournalEntry entry;
            entry.program = "test";
            entry.action = "write";
            // Longer than a pipe's atomic size, so that only the one write keeps a line whole.
            entry.message = std::string(6000, static_cast<char>('a' + p));
            for (int i = 0; i < kLines; ++i)
                if (!AppendJournalLine(JournalPath(), JournalLine(entry, 1796738709042LL + i)).empty())
                    ::_exit(1);
            ::_exit(0);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const auto lines = dir.Lines();
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kProcesses * kLines));
    std::array<int, kProcesses> per{};
    for (const auto& line : lines) {
        ASSERT_TRUE(line.is_object());
        const std::string message = line["message"];
        ASSERT_EQ(message, std::string(6000, message[0]));
        ++per[static_cast<std::size_t>(message[0] - 'a')];
    }
    for (int n : per)
        EXPECT_EQ(n, kLines);
}

TEST(Journal, AJournalThatCannotBeWrittenIsSaidOnceAndTheActionGoesOn)
{
    StateDir dir;
    ControllerSimulator sim(Controller(DemoJunction()));
    const std::string port = sim.OpenPty();
    ASSERT_TRUE(sim.Start());
    const std::string file = dir.Save("demo.vlk", DemoJunction());
    // A full disk: the journal may not grow by a byte (the limit applies in a child process).
    fs::create_directories(dir.Journal().parent_path());
    std::ofstream(dir.Journal()) << std::string(2048, 'x') << '\n';
    int pipeOut[2];
    ASSERT_EQ(::pipe(pipeOut), 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeOut[1], 2);
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{1024, 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        std::ostringstream out, err;
        const int first = RunCompare(file, port, false, out, err);
        const int second = RunCompare(file, port, false, out, err);
        const std::string said = err.str();
        (void)!::write(2, said.data(), said.size());
        ::_exit(first == 0 && second == 0 ? 0 : 10 + first);
    }
    ::close(pipeOut[1]);
    std::string said;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipeOut[0], buffer, sizeof buffer)) > 0;)
        said.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeOut[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << said;
    std::size_t told = 0;
    for (auto at = said.find("Журнал не записан"); at != std::string::npos; at = said.find("Журнал не записан", at + 1))
        ++told;
    EXPECT_EQ(told, 1u) << said;
    EXPECT_EQ(fs::file_size(dir.Journal()), 2049u);
}

TEST(Journal, TheListSkipsATornLineAndKeepsWhatIsSince)
{
    StateDir dir;
    JournalEntry entry;
    entry.program = "vlkctl";
    entry.port = "COM2:";
    entry.action = "read";
    entry.result = "ok";
    const std::string path = JournalPath();
    ASSERT_EQ(AppendJournalLine(path, JournalLine(entry, 1796738709042LL)), ""); // 2026-12-08
    ASSERT_EQ(AppendJournalLine(path, "{\"time\":\"2026-12-09T0"), "");           // a torn line
    entry.action = "clock";
    ASSERT_EQ(AppendJournalLine(path, JournalLine(entry, 1796738709042LL + 2 * 86400000LL)), ""); // 2026-12-10
    std::ostringstream out, err;
    EXPECT_EQ(RunJournal(path, "2026-12-09", true, out, err), 0);
    const auto list = nlohmann::json::parse(out.str());
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]["action"], "clock");
    EXPECT_NE(err.str().find("пропущено неполных строк: 1"), std::string::npos) << err.str();
    std::ostringstream bad, badErr;
    EXPECT_EQ(RunJournal(path, "9.12.2026", false, bad, badErr), 2);
}

} // namespace
} // namespace vlk::ctl
