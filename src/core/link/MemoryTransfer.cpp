#include "link/MemoryTransfer.h"

#include "link/LinkFrames.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace vlk {

namespace {
constexpr int kSendings = 4;   // a sector is sent at most four times
constexpr int kFurtherReads = 3;
} // namespace

WriteResult WriteControllerMemory(CPort& port, Messages& messages, const ImageBytes& image,
                                  const SectorProgress& progress)
{
    if (!port.IsOpen()) {
        messages.Show("Порт не открыт!");
        return WriteResult::PortNotOpen;
    }
    bool success = true;
    for (int k = 0; k < static_cast<int>(kSectorCount); ++k) {
        if (progress)
            progress(k);
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
    if (success) {
        messages.Show("Запись ОДД закончена");
        return WriteResult::Written;
    }
    messages.Show("Память ОДД не записана, повторите!");
    return WriteResult::Failed;
}

std::optional<ImageBytes> ReadControllerMemory(CPort& port, Messages& messages, const SectorProgress& progress)
{
    if (!port.IsOpen()) {
        messages.Show("Порт не открыт!");
        return std::nullopt;
    }
    ImageBytes image{};
    std::array<std::uint8_t, kSectorSize> sector{};
    for (int k = 0; k < static_cast<int>(kSectorCount); ++k) {
        if (progress)
            progress(k);
        const std::uint8_t command = SectorReadCommand(k);
        (void)port.Write(&command, 1);
        bool whole = port.Read(sector.data(), sector.size()) == kSectorSize;
        if (!whole)
            messages.Show("Кадр не прочитан!");
        // The command is not sent again: the rest may still be on its way.
        for (int further = 0; !whole && further < kFurtherReads; ++further)
            whole = port.Read(sector.data(), sector.size()) == kSectorSize;
        if (!whole) {
            messages.Show("Отказ при чтении ОДД", MessageIcon::Stop);
            return std::nullopt;
        }
        std::memcpy(image.data() + k * kSectorSize, sector.data(), kSectorSize);
    }
    return image;
}

} // namespace vlk
