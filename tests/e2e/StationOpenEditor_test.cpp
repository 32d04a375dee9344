// The commands that read or replace the pages while a cell editor is still open: what the user
// typed is what goes into the file and the controller, and a load is not overwritten afterwards
// by the stale editor. Everything is done through the window: clicks, double clicks and keys.

#include "e2e/StationHarness.h"

#include "config/ConfigurationImage.h"
#include "grid/ARecordList.h"
#include "support/WindowInput.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QToolBar>

namespace vlk::test {
namespace {

class StationOpenEditorTest : public StationTest {
protected:
    void Show()
    {
        ASSERT_TRUE(ShowAndActivate(m_frame.get()));
    }
    void ClickTab(int tab)
    {
        CTabs& tabs = m_frame->Tabs();
        Click(&tabs, CentreOf(tabs.TabRect(tab)));
        ASSERT_EQ(tabs.Selected(), tab);
    }
    void ClickCommand(int id)
    {
        QWidget* button = m_frame->ToolBar()->widgetForAction(m_frame->Command(id));
        ASSERT_TRUE(button);
        ASSERT_TRUE(Reaches(button));
        Click(button);
    }
    // Double-clicks the cell and types `text` over what it held, leaving the editor open.
    void TypeIntoCell(ARecordList* grid, int row, int col, const QString& text)
    {
        ASSERT_TRUE(grid);
        DoubleClick(grid->viewport(), CentreOf(grid->GetCellRect(row, col)));
        QWidget* editor = grid->Editor();
        ASSERT_TRUE(editor);
        QLineEdit* edit = editor->findChild<QLineEdit*>();
        ASSERT_TRUE(edit);
        ASSERT_TRUE(PumpUntil([&] { return edit->hasFocus(); }));
        Key(edit, Qt::Key_End);
        for (int i = 0; i < 4; ++i)
            Key(edit, Qt::Key_Backspace);
        Type(edit, text);
        ASSERT_EQ(edit->text(), text);
        ASSERT_EQ(grid->Editor(), editor); // still open
    }
    static QByteArray Read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
};

TEST_F(StationOpenEditorTest, SaveTakesTheValueStillInTheEditor)
{
    StartStation(0);
    Show();
    ClickTab(CTabs::ProgramsTab);
    // "Время" of program 1, phase 1: byte 9 of the image.
    ARecordList* programs = m_frame->Tabs().ProgramPage().Programs();
    TypeIntoCell(programs, 0, 1, QStringLiteral("99"));

    const QString path = m_dir.filePath(QStringLiteral("typed.vlk"));
    m_dialogs.saveNames = {path};
    ClickCommand(CMainFrame::ID_FILE_SAVE);
    EXPECT_TRUE(m_messages.Texts().empty());
    const QByteArray bytes = Read(path);
    ASSERT_EQ(bytes.size(), 1920);
    EXPECT_EQ(static_cast<unsigned char>(bytes[9]), 99);
    // The editor was closed into its cell, which holds the typed value.
    EXPECT_EQ(programs->Editor(), nullptr);
    EXPECT_EQ(programs->GetCellText(0, 1), QStringLiteral("99"));
}

TEST_F(StationOpenEditorTest, MemoryWriteTakesTheValueStillInTheEditor)
{
    StartSimulator(FastOptions());
    StartStation(0);
    Show();
    ClickCommand(CMainFrame::ID_PROGRAMMING_MODE);
    ASSERT_TRUE(m_frame->ProgrammingMode());
    ClickTab(CTabs::DirectionsTab);
    // "Т зел." of direction 1: byte 83 of the image.
    ARecordList* directions = m_frame->Tabs().DirectionPage().Directions();
    TypeIntoCell(directions, 0, 9, QStringLiteral("77"));

    m_messages.Clear();
    ClickCommand(CMainFrame::ID_WRITE_MEMORY);
    EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{"Запись ОДД закончена"});
    EXPECT_EQ(m_sim->Memory()[83], 77);
    EXPECT_EQ(directions->Editor(), nullptr);
}

TEST_F(StationOpenEditorTest, OpenIsNotOverwrittenByTheEditorLeftOpen)
{
    StartStation(0);
    Show();
    QByteArray image(1920, '\0');
    image[9] = 42; // program 1, phase 1
    for (int i = 226; i < 366; ++i)
        image[i] = static_cast<char>(0xFF);
    image.replace(366, 10, QByteArray::fromHex("0102030405060708090a"));
    for (int i = 376; i < 382; ++i)
        image[i] = static_cast<char>(0xFF);
    const QString path = m_dir.filePath(QStringLiteral("loaded.vlk"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(image), image.size());
    }
    ClickTab(CTabs::ProgramsTab);
    ARecordList* programs = m_frame->Tabs().ProgramPage().Programs();
    TypeIntoCell(programs, 0, 1, QStringLiteral("99"));

    m_dialogs.openNames = {path};
    // The typed value is closed into its cell first, so it counts as unsaved: asked, and Нет.
    m_messages.QueueChoice(Choice::No);
    ClickCommand(CMainFrame::ID_FILE_OPEN);
    EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{"Сохранить изменения?"});
    EXPECT_EQ(programs->Editor(), nullptr);
    EXPECT_EQ(programs->GetCellText(0, 1), QStringLiteral("42"));
    // Moving on (another tab, another cell) leaves the loaded value alone.
    ClickTab(CTabs::DirectionsTab);
    ClickTab(CTabs::ProgramsTab);
    EXPECT_EQ(programs->GetCellText(0, 1), QStringLiteral("42"));
}

} // namespace
} // namespace vlk::test
