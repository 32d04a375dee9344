#include "link/LinkFrames.h"

namespace vlk {

int LowNibble(std::uint8_t byte) { return byte & 0x0F; }

int HighNibble(std::uint8_t byte) { return byte >> 4; }

int PackedDecimal(std::uint8_t byte)
{
    return static_cast<std::uint8_t>(LowNibble(byte) + 10 * HighNibble(byte));
}

bool RunFlag(const std::uint8_t* run, int item)
{
    return (run[(item - 1) / 8] >> ((item - 1) % 8)) & 1;
}

StateFrame DecodeStateFrame(const FrameBytes& bytes)
{
    StateFrame frame;
    frame.raw = bytes;
    for (int bit = 0; bit < 8; ++bit)
        frame.status[bit] = (bytes[0] >> bit) & 1;
    frame.currentPhase = LowNibble(bytes[1]);
    frame.calledPhase = HighNibble(bytes[1]);
    frame.priority = bytes[2];
    frame.dayValue = LowNibble(bytes[3]);
    frame.program = HighNibble(bytes[3]);
    frame.hours = PackedDecimal(bytes[4]);
    frame.minutes = PackedDecimal(bytes[5]);
    for (int d = 1; d <= kFrameDirections; ++d) {
        frame.failure[d - 1] = RunFlag(&bytes[6], d);
        frame.red[d - 1] = RunFlag(&bytes[9], d);
        frame.yellow[d - 1] = RunFlag(&bytes[12], d);
        frame.green[d - 1] = RunFlag(&bytes[15], d);
    }
    // Two flags per red channel, four channels a byte.
    for (int c = 1; c <= kFrameRedSensorChannels; ++c) {
        const std::uint8_t byte = bytes[18 + (c - 1) / 4];
        const int bit = 2 * ((c - 1) % 4);
        frame.redSensorL1[c - 1] = (byte >> bit) & 1;
        frame.redSensorL2[c - 1] = (byte >> (bit + 1)) & 1;
    }
    // Six green channels a byte; bits 6 and 7 carry nothing.
    for (int c = 1; c <= kFrameGreenSensorChannels; ++c)
        frame.greenSensor[c - 1] = (bytes[22 + (c - 1) / 6] >> ((c - 1) % 6)) & 1;
    return frame;
}

ClockMessage BuildClockMessage(int minutes, int hours, int day)
{
    const auto m = static_cast<std::uint8_t>(minutes);
    const auto h = static_cast<std::uint8_t>(hours);
    return {
        static_cast<std::uint8_t>(clocktag::kMinuteUnits + m % 10),
        static_cast<std::uint8_t>(clocktag::kMinuteTens + m / 10),
        static_cast<std::uint8_t>(clocktag::kHourUnits + h % 10),
        static_cast<std::uint8_t>(clocktag::kHourTens + h / 10),
        static_cast<std::uint8_t>(clocktag::kDay + day),
        clocktag::kEnd,
    };
}

} // namespace vlk
