// Undo, redo and the question about unsaved work, through the station's window as the user
// meets them: clicks and keys on the pages, the "&Правка" menu, Ctrl+Z and Ctrl+Y, and the
// answers to "Сохранить изменения?" on the way out and before a file replaces the pages.
#include "frame/EditHistory.h"
#include "frame/MainFrm.h"
#include "e2e/ScriptedDialogs.h"
#include "forms/UpDownControl.h"
#include "grid/ARecordList.h"
#include "pages/PageEdits.h"
#include "support/WindowInput.h"
#include "support/RecordingMessages.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolBar>
#include <QWindow>
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <chrono>
#include <sys/stat.h>

#include <mutex>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace vlk {
namespace {

using test::CentreOf;
using test::Click;
using test::DoubleClick;
using test::Key;
using test::PumpUntil;
using test::Type;

const char* const kAskSave = "Сохранить изменения?";
const QString kJunction = QStringLiteral(VLK_TEST_DATA_DIR "/junction/junction.vlk");

class EditHistoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("VLK_COM1", "/nonexistent/vlk-com1", 1);
        setenv("VLK_COM2", "/nonexistent/vlk-com2", 1);
        m_frame = std::make_unique<CMainFrame>(m_messages, m_dialogs);
        m_dialogs.ports = {0};
        m_frame->AskPortAndStart();
        // The page's own boxes (a value out of range) are recorded instead of shown.
        Tabs().DirectionPage().SetMessages(&m_messages);
        ASSERT_TRUE(test::ShowAndActivate(m_frame.get()));
    }
    void TearDown() override { m_frame.reset(); }

    CTabs& Tabs() { return m_frame->Tabs(); }
    QAction* Cmd(int id) { return m_frame->Command(id); }
    QString UndoText() { return Cmd(CMainFrame::ID_EDIT_UNDO)->text(); }
    QString RedoText() { return Cmd(CMainFrame::ID_EDIT_REDO)->text(); }
    void Undo() { Key(m_frame.get(), Qt::Key_Z, Qt::ControlModifier); }
    void Redo() { Key(m_frame.get(), Qt::Key_Y, Qt::ControlModifier); }

    void ShowPage(int index)
    {
        Click(&Tabs(), CentreOf(Tabs().TabRect(index)));
        ASSERT_EQ(Tabs().Selected(), index);
    }
    // Opens the menu holding the command from the menu bar and clicks its item.
    void ClickMenuItem(int id)
    {
        QAction* action = Cmd(id);
        QMenu* menu = nullptr;
        for (QObject* object : action->associatedObjects())
            if (auto* m = qobject_cast<QMenu*>(object))
                menu = m;
        ASSERT_NE(menu, nullptr);
        QMenuBar* bar = m_frame->menuBar();
        Click(bar, CentreOf(bar->actionGeometry(menu->menuAction())));
        ASSERT_TRUE(PumpUntil([&] { return menu->isVisible(); }));
        Click(menu, CentreOf(menu->actionGeometry(action)));
        if (menu->isVisible()) {
            Key(menu, Qt::Key_Escape);
            PumpUntil([&] { return !menu->isVisible(); });
        }
    }
    // Types `text` into a number cell: double click, the digits, Enter.
    void EditCell(ARecordList* grid, int row, int col, const QString& text)
    {
        DoubleClick(grid->viewport(), CentreOf(grid->GetCellRect(row, col)));
        ASSERT_TRUE(grid->Editor() != nullptr);
        Key(grid->Editor(), Qt::Key_A, Qt::ControlModifier);
        Type(m_frame.get(), text);
        Key(m_frame.get(), Qt::Key_Return);
        ASSERT_EQ(grid->Editor(), nullptr);
    }
    // One program cell changed from what the fresh station shows, on the programs page.
    void ChangeSomething()
    {
        ShowPage(CTabs::ProgramsTab);
        EditCell(Tabs().ProgramPage().Programs(), 0, 1, QStringLiteral("25"));
        ASSERT_EQ(Tabs().ProgramPage().Programs()->GetCellText(0, 1), QStringLiteral("25"));
    }
    std::vector<std::string> Questions() const
    {
        std::vector<std::string> texts;
        for (const auto& entry : m_messages.Entries())
            if (entry.question)
                texts.push_back(entry.text);
        return texts;
    }
    bool Closed() { return PumpUntil([&] { return !m_frame->isVisible(); }, 1000); }

    RecordingMessages m_messages;
    test::ScriptedDialogs m_dialogs;
    std::unique_ptr<CMainFrame> m_frame;
};

