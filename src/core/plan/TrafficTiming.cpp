#include "plan/TrafficTiming.h"

#include "plan/SignalModel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace vlk {

namespace {

constexpr double kAnalysisHours = 0.25; // T
constexpr double kIncrementalK = 0.5;   // k, fixed time
constexpr double kUpstreamI = 1.0;      // I, an isolated junction
constexpr int kMaxDuration = 255;       // a duration is one byte of the image

std::string N(int value) { return std::to_string(value); }

// "0,93": a ratio as a Russian text gives it.
std::string Decimal(double value, int digits)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.*f", digits, value);
    std::string text = buffer;
    std::replace(text.begin(), text.end(), '.', ',');
    return text;
}

// The seconds a direction is green in a cycle of the given phase durations: its phases' own
// times, and every change between two of its phases (it stays green through it).
int GreenOf(const Configuration& c, int direction, const std::vector<int>& phases,
            const std::array<int, kPhaseCount>& duration)
{
    int green = 0;
    for (std::size_t i = 0; i < phases.size(); ++i) {
        const int phase = phases[i];
        if (!SignalModel::InPhase(c, direction, phase))
            continue;
        green += duration[phase - 1];
        const int next = phases[(i + 1) % phases.size()];
        if (next != phase && SignalModel::InPhase(c, direction, next))
            green += SignalModel::ChangeLength(c, phase, next);
    }
    return green;
}

// Whole seconds of `total` shared in proportion to `weight` among the phases not pinned at their
// minimum; a phase whose share falls below its minimum is pinned there and the rest shared again.
// The seconds that rounding down leaves go one each to the most loaded phases.
std::vector<int> Share(int total, const std::vector<double>& weight, const std::vector<int>& minimum)
{
    const std::size_t n = weight.size();
    std::vector<bool> pinned(n, false);
    std::vector<double> exact(n, 0.0);
    for (;;) {
        double free = total;
        double sum = 0;
        std::size_t freeCount = 0;
        for (std::size_t i = 0; i < n; ++i) {
            if (pinned[i]) {
                free -= minimum[i];
            } else {
                sum += weight[i];
                ++freeCount;
            }
        }
        bool changed = false;
        for (std::size_t i = 0; i < n; ++i) {
            if (pinned[i]) {
                exact[i] = minimum[i];
                continue;
            }
            exact[i] = sum > 0 ? free * weight[i] / sum : free / static_cast<double>(freeCount);
            if (exact[i] < minimum[i] - 1e-9) {
                pinned[i] = true;
                changed = true;
            }
        }
        if (!changed || freeCount == 0)
            break;
    }
    std::vector<int> whole(n);
    int given = 0;
    for (std::size_t i = 0; i < n; ++i) {
        whole[i] = pinned[i] ? minimum[i] : std::max(minimum[i], static_cast<int>(std::floor(exact[i] + 1e-9)));
        given += whole[i];
    }
    std::vector<std::size_t> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return weight[a] > weight[b]; });
    for (std::size_t k = 0; given < total && k < order.size(); ++k) {
        if (pinned[order[k]])
            continue;
        ++whole[order[k]];
        ++given;
    }
    return whole;
}

} // namespace

const DirectionTiming* TrafficTiming::Direction(int direction) const
{
    for (const DirectionTiming& d : directions)
        if (d.direction == direction)
            return &d;
    return nullptr;
}

const PhaseTiming* TrafficTiming::Phase(int phase) const
{
    for (const PhaseTiming& p : phases)
        if (p.phase == phase)
            return &p;
    return nullptr;
}

char LevelOfService(double delay)
{
    if (delay <= 10)
        return 'A';
    if (delay <= 20)
        return 'B';
    if (delay <= 35)
        return 'C';
    if (delay <= 55)
        return 'D';
    if (delay <= 80)
        return 'E';
    return 'F';
}

