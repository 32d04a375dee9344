// The configuration check guarding "Писать" against the simulator, and the list after a save.
#include "e2e/StationHarness.h"

#include "frame/CheckList.h"
#include "config/ConfigurationImage.h"
#include "config/DemoJunction.h"
#include "pages/ConfigPages.h"
#include "support/WindowInput.h"

#include <QAction>
#include <QFile>
#include <QTemporaryDir>
#include <QToolBar>
#include <QTreeWidget>

namespace vlk::test {
namespace {

using Texts = std::vector<std::string>;

class StationCheckTest : public StationTest {
protected:
    // A click on the toolbar button of command `id`.
    void ClickCommand(int id)
    {
        QWidget* button = m_frame->ToolBar()->widgetForAction(m_frame->Command(id));
        ASSERT_NE(button, nullptr) << id;
        ASSERT_TRUE(Reaches(button));
        Click(button);
    }

    // The demo junction with the day program's left-turn phase below its minimum time.
    static Configuration Faulty()
    {
        Configuration c = DemoJunction();
        c.programDuration[0][2] = 4;
        return c;
    }
};

TEST_F(StationCheckTest, WritingAPlanWithAnErrorAsksAndNoSendsNoSector)
{
    StartSimulator(FastOptions());
    StartStation(0);
    ASSERT_TRUE(ShowAndActivate(m_frame.get()));
    ConfigPages(m_frame->Tabs().Pages()).Write(Faulty(), LoadFlavour::File);
    ClickCommand(32771);
    ASSERT_TRUE(m_frame->ProgrammingMode());
    const ImageBytes before = m_sim->Memory();

    m_messages.Clear();
    m_messages.QueueAnswer(false);
    ClickCommand(32772);
    ASSERT_EQ(m_messages.Entries().size(), 1u);
    EXPECT_EQ(m_messages.Entries()[0].text, "Записать в контроллер, несмотря на ошибки?");
    EXPECT_TRUE(m_messages.Entries()[0].question);
    EXPECT_TRUE(m_sim->SectorsWritten().empty());
    EXPECT_EQ(m_sim->Memory(), before);
    // The errors are listed beside the pages while the question stands.
    ASSERT_TRUE(m_frame->Findings().isVisible());
    ASSERT_EQ(m_frame->Findings().List()->topLevelItemCount(), 1);
    EXPECT_EQ(m_frame->Findings().List()->topLevelItem(0)->text(2),
              QStringLiteral("Программа 1, фаза 3: длительность 4 с меньше минимального времени фазы 5 с"));
    EXPECT_TRUE(m_frame->ProgrammingMode());

    // Да writes it as it stands.
    m_messages.Clear();
    m_messages.QueueAnswer(true);
    ClickCommand(32772);
    EXPECT_EQ(m_messages.Texts(), (Texts{"Записать в контроллер, несмотря на ошибки?", "Запись ОДД закончена"}));
    EXPECT_EQ(m_sim->SectorsWritten().size(), 15u);
    EXPECT_EQ(m_sim->Memory(), ConfigurationImage::Encode(Faulty()));

    // Mended, it is written without a question.
    ConfigPages(m_frame->Tabs().Pages()).Write(DemoJunction(), LoadFlavour::File);
    m_sim->ClearRecords();
    m_messages.Clear();
    ClickCommand(32772);
    EXPECT_EQ(m_messages.Texts(), (Texts{"Запись ОДД закончена"}));
    EXPECT_EQ(m_sim->Memory(), ConfigurationImage::Encode(DemoJunction()));
    EXPECT_EQ(m_frame->Findings().List()->topLevelItemCount(), 0);
    ClickCommand(32771);
    EXPECT_FALSE(m_frame->ProgrammingMode());
}

TEST_F(StationCheckTest, AFileWithErrorsIsSavedAndTheListShown)
{
    StartStation(0);
    QTemporaryDir dir;
    ConfigPages(m_frame->Tabs().Pages()).Write(Faulty(), LoadFlavour::File);
    EXPECT_FALSE(m_frame->Findings().isVisible());
    m_dialogs.saveNames = {dir.filePath(QStringLiteral("faulty.vlk"))};
    m_frame->Command(57603)->trigger();
    EXPECT_TRUE(m_messages.Entries().empty()) << "saving asks nothing";
    QFile saved(dir.filePath(QStringLiteral("faulty.vlk")));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const ImageBytes expected = ConfigurationImage::Encode(Faulty());
    EXPECT_EQ(saved.readAll(), QByteArray(reinterpret_cast<const char*>(expected.data()), 1920));
    EXPECT_TRUE(m_frame->Findings().isVisible());
    ASSERT_EQ(m_frame->Findings().List()->topLevelItemCount(), 1);
    EXPECT_EQ(m_frame->Findings().List()->topLevelItem(0)->text(0), QStringLiteral("Ошибка"));

    // A plan without errors is saved without the list coming up.
    m_frame->Findings().hide();
    ConfigPages(m_frame->Tabs().Pages()).Write(DemoJunction(), LoadFlavour::File);
    m_dialogs.saveNames = {dir.filePath(QStringLiteral("demo.vlk"))};
    m_frame->Command(57604)->trigger();
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("demo.vlk"))));
    EXPECT_FALSE(m_frame->Findings().isVisible());
}

} // namespace
} // namespace vlk::test
