#pragma once

// The recording of a junction: every state frame the exchange read, with its time and the
// station's answer, and the moments the line was lost and came back. A recording file is a
// fixed header (format, version, port, start time, the 1920-byte image the frames belong to)
// followed by fixed-size records, so that a day of frames is a few megabytes, a record is found
// by its index, and a record torn by a power cut is recognised and skipped. docs/recordings.md
// describes the bytes.

#include "config/ConfigurationImage.h"
#include "link/LinkFrames.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vlk {

inline constexpr std::array<std::uint8_t, 6> kRecordingMagic{'V', 'L', 'K', 'R', 'E', 'C'};
inline constexpr std::uint16_t kRecordingVersion = 1;
inline constexpr std::size_t kRecordingHeaderSize = 2048;
inline constexpr std::size_t kRecordSize = 45;
inline constexpr std::size_t kRecordingPortRoom = 64;
inline constexpr std::size_t kAnswerRoom = kClockMessageSize;
// Recordings kept under the state folder, together at most this many bytes by default.
inline constexpr std::uint64_t kDefaultRecordingLimit = std::uint64_t{1} << 30;
inline constexpr const char* kRecordingExtension = ".vlkrec";

enum class RecordKind : std::uint8_t {
    Frame = 1,    // a state frame read (whole or short), with the answer sent to it (none if it failed)
    LineLost = 2, // the device went away or the controller fell silent
    LineBack = 3, // the first frame after a lost line follows this record
};

struct RecordingHeader {
    std::string port;              // as the user named it, at most 64 bytes kept
    std::int64_t startMs = 0;      // UTC milliseconds since 1970
    ImageBytes image{};            // the configuration the frames belong to

    bool operator==(const RecordingHeader&) const = default;
};

struct RecordEntry {
    std::int64_t timeMs = 0;       // UTC milliseconds since 1970
    RecordKind kind = RecordKind::Frame;
    std::uint8_t frameLength = 0;  // bytes read, 0..26; the rest of `frame` is zero
    FrameBytes frame{};
    std::uint8_t answerLength = 0; // 0 (nothing sent), 1 (command byte or "*"), 6 (clock message)
    std::array<std::uint8_t, kAnswerRoom> answer{};

    bool operator==(const RecordEntry&) const = default;
};

// A frame read and answered, as the exchange records it.
[[nodiscard]] RecordEntry FrameRecord(std::int64_t timeMs, std::span<const std::uint8_t> frame,
                                      std::span<const std::uint8_t> answer);
[[nodiscard]] RecordEntry LineRecord(std::int64_t timeMs, bool lost);

[[nodiscard]] std::array<std::uint8_t, kRecordingHeaderSize> EncodeHeader(const RecordingHeader& header);
[[nodiscard]] std::array<std::uint8_t, kRecordSize> EncodeRecord(const RecordEntry& record);
// Nothing when the bytes are not a sound record (torn, zeroed, or another version's).
[[nodiscard]] std::optional<RecordEntry> DecodeRecord(std::span<const std::uint8_t, kRecordSize> bytes);

struct Recording {
    RecordingHeader header;
    std::vector<RecordEntry> records;  // in file order
    std::size_t damaged = 0;           // whole records skipped because their check failed
    std::size_t tornBytes = 0;         // bytes of a last record cut short, skipped
};

// Reads a recording from its bytes. Nothing, with `error` in Russian, when the header is not a
// recording's or is damaged; a torn or damaged record is skipped and the others are kept.
[[nodiscard]] std::optional<Recording> ParseRecording(std::span<const std::uint8_t> bytes, std::string& error);
// The same from a regular file (a FIFO or a device is refused without waiting on it).
[[nodiscard]] std::optional<Recording> ReadRecording(const std::string& path, std::string& error);

// The index of the last record at or before `timeMs` (0 when every record is later); records
// are in time order as the exchange writes them.
[[nodiscard]] std::size_t RecordAt(const Recording& recording, std::int64_t timeMs);

// Appends records to one recording file. Records go to the file as they come (one write each,
// so a reader sees them at once) and are forced to the disk at least every kSyncEvery, and at
// once for the line's changes and at Close.
class RecordingWriter {
public:
    static constexpr std::int64_t kSyncEveryMs = 5000;

    RecordingWriter() = default;
    ~RecordingWriter();
    RecordingWriter(const RecordingWriter&) = delete;
    RecordingWriter& operator=(const RecordingWriter&) = delete;

    // Creates `path` with `header`, or goes on with an existing recording of the same header
    // (port and image; its start time stays): a torn last record is cut off first, so the new
    // records start on a record's boundary. An existing file that is not such a recording is left
    // alone and refused. Empty, or why in Russian.
    [[nodiscard]] std::string Open(const std::string& path, const RecordingHeader& header);
    // Empty, or why in Russian. `nowMs` is the time of the decision to sync (tests give it).
    [[nodiscard]] std::string Append(const RecordEntry& record, std::int64_t nowMs);
    [[nodiscard]] std::string Sync();
    void Close();

    [[nodiscard]] bool IsOpen() const { return m_fd >= 0; }
    [[nodiscard]] const std::string& Path() const { return m_path; }
    [[nodiscard]] const RecordingHeader& Header() const { return m_header; }

private:
    int m_fd = -1;
    std::string m_path;
    RecordingHeader m_header;
    std::int64_t m_lastSyncMs = 0;
    bool m_unsynced = false;
};

// <state>/recordings (see StationStateFolder).
[[nodiscard]] std::string RecordingsFolder();

// A port's recordings, one file a day under a folder: <folder>/<YYYY-MM-DD>-<port>.vlkrec, the
// day in local time. A day's file started with another image goes on in "-2", "-3", ... After
// each new file the oldest recordings of the folder go until all of them together fit in the
// limit (the file being written is never removed).
class DayRecorder {
public:
    DayRecorder(std::string folder, std::string port, const ImageBytes& image,
                std::uint64_t limit = kDefaultRecordingLimit);

    // Empty, or why in Russian.
    [[nodiscard]] std::string Append(const RecordEntry& record, std::int64_t nowMs);
    void Close() { m_writer.Close(); }
    // The image for files started from now on; the day's file started with another image is
    // closed, and the next record goes to a new one.
    void SetImage(const ImageBytes& image);
    [[nodiscard]] std::string CurrentPath() const { return m_writer.Path(); }

private:
    std::string OpenDay(std::int64_t timeMs);
    void Prune();

    std::string m_folder;
    std::string m_port;
    ImageBytes m_image;
    std::uint64_t m_limit;
    RecordingWriter m_writer;
    std::string m_day; // "YYYY-MM-DD" of the open file
};

// The local day "YYYY-MM-DD" of a UTC time.
[[nodiscard]] std::string LocalDay(std::int64_t timeMs);
// UTC milliseconds now.
[[nodiscard]] std::int64_t UtcNowMs();

} // namespace vlk