TEST_F(EditHistoryTest, ACellEditIsUndoneAndRedoneOnThePageTheUserIsOn)
{
    EXPECT_FALSE(Cmd(CMainFrame::ID_EDIT_UNDO)->isEnabled());
    EXPECT_EQ(UndoText(), QStringLiteral("&Отменить"));
    ARecordList* programs = Tabs().ProgramPage().Programs();
    const QString fresh = programs->GetCellText(2, 4);
    ShowPage(CTabs::ProgramsTab);
    EditCell(programs, 2, 4, QStringLiteral("17"));
    EXPECT_TRUE(Cmd(CMainFrame::ID_EDIT_UNDO)->isEnabled());
    EXPECT_EQ(UndoText(), QStringLiteral("&Отменить: правка таблицы «Описание программ»"));
    EXPECT_EQ(RedoText(), QStringLiteral("&Повторить"));
    EXPECT_FALSE(Cmd(CMainFrame::ID_EDIT_REDO)->isEnabled());

    // Back on another page, Ctrl+Z undoes there without taking the user away.
    ShowPage(CTabs::OutputsTab);
    Undo();
    EXPECT_EQ(programs->GetCellText(2, 4), fresh);
    EXPECT_EQ(Tabs().Selected(), CTabs::OutputsTab);
    EXPECT_EQ(UndoText(), QStringLiteral("&Отменить"));
    EXPECT_EQ(RedoText(), QStringLiteral("&Повторить: правка таблицы «Описание программ»"));
    Redo();
    EXPECT_EQ(programs->GetCellText(2, 4), QStringLiteral("17"));

    // An editor opened and closed without a change is no step.
    const int steps = m_frame->History().Stack().count();
    ShowPage(CTabs::ProgramsTab);
    DoubleClick(programs->viewport(), CentreOf(programs->GetCellRect(2, 4)));
    Key(m_frame.get(), Qt::Key_Return);
    EXPECT_EQ(m_frame->History().Stack().count(), steps);
    // No page writes a change of its own during undo and redo.
    EXPECT_TRUE(m_messages.Entries().empty());
}

TEST_F(EditHistoryTest, AnEditorLeftOpenIsClosedIntoItsCellAndThatEditUndoneFromTheMenu)
{
    ShowPage(CTabs::ZadTab);
    ARecordList* inter = Tabs().ConfigPage().InterGreen();
    EditCell(inter, 0, 2, QStringLiteral("4"));
    DoubleClick(inter->viewport(), CentreOf(inter->GetCellRect(1, 3)));
    ASSERT_NE(inter->Editor(), nullptr);
    Type(m_frame.get(), QStringLiteral("9"));
    ClickMenuItem(CMainFrame::ID_EDIT_UNDO);
    EXPECT_EQ(inter->Editor(), nullptr);
    EXPECT_EQ(inter->GetCellText(1, 3), QString());
    EXPECT_EQ(RedoText(), QStringLiteral("&Повторить: правка таблицы «Время между зелеными»"));
    ClickMenuItem(CMainFrame::ID_EDIT_REDO);
    EXPECT_EQ(inter->GetCellText(1, 3), QStringLiteral("9"));
    EXPECT_EQ(inter->GetCellText(0, 2), QStringLiteral("4"));
    EXPECT_EQ(m_frame->History().Stack().count(), 2);
}

