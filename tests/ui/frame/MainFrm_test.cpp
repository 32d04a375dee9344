#include "frame/MainFrm.h"
#include "frame/LockIndicators.h"
#include "e2e/ScriptedDialogs.h"
#include "support/WindowInput.h"
#include "support/RecordingMessages.h"

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

#include <mutex>

namespace vlk {
namespace {

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // No device behind the ports: nothing here may reach a line.
        setenv("VLK_COM1", "/nonexistent/vlk-com1", 1);
        setenv("VLK_COM2", "/nonexistent/vlk-com2", 1);
        m_frame = std::make_unique<CMainFrame>(m_messages, m_dialogs);
    }
    QAction* Cmd(int id) { return m_frame->Command(id); }

    RecordingMessages m_messages;
    test::ScriptedDialogs m_dialogs;
    std::unique_ptr<CMainFrame> m_frame;
};

TEST_F(MainFrameTest, TitleMenuAndMnemonics)
{
    EXPECT_EQ(m_frame->windowTitle(), QStringLiteral("Система программирования дорожных контроллеров ВЛК2.2_v4"));
    EXPECT_FALSE(m_frame->windowIcon().isNull());
    const QList<QAction*> popups = m_frame->menuBar()->actions();
    ASSERT_EQ(popups.size(), 7);
    const QStringList titles = {QStringLiteral("&Файл"),       QStringLiteral("&Правка"), QStringLiteral("&Вид"),
                                QStringLiteral("О&бмен"),      QStringLiteral("&Контроллер"), QStringLiteral("Порт"),
                                QStringLiteral("&?")};
    const QList<QStringList> items = {
        {QStringLiteral("&Открыть"), QStringLiteral("&Сохранить"), QStringLiteral("Сохранить &как…"),
         QStringLiteral("&Проверить конфигурацию"),
         QStringLiteral("Пе&чать…"), QStringLiteral("&Экспорт в PDF…"), QStringLiteral("Открыть &запись…"),
         QStringLiteral("&События"), QStringLiteral("&Журнал"),
         QStringLiteral("В&ыход")},
        {QStringLiteral("&Отменить"), QStringLiteral("&Повторить"), QString(), QStringLiteral("&Копировать\tCtrl+C"),
         QStringLiteral("&Вставить\tCtrl+V"), QStringLiteral("О&чистить\tDel")},
        {QStringLiteral("&Наблюдение")},
        {QStringLiteral("&Запустить"), QStringLiteral("Ос&тановить"), QStringLiteral("&Записывать обмен")},
        {QStringLiteral("&Режим программирования"), QString(), QStringLiteral("&Писать"), QStringLiteral("&Читать"),
         QStringLiteral("&Сравнить с контроллером"), QStringLiteral("&Вернуть прежнюю конфигурацию")},
        {QStringLiteral("COM&1"), QStringLiteral("COM&2")},
        {QStringLiteral("Вы&зов справки\tF1"), QStringLiteral("О &программе VLK2.2")},
    };
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(popups[i]->text(), titles[i]);
        QStringList texts;
        for (QAction* action : popups[i]->menu()->actions())
            texts << action->text();
        EXPECT_EQ(texts, items[i]) << i;
    }
}

