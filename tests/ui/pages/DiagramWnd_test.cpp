// The "Диаграммы" page in the station's window: reached by its tab, a program chosen with its
// button, tool tips under the pointer, edits of the other pages shown on return, the state the
// console reports marked, and a screenshot of the running station checked where the layout
// says the bars are.

#include "frame/MainFrm.h"
#include "config/DemoJunction.h"
#include "diagram/TimeBarView.h"
#include "diagram/WeekBarView.h"
#include "e2e/ScriptedDialogs.h"
#include "grid/ARecordList.h"
#include "link/LinkFrames.h"
#include "pages/ConfigPages.h"
#include "pages/DiagramWnd.h"
#include "support/WindowInput.h"
#include "ui/diagram/DiagramTestSupport.h"
#include "support/RecordingMessages.h"

#include <QDir>
#include <QLabel>
#include <QToolButton>
#include <QToolTip>

#include <gtest/gtest.h>

#include <iostream>
#include <memory>
#include <mutex>

namespace vlk {
namespace {

using namespace vlk::test;

QString U(const char* text) { return QString::fromUtf8(text); }

class DiagramPage : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("VLK_COM1", "/nonexistent/vlk-com1", 1);
        m_frame = std::make_unique<CMainFrame>(m_messages, m_dialogs);
        m_frame->resize(1100, 760);
        ASSERT_TRUE(ShowAndActivate(m_frame.get()));
        ConfigPages(Tabs().Pages()).Write(DemoJunction(), LoadFlavour::File);
    }
    void TearDown() override { QToolTip::hideText(); }

    CTabs& Tabs() { return m_frame->Tabs(); }
    CDiagramWnd& Page() { return Tabs().DiagramPage(); }
    void OpenPage()
    {
        Click(&Tabs(), CentreOf(Tabs().TabRect(CTabs::DiagramsTab)));
        ASSERT_EQ(Tabs().Selected(), CTabs::DiagramsTab);
        ASSERT_TRUE(Page().isVisible());
    }
    const TimeBarLayout& Bars() { return Page().TimeBars()->Layout(); }

    RecordingMessages m_messages;
    test::ScriptedDialogs m_dialogs;
    std::unique_ptr<CMainFrame> m_frame;
};

TEST_F(DiagramPage, TheTabShowsTheProgramChosenWithItsButton)
{
    EXPECT_EQ(Tabs().Page(CTabs::DiagramsTab).name, U("Диаграммы"));
    OpenPage();
    EXPECT_EQ(Page().Program(), 1);
    EXPECT_EQ(Page().CycleLabel()->text(), U("Цикл: 99 с"));
    EXPECT_EQ(Bars().Rows().size(), 8u);

    Click(Page().ProgramButton(3));
    EXPECT_EQ(Page().Program(), 3);
    EXPECT_TRUE(Page().ProgramButton(3)->isChecked());
    EXPECT_FALSE(Page().ProgramButton(1)->isChecked());
    // Night: 20 + 13 + 12 + 13, no left-turn phase.
    EXPECT_EQ(Page().CycleLabel()->text(), U("Цикл: 58 с"));
    EXPECT_EQ(Bars().Bands().size(), 4u);
    Click(Page().ProgramButton(2));
    EXPECT_EQ(Page().CycleLabel()->text(), U("Цикл: 124 с"));
    // Program 4 has no durations: no bars, the note instead.
    Click(Page().ProgramButton(4));
    EXPECT_EQ(Page().CycleLabel()->text(), U("Цикл: нет"));
    EXPECT_TRUE(Bars().Empty());

    // The week below, Saturday night flashing yellow.
    const WeekBarLayout& week = Page().WeekBars()->Layout();
    const int yellow = week.HitTest(QPointF(week.Plot().left() + 2, week.DayRow(5).center().y()));
    EXPECT_EQ(week.HoverText(yellow), U("СБ 00:00–07:00: жёлтое мигание"));
}

TEST_F(DiagramPage, HoveringABarTellsItsDirectionSignalStartAndLength)
{
    OpenPage();
    TimeBarView* view = Page().TimeBars();
    // Direction 3 (third row): the side street's green from second 43, 20 s of its phase and 3 s of "Т зел.".
    const TimeBarRow& row = Bars().Rows()[2];
    ASSERT_EQ(row.direction, 3);
    const TimeBarSpan& green = row.spans[2]; // after red and red-yellow
    ASSERT_EQ(green.signal, Signal::Green);
    Move(view, green.rect.center().toPoint());
    EXPECT_TRUE(PumpUntil([] { return QToolTip::isVisible(); }));
    EXPECT_EQ(QToolTip::text(), U("Направление 3: зелёный\nНачало: 43 с, длительность: 23 с"));

    // Along the row to its flashing green, then off the bars: the tip follows, then goes.
    Move(view, QPoint(int(Bars().X(67.5)), int(row.rect.center().y())));
    EXPECT_TRUE(PumpUntil([] { return QToolTip::text().startsWith(QString::fromUtf8("Направление 3: зелёный мигающий")); }));
    EXPECT_EQ(QToolTip::text(), U("Направление 3: зелёный мигающий\nНачало: 66 с, длительность: 3 с"));
    Move(view, QPoint(2, 2));
    EXPECT_TRUE(PumpUntil([] { return !QToolTip::isVisible(); }));
}