TEST_F(EditHistoryTest, ACheckAndAPriorityMoveAndTheMasterCheckAreStepsOfTheirOwn)
{
    ShowPage(CTabs::OutputsTab);
    ARecordList* lamps = Tabs().OutputPage().LampOutput();
    DoubleClick(lamps->viewport(), CentreOf(lamps->GetCellRect(1, 4)));
    ASSERT_EQ(lamps->GetCellText(1, 4), QStringLiteral("X"));
    EXPECT_EQ(UndoText(), QStringLiteral("&Отменить: правка таблицы «Привязка ламп к выходам»"));

    ShowPage(CTabs::DirectionsTab);
    CDirectionWnd& page = Tabs().DirectionPage();
    ARecordList* priority = page.Priority();
    ASSERT_EQ(priority->GetCellText(6, 1), QStringLiteral("ТВП"));
    Click(priority->viewport(), CentreOf(priority->GetCellRect(6, 1)));
    auto* spin = page.Item<UpDownControl>(CDirectionWnd::PrioritySpinId);
    ASSERT_NE(spin, nullptr);
    Click(spin, QPoint(spin->width() / 2, spin->height() / 4));
    ASSERT_EQ(priority->GetCellText(5, 1), QStringLiteral("ТВП"));
    EXPECT_EQ(UndoText(), QStringLiteral("&Отменить: перемещение приоритета"));

    QCheckBox* master = page.Master();
    ASSERT_TRUE(master->isChecked());
    Click(master, QPoint(6, master->height() / 2));
    ASSERT_FALSE(master->isChecked());
    ASSERT_FALSE(page.SyncDelay()->isReadOnly());
    EXPECT_EQ(UndoText(), QStringLiteral("&Отменить: переключение «Ведущий контроллер»"));

    // Undone in the reverse order, each with what the page derives from it.
    Undo();
    EXPECT_TRUE(master->isChecked());
    EXPECT_TRUE(page.SyncDelay()->isReadOnly());
    EXPECT_EQ(priority->GetCellText(5, 1), QStringLiteral("ТВП"));
    Undo();
    EXPECT_EQ(priority->GetCellText(6, 1), QStringLiteral("ТВП"));
    EXPECT_EQ(priority->GetCellText(5, 1), QStringLiteral("ПР0"));
    EXPECT_EQ(priority->GetCellText(6, 0), QStringLiteral("7"));
    EXPECT_EQ(lamps->GetCellText(1, 4), QStringLiteral("X"));
    Undo();
    EXPECT_EQ(lamps->GetCellText(1, 4), QString());
    EXPECT_FALSE(m_frame->History().Stack().canUndo());
    // And redone in order.
    Redo();
    Redo();
    Redo();
    EXPECT_EQ(lamps->GetCellText(1, 4), QStringLiteral("X"));
    EXPECT_EQ(priority->GetCellText(5, 1), QStringLiteral("ТВП"));
    EXPECT_FALSE(master->isChecked());
    EXPECT_FALSE(page.SyncDelay()->isReadOnly());
}

TEST_F(EditHistoryTest, OneTypingInAFieldIsOneStepWithThePagesCorrectionInIt)
{
    ShowPage(CTabs::DirectionsTab);
    QLineEdit* circular = Tabs().DirectionPage().CircularRed();
    const QString fresh = circular->text();
    Click(circular);
    Key(m_frame.get(), Qt::Key_A, Qt::ControlModifier);
    Type(m_frame.get(), QStringLiteral("45"));
    Key(m_frame.get(), Qt::Key_Tab);
    EXPECT_EQ(UndoText(), QStringLiteral("&Отменить: правка поля «Время кругового красного»"));
    EXPECT_EQ(m_frame->History().Stack().count(), 1);

    // Typed again later: a step of its own. A value the page refuses (and sets to "0") and what
    // is typed after it belong to that same step.
    Click(circular);
    Key(m_frame.get(), Qt::Key_End);
    Type(m_frame.get(), QStringLiteral("6"));
    ASSERT_EQ(circular->text(), QStringLiteral("0"));
    EXPECT_EQ(m_messages.Texts(), (std::vector<std::string>{"Значение должно быть меньше 256"}));
    Type(m_frame.get(), QStringLiteral("12"));
    EXPECT_EQ(m_frame->History().Stack().count(), 2);

    // The menu, with the focus still in the field, undoes that typing as a whole.
    ClickMenuItem(CMainFrame::ID_EDIT_UNDO);
    EXPECT_EQ(circular->text(), QStringLiteral("45"));
    ClickMenuItem(CMainFrame::ID_EDIT_UNDO);
    EXPECT_EQ(circular->text(), fresh);
    ClickMenuItem(CMainFrame::ID_EDIT_REDO);
    EXPECT_EQ(circular->text(), QStringLiteral("45"));
    EXPECT_EQ(m_messages.Texts().size(), 1u);
}

