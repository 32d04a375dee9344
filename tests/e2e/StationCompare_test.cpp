// "Сравнить с контроллером" as the engineer meets it: the toolbar button, the list of what differs,
// a double click that opens the cell, the controller's values taken back as one undoable step, the
// fingerprints in the status bar, and the journal of it all.
#include "e2e/StationHarness.h"
#include "support/LinkTexts.h"
#include "support/WindowInput.h"

#include "config/ConfigurationImage.h"
#include "config/DemoJunction.h"
#include "frame/DifferenceList.h"
#include "frame/EditHistory.h"
#include "frame/JournalView.h"
#include "grid/ARecordList.h"
#include "pages/ConfigPages.h"
#include "pages/DeskWnd.h"
#include "util/Crc32.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDockWidget>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>

namespace vlk::test {
namespace {

using Texts = std::vector<std::string>;

constexpr int kProgrammingMode = 32771;
constexpr int kCompare = 32803;
constexpr int kJournal = 32804;

// The demo junction as a colleague changed it later in the street.
Configuration ChangedInTheStreet()
{
    Configuration c = DemoJunction();
    c.circularRedTime = 9;
    c.programDuration[0][1] = 25;
    return c;
}

class StationCompareTest : public StationTest {
protected:
    void Start(const Configuration& inController)
    {
        SimulatorOptions options = FastOptions();
        options.memory = ConfigurationImage::Encode(inController);
        StartSimulator(options);
        StartStation(0);
        // The pages hold the demo junction, as after opening its file.
        ASSERT_TRUE(m_frame->History().Load(QStringLiteral("открытие файла"), [&] {
            return ConfigPages(m_frame->Tabs().Pages())
                .ApplyImage(ConfigurationImage::Encode(DemoJunction()), LoadFlavour::File, m_messages);
        }));
        ClickToolbar(kProgrammingMode);
        ASSERT_TRUE(m_frame->ProgrammingMode());
        m_messages.Clear();
    }
    ImageBytes PagesImage() { return ConfigPages(m_frame->Tabs().Pages()).BuildImage(); }
    QString Fingerprints() { return m_frame->statusBar()->findChild<QLabel*>(QStringLiteral("fingerprints"))->text(); }
    Texts Lines()
    {
        Texts lines;
        QTreeWidget* list = m_frame->Differences().List();
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            lines.push_back(list->topLevelItem(i)->text(0).toStdString());
        return lines;
    }
    QPoint LineCentre(int row)
    {
        QTreeWidget* list = m_frame->Differences().List();
        return list->visualItemRect(list->topLevelItem(row)).center();
    }
    std::vector<std::string> JournalLines()
    {
        QFile file(QString::fromStdString(m_state + "/vlk-station/journal.jsonl"));
        std::vector<std::string> lines;
        if (file.open(QIODevice::ReadOnly))
            for (const QByteArray& line : file.readAll().split('\n'))
                if (!line.isEmpty())
                    lines.push_back(line.toStdString());
        return lines;
    }
};

TEST_F(StationCompareTest, TheDifferencesAreListedAndTheChosenOnesTakenAsOneStep)
{
    Start(ChangedInTheStreet());
    const ImageBytes demo = ConfigurationImage::Encode(DemoJunction());
    EXPECT_EQ(Fingerprints(), QStringLiteral("Отпечаток: E12AFA4F"));
    ClickToolbar(kCompare);
    EXPECT_EQ(m_messages.Texts(), Texts{});
    // The pages stay as they were; the controller is read, never written.
    EXPECT_EQ(PagesImage(), demo);
    EXPECT_TRUE(m_sim->SectorsWritten().empty());
    DifferenceList& differences = m_frame->Differences();
    ASSERT_TRUE(differences.isVisible());
    EXPECT_EQ(differences.windowTitle(), QStringLiteral("Отличия от контроллера"));
    EXPECT_EQ(Lines(), (Texts{"Время кругового красного: 3 → 9", "Программа 1, фаза 2: время 20 → 25"}));
    const QString theirs =
        QString::fromStdString(Crc32::Hex(Crc32::Of(ConfigurationImage::Encode(ChangedInTheStreet()))));
    EXPECT_EQ(Fingerprints(), QStringLiteral("Отпечаток: E12AFA4F | контроллер: %1 (отличается)").arg(theirs));

    // A double click on the program's line opens the editor on its cell.
    QTreeWidget* list = differences.List();
    ASSERT_TRUE(Reaches(list->viewport(), LineCentre(1)));
    DoubleClick(list->viewport(), LineCentre(1));
    ASSERT_TRUE(PumpUntil([&] { return m_frame->Tabs().Selected() == CTabs::ProgramsTab; }));
    ARecordList* programs = m_frame->Tabs().ProgramPage().Programs();
    ASSERT_NE(programs->Editor(), nullptr);
    EXPECT_EQ(programs->GetEditColumn(), 1);
    Key(programs, Qt::Key_Escape);

    // The program's line chosen, its value taken: the circular red stays the pages' own.
    Click(list->viewport(), LineCentre(1));
    ASSERT_TRUE(Reaches(differences.TakeButton()));
    Click(differences.TakeButton());
    ASSERT_TRUE(PumpUntil([&] { return Lines().size() == 1; }));
    EXPECT_EQ(Lines(), (Texts{"Время кругового красного: 3 → 9"}));
    Configuration expected = DemoJunction();
    expected.programDuration[0][1] = 25;
    EXPECT_EQ(ConfigPages(m_frame->Tabs().Pages()).Read(), expected);
    // Taken values are an edit like any other: the pages now differ from their file.
    EXPECT_TRUE(m_frame->History().Modified());

    // One step back undoes it; then all lines at once (none chosen) make the pages the controller's.
    Key(m_frame.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(PagesImage(), demo);
    list->clearSelection();
    ClickToolbar(kCompare);
    ASSERT_EQ(Lines().size(), 2u);
    list->clearSelection();
    Click(differences.TakeButton());
    ASSERT_TRUE(PumpUntil([&] { return Lines().empty(); }));
    EXPECT_EQ(ConfigPages(m_frame->Tabs().Pages()).Read(), ChangedInTheStreet());
    EXPECT_EQ(differences.Summary()->text(), QStringLiteral("Контроллер содержит ту же конфигурацию (%1)").arg(theirs));
    EXPECT_EQ(Fingerprints(), QStringLiteral("Отпечаток: %1 | контроллер: %1 (совпадает)").arg(theirs));

    // A later compare that the line breaks leaves no answer standing in the list.
    QTimer watch;
    const std::size_t readsBefore = m_sim->SectorsRead().size();
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (m_sim->SectorsRead().size() >= readsBefore + 20) {
            m_sim->HangUpNow();
            watch.stop();
        }
    });
    watch.start(2);
    ClickToolbar(kCompare);
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(differences.Summary()->text(),
              QStringLiteral("Сравнение не закончено: память контроллера не прочитана целиком"));
    EXPECT_FALSE(differences.TakeButton()->isEnabled());
    ASSERT_FALSE(m_messages.Texts().empty());
    // Both passes were under way: the message counts the sectors read twice alike, not 15.
    EXPECT_EQ(m_messages.Texts().back().find("(прочитано секторов: 15 из 15)"), std::string::npos)
        << m_messages.Texts().back();

