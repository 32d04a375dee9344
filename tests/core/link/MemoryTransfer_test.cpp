#include "link/MemoryTransfer.h"
#include "MemoryPeer.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace vlk {
namespace {

using namespace vlk::test;
using Entry = RecordingMessages::Entry;

ImageBytes TestImage()
{
    ImageBytes image{};
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<std::uint8_t>(i * 31 + i / 128);
    return image;
}

// What the station puts on the line for sector k: its command byte and its 128 bytes.
Bytes SectorOnLine(const ImageBytes& image, int k)
{
    Bytes bytes(129);
    bytes[0] = static_cast<std::uint8_t>(0xA0 + k);
    std::copy(image.begin() + 128 * k, image.begin() + 128 * (k + 1), bytes.begin() + 1);
    return bytes;
}

struct Bench {
    ScriptedPeer peer;
    MemoryPeer controller;
    CPort port;
    RecordingMessages messages;

    void Start()
    {
        ASSERT_TRUE(port.Open(peer.Path(), "AX25"));
        peer.Run([this](ScriptedPeer& p) { controller.Serve(p); });
    }
};

TEST(MemoryWrite, AcceptedSectorsGoOnceEach)
{
    Bench bench;
    bench.Start();
    const ImageBytes image = TestImage();
    EXPECT_EQ(WriteControllerMemory(bench.port, bench.messages, image), WriteResult::Written);
    bench.peer.Stop();
    EXPECT_EQ(bench.messages.Entries(), (std::vector<Entry>{{"Запись ОДД закончена", MessageIcon::None, false}}));
    Bytes expected;
    for (int k = 0; k < 15; ++k)
        expected = Concat({expected, SectorOnLine(image, k)});
    EXPECT_EQ(bench.peer.Received().size(), 15u + 1920u);
    EXPECT_EQ(bench.peer.Received(), expected);
    EXPECT_EQ(bench.controller.memory, image);
}

TEST(MemoryWrite, SectorRefusedFourTimesEndsTheWrite)
{
    Bench bench;
    bench.controller.writeReply = [](int k, int) -> std::optional<std::uint8_t> {
        return static_cast<std::uint8_t>(k == 3 ? 0xF3 : 0xA0 + k);
    };
    bench.Start();
    const ImageBytes image = TestImage();
    EXPECT_EQ(WriteControllerMemory(bench.port, bench.messages, image), WriteResult::Failed);
    bench.peer.Stop();
    EXPECT_EQ(bench.messages.Entries(), (std::vector<Entry>{
                                            {"Отказ при записи ОДД", MessageIcon::Stop, false},
                                            {"Память ОДД не записана, повторите!", MessageIcon::None, false},
                                        }));
    const Bytes expected = Concat({SectorOnLine(image, 0), SectorOnLine(image, 1), SectorOnLine(image, 2),
                                   Repeat(SectorOnLine(image, 3), 4)});
    EXPECT_EQ(bench.peer.Received(), expected); // sectors 4 to 14 are not sent
}

TEST(MemoryWrite, AcceptedAtTheFourthSendingAfterSilence)
{
    Bench bench;
    bench.controller.writeReply = [](int k, int sending) -> std::optional<std::uint8_t> {
        if (k == 14 && sending < 3)
            return std::nullopt;
        return static_cast<std::uint8_t>(0xA0 + k);
    };
    bench.Start();
    const ImageBytes image = TestImage();
    EXPECT_EQ(WriteControllerMemory(bench.port, bench.messages, image), WriteResult::Written);
    bench.peer.Stop();
    EXPECT_EQ(bench.messages.Texts(), (std::vector<std::string>{"Запись ОДД закончена"}));
    EXPECT_EQ(bench.controller.writes[14], 4);
    EXPECT_EQ(bench.peer.Received().size(), 14u * 129 + 4 * 129);
}

TEST(MemoryWrite, AStrayReplyIsNotAnAcknowledgement)
{
    // A byte that is neither 0xA0 + k nor 0xF0 + k after the fourth sending: the sector was
    // never confirmed, so the write is reported as failed.
    Bench bench;
    bench.controller.writeReply = [](int k, int) -> std::optional<std::uint8_t> {
        return static_cast<std::uint8_t>(k == 0 ? 0x55 : 0xA0 + k);
    };
    bench.Start();
    EXPECT_EQ(WriteControllerMemory(bench.port, bench.messages, TestImage()), WriteResult::Failed);
    bench.peer.Stop();
    EXPECT_EQ(bench.messages.Texts(),
              (std::vector<std::string>{"Отказ при записи ОДД", "Память ОДД не записана, повторите!"}));
    EXPECT_EQ(bench.controller.writes[0], 4);
    EXPECT_EQ(bench.controller.writes.count(1), 0u);
}

TEST(MemoryTransfer, ClosedPortSendsNothing)
{
    CPort port;
    RecordingMessages messages;
    EXPECT_EQ(WriteControllerMemory(port, messages, TestImage()), WriteResult::PortNotOpen);
    EXPECT_FALSE(ReadControllerMemory(port, messages).has_value());
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{"Порт не открыт!", "Порт не открыт!"}));
}

