// The exchange keeps what it reads: every frame with its time and the answer it got, the line
// lost and back, in the day's recording of the port, and the console hears each record.
#include "link/ThreadPort.h"
#include "ControllerSimulator.h"
#include "RecordingConsole.h"
#include "record/JunctionEvents.h"
#include "support/RecordingMessages.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace vlk {
namespace {

using namespace vlk::test;
namespace fs = std::filesystem;

class CountingConsole final : public ConsoleSink {
public:
    void ShowGroup(std::uint64_t, FrameGroup, const StateFrame&) override {}
    void Repaint(std::uint64_t) override {}
    void ClearState(const FrameBytes&) override {}
    void ShowLineLost(std::uint64_t, bool) override {}
    void ExchangeEnded(std::uint64_t) override {}
    void Recorded(std::uint64_t, const RecordEntry& record) override
    {
        std::lock_guard lock(m_mutex);
        m_records.push_back(record);
    }
    void RecordingFailed(std::uint64_t, const std::string& why) override
    {
        std::lock_guard lock(m_mutex);
        m_failures.push_back(why);
    }
    std::atomic<std::uint8_t>& CommandByte() override { return m_command; }
    std::atomic<int>& SendClockFlag() override { return m_sendClock; }
    ClockFields ClockToSend() override { return {14, 5, 2}; }

    std::vector<RecordEntry> Records()
    {
        std::lock_guard lock(m_mutex);
        return m_records;
    }
    std::vector<std::string> Failures()
    {
        std::lock_guard lock(m_mutex);
        return m_failures;
    }

private:
    std::mutex m_mutex;
    std::vector<RecordEntry> m_records;
    std::vector<std::string> m_failures;
    std::atomic<std::uint8_t> m_command{0};
    std::atomic<int> m_sendClock{0};
};

template <class F>
bool WaitFor(F condition, std::chrono::milliseconds limit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

class ExchangeRecording : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "exchange-record-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }
    fs::path m_dir;
};

TEST_F(ExchangeRecording, FramesAnswersAndTheLostLineGoIntoTheDaysRecording)
{
    SimulatorOptions options;
    options.period = std::chrono::milliseconds(200);
    options.pace = false;
    options.silentAfter = std::chrono::milliseconds(1500);
    options.silentFor = std::chrono::milliseconds(5000);
    ControllerSimulator sim(options);
    const std::string path = sim.OpenPty();
    ASSERT_FALSE(path.empty()) << sim.LastError();
    ASSERT_TRUE(sim.Start());

    CountingConsole console;
    RecordingMessages messages;
    CLine line;
    ImageBytes image{};
    image[7] = 0x42;
    const std::string folder = (m_dir / "recordings").string();
    auto worker = StartExchange(console, path, messages, line, 1, RecordingTarget{folder, image});
    ASSERT_NE(worker, nullptr);
    // The operator calls phase 2, then sends the clock.
    ASSERT_TRUE(WaitFor([&] { return console.Records().size() >= 2; }, std::chrono::seconds(5)));
    console.CommandByte().store(0x42);
    ASSERT_TRUE(WaitFor([&] { return console.Records().size() >= 4; }, std::chrono::seconds(5)));
    console.SendClockFlag().store(1);
    auto lineBack = [&] {
        for (const auto& r : console.Records())
            if (r.kind == RecordKind::LineBack)
                return true;
        return false;
    };
    ASSERT_TRUE(WaitFor(lineBack, std::chrono::seconds(12)));
    ASSERT_TRUE(WaitFor([&] { return console.Records().back().kind == RecordKind::Frame; }, std::chrono::seconds(5)));
    StopExchange(worker, console);
    sim.Stop();
    EXPECT_TRUE(console.Failures().empty());

    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder))
        files.push_back(entry.path());
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].extension(), ".vlkrec");
    std::string error;
    const auto recording = ReadRecording(files[0].string(), error);
    ASSERT_TRUE(recording) << error;
    EXPECT_EQ(recording->header.port, path);
    EXPECT_EQ(recording->header.image, image);
    // What the console heard is what the file holds.
    EXPECT_EQ(recording->records, console.Records());

    int lost = 0, back = 0, phaseCalls = 0, clocks = 0;
    std::int64_t previous = 0;
    for (const auto& r : recording->records) {
        EXPECT_GE(r.timeMs, previous);
        previous = r.timeMs;
        lost += r.kind == RecordKind::LineLost;
        back += r.kind == RecordKind::LineBack;
        if (r.kind != RecordKind::Frame)
            continue;
        EXPECT_EQ(r.frameLength, 26);
        EXPECT_EQ(r.frame[0] & 0x20, 0x20);
        phaseCalls += r.answerLength == 1 && r.answer[0] == 0x42;
        if (r.answerLength == 6) {
            ++clocks;
            const std::array<std::uint8_t, 6> message{0x85, 0x90, 0xA4, 0xB1, 0xC2, 0xF0};
            EXPECT_EQ(r.answer, message);
        }
    }
    EXPECT_EQ(lost, 1);
    EXPECT_EQ(back, 1);
    EXPECT_GE(phaseCalls, 3);
    EXPECT_EQ(clocks, 1);

    // Read as events: the commands and the line, each once.
    std::vector<std::string> texts;
    for (const auto& e : RecordingEvents(*recording, Configuration{}))
        if (e.kind == EventKind::Command || e.kind == EventKind::Line)
            texts.push_back(e.message);
    EXPECT_EQ(texts, (std::vector<std::string>{"Оператор взял управление", "Оператор вызвал фазу 2",
                                               "Часы контроллера установлены: среда 14:05",
                                               "Связь с контроллером потеряна", "Связь с контроллером восстановлена"}));
}

TEST_F(ExchangeRecording, ARecordingThatCannotBeWrittenIsSaidOnceAndTheExchangeGoesOn)
{
    SimulatorOptions options;
    options.period = std::chrono::milliseconds(100);
    options.pace = false;
    ControllerSimulator sim(options);
    const std::string path = sim.OpenPty();
    ASSERT_FALSE(path.empty()) << sim.LastError();
    ASSERT_TRUE(sim.Start());
    // The recordings' folder is a file: nothing can be made under it.
    const std::string folder = (m_dir / "blocked").string();
    std::ofstream(folder) << "x";
    CountingConsole console;
    RecordingMessages messages;
    CLine line;
    auto worker = StartExchange(console, path, messages, line, 1, RecordingTarget{folder + "/recordings", ImageBytes{}});
    ASSERT_NE(worker, nullptr);
    ASSERT_TRUE(sim.WaitUntil([&] { return sim.Commands().size() >= 5; }, std::chrono::seconds(5)));
    StopExchange(worker, console);
    sim.Stop();
    ASSERT_EQ(console.Failures().size(), 1u);
    EXPECT_EQ(console.Failures()[0].rfind("Запись не ведется: ", 0), 0u) << console.Failures()[0];
    EXPECT_GE(console.Records().size(), 5u);
    EXPECT_TRUE(messages.Entries().empty());
}

} // namespace
} // namespace vlk
