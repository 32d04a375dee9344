#include "config/DemoJunction.h"

#include "util/Cp1251.h"

namespace vlk {
namespace {

// Directions of the demo crossroads.
enum : int {
    MainNorth = 1,    // main street, straight and right
    MainSouth = 2,
    SideEast = 3,     // side street
    SideWest = 4,
    MainNorthLeft = 5,
    MainSouthLeft = 6,
    WalkAcrossSide = 7,  // pedestrians crossing the side street, with the main street
    WalkAcrossMain = 8,  // pedestrians crossing the main street, with the side street
    DirectionsInUse = 8,
};

void SetDirection(Configuration& c, int direction, std::uint8_t phaseMask, std::array<std::uint8_t, kStepCount> steps)
{
    c.directions[direction - 1] = Direction{phaseMask, steps};
}

void Bind(Configuration& c, int direction, int lamp, int output)
{
    c.lampOutputs[3 * (direction - 1) + lamp] |= std::uint64_t{1} << (output - 1);
}

} // namespace

Configuration DemoJunction()
{
    Configuration c = Configuration::FreshStart();
    c.circularRedTime = 3;
    c.masterController = true;
    c.phaseMinTime = {10, 8, 5, 0, 0, 0, 0, 0};

    // Phase 1: main street; phase 2: side street; phase 3: left turns from the main street.
    const std::array<std::uint8_t, kStepCount> vehicle{3, 3, 3, 2, 2};
    const std::array<std::uint8_t, kStepCount> pedestrian{0, 4, 0, 3, 0};
    SetDirection(c, MainNorth, 0b001, vehicle);
    SetDirection(c, MainSouth, 0b001, vehicle);
    SetDirection(c, SideEast, 0b010, vehicle);
    SetDirection(c, SideWest, 0b010, vehicle);
    SetDirection(c, MainNorthLeft, 0b100, vehicle);
    SetDirection(c, MainSouthLeft, 0b100, vehicle);
    SetDirection(c, WalkAcrossSide, 0b001, pedestrian);
    SetDirection(c, WalkAcrossMain, 0b010, pedestrian);

    c.programDuration[0] = {30, 20, 10, 0, 0, 0, 0, 0}; // 1: day
    c.programDuration[1] = {45, 25, 15, 0, 0, 0, 0, 0}; // 2: peak hours
    c.programDuration[2] = {20, 12, 0, 0, 0, 0, 0, 0};  // 3: night, no left-turn phase
    c.tvp1[0] = 2; // the call point of the main-street crossing is served in phase 2
    c.tvp1[1] = 2;
    c.tvp1[2] = 2;

    // Slot k starts at k * 30 minutes; 10 is yellow flashing.
    for (int day = 0; day < 5; ++day) {
        auto& slots = c.week[day];
        slots[0] = 3;   // 00:00 night
        slots[12] = 1;  // 06:00 day
        slots[15] = 2;  // 07:30 peak
        slots[19] = 1;  // 09:30 day
        slots[33] = 2;  // 16:30 peak
        slots[39] = 1;  // 19:30 day
        slots[45] = 3;  // 22:30 night
    }
    for (int day = 5; day < 7; ++day) {
        auto& slots = c.week[day];
        slots[0] = kYellowMode; // 00:00 yellow flashing
        slots[14] = 3;          // 07:00 night program
        slots[18] = 1;          // 09:00 day
        slots[44] = 3;          // 22:00 night
    }

    // Outputs: three per vehicle direction (red, yellow, green), two per crossing (red, green).
    int output = 1;
    for (int d = MainNorth; d <= MainSouthLeft; ++d)
        for (int lamp = 0; lamp < 3; ++lamp)
            Bind(c, d, lamp, output++);
    for (int d : {WalkAcrossSide, WalkAcrossMain}) {
        Bind(c, d, 0, output++);
        Bind(c, d, 2, output++);
    }
    c.waitBoards[0] = std::uint64_t{1} << (output - 1); // the «ЖДИТЕ» board of call point 1

    // One red sensor channel and one green sensor per direction in use.
    for (int d = 1; d <= DirectionsInUse; ++d) {
        c.redSensors[d - 1] = static_cast<std::uint16_t>(1u << (d - 1));
        c.greenSensors[d - 1] = 1u << (d - 1);
        c.minSignalTime[0][d - 1] = d >= WalkAcrossSide ? 10 : 5;
        c.minSignalTime[1][d - 1] = d >= WalkAcrossSide ? 6 : 7;
    }
    // Times between the greens of directions that never show green together.
    for (int r = 1; r <= DirectionsInUse; ++r)
        for (int col = 1; col <= DirectionsInUse; ++col)
            if ((c.directions[r - 1].phaseMask & c.directions[col - 1].phaseMask) == 0)
                c.interGreen[r - 1][col - 1] = r >= WalkAcrossSide || col >= WalkAcrossSide ? 7 : 5;

    c.accountRecord = Cp1251::FromUtf8("Демо: ул. Ленина - ул. Мира").text.value_or("");
    return c;
}

} // namespace vlk
