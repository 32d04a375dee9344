#include "config/ConfigurationCompare.h"

#include <algorithm>

namespace vlk {

namespace {

using M = ValueRef::Member;

template <typename T>
bool BitOf(T mask, int bit)
{
    return ((mask >> bit) & 1u) != 0;
}

template <typename T>
void CopyBit(T& into, T from, int bit)
{
    const T one = static_cast<T>(T{1} << bit);
    into = static_cast<T>(BitOf(from, bit) ? (into | one) : (into & ~one));
}

template <std::size_t N, typename T>
void Bytes(std::vector<ValueRef>& out, M member, const std::array<T, N>& a, const std::array<T, N>& b, int index = -1)
{
    for (std::size_t i = 0; i < N; ++i)
        if (a[i] != b[i])
            out.push_back(index < 0 ? ValueRef{member, static_cast<int>(i), 0, 0}
                                    : ValueRef{member, index, static_cast<int>(i), 0});
}

template <std::size_t N, typename T>
void Bits(std::vector<ValueRef>& out, M member, const std::array<T, N>& a, const std::array<T, N>& b, int bits)
{
    for (std::size_t i = 0; i < N; ++i)
        for (int bit = 0; bit < bits; ++bit)
            if (BitOf(a[i], bit) != BitOf(b[i], bit))
                out.push_back(ValueRef{member, static_cast<int>(i), 0, bit});
}

} // namespace

std::vector<ValueRef> DifferingValues(const Configuration& a, const Configuration& b)
{
    std::vector<ValueRef> out;
    if (a.circularRedTime != b.circularRedTime)
        out.push_back({M::CircularRedTime});
    if (a.masterController != b.masterController)
        out.push_back({M::MasterController});
    if (a.syncDelay != b.syncDelay)
        out.push_back({M::SyncDelay});
    Bytes(out, M::PhaseMinTime, a.phaseMinTime, b.phaseMinTime);
    for (int p = 0; p < kProgramCount; ++p)
        Bytes(out, M::ProgramDuration, a.programDuration[static_cast<std::size_t>(p)],
              b.programDuration[static_cast<std::size_t>(p)], p);
    Bytes(out, M::Tvp1, a.tvp1, b.tvp1);
    Bytes(out, M::Tvp2, a.tvp2, b.tvp2);
    for (int d = 0; d < kDirectionCount; ++d) {
        const Direction& x = a.directions[static_cast<std::size_t>(d)];
        const Direction& y = b.directions[static_cast<std::size_t>(d)];
        for (int bit = 0; bit < kPhaseCount; ++bit)
            if (BitOf(x.phaseMask, bit) != BitOf(y.phaseMask, bit))
                out.push_back({M::PhaseMask, d, 0, bit});
        Bytes(out, M::StepTime, x.stepTimes, y.stepTimes, d);
    }
    for (int day = 0; day < kDayCount; ++day)
        Bytes(out, M::WeekSlot, a.week[static_cast<std::size_t>(day)], b.week[static_cast<std::size_t>(day)], day);
    Bytes(out, M::Priority, a.priority, b.priority);
    Bits(out, M::LampOutput, a.lampOutputs, b.lampOutputs, 64);
    Bits(out, M::WaitBoard, a.waitBoards, b.waitBoards, 64);
    Bits(out, M::RedSensor, a.redSensors, b.redSensors, 16);
    Bits(out, M::GreenSensor, a.greenSensors, b.greenSensors, 32);
    for (int k = 0; k < 2; ++k)
        Bytes(out, M::MinSignalTime, a.minSignalTime[static_cast<std::size_t>(k)],
              b.minSignalTime[static_cast<std::size_t>(k)], k);
    for (int r = 0; r < kDirectionCount; ++r)
        Bytes(out, M::InterGreen, a.interGreen[static_cast<std::size_t>(r)], b.interGreen[static_cast<std::size_t>(r)], r);
    if (a.accountRecord != b.accountRecord)
        out.push_back({M::AccountRecord});
    return out;
}

void TakeValues(Configuration& into, const Configuration& from, const std::vector<ValueRef>& refs)
{
    for (const ValueRef& r : refs) {
        const auto i = static_cast<std::size_t>(r.index);
        const auto j = static_cast<std::size_t>(r.sub);
        switch (r.member) {
        case M::CircularRedTime: into.circularRedTime = from.circularRedTime; break;
        case M::MasterController: into.masterController = from.masterController; break;
        case M::SyncDelay: into.syncDelay = from.syncDelay; break;
        case M::PhaseMinTime: into.phaseMinTime[i] = from.phaseMinTime[i]; break;
        case M::ProgramDuration: into.programDuration[i][j] = from.programDuration[i][j]; break;
        case M::Tvp1: into.tvp1[i] = from.tvp1[i]; break;
        case M::Tvp2: into.tvp2[i] = from.tvp2[i]; break;
        case M::PhaseMask: CopyBit(into.directions[i].phaseMask, from.directions[i].phaseMask, r.bit); break;
        case M::StepTime: into.directions[i].stepTimes[j] = from.directions[i].stepTimes[j]; break;
        case M::WeekSlot: into.week[i][j] = from.week[i][j]; break;
        case M::Priority: into.priority[i] = from.priority[i]; break;
        case M::LampOutput: CopyBit(into.lampOutputs[i], from.lampOutputs[i], r.bit); break;
        case M::WaitBoard: CopyBit(into.waitBoards[i], from.waitBoards[i], r.bit); break;
        case M::RedSensor: CopyBit(into.redSensors[i], from.redSensors[i], r.bit); break;
        case M::GreenSensor: CopyBit(into.greenSensors[i], from.greenSensors[i], r.bit); break;
        case M::MinSignalTime: into.minSignalTime[i][j] = from.minSignalTime[i][j]; break;
        case M::InterGreen: into.interGreen[i][j] = from.interGreen[i][j]; break;
        case M::AccountRecord: into.accountRecord = from.accountRecord; break;
        }
    }
}

std::vector<Difference> CompareConfigurations(const Configuration& pages, const Configuration& controller,
                                              const DifferenceLines& lines)
{
    std::vector<Difference> result;
    for (std::string& text : lines(pages, controller))
        result.push_back({std::move(text), {}});
    // A line belongs to the values whose taking alone makes it go (or change its words): a value
    // that decides how several lines read (one output's bit in two lamp rows) joins each of them.
    for (const ValueRef& value : DifferingValues(pages, controller)) {
        Configuration taken = pages;
        TakeValues(taken, controller, {value});
        const std::vector<std::string> left = lines(taken, controller);
        for (Difference& d : result)
            if (std::find(left.begin(), left.end(), d.text) == left.end())
                d.values.push_back(value);
    }
    return result;
}

} // namespace vlk
