#include "record/Recording.h"

#include "link/MemoryBackup.h"
#include "util/Crc32.h"
#include "util/WholeFile.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vlk {

namespace {

// Header: magic 0..5, version 6..7, header size 8..9, record size 10..11, start 12..19, port
// 20..83, image 84..2003, reserved 2004..2043, CRC-32 of 0..2043 at 2044..2047.
constexpr std::size_t kVersionAt = 6;
constexpr std::size_t kHeaderSizeAt = 8;
constexpr std::size_t kRecordSizeAt = 10;
constexpr std::size_t kStartAt = 12;
constexpr std::size_t kPortAt = 20;
constexpr std::size_t kImageAt = kPortAt + kRecordingPortRoom;
constexpr std::size_t kHeaderCheckAt = kRecordingHeaderSize - 4;
// Record: time 0..7, kind 8, frame length 9, answer length 10, frame 11..36, answer 37..42,
// check 43..44 (the low 16 bits of the CRC-32 of bytes 0..42).
constexpr std::size_t kKindAt = 8;
constexpr std::size_t kFrameLengthAt = 9;
constexpr std::size_t kAnswerLengthAt = 10;
constexpr std::size_t kFrameAt = 11;
constexpr std::size_t kAnswerAt = kFrameAt + kStateFrameSize;
constexpr std::size_t kRecordCheckAt = kAnswerAt + kAnswerRoom;
static_assert(kRecordCheckAt + 2 == kRecordSize);
static_assert(kImageAt + kImageSize <= kHeaderCheckAt);
// The biggest recording read whole: a day at ten frames a second is about 40 MB.
constexpr std::size_t kReadLimit = std::size_t{256} << 20;

void Put16(std::uint8_t* at, std::uint16_t value)
{
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}
void Put32(std::uint8_t* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}
void Put64(std::uint8_t* at, std::int64_t value)
{
    const auto v = static_cast<std::uint64_t>(value);
    for (int i = 0; i < 8; ++i)
        at[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
std::uint16_t Get16(const std::uint8_t* at) { return static_cast<std::uint16_t>(at[0] | at[1] << 8); }
std::uint32_t Get32(const std::uint8_t* at)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | at[i];
    return v;
}
std::int64_t Get64(const std::uint8_t* at)
{
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = v << 8 | at[i];
    return static_cast<std::int64_t>(v);
}

std::string Errno(const std::string& path) { return path + ": " + std::strerror(errno); }

// Header fields from sound header bytes; nothing with `error` set otherwise.
std::optional<RecordingHeader> DecodeHeader(std::span<const std::uint8_t> bytes, std::string& error)
{
    if (bytes.size() < kRecordingMagic.size() || !std::equal(kRecordingMagic.begin(), kRecordingMagic.end(), bytes.begin())) {
        error = "это не запись работы контроллера";
        return std::nullopt;
    }
    if (bytes.size() < kRecordingHeaderSize) {
        error = "заголовок записи обрезан";
        return std::nullopt;
    }
    const std::uint8_t* b = bytes.data();
    if (Get16(b + kVersionAt) != kRecordingVersion || Get16(b + kHeaderSizeAt) != kRecordingHeaderSize
        || Get16(b + kRecordSizeAt) != kRecordSize) {
        error = "запись другой версии (" + std::to_string(Get16(b + kVersionAt)) + "), эта программа читает версию "
            + std::to_string(kRecordingVersion);
        return std::nullopt;
    }
    if (Crc32::Of(bytes.first(kHeaderCheckAt)) != Get32(b + kHeaderCheckAt)) {
        error = "заголовок записи поврежден";
        return std::nullopt;
    }
    RecordingHeader header;
    header.startMs = Get64(b + kStartAt);
    const auto* port = reinterpret_cast<const char*>(b + kPortAt);
    header.port.assign(port, strnlen(port, kRecordingPortRoom));
    std::copy_n(b + kImageAt, kImageSize, header.image.begin());
    return header;
}

bool IsRecordingName(const std::string& name)
{
    const std::string ext = kRecordingExtension;
    return name.size() > ext.size() && name.compare(name.size() - ext.size(), ext.size(), ext) == 0;
}

} // namespace

RecordEntry FrameRecord(std::int64_t timeMs, std::span<const std::uint8_t> frame, std::span<const std::uint8_t> answer)
{
    RecordEntry record;
    record.timeMs = timeMs;
    record.kind = RecordKind::Frame;
    record.frameLength = static_cast<std::uint8_t>(std::min(frame.size(), kStateFrameSize));
    std::copy_n(frame.begin(), record.frameLength, record.frame.begin());
    record.answerLength = static_cast<std::uint8_t>(std::min(answer.size(), kAnswerRoom));
    std::copy_n(answer.begin(), record.answerLength, record.answer.begin());
    return record;
}

RecordEntry LineRecord(std::int64_t timeMs, bool lost)
{
    RecordEntry record;
    record.timeMs = timeMs;
    record.kind = lost ? RecordKind::LineLost : RecordKind::LineBack;
    return record;
}

std::array<std::uint8_t, kRecordingHeaderSize> EncodeHeader(const RecordingHeader& header)
{
    std::array<std::uint8_t, kRecordingHeaderSize> bytes{};
    std::copy(kRecordingMagic.begin(), kRecordingMagic.end(), bytes.begin());
    Put16(&bytes[kVersionAt], kRecordingVersion);
    Put16(&bytes[kHeaderSizeAt], kRecordingHeaderSize);
    Put16(&bytes[kRecordSizeAt], kRecordSize);
    Put64(&bytes[kStartAt], header.startMs);
    std::copy_n(header.port.begin(), std::min(header.port.size(), kRecordingPortRoom), &bytes[kPortAt]);
    std::copy(header.image.begin(), header.image.end(), &bytes[kImageAt]);
    Put32(&bytes[kHeaderCheckAt], Crc32::Of(std::span(bytes).first(kHeaderCheckAt)));
    return bytes;
}

std::array<std::uint8_t, kRecordSize> EncodeRecord(const RecordEntry& record)
{
    std::array<std::uint8_t, kRecordSize> bytes{};
    Put64(&bytes[0], record.timeMs);
    bytes[kKindAt] = static_cast<std::uint8_t>(record.kind);
    bytes[kFrameLengthAt] = std::min<std::uint8_t>(record.frameLength, kStateFrameSize);
    bytes[kAnswerLengthAt] = std::min<std::uint8_t>(record.answerLength, kAnswerRoom);
    std::copy_n(record.frame.begin(), bytes[kFrameLengthAt], &bytes[kFrameAt]);
    std::copy_n(record.answer.begin(), bytes[kAnswerLengthAt], &bytes[kAnswerAt]);
    Put16(&bytes[kRecordCheckAt], static_cast<std::uint16_t>(Crc32::Of(std::span(bytes).first(kRecordCheckAt))));
    return bytes;
}

std::optional<RecordEntry> DecodeRecord(std::span<const std::uint8_t, kRecordSize> bytes)
{
    if (static_cast<std::uint16_t>(Crc32::Of(bytes.first(kRecordCheckAt))) != Get16(&bytes[kRecordCheckAt]))
        return std::nullopt;
    const std::uint8_t kind = bytes[kKindAt];
    if (kind < 1 || kind > 3 || bytes[kFrameLengthAt] > kStateFrameSize || bytes[kAnswerLengthAt] > kAnswerRoom)
        return std::nullopt;
    RecordEntry record;
    record.timeMs = Get64(&bytes[0]);
    record.kind = static_cast<RecordKind>(kind);
    record.frameLength = bytes[kFrameLengthAt];
    record.answerLength = bytes[kAnswerLengthAt];
    std::copy_n(&bytes[kFrameAt], record.frameLength, record.frame.begin());
    std::copy_n(&bytes[kAnswerAt], record.answerLength, record.answer.begin());
    return record;
}

std::optional<Recording> ParseRecording(std::span<const std::uint8_t> bytes, std::string& error)
{
    auto header = DecodeHeader(bytes, error);
    if (!header)
        return std::nullopt;
    Recording recording;
    recording.header = std::move(*header);
    const std::size_t body = bytes.size() - kRecordingHeaderSize;
    const std::size_t count = body / kRecordSize;
    recording.tornBytes = body % kRecordSize;
    recording.records.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto at = bytes.subspan(kRecordingHeaderSize + i * kRecordSize).first<kRecordSize>();
        if (auto record = DecodeRecord(at))
            recording.records.push_back(*record);
        else
            ++recording.damaged;
    }
    return recording;
}