TEST_F(DiagramPage, AnEditOnTheProgramsPageShowsOnReturn)
{
    OpenPage();
    const int rebuilds = Page().Rebuilds();
    ASSERT_EQ(Page().CycleLabel()->text(), U("Цикл: 99 с"));

    // Phase 1 of program 1 from 30 to 40 s, typed into its cell.
    Click(&Tabs(), CentreOf(Tabs().TabRect(CTabs::ProgramsTab)));
    ARecordList* grid = Tabs().ProgramPage().Programs();
    Tabs().EnsureVisible(grid);
    DoubleClick(grid->viewport(), CentreOf(grid->GetCellRect(0, 1)));
    ASSERT_TRUE(grid->Editor());
    ASSERT_TRUE(PumpUntil([&] { return QApplication::focusWidget() && grid->Editor()->isAncestorOf(QApplication::focusWidget()); }));
    Key(grid, Qt::Key_End);
    for (int i = 0; i < 3; ++i)
        Key(grid, Qt::Key_Backspace);
    Type(grid, QStringLiteral("40"));
    Key(grid, Qt::Key_Return);
    ASSERT_FALSE(grid->Editor());
    ASSERT_EQ(grid->GetCellText(0, 1), QStringLiteral("40"));

    OpenPage();
    EXPECT_GT(Page().Rebuilds(), rebuilds);
    EXPECT_EQ(Page().CycleLabel()->text(), U("Цикл: 109 с"));
    EXPECT_EQ(Bars().Rows()[0].spans[0].length, 43); // 40 + 3 s of "Т зел."

    // A step time on the directions page: direction 1's "Т жел." 3 → 5 makes the change 1→2 2 s longer.
    Click(&Tabs(), CentreOf(Tabs().TabRect(CTabs::DirectionsTab)));
    Tabs().DirectionPage().Directions()->SetCellText(0, 11, QStringLiteral("5"));
    OpenPage();
    EXPECT_EQ(Page().CycleLabel()->text(), U("Цикл: 111 с"));

    // While it is shown, Refresh() brings it up to date at once: phase 2 of program 1, 20 → 30 s.
    Tabs().ProgramPage().Programs()->SetCellText(1, 1, QStringLiteral("30"));
    EXPECT_EQ(Page().CycleLabel()->text(), U("Цикл: 111 с"));
    Page().Refresh();
    EXPECT_EQ(Page().CycleLabel()->text(), U("Цикл: 121 с"));
}

TEST_F(DiagramPage, MarksTheProgramAndPhaseTheControllerReports)
{
    OpenPage();
    ASSERT_FALSE(Page().StateLabel()->isVisible());
    StateFrame frame;
    frame.program = 1;
    frame.currentPhase = 2;
    Tabs().DeskPage().ShowFrame(frame);
    EXPECT_TRUE(Page().StateLabel()->isVisible());
    EXPECT_EQ(Page().StateLabel()->text(), U("Контроллер: программа 1, фаза 2"));
    EXPECT_EQ(Bars().ReportedPhase(), 2);
    EXPECT_TRUE(Page().ProgramButton(1)->font().bold());
    EXPECT_FALSE(Page().ProgramButton(2)->font().bold());

    // Phase 2's band is drawn in the mark's colour, phase 1's is not.
    const QImage shown = Page().TimeBars()->grab().toImage();
    const auto bandColour = [&](int index) {
        return QColor(shown.pixel(Bars().Bands()[static_cast<std::size_t>(index)].rect.center().toPoint()
                                  + QPoint(0, int(Bars().Bands()[0].rect.height() / 2) - 3)));
    };
    EXPECT_EQ(bandColour(2), QColor(0xFF, 0xB0, 0x20));
    EXPECT_NE(bandColour(0), QColor(0xFF, 0xB0, 0x20));

    // Another program's diagram marks no phase; the label still names what runs.
    Click(Page().ProgramButton(2));
    EXPECT_EQ(Bars().ReportedPhase(), 0);
    Click(Page().ProgramButton(1));
    EXPECT_EQ(Bars().ReportedPhase(), 2);

    // The exchange stopped: the console is cleared and so is the mark.
    Tabs().DeskPage().ShowCleared(FrameBytes{});
    EXPECT_TRUE(PumpUntil([&] { return !Page().StateLabel()->isVisible(); }));
    EXPECT_EQ(Bars().ReportedPhase(), 0);
    EXPECT_FALSE(Page().ProgramButton(1)->font().bold());
}

