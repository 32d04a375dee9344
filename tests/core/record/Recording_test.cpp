// The recording file: what is written is read back byte for byte, a record cut by a power cut is
// skipped with everything before it kept, and a day's files stay within their folder's limit.
#include "record/Recording.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace vlk {
namespace {

namespace fs = std::filesystem;

class RecordingFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "station-record-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        for (std::size_t i = 0; i < m_image.size(); ++i)
            m_image[i] = static_cast<std::uint8_t>(i * 7);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    // A frame whose bytes tell its index.
    static RecordEntry Frame(std::int64_t timeMs, int n)
    {
        std::vector<std::uint8_t> frame(26, 0);
        frame[0] = 0x20;
        frame[1] = static_cast<std::uint8_t>(n);
        frame[25] = static_cast<std::uint8_t>(n >> 8);
        const std::uint8_t answer[] = {0x43};
        return FrameRecord(timeMs, frame, answer);
    }

    fs::path m_dir;
    ImageBytes m_image{};
};

TEST_F(RecordingFile, WhatIsWrittenIsReadBackWithItsHeader)
{
    const std::string path = (m_dir / "a.vlkrec").string();
    RecordingWriter writer;
    ASSERT_EQ(writer.Open(path, {"COM1:", 1'765'000'000'000, m_image}), "");
    std::vector<RecordEntry> written;
    written.push_back(Frame(1'765'000'000'100, 1));
    written.push_back(LineRecord(1'765'000'002'000, true));
    written.push_back(LineRecord(1'765'000'009'000, false));
    const std::uint8_t shortFrame[] = {0x20, 0x11, 0x00};
    const std::uint8_t clock[] = {0x85, 0x90, 0xA4, 0xB1, 0xC2, 0xF0};
    written.push_back(FrameRecord(1'765'000'010'000, shortFrame, clock));
    for (const auto& r : written)
        ASSERT_EQ(writer.Append(r, r.timeMs), "");
    writer.Close();

    // A 2048-byte header and 45 bytes a record.
    EXPECT_EQ(fs::file_size(path), 2048u + 4 * 45u);
    std::ifstream in(path, std::ios::binary);
    char magic[6];
    in.read(magic, 6);
    EXPECT_EQ(std::string(magic, 6), "VLKREC");

    std::string error;
    const auto recording = ReadRecording(path, error);
    ASSERT_TRUE(recording) << error;
    EXPECT_EQ(recording->header.port, "COM1:");
    EXPECT_EQ(recording->header.startMs, 1'765'000'000'000);
    EXPECT_EQ(recording->header.image, m_image);
    EXPECT_EQ(recording->records, written);
    EXPECT_EQ(recording->records[3].frameLength, 3);
    EXPECT_EQ(recording->records[3].answerLength, 6);
    EXPECT_EQ(recording->damaged, 0u);
    EXPECT_EQ(recording->tornBytes, 0u);
}

