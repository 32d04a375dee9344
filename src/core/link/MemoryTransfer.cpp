#include "link/MemoryTransfer.h"

#include "link/LinkFrames.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
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

// Reads every sector back and compares it with what was sent. A sector that differs is read
// again (a read can be garbled as well as the memory), up to the limit of a read. The check
// ends at a sector that cannot be read at all. Returns the message, empty when all agree.
std::string CheckWritten(CPort& port, const ImageBytes& image, const SectorProgress& progress,
                         const StopRequested& stop, bool& stopped, bool& broken)
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
                                  const SectorProgress& progress, const StopRequested& stop)
{
    if (!port.IsOpen()) {
        messages.Show("Порт не открыт!");
        return WriteResult::PortNotOpen;
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
        auto send = [&] {
            if (!port.Write(&command, 1))
                messages.Show("Команда не записана");
            if (!port.Write(sector, kSectorSize))
                messages.Show("Сектор не записан");
            reply = 0;
            (void)port.Read(&reply, 1);
        };
        send();
        int sendings = 1;
        while (sendings < kSendings && reply != command) {
            ++sendings;
            send();
        }
        // Only the sector's own acknowledgement counts: any other last reply (refusal, silence
        // or a stray byte) means the controller did not confirm the sector.
        if (reply != command) {
            messages.Show("Отказ при записи ОДД", MessageIcon::Stop);
            success = false;
            break;
        }
    }
    if (!success) {
        messages.Show("Память ОДД не записана, повторите!");
        return WriteResult::Failed;
    }
    // An acknowledgement says a sector arrived, not what arrived: only the memory read back
    // tells whether it holds the image.
    bool stopped = false;
    bool broken = false;
    const std::string mismatch = CheckWritten(port, image, progress, stop, stopped, broken);
    if (stopped)
        return WriteResult::Stopped;
    if (!mismatch.empty()) {
        messages.Show(mismatch, MessageIcon::Stop);
        messages.Show("Память ОДД не записана, повторите!");
        return broken ? WriteResult::Unchecked : WriteResult::Unconfirmed;
    }
    messages.Show("Запись ОДД закончена");
    return WriteResult::Written;
}

std::optional<ImageBytes> ReadControllerMemory(CPort& port, Messages& messages, const SectorProgress& progress,
                                               const StopRequested& stop)
{
    if (!port.IsOpen()) {
        messages.Show("Порт не открыт!");
        return std::nullopt;
    }
    ImageBytes image{};
    Sector sector{};
    for (int k = 0; k < static_cast<int>(kSectorCount); ++k) {
        if (stop && stop())
            return std::nullopt;
        if (progress)
            progress(TransferStep::Read, k);
        // Nothing on the line tells a garbled or shifted sector from a good one, so a sector
        // counts only when two reads of it agree, the later one quiet (see FetchSector).
        std::vector<Sector> seen;
        bool noticed = false;
        auto notice = [&] {
            if (!noticed)
                messages.Show("Кадр не прочитан!");
            noticed = true;
        };
        bool agreed = false;
        for (int fetch = 0; fetch < kFetches && !agreed; ++fetch) {
            const bool quiet = fetch > 0;
            const Fetch f = FetchSector(port, k, quiet, sector);
            if (f.firstShort || f.result != Fetched::Whole)
                notice();
            if (f.result == Fetched::Short) {
                messages.Show("Отказ при чтении ОДД", MessageIcon::Stop);
                return std::nullopt;
            }
            if (f.result == Fetched::Overlong)
                continue;
            agreed = quiet && std::find(seen.begin(), seen.end(), sector) != seen.end();
            if (!agreed && !seen.empty())
                notice(); // two reads of the sector differ
            seen.push_back(sector);
        }
        if (!agreed) {
            notice();
            messages.Show("Отказ при чтении ОДД", MessageIcon::Stop);
            return std::nullopt;
        }
        std::memcpy(image.data() + k * kSectorSize, sector.data(), kSectorSize);
    }
    return image;
}

} // namespace vlk