TEST_F(EditHistoryTest, AScheduleClickIsUndoneAndRedone)
{
    ShowPage(CTabs::SchedulesTab);
    CScheduleWnd& monday = Tabs().GraficPage().Day(0);
    Click(&monday, QPoint(CScheduleWnd::SlotX(12, monday.width()) + 3, monday.height() / 2));
    ASSERT_EQ(monday.DaySlots()[12], 1);
    EXPECT_EQ(UndoText(), QStringLiteral("&Отменить: правка графика «ПН»"));
    Undo();
    EXPECT_EQ(monday.DaySlots()[12], 0);
    Redo();
    EXPECT_EQ(monday.DaySlots()[12], 1);
}

TEST_F(EditHistoryTest, OpeningAFifoOrAFolderIsRefusedAtOnceAndChangesNothing)
{
    // Before, a FIFO held the window for good: its open waits for a writer that never comes.
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("pipe.vlk"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString before = Tabs().DirectionPage().CircularRed()->text();
    const auto start = std::chrono::steady_clock::now();
    m_dialogs.openNames = {fifo, dir.path()};
    ClickMenuItem(CMainFrame::ID_FILE_OPEN);
    ClickMenuItem(CMainFrame::ID_FILE_OPEN);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    ASSERT_EQ(m_messages.Texts().size(), 2u);
    EXPECT_EQ(m_messages.Texts()[0].rfind("Файл " + fifo.toStdString() + " не открыт: ", 0), 0u) << m_messages.Texts()[0];
    EXPECT_EQ(m_messages.Texts()[1].rfind("Файл " + dir.path().toStdString() + " не открыт: ", 0), 0u)
        << m_messages.Texts()[1];
    EXPECT_EQ(Tabs().DirectionPage().CircularRed()->text(), before);
    EXPECT_FALSE(Cmd(CMainFrame::ID_EDIT_UNDO)->isEnabled());
}

// The open follows the one rule of every program: an image is exactly 1920 bytes (a longer file
// is not cut to its first 1920), and JSON is known by its content.
TEST_F(EditHistoryTest, AFileOfAnotherLengthIsRefusedWholeAndJsonOpens)
{
    QFile junction(kJunction);
    ASSERT_TRUE(junction.open(QIODevice::ReadOnly));
    const QByteArray image = junction.readAll();
    ASSERT_EQ(image.size(), 1920);
    QTemporaryDir dir;
    const QString longer = dir.filePath(QStringLiteral("long.vlk"));
    const QString shorter = dir.filePath(QStringLiteral("short.vlk"));
    for (const auto& [path, bytes] : {std::pair{longer, image + 'x'}, std::pair{shorter, image.left(1919)}}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    const QString before = Tabs().DirectionPage().CircularRed()->text();
    m_dialogs.openNames = {longer, shorter};
    ClickMenuItem(CMainFrame::ID_FILE_OPEN);
    ClickMenuItem(CMainFrame::ID_FILE_OPEN);
    EXPECT_EQ(m_messages.Texts(),
              (std::vector<std::string>{
                  "Файл " + longer.toStdString() + " не открыт: не образ конфигурации и не JSON: 1921 байт вместо 1920",
                  "Файл " + shorter.toStdString() + " не открыт: не образ конфигурации и не JSON: 1919 байт вместо 1920"}));
    EXPECT_EQ(Tabs().DirectionPage().CircularRed()->text(), before);
    EXPECT_FALSE(Cmd(CMainFrame::ID_EDIT_UNDO)->isEnabled());

    m_messages.Clear();
    m_dialogs.openNames = {QStringLiteral(VLK_TEST_DATA_DIR "/vlkctl/junction.json")};
    ClickMenuItem(CMainFrame::ID_FILE_OPEN);
    EXPECT_TRUE(m_messages.Texts().empty());
    EXPECT_EQ(Tabs().DirectionPage().CircularRed()->text(), QStringLiteral("5"));
    EXPECT_EQ(UndoText(), QStringLiteral("&Отменить: открытие файла «junction.json»"));
}

TEST_F(EditHistoryTest, AnOpenIsOneStepAndTheOpenedStateIsClean)
{
    const QString fresh = Tabs().DirectionPage().CircularRed()->text();
    ChangeSomething();
    m_messages.QueueChoice(Choice::No);
    m_dialogs.openNames = {kJunction};
    ClickMenuItem(CMainFrame::ID_FILE_OPEN);
    ASSERT_EQ(Questions(), (std::vector<std::string>{kAskSave}));
    CDirectionWnd& directions = Tabs().DirectionPage();
    ARecordList* programs = Tabs().ProgramPage().Programs();
    ASSERT_EQ(directions.CircularRed()->text(), QStringLiteral("5"));
    ASSERT_EQ(programs->GetCellText(0, 1), QStringLiteral("3")); // byte 9 holds (9 x 7) mod 60
    EXPECT_EQ(UndoText(), QStringLiteral("&Отменить: открытие файла «junction.vlk»"));
    EXPECT_FALSE(m_frame->History().Modified());

    // Undone, the pages hold the edit before the open again, which is not what was opened.
    Undo();
    EXPECT_EQ(directions.CircularRed()->text(), fresh);
    EXPECT_EQ(programs->GetCellText(0, 1), QStringLiteral("25"));
    EXPECT_TRUE(directions.Master()->isChecked());
    EXPECT_TRUE(m_frame->History().Modified());
    Redo();
    EXPECT_EQ(directions.CircularRed()->text(), QStringLiteral("5"));
    EXPECT_FALSE(directions.Master()->isChecked());
    EXPECT_EQ(directions.SyncDelay()->text(), QStringLiteral("30"));
    EXPECT_FALSE(m_frame->History().Modified());
    // Clean again: leaving asks nothing.
    m_messages.Clear();
    Cmd(CMainFrame::ID_APP_EXIT)->trigger();
    EXPECT_TRUE(Closed());
    EXPECT_TRUE(Questions().empty());
}

TEST_F(EditHistoryTest, TheEditSignalComesOnceForEveryChangeOfTheUserAndNeverForLoadsOrUndo)
{
    QSignalSpy edits(&Tabs().Edits(), &PageEdits::configurationEdited);
    ChangeSomething();
    EXPECT_EQ(edits.count(), 1);
    ShowPage(CTabs::SensorsTab);
    ARecordList* green = Tabs().MeasurePage().GreenSensor();
    DoubleClick(green->viewport(), CentreOf(green->GetCellRect(0, 1)));
    EXPECT_EQ(edits.count(), 2);
    Undo();
    Undo();
    Redo();
    m_dialogs.openNames = {kJunction};
    m_messages.QueueChoice(Choice::No);
    Cmd(CMainFrame::ID_FILE_OPEN)->trigger();
    ASSERT_EQ(Tabs().DirectionPage().CircularRed()->text(), QStringLiteral("5"));
    EXPECT_EQ(edits.count(), 2);
}

TEST_F(EditHistoryTest, ExitAsksFirstAndCancelStaysNoLeaves)
{
    ChangeSomething();
    m_messages.QueueChoice(Choice::Cancel);
    ClickMenuItem(CMainFrame::ID_APP_EXIT);
    EXPECT_EQ(m_messages.Entries(),
              (std::vector<RecordingMessages::Entry>{{kAskSave, MessageIcon::Question, true}}));
    EXPECT_FALSE(Closed());
    EXPECT_EQ(Tabs().ProgramPage().Programs()->GetCellText(0, 1), QStringLiteral("25"));
    EXPECT_EQ(m_dialogs.saveAsked, 0);

    m_messages.QueueChoice(Choice::No);
    ClickMenuItem(CMainFrame::ID_APP_EXIT);
    EXPECT_TRUE(Closed());
    EXPECT_EQ(Questions().size(), 2u);
    EXPECT_EQ(m_dialogs.saveAsked, 0);
}

TEST_F(EditHistoryTest, TheCloseBoxSavesOnYesAndStaysWhenTheSaveDoesNotHappen)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("kept.vlk"));
    ChangeSomething();
    // Да, but the save dialog cancelled: nothing is written and the station stays.
    m_messages.QueueChoice(Choice::Yes);
    m_frame->windowHandle()->close();
    EXPECT_EQ(m_dialogs.saveAsked, 1);
    EXPECT_FALSE(Closed());
    EXPECT_FALSE(QFile::exists(path));

    m_messages.QueueChoice(Choice::Yes);
    m_dialogs.saveNames = {path};
    m_frame->windowHandle()->close();
    EXPECT_TRUE(Closed());
    EXPECT_EQ(Questions(), (std::vector<std::string>{kAskSave, kAskSave}));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    ASSERT_EQ(bytes.size(), 1920);
    EXPECT_EQ(static_cast<unsigned char>(bytes[9]), 25); // program 1, phase 1
}

