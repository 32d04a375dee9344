#include "plan/ConfigurationCheck.h"

#include "plan/ProgramCycle.h"
#include "plan/SignalModel.h"

#include <algorithm>
#include <array>
#include <bitset>

namespace vlk {

namespace {

// A stretch of the cycle in which a direction shows one kind of signal, read on the circle:
// `start` is in [0, cycle), the run may wrap past the cycle's end; `length` equal to the cycle
// means all of it.
struct Arc {
    int start = 0;
    int length = 0;
};

int Mod(int value, int length) { return (value % length + length) % length; }

template <class Pred>
std::vector<Arc> Runs(const std::vector<SignalSpan>& spans, int cycle, Pred pred)
{
    std::vector<Arc> runs;
    bool open = false;
    for (const SignalSpan& span : spans) {
        if (!pred(span.signal)) {
            open = false;
            continue;
        }
        if (open)
            runs.back().length += span.length;
        else
            runs.push_back(Arc{span.start, span.length});
        open = true;
    }
    // A run that reaches the end of the cycle goes on into the one at its start.
    if (runs.size() >= 2 && runs.front().start == 0 && runs.back().start + runs.back().length == cycle) {
        runs.back().length += runs.front().length;
        runs.erase(runs.begin());
    }
    return runs;
}

bool Whole(const std::vector<Arc>& runs, int cycle) { return runs.size() == 1 && runs[0].length >= cycle; }

bool Covers(const Arc& run, int second, int cycle) { return Mod(second - run.start, cycle) < run.length; }

// Where two directions' runs overlap on the circle.
std::vector<Arc> Overlaps(const std::vector<Arc>& a, const std::vector<Arc>& b, int cycle)
{
    if (Whole(a, cycle))
        return b;
    if (Whole(b, cycle))
        return a;
    std::vector<Arc> result;
    for (const Arc& x : a) {
        for (const Arc& y : b) {
            for (int k = -1; k <= 1; ++k) {
                const int start = std::max(x.start, y.start + k * cycle);
                const int end = std::min(x.start + x.length, y.start + y.length + k * cycle);
                if (start < end)
                    result.push_back(Arc{Mod(start, cycle), end - start});
            }
        }
    }
    std::sort(result.begin(), result.end(), [](const Arc& l, const Arc& r) { return l.start < r.start; });
    return result;
}

struct ProgramView {
    ProgramCycle cycle;
    std::array<std::vector<Arc>, kDirectionCount> green;
    std::array<std::vector<Arc>, kDirectionCount> red;
};

std::string N(int value) { return std::to_string(value); }

const char* const kLampInstrumental[] = {"красной лампой", "жёлтой лампой", "зелёной лампой"};

class Checker {
public:
    explicit Checker(const Configuration& c) : m_c(c), m_week(SignalModel::WeekTable(c))
    {
        for (int p = 1; p <= kProgramCount; ++p) {
            ProgramView& view = m_views[p - 1];
            view.cycle = ProgramCycle::Of(c, p);
            if (view.cycle.Empty())
                continue;
            for (int d = 1; d <= kDirectionCount; ++d) {
                view.green[d - 1] = Runs(view.cycle.Spans(d), view.cycle.Length(), IsGreen);
                view.red[d - 1] = Runs(view.cycle.Spans(d), view.cycle.Length(), IsRed);
            }
            for (const CyclePart& part : view.cycle.Parts())
                if (part.IsChange())
                    m_cycleChanges[part.phase - 1].set(part.target - 1);
        }
    }

    std::vector<Finding> Run()
    {
        ConflictingGreens();
        Intergreen();
        MinPhaseTime();
        MinSignal(true);
        MinSignal(false);
        EmptyProgram();
        TvpPhase();
        OutputShared();
        OutputMissing();
        YellowMissing();
        SensorMissing();
        NoSteps();
        EmptyPhase();
        IntergreenAsymmetric();
        EmptyWeek();
        std::stable_sort(m_findings.begin(), m_findings.end(),
                         [](const Finding& a, const Finding& b) { return a.severity < b.severity; });
        return std::move(m_findings);
    }

private:
    int IG(int r, int c) const { return m_c.interGreen[r - 1][c - 1]; }
    int Step(int d, StepIndex step) const { return m_c.directions[d - 1].stepTimes[step]; }

    Finding& Add(Severity severity, const char* rule)
    {
        Finding& f = m_findings.emplace_back();
        f.severity = severity;
        f.rule = rule;
        return f;
    }

