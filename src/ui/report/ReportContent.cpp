#include "report/ReportContent.h"

#include "config/Catalogue.h"
#include "plan/ConfigurationCheck.h"
#include "plan/ProgramCycle.h"
#include "plan/SignalModel.h"
#include "util/Cp1251.h"

#include <algorithm>

namespace vlk {

namespace {

constexpr int kPrintedFindings = 100;

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

QString Q(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The captions of the station's group boxes carry blanks for the frame's sake.
QString Group(TableId id)
{
    return Q(Catalogue::Grid(id).group).simplified();
}

QString Title(TableId id, int column)
{
    const auto titles = Catalogue::Grid(id).Titles();
    return column < static_cast<int>(titles.size()) ? Q(titles[static_cast<std::size_t>(column)]) : QString();
}

QString Number(int value)
{
    return QString::number(value);
}

QString SlotTime(int slot)
{
    return QStringLiteral("%1:%2").arg(slot / 2, 2, 10, QLatin1Char('0')).arg(slot % 2 == 0 ? 0 : 30, 2, 10, QLatin1Char('0'));
}

QString DayName(int day)
{
    return Q(Catalogue::DayCharts()[static_cast<std::size_t>(day)].caption);
}

QString ProgramText(int value)
{
    return value == kYellowMode ? QStringLiteral("Ж") : Number(value);
}

ReportBlock Heading(const QString& text)
{
    return ReportBlock{ReportBlock::Kind::Heading, text, {}, 0};
}

ReportBlock Subheading(const QString& text)
{
    return ReportBlock{ReportBlock::Kind::Subheading, text, {}, 0};
}

ReportBlock Text(const QString& text)
{
    return ReportBlock{ReportBlock::Kind::Text, text, {}, 0};
}

ReportBlock Table(ReportTable table)
{
    table.wrap.resize(static_cast<std::size_t>(std::max<qsizetype>(table.header.size(),
                                                                   table.rows.empty() ? 0 : table.rows.front().size())),
                      false);
    return ReportBlock{ReportBlock::Kind::Table, {}, std::move(table), 0};
}

// A direction is worth a line when anything of it is set.
bool DirectionSet(const Configuration& c, int d)
{
    const Direction& direction = c.directions[static_cast<std::size_t>(d)];
    return direction.phaseMask != 0 ||
           std::any_of(direction.stepTimes.begin(), direction.stepTimes.end(), [](std::uint8_t t) { return t != 0; });
}

// The directions the ZAD tables are shown for: those in use and those with any value there.
std::vector<int> ZadDirections(const Configuration& c)
{
    std::vector<int> result;
    for (int d = 0; d < kDirectionCount; ++d) {
        bool any = SignalModel::InUse(c, d + 1) || c.minSignalTime[0][d] != 0 || c.minSignalTime[1][d] != 0;
        for (int o = 0; o < kDirectionCount && !any; ++o)
            any = c.interGreen[d][o] != 0 || c.interGreen[o][d] != 0;
        if (any)
            result.push_back(d);
    }
    return result;
}

// "Направления 9–24 не заданы." for the rows a table leaves out.
QString LeftOut(std::uint64_t mask, const QString& one, const QString& many)
{
    if (mask == 0)
        return {};
    const bool single = (mask & (mask - 1)) == 0;
    return (single ? one : many).arg(ReportContent::NumberList(mask, kDirectionCount));
}

void TitleBlock(const ReportSource& s, std::vector<ReportBlock>& out)
{
    out.push_back(ReportBlock{ReportBlock::Kind::Title, QStringLiteral("Конфигурация дорожного контроллера ВЛК2.2"), {}, 0});
    ReportTable t;
    t.rowTitles = true;
    t.rows.push_back({QStringLiteral("Перекрёсток (учетная запись ОДД)"), ReportContent::JunctionName(s.configuration)});
    t.rows.push_back({QStringLiteral("Файл"), s.fileName.isEmpty() ? QStringLiteral("(не сохранён)") : s.fileName});
    t.rows.push_back({QStringLiteral("Дата"), s.date.toString(QStringLiteral("dd.MM.yyyy"))});
    t.rows.push_back({QStringLiteral("Отпечаток образа (CRC-32)"), s.fingerprint});
    t.wrap = {false, true};
    out.push_back(Table(std::move(t)));
}

void General(const Configuration& c, std::vector<ReportBlock>& out)
{
    const auto& fields = Catalogue::Fields();
    out.push_back(Heading(QStringLiteral("Общие параметры")));
    ReportTable t;
    t.rowTitles = true;
    t.rows.push_back({Q(fields[0].caption), Number(c.circularRedTime)});
    t.rows.push_back({Q(fields[1].caption), c.masterController ? QStringLiteral("да") : QStringLiteral("нет")});
    t.rows.push_back({Q(fields[2].caption),
                      c.masterController ? QStringLiteral("— (ведущий контроллер)") : Number(c.syncDelay)});
    t.rows.push_back({Q(fields[3].caption), ReportContent::JunctionName(c)});
    t.wrap = {false, true};
    out.push_back(Table(std::move(t)));

    out.push_back(Subheading(QStringLiteral("Минимальное время фаз")));
    ReportTable m;
    m.rowTitles = true;
    m.header << Title(TableId::PhaseMinTime, 0);
    QStringList row{Title(TableId::PhaseMinTime, 1)};
    for (int p = 0; p < kPhaseCount; ++p) {
        m.header << Number(p + 1);
        row << Number(c.phaseMinTime[static_cast<std::size_t>(p)]);
    }
    m.rows.push_back(row);
    out.push_back(Table(std::move(m)));

    out.push_back(Subheading(QStringLiteral("Приоритеты запросов")));
    ReportTable pr;
    pr.rowTitles = true;
    QStringList priorities{Title(TableId::Priority, 0)};
    QStringList codes{Title(TableId::Priority, 1)};
    for (int p = 1; p <= kRequestCount; ++p) {
        priorities << Number(p);
        QString code = QStringLiteral("?");
        for (int i = 0; i < kRequestCount; ++i)
            if (c.priority[static_cast<std::size_t>(i)] == p)
                code = Q(Catalogue::RequestCodes()[static_cast<std::size_t>(i)]);
        codes << code;
    }
    pr.rows = {priorities, codes};
    out.push_back(Table(std::move(pr)));
}

void Directions(const Configuration& c, std::vector<ReportBlock>& out)
{
    out.push_back(Heading(Group(TableId::Direction)));
    ReportTable t;
    t.header << Title(TableId::Direction, 0) << QStringLiteral("Фазы");
    for (int s = 0; s < kStepCount; ++s)
        t.header << Title(TableId::Direction, 9 + s);
    std::uint64_t unset = 0;
    for (int d = 0; d < kDirectionCount; ++d) {
        if (!DirectionSet(c, d)) {
            unset |= std::uint64_t{1} << d;
            continue;
        }
        const Direction& direction = c.directions[static_cast<std::size_t>(d)];
        QStringList row{Number(d + 1),
                        direction.phaseMask == 0 ? QStringLiteral("—") : ReportContent::NumberList(direction.phaseMask, kPhaseCount)};
        for (std::uint8_t step : direction.stepTimes)
            row << Number(step);
        t.rows.push_back(row);
    }
    if (t.rows.empty()) {
        out.push_back(Text(QStringLiteral("Ни одно направление не задано.")));
        return;
    }
    out.push_back(Table(std::move(t)));
    const QString rest = LeftOut(unset, QStringLiteral("Направление %1 не задано."), QStringLiteral("Направления %1 не заданы."));
    if (!rest.isEmpty())
        out.push_back(Text(rest));
}

void Programs(const Configuration& c, std::vector<ReportBlock>& out)
{
    out.push_back(Heading(Group(TableId::Program)));
    ReportTable t;
    t.rowTitles = true;
    t.header << Title(TableId::Program, 0);
    for (int p = 1; p <= kProgramCount; ++p)
        t.header << QStringLiteral("Программа %1").arg(p);
    for (int phase = 0; phase < kPhaseCount; ++phase) {
        QStringList row{Number(phase + 1)};
        for (int p = 0; p < kProgramCount; ++p)
            row << Number(c.programDuration[static_cast<std::size_t>(p)][static_cast<std::size_t>(phase)]);
        t.rows.push_back(row);
    }
    for (int call = 1; call <= 2; ++call) {
        QStringList row{Title(TableId::Program, call + 1)};
        const auto& phases = call == 1 ? c.tvp1 : c.tvp2;
        for (std::uint8_t phase : phases)
            row << (phase == 0 ? QStringLiteral("—") : Number(phase));
        t.rows.push_back(row);
    }
    QStringList cycle{QStringLiteral("Цикл, с")};
    for (int p = 1; p <= kProgramCount; ++p) {
        const ProgramCycle programCycle = ProgramCycle::Of(c, p);
        cycle << (programCycle.Empty() ? QStringLiteral("Ж") : Number(programCycle.Length()));
    }
    t.rows.push_back(cycle);
    for (QString& title : t.header)
        if (title.startsWith(QStringLiteral("Программа ")))
            title.replace(QLatin1Char(' '), QLatin1Char('\n'));
    out.push_back(Table(std::move(t)));
    out.push_back(Text(QStringLiteral("Время фаз в секундах. «Ж» в строке цикла: у всех фаз программы время 0, "
                                      "контроллер мигает жёлтым.")));
}

void Outputs(const Configuration& c, std::vector<ReportBlock>& out)
{
    out.push_back(Heading(Group(TableId::LampOutput)));
    ReportTable t;
    t.header << Title(TableId::LampOutput, 0) << QStringLiteral("К (красный)") << QStringLiteral("Ж (жёлтый)")
             << QStringLiteral("З (зелёный)");
    for (int d = 0; d < kDirectionCount; ++d) {
        const auto* lamps = &c.lampOutputs[static_cast<std::size_t>(3 * d)];
        if ((lamps[0] | lamps[1] | lamps[2]) == 0)
            continue;
        QStringList row{Number(d + 1)};
        for (int lamp = 0; lamp < 3; ++lamp)
            row << ReportContent::NumberList(lamps[lamp], kOutputCount);
        t.rows.push_back(row);
    }
    if (t.rows.empty()) {
        out.push_back(Text(QStringLiteral("Ни одна лампа не привязана к выходам.")));
    } else {
        t.wrap = {false, true, true, true};
        out.push_back(Table(std::move(t)));
        out.push_back(Text(QStringLiteral("Номера выходов контроллера 1–48.")));
    }
    out.push_back(Subheading(Group(TableId::WaitBoard)));
    ReportTable w;
    w.rowTitles = true;
    for (int board = 0; board < 2; ++board)
        w.rows.push_back({QStringLiteral("ТВП %1").arg(board + 1),
                          ReportContent::NumberList(c.waitBoards[static_cast<std::size_t>(board)], kOutputCount)});
    w.wrap = {false, true};
    out.push_back(Table(std::move(w)));
}

void Sensors(const Configuration& c, std::vector<ReportBlock>& out)
{
    out.push_back(Heading(Q(Catalogue::Page(PageId::Sensors).caption)));
    ReportTable t;
    t.header << Title(TableId::RedSensor, 0) << QStringLiteral("Каналы контроля красных ламп")
             << QStringLiteral("Датчики контроля зелёных ламп");
    const auto redTitles = Catalogue::Grid(TableId::RedSensor).Titles();
    for (int d = 0; d < kDirectionCount; ++d) {
        const std::uint16_t red = c.redSensors[static_cast<std::size_t>(d)];
        const std::uint32_t green = c.greenSensors[static_cast<std::size_t>(d)];
        if (red == 0 && green == 0)
            continue;
        QStringList channels;
        for (int k = 0; k < kRedSensorChannels; ++k)
            if ((red >> k) & 1u)
                channels << Q(redTitles[static_cast<std::size_t>(k + 1)]);
        t.rows.push_back({Number(d + 1), channels.isEmpty() ? QStringLiteral("—") : channels.join(QStringLiteral(", ")),
                          ReportContent::NumberList(green, kGreenSensors)});
    }
    if (t.rows.empty()) {
        out.push_back(Text(QStringLiteral("Ни один датчик не привязан.")));
        return;
    }
    t.wrap = {false, true, true};
    out.push_back(Table(std::move(t)));
}

void Zad(const Configuration& c, std::vector<ReportBlock>& out)
{
    out.push_back(Heading(Q(Catalogue::Page(PageId::Zad).caption)));
    const std::vector<int> shown = ZadDirections(c);
    if (shown.empty()) {
        out.push_back(Text(QStringLiteral("Таблицы пусты: ни одно направление не используется.")));
        return;
    }
    std::uint64_t rest = (std::uint64_t{1} << kDirectionCount) - 1;
    for (int d : shown)
        rest &= ~(std::uint64_t{1} << d);

    out.push_back(Subheading(Group(TableId::MinSignalTime)));
    ReportTable m;
    m.rowTitles = true;
    m.header << QStringLiteral("Направление");
    QStringList red{QStringLiteral("К, с")};
    QStringList green{QStringLiteral("З, с")};
    for (int d : shown) {
        m.header << Number(d + 1);
        red << Number(c.minSignalTime[0][static_cast<std::size_t>(d)]);
        green << Number(c.minSignalTime[1][static_cast<std::size_t>(d)]);
    }
    m.rows = {red, green};
    out.push_back(Table(std::move(m)));

    out.push_back(Subheading(Group(TableId::InterGreen)));
    ReportTable g;
    g.rowTitles = true;
    g.header << QStringLiteral("Напр.");
    for (int d : shown)
        g.header << Number(d + 1);
    for (int r : shown) {
        QStringList row{Number(r + 1)};
        for (int col : shown)
            row << Number(c.interGreen[static_cast<std::size_t>(r)][static_cast<std::size_t>(col)]);
        g.rows.push_back(row);
    }
    out.push_back(Table(std::move(g)));
    QString note = QStringLiteral("Строка — направление, которое заканчивает зелёный, столбец — начинающее; секунды.");
    const QString left = LeftOut(rest, QStringLiteral(" Направление %1 не используется, его значения все 0."),
                                 QStringLiteral(" Направления %1 не используются, их значения все 0."));
    out.push_back(Text(note + left));
}

void Week(const Configuration& c, std::vector<ReportBlock>& out)
{
    out.push_back(Heading(Q(Catalogue::Page(PageId::Schedules).caption)));
    ReportTable t;
    t.header << QStringLiteral("День") << QStringLiteral("Точки переключения (время → программа)")
             << QStringLiteral("В силе");
    const std::vector<WeekSpan> spans = SignalModel::Week(c);
    for (int day = 0; day < kDayCount; ++day) {
        QStringList points;
        for (int slot = 0; slot < kSlotCount; ++slot) {
            const int v = c.week[static_cast<std::size_t>(day)][static_cast<std::size_t>(slot)];
            if (v != 0)
                points << SlotTime(slot) + QStringLiteral(" → ") + ProgramText(v);
        }
        QStringList force;
        for (const WeekSpan& s : spans)
            if (s.day == day)
                force << QStringLiteral("%1–%2 %3").arg(SlotTime(s.startSlot),
                                                       s.endSlot == kSlotCount ? QStringLiteral("24:00") : SlotTime(s.endSlot),
                                                       ProgramText(s.program));
        t.rows.push_back({DayName(day), points.isEmpty() ? QStringLiteral("—") : points.join(QStringLiteral(", ")),
                          force.join(QStringLiteral(", "))});
    }
    t.wrap = {false, true, true};
    out.push_back(Table(std::move(t)));
    out.push_back(ReportBlock{ReportBlock::Kind::Diagram, {}, {}, 0});
    out.push_back(ReportBlock{ReportBlock::Kind::Diagram, {}, {}, ReportBlock::kWeekLegend});
    out.push_back(Text(QStringLiteral("«В силе»: программа, которая работает в каждый отрезок дня (с вечера "
                                      "предыдущего дня до первой точки переключения); «Ж» — жёлтое мигание.")));
}

void Diagrams(const Configuration& c, std::vector<ReportBlock>& out)
{
    out.push_back(Heading(QStringLiteral("Временные диаграммы программ")));
    bool any = false;
    for (int p = 1; p <= kProgramCount; ++p) {
        const ProgramCycle cycle = ProgramCycle::Of(c, p);
        if (cycle.Empty())
            continue;
        // The key to the bars' colours, once, before the first diagram.
        if (!any)
            out.push_back(ReportBlock{ReportBlock::Kind::Diagram, {}, {}, ReportBlock::kSignalLegend});
        any = true;
        out.push_back(Subheading(QStringLiteral("Программа %1: цикл %2 с").arg(p).arg(cycle.Length())));
        out.push_back(ReportBlock{ReportBlock::Kind::Diagram, {}, {}, p});
    }
    if (!any)
        out.push_back(Text(QStringLiteral("Ни у одной программы нет фазы с временем больше 0.")));
}

void Check(const Configuration& c, std::vector<ReportBlock>& out)
{
    out.push_back(Heading(QStringLiteral("Проверка конфигурации")));
    const std::vector<Finding> findings = ConfigurationCheck(c);
    const auto errors = std::count_if(findings.begin(), findings.end(),
                                      [](const Finding& f) { return f.severity == Severity::Error; });
    const auto warnings = static_cast<qsizetype>(findings.size()) - errors;
    if (findings.empty()) {
        out.push_back(Text(QStringLiteral("Ошибок и предупреждений нет.")));
        return;
    }
    out.push_back(Text(QStringLiteral("Ошибок: %1, предупреждений: %2.").arg(errors).arg(warnings)));
    ReportTable t;
    t.header << QStringLiteral("№") << QStringLiteral("Вид") << QStringLiteral("Находка");
    // A plan far off may have thousands; the paper lists the first ones, errors first.
    int n = 0;
    for (const Finding& f : findings) {
        if (n == kPrintedFindings)
            break;
        t.rows.push_back({Number(++n), Q(SeverityText(f.severity)), Q(f.message)});
    }
    t.wrap = {false, false, true};
    out.push_back(Table(std::move(t)));
    if (findings.size() > static_cast<std::size_t>(kPrintedFindings))
        out.push_back(Text(QStringLiteral("Показаны первые %1 из %2. Весь список даёт «Проверить конфигурацию» "
                                          "(Ctrl+K) в станции или vlkctl check.")
                               .arg(kPrintedFindings)
                               .arg(findings.size())));
}

} // namespace

QString ReportContent::JunctionName(const Configuration& configuration)
{
    if (configuration.accountRecord.empty())
        return QStringLiteral("(не задана)");
    const TextConversion text = Cp1251::ToUtf8(configuration.accountRecord);
    if (text.text)
        return Q(*text.text);
    QStringList bytes;
    for (unsigned char ch : configuration.accountRecord)
        bytes << QStringLiteral("%1").arg(ch, 2, 16, QLatin1Char('0')).toUpper();
    return QStringLiteral("байты ") + bytes.join(QLatin1Char(' '));
}

QString ReportContent::NumberList(std::uint64_t mask, int count)
{
    QStringList parts;
    for (int i = 0; i < count;) {
        if (((mask >> i) & 1u) == 0) {
            ++i;
            continue;
        }
        int j = i;
        while (j + 1 < count && ((mask >> (j + 1)) & 1u) != 0)
            ++j;
        if (j - i >= 2)
            parts << QStringLiteral("%1–%2").arg(i + 1).arg(j + 1);
        else
            for (int k = i; k <= j; ++k)
                parts << Number(k + 1);
        i = j + 1;
    }
    return parts.isEmpty() ? QStringLiteral("—") : parts.join(QStringLiteral(", "));
}

std::vector<ReportBlock> ReportContent::Blocks(const ReportSource& source)
{
    const Configuration& c = source.configuration;
    std::vector<ReportBlock> blocks;
    TitleBlock(source, blocks);
    General(c, blocks);
    Directions(c, blocks);
    Programs(c, blocks);
    Week(c, blocks);
    Outputs(c, blocks);
    Sensors(c, blocks);
    Zad(c, blocks);
    Diagrams(c, blocks);
    Check(c, blocks);
    return blocks;
}

} // namespace vlk
