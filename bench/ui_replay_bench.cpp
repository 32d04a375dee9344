// A day of a junction at a frame a second: the size of its recording, reading it, its events, and
// a seek anywhere in it shown on the console of the whole station (the replay's slider), painted.
#include "config/DemoJunction.h"
#include "config/ConfigurationImage.h"
#include "e2e/ScriptedDialogs.h"
#include "frame/MainFrm.h"
#include "frame/ReplayBar.h"
#include "record/JunctionEvents.h"
#include "record/Recording.h"
#include "support/QtBench.h"
#include "support/RecordingMessages.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <filesystem>
#include <mutex>
#include <random>
#include <unistd.h>

using namespace vlk;
using vlk::bench::AtQtExit;

namespace {

constexpr int kDaySeconds = 24 * 60 * 60;
constexpr std::int64_t kStart = 1'765'152'000'000; // 2025-12-08 00:00:00 UTC

// A day of frames: the phases and lamps moving, an alarm now and then, a lost line at noon.
const std::string& DayRecording()
{
    static const std::string path = [] {
        std::string dir = (std::filesystem::temp_directory_path() / "vlk-replay-bench-XXXXXX").string();
        if (!::mkdtemp(dir.data()))
            std::abort();
        const std::string file = dir + "/day.vlkrec";
        RecordingWriter writer;
        if (!writer.Open(file, {"COM1:", kStart, ConfigurationImage::Encode(DemoJunction())}).empty())
            std::abort();
        std::mt19937 rng(7);
        for (int s = 0; s < kDaySeconds; ++s) {
            const std::int64_t t = kStart + std::int64_t{s} * 1000;
            if (s == 12 * 3600)
                (void)writer.Append(LineRecord(t, true), t);
            if (s >= 12 * 3600 && s < 12 * 3600 + 60)
                continue;
            if (s == 12 * 3600 + 60)
                (void)writer.Append(LineRecord(t, false), t);
            FrameBytes frame{};
            frame[0] = static_cast<std::uint8_t>(0x20 | (s % 3600 < 30 ? 0x40 : 0));
            frame[1] = static_cast<std::uint8_t>(s / 40 % 3 + 1);
            frame[3] = 0x10;
            frame[4] = static_cast<std::uint8_t>((s / 3600 / 10) << 4 | s / 3600 % 10);
            frame[5] = static_cast<std::uint8_t>((s / 60 % 60 / 10) << 4 | s / 60 % 10);
            for (int b = 9; b < 26; ++b)
                frame[static_cast<std::size_t>(b)] = static_cast<std::uint8_t>(rng());
            const std::uint8_t answer[] = {0x00};
            (void)writer.Append(FrameRecord(t, frame, answer), t);
        }
        writer.Close();
        AtQtExit([dir] { std::filesystem::remove_all(dir); });
        return file;
    }();
    return path;
}

void BM_DayRecordingRead(benchmark::State& state)
{
    const std::string& path = DayRecording();
    std::size_t records = 0;
    for (auto _ : state) {
        std::string error;
        const auto recording = ReadRecording(path, error);
        records = recording ? recording->records.size() : 0;
        benchmark::DoNotOptimize(records);
    }
    state.counters["records"] = static_cast<double>(records);
    state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(path));
    state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(path)) / 1e6;
}

void BM_DayRecordingEvents(benchmark::State& state)
{
    std::string error;
    const auto recording = ReadRecording(DayRecording(), error);
    std::size_t events = 0;
    for (auto _ : state) {
        events = RecordingEvents(*recording, DemoJunction()).size();
        benchmark::DoNotOptimize(events);
    }
    state.counters["events"] = static_cast<double>(events);
}

struct Station {
    Station()
    {
        frame.resize(1280, 800);
        frame.show();
        QApplication::processEvents();
        if (!frame.OpenRecording(QString::fromStdString(DayRecording())))
            std::abort();
        QApplication::processEvents();
    }
    vlk::RecordingMessages messages;
    vlk::test::ScriptedDialogs dialogs;
    CMainFrame frame{messages, dialogs};
};

Station& TheStation()
{
    static Station* station = [] {
        auto* made = new Station;
        AtQtExit([made] { delete made; });
        return made;
    }();
    return *station;
}

// "Открыть запись…" of the day: read, its events found and listed, the console at its start.
void BM_DayRecordingOpen(benchmark::State& state)
{
    Station& station = TheStation();
    for (auto _ : state) {
        if (!station.frame.OpenRecording(QString::fromStdString(DayRecording())))
            std::abort();
        QApplication::processEvents();
    }
}

// A seek to a random second of the day, as the slider gives it: the record found, the console
// written, and the window painted.
void BM_DayRecordingSeek(benchmark::State& state)
{
    Station& station = TheStation();
    std::mt19937 rng(11);
    for (auto _ : state) {
        const std::int64_t t = kStart + std::int64_t{rng() % kDaySeconds} * 1000;
        station.frame.Replay().Seek(t);
        station.frame.repaint();
    }
}

} // namespace

BENCHMARK(BM_DayRecordingRead)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DayRecordingEvents)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DayRecordingOpen)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DayRecordingSeek)->Unit(benchmark::kMillisecond);
