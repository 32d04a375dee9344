#include "util/ADate.h"

#include <gtest/gtest.h>

namespace vlk {
namespace {

// A fixed "today" and a counting beep for every case.
class ADateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        SetTodaySource([this] { return m_today; });
        SetBeepHandler([this] { ++m_beeps; });
    }
    void TearDown() override
    {
        SetTodaySource({});
        SetBeepHandler({});
    }
    static ADate Make(int y, int m, int d)
    {
        ADate date;
        date.SetDate(y, m, d);
        return date;
    }
    static void ExpectDate(const ADate& date, int y, int m, int d)
    {
        EXPECT_EQ(date.GetYear(), y);
        EXPECT_EQ(date.GetMonth(), m);
        EXPECT_EQ(date.GetDay(), d);
    }

    CivilDay m_today{2026, 12, 7};
    int m_beeps = 0;
};

TEST_F(ADateTest, WeekdayAnchorsAndImpossibleDays)
{
    EXPECT_EQ(Weekday(1996, 1, 1), 1);
    EXPECT_EQ(Weekday(1997, 1, 1), 3);
    EXPECT_EQ(Weekday(1995, 1, 1), 7);
    EXPECT_EQ(Weekday(2008, 2, 30), 0);
    EXPECT_EQ(Weekday(2008, 2, 29), 5); // a Friday
    EXPECT_EQ(Weekday(2008, 3, 6), 4);  // a Thursday
    EXPECT_EQ(Weekday(2026, 12, 7), 1); // a Monday
    EXPECT_EQ(Weekday(1980, 1, 1), 2);  // a Tuesday
    EXPECT_EQ(Weekday(1970, 1, 1), 4);  // a Thursday
    EXPECT_EQ(Weekday(2000, 12, 31), 7);
    EXPECT_EQ(m_beeps, 0); // Weekday itself never beeps
}

TEST_F(ADateTest, WeekdayAgreesWithDayByDayCountingAcrossYears)
{
    // Walk day by day from 1 January 1990 (a Monday) to 2030: each day is the next weekday.
    int expected = 1;
    for (int y = 1990; y <= 2030; ++y)
        for (int m = 1; m <= 12; ++m)
            for (int d = 1; d <= DaysInMonthOf(y, m); ++d) {
                ASSERT_EQ(Weekday(y, m, d), expected) << y << "-" << m << "-" << d;
                expected = expected % 7 + 1;
            }
}

TEST_F(ADateTest, MonthLengthsFollowTheFourYearRuleOnly)
{
    EXPECT_EQ(DaysInMonthOf(1900, 2), 29);
    EXPECT_EQ(DaysInMonthOf(2000, 2), 29);
    EXPECT_EQ(DaysInMonthOf(2007, 2), 28);
    EXPECT_EQ(DaysInMonthOf(2008, 4), 30);
    EXPECT_EQ(DaysInMonthOf(2008, 12), 31);
    EXPECT_EQ(DaysInMonthOf(2008, 0), 31);
    EXPECT_EQ(DaysInMonthOf(2008, 13), 31);
}

TEST_F(ADateTest, IsValidBeepsOnceForEachRefusal)
{
    EXPECT_TRUE(IsValid(1900, 2, 29));
    EXPECT_TRUE(IsValid(2008, 12, 31));
    EXPECT_EQ(m_beeps, 0);
    EXPECT_FALSE(IsValid(2007, 2, 29));
    EXPECT_FALSE(IsValid(2008, 4, 31));
    EXPECT_FALSE(IsValid(2008, 0, 1));
    EXPECT_FALSE(IsValid(2008, 13, 1));
    EXPECT_FALSE(IsValid(2008, 1, 0));
    EXPECT_FALSE(IsValid(2008, 1, 32));
    EXPECT_EQ(m_beeps, 6);
}

TEST_F(ADateTest, SetDateCompletesTheCenturyAndFallsBackToToday)
{
    ExpectDate(Make(8, 3, 6), 2008, 3, 6);
    ExpectDate(Make(999, 1, 1), 2999, 1, 1);
    ExpectDate(Make(1000, 1, 1), 1000, 1, 1);
    EXPECT_EQ(m_beeps, 0);

    const ADate bad = Make(2008, 2, 30);
    EXPECT_EQ(m_beeps, 1);
    ExpectDate(bad, 2026, 12, 7);
    EXPECT_EQ(bad.GetWeekday(), 1);

    ADate date = Make(2008, 1, 31);
    date.SetMonth(2); // 31 February: beep, today
    EXPECT_EQ(m_beeps, 2);
    ExpectDate(date, 2026, 12, 7);
    date.SetDay(25);
    ExpectDate(date, 2026, 12, 25);
    EXPECT_EQ(date.GetWeekday(), 5);
}