TEST_F(EditHistoryTest, OpenAsksFirstAndCancelLeavesThePagesAlone)
{
    const QString fresh = Tabs().DirectionPage().CircularRed()->text();
    ChangeSomething();
    m_messages.QueueChoice(Choice::Cancel);
    m_dialogs.openNames = {kJunction};
    QWidget* button = m_frame->ToolBar()->widgetForAction(Cmd(CMainFrame::ID_FILE_OPEN));
    Click(button);
    EXPECT_EQ(Questions(), (std::vector<std::string>{kAskSave}));
    EXPECT_EQ(m_dialogs.openAsked, 0);
    EXPECT_EQ(Tabs().DirectionPage().CircularRed()->text(), fresh);
    EXPECT_EQ(Tabs().ProgramPage().Programs()->GetCellText(0, 1), QStringLiteral("25"));

    // Да saves first, then the open goes on.
    QTemporaryDir folder;
    m_dialogs.saveNames = {folder.filePath(QStringLiteral("before.vlk"))};
    m_messages.QueueChoice(Choice::Yes);
    Click(button);
    EXPECT_EQ(m_dialogs.saveAsked, 1);
    EXPECT_TRUE(QFile::exists(folder.filePath(QStringLiteral("before.vlk"))));
    EXPECT_EQ(m_dialogs.openAsked, 1);
    EXPECT_EQ(Tabs().DirectionPage().CircularRed()->text(), QStringLiteral("5"));
}