TEST_F(MainFrameTest, ToolbarOrderTooltipsAndPrompts)
{
    QList<int> order;
    for (QAction* action : m_frame->ToolBar()->actions())
        order << (action->isSeparator() ? 0 : action->data().toInt());
    EXPECT_EQ(order, (QList<int>{32771, 0, 32772, 32773, 32803, 0, 57601, 57603, 32800, 0, 57664}));
    EXPECT_EQ(m_frame->ToolBar()->iconSize(), QSize(27, 18));

    EXPECT_EQ(Cmd(32771)->toolTip(), QStringLiteral("Режим программирования (F6)"));
    EXPECT_EQ(Cmd(32771)->statusTip(), QStringLiteral("Включить/выключить режим программирования"));
    EXPECT_EQ(Cmd(32772)->toolTip(), QStringLiteral("Писать (F7)"));
    EXPECT_EQ(Cmd(32772)->statusTip(), QStringLiteral("Писать ЕПРОМ"));
    EXPECT_EQ(Cmd(32773)->toolTip(), QStringLiteral("Читать (F8)"));
    EXPECT_EQ(Cmd(32773)->statusTip(), QStringLiteral("Читать ЕПРОМ"));
    EXPECT_EQ(Cmd(32803)->toolTip(), QStringLiteral("Сравнить с контроллером (F9)"));
    EXPECT_EQ(Cmd(32803)->statusTip(), QStringLiteral("Сравнить память контроллера с конфигурацией на страницах"));
    EXPECT_EQ(Cmd(57601)->toolTip(), QStringLiteral("Открыть (Ctrl+O)"));
    EXPECT_EQ(Cmd(57601)->statusTip(), QStringLiteral("Открыть файл"));
    EXPECT_EQ(Cmd(57603)->toolTip(), QStringLiteral("Сохранить (Ctrl+S)"));
    EXPECT_EQ(Cmd(57603)->statusTip(), QStringLiteral("Сохранить файл"));
    EXPECT_EQ(Cmd(32800)->toolTip(), QStringLiteral("Проверить конфигурацию (Ctrl+K)"));
    EXPECT_EQ(Cmd(32800)->statusTip(), QStringLiteral("Проверить конфигурацию перед записью в контроллер"));
    EXPECT_EQ(Cmd(57664)->toolTip(), QStringLiteral("О программе"));
    EXPECT_EQ(Cmd(57664)->statusTip(), QStringLiteral("Показать информацию о программе, ее версии и авторах"));
    EXPECT_EQ(Cmd(57665)->statusTip(), QStringLiteral("Выход из программы"));
    EXPECT_EQ(Cmd(32778)->statusTip(), QStringLiteral("Запустить обмен данными"));
    EXPECT_EQ(Cmd(32779)->statusTip(), QStringLiteral("Остановить обмен данными"));
    EXPECT_EQ(Cmd(32780)->statusTip(), QStringLiteral("Выбор порта COM1"));
    EXPECT_EQ(Cmd(32781)->statusTip(), QStringLiteral("Выбор порта COM2"));
    EXPECT_EQ(Cmd(57670)->statusTip(),
              QStringLiteral("Показать руководство по рограммированию контроллера ВЛК2.2_v4"));
}

TEST_F(MainFrameTest, StatusBarSaysReadyAndShowsThePromptOfTheHighlightedItem)
{
    m_frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_frame.get()));
    QStatusBar* bar = m_frame->statusBar();
    EXPECT_EQ(bar->currentMessage(), QStringLiteral("Готов"));
    Cmd(57603)->showStatusText(m_frame.get());
    EXPECT_EQ(bar->currentMessage(), QStringLiteral("Сохранить файл"));
    bar->clearMessage(); // the pointer leaves the item
    EXPECT_EQ(bar->currentMessage(), QStringLiteral("Готов"));

    QStringList panes;
    for (QLabel* label : bar->findChild<LockIndicators*>()->findChildren<QLabel*>())
        panes << label->text();
    EXPECT_EQ(panes, (QStringList{QStringLiteral("ВР"), QStringLiteral("ЦИФ"), QStringLiteral("СКРЛ")}));
}

TEST(LockIndicators, DarkOnlyWhileTheirLockIsOn)
{
    LockIndicators panes;
    panes.Show(0b101u);
    EXPECT_TRUE(panes.Pane(LockIndicators::Caps)->isEnabled());
    EXPECT_FALSE(panes.Pane(LockIndicators::Num)->isEnabled());
    EXPECT_TRUE(panes.Pane(LockIndicators::Scroll)->isEnabled());
    panes.Show(0b010u);
    EXPECT_FALSE(panes.Pane(LockIndicators::Caps)->isEnabled());
    EXPECT_TRUE(panes.Pane(LockIndicators::Num)->isEnabled());
    // A platform that does not tell shows them all off.
    panes.Show(std::nullopt);
    for (auto lock : {LockIndicators::Caps, LockIndicators::Num, LockIndicators::Scroll})
        EXPECT_FALSE(panes.Pane(lock)->isEnabled());
}

TEST_F(MainFrameTest, CancelAtStartLeavesPortOneAndNoExchange)
{
    m_dialogs.ports = {0};
    m_frame->AskPortAndStart();
    EXPECT_EQ(m_dialogs.portAsked, 1);
    EXPECT_EQ(m_frame->PortNumber(), 1);
    EXPECT_FALSE(m_frame->ExchangeRunning());
    EXPECT_TRUE(Cmd(32778)->isEnabled());
    EXPECT_FALSE(Cmd(32779)->isEnabled());
    EXPECT_TRUE(Cmd(32780)->isEnabled());
    EXPECT_TRUE(Cmd(32780)->isChecked());
    EXPECT_FALSE(Cmd(32781)->isChecked());
    // Nothing to write or read before programming mode.
    EXPECT_FALSE(Cmd(32772)->isEnabled());
    EXPECT_FALSE(Cmd(32773)->isEnabled());
    EXPECT_FALSE(Cmd(32771)->isChecked());
    EXPECT_TRUE(Cmd(32771)->isEnabled());
    for (int always : {57601, 57603, 57665, 57670, 57664})
        EXPECT_TRUE(Cmd(always)->isEnabled()) << always;
    EXPECT_TRUE(m_messages.Entries().empty());
}

