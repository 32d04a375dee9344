#include "editor/PopupGeometry.h"
#include "ui/editor/EditorTestSupport.h"

#include <QDir>
#include <QLineEdit>

namespace vlk {
namespace {

namespace geo = popup_geometry;
using test::WaitFor;

class CalendarPopupTest : public test::EditorTest {
protected:
    CalendarPopup* OpenCalendar(ClassZetEdit* editor)
    {
        auto* popup = qobject_cast<CalendarPopup*>(OpenByButton(editor));
        EXPECT_NE(popup, nullptr);
        return popup;
    }
    // Presses, releases and clicks on the calendar go to its own window.
    static void Press(QWidget* popup, QPoint point) { test::Press(popup, point); }
    static void Release(QWidget* popup, QPoint point) { test::Release(popup, point); }
    static void Click(QWidget* popup, QPoint point) { test::Click(popup, point); }
    static QPoint Day(int cell) { return geo::DayCellRect(cell).center(); }
    static QPoint Month(int cell) { return geo::MonthCellRect(cell).center(); }
    static QPoint Header() { return {85, 15}; }
    static QPoint PreviousArrow() { return {12, 15}; }
    static QPoint NextArrow() { return {171 - 12, 15}; }
    static void MoveTo(QWidget* popup, QPoint point) { test::Move(popup, point); }
    static const ADate& Date() { return CalendarPopup::SharedDate(); }
};

TEST_F(CalendarPopupTest, OpensOnTheEditorsDateInTheDaysView)
{
    ClassZetEdit* editor = MakeEditor(ZES_DATE, "15.10.8");
    QSignalSpy changed(editor, &ClassZetEdit::Changed);
    CalendarPopup* popup = OpenCalendar(editor);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->size(), QSize(171, 163));
    EXPECT_TRUE(popup->DaysView());
    EXPECT_EQ(editor->Text(), "15.10.2008");
    EXPECT_EQ(changed.count(), 1);
    // 1 October 2008 is a Wednesday: two days of September come first.
    EXPECT_EQ(popup->Selection(), 16);
    EXPECT_EQ(m_beeps, 0);
}

TEST_F(CalendarPopupTest, ImpossibleOrEmptyTextOpensOnToday)
{
    ClassZetEdit* editor = MakeEditor(ZES_DATE, "");
    OpenCalendar(editor);
    EXPECT_EQ(editor->Text(), "7.12.2026");
    EXPECT_EQ(m_beeps, 0);
    editor->ClosePopup();
    ASSERT_TRUE(Gone(editor));

    editor->SetText("31.2.2008");
    OpenCalendar(editor);
    EXPECT_EQ(m_beeps, 1);
    EXPECT_EQ(editor->Text(), "7.12.2026");
}

TEST_F(CalendarPopupTest, GreyDayOfThePreviousMonthMovesTheMonth)
{
    ClassZetEdit* editor = MakeEditor(ZES_DATE, "15.10.2008");
    CalendarPopup* popup = OpenCalendar(editor);
    QSignalSpy changed(editor, &ClassZetEdit::Changed);
    const QImage october = popup->grab().toImage();
    Press(popup, Day(1)); // the grey 30 in the first column
    EXPECT_EQ(editor->Text(), "30.09.2008");
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(Date().GetMonth(), 9);
    // September 2008 starts on a Monday: the 30th sits in cell 29 and is selected.
    EXPECT_EQ(popup->Selection(), 29);
    EXPECT_NE(popup->grab().toImage(), october);
    Release(popup, Day(1)); // not the selected cell any more: the calendar stays
    EXPECT_EQ(editor->Popup(), popup);

    Press(popup, Day(29));
    Release(popup, Day(29));
    EXPECT_TRUE(Gone(editor));
    EXPECT_EQ(editor->Text(), "30.09.2008");
}

TEST_F(CalendarPopupTest, GreyDayOfTheNextMonthMovesTheMonth)
{
    ClassZetEdit* editor = MakeEditor(ZES_DATE, "15.10.2008");
    CalendarPopup* popup = OpenCalendar(editor);
    Press(popup, Day(34)); // 31 October is in cell 32, then 1 and 2 November
    EXPECT_EQ(editor->Text(), "2.11.2008");
    Release(popup, Day(34));
    EXPECT_EQ(editor->Popup(), popup);
    // A day of the month itself, pressed and released on the same cell, closes. November 2008
    // starts on a Saturday after five days of October.
    Press(popup, Day(14));
    EXPECT_EQ(editor->Text(), "10.11.2008");
    Release(popup, Day(14));
    EXPECT_TRUE(Gone(editor));
}

TEST_F(CalendarPopupTest, ReleaseElsewhereKeepsTheCalendarOpen)
{
    ClassZetEdit* editor = MakeEditor(ZES_DATE, "15.10.2008");
    CalendarPopup* popup = OpenCalendar(editor);
    Press(popup, Day(10));
    EXPECT_EQ(editor->Text(), "9.10.2008");
    Release(popup, Day(11));
    EXPECT_EQ(editor->Popup(), popup);
    // The close request went with that release.
    Release(popup, Day(10));
    EXPECT_EQ(editor->Popup(), popup);
}

TEST_F(CalendarPopupTest, ArrowsStepMonthsOrYears)
{
    ClassZetEdit* editor = MakeEditor(ZES_DATE, "31.01.2008");
    CalendarPopup* popup = OpenCalendar(editor);
    Press(popup, NextArrow());
    Release(popup, NextArrow());
    EXPECT_EQ(editor->Text(), "29.02.2008");
    Click(popup, PreviousArrow());
    Click(popup, PreviousArrow());
    EXPECT_EQ(editor->Text(), "29.12.2007");

    Click(popup, Header());
    EXPECT_FALSE(popup->DaysView());
    EXPECT_EQ(popup->Selection(), 11);
    Click(popup, NextArrow());
    EXPECT_EQ(editor->Text(), "29.12.2008");
    Click(popup, PreviousArrow());
    Click(popup, PreviousArrow());
    EXPECT_EQ(editor->Text(), "29.12.2006");
    EXPECT_EQ(editor->Popup(), popup);
    EXPECT_EQ(m_beeps, 0);
}

TEST_F(CalendarPopupTest, MonthsViewChoosesAMonthAndReturnsToDays)
{
    ClassZetEdit* editor = MakeEditor(ZES_DATE, "31.01.2008");
    CalendarPopup* popup = OpenCalendar(editor);
    Press(popup, Header());
    Release(popup, Header());
    ASSERT_FALSE(popup->DaysView());
    EXPECT_EQ(popup->Selection(), 0);
    const QImage months = popup->grab().toImage();
    EXPECT_EQ(months.pixelColor(Month(0) + QPoint(20, 10)), QColor(0, 0, 128));

    Press(popup, Month(3)); // April has 30 days: the day follows, no refusal
    EXPECT_EQ(editor->Text(), "30.04.2008");
    EXPECT_EQ(m_beeps, 0);
    EXPECT_EQ(popup->Selection(), 3);
    EXPECT_FALSE(popup->DaysView());
    Release(popup, Month(3));
    EXPECT_TRUE(popup->DaysView());
    EXPECT_EQ(popup->Selection(), geo::DayCellOf(Date()));
    EXPECT_EQ(editor->Popup(), popup);

    // Back to months and away from the chosen cell: the view stays.
    Click(popup, Header());
    Press(popup, Month(5));
    Release(popup, Month(6));
    EXPECT_FALSE(popup->DaysView());
    EXPECT_EQ(editor->Text(), "30.06.2008");
}

TEST_F(CalendarPopupTest, ClickOutsideClosesWithoutChangingTheDate)
{
    ClassZetEdit* editor = MakeEditor(ZES_DATE, "6.03.2008");
    CalendarPopup* popup = OpenCalendar(editor);
    ClickPopupAt(popup, QPoint(200, 200), true); // a double click away from it
    EXPECT_TRUE(Gone(editor));
    EXPECT_EQ(editor->Text(), "6.03.2008");
    EXPECT_EQ(editor->EditChild()->cursorPosition(), 9);
}

TEST_F(CalendarPopupTest, KeysAreSwallowedWhileTheCalendarIsOpen)
{
    ClassZetEdit* editor = MakeEditor(ZES_DATE, "6.03.2008");
    CalendarPopup* popup = OpenCalendar(editor);
    ASSERT_TRUE(editor->EditChild()->hasFocus());
    test::Type(editor, "12");
    test::Type(popup, "34");
    test::Key(editor, Qt::Key_Backspace);
    EXPECT_EQ(editor->Text(), "6.03.2008");
    EXPECT_EQ(editor->Popup(), popup);
    // Escape goes on to the edit after the calendar closes.
    test::Key(popup, Qt::Key_Escape);
    EXPECT_TRUE(Gone(editor));
    test::Type(editor, "1");
    EXPECT_NE(editor->Text(), "6.03.2008");
}

TEST_F(CalendarPopupTest, HoverPaintsArrowsAndTitleNavy)
{
    ClassZetEdit* editor = MakeEditor(ZES_DATE, "6.03.2008");
    CalendarPopup* popup = OpenCalendar(editor);
    const QColor navy(0, 0, 128);
    MoveTo(popup, PreviousArrow());
    ASSERT_TRUE(WaitFor([&] { return popup->Hover() == geo::CalendarZone::Previous; }));
    QImage image = popup->grab().toImage();
    EXPECT_EQ(image.pixelColor(12, 15), navy);
    EXPECT_EQ(image.pixelColor(171 - 12, 15), QColor(Qt::black));

    MoveTo(popup, NextArrow());
    ASSERT_TRUE(WaitFor([&] { return popup->Hover() == geo::CalendarZone::Next; }));
    image = popup->grab().toImage();
    EXPECT_EQ(image.pixelColor(12, 15), QColor(Qt::black));
    EXPECT_EQ(image.pixelColor(171 - 12, 15), navy);

    MoveTo(popup, Day(10));
    ASSERT_TRUE(WaitFor([&] { return popup->Hover() == geo::CalendarZone::None; }));
    image = popup->grab().toImage();
    EXPECT_EQ(image.pixelColor(171 - 12, 15), QColor(Qt::black));
}

TEST_F(CalendarPopupTest, SundaysAreRedAndTheSelectedDayNavy)
{
    ClassZetEdit* editor = MakeEditor(ZES_DATE, "6.03.2008");
    CalendarPopup* popup = OpenCalendar(editor);
    const QImage image = popup->grab().toImage();
    // Text is antialiased: count the pixels near the colour.
    const auto countColour = [&](QRect area, QColor colour) {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) {
                const QColor c = image.pixelColor(x, y);
                n += std::abs(c.red() - colour.red()) < 48 && std::abs(c.green() - colour.green()) < 48 &&
                    std::abs(c.blue() - colour.blue()) < 48;
            }
        return n;
    };
    const QColor red(255, 0, 0);
    // "Вс" and the Sunday 2 March (cell 13) in red; Monday's label and day 3 without red.
    EXPECT_GT(countColour(QRect(8, 142, 20, 16), red), 5);
    EXPECT_GT(countColour(geo::DayCellRect(13), red), 5);
    EXPECT_EQ(countColour(QRect(8, 34, 20, 16), red), 0);
    EXPECT_EQ(countColour(geo::DayCellRect(7), red), 0);
    // The selected 6 March (cell 10) has a navy ground with white figures.
    EXPECT_EQ(popup->Selection(), 10);
    const QRect selected = geo::DayCellRect(10);
    EXPECT_GT(countColour(selected, QColor(0, 0, 128)), 250);
    EXPECT_GT(countColour(selected, QColor(Qt::white)), 5);
    // The grey 25 February (cell 0) is written in white on light gray.
    EXPECT_GT(countColour(geo::DayCellRect(0), QColor(Qt::white)), 5);
    EXPECT_EQ(countColour(geo::DayCellRect(0), QColor(Qt::black)), 0);
}

