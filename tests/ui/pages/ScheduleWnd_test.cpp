#include "pages/ScheduleWnd.h"

#include "forms/FormResources.h"
#include "support/WindowInput.h"

#include <QDir>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

using namespace vlk;

TEST(ScheduleGeometry, FiveHundredPixelsWide)
{
    EXPECT_DOUBLE_EQ(CScheduleWnd::Pitch(500), 10.0);
    EXPECT_EQ(CScheduleWnd::SlotX(12, 500), 130); // 06:00
    EXPECT_EQ(CScheduleWnd::HourX(6, 500), 130);
    EXPECT_EQ(CScheduleWnd::HourX(0, 500), 10);
    EXPECT_EQ(CScheduleWnd::HourX(24, 500), 490);
    EXPECT_EQ(CScheduleWnd::HalfHourOffset(500), 10);
    // Slot k answers over x(k) + 5 - w/2 .. x(k) + 5 + w/2.
    EXPECT_EQ(CScheduleWnd::SlotAt(129, 500), 11);
    EXPECT_EQ(CScheduleWnd::SlotAt(130, 500), 12);
    EXPECT_EQ(CScheduleWnd::SlotAt(139, 500), 12);
    EXPECT_EQ(CScheduleWnd::SlotAt(140, 500), 13);
}

TEST(ScheduleGeometry, EdgeSlotsAndNoSlot)
{
    // Truncation towards zero gives slot 1 a doubled band and slot 0 what lies left of it.
    EXPECT_EQ(CScheduleWnd::SlotAt(0, 500), -1);
    EXPECT_EQ(CScheduleWnd::SlotAt(1, 500), 0);
    EXPECT_EQ(CScheduleWnd::SlotAt(10, 500), 0);
    EXPECT_EQ(CScheduleWnd::SlotAt(11, 500), 1);
    EXPECT_EQ(CScheduleWnd::SlotAt(29, 500), 1);
    EXPECT_EQ(CScheduleWnd::SlotAt(30, 500), 2);
    EXPECT_EQ(CScheduleWnd::SlotAt(489, 500), 47);
    EXPECT_EQ(CScheduleWnd::SlotAt(490, 500), -1);
    EXPECT_EQ(CScheduleWnd::SlotAt(-40, 500), -1);
    // A chart no wider than its margins has no slots at all.
    EXPECT_EQ(CScheduleWnd::SlotAt(10, 20), -1);
    EXPECT_EQ(CScheduleWnd::SlotAt(5, 0), -1);
    // Pitch 30.5 (1484 px): positions truncate.
    EXPECT_EQ(CScheduleWnd::SlotX(3, 1484), 101);
    EXPECT_EQ(CScheduleWnd::HourX(1, 1484), 71);
    EXPECT_EQ(CScheduleWnd::HalfHourOffset(1484), 30);
}

class ScheduleChart : public testing::Test {
protected:
    void SetUp() override
    {
        m_chart.resize(500, 60);
        ASSERT_TRUE(test::ShowAndActivate(&m_chart));
    }
    void Click(int slot, Qt::MouseButton button = Qt::LeftButton)
    {
        test::Click(&m_chart, QPoint(CScheduleWnd::SlotX(slot, 500) + 5, 40), button);
    }
    int Slot(int slot) const { return m_chart.DaySlots()[static_cast<std::size_t>(slot)]; }
    // A right click on `slot`, then a click on the item of its menu whose text is `item`; the
    // items' texts, and whether `item` was enabled.
    QStringList ChooseFromMenu(int slot, const QString& item, bool* enabled = nullptr)
    {
        QStringList texts;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr || !menu->isVisible())
                return;
            poll.stop();
            QAction* target = nullptr;
            for (QAction* action : menu->actions()) {
                texts << action->text();
                if (action->text() == item)
                    target = action;
            }
            if (enabled)
                *enabled = target && target->isEnabled();
            if (target && target->isEnabled())
                test::Click(menu, test::CentreOf(menu->actionGeometry(target)));
            else
                test::Key(menu, Qt::Key_Escape);
        });
        poll.start(10);
        Click(slot, Qt::RightButton);
        test::PumpUntil([] { return QApplication::activePopupWidget() == nullptr; });
        return texts;
    }

    CScheduleWnd m_chart;
};

TEST_F(ScheduleChart, ElevenLeftClicksStepThroughTheProgramsAndYellow)
{
    const int expected[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 1};
    for (int step : expected) {
        Click(12);
        EXPECT_EQ(Slot(12), step);
        QTest::qWait(QApplication::doubleClickInterval() / 10 + 1);
    }
    EXPECT_EQ(m_chart.SwitchPointCount(), 1);
}

