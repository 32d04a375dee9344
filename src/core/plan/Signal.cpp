#include "plan/Signal.h"

namespace vlk {

std::string_view SignalCode(Signal signal)
{
    switch (signal) {
    case Signal::Dark:
        return "-";
    case Signal::Red:
        return "К";
    case Signal::RedYellow:
        return "КЖ";
    case Signal::Green:
        return "З";
    case Signal::GreenFlashing:
        return "ЗМ";
    case Signal::Yellow:
        return "Ж";
    case Signal::YellowFlashing:
        return "ЖМ";
    }
    return "?";
}

std::uint8_t LitLamps(Signal signal, std::int64_t msSinceStart, std::int64_t weekMs)
{
    switch (signal) {
    case Signal::Dark:
        return 0;
    case Signal::Red:
        return LampRed;
    case Signal::RedYellow:
        return LampRed | LampYellow;
    case Signal::Green:
        return LampGreen;
    case Signal::GreenFlashing:
        return msSinceStart % 1000 < 500 ? LampGreen : 0;
    case Signal::Yellow:
        return LampYellow;
    case Signal::YellowFlashing:
        return weekMs % 1000 < 500 ? LampYellow : 0;
    }
    return 0;
}

} // namespace vlk
