#include "SumoExport.h"

#include "plan/ProgramCycle.h"
#include "plan/SignalModel.h"

#include <vector>

namespace vlk {

namespace {

// A program that cannot run flashes yellow for ever; one phase of any length says so.
constexpr int kFlashingPhaseSeconds = 60;

std::string Escaped(const std::string& text)
{
    std::string out;
    for (const char ch : text) {
        switch (ch) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += ch;
        }
    }
    return out;
}

std::string PartName(const CyclePart& part)
{
    if (part.IsChange())
        return std::to_string(part.phase) + "→" + std::to_string(part.target);
    return std::to_string(part.phase);
}

std::string PhaseLine(int duration, const std::string& state, const std::string& name)
{
    std::string line = "        <phase duration=\"" + std::to_string(duration) + "\" state=\"" + state + "\"";
    if (!name.empty())
        line += " name=\"" + name + "\"";
    return line + "/>\n";
}

std::string Program(const Configuration& c, int program, const std::string& tlsId)
{
    std::string text = "    <tlLogic id=\"" + Escaped(tlsId) + "\" type=\"static\" programID=\"" +
                       std::to_string(program) + "\" offset=\"0\">\n";
    const ProgramCycle cycle = ProgramCycle::Of(c, program);
    if (cycle.Empty()) {
        std::string state;
        for (int d = 1; d <= kDirectionCount; ++d)
            state += SumoSignal(SignalModel::InUse(c, d) ? Signal::YellowFlashing : Signal::Dark);
        text += PhaseLine(kFlashingPhaseSeconds, state, "");
    } else {
        for (const CycleStretch& stretch : cycle.Stretches()) {
            std::string state;
            for (int d = 1; d <= kDirectionCount; ++d)
                state += SumoSignal(cycle.At(d, stretch.start));
            text += PhaseLine(stretch.length, state, PartName(cycle.PartAt(stretch.start)));
        }
    }
    return text + "    </tlLogic>\n";
}

std::string NetHint(const Configuration& c, const std::string& tlsId)
{
    std::string text = "    <!-- Индексы сигналов светофора " + Escaped(tlsId) +
                       " (linkIndex в сети): индекс k управляется направлением k+1.\n";
    for (int d = 1; d <= kDirectionCount; ++d) {
        text += "         " + std::to_string(d - 1) + ": направление " + std::to_string(d);
        if (!SignalModel::InUse(c, d)) {
            text += ", не используется (O)\n";
            continue;
        }
        std::vector<int> phases;
        for (int p = 1; p <= kPhaseCount; ++p)
            if (SignalModel::InPhase(c, d, p))
                phases.push_back(p);
        text += phases.size() == 1 ? ", фаза " : ", фазы ";
        for (std::size_t i = 0; i < phases.size(); ++i)
            text += (i ? ", " : "") + std::to_string(phases[i]);
        text += '\n';
    }
    return text + "    -->\n";
}

} // namespace

char SumoSignal(Signal signal)
{
    switch (signal) {
    case Signal::Dark:
        return 'O';
    case Signal::Red:
        return 'r';
    case Signal::RedYellow:
        return 'u';
    case Signal::Green:
    case Signal::GreenFlashing:
        return 'G';
    case Signal::Yellow:
        return 'y';
    case Signal::YellowFlashing:
        return 'o';
    }
    return 'O';
}

std::string SumoPrograms(const Configuration& configuration, const SumoOptions& options)
{
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<additional>\n";
    if (options.netHint)
        text += NetHint(configuration, options.tlsId);
    for (int p = 1; p <= kProgramCount; ++p)
        if (p != options.startProgram)
            text += Program(configuration, p, options.tlsId);
    if (options.startProgram >= 1 && options.startProgram <= kProgramCount)
        text += Program(configuration, options.startProgram, options.tlsId);
    return text + "</additional>\n";
}

} // namespace vlk
