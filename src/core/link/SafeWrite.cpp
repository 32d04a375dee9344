#include "link/SafeWrite.h"

#include "util/Crc32.h"
#include "util/WholeFile.h"

#include <algorithm>
#include <ctime>
#include <vector>

namespace vlk {

SafeWriteOutcome WriteWithBackup(CPort& port, const std::string& portName, Messages& messages, const ImageBytes& image,
                                 const SectorProgress& progress, const StopRequested& stop)
{
    SafeWriteOutcome outcome;
    if (!port.IsOpen()) {
        messages.Show("Порт не открыт!");
        return outcome;
    }
    TransferReport readReport;
    const std::optional<ImageBytes> before =
        ReadControllerMemory(port, messages, progress, stop, &readReport, TransferStep::Backup);
    if (!before) {
        // A stop gives no message; every failure has said its own.
        outcome.result = stop && stop() ? WriteResult::Stopped : WriteResult::BackupFailed;
        if (readReport.trouble != WriteResult::Written)
            outcome.result = readReport.trouble;
        return outcome;
    }
    std::string error;
    outcome.backup = KeepMemoryBackup(*before, portName, std::time(nullptr), error);
    if (!outcome.backup) {
        messages.Show("Прежняя память контроллера не сохранена (" + error +
                          "): запись ОДД не начата, память контроллера не тронута",
                      MessageIcon::Stop);
        outcome.result = WriteResult::BackupFailed;
        return outcome;
    }
    // After a write that was not confirmed the memory is a mixture: the backup to put back stays
    // the one taken before the first of those writes, not this one.
    if (const auto earlier = IncompleteWrite(portName)) {
        std::vector<std::uint8_t> bytes;
        if (ReadRegularFile(*earlier, kImageSize, bytes).empty() && bytes.size() == kImageSize) {
            std::copy(bytes.begin(), bytes.end(), outcome.backup->image.begin());
            outcome.backup->path = *earlier;
            outcome.backup->fingerprint = Crc32::Hex(Crc32::Of(outcome.backup->image));
        }
    } else {
        // The mark is a help for a later run, never a reason to hold the write back.
        (void)MarkIncompleteWrite(portName, outcome.backup->path);
    }
    outcome.result = WriteControllerMemory(port, messages, image, progress, stop, &outcome.report);
    if (outcome.result == WriteResult::Written)
        ClearIncompleteWrite(portName);
    return outcome;
}

WriteSession WriteAndRestart(CPort& port, const std::string& portName, Messages& messages, const ImageBytes& image,
                             const SectorProgress& progress, const StopRequested& stop)
{
    WriteSession session;
    const ProgrammingEntry entry = EnterProgrammingMode(port, portName, messages);
    session.entry = entry.result;
    if (!entry.Accepted())
        return session;
    const auto leave = [&] { session.restarted = ExitProgrammingMode(port, messages, std::chrono::milliseconds(0)); };
    // A memory an earlier write left unconfirmed is no memory to restart on, even untouched now.
    const bool mixture = IncompleteWrite(portName).has_value();
    if (stop && stop()) {
        session.stoppedBeforeWrite = true;
        if (!mixture)
            leave();
        return session;
    }
    session.outcome = WriteWithBackup(port, portName, messages, image, progress, stop);
    if (session.outcome.result == WriteResult::Unconfirmed && !(stop && stop())) {
        // Still in programming mode: one more try before the controller restarts. (Not when the
        // read-back broke off: the line is the trouble then, not what it carried.)
        messages.Show("Повторная запись ОДД");
        session.outcome.result =
            WriteControllerMemory(port, messages, image, progress, stop, &session.outcome.report);
        session.outcome.report.touched = true;
        if (session.outcome.result == WriteResult::Written)
            ClearIncompleteWrite(portName);
    }
    const WriteResult result = session.outcome.result;
    if (result == WriteResult::Restarted)
        return session; // running again by itself: a toggle would take it back
    session.stoppedBeforeWrite = !session.outcome.report.touched && result == WriteResult::Stopped;
    if (result == WriteResult::Written || (!session.outcome.report.touched && !mixture))
        leave();
    return session;
}

} // namespace vlk
