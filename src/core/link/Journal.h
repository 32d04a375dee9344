#pragma once

// The journal of what was done to controllers: every memory write, read and compare, every clock
// setting and every operator command of the console, one JSON object a line in
// <state>/journal.jsonl, shared by the station and vlkctl. An append is one write(2) of a whole
// line to the file opened with O_APPEND, then fdatasync, so processes appending at once never mix
// their lines. A journal that cannot be written never stops the action it records.

#include <cstdint>
#include <string>

namespace vlk {

struct JournalEntry {
    std::string program;               // "station" or "vlkctl"
    std::string port;                  // as the user named it: "COM1:", "/dev/ttyUSB0"
    std::string action;                // write, read, compare, clock, control-taken, control-released,
                                       // phase-call, yellow-flashing, all-red
    std::string file;                  // the configuration file concerned, when there is one
    std::string fileFingerprint;       // CRC-32 of the file's (or the pages') image
    std::string controllerFingerprint; // CRC-32 of the controller's memory, when it is known
    std::string result;                // "ok", "failed", "different", "stopped", ...
    std::string message;               // what the user was told, or the command's detail
};

// <state>/journal.jsonl (see StationStateFolder).
[[nodiscard]] std::string JournalPath();

// The line appended for `entry` at `unixMilliseconds` (time with the local zone's offset, user,
// host), without its newline.
[[nodiscard]] std::string JournalLine(const JournalEntry& entry, std::int64_t unixMilliseconds);

// Appends the entry, stamped now. Empty on success; else why in Russian, but only the first time
// in this process that the journal fails (so a user is told once, not at every action), and
// empty again after that.
[[nodiscard]] std::string AppendToJournal(const JournalEntry& entry);

// The same, to the file `path`, and reporting every failure (for tests and for callers that keep
// their own count).
[[nodiscard]] std::string AppendJournalLine(const std::string& path, const std::string& line);

} // namespace vlk