TEST_F(DiagramPage, ScreenshotOfTheStationShowsTheBarsWhereTheLayoutPutsThem)
{
    OpenPage();
    QApplication::processEvents();
    const QImage shot = m_frame->grab().toImage();
    const QString folder = QStringLiteral(VLK_BINARY_DIR "/screenshots");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/diagram-program1.png");
    ASSERT_TRUE(shot.save(path));
    std::cout << "screenshot: " << path.toStdString() << std::endl;

    TimeBarView* view = Page().TimeBars();
    const auto colourAt = [&](const TimeBarSpan& span) {
        const QPoint inFrame = view->mapTo(m_frame.get(), span.rect.center().toPoint());
        return QColor(shot.pixel(inFrame * shot.devicePixelRatio()));
    };
    // Directions 1 and 2 green from 0 for 33 s, yellow from 36, red from 39; crossing 8 red until 43.
    const auto& main = Bars().Rows()[0].spans;
    ASSERT_EQ(main[0].signal, Signal::Green);
    EXPECT_EQ(colourAt(main[0]), QColor(0x00, 0xA0, 0x30));
    ASSERT_EQ(main[2].signal, Signal::Yellow);
    EXPECT_EQ(colourAt(main[2]), QColor(0xF5, 0xC0, 0x00));
    ASSERT_EQ(main[3].signal, Signal::Red);
    EXPECT_EQ(colourAt(main[3]), QColor(0xE0, 0x10, 0x10));
    const auto& crossing = Bars().Rows()[7].spans;
    ASSERT_EQ(crossing[0].signal, Signal::Red);
    EXPECT_EQ(colourAt(crossing[0]), QColor(0xE0, 0x10, 0x10));
    ASSERT_EQ(crossing[1].signal, Signal::Green);
    EXPECT_EQ(colourAt(crossing[1]), QColor(0x00, 0xA0, 0x30));
    // The week's Monday day program (06:00–07:30) in program 1's colour.
    const WeekBarView* week = Page().WeekBars();
    const WeekBarSpan& day = week->Layout().Spans()[1];
    ASSERT_EQ(day.program, 1);
    const QPoint inFrame = week->mapTo(m_frame.get(), day.rect.center().toPoint() + QPoint(0, int(day.rect.height() / 3)));
    EXPECT_EQ(QColor(shot.pixel(inFrame * shot.devicePixelRatio())), QColor(0x8E, 0xC6, 0xFF));
}

TEST_F(DiagramPage, AProgramWithoutPhasesInTheWeekIsHatchedAsTheYellowMode)
{
    // Program 4 has no durations; Monday 12:00–14:00 switches to it.
    Configuration c = DemoJunction();
    ASSERT_EQ(c.programDuration[3], (std::array<std::uint8_t, kPhaseCount>{}));
    c.week[0][24] = 4;
    c.week[0][28] = 1;
    ConfigPages(Tabs().Pages()).Write(c, LoadFlavour::File);
    OpenPage();
    WeekBarView* view = Page().WeekBars();
    const WeekBarLayout& week = view->Layout();
    const WeekBarSpan* idle = nullptr;
    for (const WeekBarSpan& span : week.Spans())
        if (span.day == 0 && span.program == 4)
            idle = &span;
    ASSERT_NE(idle, nullptr);
    EXPECT_TRUE(idle->flashes);
    EXPECT_EQ(idle->text, U("4→Ж"));

    // Under the pointer it says so; on the screen it carries the yellow mode's hatching.
    Move(view, idle->rect.center().toPoint());
    EXPECT_TRUE(PumpUntil([] { return QToolTip::text().startsWith(U("ПН 12:00")); }));
    EXPECT_EQ(QToolTip::text(), U("ПН 12:00–14:00: программа 4 без фаз: жёлтое мигание"));
    const QImage shot = view->grab().toImage();
    bool yellow = false;
    const QRect area = idle->rect.toAlignedRect().adjusted(2, 2, -2, -2);
    for (int x = area.left(); x <= area.right() && !yellow; ++x)
        yellow = QColor(shot.pixel(QPoint(x, area.center().y()) * shot.devicePixelRatio())) == QColor(0xF5, 0xC0, 0x00);
    EXPECT_TRUE(yellow) << "no yellow hatching in the span";
}

} // namespace
} // namespace vlk
