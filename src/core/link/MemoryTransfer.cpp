#include "link/MemoryTransfer.h"

#include "link/ControllerMode.h"
#include "link/LinkFrames.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace vlk {

namespace {

constexpr int kSendings = 4;     // a sector is sent at most four times
constexpr int kFurtherReads = 3; // reads without a new command after a short one
constexpr int kFetches = 4;      // read commands for one sector, on reading and on checking
constexpr int kDrainReads = 8;

using Sector = std::array<std::uint8_t, kSectorSize>;

enum class Fetched {
    Whole,    // one sector arrived
    Short,    // still short after the further reads: the controller does not answer
    Overlong, // more than a sector: part of an earlier reply was still on its way
};

struct Fetch {
    Fetched result = Fetched::Short;
    bool firstShort = false; // the first read was short ("Кадр не прочитан!")
};

// The line has no checksum and no framing: a reply that is still arriving when the next
// command goes out lands in front of that command's reply and shifts it. Let such a rest in
// before the next command, so that it starts on a quiet line.
void Drain(CPort& port)
{
    std::array<std::uint8_t, 2 * kSectorSize> scratch{};
    for (int i = 0; i < kDrainReads && port.Read(scratch.data(), scratch.size()) == scratch.size(); ++i) {
    }
}

// One read command and its reads. A quick read ends at the 128th byte. A quiet read asks for one
// byte more, so it ends only after the line has been silent for the port's gap: the sector it
// gives is the controller's whole reply and nothing else, since anything left of an earlier
// reply in front of it would have made it longer. That costs the gap (20 ms) once.
Fetch FetchSector(CPort& port, int k, bool quiet, Sector& sector)
{
    const std::uint8_t command = SectorReadCommand(k);
    (void)port.Write(&command, 1);
    std::array<std::uint8_t, kSectorSize + 1> buffer{};
    const std::size_t count = quiet ? buffer.size() : kSectorSize;
    Fetch fetch;
    std::size_t got = port.Read(buffer.data(), count);
    fetch.firstShort = got < kSectorSize;
    // The command is not sent again: the rest may still be on its way.
    for (int further = 0; got < kSectorSize && further < kFurtherReads; ++further)
        got = port.Read(buffer.data(), count);
    if (got < kSectorSize) {
        fetch.result = Fetched::Short;
    } else if (got > kSectorSize) {
        Drain(port);
        fetch.result = Fetched::Overlong;
    } else {
        std::copy_n(buffer.begin(), kSectorSize, sector.begin());
        fetch.result = Fetched::Whole;
    }
    return fetch;
}

bool SameAsImage(const Sector& sector, const ImageBytes& image, int k)
{
    return std::equal(sector.begin(), sector.end(), image.begin() + static_cast<std::ptrdiff_t>(k * kSectorSize));
}

bool Gone(const CPort& port) { return port.LastReadEnd() == CPort::ReadEnd::Gone || port.DeviceGone(); }

// A reply byte is one byte. One that more bytes follow at once is part of something longer, such
// as a state frame of a controller that has restarted: look twice before trusting it.
constexpr std::chrono::milliseconds kLoneReplyWait{3};
bool MoreFollows(CPort& port)
{
    std::this_thread::sleep_for(kLoneReplyWait);
    return port.Available() > 0;
}

std::string Counted(const char* what, int done) { return std::string(what) + std::to_string(done) + " из 15"; }

// The one message of a write the line ended.
std::string WriteTroubleText(WriteResult trouble, const TransferReport& report, int sector, bool checking)
{
    const std::string done = checking ? "все 15 секторов подтверждены, проверка не закончена"
                                      : Counted("подтверждено секторов: ", report.sectorsDone);
    switch (trouble) {
    case WriteResult::LineLost:
        return "Связь с контроллером потеряна во время записи ОДД (" + done + ").\n" + kLeftInProgrammingText;
    case WriteResult::NoAnswer:
        return "Контроллер не отвечает: сектор " + std::to_string(sector + 1) +
               (checking ? " не прочитан при проверке (" : " не подтвержден после четырех отправок (") + done +
               ").\n" + kLeftInProgrammingText;
    case WriteResult::Restarted:
        return "Контроллер перезапустился сам во время записи ОДД и работает в обычном режиме (" + done +
               "): его память может быть записана не полностью. Включите режим программирования и запишите ОДД "
               "еще раз или верните прежнюю конфигурацию";
    default:
        return {};
    }
}

// The one message of a read the line ended; `backup` for the read before a write.
std::string ReadTroubleText(WriteResult trouble, int done, int sector, bool backup)
{
    const std::string what = backup ? "прежней памяти контроллера" : "ОДД";
    const std::string tail =
        backup ? ": запись ОДД не начата, память контроллера не тронута" : ": ОДД не прочитана";
    switch (trouble) {
    case WriteResult::LineLost:
        return "Связь с контроллером потеряна во время чтения " + what + " (" +
               Counted("прочитано секторов: ", done) + ")" + tail;
    case WriteResult::NoAnswer:
        return "Контроллер не отвечает: сектор " + std::to_string(sector + 1) + " " + what + " не прочитан (" +
               Counted("прочитано секторов: ", done) + ")" + tail;
    case WriteResult::Restarted:
        return "Контроллер перезапустился сам и работает в обычном режиме: чтение " + what + " прервано" + tail;
    default:
        return {};
    }
}

// Before the first sector: nothing was sent, the memory is as it was.
std::string UnaskedText(WriteResult trouble)
{
    switch (trouble) {
    case WriteResult::LineLost:
        return "Связь с контроллером потеряна: запись ОДД не начата, память контроллера не тронута";
    case WriteResult::NoAnswer:
        return "Контроллер не отвечает: запись ОДД не начата, память контроллера не тронута";
    default:
        return "Контроллер перезапустился сам и работает в обычном режиме: запись ОДД не начата, память "
               "контроллера не тронута";
    }
}

// Sorts out a reply in doubt by the line: the trouble that ends the transfer, or Written (meaning
// none: the controller is in programming mode and the transfer may go on).
WriteResult Doubt(CPort& port, bool quietAlready = false)
{
    switch (DetectMode(port, quietAlready).mode) {
    case LineMode::Programming:
        return WriteResult::Written;
    case LineMode::Normal:
        return WriteResult::Restarted;
    case LineMode::Silent:
        return WriteResult::NoAnswer;
    case LineMode::Gone:
        break;
    }
    return WriteResult::LineLost;
}

// Bytes that nobody asked for before a transfer begins: the controller may have restarted by
// itself and be sending frames. A command now would be a console command to a running junction.
WriteResult UnaskedBytes(CPort& port)
{
    if (port.DeviceGone())
        return WriteResult::LineLost;
    if (port.Available() == 0)
        return WriteResult::Written;
    return Doubt(port);
}

// What a short fetch means: the trouble that ends the transfer, or Written when the controller
// is in programming mode and merely did not send the sector whole.
WriteResult ShortFetch(CPort& port)
{
    if (Gone(port))
        return WriteResult::LineLost;
    return Doubt(port, port.LastReadEnd() == CPort::ReadEnd::Timeout);
}

// Reads every sector back and compares it with what was sent. A sector that differs is read
// again (a read can be garbled as well as the memory), up to the limit of a read. The check
// ends at a sector that cannot be read at all. Returns the message, empty when all agree;
// `trouble` is set when the line ended the check.
std::string CheckWritten(CPort& port, const ImageBytes& image, const SectorProgress& progress,
                         const StopRequested& stop, bool& stopped, bool& broken, WriteResult& trouble, int& troubleSector)
{
    std::vector<int> differing;
    int unread = -1;
    Sector sector{};
    for (int k = 0; k < static_cast<int>(kSectorCount); ++k) {
        if (stop && stop()) {
            stopped = true;
            return {};
        }
        if (progress)
            progress(TransferStep::Check, k);
        bool same = false;
        for (int fetch = 0; fetch < kFetches && !same; ++fetch) {
            // The first repeat ends on a quiet line, in case the first read was shifted.
            const Fetch f = FetchSector(port, k, fetch == 1, sector);
            if (f.result == Fetched::Short) {
                trouble = ShortFetch(port);
                if (trouble != WriteResult::Written) {
                    troubleSector = k;
                    return {};
                }
                unread = k;
                break;
            }
            same = f.result == Fetched::Whole && SameAsImage(sector, image, k);
        }
        if (unread >= 0)
            break;
        if (!same)
            differing.push_back(k);
    }

    std::string text;
    auto list = [](const std::vector<int>& sectors) {
        std::string numbers;
        for (int k : sectors) {
            if (!numbers.empty())
                numbers += ", ";
            numbers += std::to_string(k + 1);
        }
        return numbers;
    };
    if (differing.size() == 1)
        text = "Запись ОДД не подтверждена: сектор " + list(differing) + " из 15 прочитан не таким, каким записан";
    else if (differing.size() > 1)
        text = "Запись ОДД не подтверждена: секторы " + list(differing) + " из 15 прочитаны не такими, какими записаны";
    broken = unread >= 0;
    if (unread >= 0) {
        if (!text.empty())
            text += '\n';
        text += "Запись ОДД не подтверждена: сектор " + std::to_string(unread + 1) +
                " из 15 не прочитан, проверка прервана";
    }
    return text;
}

} // namespace

