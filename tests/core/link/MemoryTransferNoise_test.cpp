// Many transfers over a noisy line: a transfer may fail, but one that reports success has the
// controller's memory exactly. The simulator flips one bit of a byte it sends with the given
// probability; it runs unpaced, so that hundreds of transfers take a minute or two.
#include "ControllerSimulator.h"
#include "link/MemoryTransfer.h"
#include "link/ProgrammingMode.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

namespace vlk {
namespace {

using namespace std::chrono_literals;

class QuietMessages final : public Messages {
public:
    void Show(const std::string&, MessageIcon = MessageIcon::None) override { ++shown; }
    bool Ask(const std::string&, MessageIcon = MessageIcon::Question) override { return true; }
    int shown = 0;
};

ImageBytes Pattern(int seed)
{
    ImageBytes image{};
    std::uint32_t x = 2654435761u * static_cast<std::uint32_t>(seed + 1);
    for (auto& byte : image) {
        x = x * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(x >> 24);
    }
    return image;
}

struct Tally {
    int readsGood = 0;
    int readsFailed = 0;
    int writesGood = 0;
    int writesFailed = 0;
};

// `count` reads and `count` writes, alternating, on a controller kept in programming mode.
Tally RunTransfers(int perMille, int count, std::uint32_t seed)
{
    SimulatorOptions options;
    options.pace = false;
    options.period = 20ms;
    options.account = std::string();
    options.noisePerMille = perMille;
    options.noiseSeed = seed;
    ControllerSimulator sim(options);
    const std::string path = sim.OpenPty();
    EXPECT_FALSE(path.empty()) << sim.LastError();
    EXPECT_TRUE(sim.Start());
    QuietMessages messages;
    CPort port;
    bool entered = false;
    // The entry's own replies are noisy too: try again until the controller is in programming mode.
    for (int attempt = 0; attempt < 20 && !entered; ++attempt)
        entered = EnterProgrammingMode(port, path, messages).Accepted()
                  && sim.CurrentMode() == ControllerSimulator::Mode::Programming;
    EXPECT_TRUE(entered);

    Tally tally;
    for (int i = 0; i < count && entered; ++i) {
        const auto read = ReadControllerMemory(port, messages);
        if (read) {
            ++tally.readsGood;
            EXPECT_EQ(*read, sim.Memory()) << "read " << i << " reported success with wrong bytes";
        } else {
            ++tally.readsFailed;
        }
        const ImageBytes image = Pattern(static_cast<int>(seed) * 1000 + i);
        const WriteResult written = WriteControllerMemory(port, messages, image);
        if (written == WriteResult::Written) {
            ++tally.writesGood;
            EXPECT_EQ(sim.Memory(), image) << "write " << i << " reported success with wrong bytes";
        } else {
            ++tally.writesFailed;
            EXPECT_NE(written, WriteResult::PortNotOpen);
        }
    }
    sim.Stop();
    std::printf("noise %d/1000: reads %d good, %d failed; writes %d good, %d failed\n", perMille, tally.readsGood,
                tally.readsFailed, tally.writesGood, tally.writesFailed);
    return tally;
}

TEST(MemoryTransferNoise, TwoHundredTransfersEachWayAtTwentyPerMilleNeverSucceedFalsely)
{
    // About one sector read in thirteen arrives clean: nearly every transfer fails, none wrongly
    // succeeds.
    const Tally tally = RunTransfers(20, 200, 7);
    EXPECT_EQ(tally.readsGood + tally.readsFailed, 200);
    EXPECT_EQ(tally.writesGood + tally.writesFailed, 200);
}

TEST(MemoryTransferNoise, AtTwoPerMilleManyTransfersSucceedAndAllOfThemRightly)
{
    // Three sector reads in four arrive clean: the repeats carry many transfers through (a read
    // needs two alike of at most four reads for each of its 15 sectors, about half get there).
    const Tally tally = RunTransfers(2, 40, 11);
    EXPECT_GE(tally.readsGood, 8);
    EXPECT_GE(tally.writesGood, 25);
}

} // namespace
} // namespace vlk
