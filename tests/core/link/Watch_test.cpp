// The watched controllers: their list kept between runs, and one watched line against the
// simulator: what a row shows, when it turns red, and that it answers nothing but "no command".
#include "ControllerSimulator.h"
#include "link/WatchList.h"
#include "link/CPort.h"
#include "link/WatchedLine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vlk {
namespace {

using namespace std::chrono_literals;

class TempConfig {
public:
    TempConfig()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "vlk-watch-XXXXXX").string();
        if (::mkdtemp(pattern.data()))
            m_folder = pattern;
        setenv("XDG_CONFIG_HOME", m_folder.c_str(), 1);
    }
    ~TempConfig()
    {
        unsetenv("XDG_CONFIG_HOME");
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    const std::string& Folder() const { return m_folder; }

private:
    std::string m_folder;
};

std::string ReadText(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(WatchList, IsKeptUnderTheConfigFolderAndReadBack)
{
    TempConfig config;
    const std::string path = WatchListPath();
    EXPECT_EQ(path, config.Folder() + "/vlk-station/watch.json");
    EXPECT_TRUE(LoadWatchList(path).empty()); // none yet: an empty list, no error

    const std::vector<WatchedController> list{{"rfc2217://10.0.0.7:7001", "Ленина — Мира"},
                                              {"/dev/ttyUSB0", "Стенд"}};
    EXPECT_EQ(SaveWatchList(path, list), "");
    EXPECT_EQ(ReadText(path), "{\n"
                              "  \"controllers\": [\n"
                              "    {\n"
                              "      \"address\": \"rfc2217://10.0.0.7:7001\",\n"
                              "      \"name\": \"Ленина — Мира\"\n"
                              "    },\n"
                              "    {\n"
                              "      \"address\": \"/dev/ttyUSB0\",\n"
                              "      \"name\": \"Стенд\"\n"
                              "    }\n"
                              "  ]\n"
                              "}\n");
    std::string error;
    EXPECT_EQ(LoadWatchList(path, &error), list);
    EXPECT_EQ(error, "");

    // A broken file is an empty list with the reason, and is not touched.
    std::ofstream(path) << "{\"controllers\": [";
    EXPECT_TRUE(LoadWatchList(path, &error).empty());
    EXPECT_EQ(error, "Список наблюдаемых контроллеров " + path + " не прочитан: это не его формат");
    EXPECT_EQ(ReadText(path), "{\"controllers\": [");
}

TEST(WatchedLine, ShowsTheControllerAnswersNoCommandAndTurnsRedOnAlarmAndLoss)
{
    SimulatorOptions options;
    options.period = 100ms;
    options.pace = false;
    options.psClearFrames = 5; // the first five frames are answered "*"
    ControllerSimulator sim(options);
    const std::string path = sim.OpenPty();
    ASSERT_FALSE(path.empty()) << sim.LastError();
    ASSERT_TRUE(sim.Start());

    WatchedLine line(path);
    line.SetSilentPass(300ms);
    ASSERT_TRUE(line.Start());
    ASSERT_TRUE(sim.WaitUntil([&] { return line.Snapshot().frame.has_value(); }, 5s));
    WatchSnapshot snapshot = line.Snapshot();
    EXPECT_TRUE(snapshot.running);
    EXPECT_FALSE(snapshot.lineLost);
    EXPECT_FALSE(snapshot.Alarm());
    EXPECT_EQ(snapshot.FailedDirections(), 0);
    EXPECT_GE(snapshot.frame->program, 1);
    EXPECT_LT(std::chrono::steady_clock::now() - snapshot.frameTime, 1s);

    sim.SetAlarm(true);
    ASSERT_TRUE(sim.WaitUntil([&] { return line.Snapshot().Alarm(); }, 5s));
    snapshot = line.Snapshot();
    EXPECT_TRUE(snapshot.frame->status[6]);
    EXPECT_EQ(snapshot.FailedDirections(), 1);
    sim.SetAlarm(false);
    ASSERT_TRUE(sim.WaitUntil([&] { return !line.Snapshot().Alarm(); }, 5s));

    // The controller's line goes: a lost line, red, the last frame still known.
    sim.HangUpNow();
    ASSERT_TRUE(sim.WaitUntil([&] { return line.Snapshot().lineLost; }, 5s));
    EXPECT_TRUE(line.Snapshot().Alarm());
    EXPECT_TRUE(line.Snapshot().frame.has_value());
    line.Stop();
    EXPECT_FALSE(line.Running());

    // Only "no command" and "*" went to the controller: "*" for the frames without "ПС" (the
    // first may pass while the port opens).
    int stars = 0;
    int none = 0;
    for (const auto& received : sim.Received()) {
        EXPECT_TRUE(received.byte == 0x00 || received.byte == 0x2A) << int(received.byte);
        stars += received.byte == 0x2A;
        none += received.byte == 0x00;
    }
    EXPECT_GE(stars, 2);
    EXPECT_LE(stars, 5);
    EXPECT_GE(none, 3);
}

TEST(WatchedLine, StoppingLetsGoOfTheLineAtOnceEvenInTheMiddleOfARead)
{
    // The window stops a row on its own thread (a double click hands the line to the console):
    // a read of a silent controller is not waited out, and the device is free straight after.
    SimulatorOptions options;
    options.silent = true;
    ControllerSimulator sim(options);
    const std::string path = sim.OpenPty();
    ASSERT_FALSE(path.empty()) << sim.LastError();
    ASSERT_TRUE(sim.Start());
    WatchedLine line(path);
    ASSERT_TRUE(line.Start());
    std::this_thread::sleep_for(700ms); // well inside the first 2 s read
    const auto start = std::chrono::steady_clock::now();
    line.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 300ms);
    EXPECT_FALSE(line.Running());
    CPort console;
    EXPECT_TRUE(console.Open(path, "AX25")) << console.NotOpenText();
}

TEST(WatchedLine, AServerThatIsNotThereIsALostLineNamedInItsMessage)
{
    WatchedLine line("tcp://127.0.0.1:1");
    line.SetSilentPass(200ms);
    ASSERT_TRUE(line.Start());
    const auto end = std::chrono::steady_clock::now() + 3s;
    while (line.Snapshot().message.empty() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(10ms);
    const WatchSnapshot snapshot = line.Snapshot();
    EXPECT_TRUE(snapshot.lineLost);
    EXPECT_TRUE(snapshot.Alarm());
    EXPECT_TRUE(snapshot.running); // it keeps knocking, once a pass
    EXPECT_EQ(snapshot.message,
              "Порт не открыт\ntcp://127.0.0.1:1: сервер отказал в соединении (не запущен или порт не тот)");
    line.Stop();
}

} // namespace
} // namespace vlk
