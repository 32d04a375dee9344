#include "util/Crc32.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace vlk {
namespace {

std::uint32_t Of(std::string_view text)
{
    return Crc32::Of(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

TEST(Crc32, KnownValues)
{
    EXPECT_EQ(Of("123456789"), 0xCBF43926u);
    EXPECT_EQ(Of(""), 0x00000000u);
    EXPECT_EQ(Of("a"), 0xE8B7BE43u);
    EXPECT_EQ(Of("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
    // Every byte value goes through the table, the high ones included.
    const std::vector<std::uint8_t> zeros(1920, 0);
    EXPECT_EQ(Crc32::Of(zeros), 0x2AB7342Bu);
    const std::vector<std::uint8_t> ones(4, 0xFF);
    EXPECT_EQ(Crc32::Of(ones), 0xFFFFFFFFu);
}

TEST(Crc32, HexIsEightUpperCaseDigits)
{
    EXPECT_EQ(Crc32::Hex(0xCBF43926u), "CBF43926");
    EXPECT_EQ(Crc32::Hex(0x0000ABCDu), "0000ABCD");
    EXPECT_EQ(Crc32::Hex(0u), "00000000");
}

} // namespace
} // namespace vlk
