#include "pages/ConfigPages.h"

#include "grid/ARecordList.h"
#include "pages/ConfigWnd.h"
#include "pages/DirectionWnd.h"
#include "pages/GraficWnd.h"
#include "pages/MeasureWnd.h"
#include "pages/OutputWnd.h"
#include "pages/PageGrids.h"
#include "pages/ProgramWnd.h"
#include "util/Cp1251.h"
#include "util/Messages.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

#include <string>

namespace vlk {

namespace {

const QString kChecked = QStringLiteral("X");

int FirstDataColumn(TableId id)
{
    return Catalogue::Grid(id).firstDataColumn;
}

// Where each table's configuration stands, from the catalogue's first data column: a program
// has three columns (duration, "ТВП1", "ТВП2"), a direction its phases, then its five steps.
struct DataColumns {
    int phaseMin = FirstDataColumn(TableId::PhaseMinTime);
    int code = FirstDataColumn(TableId::Priority); // the number beside it is column 0
    int phases = FirstDataColumn(TableId::Direction);
    int program = FirstDataColumn(TableId::Program);
    int lamps = FirstDataColumn(TableId::LampOutput);
    int boards = FirstDataColumn(TableId::WaitBoard);
    int red = FirstDataColumn(TableId::RedSensor);
    int green = FirstDataColumn(TableId::GreenSensor);
    int minSignal = FirstDataColumn(TableId::MinSignalTime);
    int interGreen = FirstDataColumn(TableId::InterGreen);