std::optional<Recording> ReadRecording(const std::string& path, std::string& error)
{
    std::vector<std::uint8_t> bytes;
    if (std::string why = ReadRegularFile(path, kReadLimit, bytes); !why.empty()) {
        error = why;
        return std::nullopt;
    }
    auto recording = ParseRecording(bytes, error);
    if (!recording)
        error = path + ": " + error;
    return recording;
}

std::size_t RecordAt(const Recording& recording, std::int64_t timeMs)
{
    const auto& records = recording.records;
    const auto after = std::upper_bound(records.begin(), records.end(), timeMs,
                                        [](std::int64_t t, const RecordEntry& r) { return t < r.timeMs; });
    return after == records.begin() ? 0 : static_cast<std::size_t>(after - records.begin() - 1);
}

RecordingWriter::~RecordingWriter() { Close(); }

std::string RecordingWriter::Open(const std::string& path, const RecordingHeader& header)
{
    Close();
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
    if (fd < 0)
        return "Запись не ведется: " + Errno(path);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return "Запись не ведется: " + path + " не обычный файл";
    }
    RecordingHeader kept = header;
    if (st.st_size == 0) {
        const auto bytes = EncodeHeader(header);
        if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) || ::fdatasync(fd) != 0) {
            const std::string why = Errno(path);
            // A header cut short is no recording: nothing half-made is left behind.
            (void)!::ftruncate(fd, 0);
            ::close(fd);
            ::unlink(path.c_str());
            return "Запись не ведется: " + why;
        }
    } else {
        std::array<std::uint8_t, kRecordingHeaderSize> bytes{};
        const ssize_t got = ::pread(fd, bytes.data(), bytes.size(), 0);
        std::string why;
        const auto existing = DecodeHeader(std::span(bytes).first(got > 0 ? static_cast<std::size_t>(got) : 0), why);
        if (!existing || existing->port != header.port.substr(0, kRecordingPortRoom) || existing->image != header.image) {
            ::close(fd);
            return "Запись не ведется: " + path + (existing ? " начата для другой конфигурации" : ": " + why);
        }
        kept = *existing;
        const auto body = static_cast<std::size_t>(st.st_size) - kRecordingHeaderSize;
        if (body % kRecordSize != 0
            && ::ftruncate(fd, static_cast<off_t>(kRecordingHeaderSize + body / kRecordSize * kRecordSize)) != 0) {
            const std::string error = Errno(path);
            ::close(fd);
            return "Запись не ведется: " + error;
        }
    }
    if (::lseek(fd, 0, SEEK_END) < 0) {
        const std::string error = Errno(path);
        ::close(fd);
        return "Запись не ведется: " + error;
    }
    m_fd = fd;
    m_path = path;
    m_header = kept;
    m_unsynced = false;
    return {};
}

