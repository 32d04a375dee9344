#include "config/ConfigurationImage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>

namespace vlk {
namespace {

// What the writer stores for a cell: glibc's sscanf("%d") into an int that starts at 0, low byte.
std::uint8_t ScanfByte(const std::string& text)
{
    int value = 0;
    (void)std::sscanf(text.c_str(), "%d", &value);
    return static_cast<std::uint8_t>(value & 0xFF);
}

TEST(CellByte, ReadsCellTextsAsTheWriterDoes)
{
    EXPECT_EQ(CellByte(""), 0);
    EXPECT_EQ(CellByte("0"), 0);
    EXPECT_EQ(CellByte("45"), 45);
    EXPECT_EQ(CellByte("255"), 255);
    EXPECT_EQ(CellByte("256"), 0);
    EXPECT_EQ(CellByte("300"), 44);
    EXPECT_EQ(CellByte("-1"), 255);
    EXPECT_EQ(CellByte("  +12x"), 12);
    EXPECT_EQ(CellByte("X"), 0);
    EXPECT_EQ(CellByte("- 5"), 0);
    EXPECT_EQ(CellByte("0x1F"), 0);
    EXPECT_EQ(CellByte(" \t\n\v\f\r42"), 42);
    EXPECT_EQ(CellByte("\xA0" "7"), 0); // a no-break space is no blank for "%d"
}

TEST(CellByte, HugeNumbersSaturateLikeStrtol)
{
    EXPECT_EQ(CellByte("4294967296"), 0);         // 2^32: the int's low bits
    EXPECT_EQ(CellByte("4294967551"), 255);
    EXPECT_EQ(CellByte("99999999999"), 255);      // 0x174876E7FF
    EXPECT_EQ(CellByte("9223372036854775807"), 255);
    EXPECT_EQ(CellByte("9223372036854775808"), 255); // beyond long: LONG_MAX
    EXPECT_EQ(CellByte("99999999999999999999999999"), 255);
    EXPECT_EQ(CellByte("-9223372036854775808"), 0);
    EXPECT_EQ(CellByte("-9223372036854775809"), 0);  // LONG_MIN
    EXPECT_EQ(CellByte("-99999999999999999999999999"), 0);
    EXPECT_EQ(CellByte("-9223372036854775807"), 1);
}

TEST(CellByte, AgreesWithSscanfOnOddTexts)
{
    const char* fixed[] = {"",  " ",  "+", "-", "+-1", "--1", "007", "1e3", "12 34", "\n-0",
                           "18446744073709551615", "18446744073709551616", "-18446744073709551616",
                           "2147483647", "2147483648", "-2147483649", "9223372036854775806",
                           "00000000000000000000000000000000009223372036854775808"};
    for (const char* text : fixed)
        EXPECT_EQ(CellByte(text), ScanfByte(text)) << '"' << text << '"';

    std::mt19937 rng(1251);
    const std::string alphabet = " \t+-0123456789999x\xC0";
    for (int i = 0; i < 20000; ++i) {
        std::string text;
        const unsigned length = rng() % 24;
        for (unsigned k = 0; k < length; ++k)
            text.push_back(alphabet[rng() % alphabet.size()]);
        ASSERT_EQ(CellByte(text), ScanfByte(text)) << '"' << text << '"';
    }
}

} // namespace
} // namespace vlk
