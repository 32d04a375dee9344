#include "plan/ProgramCycle.h"

#include <algorithm>

namespace vlk {

namespace {

int Wrap(int second, int length) { return (second % length + length) % length; }

} // namespace

ProgramCycle ProgramCycle::Of(const Configuration& c, int program)
{
    ProgramCycle cycle;
    cycle.m_program = program;
    if (!SignalModel::ProgramRuns(c, program))
        return cycle;
    const auto& durations = c.programDuration[program - 1];
    const int first = SignalModel::NextPhase(c, program, 0);
    int phase = first;
    int t = 0;
    do {
        const int own = durations[phase - 1];
        cycle.m_parts.push_back(CyclePart{phase, 0, t, own});
        for (int d = 1; d <= kDirectionCount; ++d)
            cycle.Append(d, SignalModel::InPhaseSignal(c, d, phase), t, own);
        t += own;
        const int next = SignalModel::NextPhase(c, program, phase);
        if (next != phase) {
            const int length = SignalModel::ChangeLength(c, phase, next);
            if (length > 0) {
                cycle.m_parts.push_back(CyclePart{phase, next, t, length});
                for (int d = 1; d <= kDirectionCount; ++d)
                    for (const SignalSpan& span : SignalModel::Change(c, d, phase, next, length))
                        cycle.Append(d, span.signal, t + span.start, span.length);
                t += length;
            }
        }
        phase = next;
    } while (phase != first);
    cycle.m_length = t;
    return cycle;
}

void ProgramCycle::Append(int direction, Signal signal, int start, int length)
{
    auto& spans = m_spans[direction - 1];
    if (!spans.empty() && spans.back().signal == signal)
        spans.back().length += length;
    else
        spans.push_back(SignalSpan{signal, start, length});
}

Signal ProgramCycle::At(int direction, int second) const
{
    if (m_length == 0 || direction < 1 || direction > kDirectionCount)
        return Signal::Dark;
    const int s = Wrap(second, m_length);
    const auto& spans = m_spans[direction - 1];
    const auto it = std::upper_bound(spans.begin(), spans.end(), s, [](int v, const SignalSpan& span) { return v < span.start; });
    return std::prev(it)->signal;
}

CyclePart ProgramCycle::PartAt(int second) const
{
    if (m_length == 0)
        return {};
    const int s = Wrap(second, m_length);
    const auto it = std::upper_bound(m_parts.begin(), m_parts.end(), s, [](int v, const CyclePart& part) { return v < part.start; });
    return *std::prev(it);
}

std::vector<CycleStretch> ProgramCycle::Stretches() const
{
    std::vector<int> cuts;
    for (const CyclePart& part : m_parts)
        cuts.push_back(part.start);
    for (const auto& spans : m_spans)
        for (const SignalSpan& span : spans)
            cuts.push_back(span.start);
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    std::vector<CycleStretch> stretches;
    for (std::size_t i = 0; i < cuts.size(); ++i)
        stretches.push_back(CycleStretch{cuts[i], (i + 1 < cuts.size() ? cuts[i + 1] : m_length) - cuts[i]});
    return stretches;
}

} // namespace vlk