    const auto journal = JournalLines();
    ASSERT_EQ(journal.size(), 3u);
    EXPECT_NE(journal[2].find("\"result\":\"failed\""), std::string::npos) << journal[2];
    EXPECT_NE(journal[0].find("\"program\":\"station\""), std::string::npos) << journal[0];
    EXPECT_NE(journal[0].find("\"action\":\"compare\""), std::string::npos) << journal[0];
    EXPECT_NE(journal[0].find("\"result\":\"different\""), std::string::npos) << journal[0];
    EXPECT_NE(journal[0].find("\"fileFingerprint\":\"E12AFA4F\""), std::string::npos) << journal[0];
    EXPECT_NE(journal[0].find("\"controllerFingerprint\":\"" + theirs.toStdString() + "\""), std::string::npos);
    EXPECT_NE(journal[0].find("\"port\":\"COM1:\""), std::string::npos) << journal[0];
}

TEST_F(StationCompareTest, AnEqualMemoryIsOneLineWithItsFingerprint)
{
    Start(DemoJunction());
    ClickToolbar(kCompare);
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(m_frame->Differences().Summary()->text(),
              QStringLiteral("Контроллер содержит ту же конфигурацию (E12AFA4F)"));
    EXPECT_EQ(Fingerprints(), QStringLiteral("Отпечаток: E12AFA4F | контроллер: E12AFA4F (совпадает)"));
    EXPECT_FALSE(m_frame->Differences().TakeButton()->isEnabled());
    // A change in the pages shows at once beside the controller's.
    EXPECT_TRUE(m_frame->ProgrammingMode());
}

TEST_F(StationCompareTest, ALinePulledDuringTheCompareIsNeverSaidSame)
{
    Start(DemoJunction());
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (m_sim->SectorsRead().size() >= 6) {
            m_sim->HangUpNow();
            watch.stop();
        }
    });
    watch.start(2);
    ClickToolbar(kCompare);
    EXPECT_FALSE(m_frame->Differences().isVisible());
    ASSERT_FALSE(m_messages.Texts().empty());
    EXPECT_NE(m_messages.Texts().back().find("Связь с контроллером потеряна"), std::string::npos)
        << m_messages.Texts().back();
    EXPECT_EQ(Fingerprints(), QStringLiteral("Отпечаток: E12AFA4F"));
    const auto journal = JournalLines();
    ASSERT_EQ(journal.size(), 1u);
    EXPECT_NE(journal[0].find("\"result\":\"failed\""), std::string::npos) << journal[0];
    EXPECT_NE(journal[0].find("\"controllerFingerprint\":\"\""), std::string::npos) << journal[0];
}

