#pragma once

#include "link/MemoryBackup.h"
#include "link/MemoryTransfer.h"
#include "link/ProgrammingMode.h"

#include <optional>
#include <string>

namespace vlk {

struct SafeWriteOutcome {
    WriteResult result = WriteResult::PortNotOpen;
    TransferReport report;               // of the write itself (nothing touched before it)
    std::optional<MemoryBackup> backup;  // the memory as it was, once kept
};

// The memory write that never leaves a controller to run what nobody wrote. Over a port in
// programming mode: reads the memory as it is (verified, as a read), keeps it as a backup file,
// marks the port's write as begun, then writes and verifies the image (WriteControllerMemory).
// Only a confirmed write clears the mark. When the memory cannot be read or kept, nothing is
// written (BackupFailed, with one message). A stop during the backup read gives Stopped with the
// memory untouched (report.touched false). Leaving programming mode is the caller's: only after
// Written, or on the user's explicit word.
[[nodiscard]] SafeWriteOutcome WriteWithBackup(CPort& port, const std::string& portName, Messages& messages,
                                               const ImageBytes& image, const SectorProgress& progress = {},
                                               const StopRequested& stop = {});

// A whole write of a controller from normal mode, as vlkctl makes it: programming mode on, the
// backup and the write (once more when the read-back differs), and programming mode off only after
// a confirmed write, or when not a byte of the memory was written (a stop or a failure before the
// first sector). Every other end leaves the controller in programming mode, where it runs nothing
// until its memory is whole again or the user decides otherwise.
struct WriteSession {
    EntryResult entry = EntryResult::PortNotOpen;
    SafeWriteOutcome outcome;               // its result is the last write's
    bool restarted = false;                 // the session took the controller out of programming mode
    bool stoppedBeforeWrite = false;        // a stop came before the first sector
};
[[nodiscard]] WriteSession WriteAndRestart(CPort& port, const std::string& portName, Messages& messages,
                                           const ImageBytes& image, const SectorProgress& progress = {},
                                           const StopRequested& stop = {});

} // namespace vlk
