// The station in its smallest window (500 x 500), used through the window: every tab can be
// reached with the strip's arrows or the page keys, and a page larger than the window is
// scrolled by the host, never squeezed.

#include "frame/MainFrm.h"
#include "e2e/ScriptedDialogs.h"
#include "grid/ARecordList.h"
#include "support/WindowInput.h"
#include "support/RecordingMessages.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QToolButton>
#include <gtest/gtest.h>

#include <mutex>

namespace vlk {
namespace {

using namespace vlk::test;

class SmallWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("VLK_COM1", "/nonexistent/vlk-com1", 1);
        m_frame = std::make_unique<CMainFrame>(m_messages, m_dialogs);
        m_frame->resize(200, 200); // the frame keeps its minimum
        ASSERT_TRUE(ShowAndActivate(m_frame.get()));
        ASSERT_EQ(m_frame->size(), QSize(500, 500));
    }
    CTabs& Tabs() { return m_frame->Tabs(); }
    // The tab lies wholly on the strip, left of its arrows.
    bool Shown(int index)
    {
        const QRect tab = Tabs().TabRect(index);
        return tab.left() >= 0 && tab.left() + tab.width() <= Tabs().StripRight();
    }

    RecordingMessages m_messages;
    test::ScriptedDialogs m_dialogs;
    std::unique_ptr<CMainFrame> m_frame;
};

TEST_F(SmallWindow, TheArrowsBringEveryTabWithinReach)
{
    CTabs& tabs = Tabs();
    QToolButton* left = tabs.ScrollLeftButton();
    QToolButton* right = tabs.ScrollRightButton();
    ASSERT_TRUE(left && right);
    // Seven tabs do not fit 500 pixels: the arrows show, and no tab lies under them.
    ASSERT_TRUE(right->isVisible());
    ASSERT_TRUE(Reaches(right));
    ASSERT_TRUE(Reaches(left));
    EXPECT_FALSE(Shown(6));
    EXPECT_EQ(tabs.HitTest(CentreOf(right->geometry())), -1);

    // Back to the first tab, then each tab in turn, scrolling right as the user must.
    for (int i = 0; i < 10 && left->isEnabled(); ++i)
        Click(left);
    EXPECT_EQ(tabs.FirstTab(), 0);
    EXPECT_FALSE(left->isEnabled());
    for (int i = 0; i < tabs.PageCount(); ++i) {
        for (int step = 0; step < 10 && !Shown(i); ++step)
            Click(right);
        ASSERT_TRUE(Shown(i)) << i;
        Click(&tabs, CentreOf(tabs.TabRect(i)));
        EXPECT_EQ(tabs.Selected(), i);
        EXPECT_TRUE(tabs.Page(i).window->isVisible());
    }
    EXPECT_FALSE(right->isEnabled()); // the last tab is in: nothing more to the right
    // A wider window needs no arrows and shows the strip from its first tab.
    m_frame->resize(1100, 700);
    QApplication::processEvents();
    EXPECT_FALSE(right->isVisible());
    EXPECT_EQ(tabs.FirstTab(), 0);
    EXPECT_EQ(tabs.TabRect(0).left(), 0);
}