TEST_F(RecordingFile, ATornLastRecordIsSkippedAndTheWriterGoesOnFromTheLastWholeOne)
{
    const std::string path = (m_dir / "b.vlkrec").string();
    {
        RecordingWriter writer;
        ASSERT_EQ(writer.Open(path, {"COM2:", 1000, m_image}), "");
        for (int i = 0; i < 10; ++i)
            ASSERT_EQ(writer.Append(Frame(1000 + i * 1000, i), 0), "");
    }
    // A power cut in the middle of the tenth record.
    fs::resize_file(path, 2048 + 9 * 45 + 20);
    std::string error;
    auto recording = ReadRecording(path, error);
    ASSERT_TRUE(recording) << error;
    ASSERT_EQ(recording->records.size(), 9u);
    EXPECT_EQ(recording->records.back(), Frame(9000, 8));
    EXPECT_EQ(recording->tornBytes, 20u);

    // The station started again the same day: the torn bytes go, the new records follow the ninth.
    {
        RecordingWriter writer;
        ASSERT_EQ(writer.Open(path, {"COM2:", 50'000, m_image}), "");
        ASSERT_EQ(writer.Append(Frame(60'000, 60), 0), "");
    }
    recording = ReadRecording(path, error);
    ASSERT_TRUE(recording) << error;
    ASSERT_EQ(recording->records.size(), 10u);
    EXPECT_EQ(recording->header.startMs, 1000); // the file's own start stays
    EXPECT_EQ(recording->records[8], Frame(9000, 8));
    EXPECT_EQ(recording->records[9], Frame(60'000, 60));
    EXPECT_EQ(recording->tornBytes, 0u);
}

TEST_F(RecordingFile, ADamagedRecordIsSkippedAndTheOthersKept)
{
    const std::string path = (m_dir / "c.vlkrec").string();
    {
        RecordingWriter writer;
        ASSERT_EQ(writer.Open(path, {"COM1:", 0, m_image}), "");
        for (int i = 0; i < 5; ++i)
            ASSERT_EQ(writer.Append(Frame(i * 1000, i), 0), "");
    }
    {
        std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(2048 + 2 * 45 + 12);
        f.put('\x55');
    }
    std::string error;
    const auto recording = ReadRecording(path, error);
    ASSERT_TRUE(recording) << error;
    ASSERT_EQ(recording->records.size(), 4u);
    EXPECT_EQ(recording->damaged, 1u);
    EXPECT_EQ(recording->records[2], Frame(3000, 3));
}

TEST_F(RecordingFile, WhatIsNoRecordingIsRefusedAndLeftAlone)
{
    const std::string vlk = (m_dir / "plan.vlk").string();
    std::ofstream(vlk, std::ios::binary) << std::string(1920, '\x01');
    std::string error;
    EXPECT_FALSE(ReadRecording(vlk, error));
    EXPECT_NE(error.find("это не запись работы контроллера"), std::string::npos) << error;

    RecordingWriter writer;
    EXPECT_NE(writer.Open(vlk, {"COM1:", 0, m_image}), "");
    EXPECT_EQ(fs::file_size(vlk), 1920u);

    const std::string fifo = (m_dir / "pipe.vlkrec").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(ReadRecording(fifo, error)); // refused without waiting for a writer
    EXPECT_NE(writer.Open(fifo, {"COM1:", 0, m_image}), "");

    // A header cut short, and one with a byte changed.
    const std::string good = (m_dir / "good.vlkrec").string();
    ASSERT_EQ(writer.Open(good, {"COM1:", 0, m_image}), "");
    writer.Close();
    fs::resize_file(good, 1000);
    EXPECT_FALSE(ReadRecording(good, error));
    fs::remove(good);
    ASSERT_EQ(writer.Open(good, {"COM1:", 0, m_image}), "");
    writer.Close();
    {
        std::fstream f(good, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(500);
        f.put('\x77');
    }
    EXPECT_FALSE(ReadRecording(good, error));
    EXPECT_NE(error.find("заголовок записи поврежден"), std::string::npos) << error;
}

TEST_F(RecordingFile, SeekFindsTheLastRecordAtOrBeforeATime)
{
    Recording recording;
    for (int i = 0; i < 5; ++i)
        recording.records.push_back(Frame(10'000 + i * 1000, i));
    EXPECT_EQ(RecordAt(recording, 0), 0u);
    EXPECT_EQ(RecordAt(recording, 10'000), 0u);
    EXPECT_EQ(RecordAt(recording, 12'999), 2u);
    EXPECT_EQ(RecordAt(recording, 13'000), 3u);
    EXPECT_EQ(RecordAt(recording, 99'000), 4u);
}

TEST_F(RecordingFile, OneFileADayAPortAndAnotherImageStartsAnotherFile)
{
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    const std::string folder = (m_dir / "recordings").string();
    // 2025-12-06 23:59:59 and 2025-12-07 00:00:01 UTC.
    const std::int64_t lateMs = 1'765'065'599'000;
    DayRecorder recorder(folder, "COM1:", m_image);
    ASSERT_EQ(recorder.Append(Frame(lateMs, 1), lateMs), "");
    EXPECT_EQ(recorder.CurrentPath(), folder + "/2025-12-06-COM1.vlkrec");
    ASSERT_EQ(recorder.Append(Frame(lateMs + 2000, 2), lateMs + 2000), "");
    EXPECT_EQ(recorder.CurrentPath(), folder + "/2025-12-07-COM1.vlkrec");

    ImageBytes other = m_image;
    other[5] ^= 0xFF;
    recorder.SetImage(other);
    ASSERT_EQ(recorder.Append(Frame(lateMs + 3000, 3), lateMs + 3000), "");
    EXPECT_EQ(recorder.CurrentPath(), folder + "/2025-12-07-COM1-2.vlkrec");
    recorder.Close();

    std::string error;
    const auto first = ReadRecording(folder + "/2025-12-07-COM1.vlkrec", error);
    const auto second = ReadRecording(folder + "/2025-12-07-COM1-2.vlkrec", error);
    ASSERT_TRUE(first && second) << error;
    EXPECT_EQ(first->records.size(), 1u);
    EXPECT_EQ(first->header.image, m_image);
    EXPECT_EQ(second->header.image, other);
    ::unsetenv("TZ");
    ::tzset();
}

TEST_F(RecordingFile, TheOldestRecordingsGoBeyondTheLimitButNeverTheOneBeingWritten)
{
    const fs::path folder = m_dir / "recordings";
    fs::create_directory(folder);
    // Three old days of 10 000 bytes each, the oldest first, and a file that is not a recording.
    const char* old[] = {"2025-01-01-COM1.vlkrec", "2025-01-02-COM1.vlkrec", "2025-01-03-COM2.vlkrec"};
    for (int i = 0; i < 3; ++i) {
        std::ofstream(folder / old[i]) << std::string(10'000, 'x');
        const auto when = fs::file_time_type::clock::now() - std::chrono::hours(72 - 24 * i);
        fs::last_write_time(folder / old[i], when);
    }
    std::ofstream(folder / "notes.txt") << std::string(50'000, 'n');

    // The limit holds the new file and one old day, not two.
    DayRecorder recorder(folder.string(), "COM1:", m_image, 2048 + 45 + 10'000 + 5'000);
    ASSERT_EQ(recorder.Append(Frame(UtcNowMs(), 1), UtcNowMs()), "");
    EXPECT_FALSE(fs::exists(folder / old[0]));
    EXPECT_FALSE(fs::exists(folder / old[1]));
    EXPECT_TRUE(fs::exists(folder / old[2]));
    EXPECT_TRUE(fs::exists(folder / "notes.txt"));
    EXPECT_TRUE(fs::exists(recorder.CurrentPath()));

    // A limit smaller than the day's own file removes every old one and keeps writing; the file
    // another port's recorder is writing stays.
    DayRecorder tiny(folder.string(), "COM3:", m_image, 10);
    ASSERT_EQ(tiny.Append(Frame(UtcNowMs(), 1), UtcNowMs()), "");
    EXPECT_FALSE(fs::exists(folder / old[2]));
    EXPECT_TRUE(fs::exists(tiny.CurrentPath()));
    EXPECT_TRUE(fs::exists(recorder.CurrentPath()));
}

} // namespace
} // namespace vlk
