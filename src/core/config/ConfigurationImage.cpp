#include "config/ConfigurationImage.h"

#include "util/NumberText.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace vlk {

namespace {

// One section of the image: where it starts and how many bytes it holds. Every section is read
// and written by its own pair of functions below, each given exactly its bytes.
struct Section {
    std::size_t offset;
    std::size_t size;
    [[nodiscard]] constexpr std::size_t End() const { return offset + size; }
};

constexpr std::uint8_t kEmptyPair = 0xFF;
constexpr int kPairsPerDay = 10;
constexpr int kRpIndex = kRequestCount - 1;
constexpr int kOutputsPerGroup = 12;   // outputs, wait boards: 8 bits then 4 bits per group
constexpr int kOutputGroups = 4;
constexpr int kSensorsPerByte = 6;     // green sensors: 6 bits a byte
constexpr int kGreenSensorBytes = 4;

constexpr Section kCircularRedTimeSection{ImageOffset::CircularRedTime, 1};
constexpr Section kPhaseMinTimeSection{ImageOffset::PhaseMinTime, kPhaseCount};
constexpr Section kProgramDurationSection{ImageOffset::ProgramDuration, kProgramCount * kPhaseCount};
constexpr Section kSyncSection{ImageOffset::Sync, 1};
constexpr Section kDirectionsSection{ImageOffset::Directions, kDirectionCount * (1 + kStepCount)};
constexpr Section kWeekSection{ImageOffset::Week, kDayCount * kPairsPerDay * 2};
constexpr Section kPrioritySection{ImageOffset::Priority, kRequestCount};
constexpr Section kReservedSection{ImageOffset::Reserved, 6};
constexpr Section kTvp1Section{ImageOffset::Tvp1, kProgramCount};
constexpr Section kTvp2Section{ImageOffset::Tvp2, kProgramCount};
constexpr Section kWaitBoardsSection{ImageOffset::WaitBoards, 2 * kOutputGroups * 2};
constexpr Section kRedSensorsSection{ImageOffset::RedSensors, kDirectionCount * 2};
constexpr Section kGreenSensorsSection{ImageOffset::GreenSensors, kDirectionCount * kGreenSensorBytes};
constexpr Section kLampOutputsSection{ImageOffset::LampOutputs, kOutputGroups * 2 * kLampRowCount};
constexpr Section kMinSignalTimeSection{ImageOffset::MinSignalTime, 2 * kDirectionCount};
constexpr Section kInterGreenSection{ImageOffset::InterGreen, kDirectionCount * kDirectionCount};
constexpr Section kAccountRecordSection{ImageOffset::AccountRecord, kAccountRecordRoom + 1};

constexpr std::array kLayout{
    kCircularRedTimeSection, kPhaseMinTimeSection, kProgramDurationSection, kSyncSection,
    kDirectionsSection, kWeekSection, kPrioritySection, kReservedSection, kTvp1Section, kTvp2Section,
    kWaitBoardsSection, kRedSensorsSection, kGreenSensorsSection, kLampOutputsSection,
    kMinSignalTimeSection, kInterGreenSection, kAccountRecordSection};

constexpr bool TilesTheImage()
{
    std::size_t next = 0;
    for (const Section& section : kLayout) {
        if (section.offset != next || section.size == 0)
            return false;
        next = section.End();
    }
    return next == kImageSize;
}
static_assert(TilesTheImage(), "the sections follow one another without gap or overlap and fill the image");
static_assert(kOutputGroups * kOutputsPerGroup == kOutputCount);
static_assert(kGreenSensorBytes * kSensorsPerByte == kGreenSensors);
static_assert(kRedSensorsSection.size / kDirectionCount * 8 == kRedSensorChannels);
static_assert(kAccountRecordSection.size == kImageSize - ImageOffset::AccountRecord);

// The bytes of one section; the extent is part of the type, so a section function cannot be
// handed the wrong length.
template <Section S>
using Out = std::span<std::uint8_t, S.size>;
template <Section S>
using In = std::span<const std::uint8_t, S.size>;

template <Section S>
Out<S> Place(ImageBytes& image)
{
    return std::span<std::uint8_t, kImageSize>(image).subspan<S.offset, S.size>();
}

template <Section S>
In<S> Place(std::span<const std::uint8_t, kImageSize> image)
{
    return image.subspan<S.offset, S.size>();
}

using Problems = std::vector<std::string>;

std::string SlotTime(int slot)
{
    char text[24];
    std::snprintf(text, sizeof text, "%02d:%02d", slot / 2, slot % 2 * 30);
    return text;
}

// "1 байт", "3 байта", "12 байт": the count the short-file message names.
std::string ByteCount(std::size_t count)
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

std::string DayPrefix(int day)
{
    return "График " + std::string(kDayNames[static_cast<std::size_t>(day)]) + ": ";
}

bool IsSwitchValue(int value) { return value >= 1 && value <= kYellowMode; }

// Low 8 bits of each group of twelve, then its high 4 bits: how outputs and wait boards are kept.
std::uint8_t GroupLow(std::uint64_t mask, int group)
{
    return static_cast<std::uint8_t>(mask >> (kOutputsPerGroup * group) & 0xFF);
}
std::uint8_t GroupHigh(std::uint64_t mask, int group)
{
    return static_cast<std::uint8_t>(mask >> (kOutputsPerGroup * group + 8) & 0x0F);
}
std::uint64_t FromGroup(std::uint8_t low, std::uint8_t high, int group)
{
    return (std::uint64_t{low} | std::uint64_t{high & 0x0Fu} << 8) << (kOutputsPerGroup * group);
}

// --- bytes 0..80: circular red time, phase minimum times, program durations (program-major)

void EncodeCircularRedTime(const Configuration& c, Out<kCircularRedTimeSection> out) { out[0] = c.circularRedTime; }
void DecodeCircularRedTime(In<kCircularRedTimeSection> in, Configuration& c) { c.circularRedTime = in[0]; }

void EncodePhaseMinTime(const Configuration& c, Out<kPhaseMinTimeSection> out)
{
    std::copy(c.phaseMinTime.begin(), c.phaseMinTime.end(), out.begin());
}
void DecodePhaseMinTime(In<kPhaseMinTimeSection> in, Configuration& c)
{
    std::copy(in.begin(), in.end(), c.phaseMinTime.begin());
}

void EncodeProgramDuration(const Configuration& c, Out<kProgramDurationSection> out)
{
    for (int p = 0; p < kProgramCount; ++p)
        for (int phase = 0; phase < kPhaseCount; ++phase)
            out[p * kPhaseCount + phase] = c.programDuration[p][phase];
}
void DecodeProgramDuration(In<kProgramDurationSection> in, Configuration& c)
{
    for (int p = 0; p < kProgramCount; ++p)
        for (int phase = 0; phase < kPhaseCount; ++phase)
            c.programDuration[p][phase] = in[p * kPhaseCount + phase];
}

// --- byte 81: the master mark 128, or a slave's synchronisation delay

void EncodeSync(const Configuration& c, Out<kSyncSection> out)
{
    // A delay of 128 would read back as the master mark and silently make this controller the
    // master; the nearest delay that keeps it a slave is written instead (Validate reports it).
    if (c.masterController)
        out[0] = kMasterMark;
    else
        out[0] = c.syncDelay == kMasterMark ? std::uint8_t{kMasterMark - 1} : c.syncDelay;
}
void DecodeSync(In<kSyncSection> in, Configuration& c, Problems& problems)
{
    const std::uint8_t sync = in[0];
    c.masterController = sync == kMasterMark;
    c.syncDelay = c.masterController ? 0 : sync;
    if (!c.masterController && sync > kMasterMark)
        problems.push_back("Время задержки синхронизации " + std::to_string(sync) + " вне диапазона 0..127.");
}
void ValidateSync(const Configuration& c, Problems& problems)
{
    if (!c.masterController && c.syncDelay >= kMasterMark) {
        problems.push_back("Время задержки синхронизации " + std::to_string(c.syncDelay) +
                           " вне диапазона 0..127.");
    }
}

// --- bytes 82..225: per direction its phase mask, then its five step times

void EncodeDirections(const Configuration& c, Out<kDirectionsSection> out)
{
    for (int d = 0; d < kDirectionCount; ++d) {
        const int at = d * (1 + kStepCount);
        out[at] = c.directions[d].phaseMask;
        for (int s = 0; s < kStepCount; ++s)
            out[at + 1 + s] = c.directions[d].stepTimes[s];
    }
}
void DecodeDirections(In<kDirectionsSection> in, Configuration& c)
{
    for (int d = 0; d < kDirectionCount; ++d) {
        const int at = d * (1 + kStepCount);
        c.directions[d].phaseMask = in[at];
        for (int s = 0; s < kStepCount; ++s)
            c.directions[d].stepTimes[s] = in[at + 1 + s];
    }
}

// --- bytes 226..365: per day ten pairs (program, half-hour); program 0 is "Ж", 0xFF no pair

void EncodeWeek(const Configuration& c, Out<kWeekSection> out)
{
    std::fill(out.begin(), out.end(), kEmptyPair);
    // Only the first ten switch points of a day fit its twenty bytes; slot values the chart
    // cannot hold (outside 1..10) are no switch points at all.
    for (int day = 0; day < kDayCount; ++day) {
        int pairs = 0;
        for (int slot = 0; slot < kSlotCount && pairs < kPairsPerDay; ++slot) {
            const int value = c.week[day][slot];
            if (!IsSwitchValue(value))
                continue;
            const int at = (day * kPairsPerDay + pairs) * 2;
            out[at] = static_cast<std::uint8_t>(value == kYellowMode ? 0 : value);
            out[at + 1] = static_cast<std::uint8_t>(slot);
            ++pairs;
        }
    }
}
void DecodeWeek(In<kWeekSection> in, Configuration& c, Problems& problems)
{
    for (int day = 0; day < kDayCount; ++day) {
        DaySchedule& slots = c.week[day];
        slots.fill(0);
        const std::string prefix = DayPrefix(day);
        for (int pair = 0; pair < kPairsPerDay; ++pair) {
            const int at = (day * kPairsPerDay + pair) * 2;
            const std::uint8_t program = in[at];
            const std::uint8_t slot = in[at + 1];
            if (program == kEmptyPair)
                continue;
            if (slot >= kSlotCount) {
                problems.push_back(prefix + "переключение на получас " + std::to_string(slot) +
                                   " (вне 0..47) пропущено.");
                continue;
            }
            const int value = program == 0 ? kYellowMode : program;
            if (value > kYellowMode) {
                problems.push_back(prefix + "неизвестная программа " + std::to_string(program) + " в " +
                                   SlotTime(slot) + " пропущена.");
                continue;
            }
            if (slots[slot] != 0) {
                problems.push_back(prefix + "повторное переключение в " + SlotTime(slot) + " пропущено.");
                continue;
            }
            slots[slot] = value;
        }
    }
}
void ValidateWeek(const Configuration& c, Problems& problems)
{
    for (int day = 0; day < kDayCount; ++day) {
        const std::string prefix = DayPrefix(day);
        int points = 0;
        for (int slot = 0; slot < kSlotCount; ++slot) {
            const int value = c.week[day][slot];
            if (IsSwitchValue(value)) {
                ++points;
            } else if (value != 0) {
                problems.push_back(prefix + "значение " + std::to_string(value) + " в " + SlotTime(slot) +
                                   " вне 0..10 не записывается.");
            }
        }
        if (points > kMaxSwitchPoints)
            problems.push_back(prefix + std::to_string(points) + " переключений, записываются первые 10.");
    }
}

// --- bytes 366..375: the priority of each request code; 376..381 reserved, 0xFF

void EncodePriority(const Configuration& c, Out<kPrioritySection> out)
{
    // The writer looks up each code's row; a configuration that is no full order would leave
    // codes without a row, so it is written the way a reader would repair it.
    const auto priority = ConfigurationImage::RepairPriorities(c.priority);
    std::copy(priority.begin(), priority.end(), out.begin());
}
void DecodePriority(In<kPrioritySection> in, Configuration& c, Problems& problems)
{
    std::array<std::uint8_t, kRequestCount> stored{};
    std::copy(in.begin(), in.end(), stored.begin());
    c.priority = ConfigurationImage::RepairPriorities(stored);
    if (c.priority == stored)
        return;
    std::array<std::string_view, kRequestCount> order{};
    for (int code = 0; code < kRequestCount; ++code)
        order[c.priority[code] - 1] = kRequestCodes[code];
    std::string text = "Приоритеты запросов повреждены и восстановлены:";
    for (int i = 0; i < kRequestCount; ++i)
        text += (i == 0 ? " " : ", ") + std::string(order[i]);
    problems.push_back(text + ".");
}
void ValidatePriority(const Configuration& c, Problems& problems)
{
    if (ConfigurationImage::RepairPriorities(c.priority) != c.priority) {
        problems.push_back("Приоритеты запросов не образуют порядок 1..10 с «РП» последним: "
                           "записываются восстановленными.");
    }
}

void EncodeReserved(Out<kReservedSection> out) { std::fill(out.begin(), out.end(), 0xFF); }

// --- bytes 382..390 and 391..399: per program the phase serving call point "ТВП 1" / "ТВП 2"

template <Section S>
void EncodeTvp(const std::array<std::uint8_t, kProgramCount>& phases, Out<S> out)
{
    static_assert(S.size == kProgramCount);
    for (int p = 0; p < kProgramCount; ++p)
        out[p] = phases[p] <= kPhaseCount ? phases[p] : 0;
}
template <Section S>
void DecodeTvp(In<S> in, int call, std::array<std::uint8_t, kProgramCount>& phases, Problems& problems)
{
    static_assert(S.size == kProgramCount);
    for (int p = 0; p < kProgramCount; ++p) {
        const std::uint8_t phase = in[p];
        if (phase <= kPhaseCount) {
            phases[p] = phase;
        } else {
            problems.push_back("Программа " + std::to_string(p + 1) + ": фаза ТВП" + std::to_string(call) + " " +
                               std::to_string(phase) + " вне 1..8 не учтена.");
        }
    }
}
void ValidateTvp(int call, const std::array<std::uint8_t, kProgramCount>& phases, Problems& problems)
{
    for (int p = 0; p < kProgramCount; ++p) {
        if (phases[p] > kPhaseCount) {
            problems.push_back("Программа " + std::to_string(p + 1) + ": фаза ТВП" + std::to_string(call) + " " +
                               std::to_string(phases[p]) + " вне 0..8 не записывается.");
        }
    }
}

// --- bytes 400..415: per call point its wait board's outputs, four groups of low, high byte

void EncodeWaitBoards(const Configuration& c, Out<kWaitBoardsSection> out)
{
    for (int t = 0; t < 2; ++t) {
        for (int g = 0; g < kOutputGroups; ++g) {
            const int at = (t * kOutputGroups + g) * 2;
            out[at] = GroupLow(c.waitBoards[t], g);
            out[at + 1] = GroupHigh(c.waitBoards[t], g);
        }
    }
}
void DecodeWaitBoards(In<kWaitBoardsSection> in, Configuration& c)
{
    for (int t = 0; t < 2; ++t) {
        c.waitBoards[t] = 0;
        for (int g = 0; g < kOutputGroups; ++g) {
            const int at = (t * kOutputGroups + g) * 2;
            c.waitBoards[t] |= FromGroup(in[at], in[at + 1], g);
        }
    }
}

// --- bytes 416..463: per direction its red-lamp sensor channels, low byte first

void EncodeRedSensors(const Configuration& c, Out<kRedSensorsSection> out)
{
    for (int d = 0; d < kDirectionCount; ++d) {
        out[2 * d] = static_cast<std::uint8_t>(c.redSensors[d] & 0xFF);
        out[2 * d + 1] = static_cast<std::uint8_t>(c.redSensors[d] >> 8 & 0xFF);
    }
}
void DecodeRedSensors(In<kRedSensorsSection> in, Configuration& c)
{
    for (int d = 0; d < kDirectionCount; ++d)
        c.redSensors[d] = static_cast<std::uint16_t>(unsigned{in[2 * d]} | unsigned{in[2 * d + 1]} << 8);
}

// --- bytes 464..559: per direction its green-lamp sensors, 6 a byte in four bytes

void EncodeGreenSensors(const Configuration& c, Out<kGreenSensorsSection> out)
{
    for (int d = 0; d < kDirectionCount; ++d)
        for (int q = 0; q < kGreenSensorBytes; ++q)
            out[d * kGreenSensorBytes + q] = static_cast<std::uint8_t>(c.greenSensors[d] >> (kSensorsPerByte * q) & 0x3F);
}
void DecodeGreenSensors(In<kGreenSensorsSection> in, Configuration& c)
{
    for (int d = 0; d < kDirectionCount; ++d) {
        c.greenSensors[d] = 0;
        for (int q = 0; q < kGreenSensorBytes; ++q)
            c.greenSensors[d] |= std::uint32_t{in[d * kGreenSensorBytes + q] & 0x3Fu} << (kSensorsPerByte * q);
    }
}
void ValidateGreenSensors(const Configuration& c, Problems& problems)
{
    constexpr std::uint32_t kSensors = (std::uint32_t{1} << kGreenSensors) - 1;
    if (std::any_of(c.greenSensors.begin(), c.greenSensors.end(),
                    [&](std::uint32_t m) { return (m & ~kSensors) != 0; })) {
        problems.push_back("Привязка датчиков: датчики зеленого с номером больше 24 не записываются.");
    }
}

// --- bytes 560..1135: four groups of twelve outputs, each the 72 lamps' low bytes, then their
// high bytes; lamp row 3*(d-1) + 0 red, 1 yellow, 2 green

void EncodeLampOutputs(const Configuration& c, Out<kLampOutputsSection> out)
{
    for (int g = 0; g < kOutputGroups; ++g) {
        const int at = g * 2 * kLampRowCount;
        for (int row = 0; row < kLampRowCount; ++row) {
            out[at + row] = GroupLow(c.lampOutputs[row], g);
            out[at + kLampRowCount + row] = GroupHigh(c.lampOutputs[row], g);
        }
    }
}
void DecodeLampOutputs(In<kLampOutputsSection> in, Configuration& c)
{
    c.lampOutputs.fill(0);
    for (int g = 0; g < kOutputGroups; ++g) {
        const int at = g * 2 * kLampRowCount;
        for (int row = 0; row < kLampRowCount; ++row)
            c.lampOutputs[row] |= FromGroup(in[at + row], in[at + kLampRowCount + row], g);
    }
}
// Lamps and wait boards together: one message for any output above 48.
void ValidateOutputs(const Configuration& c, Problems& problems)
{
    constexpr std::uint64_t kOutputs = (std::uint64_t{1} << kOutputCount) - 1;
    const auto stray = [&](std::uint64_t m) { return (m & ~kOutputs) != 0; };
    if (std::any_of(c.lampOutputs.begin(), c.lampOutputs.end(), stray) ||
        std::any_of(c.waitBoards.begin(), c.waitBoards.end(), stray))
        problems.push_back("Привязка выходов: выходы с номером больше 48 не записываются.");
}

// --- bytes 1136..1183: minimum red times of directions 1..24, then minimum green times;
// bytes 1184..1759: the inter-green table row by row

template <Section S, std::size_t Rows>
void EncodeTable(const std::array<std::array<std::uint8_t, kDirectionCount>, Rows>& table, Out<S> out)
{
    static_assert(S.size == Rows * kDirectionCount);
    for (std::size_t r = 0; r < Rows; ++r)
        std::copy(table[r].begin(), table[r].end(), out.begin() + static_cast<std::ptrdiff_t>(r * kDirectionCount));
}
template <Section S, std::size_t Rows>
void DecodeTable(In<S> in, std::array<std::array<std::uint8_t, kDirectionCount>, Rows>& table)
{
    static_assert(S.size == Rows * kDirectionCount);
    for (std::size_t r = 0; r < Rows; ++r) {
        const auto row = in.begin() + static_cast<std::ptrdiff_t>(r * kDirectionCount);
        std::copy(row, row + kDirectionCount, table[r].begin());
    }
}

// --- bytes 1760..1919: the account record's text, zero padding, the terminator

void EncodeAccountRecord(const Configuration& c, Out<kAccountRecordSection> out)
{
    // The text ends at its first zero byte (the reader stops there) and at the 159 bytes of room;
    // the rest of the field, terminator included, stays zero.
    const std::string& text = c.accountRecord;
    const std::size_t length = std::min(text.find('\0') == std::string::npos ? text.size() : text.find('\0'),
                                        static_cast<std::size_t>(kAccountRecordRoom));
    std::fill(out.begin(), out.end(), 0);
    std::copy_n(text.begin(), length, out.begin());
}
void DecodeAccountRecord(In<kAccountRecordSection> in, Configuration& c, Problems& problems)
{
    // Up to the first zero byte, never past the field. Without a terminator the last byte of
    // the field is where the terminator belongs: the text is the 159 bytes of room before it.
    const auto zero = std::find(in.begin(), in.end(), std::uint8_t{0});
    std::size_t length = static_cast<std::size_t>(zero - in.begin());
    if (zero == in.end()) {
        length = kAccountRecordRoom;
        problems.push_back("Учетная запись ОДД без завершающего нуля: прочитаны первые 159 символов.");
    }
    c.accountRecord.assign(reinterpret_cast<const char*>(in.data()), length);
}
void ValidateAccountRecord(const Configuration& c, Problems& problems)
{
    if (c.accountRecord.find('\0') != std::string::npos) {
        problems.push_back("Учетная запись ОДД содержит нулевой байт: записывается текст до него.");
    } else if (c.accountRecord.size() > kAccountRecordRoom) {
        problems.push_back("Учетная запись ОДД длиннее 159 символов (" + std::to_string(c.accountRecord.size()) +
                           "): записываются первые 159.");
    }
}

} // namespace

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
    EncodeCircularRedTime(c, Place<kCircularRedTimeSection>(image));
    EncodePhaseMinTime(c, Place<kPhaseMinTimeSection>(image));
    EncodeProgramDuration(c, Place<kProgramDurationSection>(image));
    EncodeSync(c, Place<kSyncSection>(image));
    EncodeDirections(c, Place<kDirectionsSection>(image));
    EncodeWeek(c, Place<kWeekSection>(image));
    EncodePriority(c, Place<kPrioritySection>(image));
    EncodeReserved(Place<kReservedSection>(image));
    EncodeTvp<kTvp1Section>(c.tvp1, Place<kTvp1Section>(image));
    EncodeTvp<kTvp2Section>(c.tvp2, Place<kTvp2Section>(image));
    EncodeWaitBoards(c, Place<kWaitBoardsSection>(image));
    EncodeRedSensors(c, Place<kRedSensorsSection>(image));
    EncodeGreenSensors(c, Place<kGreenSensorsSection>(image));
    EncodeLampOutputs(c, Place<kLampOutputsSection>(image));
    EncodeTable<kMinSignalTimeSection>(c.minSignalTime, Place<kMinSignalTimeSection>(image));
    EncodeTable<kInterGreenSection>(c.interGreen, Place<kInterGreenSection>(image));
    EncodeAccountRecord(c, Place<kAccountRecordSection>(image));
    return image;
}