std::optional<std::string> TrafficInputsProblem(const TrafficInputs& inputs)
{
    if (inputs.program < 1 || inputs.program > kProgramCount)
        return "номер программы " + N(inputs.program) + " вне 1..9";
    if (inputs.maxCycle < 10 || inputs.maxCycle > 2000)
        return "наибольший цикл " + N(inputs.maxCycle) + " с вне 10..2000";
    for (int d = 1; d <= kDirectionCount; ++d) {
        const DirectionFlow& f = inputs.directions[d - 1];
        if (!std::isfinite(f.flow) || f.flow < 0 || f.flow > 20000)
            return "направление " + N(d) + ": интенсивность вне 0..20000";
        if (f.lanes < 1 || f.lanes > 9)
            return "направление " + N(d) + ": число полос " + N(f.lanes) + " вне 1..9";
        if (!std::isfinite(f.saturation) || f.saturation < 100 || f.saturation > 3600)
            return "направление " + N(d) + ": поток насыщения вне 100..3600";
    }
    return std::nullopt;
}

TrafficTiming ComputeTrafficTiming(const Configuration& c, const TrafficInputs& inputs)
{
    TrafficTiming t;
    t.program = inputs.program;
    if (const auto problem = TrafficInputsProblem(inputs)) {
        t.error = *problem;
        return t;
    }
    const int program = inputs.program;
    if (!SignalModel::ProgramRuns(c, program)) {
        t.error = "в программе " + N(program) + " у всех фаз длительность 0, рассчитывать нечего";
        return t;
    }

    // The program's phases in the order they run, and the lost time of its changes.
    std::vector<int> phases;
    const int first = SignalModel::NextPhase(c, program, 0);
    for (int phase = first;;) {
        phases.push_back(phase);
        const int next = SignalModel::NextPhase(c, program, phase);
        if (next != phase)
            t.lostTime += SignalModel::ChangeLength(c, phase, next);
        if (next == first)
            break;
        phase = next;
    }
    const std::size_t n = phases.size();

    // Flow ratios. A direction green in one phase sets that phase's ratio if it is the largest; one
    // green in several is counted once, in the phase of those whose ratio is already the largest
    // (the others give it green too, so it needs no more than that phase's share).
    std::array<double, kDirectionCount> y{};
    for (int d = 1; d <= kDirectionCount; ++d) {
        const DirectionFlow& f = inputs.directions[d - 1];
        y[d - 1] = f.flow / (f.lanes * f.saturation);
    }
    std::vector<double> phaseY(n, 0.0);
    std::vector<int> critical(n, 0);
    std::vector<int> several;
    for (int d = 1; d <= kDirectionCount; ++d) {
        std::vector<std::size_t> in;
        for (std::size_t i = 0; i < n; ++i)
            if (SignalModel::InPhase(c, d, phases[i]))
                in.push_back(i);
        if (in.size() > 1) {
            several.push_back(d);
        } else if (in.size() == 1 && y[d - 1] > phaseY[in[0]]) {
            phaseY[in[0]] = y[d - 1];
            critical[in[0]] = d;
        }
    }
    std::stable_sort(several.begin(), several.end(), [&](int a, int b) { return y[a - 1] > y[b - 1]; });
    for (int d : several) {
        std::size_t best = n;
        for (std::size_t i = 0; i < n; ++i)
            if (SignalModel::InPhase(c, d, phases[i]) && (best == n || phaseY[i] > phaseY[best]))
                best = i;
        if (y[d - 1] > phaseY[best]) {
            phaseY[best] = y[d - 1];
            critical[best] = d;
        }
    }
    t.Y = std::accumulate(phaseY.begin(), phaseY.end(), 0.0);

    // The least each phase may have.
    std::vector<int> minimum(n);
    int minimumSum = 0;
    for (std::size_t i = 0; i < n; ++i) {
        int m = std::max(1, static_cast<int>(c.phaseMinTime[phases[i] - 1]));
        for (int d = 1; d <= kDirectionCount; ++d)
            if (SignalModel::InPhase(c, d, phases[i]))
                m = std::max(m, static_cast<int>(c.minSignalTime[1][d - 1]));
        minimum[i] = m;
        minimumSum += m;
    }
    const int minimumCycle = t.lostTime + minimumSum;

    // The cycle: Webster's, in whole seconds, no shorter than the minimums need, no longer than allowed.
    int cycle = 0;
    if (t.Y < 1) {
        t.websterCycle = (1.5 * t.lostTime + 5) / (1 - t.Y);
        cycle = static_cast<int>(std::ceil(t.websterCycle - 1e-9));
        if (cycle > inputs.maxCycle) {
            t.warnings.push_back("цикл по Вебстеру " + N(cycle) + " с длиннее наибольшего " + N(inputs.maxCycle)
                                 + " с, взят наибольший");
            cycle = inputs.maxCycle;
        }
    } else {
        cycle = inputs.maxCycle;
        t.warnings.push_back("сумма фазовых коэффициентов Y = " + Decimal(t.Y, 3)
                             + " не меньше 1: перекрёсток перегружен при любом цикле, взят наибольший " + N(cycle) + " с");
    }
    if (t.Y >= 0.9 && t.Y < 1)
        t.warnings.push_back("сумма фазовых коэффициентов Y = " + Decimal(t.Y, 3)
                             + " не меньше 0,9: перекрёсток близок к насыщению");
    if (cycle < minimumCycle) {
        if (minimumCycle > inputs.maxCycle)
            t.warnings.push_back("минимальные времена фаз требуют цикла " + N(minimumCycle)
                                 + " с, длиннее наибольшего " + N(inputs.maxCycle) + " с");
        cycle = minimumCycle;
    }

    // The greens, each within one byte; what the byte cuts off shortens the cycle.
    std::vector<int> green = Share(cycle - t.lostTime, phaseY, minimum);
    std::array<int, kPhaseCount> duration{};
    t.cycle = t.lostTime;
    bool clipped = false;
    for (std::size_t i = 0; i < n; ++i) {
        if (green[i] > kMaxDuration) {
            green[i] = kMaxDuration;
            clipped = true;
        }
        duration[phases[i] - 1] = green[i];
        t.cycle += green[i];
        t.phases.push_back(PhaseTiming{phases[i], phaseY[i], critical[i], minimum[i], green[i],
                                       c.programDuration[program - 1][phases[i] - 1]});
    }
    if (clipped)
        t.warnings.push_back("длительность фазы не может быть больше 255 с, цикл сокращён до " + N(t.cycle) + " с");

    // Each direction with flow or with green: capacity, saturation, delay.
    for (int d = 1; d <= kDirectionCount; ++d) {
        const DirectionFlow& f = inputs.directions[d - 1];
        DirectionTiming r;
        r.direction = d;
        r.flow = f.flow;
        r.y = y[d - 1];
        r.green = GreenOf(c, d, phases, duration);
        r.served = r.green > 0;
        if (!r.served && f.flow <= 0)
            continue;
        if (!r.served) {
            r.los = 'F';
            t.warnings.push_back("направление " + N(d) + ": интенсивность " + Decimal(f.flow, 0)
                                 + " авт/ч, но оно не участвует ни в одной фазе программы " + N(program));
            t.directions.push_back(r);
            continue;
        }
        const double share = std::min(1.0, static_cast<double>(r.green) / t.cycle);
        r.capacity = f.saturation * f.lanes * share;
        r.degreeOfSaturation = f.flow / r.capacity;
        const double X = r.degreeOfSaturation;
        const double denominator = 1 - std::min(1.0, X) * share;
        r.uniformDelay = denominator > 0 ? 0.5 * t.cycle * (1 - share) * (1 - share) / denominator : 0;
        const double cT = r.capacity * kAnalysisHours;
        r.incrementalDelay = 900 * kAnalysisHours
                             * ((X - 1) + std::sqrt((X - 1) * (X - 1) + 8 * kIncrementalK * kUpstreamI * X / cT));
        r.delay = r.uniformDelay + r.incrementalDelay;
        r.los = LevelOfService(r.delay);
        if (X > 1)
            t.warnings.push_back("направление " + N(d) + ": степень насыщения X = " + Decimal(X, 2)
                                 + " больше 1, очередь растёт");
        t.directions.push_back(r);
    }
    return t;
}

Configuration WithTiming(const Configuration& configuration, const TrafficTiming& timing)
{
    Configuration c = configuration;
    if (!timing.Ok() || timing.program < 1 || timing.program > kProgramCount)
        return c;
    for (const PhaseTiming& p : timing.phases)
        c.programDuration[timing.program - 1][p.phase - 1] = static_cast<std::uint8_t>(std::clamp(p.duration, 1, kMaxDuration));
    return c;
}

} // namespace vlk