TEST_F(ScheduleChart, TenSwitchPointsAtMost)
{
    CScheduleWnd::SlotArray day{};
    for (int k = 0; k < 10; ++k)
        day[static_cast<std::size_t>(k * 4)] = 1 + k % 9;
    m_chart.SetSlots(day);

    Click(1); // empty: refused
    EXPECT_EQ(Slot(1), 0);
    Click(8); // an existing point still steps
    EXPECT_EQ(Slot(8), 4);
    // The menu of an empty slot offers no program while the day is full.
    bool enabled = true;
    ChooseFromMenu(1, QStringLiteral("Программа &3"), &enabled);
    EXPECT_FALSE(enabled);
    EXPECT_EQ(Slot(1), 0);
    ChooseFromMenu(8, QStringLiteral("&Нет переключения")); // removing one makes room
    EXPECT_EQ(Slot(8), 0);
    Click(1);
    EXPECT_EQ(Slot(1), 1);
    EXPECT_EQ(m_chart.SwitchPointCount(), 10);
}

TEST_F(ScheduleChart, QuickClicksAreNeverLost)
{
    // A double click arrives as a press and release, then the second press with the double
    // click and its release: two clicks, two steps.
    const QPoint at(CScheduleWnd::SlotX(20, 500) + 5, 40);
    test::DoubleClick(&m_chart, at);
    EXPECT_EQ(Slot(20), 2);
    // Eleven clicks as quick as a hand gives them: 1..9, "Ж", then 1 again, whatever pairs of
    // them the system takes for double clicks.
    CScheduleWnd::SlotArray none{};
    m_chart.SetSlots(none);
    for (int i = 0; i < 11; ++i)
        test::Click(&m_chart, at);
    EXPECT_EQ(Slot(20), 1);
}

TEST_F(ScheduleChart, TheRightButtonMenuChoosesTheProgramDirectly)
{
    const QStringList texts = ChooseFromMenu(12, QStringLiteral("Программа &7"));
    EXPECT_EQ(texts, (QStringList{QStringLiteral("Программа &1"), QStringLiteral("Программа &2"),
                                  QStringLiteral("Программа &3"), QStringLiteral("Программа &4"),
                                  QStringLiteral("Программа &5"), QStringLiteral("Программа &6"),
                                  QStringLiteral("Программа &7"), QStringLiteral("Программа &8"),
                                  QStringLiteral("Программа &9"), QStringLiteral("&Ж — жёлтое мигание"), QString(),
                                  QStringLiteral("&Нет переключения")}));
    EXPECT_EQ(Slot(12), 7);
    QSignalSpy edits(&m_chart, &CScheduleWnd::userEdited);
    ChooseFromMenu(12, QStringLiteral("&Ж — жёлтое мигание"));
    EXPECT_EQ(Slot(12), CScheduleWnd::YellowMode);
    // The same program again changes nothing and reports nothing.
    ChooseFromMenu(12, QStringLiteral("&Ж — жёлтое мигание"));
    EXPECT_EQ(edits.count(), 1);
    ChooseFromMenu(12, QStringLiteral("&Нет переключения"));
    EXPECT_EQ(Slot(12), 0);
    EXPECT_EQ(edits.count(), 2);
}

TEST_F(ScheduleChart, RightClickOnNothingChangesNothing)
{
    CScheduleWnd::SlotArray day{};
    day[5] = 7;
    m_chart.SetSlots(day);
    // Escape closes the menu of an empty slot; right of slot 47 there is no slot and no menu.
    ChooseFromMenu(6, QStringLiteral("(none)"));
    test::Click(&m_chart, QPoint(495, 40), Qt::RightButton); // right of slot 47
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    test::Click(&m_chart, QPoint(495, 40));
    EXPECT_EQ(m_chart.DaySlots(), day);
    ChooseFromMenu(5, QStringLiteral("&Нет переключения"));
    EXPECT_EQ(m_chart.SwitchPointCount(), 0);
}

TEST_F(ScheduleChart, PaintsAxisAndMarkers)
{
    CScheduleWnd::SlotArray day{};
    day[12] = 3;
    day[13] = 10;
    m_chart.SetSlots(day);
    const QImage image = m_chart.grab().toImage();
    const QImage green = FormBitmap(134).toImage();
    const QImage yellow = FormBitmap(135).toImage();
    // Marker bitmaps stand at x(k) - 7, y 30; compare a corner of the plate away from the label.
    EXPECT_EQ(image.pixel(130 - 7 + 2, 30 + 18), green.pixel(2, 18));
    EXPECT_EQ(image.pixel(140 - 7 + 2, 30 + 18), yellow.pixel(2, 18));
    EXPECT_NE(green.pixel(2, 18), yellow.pixel(2, 18));
    EXPECT_EQ(QColor(image.pixel(250, 45)), QColor(248, 252, 240));
    EXPECT_EQ(QColor(image.pixel(250, 20)), QColor(Qt::black)); // the axis
    EXPECT_EQ(QColor(image.pixel(130, 24)), QColor(Qt::black)); // hour 6 tick
    EXPECT_EQ(QColor(image.pixel(120, 21)), QColor(Qt::black)); // half-hour tick before it
    EXPECT_EQ(QColor(image.pixel(120, 24)), QColor(248, 252, 240));
}