std::string RecordingWriter::Append(const RecordEntry& record, std::int64_t nowMs)
{
    if (m_fd < 0)
        return "Запись не ведется: файл записи не открыт";
    const auto bytes = EncodeRecord(record);
    const ssize_t written = ::write(m_fd, bytes.data(), bytes.size());
    if (written != static_cast<ssize_t>(bytes.size())) {
        const std::string why = written < 0 ? Errno(m_path) : m_path + ": " + std::strerror(ENOSPC);
        if (written > 0) {
            // Never leave a torn record in the middle: the next one must start on a boundary.
            const off_t end = ::lseek(m_fd, 0, SEEK_END);
            if (end >= 0 && ::ftruncate(m_fd, end - written) == 0)
                ::lseek(m_fd, 0, SEEK_END);
        }
        return "Запись не ведется: " + why;
    }
    if (!m_unsynced) {
        m_unsynced = true;
        m_lastSyncMs = nowMs;
    }
    if (record.kind != RecordKind::Frame || nowMs - m_lastSyncMs >= kSyncEveryMs)
        return Sync();
    return {};
}

std::string RecordingWriter::Sync()
{
    if (m_fd < 0 || !m_unsynced)
        return {};
    m_unsynced = false;
    if (::fdatasync(m_fd) != 0)
        return "Запись не ведется: " + Errno(m_path);
    return {};
}