TEST(MemoryRead, AllSectorsGiveTheImage)
{
    Bench bench;
    bench.controller.memory = TestImage();
    bench.Start();
    const auto image = ReadControllerMemory(bench.port, bench.messages);
    bench.peer.Stop();
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(*image, TestImage());
    EXPECT_TRUE(bench.messages.Entries().empty());
    EXPECT_EQ(bench.peer.Received(), (Bytes{0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x5B,
                                            0x5C, 0x5D, 0x5E}));
}

TEST(MemoryRead, ShortFirstReadThenWhole)
{
    Bench bench;
    bench.controller.memory = TestImage();
    bench.controller.readReply = [](int k, int, const Bytes& sector) {
        std::vector<std::pair<std::chrono::milliseconds, Bytes>> pieces;
        if (k == 2) {
            pieces.push_back({0ms, Bytes(sector.begin(), sector.begin() + 100)});
            pieces.push_back({100ms, sector}); // the whole sector again, unasked
        } else {
            pieces.push_back({0ms, sector});
        }
        return pieces;
    };
    bench.Start();
    const auto image = ReadControllerMemory(bench.port, bench.messages);
    bench.peer.Stop();
    ASSERT_TRUE(image.has_value());
    EXPECT_EQ(*image, TestImage());
    EXPECT_EQ(bench.messages.Texts(), (std::vector<std::string>{"Кадр не прочитан!"}));
    EXPECT_EQ(bench.controller.reads[2], 1); // the command is not sent again
}

TEST(MemoryRead, SectorThatStaysShortFailsTheRead)
{
    Bench bench;
    bench.controller.memory = TestImage();
    bench.controller.readReply = [](int k, int, const Bytes& sector) {
        std::vector<std::pair<std::chrono::milliseconds, Bytes>> pieces;
        if (k == 1) {
            // four short pieces, one for each read
            for (int i = 0; i < 4; ++i)
                pieces.push_back({i ? 60ms : 0ms, Bytes(sector.begin(), sector.begin() + 127)});
        } else {
            pieces.push_back({0ms, sector});
        }
        return pieces;
    };
    bench.Start();
    const auto image = ReadControllerMemory(bench.port, bench.messages);
    bench.peer.Stop();
    EXPECT_FALSE(image.has_value());
    EXPECT_EQ(bench.messages.Entries(), (std::vector<Entry>{
                                            {"Кадр не прочитан!", MessageIcon::None, false},
                                            {"Отказ при чтении ОДД", MessageIcon::Stop, false},
                                        }));
    EXPECT_EQ(bench.peer.Received(), (Bytes{0x50, 0x51})); // sectors after it are not asked for
}

} // namespace
} // namespace vlk
