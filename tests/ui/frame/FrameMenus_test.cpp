// The "Правка" menu's clipboard items, clicked in the menu: they do what their keys do on the
// grid that has the focus.
#include "frame/MainFrm.h"
#include "e2e/ScriptedDialogs.h"
#include "grid/ARecordList.h"
#include "support/WindowInput.h"
#include "support/RecordingMessages.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMenuBar>
#include <gtest/gtest.h>

#include <mutex>

namespace vlk {
namespace {

using test::CentreOf;
using test::Click;
using test::Key;
using test::PumpUntil;

class FrameMenusTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("VLK_COM1", "/nonexistent/vlk-com1", 1);
        setenv("VLK_COM2", "/nonexistent/vlk-com2", 1);
        m_frame = std::make_unique<CMainFrame>(m_messages, m_dialogs);
        m_dialogs.ports = {0};
        m_frame->AskPortAndStart();
        ASSERT_TRUE(test::ShowAndActivate(m_frame.get()));
    }
    void TearDown() override { m_frame.reset(); }

    void ClickMenuItem(int id)
    {
        QAction* action = m_frame->Command(id);
        QMenu* menu = nullptr;
        for (QObject* object : action->associatedObjects())
            if (auto* m = qobject_cast<QMenu*>(object))
                menu = m;
        ASSERT_NE(menu, nullptr);
        QMenuBar* bar = m_frame->menuBar();
        Click(bar, CentreOf(bar->actionGeometry(menu->menuAction())));
        ASSERT_TRUE(PumpUntil([&] { return menu->isVisible(); }));
        Click(menu, CentreOf(menu->actionGeometry(action)));
        ASSERT_TRUE(PumpUntil([&] { return !menu->isVisible(); }));
    }

    RecordingMessages m_messages;
    test::ScriptedDialogs m_dialogs;
    std::unique_ptr<CMainFrame> m_frame;
};

TEST_F(FrameMenusTest, CopyPasteAndClearFromTheMenuActOnTheGridWithTheFocus)
{
    CTabs& tabs = m_frame->Tabs();
    Click(&tabs, CentreOf(tabs.TabRect(CTabs::ProgramsTab)));
    ARecordList* grid = tabs.ProgramPage().Programs();
    grid->SetCellText(0, 1, QStringLiteral("17"));
    Click(grid->viewport(), CentreOf(grid->GetCellRect(0, 1)));
    QApplication::clipboard()->clear();
    ClickMenuItem(CMainFrame::ID_EDIT_COPY);
    EXPECT_EQ(QApplication::clipboard()->text().trimmed(), QStringLiteral("17"));

    Click(grid->viewport(), CentreOf(grid->GetCellRect(1, 1)));
    ClickMenuItem(CMainFrame::ID_EDIT_PASTE);
    EXPECT_EQ(grid->GetCellText(1, 1), QStringLiteral("17"));
    // A paste is a change like any other: undo knows it.
    EXPECT_TRUE(m_frame->Command(CMainFrame::ID_EDIT_UNDO)->isEnabled());

    ClickMenuItem(CMainFrame::ID_EDIT_CLEAR);
    EXPECT_EQ(grid->GetCellText(1, 1), QString());
    EXPECT_EQ(grid->GetCellText(0, 1), QStringLiteral("17"));
}

TEST_F(FrameMenusTest, TheControllerMenuHoldsTheLineCommandsWithTheirKeys)
{
    QMenu* controller = nullptr;
    for (QAction* popup : m_frame->menuBar()->actions())
        if (popup->text() == QStringLiteral("&Контроллер"))
            controller = popup->menu();
    ASSERT_NE(controller, nullptr);
    QStringList keys;
    for (QAction* action : controller->actions())
        if (!action->isSeparator())
            keys << action->shortcut().toString(QKeySequence::PortableText);
    EXPECT_EQ(keys, (QStringList{QStringLiteral("F6"), QStringLiteral("F7"), QStringLiteral("F8"), QStringLiteral("F9"),
                                 QString()}));
    // The key works from the window: with no controller behind the port, F6 tries and says so.
    Key(m_frame.get(), Qt::Key_F6);
    ASSERT_TRUE(PumpUntil([&] { return !m_frame->Busy(); }, 10000));
    EXPECT_FALSE(m_messages.Texts().empty());
    EXPECT_FALSE(m_frame->ProgrammingMode());
}

} // namespace
} // namespace vlk