    // "Программа 2, фаза 3" or "Программа 2, смена фаз 1→2", and the finding's program and phase.
    std::string Place(Finding& f, int program, const CyclePart& part) const
    {
        f.program = program;
        std::string text = "Программа " + N(program);
        if (part.IsChange()) {
            f.fromPhase = part.phase;
            f.phase = part.target;
            text += ", смена фаз " + N(part.phase) + "→" + N(part.target);
        } else {
            f.phase = part.phase;
            text += ", фаза " + N(part.phase);
        }
        return text;
    }

    std::string SecondText(Finding& f, int second) const
    {
        f.second = second;
        return " (секунда цикла " + N(second) + ")";
    }

    std::string SwitchPlace(Finding& f, int slot) const
    {
        f.day = slot / kSlotCount;
        f.minute = slot % kSlotCount * 30;
        return std::string(CheckDayName(*f.day)) + " " + CheckTime(*f.minute);
    }

    void ConflictingGreens()
    {
        for (int p = 1; p <= kProgramCount; ++p) {
            const ProgramView& view = m_views[p - 1];
            const int cycle = view.cycle.Length();
            for (int i = 1; i <= kDirectionCount; ++i) {
                if (view.green[i - 1].empty())
                    continue;
                for (int j = i + 1; j <= kDirectionCount; ++j) {
                    if ((IG(i, j) == 0 && IG(j, i) == 0) || view.green[j - 1].empty())
                        continue;
                    for (const Arc& overlap : Overlaps(view.green[i - 1], view.green[j - 1], cycle)) {
                        Finding& f = Add(Severity::Error, "conflicting-greens");
                        f.directions = {i, j};
                        f.measured = std::min(overlap.length, cycle);
                        f.required = std::max(IG(i, j), IG(j, i));
                        std::string times = N(*f.required) + " с";
                        if (IG(i, j) != 0 && IG(j, i) != 0 && IG(i, j) != IG(j, i))
                            times = N(IG(i, j)) + " с (" + N(i) + "→" + N(j) + ") и " + N(IG(j, i)) + " с (" + N(j)
                                    + "→" + N(i) + ")";
                        f.message = Place(f, p, view.cycle.PartAt(overlap.start)) + SecondText(f, overlap.start)
                                    + ": направления " + N(i) + " и " + N(j)
                                    + " зелёные вместе, а между ними межзелёный интервал " + times;
                    }
                }
            }
        }
    }

    std::string IntergreenText(int r, int c, int gap, int required) const
    {
        return "от конца зелёного направления " + N(r) + " до начала зелёного направления " + N(c) + " проходит "
               + N(gap) + " с, а межзелёный интервал требует " + N(required) + " с";
    }

    void Intergreen()
    {
        // Within each program's cycle: from the last end of r's green to each start of c's green.
        for (int p = 1; p <= kProgramCount; ++p) {
            const ProgramView& view = m_views[p - 1];
            const int cycle = view.cycle.Length();
            for (int r = 1; r <= kDirectionCount; ++r) {
                const auto& closing = view.green[r - 1];
                if (closing.empty() || Whole(closing, cycle))
                    continue;
                for (int c = 1; c <= kDirectionCount; ++c) {
                    const auto& opening = view.green[c - 1];
                    if (c == r || IG(r, c) == 0 || opening.empty() || Whole(opening, cycle))
                        continue;
                    for (const Arc& run : opening) {
                        const int s = run.start;
                        if (std::any_of(closing.begin(), closing.end(), [&](const Arc& x) { return Covers(x, s, cycle); }))
                            continue; // green together: conflicting-greens
                        int gap = cycle;
                        for (const Arc& x : closing)
                            gap = std::min(gap, Mod(s - (x.start + x.length), cycle));
                        if (gap >= IG(r, c))
                            continue;
                        Finding& f = Add(Severity::Error, "intergreen");
                        f.directions = {r, c};
                        f.measured = gap;
                        f.required = IG(r, c);
                        // The change that leads into c's green: the part just before it.
                        CyclePart before = view.cycle.PartAt(s - 1);
                        if (!before.IsChange())
                            before = CyclePart{before.phase, view.cycle.PartAt(s).phase, before.start, before.length};
                        f.message = Place(f, p, before) + SecondText(f, s) + ": " + IntergreenText(r, c, gap, IG(r, c));
                    }
                }
            }
        }
        // At a program change: the change from the phase running at the switch into the new
        // program's next phase, where that change is not already part of some cycle.
        std::array<std::bitset<kPhaseCount>, kPhaseCount> seen = m_cycleChanges;
        for (int slot = 0; slot < kWeekSlots; ++slot) {
            const int to = m_c.week[slot / kSlotCount][slot % kSlotCount];
            const int from = m_week[(slot + kWeekSlots - 1) % kWeekSlots];
            if (to < 1 || to > kProgramCount || to == from || !SignalModel::ProgramRuns(m_c, to)
                || !SignalModel::ProgramRuns(m_c, from))
                continue;
            for (int x = 1; x <= kPhaseCount; ++x) {
                if (m_c.programDuration[from - 1][x - 1] == 0)
                    continue;
                const int y = SignalModel::NextPhase(m_c, to, x);
                if (y == x || seen[x - 1][y - 1])
                    continue;
                seen[x - 1].set(y - 1);
                ProgramChange(slot, from, to, x, y);
            }
        }
    }

