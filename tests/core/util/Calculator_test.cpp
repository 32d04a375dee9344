#include "util/Calculator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vlk {
namespace {

// Drives the calculator as the pop-up does: every key gets the current display and the display
// takes the result.
class CalculatorTest : public ::testing::Test {
protected:
    void Open(const std::string& text) { m_display = m_calc.Open(text); }
    void Keys(std::u32string keys)
    {
        for (const char32_t key : keys)
            m_display = m_calc.Key(key, m_display);
    }
    std::string CloseText() { return m_calc.Close(); }

    int m_beeps = 0;
    Calculator m_calc{[this] { ++m_beeps; }};
    std::string m_display;
};

TEST(NumberTextTest, DropsTrailingZerosAndPoint)
{
    EXPECT_EQ(NumberText(2.5), "2.5");
    EXPECT_EQ(NumberText(3), "3");
    EXPECT_EQ(NumberText(0), "0");
    EXPECT_EQ(NumberText(1.057), "1.06");
    EXPECT_EQ(NumberText(-12.25), "-12.25");
    EXPECT_EQ(NumberText(100), "100");
    EXPECT_EQ(NumberText(-0.001), "0");
    EXPECT_EQ(NumberText(1e20), "100000000000000000000");
}

TEST(ReadNumberTest, DropsSpacesAndReadsTheLeadingNumber)
{
    EXPECT_DOUBLE_EQ(ReadNumber("1 234"), 1234);
    EXPECT_DOUBLE_EQ(ReadNumber("12abc"), 12);
    EXPECT_DOUBLE_EQ(ReadNumber("-3.5"), -3.5);
    EXPECT_DOUBLE_EQ(ReadNumber(".5"), 0.5);
    EXPECT_DOUBLE_EQ(ReadNumber("7."), 7);
    EXPECT_DOUBLE_EQ(ReadNumber(""), 0);
    EXPECT_DOUBLE_EQ(ReadNumber("abc"), 0);
    EXPECT_DOUBLE_EQ(ReadNumber("-"), 0);
    EXPECT_DOUBLE_EQ(ReadNumber("1,5"), 1); // the point is the separator
}

TEST(CalculatorKeysTest, LabelsAndTypedCharacters)
{
    const std::u32string labels = U"789/456*123-0,\u00B1+C<=";
    for (int key = 0; key < Calculator::kKeyCount; ++key)
        EXPECT_EQ(Calculator::KeyLabel(key), labels[key]) << key;
    EXPECT_EQ(Calculator::KeyForCharacter(U'\b'), 17);
    EXPECT_EQ(Calculator::KeyForCharacter(U'.'), 13);
    EXPECT_EQ(Calculator::KeyForCharacter(U','), 13);
    EXPECT_EQ(Calculator::KeyForCharacter(U'c'), 16);
    EXPECT_EQ(Calculator::KeyForCharacter(U'C'), 16);
    EXPECT_EQ(Calculator::KeyForCharacter(U'с'), 16);
    EXPECT_EQ(Calculator::KeyForCharacter(U'С'), 16);
    EXPECT_EQ(Calculator::KeyForCharacter(U'='), 18);
    EXPECT_EQ(Calculator::KeyForCharacter(U'0'), 12);
    EXPECT_EQ(Calculator::KeyForCharacter(U'x'), std::nullopt);
    EXPECT_EQ(Calculator::KeyForCharacter(U'\r'), std::nullopt);
}

TEST_F(CalculatorTest, OpeningNormalisesTheText)
{
    Open("2.50");
    EXPECT_EQ(m_display, "2.5");
    Open(" 1 2 ");
    EXPECT_EQ(m_display, "12");
    Open("");
    EXPECT_EQ(m_display, "0");
    EXPECT_FALSE(m_calc.EntryStarted());
}

TEST_F(CalculatorTest, DivisionByZeroBeepsAndLeavesZero)
{
    Open("");
    Keys(U"7/0=");
    EXPECT_TRUE(m_calc.CloseRequested());
    EXPECT_EQ(m_beeps, 0);
    EXPECT_EQ(CloseText(), "0");
    EXPECT_EQ(m_beeps, 1);
}

TEST_F(CalculatorTest, DigitsAfterTheCommaAreRoundedToTwo)
{
    Open("");
    Keys(U"1,05");
    EXPECT_EQ(m_display, "1.05");
    Keys(U"7");
    EXPECT_EQ(m_display, "1.06");
    Open("5");
    Keys(U",");
    EXPECT_EQ(m_display, "0."); // the comma starts a fresh entry
    Keys(U"5,");
    EXPECT_EQ(m_display, "0.5"); // a second point is not added
}

TEST_F(CalculatorTest, ZerosOnAFreshEntryStayAtZero)
{
    Open("5");
    Keys(U"0");
    EXPECT_EQ(m_display, "0");
    Keys(U"00");
    EXPECT_EQ(m_display, "0");
    Keys(U"7");
    EXPECT_EQ(m_display, "7");
    Keys(U"00");
    EXPECT_EQ(m_display, "700");
    EXPECT_EQ(CloseText(), "700");
}

TEST_F(CalculatorTest, OperatorsChainLeftToRight)
{
    Open("");
    Keys(U"2+3=");
    EXPECT_EQ(CloseText(), "5");

    Open("");
    Keys(U"2+3*4");
    EXPECT_EQ(m_display, "4");
    Keys(U"-");
    EXPECT_EQ(m_display, "20"); // (2 + 3) * 4 shown when the next operator comes
    Keys(U"6/");
    EXPECT_EQ(m_display, "14");
    Keys(U"4=");
    EXPECT_EQ(CloseText(), "3.5");

    // Closing without "=" applies the pending operator as well.
    Open("");
    Keys(U"2+3");
    EXPECT_EQ(CloseText(), "5");
    EXPECT_EQ(m_calc.PendingOperator(), '=');
    EXPECT_EQ(m_beeps, 0);
}

TEST_F(CalculatorTest, OperatorStartsFromTheOpenedText)
{
    Open("10");
    Keys(U"-4=");
    EXPECT_EQ(CloseText(), "6");
    Open("6");
    EXPECT_EQ(CloseText(), "6"); // nothing pressed: the value survives
}

TEST_F(CalculatorTest, BackspaceBeepsOnAFreshEntryOnly)
{
    Open("12");
    Keys(U"<");
    EXPECT_EQ(m_beeps, 1);
    EXPECT_EQ(m_display, "12");

    Keys(U"5+");
    Keys(U"<");
    EXPECT_EQ(m_beeps, 2); // right after an operator
    EXPECT_EQ(m_display, "5");

    Keys(U"12<");
    EXPECT_EQ(m_display, "1");
    EXPECT_EQ(m_beeps, 2);
    // The erased digit no longer counts.
    EXPECT_EQ(CloseText(), "6");

    Open("");
    Keys(U"7<");
    EXPECT_EQ(m_display, "0"); // an empty display shows 0
}

TEST_F(CalculatorTest, ClearAndSignChange)
{
    Open("");
    Keys(U"9+4C");
    EXPECT_EQ(m_display, "0");
    EXPECT_EQ(m_calc.PendingOperator(), '=');
    Keys(U"3\u00B1");
    EXPECT_EQ(m_display, "-3");
    Keys(U"*2=");
    EXPECT_EQ(CloseText(), "-6");

    Open("0");
    Keys(U"\u00B1");
    EXPECT_EQ(m_display, "0");
}

TEST_F(CalculatorTest, ChainedDivisionByZeroBeepsAtTheNextOperator)
{
    Open("");
    Keys(U"8/0+");
    EXPECT_EQ(m_beeps, 1);
    EXPECT_EQ(m_display, "0");
    Keys(U"5=");
    EXPECT_EQ(CloseText(), "5");
}

} // namespace
} // namespace vlk