TEST_F(SmallWindow, PageKeysSwitchPagesWhereverTheFocusIs)
{
    CTabs& tabs = Tabs();
    ASSERT_EQ(tabs.Selected(), CTabs::ConsoleTab);
    // The focus in a field of the directions page, as when the user was typing there.
    Click(&tabs, CentreOf(tabs.TabRect(CTabs::DirectionsTab)));
    ASSERT_EQ(tabs.Selected(), CTabs::DirectionsTab);
    QLineEdit* circular = tabs.DirectionPage().CircularRed();
    tabs.EnsureVisible(circular);
    Click(circular);
    ASSERT_TRUE(circular->hasFocus());

    Key(circular, Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(tabs.Selected(), CTabs::ProgramsTab);
    Key(m_frame.get(), Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(tabs.Selected(), CTabs::SchedulesTab);
    Key(m_frame.get(), Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(tabs.Selected(), CTabs::ProgramsTab);
    Key(m_frame.get(), Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(tabs.Selected(), CTabs::DirectionsTab);
    // Shift+Tab arrives from a keyboard as Backtab.
    Key(m_frame.get(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(tabs.Selected(), CTabs::TimingTab);
    EXPECT_TRUE(Shown(CTabs::TimingTab)); // the strip follows the keys
    Key(m_frame.get(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(tabs.Selected(), CTabs::DirectionsTab);
    EXPECT_TRUE(Shown(CTabs::DirectionsTab));

    // From inside an open cell editor, too.
    Click(&tabs, CentreOf(tabs.TabRect(CTabs::DirectionsTab)));
    ARecordList* grid = tabs.DirectionPage().Directions();
    tabs.EnsureVisible(grid);
    DoubleClick(grid->viewport(), CentreOf(grid->GetCellRect(0, 9)));
    ASSERT_TRUE(grid->Editor());
    Key(grid, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(tabs.Selected(), CTabs::ProgramsTab);
    EXPECT_TRUE(m_messages.Entries().empty());
}

TEST_F(SmallWindow, ALargePageIsScrolledNotSqueezed)
{
    CTabs& tabs = Tabs();
    Click(&tabs, CentreOf(tabs.TabRect(CTabs::DirectionsTab)));
    CDirectionWnd& page = tabs.DirectionPage();
    QScrollBar* across = tabs.PageHorizontalBar();
    QScrollBar* down = tabs.PageVerticalBar();
    ASSERT_TRUE(across->isVisible());
    ASSERT_TRUE(down->isVisible());
    // The page keeps its least size; the window shows part of it.
    EXPECT_EQ(page.size(), tabs.PageMinimum(CTabs::DirectionsTab));
    EXPECT_GT(page.width(), 496);
    // The account record lies beyond the bottom until the user scrolls down.
    QLineEdit* account = page.AccountRecord();
    const QWidget* area = page.parentWidget();
    const auto inView = [&](const QWidget* w) {
        return area->rect().contains(QRect(w->mapTo(area, QPoint(0, 0)), w->size()));
    };
    EXPECT_FALSE(inView(account));
    ASSERT_TRUE(Reaches(down));
    for (int i = 0; i < 30 && !inView(account); ++i)
        Click(down, QPoint(down->width() / 2, down->height() - 4)); // the down arrow
    EXPECT_TRUE(inView(account));
    ASSERT_TRUE(Reaches(account));
    Click(account);
    Type(account, QStringLiteral("abc"));
    EXPECT_EQ(account->text(), QStringLiteral("abc"));

    // The table's right-hand columns come into view by scrolling across.
    ARecordList* directions = page.Directions();
    for (int i = 0; i < 40 && across->value() < across->maximum(); ++i)
        Click(across, QPoint(across->width() - 4, across->height() / 2)); // the right arrow
    EXPECT_EQ(across->value(), across->maximum());
    EXPECT_EQ(directions->mapTo(area, QPoint(directions->width(), 0)).x() <= area->width(), true);

    // The tab strip and the other pages are not moved by it.
    EXPECT_GE(area->mapTo(&tabs, QPoint(0, 0)).y(), tabs.TabHeight());
    Click(&tabs, CentreOf(tabs.TabRect(CTabs::OutputsTab)));
    EXPECT_EQ(tabs.Page(CTabs::OutputsTab).window->pos(), QPoint(0, 0));
}

TEST_F(SmallWindow, TabIntoAControlOutOfSightScrollsItIn)
{
    CTabs& tabs = Tabs();
    Click(&tabs, CentreOf(tabs.TabRect(CTabs::DirectionsTab)));
    CDirectionWnd& page = tabs.DirectionPage();
    const QWidget* area = page.parentWidget();
    // Focus the circular red time, then Tab on through the page's controls: each control that
    // takes the focus is scrolled into view.
    QLineEdit* circular = page.CircularRed();
    tabs.EnsureVisible(circular);
    Click(circular);
    ASSERT_TRUE(circular->hasFocus());
    for (int i = 0; i < 8; ++i) {
        Key(m_frame.get(), Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        ASSERT_TRUE(focus);
        if (!page.isAncestorOf(focus))
            continue;
        const QWidget* control = focus;
        while (control->parentWidget() != &page)
            control = control->parentWidget();
        const QRect shown(control->mapTo(area, QPoint(0, 0)), control->size());
        const QRect visible = shown.intersected(area->rect());
        EXPECT_EQ(visible.height(), std::min(shown.height(), area->height())) << AFormWnd::ItemId(control);
        EXPECT_EQ(visible.width(), std::min(shown.width(), area->width())) << AFormWnd::ItemId(control);
    }
}

} // namespace
} // namespace vlk
