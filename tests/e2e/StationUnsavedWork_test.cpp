// The memory read against the simulator replaces the pages: with unsaved changes it asks first,
// and what it reads is one step that undo takes back.
#include "e2e/StationHarness.h"
#include "support/WindowInput.h"

#include "frame/EditHistory.h"
#include "grid/ARecordList.h"

#include <QAction>
#include <QFile>
#include <QTemporaryDir>
#include <QToolBar>

namespace vlk::test {
namespace {

const char* const kAskSave = "Сохранить изменения?";

class StationUnsavedWorkTest : public StationTest {
protected:
    void ClickButton(int command)
    {
        QWidget* button = m_frame->ToolBar()->widgetForAction(m_frame->Command(command));
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(Reaches(button));
        Move(button, CentreOf(button));
        Click(button);
    }
    ARecordList* Programs() { return m_frame->Tabs().ProgramPage().Programs(); }
    void EditFirstDuration(const QString& text)
    {
        CTabs& tabs = m_frame->Tabs();
        Click(&tabs, CentreOf(tabs.TabRect(CTabs::ProgramsTab)));
        ARecordList* grid = Programs();
        DoubleClick(grid->viewport(), CentreOf(grid->GetCellRect(0, 1)));
        ASSERT_NE(grid->Editor(), nullptr);
        Key(grid->Editor(), Qt::Key_A, Qt::ControlModifier);
        Type(m_frame.get(), text);
        Key(m_frame.get(), Qt::Key_Return);
        ASSERT_EQ(grid->GetCellText(0, 1), text);
    }
    std::vector<std::string> Questions() const
    {
        std::vector<std::string> texts;
        for (const auto& entry : m_messages.Entries())
            if (entry.question)
                texts.push_back(entry.text);
        return texts;
    }
    bool ReadDone(std::size_t sectors)
    {
        return PumpUntil([&] { return !m_frame->Busy() && m_sim->SectorsRead().size() >= sectors; }, 20000);
    }
};

TEST_F(StationUnsavedWorkTest, TheMemoryReadAsksFirstAndIsOneStepOfItsOwn)
{
    StartSimulator(FastOptions());
    StartStation(0);
    EditFirstDuration(QStringLiteral("25"));
    ClickButton(32771);
    ASSERT_TRUE(PumpUntil([&] { return m_frame->ProgrammingMode() && !m_frame->Busy(); }, 10000));
    m_messages.Clear();

    // Отмена: the controller is not asked for anything, the pages keep the edit.
    m_messages.QueueChoice(Choice::Cancel);
    const std::size_t before = m_sim->SectorsRead().size();
    ClickButton(32773);
    EXPECT_EQ(Questions(), (std::vector<std::string>{kAskSave}));
    EXPECT_FALSE(PumpUntil([&] { return m_sim->SectorsRead().size() > before; }, 500));
    EXPECT_EQ(Programs()->GetCellText(0, 1), QStringLiteral("25"));

    // Нет: the memory is read into the pages (the demo junction: program 1 runs phase 1 for 30 s).
    m_messages.QueueChoice(Choice::No);
    ClickButton(32773);
    ASSERT_TRUE(ReadDone(before + 15));
    ASSERT_EQ(Programs()->GetCellText(0, 1), QStringLiteral("30"));
    EXPECT_EQ(Questions(), (std::vector<std::string>{kAskSave, kAskSave}));
    EXPECT_EQ(m_frame->Command(CMainFrame::ID_EDIT_UNDO)->text(), QStringLiteral("&Отменить: чтение ОДД"));
    EXPECT_FALSE(m_frame->History().Modified());

    // Undone: the edit is back, and it is unsaved again; redone: what was read, clean.
    Key(m_frame.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Programs()->GetCellText(0, 1), QStringLiteral("25"));
    EXPECT_TRUE(m_frame->History().Modified());
    Key(m_frame.get(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Programs()->GetCellText(0, 1), QStringLiteral("30"));
    EXPECT_FALSE(m_frame->History().Modified());

    // Nothing changed since the read: the next read asks nothing.
    const std::size_t second = m_sim->SectorsRead().size();
    ClickButton(32773);
    ASSERT_TRUE(ReadDone(second + 15));
    EXPECT_EQ(Questions().size(), 2u);
}

TEST_F(StationUnsavedWorkTest, YesBeforeTheMemoryReadSavesTheEditFirst)
{
    StartSimulator(FastOptions());
    StartStation(0);
    EditFirstDuration(QStringLiteral("44"));
    ClickButton(32771);
    ASSERT_TRUE(PumpUntil([&] { return m_frame->ProgrammingMode() && !m_frame->Busy(); }, 10000));

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("edited.vlk"));
    m_dialogs.saveNames = {path};
    m_messages.QueueChoice(Choice::Yes);
    const std::size_t before = m_sim->SectorsRead().size();
    ClickButton(32773);
    ASSERT_TRUE(ReadDone(before + 15));
    EXPECT_EQ(Programs()->GetCellText(0, 1), QStringLiteral("30"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_EQ(bytes.size(), 1920);
    EXPECT_EQ(static_cast<unsigned char>(bytes[9]), 44);
}

} // namespace
} // namespace vlk::test
