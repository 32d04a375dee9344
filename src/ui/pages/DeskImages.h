#pragma once

#include <array>

// The console's 36 button pictures, drawn in code into the picture registry under their
// resource numbers, so that they stay crisp at any device pixel ratio.

namespace vlk {

namespace DeskImage {
inline constexpr int TakeClock = 151;         // hourglass -> computer screen, 63 x 27
inline constexpr int TakeClockPressed = 154;
inline constexpr int SendClock = 152;         // hourglass -> traffic light, 63 x 27
inline constexpr int SendClockPressed = 153;
inline constexpr int ControlLocked = 140;     // person and computer, the computer lit, 57 x 32
inline constexpr int ControlOperator = 141;   // the person lit
} // namespace DeskImage

// The three pictures of a command button.
struct CommandImages {
    int control;
    int normal;
    int pressed;
    int locked;
};

// Phases 1-8, then "ЖМ" and "ОС".
inline constexpr std::array<CommandImages, 10> kCommandImages{{
    {1030, 157, 158, 159},
    {1031, 160, 161, 162},
    {1032, 163, 165, 164},
    {1033, 166, 168, 167},
    {1034, 169, 171, 170},
    {1035, 172, 174, 173},
    {1036, 175, 177, 176},
    {1037, 178, 180, 179},
    {1038, 148, 150, 149},
    {1039, 145, 147, 146},
}};

// The order the page loads its pictures in.
inline constexpr std::array<int, 36> kDeskImageOrder{
    151, 154, 152, 153, 140, 141, 157, 158, 159, 160, 161, 162, 163, 165, 164, 166, 168, 167,
    169, 171, 170, 172, 174, 173, 175, 177, 176, 178, 180, 179, 148, 150, 149, 145, 147, 146};

// Adds the 36 pictures to the registry (once; later calls do nothing).
void RegisterDeskImages();

} // namespace vlk