WriteResult WriteControllerMemory(CPort& port, Messages& messages, const ImageBytes& image,
                                  const SectorProgress& progress, const StopRequested& stop, TransferReport* report)
{
    TransferReport local;
    TransferReport& done = report ? *report : local;
    done = TransferReport{};
    if (!port.IsOpen()) {
        messages.Show("Порт не открыт!");
        return WriteResult::PortNotOpen;
    }
    // One message for a transfer the line ended; the controller's state is part of it.
    const auto ended = [&](WriteResult trouble, int sector, bool checking) {
        done.trouble = trouble;
        messages.Show(WriteTroubleText(trouble, done, sector, checking), MessageIcon::Stop);
        return trouble;
    };
    if (const WriteResult early = UnaskedBytes(port); early != WriteResult::Written) {
        done.trouble = early;
        messages.Show(UnaskedText(early), MessageIcon::Stop);
        return early;
    }
    bool success = true;
    for (int k = 0; k < static_cast<int>(kSectorCount); ++k) {
        if (stop && stop())
            return WriteResult::Stopped;
        if (progress)
            progress(TransferStep::Write, k);
        const std::uint8_t command = SectorWriteCommand(k);
        const std::uint8_t* sector = image.data() + k * kSectorSize;
        std::uint8_t reply = 0;
        bool acknowledged = false;
        int silent = 0;
        for (int sending = 0; sending < kSendings && !acknowledged; ++sending) {
            done.touched = true;
            if (!port.Write(&command, 1)) {
                if (port.DeviceGone())
                    return ended(WriteResult::LineLost, k, false);
                messages.Show("Команда не записана");
            }
            if (!port.Write(sector, kSectorSize)) {
                if (port.DeviceGone())
                    return ended(WriteResult::LineLost, k, false);
                messages.Show("Сектор не записан");
            }
            reply = 0;
            const bool got = port.Read(&reply, 1) == 1;
            if (Gone(port))
                return ended(WriteResult::LineLost, k, false);
            if (!got) {
                ++silent;
                continue;
            }
            const bool lone = !MoreFollows(port);
            if (lone && reply == command) {
                acknowledged = true;
                break;
            }
            // A refusal or a zero answer is the controller answering wrongly: sent again, as
            // always. Anything else (a garbled acknowledgement, bytes of a frame) is looked into
            // before the sector goes out again.
            if (lone && (reply == SectorRefusedReply(k) || reply == 0))
                continue;
            if (const WriteResult trouble = Doubt(port); trouble != WriteResult::Written)
                return ended(trouble, k, false);
        }
        if (!acknowledged) {
            if (silent == kSendings)
                return ended(WriteResult::NoAnswer, k, false);
            messages.Show("Отказ при записи ОДД", MessageIcon::Stop);
            success = false;
            break;
        }
        done.sectorsDone = k + 1;
    }
    if (!success) {
        messages.Show(std::string("Память ОДД не записана, повторите!\n") + kLeftInProgrammingText);
        return WriteResult::Failed;
    }
    // An acknowledgement says a sector arrived, not what arrived: only the memory read back
    // tells whether it holds the image.
    // The check begins with sector 0, whose read command is "ЖМ" to a running junction: not into
    // a controller that has begun to send frames.
    if (const WriteResult restarted = UnaskedBytes(port); restarted != WriteResult::Written)
        return ended(restarted, 0, true);
    bool stopped = false;
    bool broken = false;
    WriteResult trouble = WriteResult::Written;
    int troubleSector = 0;
    const std::string mismatch = CheckWritten(port, image, progress, stop, stopped, broken, trouble, troubleSector);
    if (trouble != WriteResult::Written)
        return ended(trouble, troubleSector, true);
    if (stopped)
        return WriteResult::Stopped;
    if (!mismatch.empty()) {
        messages.Show(mismatch, MessageIcon::Stop);
        messages.Show(std::string("Память ОДД не записана, повторите!\n") + kLeftInProgrammingText);
        return broken ? WriteResult::Unchecked : WriteResult::Unconfirmed;
    }
    messages.Show("Запись ОДД закончена");
    return WriteResult::Written;
}