    [[nodiscard]] int Duration(int index) const { return program + 3 * index; }
    [[nodiscard]] int Tvp1(int index) const { return Duration(index) + 1; }
    [[nodiscard]] int Tvp2(int index) const { return Duration(index) + 2; }
    [[nodiscard]] int Step(int step) const { return phases + kPhaseCount + step; }
};

std::uint8_t Cell(const ARecordList* grid, int row, int col)
{
    return grid ? CellByte(grid->GetCellText(row, col).toStdString()) : 0;
}

bool Checked(const ARecordList* grid, int row, int col)
{
    return grid && grid->GetCellText(row, col) == kChecked;
}

// Bit j of the result is column first + j checked.
std::uint64_t Mask(const ARecordList* grid, int row, int first, int count)
{
    std::uint64_t mask = 0;
    for (int j = 0; j < count; ++j)
        if (Checked(grid, row, first + j))
            mask |= std::uint64_t{1} << j;
    return mask;
}

void SetMask(ARecordList* grid, int row, int first, int count, std::uint64_t mask)
{
    if (!grid)
        return;
    for (int j = 0; j < count; ++j)
        grid->SetCheck(row, first + j, ((mask >> j) & 1U) != 0);
}

// Edits hold their value as the station reads a dialog item: signed, 0 when not a number.
std::uint8_t EditByte(const QLineEdit* edit)
{
    if (!edit)
        return 0;
    return static_cast<std::uint8_t>(PageGrids::DialogItemInt(edit->text()).value_or(0) & 0xFF);
}

QString Number(int value)
{
    return QString::number(value);
}

QString NumberOrEmpty(int value)
{
    return value == 0 ? QString() : QString::number(value);
}

// The text of the account record in its stored 8-bit form. The page lets no character in that
// the form cannot hold; should one come anyway, it is left out rather than stored garbled.
std::string AccountBytes(const QString& text)
{
    if (auto whole = Cp1251::FromUtf8(text.toStdString()).text)
        return *whole;
    std::string bytes;
    for (const QChar c : text)
        if (auto one = Cp1251::FromUtf8(QString(c).toStdString()).text)
            bytes += *one;
    return bytes;
}

} // namespace

ConfigPages::ConfigPages(const PageSet& pages) : m_pages(pages) {}

void ConfigPages::WriteDurations(int program, const std::array<std::uint8_t, kPhaseCount>& durations)
{
    ARecordList* programs = m_pages.programs.Programs();
    if (!programs || program < 1 || program > kProgramCount)
        return;
    const DataColumns col;
    for (int p = 0; p < kPhaseCount; ++p)
        programs->SetCellText(p, col.Duration(program - 1), Number(durations[p]));
}

Configuration ConfigPages::Read() const
{
    Configuration c;
    const CDirectionWnd& directions = m_pages.directions;
    const ARecordList* phaseMin = directions.PhaseMinTime();
    const ARecordList* priority = directions.Priority();
    const ARecordList* directionTable = directions.Directions();
    const ARecordList* programs = m_pages.programs.Programs();
    const ARecordList* lamps = m_pages.outputs.LampOutput();
    const ARecordList* boards = m_pages.outputs.WaitBoard();
    const ARecordList* red = m_pages.sensors.RedSensor();
    const ARecordList* green = m_pages.sensors.GreenSensor();
    const ARecordList* minSignal = m_pages.zad.MinSignalTime();
    const ARecordList* interGreen = m_pages.zad.InterGreen();
    const DataColumns col;

    c.circularRedTime = EditByte(directions.CircularRed());
    for (int p = 0; p < kPhaseCount; ++p)
        c.phaseMinTime[p] = Cell(phaseMin, p, col.phaseMin);
    for (int i = 0; i < kProgramCount; ++i)
        for (int p = 0; p < kPhaseCount; ++p)
            c.programDuration[i][p] = Cell(programs, p, col.Duration(i));
    c.masterController = directions.Master() && directions.Master()->isChecked();
    // A master controller stores the master mark; the text left in the locked field is ignored.
    c.syncDelay = c.masterController ? 0 : EditByte(directions.SyncDelay());
    for (int d = 0; d < kDirectionCount; ++d) {
        c.directions[d].phaseMask = static_cast<std::uint8_t>(Mask(directionTable, d, col.phases, kPhaseCount));
        for (int s = 0; s < kStepCount; ++s)
            c.directions[d].stepTimes[s] = Cell(directionTable, d, col.Step(s));
    }
    for (int day = 0; day < kDayCount; ++day)
        c.week[day] = m_pages.schedules.Day(day).DaySlots();

    // A code's priority is the number beside it; "РП" always stands last with 10.
    const auto& codes = Catalogue::RequestCodes();
    for (int k = 0; k < kRequestCount - 1; ++k) {
        const QString code = QString::fromStdString(codes[k]);
        c.priority[k] = static_cast<std::uint8_t>(k + 1);
        if (!priority)
            continue;
        for (int r = 0; r < priority->GetRowCount(); ++r)
            if (priority->GetCellText(r, col.code) == code) {
                c.priority[k] = Cell(priority, r, 0);
                break;
            }
    }
    c.priority[kRequestCount - 1] = 10;

    // The last checked phase of each program's call-point column.
    for (int i = 0; i < kProgramCount; ++i) {
        c.tvp1[i] = 0;
        c.tvp2[i] = 0;
        for (int p = 0; p < kPhaseCount; ++p) {
            if (Checked(programs, p, col.Tvp1(i)))
                c.tvp1[i] = static_cast<std::uint8_t>(p + 1);
            if (Checked(programs, p, col.Tvp2(i)))
                c.tvp2[i] = static_cast<std::uint8_t>(p + 1);
        }
    }
    for (int t = 0; t < 2; ++t)
        c.waitBoards[t] = Mask(boards, t, col.boards, kOutputCount);
    for (int d = 0; d < kDirectionCount; ++d) {
        c.redSensors[d] = static_cast<std::uint16_t>(Mask(red, d, col.red, kRedSensorChannels));
        c.greenSensors[d] = static_cast<std::uint32_t>(Mask(green, d, col.green, kGreenSensors));
    }
    for (int row = 0; row < kLampRowCount; ++row)
        c.lampOutputs[row] = Mask(lamps, row, col.lamps, kOutputCount);
    for (int lamp = 0; lamp < 2; ++lamp)
        for (int d = 0; d < kDirectionCount; ++d)
            c.minSignalTime[lamp][d] = Cell(minSignal, lamp, col.minSignal + d);
    for (int r = 0; r < kDirectionCount; ++r)
        for (int c2 = 0; c2 < kDirectionCount; ++c2)
            c.interGreen[r][c2] = Cell(interGreen, r, col.interGreen + c2);
    if (const QLineEdit* account = directions.AccountRecord())
        c.accountRecord = AccountBytes(account->text());
    return c;
}

void ConfigPages::Write(const Configuration& c, LoadFlavour flavour)
{
    CDirectionWnd& directions = m_pages.directions;
    ARecordList* phaseMin = directions.PhaseMinTime();
    ARecordList* priority = directions.Priority();
    ARecordList* directionTable = directions.Directions();
    ARecordList* programs = m_pages.programs.Programs();
    ARecordList* lamps = m_pages.outputs.LampOutput();
    ARecordList* boards = m_pages.outputs.WaitBoard();
    ARecordList* red = m_pages.sensors.RedSensor();
    ARecordList* green = m_pages.sensors.GreenSensor();
    ARecordList* minSignal = m_pages.zad.MinSignalTime();
    ARecordList* interGreen = m_pages.zad.InterGreen();
    const DataColumns col;
    // The memory shows a zero of the two ZAD tables as "0", a file as an empty cell.
    const auto zad = flavour == LoadFlavour::Memory ? Number : NumberOrEmpty;

    // In the order of the image, so the field checks speak in the order a load meets them.
    if (QLineEdit* circular = directions.CircularRed())
        circular->setText(Number(c.circularRedTime));
    if (phaseMin)
        for (int p = 0; p < kPhaseCount; ++p)
            phaseMin->SetCellText(p, col.phaseMin, NumberOrEmpty(c.phaseMinTime[p]));
    if (programs)
        for (int i = 0; i < kProgramCount; ++i)
            for (int p = 0; p < kPhaseCount; ++p)
                programs->SetCellText(p, col.Duration(i), Number(c.programDuration[i][p]));

    const bool master = c.masterController || c.syncDelay == kMasterMark;
    if (QCheckBox* box = directions.Master())
        box->setChecked(master);
    directions.Refresh();
    if (QLineEdit* sync = directions.SyncDelay())
        sync->setText(master ? QString() : Number(c.syncDelay));

    if (directionTable)
        for (int d = 0; d < kDirectionCount; ++d) {
            SetMask(directionTable, d, col.phases, kPhaseCount, c.directions[d].phaseMask);
            for (int s = 0; s < kStepCount; ++s)
                directionTable->SetCellText(d, col.Step(s), Number(c.directions[d].stepTimes[s]));
        }

    for (int day = 0; day < kDayCount; ++day) {
        CScheduleWnd& chart = m_pages.schedules.Day(day);
        CScheduleWnd::SlotArray daySlots{};
        for (int k = 0; k < kSlotCount; ++k)
            daySlots[k] = c.week[day][k];
        chart.SetSlots(daySlots);
    }

    // Each code goes into the row of its priority; a priority outside 1..10 changes nothing.
    if (priority) {
        const auto& codes = Catalogue::RequestCodes();
        for (int k = 0; k < kRequestCount; ++k) {
            const int p = c.priority[k];
            if (p >= 1 && p <= kRequestCount && p <= priority->GetRowCount())
                priority->SetCellText(p - 1, col.code, QString::fromStdString(codes[k]));
        }
    }

    if (programs) {
        for (int i = 0; i < kProgramCount; ++i)
            for (int p = 0; p < kPhaseCount; ++p) {
                programs->SetCheck(p, col.Tvp1(i), false);
                programs->SetCheck(p, col.Tvp2(i), false);
            }
        for (int i = 0; i < kProgramCount; ++i)
            if (c.tvp1[i] >= 1 && c.tvp1[i] <= kPhaseCount)
                programs->SetCheck(c.tvp1[i] - 1, col.Tvp1(i), true);
        for (int i = 0; i < kProgramCount; ++i)
            if (c.tvp2[i] >= 1 && c.tvp2[i] <= kPhaseCount)
                programs->SetCheck(c.tvp2[i] - 1, col.Tvp2(i), true);
    }

    for (int t = 0; t < 2; ++t)
        SetMask(boards, t, col.boards, kOutputCount, c.waitBoards[t]);
    for (int d = 0; d < kDirectionCount; ++d) {
        SetMask(red, d, col.red, kRedSensorChannels, c.redSensors[d]);
        SetMask(green, d, col.green, kGreenSensors, c.greenSensors[d]);
    }
    for (int row = 0; row < kLampRowCount; ++row)
        SetMask(lamps, row, col.lamps, kOutputCount, c.lampOutputs[row]);
    if (minSignal)
        for (int lamp = 0; lamp < 2; ++lamp)
            for (int d = 0; d < kDirectionCount; ++d)
                minSignal->SetCellText(lamp, col.minSignal + d, zad(c.minSignalTime[lamp][d]));
    if (interGreen)
        for (int r = 0; r < kDirectionCount; ++r)
            for (int c2 = 0; c2 < kDirectionCount; ++c2)
                interGreen->SetCellText(r, col.interGreen + c2, zad(c.interGreen[r][c2]));

    if (QLineEdit* account = directions.AccountRecord()) {
        const TextConversion text = Cp1251::ToUtf8(c.accountRecord);
        account->setText(QString::fromStdString(text.text.value_or(std::string())));
    }
}

bool ConfigPages::ApplyImage(std::span<const std::uint8_t> bytes, LoadFlavour flavour, Messages& messages)
{
    const DecodeResult decoded = ConfigurationImage::Decode(bytes);
    if (!decoded.problems.empty()) {
        std::string text;
        for (const std::string& problem : decoded.problems) {
            if (!text.empty())
                text += '\n';
            text += problem;
        }
        messages.Show(text);
    }
    if (!decoded.configuration)
        return false;
    // The field checks that run during the load speak to the same user as the load.
    CDirectionWnd& directions = m_pages.directions;
    Messages* previous = &directions.PageMessages();
    directions.SetMessages(&messages);
    Write(*decoded.configuration, flavour);
    directions.SetMessages(previous);
    return true;
}

ImageBytes ConfigPages::BuildImage() const
{
    return ConfigurationImage::Encode(Read());
}

} // namespace vlk