    void ProgramChange(int slot, int from, int to, int x, int y)
    {
        const int length = SignalModel::ChangeLength(m_c, x, y);
        for (int r = 1; r <= kDirectionCount; ++r) {
            if (!SignalModel::InPhase(m_c, r, x) || SignalModel::InPhase(m_c, r, y))
                continue;
            int greenEnd = 0;
            for (const SignalSpan& span : SignalModel::Change(m_c, r, x, y, length))
                if (IsGreen(span.signal))
                    greenEnd = span.End();
            for (int c = 1; c <= kDirectionCount; ++c) {
                if (c == r || IG(r, c) == 0 || SignalModel::InPhase(m_c, c, x) || !SignalModel::InPhase(m_c, c, y))
                    continue;
                const int gap = length - greenEnd;
                if (gap >= IG(r, c))
                    continue;
                Finding& f = Add(Severity::Error, "intergreen");
                f.directions = {r, c};
                f.measured = gap;
                f.required = IG(r, c);
                f.program = to;
                f.fromPhase = x;
                f.phase = y;
                f.message = SwitchPlace(f, slot) + ", переход с программы " + N(from) + " на программу " + N(to)
                            + ", смена фаз " + N(x) + "→" + N(y) + ": " + IntergreenText(r, c, gap, IG(r, c));
            }
        }
    }

    void MinPhaseTime()
    {
        for (int p = 1; p <= kProgramCount; ++p) {
            for (int phase = 1; phase <= kPhaseCount; ++phase) {
                const int duration = m_c.programDuration[p - 1][phase - 1];
                const int minimum = m_c.phaseMinTime[phase - 1];
                if (duration == 0 || duration >= minimum)
                    continue;
                Finding& f = Add(Severity::Error, "min-phase-time");
                f.program = p;
                f.phase = phase;
                f.measured = duration;
                f.required = minimum;
                f.message = "Программа " + N(p) + ", фаза " + N(phase) + ": длительность " + N(duration)
                            + " с меньше минимального времени фазы " + N(minimum) + " с";
            }
        }
    }

    void MinSignal(bool green)
    {
        for (int p = 1; p <= kProgramCount; ++p) {
            const ProgramView& view = m_views[p - 1];
            const int cycle = view.cycle.Length();
            for (int d = 1; d <= kDirectionCount; ++d) {
                const int minimum = m_c.minSignalTime[green ? 1 : 0][d - 1];
                const auto& runs = green ? view.green[d - 1] : view.red[d - 1];
                if (minimum == 0 || Whole(runs, cycle))
                    continue;
                for (const Arc& run : runs) {
                    if (run.length >= minimum)
                        continue;
                    Finding& f = Add(Severity::Error, green ? "min-green" : "min-red");
                    f.directions = {d};
                    f.measured = run.length;
                    f.required = minimum;
                    f.message = Place(f, p, view.cycle.PartAt(run.start)) + SecondText(f, run.start) + ": направление "
                                + N(d) + (green ? " зелёное " : " красное ") + N(run.length) + " с, а минимальный "
                                + (green ? "зелёный " : "красный ") + N(minimum) + " с";
                }
            }
        }
    }

