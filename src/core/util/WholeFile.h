#pragma once

// Files read and written whole, for every program of the station: the *.vlk image, JSON, PDF,
// text outputs. One place decides what a path may be: a regular file is replaced whole or not at
// all, a symbolic link is followed to its target, a character device or FIFO (/dev/stdout, a
// pipe) is written straight into, and anything else is refused, never replaced.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vlk {

// Writes `bytes` as the whole of `path`. A regular file (or a missing one) is replaced through a
// temporary file beside it that is synced and renamed over it, so a failed write leaves the old
// file byte for byte and nothing beside it; the replaced file's mode is kept. A symbolic link is
// followed: its target is replaced (created where the link dangles) and the link stays. A
// character device or a FIFO gets the bytes written straight into it. A folder, a socket or a
// block device is refused. Returns an empty text, or why it failed in Russian; `error`, when
// given, gets the errno behind the failure (0 where the refusal is the writer's own).
[[nodiscard]] std::string WriteWholeFile(const std::string& path, std::span<const std::uint8_t> bytes,
                                         int* error = nullptr);

// What ReadRegularFile does with a file longer than its limit.
enum class LongerFile {
    Refuse,     // the file is refused, nothing is read
    ReadPrefix, // the first `limit` bytes are read
};

// Reads the regular file `path` into `bytes` (at most `limit` bytes). Never waits: a FIFO, a
// device, a socket or a folder is refused without a byte read (the file is opened with
// O_NONBLOCK and looked at before reading). Returns an empty text, or why in Russian; `bytes` is
// then empty, and `error`, when given, gets the errno behind it (0 where the refusal is the
// reader's own). `size`, when given, gets the whole file's size in bytes, so that a caller that
// read a prefix can still name it.
[[nodiscard]] std::string ReadRegularFile(const std::string& path, std::size_t limit, std::vector<std::uint8_t>& bytes,
                                          LongerFile longer = LongerFile::Refuse, int* error = nullptr,
                                          std::uint64_t* size = nullptr);

// An output checked and its room taken before the work that makes its bytes (a memory read over
// the line takes seconds): Reserve creates the temporary file beside the target and writes
// `size` bytes into it and syncs them, so a read-only folder or a full disk fails at once.
// Commit then writes the real bytes into it and renames it over the target, as WriteWholeFile
// does. A reservation dropped without a commit removes its temporary file. A character device or
// FIFO reserves nothing; Commit writes straight into it.
class WholeFileReservation {
public:
    // Empty, with `error` set in Russian, where `path` cannot take the file now (an empty path
    // included); `errorCode`, when given, gets the errno behind it (0 for the writer's own).
    [[nodiscard]] static std::optional<WholeFileReservation> Reserve(const std::string& path, std::size_t size,
                                                                     std::string& error, int* errorCode = nullptr);

    WholeFileReservation(WholeFileReservation&& other) noexcept;
    WholeFileReservation& operator=(WholeFileReservation&& other) noexcept;
    WholeFileReservation(const WholeFileReservation&) = delete;
    WholeFileReservation& operator=(const WholeFileReservation&) = delete;
    ~WholeFileReservation();

    // Empty on success, else why in Russian (the target then stays as it was). A reservation
    // commits once; `error`, when given, gets the errno behind a failure.
    [[nodiscard]] std::string Commit(std::span<const std::uint8_t> bytes, int* error = nullptr);

    // The file that Commit writes: the path given, or the target of its symbolic link.
    [[nodiscard]] const std::string& Target() const { return m_target; }

private:
    WholeFileReservation() = default;
    void Drop();

    std::string m_target;
    std::string m_temp; // empty for a device or FIFO, and once committed
    int m_fd = -1;
    bool m_straight = false;
    bool m_spent = false;
};

} // namespace vlk