void RecordingWriter::Close()
{
    if (m_fd < 0)
        return;
    (void)Sync();
    ::close(m_fd);
    m_fd = -1;
    m_path.clear();
}

std::string RecordingsFolder() { return StationStateFolder() + "/recordings"; }

std::string LocalDay(std::int64_t timeMs)
{
    const std::time_t seconds = static_cast<std::time_t>(timeMs / 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    char day[16];
    std::strftime(day, sizeof day, "%Y-%m-%d", &local);
    return day;
}

std::int64_t UtcNowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

DayRecorder::DayRecorder(std::string folder, std::string port, const ImageBytes& image, std::uint64_t limit)
    : m_folder(std::move(folder)), m_port(std::move(port)), m_image(image), m_limit(limit)
{
}

void DayRecorder::SetImage(const ImageBytes& image)
{
    if (image == m_image)
        return;
    m_image = image;
    m_writer.Close();
    m_day.clear();
}

std::string DayRecorder::Append(const RecordEntry& record, std::int64_t nowMs)
{
    const std::string day = LocalDay(record.timeMs);
    if (!m_writer.IsOpen() || day != m_day) {
        m_writer.Close();
        if (std::string error = OpenDay(record.timeMs); !error.empty())
            return error;
    }
    return m_writer.Append(record, nowMs);
}

std::string DayRecorder::OpenDay(std::int64_t timeMs)
{
    if (std::string error = MakeFolders(m_folder); !error.empty())
        return "Запись не ведется: " + error;
    const std::string day = LocalDay(timeMs);
    const std::string stem = m_folder + "/" + day + "-" + PortFileTag(m_port);
    RecordingHeader header{m_port, timeMs, m_image};
    std::string error;
    // The day's file goes on when it was started with the same image; another image starts the
    // next of the day, so that every file's frames belong to its header.
    for (int n = 1; n <= 99; ++n) {
        const std::string path = stem + (n == 1 ? "" : "-" + std::to_string(n)) + kRecordingExtension;
        error = m_writer.Open(path, header);
        if (error.empty()) {
            m_day = day;
            Prune();
            return {};
        }
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            break; // not a recording of another image: a real failure
    }
    return error;
}

void DayRecorder::Prune()
{
    DIR* dir = ::opendir(m_folder.c_str());
    if (!dir)
        return;
    struct Kept {
        std::string path;
        std::uint64_t size;
        std::int64_t mtime;
    };
    std::vector<Kept> files;
    std::uint64_t total = 0;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (!IsRecordingName(name))
            continue;
        const std::string path = m_folder + "/" + name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        files.push_back({path, static_cast<std::uint64_t>(st.st_size), static_cast<std::int64_t>(st.st_mtime)});
        total += static_cast<std::uint64_t>(st.st_size);
    }
    ::closedir(dir);
    const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
    // Oldest first: by the time of the last record written, then by name (the day).
    std::sort(files.begin(), files.end(),
              [](const Kept& a, const Kept& b) { return a.mtime != b.mtime ? a.mtime < b.mtime : a.path < b.path; });
    for (const Kept& file : files) {
        if (total <= m_limit)
            break;
        // Never the file being written, nor one another recorder wrote into a minute ago.
        if (file.path == m_writer.Path() || file.mtime > now - 60)
            continue;
        if (::unlink(file.path.c_str()) == 0)
            total -= file.size;
    }
}

} // namespace vlk
