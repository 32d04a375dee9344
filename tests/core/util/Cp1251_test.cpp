#include "util/Cp1251.h"

#include <gtest/gtest.h>

namespace vlk {
namespace {

std::string Utf8Of(std::string_view cp1251)
{
    const TextConversion r = Cp1251::ToUtf8(cp1251);
    EXPECT_TRUE(r.text.has_value()) << r.error;
    return r.text.value_or("");
}

std::string Cp1251Of(std::string_view utf8)
{
    const TextConversion r = Cp1251::FromUtf8(utf8);
    EXPECT_TRUE(r.text.has_value()) << r.error;
    return r.text.value_or("");
}

TEST(Cp1251, KnownCharactersBothWays)
{
    EXPECT_EQ(Utf8Of("\xC2\xCB\xCA\x32\x2E\x32"), "ВЛК2.2");
    EXPECT_EQ(Cp1251Of("Запись ОДД закончена"),
              "\xC7\xE0\xEF\xE8\xF1\xFC \xCE\xC4\xC4 \xE7\xE0\xEA\xEE\xED\xF7\xE5\xED\xE0");
    EXPECT_EQ(Cp1251Of("ёЁ№€«»"), "\xB8\xA8\xB9\x88\xAB\xBB");
    EXPECT_EQ(Utf8Of(""), "");
    EXPECT_EQ(Cp1251Of(""), "");
    EXPECT_EQ(Utf8Of(std::string_view("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Cp1251, EveryByteValueRoundTrips)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    const std::string utf8 = Utf8Of(all);
    EXPECT_EQ(Cp1251Of(utf8), all);
    for (int b = 0; b < 256; ++b) {
        const std::string one(1, static_cast<char>(b));
        EXPECT_EQ(Cp1251Of(Utf8Of(one)), one) << "byte " << b;
    }
}

TEST(Cp1251, ByteWithoutACharacterTravelsAsU0098)
{
    EXPECT_EQ(Utf8Of("\x98"), "\xC2\x98");
    EXPECT_EQ(Cp1251Of("x\xC2\x98y"), "x\x98y");
}

TEST(Cp1251, CharactersOutsideWindows1251AreRefused)
{
    TextConversion r = Cp1251::FromUtf8("Привет, 漢字");
    EXPECT_FALSE(r.text.has_value());
    EXPECT_EQ(r.error, "Символ «漢» (U+6F22) нельзя записать в кодировке Windows-1251.");

    r = Cp1251::FromUtf8("ä");
    EXPECT_FALSE(r.text.has_value());
    EXPECT_EQ(r.error, "Символ «ä» (U+00E4) нельзя записать в кодировке Windows-1251.");

    r = Cp1251::FromUtf8("ok \xF0\x9F\x9A\xA6"); // a traffic light emoji
    EXPECT_FALSE(r.text.has_value());
    EXPECT_EQ(r.error, "Символ «\xF0\x9F\x9A\xA6» (U+1F6A6) нельзя записать в кодировке Windows-1251.");

    r = Cp1251::FromUtf8("\xC2\x81"); // a C1 control is named, not shown
    EXPECT_FALSE(r.text.has_value());
    EXPECT_EQ(r.error, "Символ (U+0081) нельзя записать в кодировке Windows-1251.");
}

TEST(Cp1251, InvalidUtf8IsRefused)
{
    const char* bad[] = {"\xC0\x80",          // overlong zero
                         "ab\x80",            // lone continuation byte
                         "\xD0",              // cut short
                         "\xED\xA0\x80",      // surrogate
                         "\xF4\x90\x80\x80",  // beyond U+10FFFF
                         "\xE0\x80\xAF",      // overlong slash
                         "\xFF"};
    for (const char* text : bad) {
        const TextConversion r = Cp1251::FromUtf8(text);
        EXPECT_FALSE(r.text.has_value()) << text;
    }
    EXPECT_EQ(Cp1251::FromUtf8("ab\x80").error, "Текст не в кодировке UTF-8 (байт 3).");
}

} // namespace
} // namespace vlk