TEST_F(StationCompareTest, TheJournalShowsTheStationsActionsNewestFirstAndFilters)
{
    Start(DemoJunction());
    ClickToolbar(kCompare);
    // An operator command goes into the journal too: control taken on the console.
    ClickToolbar(kProgrammingMode);
    ASSERT_FALSE(m_frame->ProgrammingMode());
    m_frame->Tabs().SelectPage(CTabs::ConsoleTab);
    CDeskWnd& desk = m_frame->Console();
    ASSERT_TRUE(PumpUntil([&] { return desk.isVisible(); }));
    Click(desk.GetDlgItem(1040));
    ASSERT_TRUE(PumpUntil([&] { return JournalLines().size() == 2; }));
    EXPECT_NE(JournalLines()[1].find("\"action\":\"control-taken\""), std::string::npos) << JournalLines()[1];

    // The view is modal: it is looked at and closed from inside its own loop.
    bool seen = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* view = qobject_cast<JournalView*>(QApplication::activeModalWidget());
        if (!view)
            return;
        poll.stop();
        QTableWidget* table = view->Table();
        EXPECT_EQ(view->windowTitle(), QStringLiteral("Журнал"));
        EXPECT_EQ(table->rowCount(), 2);
        EXPECT_EQ(table->item(0, JournalView::ActionColumn)->text(), QStringLiteral("управление взято"));
        EXPECT_EQ(table->item(1, JournalView::ActionColumn)->text(), QStringLiteral("сравнение"));
        EXPECT_EQ(table->item(1, JournalView::ResultColumn)->text(), QStringLiteral("equal"));
        // Only the compares: chosen in the action filter with the keyboard.
        QComboBox* actions = view->ActionFilter();
        Click(actions);
        PumpUntil([&] { return actions->view()->isVisible(); });
        const int compare = actions->findData(QStringLiteral("compare"));
        for (int i = 0; i < compare; ++i)
            Key(actions->view(), Qt::Key_Down);
        Key(actions->view(), Qt::Key_Return);
        PumpUntil([&] { return table->rowCount() == 1; });
        EXPECT_EQ(table->rowCount(), 1);
        seen = true;
        Key(view, Qt::Key_Escape);
    });
    poll.start(20);
    ClickMenuItem(kJournal);
    EXPECT_TRUE(seen);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

} // namespace
} // namespace vlk::test
