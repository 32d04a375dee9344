#include "config/ConfigurationImage.h"

#include "util/NumberText.h"

#include <algorithm>
#include <cassert>
#include <cstdio>
#include <limits>

namespace vlk {

namespace {

constexpr std::uint8_t kEmptyPair = 0xFF;
constexpr int kPairsPerDay = 10;
constexpr std::size_t kAccountField = kImageSize - ImageOffset::AccountRecord; // 160
constexpr int kRpIndex = kRequestCount - 1;

constexpr std::array<const char*, kDayCount> kDayNames{"ПН", "ВТ", "СР", "ЧТ", "ПТ", "СБ", "ВС"};

std::string SlotTime(int slot)
{
    char text[24];
    std::snprintf(text, sizeof text, "%02d:%02d", slot / 2, slot % 2 * 30);
    return text;
}

// "1 байт", "3 байта", "12 байт": the count the short-file message names.
std::string Bytes(std::size_t count)
{
    const std::size_t last2 = count % 100;
    const std::size_t last = count % 10;
    const char* word = "байт";
    if (last2 < 11 || last2 > 14) {
        if (last >= 2 && last <= 4)
            word = "байта";
    }
    return std::to_string(count) + " " + word;
}

// Writes sections one after another; the asserts keep each section where the layout puts it.
class Writer {
public:
    explicit Writer(ImageBytes& image) : m_image(image) {}
    void Put(std::uint8_t value) { m_image[m_pos++] = value; }
    [[nodiscard]] std::size_t Pos() const { return m_pos; }

private:
    ImageBytes& m_image;
    std::size_t m_pos = 0;
};

class Reader {
public:
    explicit Reader(std::span<const std::uint8_t> image) : m_image(image) {}
    std::uint8_t Get() { return m_image[m_pos++]; }
    void Skip(std::size_t count) { m_pos += count; }
    [[nodiscard]] std::size_t Pos() const { return m_pos; }

private:
    std::span<const std::uint8_t> m_image;
    std::size_t m_pos = 0;
};

bool IsSwitchValue(int value) { return value >= 1 && value <= kYellowMode; }

} // namespace

const std::array<std::string_view, kRequestCount>& ConfigurationImage::RequestCodes()
{
    static constexpr std::array<std::string_view, kRequestCount> codes{
        "РУП", "РУС", "ЗУ", "ДУ", "КУ", "ПР0", "ТВП", "МГР", "ЛС", "РП"};
    return codes;
}

std::array<std::uint8_t, kRequestCount>
ConfigurationImage::RepairPriorities(const std::array<std::uint8_t, kRequestCount>& priority)
{
    std::array<int, kRequestCount + 1> holders{}; // how many of the first nine codes claim a byte
    for (int code = 0; code < kRpIndex; ++code) {
        if (priority[code] >= 1 && priority[code] <= kRpIndex)
            ++holders[priority[code]];
    }
    std::array<std::uint8_t, kRequestCount> repaired{};
    std::array<bool, kRequestCount + 1> taken{};
    for (int code = 0; code < kRpIndex; ++code) {
        const std::uint8_t p = priority[code];
        if (p >= 1 && p <= kRpIndex && holders[p] == 1) {
            repaired[code] = p;
            taken[p] = true;
        }
    }
    std::uint8_t next = 1;
    for (int code = 0; code < kRpIndex; ++code) {
        if (repaired[code] != 0)
            continue;
        while (taken[next])
            ++next;
        repaired[code] = next;
        taken[next] = true;
    }
    repaired[kRpIndex] = kRequestCount;
    return repaired;
}

ImageBytes ConfigurationImage::Encode(const Configuration& c)
{
    ImageBytes image{};
    Writer out(image);

    out.Put(c.circularRedTime);
    for (std::uint8_t t : c.phaseMinTime)
        out.Put(t);
    for (const auto& program : c.programDuration)
        for (std::uint8_t t : program)
            out.Put(t);

    // A delay of 128 would read back as the master mark and silently make this controller the
    // master; the nearest delay that keeps it a slave is written instead (Validate reports it).
    if (c.masterController)
        out.Put(kMasterMark);
    else
        out.Put(c.syncDelay == kMasterMark ? std::uint8_t{kMasterMark - 1} : c.syncDelay);

    for (const Direction& d : c.directions) {
        out.Put(d.phaseMask);
        for (std::uint8_t t : d.stepTimes)
            out.Put(t);
    }

    assert(out.Pos() == ImageOffset::Week);
    // Only the first ten switch points of a day fit its twenty bytes; slot values the chart
    // cannot hold (outside 1..10) are no switch points at all.
    for (const DaySchedule& day : c.week) {
        int pairs = 0;
        for (int slot = 0; slot < kSlotCount && pairs < kPairsPerDay; ++slot) {
            const int value = day[slot];
            if (!IsSwitchValue(value))
                continue;
            out.Put(static_cast<std::uint8_t>(value == kYellowMode ? 0 : value));
            out.Put(static_cast<std::uint8_t>(slot));
            ++pairs;
        }
        for (; pairs < kPairsPerDay; ++pairs) {
            out.Put(kEmptyPair);
            out.Put(kEmptyPair);
        }
    }

    // The writer looks up each code's row; a configuration that is no full order would leave
    // codes without a row, so it is written the way a reader would repair it.
    const auto priority = RepairPriorities(c.priority);
    for (std::uint8_t p : priority)
        out.Put(p);
    for (std::size_t i = ImageOffset::Reserved; i < ImageOffset::Tvp1; ++i)
        out.Put(0xFF);

    for (std::uint8_t phase : c.tvp1)
        out.Put(phase <= kPhaseCount ? phase : 0);
    for (std::uint8_t phase : c.tvp2)
        out.Put(phase <= kPhaseCount ? phase : 0);

    for (std::uint64_t outputs : c.waitBoards) {
        for (int g = 0; g < 4; ++g) {
            out.Put(static_cast<std::uint8_t>(outputs >> (12 * g) & 0xFF));
            out.Put(static_cast<std::uint8_t>(outputs >> (12 * g + 8) & 0x0F));
        }
    }
    for (std::uint16_t channels : c.redSensors) {
        out.Put(static_cast<std::uint8_t>(channels & 0xFF));
        out.Put(static_cast<std::uint8_t>(channels >> 8 & 0xFF));
    }
    for (std::uint32_t sensors : c.greenSensors)
        for (int q = 0; q < 4; ++q)
            out.Put(static_cast<std::uint8_t>(sensors >> (6 * q) & 0x3F));

    assert(out.Pos() == ImageOffset::LampOutputs);
    for (int g = 0; g < 4; ++g) {
        for (std::uint64_t outputs : c.lampOutputs)
            out.Put(static_cast<std::uint8_t>(outputs >> (12 * g) & 0xFF));
        for (std::uint64_t outputs : c.lampOutputs)
            out.Put(static_cast<std::uint8_t>(outputs >> (12 * g + 8) & 0x0F));
    }

    for (const auto& row : c.minSignalTime)
        for (std::uint8_t t : row)
            out.Put(t);
    for (const auto& row : c.interGreen)
        for (std::uint8_t t : row)
            out.Put(t);

    assert(out.Pos() == ImageOffset::AccountRecord);
    // The text ends at its first zero byte (the reader stops there) and at the 159 bytes of room;
    // the rest of the field, terminator included, stays zero.
    const std::string& text = c.accountRecord;
    const std::size_t length =
        std::min({text.find('\0') == std::string::npos ? text.size() : text.find('\0'),
                  static_cast<std::size_t>(kAccountRecordRoom)});
    for (std::size_t i = 0; i < length; ++i)
        out.Put(static_cast<std::uint8_t>(text[i]));
    return image;
}

DecodeResult ConfigurationImage::Decode(std::span<const std::uint8_t> bytes)
{
    DecodeResult result;
    if (bytes.size() < kImageSize) {
        result.problems.push_back("Данные конфигурации неполные: " + Bytes(bytes.size()) +
                                  " вместо 1920. Ничего не загружено.");
        return result;
    }
    if (bytes.size() > kImageSize) {
        result.problems.push_back("Данные конфигурации длиннее 1920 байт (" +
                                  Bytes(bytes.size()) + "): лишнее не прочитано.");
    }
    Reader in(bytes.first(kImageSize));
    auto& problems = result.problems;
    Configuration c;

    c.circularRedTime = in.Get();
    for (std::uint8_t& t : c.phaseMinTime)
        t = in.Get();
    for (auto& program : c.programDuration)
        for (std::uint8_t& t : program)
            t = in.Get();

    const std::uint8_t sync = in.Get();
    c.masterController = sync == kMasterMark;
    c.syncDelay = c.masterController ? 0 : sync;
    if (!c.masterController && sync > kMasterMark) {
        problems.push_back("Время задержки синхронизации " + std::to_string(sync) +
                           " вне диапазона 0..127.");
    }

    for (Direction& d : c.directions) {
        d.phaseMask = in.Get();
        for (std::uint8_t& t : d.stepTimes)
            t = in.Get();
    }

    for (int day = 0; day < kDayCount; ++day) {
        DaySchedule& slots = c.week[day];
        slots.fill(0);
        const std::string prefix = std::string("График ") + kDayNames[day] + ": ";
        for (int pair = 0; pair < kPairsPerDay; ++pair) {
            const std::uint8_t program = in.Get();
            const std::uint8_t slot = in.Get();
            if (program == kEmptyPair)
                continue;
            if (slot >= kSlotCount) {
                problems.push_back(prefix + "переключение на получас " + std::to_string(slot) +
                                   " (вне 0..47) пропущено.");
                continue;
            }
            const int value = program == 0 ? kYellowMode : program;
            if (value > kYellowMode) {
                problems.push_back(prefix + "неизвестная программа " + std::to_string(program) +
                                   " в " + SlotTime(slot) + " пропущена.");
                continue;
            }
            if (slots[slot] != 0) {
                problems.push_back(prefix + "повторное переключение в " + SlotTime(slot) +
                                   " пропущено.");
                continue;
            }
            slots[slot] = value;
        }
    }

    std::array<std::uint8_t, kRequestCount> stored{};
    for (std::uint8_t& p : stored)
        p = in.Get();
    c.priority = RepairPriorities(stored);
    if (c.priority != stored) {
        std::array<std::string_view, kRequestCount> order{};
        for (int code = 0; code < kRequestCount; ++code)
            order[c.priority[code] - 1] = RequestCodes()[code];
        std::string text = "Приоритеты запросов повреждены и восстановлены:";
        for (int i = 0; i < kRequestCount; ++i)
            text += (i == 0 ? " " : ", ") + std::string(order[i]);
        problems.push_back(text + ".");
    }
    in.Skip(ImageOffset::Tvp1 - ImageOffset::Reserved);

    for (int call = 1; call <= 2; ++call) {
        auto& phases = call == 1 ? c.tvp1 : c.tvp2;
        for (int program = 0; program < kProgramCount; ++program) {
            const std::uint8_t phase = in.Get();
            if (phase <= kPhaseCount) {
                phases[program] = phase;
            } else {
                problems.push_back("Программа " + std::to_string(program + 1) + ": фаза ТВП" +
                                   std::to_string(call) + " " + std::to_string(phase) +
                                   " вне 1..8 не учтена.");
            }
        }
    }

    for (std::uint64_t& outputs : c.waitBoards) {
        outputs = 0;
        for (int g = 0; g < 4; ++g) {
            outputs |= std::uint64_t{in.Get()} << (12 * g);
            outputs |= std::uint64_t{in.Get() & 0x0Fu} << (12 * g + 8);
        }
    }
    for (std::uint16_t& channels : c.redSensors) {
        const unsigned low = in.Get();
        channels = static_cast<std::uint16_t>(low | unsigned{in.Get()} << 8);
    }
    for (std::uint32_t& sensors : c.greenSensors) {
        sensors = 0;
        for (int q = 0; q < 4; ++q)
            sensors |= std::uint32_t{in.Get() & 0x3Fu} << (6 * q);
    }
    for (int g = 0; g < 4; ++g) {
        for (std::uint64_t& outputs : c.lampOutputs)
            outputs |= std::uint64_t{in.Get()} << (12 * g);
        for (std::uint64_t& outputs : c.lampOutputs)
            outputs |= std::uint64_t{in.Get() & 0x0Fu} << (12 * g + 8);
    }

    for (auto& row : c.minSignalTime)
        for (std::uint8_t& t : row)
            t = in.Get();
    for (auto& row : c.interGreen)
        for (std::uint8_t& t : row)
            t = in.Get();

    // Up to the first zero byte, never past the field. Without a terminator the last byte of
    // the field is where the terminator belongs: the text is the 159 bytes of room before it.
    assert(in.Pos() == ImageOffset::AccountRecord);
    const auto field = bytes.subspan(ImageOffset::AccountRecord, kAccountField);
    const auto zero = std::find(field.begin(), field.end(), std::uint8_t{0});
    std::size_t length = static_cast<std::size_t>(zero - field.begin());
    if (zero == field.end()) {
        length = kAccountRecordRoom;
        problems.push_back("Учетная запись ОДД без завершающего нуля: прочитаны первые 159 "
                           "символов.");
    }
    c.accountRecord.assign(reinterpret_cast<const char*>(field.data()), length);

    result.configuration = std::move(c);
    return result;
}

std::vector<std::string> ConfigurationImage::Validate(const Configuration& c)
{
    std::vector<std::string> problems;
    if (!c.masterController && c.syncDelay >= kMasterMark) {
        problems.push_back("Время задержки синхронизации " + std::to_string(c.syncDelay) +
                           " вне диапазона 0..127.");
    }
    for (int day = 0; day < kDayCount; ++day) {
        const std::string prefix = std::string("График ") + kDayNames[day] + ": ";
        int points = 0;
        for (int slot = 0; slot < kSlotCount; ++slot) {
            const int value = c.week[day][slot];
            if (IsSwitchValue(value)) {
                ++points;
            } else if (value != 0) {
                problems.push_back(prefix + "значение " + std::to_string(value) + " в " +
                                   SlotTime(slot) + " вне 0..10 не записывается.");
            }
        }
        if (points > kMaxSwitchPoints) {
            problems.push_back(prefix + std::to_string(points) +
                               " переключений, записываются первые 10.");
        }
    }
    if (RepairPriorities(c.priority) != c.priority) {
        problems.push_back("Приоритеты запросов не образуют порядок 1..10 с «РП» последним: "
                           "записываются восстановленными.");
    }
    for (int call = 1; call <= 2; ++call) {
        const auto& phases = call == 1 ? c.tvp1 : c.tvp2;
        for (int program = 0; program < kProgramCount; ++program) {
            if (phases[program] > kPhaseCount) {
                problems.push_back("Программа " + std::to_string(program + 1) + ": фаза ТВП" +
                                   std::to_string(call) + " " + std::to_string(phases[program]) +
                                   " вне 0..8 не записывается.");
            }
        }
    }
    constexpr std::uint64_t kOutputs = (std::uint64_t{1} << kOutputCount) - 1;
    const bool strayOutputs =
        std::any_of(c.lampOutputs.begin(), c.lampOutputs.end(),
                    [&](std::uint64_t m) { return (m & ~kOutputs) != 0; }) ||
        std::any_of(c.waitBoards.begin(), c.waitBoards.end(),
                    [&](std::uint64_t m) { return (m & ~kOutputs) != 0; });
    if (strayOutputs)
        problems.push_back("Привязка выходов: выходы с номером больше 48 не записываются.");
    constexpr std::uint32_t kSensors = (std::uint32_t{1} << kGreenSensors) - 1;
    if (std::any_of(c.greenSensors.begin(), c.greenSensors.end(),
                    [&](std::uint32_t m) { return (m & ~kSensors) != 0; })) {
        problems.push_back("Привязка датчиков: датчики зеленого с номером больше 24 не "
                           "записываются.");
    }
    const std::size_t zero = c.accountRecord.find('\0');
    if (zero != std::string::npos) {
        problems.push_back("Учетная запись ОДД содержит нулевой байт: записывается текст до "
                           "него.");
    } else if (c.accountRecord.size() > kAccountRecordRoom) {
        problems.push_back("Учетная запись ОДД длиннее 159 символов (" +
                           std::to_string(c.accountRecord.size()) +
                           "): записываются первые 159.");
    }
    return problems;
}

std::uint8_t CellByte(std::string_view text)
{
    // glibc reads "%d" through strtol: the value saturates at the range of long, then the long
    // is cut to the int. Only the low byte of that int reaches the image.
    return NumberText::LowByte(text);
}

} // namespace vlk
