#include "config/ConfigurationImage.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <vector>

namespace vlk {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Slice(const ImageBytes& image, std::size_t from, std::size_t count)
{
    return Bytes(image.begin() + static_cast<std::ptrdiff_t>(from),
                 image.begin() + static_cast<std::ptrdiff_t>(from + count));
}

Bytes Repeat(std::uint8_t value, std::size_t count) { return Bytes(count, value); }

Bytes ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

Bytes ToBytes(const ImageBytes& image) { return Bytes(image.begin(), image.end()); }

Configuration DecodeClean(const Bytes& bytes)
{
    DecodeResult result = ConfigurationImage::Decode(bytes);
    EXPECT_TRUE(result.problems.empty()) << result.problems.front();
    EXPECT_TRUE(result.configuration.has_value());
    return result.configuration.value_or(Configuration{});
}

// The image a fresh start saves, byte by byte as the layout gives it.
void ExpectFreshStartImage(const Bytes& image)
{
    ASSERT_EQ(image.size(), 1920u);
    EXPECT_EQ(image[0], 0);
    for (std::size_t i = 1; i <= 80; ++i)
        EXPECT_EQ(image[i], 0) << "byte " << i;
    EXPECT_EQ(image[81], 0x80);
    for (std::size_t i = 82; i <= 225; ++i)
        EXPECT_EQ(image[i], 0) << "byte " << i;
    for (std::size_t i = 226; i <= 365; ++i)
        EXPECT_EQ(image[i], 0xFF) << "byte " << i;
    const Bytes priorities(image.begin() + 366, image.begin() + 376);
    EXPECT_EQ(priorities, (Bytes{0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A}));
    for (std::size_t i = 376; i <= 381; ++i)
        EXPECT_EQ(image[i], 0xFF) << "byte " << i;
    for (std::size_t i = 382; i <= 1919; ++i)
        EXPECT_EQ(image[i], 0) << "byte " << i;
}

TEST(ConfigurationImageFreshStart, EncodesToTheLiteralImage)
{
    ExpectFreshStartImage(ToBytes(ConfigurationImage::Encode(Configuration::FreshStart())));
}

TEST(ConfigurationImageFreshStart, EncodesToTheGoldenFile)
{
    const Bytes golden = ReadFile(std::string(VLK_TEST_DATA_DIR) + "/fresh-start/fresh-start.vlk");
    ExpectFreshStartImage(golden); // the file itself still follows the rules
    EXPECT_EQ(ToBytes(ConfigurationImage::Encode(Configuration::FreshStart())), golden);
}

TEST(ConfigurationImageFreshStart, GoldenFileDecodesToAFreshStartAndBack)
{
    const Bytes golden = ReadFile(std::string(VLK_TEST_DATA_DIR) + "/fresh-start/fresh-start.vlk");
    const Configuration c = DecodeClean(golden);
    EXPECT_EQ(c, Configuration::FreshStart());
    EXPECT_TRUE(c.masterController);
    EXPECT_EQ(c.syncDelay, 0);
    EXPECT_EQ(c.priority, (std::array<std::uint8_t, 10>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(ToBytes(ConfigurationImage::Encode(c)), golden);
}

// The examples the layout gives, each checked in the image and read back.
TEST(ConfigurationImageSections, ScheduleDayWithTwoSwitchPoints)
{
    Configuration c;
    c.week[0][12] = 2;  // 06:00 program 2
    c.week[0][45] = 10; // 22:30 yellow mode
    const ImageBytes image = ConfigurationImage::Encode(c);
    Bytes expected{0x02, 0x0C, 0x00, 0x2D};
    const Bytes pads = Repeat(0xFF, 16);
    expected.insert(expected.end(), pads.begin(), pads.end());
    EXPECT_EQ(Slice(image, 226, 20), expected);
    EXPECT_EQ(Slice(image, 246, 120), Repeat(0xFF, 120)); // other days empty
    EXPECT_EQ(DecodeClean(ToBytes(image)), c);
}

TEST(ConfigurationImageSections, SwitchPointsAreWrittenInSlotOrderPerDay)
{
    Configuration c;
    c.week[6][47] = 1;
    c.week[6][0] = 9;
    c.week[2][20] = 10;
    const ImageBytes image = ConfigurationImage::Encode(c);
    EXPECT_EQ(Slice(image, 226 + 6 * 20, 4), (Bytes{0x09, 0x00, 0x01, 0x2F}));
    EXPECT_EQ(Slice(image, 226 + 2 * 20, 2), (Bytes{0x00, 0x14}));
    EXPECT_EQ(DecodeClean(ToBytes(image)), c);
}

TEST(ConfigurationImageSections, DirectionPhasesAndStepTimes)
{
    Configuration c;
    c.directions[0].phaseMask = 0b101; // phases 1 and 3
    c.directions[0].stepTimes = {3, 3, 3, 2, 2};
    c.directions[23].phaseMask = 0x80; // phase 8
    c.directions[23].stepTimes = {1, 2, 3, 4, 5};
    const ImageBytes image = ConfigurationImage::Encode(c);
    EXPECT_EQ(Slice(image, 82, 6), (Bytes{0x05, 0x03, 0x03, 0x03, 0x02, 0x02}));
    EXPECT_EQ(Slice(image, 82 + 23 * 6, 6), (Bytes{0x80, 1, 2, 3, 4, 5}));
    EXPECT_EQ(DecodeClean(ToBytes(image)), c);
}

TEST(ConfigurationImageSections, LampOutputsSplitIntoGroupsOfTwelve)
{
    Configuration c;
    c.lampOutputs[1] = 1ull << 8;          // direction 1 yellow, output 9
    c.lampOutputs[0] = 1ull << 12;         // direction 1 red, output 13: group 1, first half
    c.lampOutputs[71] = 1ull << 47;        // direction 24 green, output 48: group 3, second half
    c.lampOutputs[5] = (1ull << 7) | (1ull << 9); // direction 2 green, outputs 8 and 10
    const ImageBytes image = ConfigurationImage::Encode(c);
    EXPECT_EQ(image[633], 0x01);
    EXPECT_EQ(image[560 + 144], 0x01);
    EXPECT_EQ(image[560 + 3 * 144 + 72 + 71], 0x08);
    EXPECT_EQ(image[560 + 5], 0x80);
    EXPECT_EQ(image[560 + 72 + 5], 0x02);
    int set = 0;
    for (std::size_t i = 560; i < 1136; ++i)
        set += image[i] != 0;
    EXPECT_EQ(set, 5);
    EXPECT_EQ(DecodeClean(ToBytes(image)), c);
}

TEST(ConfigurationImageSections, WaitBoardsRedAndGreenSensors)
{
    Configuration c;
    c.waitBoards[0] = 1ull << 47;        // call point 1, output 48: group 3 second byte bit 3
    c.waitBoards[1] = (1ull << 9) | 1;   // call point 2, outputs 10 and 1
    c.redSensors[1] = 1u << 3;           // direction 2, channel titled 7-8
    c.redSensors[23] = 1u << 8;          // direction 24, channel titled 17-18: second byte
    c.greenSensors[2] = 1u << 6;         // direction 3, sensor 7: second byte bit 0
    c.greenSensors[23] = 1u << 23;       // direction 24, sensor 24: fourth byte bit 5
    const ImageBytes image = ConfigurationImage::Encode(c);
    EXPECT_EQ(Slice(image, 400, 8), (Bytes{0, 0, 0, 0, 0, 0, 0, 0x08}));
    EXPECT_EQ(Slice(image, 408, 8), (Bytes{0x01, 0x02, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Slice(image, 416 + 2, 2), (Bytes{0x08, 0x00}));
    EXPECT_EQ(Slice(image, 416 + 46, 2), (Bytes{0x00, 0x01}));
    EXPECT_EQ(Slice(image, 464 + 8, 4), (Bytes{0x00, 0x01, 0x00, 0x00}));
    EXPECT_EQ(Slice(image, 464 + 92, 4), (Bytes{0x00, 0x00, 0x00, 0x20}));
    EXPECT_EQ(DecodeClean(ToBytes(image)), c);
}

TEST(ConfigurationImageSections, NumbersAndScalarsAtTheirOffsets)
{
    Configuration c;
    c.circularRedTime = 200;
    c.phaseMinTime[7] = 17;
    c.programDuration[1][2] = 45;   // program 2, phase 3
    c.programDuration[8][7] = 99;   // program 9, phase 8
    c.masterController = false;
    c.syncDelay = 127;
    c.tvp1[8] = 8;                  // program 9
    c.tvp2[0] = 1;                  // program 1
    c.minSignalTime[1][23] = 7;     // green, direction 24
    c.minSignalTime[0][0] = 6;      // red, direction 1
    c.interGreen[1][2] = 33;        // from direction 2 to 3
    c.interGreen[23][23] = 44;
    const ImageBytes image = ConfigurationImage::Encode(c);
    EXPECT_EQ(image[0], 200);
    EXPECT_EQ(image[8], 17);
    EXPECT_EQ(image[19], 45);
    EXPECT_EQ(image[80], 99);
    EXPECT_EQ(image[81], 127);
    EXPECT_EQ(image[390], 8);
    EXPECT_EQ(image[391], 1);
    EXPECT_EQ(image[1136], 6);
    EXPECT_EQ(image[1183], 7);
    EXPECT_EQ(image[1210], 33);
    EXPECT_EQ(image[1759], 44);
    EXPECT_EQ(DecodeClean(ToBytes(image)), c);
}

TEST(ConfigurationImageSections, TvpMovedToPriorityTwo)
{
    Configuration c;
    // Table order "РУП", "ТВП", "РУС", "ЗУ", "ДУ", "КУ", "ПР0", "МГР", "ЛС", "РП".
    c.priority = {1, 3, 4, 5, 6, 7, 2, 8, 9, 10};
    const ImageBytes image = ConfigurationImage::Encode(c);
    EXPECT_EQ(Slice(image, 366, 10),
              (Bytes{0x01, 0x03, 0x04, 0x05, 0x06, 0x07, 0x02, 0x08, 0x09, 0x0A}));
    EXPECT_EQ(DecodeClean(ToBytes(image)).priority, c.priority);
    EXPECT_TRUE(ConfigurationImage::Validate(c).empty());
}

TEST(ConfigurationImageSections, AccountRecordOf115CharactersThenZeros)
{
    Configuration c;
    // 115 Windows-1251 bytes: Cyrillic letters and digits.
    for (int i = 0; i < 115; ++i)
        c.accountRecord.push_back(static_cast<char>(i % 2 ? 0xC0 + i % 32 : '0' + i % 10));
    const ImageBytes image = ConfigurationImage::Encode(c);
    EXPECT_EQ(Slice(image, 1760, 115), Bytes(c.accountRecord.begin(), c.accountRecord.end()));
    EXPECT_EQ(Slice(image, 1875, 45), Repeat(0, 45));
    EXPECT_EQ(DecodeClean(ToBytes(image)).accountRecord, c.accountRecord);
}

TEST(ConfigurationImageSections, AccountRecordOf159BytesKeepsItsTerminator)
{
    Configuration c;
    c.accountRecord.assign(159, '\xFF');
    const ImageBytes image = ConfigurationImage::Encode(c);
    EXPECT_EQ(Slice(image, 1760, 159), Repeat(0xFF, 159));
    EXPECT_EQ(image[1919], 0);
    EXPECT_EQ(DecodeClean(ToBytes(image)), c);
}

// Every member, filled to the brim (values the image cannot carry included), changes the bytes
// of its own section and no other; where it fills the section, from its first byte to its last.
TEST(ConfigurationImageSections, EachMemberStaysInsideItsSection)
{
    struct Case {
        const char* member;
        void (*fill)(Configuration&);
        std::size_t first;
        std::size_t last;
        bool reachesBothEnds;
    };
    const Case cases[] = {
        {"circularRedTime", [](Configuration& c) { c.circularRedTime = 255; }, 0, 0, true},
        {"phaseMinTime", [](Configuration& c) { c.phaseMinTime.fill(255); }, 1, 8, true},
        {"programDuration", [](Configuration& c) { for (auto& p : c.programDuration) p.fill(255); }, 9, 80, true},
        {"syncDelay", [](Configuration& c) { c.masterController = false; c.syncDelay = 128; }, 81, 81, true},
        {"directions",
         [](Configuration& c) { for (auto& d : c.directions) { d.phaseMask = 255; d.stepTimes.fill(255); } },
         82, 225, true},
        {"week", [](Configuration& c) { for (auto& day : c.week) day.fill(1); c.week[6][47] = 99; }, 226, 365, true},
        {"priority", [](Configuration& c) { c.priority = {10, 9, 8, 7, 6, 5, 4, 3, 2, 1}; }, 366, 375, false},
        {"tvp1", [](Configuration& c) { c.tvp1.fill(8); }, 382, 390, true},
        {"tvp2", [](Configuration& c) { c.tvp2.fill(8); }, 391, 399, true},
        {"waitBoards", [](Configuration& c) { c.waitBoards.fill(~std::uint64_t{0}); }, 400, 415, true},
        {"redSensors", [](Configuration& c) { c.redSensors.fill(0xFFFF); }, 416, 463, true},
        {"greenSensors", [](Configuration& c) { c.greenSensors.fill(0xFFFFFFFF); }, 464, 559, true},
        {"lampOutputs", [](Configuration& c) { c.lampOutputs.fill(~std::uint64_t{0}); }, 560, 1135, true},
        {"minSignalTime", [](Configuration& c) { for (auto& r : c.minSignalTime) r.fill(255); }, 1136, 1183, true},
        {"interGreen", [](Configuration& c) { for (auto& r : c.interGreen) r.fill(255); }, 1184, 1759, true},
        // 159 bytes of text at most: the field's last byte is its terminator.
        {"accountRecord", [](Configuration& c) { c.accountRecord.assign(300, 'x'); }, 1760, 1918, true},
    };
    const ImageBytes fresh = ConfigurationImage::Encode(Configuration{});
    for (const Case& test : cases) {
        Configuration c;
        test.fill(c);
        const ImageBytes image = ConfigurationImage::Encode(c);
        std::vector<std::size_t> changed;
        for (std::size_t i = 0; i < image.size(); ++i)
            if (image[i] != fresh[i])
                changed.push_back(i);
        ASSERT_FALSE(changed.empty()) << test.member;
        EXPECT_GE(changed.front(), test.first) << test.member;
        EXPECT_LE(changed.back(), test.last) << test.member;
        if (test.reachesBothEnds) {
            EXPECT_EQ(changed.front(), test.first) << test.member;
            EXPECT_EQ(changed.back(), test.last) << test.member;
        }
    }
}

// A seeded generator of configurations the pages can hold.
Configuration RandomConfiguration(std::mt19937& rng)
{
    auto byte = [&] { return static_cast<std::uint8_t>(rng() & 0xFF); };
    auto below = [&](unsigned n) { return static_cast<unsigned>(rng() % n); };
    Configuration c;
    c.circularRedTime = byte();
    c.masterController = below(2) == 0;
    c.syncDelay = c.masterController ? 0 : static_cast<std::uint8_t>(below(128));
    for (auto& t : c.phaseMinTime)
        t = byte();
    for (auto& program : c.programDuration)
        for (auto& t : program)
            t = byte();
    for (auto& phase : c.tvp1)
        phase = static_cast<std::uint8_t>(below(9));
    for (auto& phase : c.tvp2)
        phase = static_cast<std::uint8_t>(below(9));
    for (auto& d : c.directions) {
        d.phaseMask = byte();
        for (auto& t : d.stepTimes)
            t = byte();
    }
    for (auto& day : c.week) {
        const unsigned points = below(11);
        for (unsigned i = 0; i < points; ++i)
            day[below(48)] = static_cast<int>(1 + below(10)); // repeats just give fewer points
    }
    std::array<std::uint8_t, 9> order{1, 2, 3, 4, 5, 6, 7, 8, 9};
    std::shuffle(order.begin(), order.end(), rng);
    std::copy(order.begin(), order.end(), c.priority.begin());
    c.priority[9] = 10;
    const std::uint64_t outputs = (1ull << 48) - 1;
    for (auto& m : c.lampOutputs)
        m = below(3) == 0 ? ((std::uint64_t{rng()} << 32) | rng()) & outputs : 0;
    for (auto& m : c.waitBoards)
        m = ((std::uint64_t{rng()} << 32) | rng()) & outputs;
    for (auto& m : c.redSensors)
        m = static_cast<std::uint16_t>(rng());
    for (auto& m : c.greenSensors)
        m = rng() & 0xFFFFFF;
    for (auto& row : c.minSignalTime)
        for (auto& t : row)
            t = byte();
    for (auto& row : c.interGreen)
        for (auto& t : row)
            t = byte();
    const unsigned length = below(160);
    for (unsigned i = 0; i < length; ++i)
        c.accountRecord.push_back(static_cast<char>(1 + below(255)));
    return c;
}

TEST(ConfigurationImageRoundTrip, RandomValidConfigurationsComeBackEqual)
{
    std::mt19937 rng(20241207);
    for (int i = 0; i < 3000; ++i) {
        const Configuration c = RandomConfiguration(rng);
        ASSERT_TRUE(ConfigurationImage::Validate(c).empty()) << "case " << i;
        const ImageBytes image = ConfigurationImage::Encode(c);
        const DecodeResult decoded = ConfigurationImage::Decode(image);
        ASSERT_TRUE(decoded.problems.empty()) << "case " << i << ": " << decoded.problems[0];
        ASSERT_TRUE(decoded.configuration.has_value());
        ASSERT_EQ(*decoded.configuration, c) << "case " << i;
        // Decode then encode of what the station wrote gives the same bytes.
        ASSERT_EQ(ConfigurationImage::Encode(*decoded.configuration), image) << "case " << i;
    }
}

TEST(ConfigurationImageRoundTrip, HandWrittenStationImageIsByteExact)
{
    // A station-written image built byte by byte: slave with delay 30, two switch points on
    // Friday, "ЛС" moved to priority 1, "ТВП1" in phase 4 of program 2, a short account record.
    Bytes image(1920, 0);
    image[0] = 5;
    image[81] = 30;
    image[82] = 0x03;
    for (std::size_t i = 226; i < 366; ++i)
        image[i] = 0xFF;
    const Bytes friday{0x01, 0x0E, 0x03, 0x20};
    std::copy(friday.begin(), friday.end(), image.begin() + 226 + 4 * 20);
    const Bytes priorities{2, 3, 4, 5, 6, 7, 8, 9, 1, 10};
    std::copy(priorities.begin(), priorities.end(), image.begin() + 366);
    for (std::size_t i = 376; i < 382; ++i)
        image[i] = 0xFF;
    image[383] = 4;
    image[633] = 0x01;
    image[1760] = 0xC2; // "Вход"
    image[1761] = 0xF5;
    image[1762] = 0xEE;
    image[1763] = 0xE4;

    const Configuration c = DecodeClean(image);
    EXPECT_FALSE(c.masterController);
    EXPECT_EQ(c.syncDelay, 30);
    EXPECT_EQ(c.week[4][14], 1);
    EXPECT_EQ(c.week[4][32], 3);
    EXPECT_EQ(c.priority[8], 1);
    EXPECT_EQ(c.tvp1[1], 4);
    EXPECT_EQ(c.lampOutputs[1], 1ull << 8);
    EXPECT_EQ(c.accountRecord, "\xC2\xF5\xEE\xE4");
    EXPECT_EQ(ToBytes(ConfigurationImage::Encode(c)), image);
}

TEST(ConfigurationImageRoundTrip, JunctionFileDecodesAndEncodesByteExact)
{
    const Bytes file = ReadFile(std::string(VLK_TEST_DATA_DIR) + "/junction/junction.vlk");
    ASSERT_EQ(file.size(), 1920u);
    const Configuration c = DecodeClean(file);
    EXPECT_EQ(c.circularRedTime, 5);
    EXPECT_EQ(c.phaseMinTime, (std::array<std::uint8_t, 8>{11, 12, 13, 14, 15, 16, 17, 18}));
    EXPECT_EQ(c.programDuration[8][7], 80 * 7 % 60);
    EXPECT_FALSE(c.masterController);
    EXPECT_EQ(c.syncDelay, 30);
    EXPECT_EQ(c.directions[1], (Direction{0x0A, {4, 3, 3, 2, 2}}));
    EXPECT_EQ(c.week[0][12], 2);
    EXPECT_EQ(c.week[0][45], 10);
    EXPECT_EQ(c.week[4][14], 1);
    EXPECT_EQ(c.week[4][32], 3);
    EXPECT_EQ(c.priority, (std::array<std::uint8_t, 10>{1, 3, 4, 5, 6, 7, 2, 8, 9, 10}));
    EXPECT_EQ(c.tvp1[0], 4);
    EXPECT_EQ(c.tvp2[0], 2);
    EXPECT_EQ(c.waitBoards[0], 1u);
    EXPECT_EQ(c.redSensors[0], 1u);
    EXPECT_EQ(c.greenSensors[0], 1u);
    EXPECT_EQ(c.lampOutputs[0], 1ull << 1);
    EXPECT_EQ(c.lampOutputs[1], 1ull << 8);
    EXPECT_EQ(c.lampOutputs[2], 1ull << 2);
    EXPECT_EQ(c.minSignalTime[1][23], 3);
    EXPECT_EQ(c.accountRecord, "\xC2\xF5\xEE\xE4");
    EXPECT_EQ(ToBytes(ConfigurationImage::Encode(c)), file);
}

// Bad input: each rule of the reader.
TEST(ConfigurationImageBadInput, ShortDataIsRefusedWithItsLength)
{
    const Bytes fresh = ToBytes(ConfigurationImage::Encode(Configuration::FreshStart()));
    DecodeResult result = ConfigurationImage::Decode(std::span(fresh).first(1000));
    EXPECT_FALSE(result.configuration.has_value());
    ASSERT_EQ(result.problems.size(), 1u);
    EXPECT_EQ(result.problems[0],
              "Данные конфигурации неполные: 1000 байт вместо 1920. Ничего не загружено.");

    result = ConfigurationImage::Decode(std::span(fresh).first(1919));
    EXPECT_FALSE(result.configuration.has_value());
    EXPECT_EQ(result.problems.at(0),
              "Данные конфигурации неполные: 1919 байт вместо 1920. Ничего не загружено.");

    result = ConfigurationImage::Decode(std::span(fresh).first(2));
    EXPECT_EQ(result.problems.at(0),
              "Данные конфигурации неполные: 2 байта вместо 1920. Ничего не загружено.");
    result = ConfigurationImage::Decode({});
    EXPECT_FALSE(result.configuration.has_value());
    EXPECT_EQ(result.problems.at(0),
              "Данные конфигурации неполные: 0 байт вместо 1920. Ничего не загружено.");
}

TEST(ConfigurationImageBadInput, LongDataIsReadUpTo1920Bytes)
{
    Configuration c;
    c.accountRecord = "abc";
    Bytes bytes = ToBytes(ConfigurationImage::Encode(c));
    bytes.resize(2000, 0x55); // whatever follows is not part of the image
    const DecodeResult result = ConfigurationImage::Decode(bytes);
    ASSERT_TRUE(result.configuration.has_value());
    EXPECT_EQ(*result.configuration, c);
    EXPECT_EQ(result.problems,
              std::vector<std::string>{
                  "Данные конфигурации длиннее 1920 байт (2000 байт): лишнее не прочитано."});
}

Bytes FreshImage() { return ToBytes(ConfigurationImage::Encode(Configuration::FreshStart())); }

TEST(ConfigurationImageBadInput, SchedulePairsOutsideTheDayOrRepeatedAreSkipped)
{
    Bytes image = FreshImage();
    // Monday: 06:00 → 2, slot 48 → 3, 06:00 again → 4, unknown program 11 at 01:00, 23:30 → Ж.
    const Bytes monday{0x02, 0x0C, 0x03, 0x30, 0x04, 0x0C, 0x0B, 0x02, 0x00, 0x2F};
    std::copy(monday.begin(), monday.end(), image.begin() + 226);
    // Sunday: slot 255 with a program.
    image[226 + 6 * 20] = 0x01;
    image[226 + 6 * 20 + 1] = 0xFF;
    const DecodeResult result = ConfigurationImage::Decode(image);
    ASSERT_TRUE(result.configuration.has_value());
    const Configuration& c = *result.configuration;
    DaySchedule expected{};
    expected[12] = 2;
    expected[47] = 10;
    EXPECT_EQ(c.week[0], expected);
    EXPECT_EQ(c.week[6], DaySchedule{});
    EXPECT_EQ(result.problems,
              (std::vector<std::string>{
                  "График ПН: переключение на получас 48 (вне 0..47) пропущено.",
                  "График ПН: повторное переключение в 06:00 пропущено.",
                  "График ПН: неизвестная программа 11 в 01:00 пропущена.",
                  "График ВС: переключение на получас 255 (вне 0..47) пропущено."}));
}

TEST(ConfigurationImageBadInput, EmptyPairIsKnownByItsFirstByte)
{
    Bytes image = FreshImage();
    image[226] = 0xFF;
    image[227] = 0x05; // an empty pair whatever its slot byte
    image[228] = 0x01;
    image[229] = 0x05;
    const Configuration c = DecodeClean(image);
    EXPECT_EQ(c.week[0][5], 1);
}

struct PriorityCase {
    const char* name;
    std::array<std::uint8_t, 10> stored;
    std::array<std::uint8_t, 10> repaired;
    const char* message;
};

TEST(ConfigurationImageBadInput, PrioritiesAreRepairedAndReported)
{
    const PriorityCase cases[] = {
        {"two codes share 2",
         {2, 2, 1, 4, 5, 6, 7, 8, 9, 10},
         {2, 3, 1, 4, 5, 6, 7, 8, 9, 10},
         "Приоритеты запросов повреждены и восстановлены: ЗУ, РУП, РУС, ДУ, КУ, ПР0, ТВП, МГР, ЛС, "
         "РП."},
        {"all zero",
         {0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
         "Приоритеты запросов повреждены и восстановлены: РУП, РУС, ЗУ, ДУ, КУ, ПР0, ТВП, МГР, ЛС, "
         "РП."},
        {"РП not last",
         {1, 2, 3, 4, 10, 6, 7, 8, 9, 5},
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10},
         "Приоритеты запросов повреждены и восстановлены: РУП, РУС, ЗУ, ДУ, КУ, ПР0, ТВП, МГР, ЛС, "
         "РП."},
        {"out of range and 0xFF",
         {0xFF, 9, 8, 7, 6, 5, 4, 3, 11, 10},
         {1, 9, 8, 7, 6, 5, 4, 3, 2, 10},
         "Приоритеты запросов повреждены и восстановлены: РУП, ЛС, МГР, ТВП, ПР0, КУ, ДУ, ЗУ, РУС, "
         "РП."},
    };
    for (const PriorityCase& pc : cases) {
        SCOPED_TRACE(pc.name);
        Bytes image = FreshImage();
        std::copy(pc.stored.begin(), pc.stored.end(), image.begin() + 366);
        const DecodeResult result = ConfigurationImage::Decode(image);
        ASSERT_TRUE(result.configuration.has_value());
        EXPECT_EQ(result.configuration->priority, pc.repaired);
        EXPECT_EQ(result.problems, std::vector<std::string>{pc.message});
        EXPECT_EQ(ConfigurationImage::RepairPriorities(pc.stored), pc.repaired);
    }
}

TEST(ConfigurationImageBadInput, AccountRecordWithoutTerminatorStopsAtTheField)
{
    // The image is the whole buffer, so a read past byte 1919 is caught by the sanitizers.
    Bytes image = FreshImage();
    std::fill(image.begin() + 1760, image.end(), 0xE0);
    const DecodeResult result = ConfigurationImage::Decode(image);
    ASSERT_TRUE(result.configuration.has_value());
    EXPECT_EQ(result.configuration->accountRecord, std::string(159, '\xE0'));
    EXPECT_EQ(result.problems,
              std::vector<std::string>{
                  "Учетная запись ОДД без завершающего нуля: прочитаны первые 159 символов."});
    // Only the terminator is put back.
    const ImageBytes again = ConfigurationImage::Encode(*result.configuration);
    EXPECT_EQ(Slice(again, 1760, 159), Repeat(0xE0, 159));
    EXPECT_EQ(again[1919], 0);
}

TEST(ConfigurationImageBadInput, AccountRecordEndsAtItsFirstZero)
{
    Bytes image = FreshImage();
    image[1760] = 'A';
    image[1761] = 'B';
    image[1763] = 'C'; // after the terminator: never part of the text
    EXPECT_EQ(DecodeClean(image).accountRecord, "AB");
}

TEST(ConfigurationImageBadInput, TvpPhaseAboveEightIsNotApplied)
{
    Bytes image = FreshImage();
    image[382 + 2] = 9;    // "ТВП1" of program 3
    image[391 + 8] = 0xFF; // "ТВП2" of program 9
    image[391] = 8;
    const DecodeResult result = ConfigurationImage::Decode(image);
    ASSERT_TRUE(result.configuration.has_value());
    EXPECT_EQ(result.configuration->tvp1[2], 0);
    EXPECT_EQ(result.configuration->tvp2[8], 0);
    EXPECT_EQ(result.configuration->tvp2[0], 8);
    EXPECT_EQ(result.problems,
              (std::vector<std::string>{"Программа 3: фаза ТВП1 9 вне 1..8 не учтена.",
                                        "Программа 9: фаза ТВП2 255 вне 1..8 не учтена."}));
}

TEST(ConfigurationImageBadInput, SyncByteAndUnusedMaskBits)
{
    Bytes image = FreshImage();
    image[81] = 200;
    image[401] = 0xFF;  // wait board, outputs 9..12 and four unused bits
    image[464] = 0xFF;  // green sensors 1..6 and two unused bits
    image[560 + 72] = 0xF3;
    const DecodeResult result = ConfigurationImage::Decode(image);
    ASSERT_TRUE(result.configuration.has_value());
    const Configuration& c = *result.configuration;
    // The reader shows such a delay; it is kept and pointed out.
    EXPECT_FALSE(c.masterController);
    EXPECT_EQ(c.syncDelay, 200);
    EXPECT_EQ(result.problems, std::vector<std::string>{
                                   "Время задержки синхронизации 200 вне диапазона 0..127."});
    EXPECT_EQ(c.waitBoards[0], 0xFull << 8);
    EXPECT_EQ(c.greenSensors[0], 0x3Fu);
    EXPECT_EQ(c.lampOutputs[0], 0x3ull << 8);
    const ImageBytes again = ConfigurationImage::Encode(c);
    EXPECT_EQ(again[81], 200);
    EXPECT_EQ(again[401], 0x0F);
    EXPECT_EQ(again[464], 0x3F);
    EXPECT_EQ(again[632], 0x03);
}

// What the image cannot carry: Validate names it and Encode stays inside every section.
TEST(ConfigurationImageValidate, TooManySwitchPointsKeepTheFirstTen)
{
    Configuration c;
    for (int slot = 0; slot < 12; ++slot)
        c.week[1][slot * 2] = 1 + slot % 10;
    EXPECT_EQ(ConfigurationImage::Validate(c),
              std::vector<std::string>{"График ВТ: 12 переключений, записываются первые 10."});
    const ImageBytes image = ConfigurationImage::Encode(c);
    EXPECT_EQ(Slice(image, 246, 20),
              (Bytes{1, 0, 2, 2, 3, 4, 4, 6, 5, 8, 6, 10, 7, 12, 8, 14, 9, 16, 0, 18}));
    EXPECT_EQ(Slice(image, 266, 20), Repeat(0xFF, 20)); // Wednesday untouched
    EXPECT_EQ(image[366], 1);
}

TEST(ConfigurationImageValidate, SlotValuesOutsideTheChartAreNotWritten)
{
    Configuration c;
    c.week[0][3] = 11;
    c.week[0][4] = -1;
    c.week[0][5] = 255;
    c.week[0][6] = 3;
    EXPECT_EQ(ConfigurationImage::Validate(c),
              (std::vector<std::string>{"График ПН: значение 11 в 01:30 вне 0..10 не записывается.",
                                        "График ПН: значение -1 в 02:00 вне 0..10 не записывается.",
                                        "График ПН: значение 255 в 02:30 вне 0..10 не записывается."}));
    const ImageBytes image = ConfigurationImage::Encode(c);
    EXPECT_EQ(Slice(image, 226, 4), (Bytes{0x03, 0x06, 0xFF, 0xFF}));
}

TEST(ConfigurationImageValidate, ScalarsPhasesPrioritiesAndMasks)
{
    Configuration c;
    c.masterController = false;
    c.syncDelay = 128;
    c.tvp1[0] = 9;
    c.priority = {1, 1, 3, 4, 5, 6, 7, 8, 9, 10};
    c.lampOutputs[0] = 1ull << 48;
    c.greenSensors[0] = 1u << 24;
    EXPECT_EQ(ConfigurationImage::Validate(c),
              (std::vector<std::string>{
                  "Время задержки синхронизации 128 вне диапазона 0..127.",
                  "Приоритеты запросов не образуют порядок 1..10 с «РП» последним: записываются "
                  "восстановленными.",
                  "Программа 1: фаза ТВП1 9 вне 0..8 не записывается.",
                  "Привязка выходов: выходы с номером больше 48 не записываются.",
                  "Привязка датчиков: датчики зеленого с номером больше 24 не записываются."}));
    const ImageBytes image = ConfigurationImage::Encode(c);
    EXPECT_EQ(image[81], 127); // never turns into the master mark
    EXPECT_EQ(image[382], 0);
    EXPECT_EQ(Slice(image, 366, 10), (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(Slice(image, 560, 576), Repeat(0, 576));
    EXPECT_EQ(Slice(image, 464, 96), Repeat(0, 96));
}

TEST(ConfigurationImageValidate, AccountRecordIsCutToItsRoom)
{
    Configuration c;
    c.accountRecord.assign(200, 'x');
    EXPECT_EQ(ConfigurationImage::Validate(c),
              std::vector<std::string>{
                  "Учетная запись ОДД длиннее 159 символов (200): записываются первые 159."});
    ImageBytes image = ConfigurationImage::Encode(c);
    EXPECT_EQ(Slice(image, 1760, 159), Repeat('x', 159));
    EXPECT_EQ(image[1919], 0);

    c.accountRecord = std::string("ab\0cd", 5);
    EXPECT_EQ(ConfigurationImage::Validate(c),
              std::vector<std::string>{
                  "Учетная запись ОДД содержит нулевой байт: записывается текст до него."});
    image = ConfigurationImage::Encode(c);
    EXPECT_EQ(Slice(image, 1760, 4), (Bytes{'a', 'b', 0, 0}));
}

} // namespace
} // namespace vlk
