#include "util/NumberText.h"

#include <gtest/gtest.h>

#include <optional>
#include <string_view>

namespace vlk {
namespace {

constexpr std::optional<long long> kTooLarge = std::nullopt;

// One text, what every rule reads in it.
struct Reading {
    std::string_view text;
    long leadingLong;
    int leadingInt;
    int symmetric;
    unsigned lowByte;
    std::optional<long long> dialog;
};

// clang-format off
const Reading kReadings[] = {
    // text                          long                         int          symmetric    byte dialog
    {"",                             0,                           0,           0,           0,   0},
    {"42",                           42,                          42,          42,          42,  42},
    {"007",                          7,                           7,           7,           7,   7},
    {"+5",                           5,                           5,           5,           5,   5},
    {"-0",                           0,                           0,           0,           0,   0},
    {"-1",                           -1,                          -1,          -1,          255, -1},
    {" \t17",                        17,                          17,          17,          17,  17},
    {" \t\n\v\f\r17",                17,                          17,          17,          17,  0},
    {"\xC2\xA0" "5",                 0,                           0,           0,           0,   0},
    {"-",                            0,                           0,           0,           0,   0},
    {"- 1",                          0,                           0,           0,           0,   0},
    {"+-1",                          0,                           0,           0,           0,   0},
    {"abc",                          0,                           0,           0,           0,   0},
    {"12abc",                        12,                          12,          12,          12,  0},
    {"12 ",                          12,                          12,          12,          12,  0},
    {"0x1A",                         0,                           0,           0,           0,   0},
    {"1e3",                          1,                           1,           1,           1,   0},
    {"256",                          256,                         256,         256,         0,   256},
    {"300",                          300,                         300,         300,         44,  300},
    {"-256",                         -256,                        -256,        -256,        0,   -256},
    {"-300",                         -300,                        -300,        -300,        212, -300},
    {"2147483647",                   2147483647,                  2147483647,  2147483647,  255, 2147483647},
    {"2147483648",                   2147483648,                  2147483647,  2147483647,  0,   2147483648},
    {"-2147483647",                  -2147483647,                 -2147483647, -2147483647, 1,   -2147483647},
    {"-2147483648",                  -2147483648,                 -2147483647 - 1, -2147483647, 0, -2147483648},
    {"4294967295",                   4294967295,                  2147483647,  2147483647,  255, 4294967295},
    {"-4294967295",                  -4294967295,                 -2147483647 - 1, -2147483647, 1, -4294967295},
    {"4294967296",                   4294967296,                  2147483647,  2147483647,  0,   kTooLarge},
    {"4294967296x",                  4294967296,                  2147483647,  2147483647,  0,   kTooLarge},
    {"1x99999999999",                1,                           1,           1,           1,   0},
    {"9223372036854775807",          9223372036854775807,         2147483647,  2147483647,  255, kTooLarge},
    {"9223372036854775808",          9223372036854775807,         2147483647,  2147483647,  255, kTooLarge},
    {"99999999999999999999999",      9223372036854775807,         2147483647,  2147483647,  255, kTooLarge},
    {"-9223372036854775807",         -9223372036854775807,        -2147483647 - 1, -2147483647, 1, kTooLarge},
    {"-9223372036854775808",         -9223372036854775807 - 1,    -2147483647 - 1, -2147483647, 0, kTooLarge},
    {"-99999999999999999999",        -9223372036854775807 - 1,    -2147483647 - 1, -2147483647, 0, kTooLarge},
};
// clang-format on

TEST(NumberText, EveryRuleOnEveryText)
{
    for (const Reading& r : kReadings) {
        SCOPED_TRACE(testing::Message() << "text \"" << r.text << "\"");
        EXPECT_EQ(NumberText::LeadingLong(r.text), r.leadingLong);
        EXPECT_EQ(NumberText::LeadingInt(r.text), r.leadingInt);
        EXPECT_EQ(NumberText::LeadingIntSymmetric(r.text), r.symmetric);
        EXPECT_EQ(NumberText::LowByte(r.text), r.lowByte);
        EXPECT_EQ(NumberText::DialogInt(r.text), r.dialog);
    }
}

// The text ends where the view ends, not at a terminator further on.
TEST(NumberText, ReadsOnlyTheView)
{
    const std::string_view digits = "12345";
    EXPECT_EQ(NumberText::LeadingLong(digits.substr(0, 2)), 12);
    EXPECT_EQ(NumberText::DialogInt(digits.substr(0, 3)), 123);
    EXPECT_EQ(NumberText::LowByte(digits.substr(0, 0)), 0);
}

} // namespace
} // namespace vlk