    void EmptyProgram()
    {
        for (int slot = 0; slot < kWeekSlots; ++slot) {
            const int program = m_c.week[slot / kSlotCount][slot % kSlotCount];
            if (program < 1 || program > kProgramCount || SignalModel::ProgramRuns(m_c, program))
                continue;
            Finding& f = Add(Severity::Error, "empty-program");
            f.program = program;
            f.message = SwitchPlace(f, slot) + ": переключение на программу " + N(program)
                        + ", в которой у всех фаз длительность 0 (контроллер перейдёт на жёлтое мигание)";
        }
    }

    void TvpPhase()
    {
        for (int p = 1; p <= kProgramCount; ++p) {
            for (int t = 0; t < 2; ++t) {
                const int phase = (t == 0 ? m_c.tvp1 : m_c.tvp2)[p - 1];
                if (phase < 1 || phase > kPhaseCount || m_c.programDuration[p - 1][phase - 1] != 0)
                    continue;
                Finding& f = Add(Severity::Error, "tvp-phase");
                f.program = p;
                f.phase = phase;
                f.message = "Программа " + N(p) + ", фаза " + N(phase) + ": фаза ТВП" + N(t + 1)
                            + " имеет длительность 0";
            }
        }
    }

    void OutputShared()
    {
        for (int o = 1; o <= kOutputCount; ++o) {
            const std::uint64_t bit = std::uint64_t{1} << (o - 1);
            std::vector<std::string> parts;
            std::vector<int> directions;
            int lamps = 0;
            for (int row = 0; row < kLampRowCount; ++row) {
                if ((m_c.lampOutputs[row] & bit) == 0)
                    continue;
                ++lamps;
                const int d = row / 3 + 1;
                parts.push_back(std::string(kLampInstrumental[row % 3]) + " направления " + N(d));
                if (std::find(directions.begin(), directions.end(), d) == directions.end())
                    directions.push_back(d);
            }
            int boards = 0;
            for (int t = 0; t < 2; ++t) {
                if (m_c.waitBoards[t] & bit) {
                    ++boards;
                    parts.push_back("табло «ЖДИТЕ» ТВП " + N(t + 1));
                }
            }
            if (lamps < 2 && (lamps == 0 || boards == 0))
                continue;
            Finding& f = Add(Severity::Error, "output-shared");
            f.output = o;
            f.directions = directions;
            std::string list;
            for (std::size_t i = 0; i < parts.size(); ++i)
                list += (i == 0 ? "" : i + 1 == parts.size() ? " и " : ", ") + parts[i];
            f.message = "Выход " + N(o) + " управляет сразу " + list;
        }
    }

    std::uint64_t Lamp(int d, int lamp) const { return m_c.lampOutputs[3 * (d - 1) + lamp]; }

    // What a direction lacks of a red and a green item, in the words given.
    static std::string Lacking(bool red, bool green, const char* both, const char* redOnly, const char* greenOnly)
    {
        return !red && !green ? both : !red ? redOnly : greenOnly;
    }

    void OutputMissing()
    {
        for (int d = 1; d <= kDirectionCount; ++d) {
            if (!SignalModel::InUse(m_c, d))
                continue;
            const bool red = Lamp(d, 0) != 0;
            const bool green = Lamp(d, 2) != 0;
            if (red && green)
                continue;
            Finding& f = Add(Severity::Error, "output-missing");
            f.directions = {d};
            f.message = "Направление " + N(d) + " участвует в фазах, но у него нет выхода "
                        + Lacking(red, green, "красной и зелёной ламп", "красной лампы", "зелёной лампы");
        }
    }

    void YellowMissing()
    {
        for (int d = 1; d <= kDirectionCount; ++d) {
            const int yellow = Step(d, StepYellow);
            const int redYellow = Step(d, StepRedYellow);
            if (!SignalModel::InUse(m_c, d) || (yellow == 0 && redYellow == 0) || Lamp(d, 1) != 0)
                continue;
            Finding& f = Add(Severity::Warning, "yellow-missing");
            f.directions = {d};
            f.message = "Направление " + N(d) + " показывает жёлтый (Т жел. " + N(yellow) + " с, Т кр.жел. "
                        + N(redYellow) + " с), но у него нет выхода жёлтой лампы";
        }
    }

    void SensorMissing()
    {
        for (int d = 1; d <= kDirectionCount; ++d) {
            if (Lamp(d, 0) == 0 && Lamp(d, 1) == 0 && Lamp(d, 2) == 0)
                continue;
            const bool red = m_c.redSensors[d - 1] != 0;
            const bool green = m_c.greenSensors[d - 1] != 0;
            if (red && green)
                continue;
            Finding& f = Add(Severity::Warning, "sensor-missing");
            f.directions = {d};
            f.message = "Направление " + N(d) + ": лампы подключены к выходам, но нет датчика контроля "
                        + Lacking(red, green, "красных и зелёных ламп", "красных ламп", "зелёных ламп");
        }
    }