TEST_F(CalendarPopupTest, LeavingADateFieldRewritesItAndNotifies)
{
    ClassZetEdit* editor = MakeEditor(ZES_DATE, "");
    auto* other = new QLineEdit(m_form.get());
    other->show();
    editor->setFocus();
    ASSERT_TRUE(WaitFor([&] { return editor->hasFocus(); }));
    QSignalSpy changed(editor, &ClassZetEdit::Changed);
    editor->EditChild()->setText("6.3.2008");
    other->setFocus();
    ASSERT_TRUE(WaitFor([&] { return other->hasFocus(); }));
    EXPECT_EQ(editor->Text(), "6.03.2008");
    EXPECT_EQ(changed.count(), 1);

    // Already in its form: nothing to tell.
    editor->setFocus();
    ASSERT_TRUE(WaitFor([&] { return editor->hasFocus(); }));
    other->setFocus();
    ASSERT_TRUE(WaitFor([&] { return other->hasFocus(); }));
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(m_beeps, 0);
}

TEST_F(CalendarPopupTest, SnapshotsOfBothPopups)
{
    const QString folder = QStringLiteral(VLK_BINARY_DIR "/snapshots");
    ASSERT_TRUE(QDir().mkpath(folder));

    ClassZetEdit* date = MakeEditor(ZES_DATE, "6.03.2008", {20, 20, 90, 18});
    CalendarPopup* calendar = OpenCalendar(date);
    ASSERT_NE(calendar, nullptr);
    EXPECT_TRUE(calendar->grab().save(folder + "/calendar_days.png"));
    Press(calendar, Header());
    Release(calendar, Header());
    EXPECT_TRUE(calendar->grab().save(folder + "/calendar_months.png"));
    date->ClosePopup();
    ASSERT_TRUE(Gone(date));

    CalculatorPopup::SetKeyDelay(10000);
    ClassZetEdit* number = MakeEditor(ZES_NUMBER | 0x80, "12", {20, 60, 60, 18});
    auto* calculator = qobject_cast<CalculatorPopup*>(OpenByButton(number));
    ASSERT_NE(calculator, nullptr);
    EXPECT_TRUE(calculator->grab().save(folder + "/calculator.png"));
    calculator->PressKey(5);
    EXPECT_TRUE(calculator->grab().save(folder + "/calculator_key_pressed.png"));
    EXPECT_TRUE(number->grab().save(folder + "/editor_number.png"));
    EXPECT_TRUE(date->grab().save(folder + "/editor_date.png"));
    number->ClosePopup();
    ASSERT_TRUE(Gone(number));
    test::Press(number, number->ButtonStrip().center());
    EXPECT_TRUE(number->ButtonPressed());
    EXPECT_TRUE(number->grab().save(folder + "/editor_number_pressed.png"));
    test::Release(number, number->ButtonStrip().center());
    number->ClosePopup();
    ASSERT_TRUE(Gone(number));
}

} // namespace
} // namespace vlk