TEST_F(ADateTest, TodayComesFromTheInjectedClock)
{
    ADate date;
    EXPECT_EQ(date.GetWeekday(), 0); // nothing set yet: an impossible date
    date.SetToday();
    ExpectDate(date, 2026, 12, 7);
    m_today = {1999, 2, 28};
    date.SetToday();
    ExpectDate(date, 1999, 2, 28);
    EXPECT_EQ(date.GetWeekday(), 7);
    // The century of a short year follows the clock too.
    ExpectDate(Make(5, 1, 1), 1905, 1, 1);
}

TEST_F(ADateTest, AddMonthsCarriesTheYearAndShortensTheDay)
{
    ADate date = Make(2008, 1, 15);
    date.AddMonths(-1);
    ExpectDate(date, 2007, 12, 15);
    date.AddMonths(1);
    ExpectDate(date, 2008, 1, 15);

    date = Make(2008, 1, 31);
    date.AddMonths(1);
    ExpectDate(date, 2008, 2, 29);
    EXPECT_EQ(date.GetWeekday(), 5);

    date = Make(2008, 12, 31);
    date.AddMonths(1);
    ExpectDate(date, 2009, 1, 31);
    date.AddMonths(12);
    ExpectDate(date, 2010, 1, 31);
    date.AddMonths(-12);
    ExpectDate(date, 2009, 1, 31);
    date.AddMonths(-12 + 1); // February of 2008, leap
    ExpectDate(date, 2008, 2, 29);
    date.AddMonths(-2);
    ExpectDate(date, 2007, 12, 29);
    EXPECT_EQ(m_beeps, 0);
}

TEST_F(ADateTest, ParseFillsMissingPartsFromToday)
{
    ADate date;
    date.Parse("5");
    ExpectDate(date, 2026, 12, 5);
    date.Parse("5.3");
    ExpectDate(date, 2026, 3, 5);
    date.Parse("5.3.8");
    ExpectDate(date, 2008, 3, 5);
    date.Parse("06.03.2008");
    ExpectDate(date, 2008, 3, 6);
    date.Parse("5.");
    ExpectDate(date, 2026, 12, 5); // month 0 becomes the current month
    date.Parse("5.3.");
    ExpectDate(date, 2000, 3, 5); // year 0 gets the century
    date.Parse("7abc");
    ExpectDate(date, 2026, 12, 7);
    EXPECT_EQ(m_beeps, 0);
}

TEST_F(ADateTest, ParseRefusalsBeepAndGiveToday)
{
    ADate date = Make(2008, 3, 6);
    date.Parse("31.2.2008");
    EXPECT_EQ(m_beeps, 1);
    ExpectDate(date, 2026, 12, 7);

    date = Make(2008, 3, 6);
    date.Parse("1.01.2008  "); // eleven characters
    EXPECT_EQ(m_beeps, 2);
    ExpectDate(date, 2026, 12, 7);

    date = Make(2008, 3, 6);
    date.Parse("abc");
    EXPECT_EQ(m_beeps, 3);
    date.Parse("-5");
    EXPECT_EQ(m_beeps, 4);
    date.Parse("99999999999.1.2008"); // no overflow, just a refusal
    EXPECT_EQ(m_beeps, 5);

    date = Make(2008, 3, 6);
    date.Parse("");
    EXPECT_EQ(m_beeps, 5); // empty text: today without a beep
    ExpectDate(date, 2026, 12, 7);
}

TEST_F(ADateTest, ParseCountsCharactersNotBytes)
{
    ADate date;
    date.Parse("5.3.8ггггг"); // ten characters, twenty bytes of Cyrillic and more
    EXPECT_EQ(m_beeps, 0);
    ExpectDate(date, 2008, 3, 5);
}

TEST_F(ADateTest, FormatAndNames)
{
    EXPECT_EQ(Make(2008, 3, 6).Format(), "6.03.2008");
    EXPECT_EQ(Make(2008, 12, 31).Format(), "31.12.2008");
    EXPECT_EQ(Make(2008, 3, 6).YearSpaced(), " 2 0 0 8");
    EXPECT_EQ(Make(2008, 3, 6).MonthName(true), "Март");
    EXPECT_EQ(Make(2008, 3, 6).MonthName(false), "Мар");
    EXPECT_EQ(ADate::MonthNameOf(5, true), "Май");
    EXPECT_EQ(ADate::MonthNameOf(5, false), "Май");
    EXPECT_EQ(ADate::MonthNameOf(9, true), "Сентябрь");
    EXPECT_EQ(ADate::MonthNameOf(11, false), "Ноя");
    EXPECT_EQ(ADate::MonthNameOf(0, true), "");
    EXPECT_EQ(ADate::MonthNameOf(13, true), "");
    EXPECT_EQ(ADate::MonthNameOf(-1, false), "");
}

} // namespace
} // namespace vlk