    void NoSteps()
    {
        for (int d = 1; d <= kDirectionCount; ++d) {
            const auto& steps = m_c.directions[d - 1].stepTimes;
            if (!SignalModel::InUse(m_c, d) || std::any_of(steps.begin(), steps.end(), [](std::uint8_t s) { return s != 0; }))
                continue;
            for (int p = 1; p <= kProgramCount; ++p) {
                const ProgramView& view = m_views[p - 1];
                const auto& green = view.green[d - 1];
                if (green.empty() || Whole(green, view.cycle.Length()))
                    continue;
                Finding& f = Add(Severity::Warning, "no-steps");
                f.program = p;
                f.directions = {d};
                f.message = "Программа " + N(p) + ": направление " + N(d)
                            + " меняет сигнал, а все его промежуточные такты равны 0 (зелёный сразу сменяется красным)";
                break;
            }
        }
    }

    void EmptyPhase()
    {
        for (int p = 1; p <= kProgramCount; ++p) {
            for (int phase = 1; phase <= kPhaseCount; ++phase) {
                const int duration = m_c.programDuration[p - 1][phase - 1];
                if (duration == 0)
                    continue;
                bool any = false;
                for (int d = 1; d <= kDirectionCount && !any; ++d)
                    any = SignalModel::InPhase(m_c, d, phase);
                if (any)
                    continue;
                Finding& f = Add(Severity::Warning, "empty-phase");
                f.program = p;
                f.phase = phase;
                f.message = "Программа " + N(p) + ", фаза " + N(phase) + ": длительность " + N(duration)
                            + " с, а в фазе нет ни одного направления";
            }
        }
    }

    void IntergreenAsymmetric()
    {
        for (int r = 1; r <= kDirectionCount; ++r) {
            if (IG(r, r) != 0) {
                Finding& f = Add(Severity::Warning, "intergreen-asymmetric");
                f.directions = {r, r};
                f.message = "Межзелёный интервал направления " + N(r) + " с самим собой равен " + N(IG(r, r)) + " с";
            }
            for (int c = r + 1; c <= kDirectionCount; ++c) {
                if ((IG(r, c) != 0) == (IG(c, r) != 0))
                    continue;
                const int a = IG(r, c) != 0 ? r : c;
                const int b = a == r ? c : r;
                Finding& f = Add(Severity::Warning, "intergreen-asymmetric");
                f.directions = {a, b};
                f.message = "Межзелёный интервал " + N(a) + "→" + N(b) + " равен " + N(IG(a, b)) + " с, а " + N(b)
                            + "→" + N(a) + " не задан";
            }
        }
    }

    void EmptyWeek()
    {
        for (const auto& day : m_c.week)
            for (int slot : day)
                if (slot != 0)
                    return;
        Finding& f = Add(Severity::Warning, "empty-week");
        f.message = "В графиках работы нет ни одной точки переключения (контроллер работает по программе 1)";
    }

    const Configuration& m_c;
    std::array<std::uint8_t, kWeekSlots> m_week;
    std::array<ProgramView, kProgramCount> m_views;
    std::array<std::bitset<kPhaseCount>, kPhaseCount> m_cycleChanges{};
    std::vector<Finding> m_findings;
};

} // namespace

std::string_view SeverityText(Severity severity)
{
    return severity == Severity::Error ? "Ошибка" : "Предупреждение";
}

std::string_view CheckDayName(int day)
{
    return day >= 0 && day < kDayCount ? kDayNames[static_cast<std::size_t>(day)] : "?";
}

std::string CheckTime(int minute)
{
    const int h = minute / 60;
    const int m = minute % 60;
    return std::string{static_cast<char>('0' + h / 10), static_cast<char>('0' + h % 10), ':',
                       static_cast<char>('0' + m / 10), static_cast<char>('0' + m % 10)};
}

std::vector<Finding> ConfigurationCheck(const Configuration& configuration)
{
    return Checker(configuration).Run();
}

bool HasErrors(const std::vector<Finding>& findings)
{
    return std::any_of(findings.begin(), findings.end(), [](const Finding& f) { return f.severity == Severity::Error; });
}

} // namespace vlk