TEST_F(MainFrameTest, PortItemsChooseAndMarkThePort)
{
    Cmd(32781)->trigger();
    EXPECT_EQ(m_frame->PortNumber(), 2);
    EXPECT_TRUE(Cmd(32781)->isChecked());
    EXPECT_FALSE(Cmd(32780)->isChecked());
    Cmd(32780)->trigger();
    EXPECT_EQ(m_frame->PortNumber(), 1);
    EXPECT_TRUE(Cmd(32780)->isChecked());
    EXPECT_FALSE(Cmd(32781)->isChecked());
    // Pressing the item already chosen keeps its mark.
    Cmd(32780)->trigger();
    EXPECT_TRUE(Cmd(32780)->isChecked());
}

TEST_F(MainFrameTest, MinimumSizeIs500By500)
{
    m_frame->show();
    m_frame->resize(200, 100);
    EXPECT_EQ(m_frame->size(), QSize(500, 500));
    m_frame->resize(800, 300);
    EXPECT_EQ(m_frame->size(), QSize(800, 500));
}

TEST_F(MainFrameTest, OnlyTheMenusKeysAreBoundAtFrameLevel)
{
    QStringList keys;
    for (QAction* action : m_frame->findChildren<QAction*>())
        for (const QKeySequence& key : action->shortcuts())
            keys << key.toString(QKeySequence::PortableText);
    keys.sort();
    EXPECT_EQ(keys, (QStringList{QStringLiteral("Ctrl+K"), QStringLiteral("Ctrl+O"), QStringLiteral("Ctrl+P"),
                                 QStringLiteral("Ctrl+S"), QStringLiteral("Ctrl+Shift+S"), QStringLiteral("Ctrl+Y"),
                                 QStringLiteral("Ctrl+Z"), QStringLiteral("F1"), QStringLiteral("F6"),
                                 QStringLiteral("F7"), QStringLiteral("F8"), QStringLiteral("F9")}));
}

TEST_F(MainFrameTest, HelpWithoutItsFileOpensTheStationsManual)
{
    QTemporaryDir folder;
    m_frame->SetHelpFolder(folder.path());
    EXPECT_EQ(m_frame->HelpFilePath(), folder.filePath(QStringLiteral("HELPVLK2_2.hlp")));
    ASSERT_TRUE(test::ShowAndActivate(m_frame.get()));
    test::Key(m_frame.get(), Qt::Key_F1);
    // The missing file is no error any more: the built-in manual answers (see Manual_test).
    EXPECT_TRUE(m_messages.Texts().empty());
    EXPECT_TRUE(test::PumpUntil([&] {
        const auto* manual = m_frame->findChild<QDialog*>(QStringLiteral("manual"));
        return manual && manual->isVisible();
    }));
}

TEST_F(MainFrameTest, StartingOnAMissingDeviceReportsThePortAndStopsCleanly)
{
    m_dialogs.ports = {2};
    m_frame->AskPortAndStart();
    EXPECT_EQ(m_frame->PortNumber(), 2);
    EXPECT_TRUE(Cmd(32781)->isChecked());
    // The worker's message arrives on the UI thread without the worker waiting for it.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !m_messages.Entries().empty(); }, 3000));
    EXPECT_EQ(m_messages.Texts(),
              (std::vector<std::string>{"Порт не открыт\n/nonexistent/vlk-com2: нет такого устройства"}));
    // The worker has ended by itself: the commands say that no exchange runs.
    EXPECT_TRUE(QTest::qWaitFor([&] { return Cmd(32778)->isEnabled(); }, 3000));
    EXPECT_FALSE(m_frame->ExchangeRunning());
    EXPECT_FALSE(Cmd(32779)->isEnabled());
    EXPECT_TRUE(Cmd(32780)->isEnabled());
    EXPECT_TRUE(Cmd(32781)->isEnabled());
    EXPECT_TRUE(Cmd(32781)->isChecked());
    // Stop and close find nothing to wait for.
    Cmd(32779)->trigger();
    EXPECT_FALSE(m_frame->ExchangeRunning());
    EXPECT_TRUE(m_frame->close());
}

} // namespace
} // namespace vlk