TEST_F(EditHistoryTest, NothingIsAskedWhenNothingChangedAfterASaveOrAfterUndoingBack)
{
    // Nothing changed yet; an editor opened and closed changes nothing either.
    ShowPage(CTabs::ProgramsTab);
    ARecordList* programs = Tabs().ProgramPage().Programs();
    DoubleClick(programs->viewport(), CentreOf(programs->GetCellRect(0, 1)));
    Key(m_frame.get(), Qt::Key_Escape);
    m_dialogs.openNames = {QString()};
    Cmd(CMainFrame::ID_FILE_OPEN)->trigger();
    EXPECT_EQ(m_dialogs.openAsked, 1);

    // Changed and undone back.
    ChangeSomething();
    Undo();
    Cmd(CMainFrame::ID_FILE_OPEN)->trigger();
    EXPECT_EQ(m_dialogs.openAsked, 2);

    // Changed and saved: clean; changed once more, it asks.
    QTemporaryDir folder;
    ChangeSomething();
    m_dialogs.saveNames = {folder.filePath(QStringLiteral("a.vlk"))};
    Cmd(CMainFrame::ID_FILE_SAVE)->trigger();
    EXPECT_TRUE(Questions().empty());
    Undo(); // back before the save: differs from the saved file
    m_messages.QueueChoice(Choice::Cancel);
    Cmd(CMainFrame::ID_FILE_OPEN)->trigger();
    EXPECT_EQ(Questions(), (std::vector<std::string>{kAskSave}));
    EXPECT_EQ(m_dialogs.openAsked, 2);
    Redo(); // the saved state again
    ClickMenuItem(CMainFrame::ID_APP_EXIT);
    EXPECT_TRUE(Closed());
    EXPECT_EQ(Questions().size(), 1u);
}

} // namespace
} // namespace vlk
