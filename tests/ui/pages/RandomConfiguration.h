#pragma once

#include "config/Configuration.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>

namespace vlk::test {

// A configuration that the image can carry, drawn at random.
inline Configuration RandomConfiguration(std::mt19937& rng)
{
    auto byte = [&] { return static_cast<std::uint8_t>(rng() & 0xFF); };
    Configuration c;
    c.circularRedTime = byte();
    c.masterController = (rng() & 1U) != 0;
    c.syncDelay = c.masterController ? 0 : static_cast<std::uint8_t>(rng() % 128);
    for (auto& t : c.phaseMinTime)
        t = byte();
    for (auto& program : c.programDuration)
        for (auto& t : program)
            t = byte();
    for (auto& tvp : c.tvp1)
        tvp = static_cast<std::uint8_t>(rng() % 9);
    for (auto& tvp : c.tvp2)
        tvp = static_cast<std::uint8_t>(rng() % 9);
    for (Direction& d : c.directions) {
        d.phaseMask = byte();
        for (auto& t : d.stepTimes)
            t = byte();
    }
    for (DaySchedule& day : c.week) {
        day.fill(0);
        const int points = static_cast<int>(rng() % 11);
        for (int i = 0; i < points; ++i)
            day[rng() % kSlotCount] = static_cast<int>(rng() % 10) + 1;
    }
    std::array<std::uint8_t, 9> order{1, 2, 3, 4, 5, 6, 7, 8, 9};
    std::shuffle(order.begin(), order.end(), rng);
    for (int k = 0; k < 9; ++k)
        c.priority[k] = order[k];
    c.priority[9] = 10;
    const std::uint64_t outputs = (std::uint64_t{1} << kOutputCount) - 1;
    for (auto& mask : c.lampOutputs)
        mask = (std::uint64_t{rng()} << 32 | rng()) & outputs;
    for (auto& mask : c.waitBoards)
        mask = (std::uint64_t{rng()} << 32 | rng()) & outputs;
    for (auto& mask : c.redSensors)
        mask = static_cast<std::uint16_t>(rng());
    for (auto& mask : c.greenSensors)
        mask = rng() & 0xFFFFFFU;
    for (auto& row : c.minSignalTime)
        for (auto& t : row)
            t = byte();
    for (auto& row : c.interGreen)
        for (auto& t : row)
            t = byte();
    const int length = static_cast<int>(rng() % 116);
    for (int i = 0; i < length; ++i) {
        // Printable Windows-1251 bytes (0x98 has no character of its own).
        std::uint8_t b = static_cast<std::uint8_t>(0x20 + rng() % 0xE0);
        if (b == 0x7F || b == 0x98)
            b = 'x';
        c.accountRecord.push_back(static_cast<char>(b));
    }
    return c;
}

} // namespace vlk::test