DecodeResult ConfigurationImage::Decode(std::span<const std::uint8_t> bytes)
{
    DecodeResult result;
    if (bytes.size() < kImageSize) {
        result.problems.push_back("Данные конфигурации неполные: " + ByteCount(bytes.size()) +
                                  " вместо 1920. Ничего не загружено.");
        return result;
    }
    if (bytes.size() > kImageSize) {
        result.problems.push_back("Данные конфигурации длиннее 1920 байт (" + ByteCount(bytes.size()) +
                                  "): лишнее не прочитано.");
    }
    const std::span<const std::uint8_t, kImageSize> image = bytes.first<kImageSize>();
    Problems& problems = result.problems;
    Configuration c;
    DecodeCircularRedTime(Place<kCircularRedTimeSection>(image), c);
    DecodePhaseMinTime(Place<kPhaseMinTimeSection>(image), c);
    DecodeProgramDuration(Place<kProgramDurationSection>(image), c);
    DecodeSync(Place<kSyncSection>(image), c, problems);
    DecodeDirections(Place<kDirectionsSection>(image), c);
    DecodeWeek(Place<kWeekSection>(image), c, problems);
    DecodePriority(Place<kPrioritySection>(image), c, problems);
    DecodeTvp<kTvp1Section>(Place<kTvp1Section>(image), 1, c.tvp1, problems);
    DecodeTvp<kTvp2Section>(Place<kTvp2Section>(image), 2, c.tvp2, problems);
    DecodeWaitBoards(Place<kWaitBoardsSection>(image), c);
    DecodeRedSensors(Place<kRedSensorsSection>(image), c);
    DecodeGreenSensors(Place<kGreenSensorsSection>(image), c);
    DecodeLampOutputs(Place<kLampOutputsSection>(image), c);
    DecodeTable<kMinSignalTimeSection>(Place<kMinSignalTimeSection>(image), c.minSignalTime);
    DecodeTable<kInterGreenSection>(Place<kInterGreenSection>(image), c.interGreen);
    DecodeAccountRecord(Place<kAccountRecordSection>(image), c, problems);
    result.configuration = std::move(c);
    return result;
}

std::vector<std::string> ConfigurationImage::Validate(const Configuration& c)
{
    Problems problems;
    ValidateSync(c, problems);
    ValidateWeek(c, problems);
    ValidatePriority(c, problems);
    ValidateTvp(1, c.tvp1, problems);
    ValidateTvp(2, c.tvp2, problems);
    ValidateOutputs(c, problems);
    ValidateGreenSensors(c, problems);
    ValidateAccountRecord(c, problems);
    return problems;
}

std::uint8_t CellByte(std::string_view text)
{
    // glibc reads "%d" through strtol: the value saturates at the range of long, then the long
    // is cut to the int. Only the low byte of that int reaches the image.
    return NumberText::LowByte(text);
}

} // namespace vlk