std::optional<ImageBytes> ReadControllerMemory(CPort& port, Messages& messages, const SectorProgress& progress,
                                               const StopRequested& stop, TransferReport* report, TransferStep step)
{
    TransferReport local;
    TransferReport& done = report ? *report : local;
    done = TransferReport{};
    const bool backup = step == TransferStep::Backup;
    if (!port.IsOpen()) {
        messages.Show("Порт не открыт!");
        return std::nullopt;
    }
    const auto ended = [&](WriteResult trouble, int sector) {
        done.trouble = trouble;
        messages.Show(ReadTroubleText(trouble, done.sectorsDone, sector, backup), MessageIcon::Stop);
        return std::nullopt;
    };
    if (const WriteResult early = UnaskedBytes(port); early != WriteResult::Written)
        return ended(early, 0);
    // Nothing on the line tells a garbled or shifted sector from a good one, so a sector counts
    // only when two reads of it agree and nothing of an earlier reply can have been in front of
    // either. Two quick passes over the 15 sectors, each followed by a quiet line (a byte still
    // arriving there means some reply of the pass came shifted, and the pass counts for nothing),
    // cost the line's gap twice instead of once a sector. A sector the passes do not agree on is
    // then read on its own until two reads agree, the later one quiet.
    ImageBytes image{};
    Sector sector{};
    bool noticed = false; // "Кадр не прочитан!" is said once a read
    auto notice = [&] {
        if (!noticed && !backup)
            messages.Show("Кадр не прочитан!");
        noticed = true;
    };
    auto refuse = [&](int k) {
        messages.Show(backup ? "Прежняя память контроллера не прочитана: сектор " + std::to_string(k + 1) +
                                   " не удалось прочитать одинаково дважды; запись ОДД не начата, память "
                                   "контроллера не тронута"
                             : std::string("Отказ при чтении ОДД"),
                      MessageIcon::Stop);
    };
    // A short read ends the whole read: the trouble the line tells, or a refusal.
    enum class Pass { Done, Stopped, Failed };
    std::array<Sector, kSectorCount> first{};
    std::array<bool, kSectorCount> agreed{};
    std::array<Sector, kSectorCount> second{};
    bool firstQuiet = false;
    bool secondQuiet = false;
    auto quickPass = [&](std::array<Sector, kSectorCount>& into, bool& quietAfter) -> Pass {
        for (int k = 0; k < static_cast<int>(kSectorCount); ++k) {
            if (stop && stop())
                return Pass::Stopped;
            if (progress)
                progress(step, k);
            const Fetch f = FetchSector(port, k, false, into[static_cast<std::size_t>(k)]);
            if (f.result == Fetched::Short) {
                if (const WriteResult trouble = ShortFetch(port); trouble != WriteResult::Written) {
                    (void)ended(trouble, k);
                    return Pass::Failed;
                }
                notice();
                refuse(k);
                return Pass::Failed;
            }
            if (f.firstShort)
                notice();
            // A sector counts as read once the second pass finds it as the first did.
            if (&into == &second && firstQuiet && done.sectorsDone == k &&
                first[static_cast<std::size_t>(k)] == second[static_cast<std::size_t>(k)])
                done.sectorsDone = k + 1;
        }
        // The line's gap of silence after the last reply: a byte in it was still on its way.
        std::this_thread::sleep_for(CPort::kInterByteTimeout);
        quietAfter = port.Available() == 0;
        if (!quietAfter) {
            Drain(port);
            notice();
        }
        return Pass::Done;
    };
    for (auto* pass : {&first, &second}) {
        bool& quiet = pass == &first ? firstQuiet : secondQuiet;
        switch (quickPass(*pass, quiet)) {
        case Pass::Stopped:
        case Pass::Failed:
            return std::nullopt;
        case Pass::Done:
            break;
        }
    }
    for (std::size_t k = 0; k < kSectorCount; ++k) {
        agreed[k] = firstQuiet && secondQuiet && first[k] == second[k];
        if (agreed[k])
            std::memcpy(image.data() + k * kSectorSize, first[k].data(), kSectorSize);
        else if (firstQuiet && secondQuiet)
            notice(); // two reads of the sector differ
    }
    for (int k = 0; k < static_cast<int>(kSectorCount); ++k) {
        if (agreed[static_cast<std::size_t>(k)])
            continue;
        if (stop && stop())
            return std::nullopt;
        if (progress)
            progress(step, k);
        // Two reads alike, the later one quiet. A pass that ended on a quiet line counts as the
        // first of them, so one quiet read that agrees with it is enough.
        std::vector<Sector> seen;
        if (secondQuiet)
            seen.push_back(second[static_cast<std::size_t>(k)]);
        else if (firstQuiet)
            seen.push_back(first[static_cast<std::size_t>(k)]);
        bool same = false;
        for (int fetch = 0; fetch < kFetches && !same; ++fetch) {
            const bool quiet = fetch > 0 || !seen.empty();
            const Fetch f = FetchSector(port, k, quiet, sector);
            if (f.result == Fetched::Short) {
                if (const WriteResult trouble = ShortFetch(port); trouble != WriteResult::Written)
                    return ended(trouble, k);
                notice();
                refuse(k);
                return std::nullopt;
            }
            if (f.firstShort || f.result != Fetched::Whole)
                notice();
            if (f.result == Fetched::Overlong)
                continue;
            same = quiet && std::find(seen.begin(), seen.end(), sector) != seen.end();
            if (!same && !seen.empty())
                notice();
            seen.push_back(sector);
        }
        if (!same) {
            notice();
            refuse(k);
            return std::nullopt;
        }
        std::memcpy(image.data() + k * kSectorSize, sector.data(), kSectorSize);
    }
    done.sectorsDone = static_cast<int>(kSectorCount);
    return image;
}

} // namespace vlk
