#pragma once

#include "config/Configuration.h"

#include <QString>

#include <ostream>

namespace vlk::test {

// A small junction whose cycle is easy to follow by hand: direction 1 in phase 1, directions 2
// and 5 in phase 2 (5 without any step), 10 s and 8 s in program 1. Changes of 11 s each, so
// the cycle is 10 + 11 + 8 + 11 = 40 s. Inter-green 1→2 of 8 s (the plan gives 6) and 2→5 of
// 3 s (both green from second 21).
inline Configuration SmallJunction()
{
    Configuration c;
    c.directions[0] = Direction{0b01, {2, 3, 3, 2, 1}};
    c.directions[1] = Direction{0b10, {2, 3, 3, 2, 1}};
    c.directions[4] = Direction{0b10, {0, 0, 0, 0, 0}};
    c.programDuration[0] = {10, 8, 0, 0, 0, 0, 0, 0};
    c.interGreen[0][1] = 8;
    c.interGreen[1][4] = 3;
    return c;
}

} // namespace vlk::test

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
QT_END_NAMESPACE
