// The built-in demo junction: something the image can carry exactly and a controller can run.

#include "config/ConfigurationImage.h"
#include "config/DemoJunction.h"

#include <gtest/gtest.h>

namespace vlk {
namespace {

TEST(DemoJunction, FitsTheImageAndSurvivesARoundTrip)
{
    const Configuration demo = DemoJunction();
    EXPECT_TRUE(ConfigurationImage::Validate(demo).empty());
    const DecodeResult decoded = ConfigurationImage::Decode(ConfigurationImage::Encode(demo));
    ASSERT_TRUE(decoded.configuration.has_value());
    EXPECT_TRUE(decoded.problems.empty());
    EXPECT_EQ(*decoded.configuration, demo);
    // "Демо: ..." in Windows-1251.
    EXPECT_EQ(demo.accountRecord.substr(0, 4), "\xC4\xE5\xEC\xEE");
}

TEST(DemoJunction, EveryProgramPhaseHasGreensAndConflictsHaveInterGreenTimes)
{
    const Configuration demo = DemoJunction();
    for (int program = 0; program < kProgramCount; ++program) {
        for (int phase = 0; phase < kPhaseCount; ++phase) {
            if (demo.programDuration[program][phase] == 0)
                continue;
            EXPECT_GE(demo.programDuration[program][phase], demo.phaseMinTime[phase]);
            bool anyGreen = false;
            for (const auto& direction : demo.directions)
                anyGreen = anyGreen || (direction.phaseMask >> phase & 1);
            EXPECT_TRUE(anyGreen) << "program " << program + 1 << " phase " << phase + 1;
        }
    }
    for (int r = 0; r < kDirectionCount; ++r) {
        for (int c = 0; c < kDirectionCount; ++c) {
            const bool together = (demo.directions[r].phaseMask & demo.directions[c].phaseMask) != 0;
            const bool inUse = demo.directions[r].phaseMask != 0 && demo.directions[c].phaseMask != 0;
            EXPECT_EQ(demo.interGreen[r][c] != 0, inUse && !together) << r + 1 << "/" << c + 1;
        }
    }
    // Every day switches program at least once; the weekend night flashes yellow.
    for (const auto& day : demo.week)
        EXPECT_NE(std::count(day.begin(), day.end(), 0), kSlotCount);
    EXPECT_EQ(demo.week[5][0], kYellowMode);
}

} // namespace
} // namespace vlk
