#include "pages/ConfigPages.h"

#include "PageTestSupport.h"
#include "RandomConfiguration.h"
#include "frame/Tabs.h"
#include "grid/RecordListEditor.h"
#include "support/RecordingMessages.h"
#include "support/WindowInput.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <random>

using namespace vlk;
using vlk::test::RandomConfiguration;
using vlk::test::U;

namespace {

std::vector<std::uint8_t> FreshStartFile()
{
    QFile file(QStringLiteral(VLK_TEST_DATA_DIR "/fresh-start/fresh-start.vlk"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    return {data.begin(), data.end()};
}

std::vector<std::uint8_t> ToVector(const ImageBytes& image)
{
    return {image.begin(), image.end()};
}

int CountCells(const ARecordList& grid, int firstCol, const QString& text)
{
    int count = 0;
    for (int r = 0; r < grid.GetRowCount(); ++r)
        for (int c = firstCol; c < grid.GetColumnCount(); ++c)
            count += grid.GetCellText(r, c) == text ? 1 : 0;
    return count;
}

class Pages : public testing::Test {
protected:
    void SetUp() override
    {
        m_tabs.resize(1280, 800);
    }

    RecordingMessages m_pageMessages;
    CTabs m_tabs{m_pageMessages};
    ConfigPages m_pages{m_tabs.Pages()};
    RecordingMessages m_messages;
};

} // namespace

TEST_F(Pages, FreshStartSavesTheGoldenImage)
{
    const std::vector<std::uint8_t> golden = FreshStartFile();
    ASSERT_EQ(golden.size(), 1920U);
    const ImageBytes image = m_pages.BuildImage();
    EXPECT_EQ(ToVector(image), golden);
    // The same, spelled out.
    for (int i = 0; i <= 80; ++i)
        EXPECT_EQ(image[i], 0) << i;
    EXPECT_EQ(image[81], 0x80);
    for (int i = 226; i <= 365; ++i)
        EXPECT_EQ(image[i], 0xFF) << i;
    const std::uint8_t priorities[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(image[366 + i], priorities[i]);
    for (int i = 376; i <= 381; ++i)
        EXPECT_EQ(image[i], 0xFF) << i;
    for (int i = 382; i < 1920; ++i)
        ASSERT_EQ(image[i], 0) << i;
    EXPECT_EQ(m_pages.Read(), Configuration::FreshStart());
}

TEST_F(Pages, OpeningTheFreshStartFileShowsItsContents)
{
    const std::vector<std::uint8_t> golden = FreshStartFile();
    ASSERT_TRUE(m_pages.ApplyImage(golden, LoadFlavour::File, m_messages));
    EXPECT_TRUE(m_messages.Entries().empty());
    EXPECT_TRUE(m_pageMessages.Entries().empty());

    const CDirectionWnd& directions = m_tabs.DirectionPage();
    EXPECT_EQ(CountCells(*directions.PhaseMinTime(), 1, QString()), 8);
    EXPECT_EQ(directions.CircularRed()->text(), U("0"));
    EXPECT_TRUE(directions.Master()->isChecked());
    EXPECT_TRUE(directions.SyncDelay()->text().isEmpty());
    EXPECT_TRUE(directions.SyncDelay()->isReadOnly());
    EXPECT_FALSE(directions.SyncCaption()->isEnabled());
    const ARecordList& table = *directions.Directions();
    for (int d = 0; d < 24; ++d) {
        for (int p = 1; p <= 8; ++p)
            EXPECT_EQ(table.GetCellText(d, p), QString());
        for (int s = 9; s <= 13; ++s)
            EXPECT_EQ(table.GetCellText(d, s), U("0"));
    }
    const char* const codes[] = {"РУП", "РУС", "ЗУ", "ДУ", "КУ", "ПР0", "ТВП", "МГР", "ЛС", "РП"};
    for (int r = 0; r < 10; ++r) {
        EXPECT_EQ(directions.Priority()->GetCellText(r, 0), QString::number(r + 1));
        EXPECT_EQ(directions.Priority()->GetCellText(r, 1), U(codes[r]));
    }
    const ARecordList& programs = *m_tabs.ProgramPage().Programs();
    for (int i = 1; i <= 9; ++i)
        for (int p = 0; p < 8; ++p) {
            EXPECT_EQ(programs.GetCellText(p, 3 * i - 2), U("0"));
            EXPECT_EQ(programs.GetCellText(p, 3 * i - 1), QString());
            EXPECT_EQ(programs.GetCellText(p, 3 * i), QString());
        }
    for (int day = 0; day < 7; ++day)
        EXPECT_EQ(m_tabs.GraficPage().Day(day).SwitchPointCount(), 0);
    EXPECT_EQ(CountCells(*m_tabs.OutputPage().LampOutput(), 2, U("X")), 0);
    EXPECT_EQ(CountCells(*m_tabs.OutputPage().WaitBoard(), 1, U("X")), 0);
    EXPECT_EQ(CountCells(*m_tabs.MeasurePage().RedSensor(), 1, U("X")), 0);
    EXPECT_EQ(CountCells(*m_tabs.MeasurePage().GreenSensor(), 1, U("X")), 0);
    const ARecordList& minimum = *m_tabs.ConfigPage().MinSignalTime();
    const ARecordList& inter = *m_tabs.ConfigPage().InterGreen();
    EXPECT_EQ(CountCells(minimum, 1, QString()), 48);
    EXPECT_EQ(CountCells(inter, 1, QString()), 576);
    EXPECT_TRUE(directions.AccountRecord()->text().isEmpty());
    // And it saves back to itself.
    EXPECT_EQ(ToVector(m_pages.BuildImage()), golden);
}

TEST_F(Pages, TheMemoryShowsZerosInTheZadTables)
{
    ASSERT_TRUE(m_pages.ApplyImage(FreshStartFile(), LoadFlavour::Memory, m_messages));
    const ARecordList& minimum = *m_tabs.ConfigPage().MinSignalTime();
    const ARecordList& inter = *m_tabs.ConfigPage().InterGreen();
    EXPECT_EQ(CountCells(minimum, 1, U("0")), 48);
    EXPECT_EQ(CountCells(inter, 1, U("0")), 576);
    // The phase minimum times stay empty either way.
    EXPECT_EQ(CountCells(*m_tabs.DirectionPage().PhaseMinTime(), 1, QString()), 8);
    // A value that is not zero reads the same from both.
    std::vector<std::uint8_t> image = FreshStartFile();
    image[1136 + 24 + 4] = 17; // green minimum of direction 5
    image[1184 + 24 * 2 + 3] = 9; // row 3, column 4
    ASSERT_TRUE(m_pages.ApplyImage(image, LoadFlavour::File, m_messages));
    EXPECT_EQ(minimum.GetCellText(1, 5), U("17"));
    EXPECT_EQ(minimum.GetCellText(1, 4), QString());
    EXPECT_EQ(inter.GetCellText(2, 4), U("9"));
    EXPECT_EQ(inter.GetCellText(2, 3), QString());
}

TEST_F(Pages, ASyncByteOf200IsRefusedByThePageDuringTheLoad)
{
    std::vector<std::uint8_t> image = FreshStartFile();
    image[81] = 200;
    ASSERT_TRUE(m_pages.ApplyImage(image, LoadFlavour::File, m_messages));
    const CDirectionWnd& directions = m_tabs.DirectionPage();
    EXPECT_FALSE(directions.Master()->isChecked());
    EXPECT_FALSE(directions.SyncDelay()->isReadOnly());
    EXPECT_TRUE(directions.SyncCaption()->isEnabled());
    EXPECT_EQ(directions.SyncDelay()->text(), U("0"));
    // The decoder's note first, then the page's own check, both to the loading user.
    const std::vector<std::string> texts = m_messages.Texts();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back(), "Значение должно быть меньше 128");
    EXPECT_TRUE(m_pageMessages.Entries().empty());
    EXPECT_EQ(m_pages.BuildImage()[81], 0);

    // A sync byte of 127 is taken as it is.
    image[81] = 127;
    m_messages.Clear();
    ASSERT_TRUE(m_pages.ApplyImage(image, LoadFlavour::File, m_messages));
    EXPECT_TRUE(m_messages.Entries().empty());
    EXPECT_EQ(directions.SyncDelay()->text(), U("127"));
    EXPECT_EQ(m_pages.BuildImage()[81], 127);
}

TEST_F(Pages, SpelledOutSections)
{
    // Direction 1 in phases 1 and 3 with steps 3, 3, 3, 2, 2.
    ARecordList& table = *m_tabs.DirectionPage().Directions();
    table.SetCheck(0, 1, true);
    table.SetCheck(0, 3, true);
    const char* const steps[] = {"3", "3", "3", "2", "2"};
    for (int s = 0; s < 5; ++s)
        table.SetCellText(0, 9 + s, U(steps[s]));
    // Output 9 drives the yellow lamp of direction 1.
    m_tabs.OutputPage().LampOutput()->SetCheck(1, 10, true);
    // Monday: program 2 at 06:00, yellow at 22:30.
    CScheduleWnd::SlotArray monday{};
    monday[12] = 2;
    monday[45] = 10;
    m_tabs.GraficPage().Day(0).SetSlots(monday);
    // "ТВП" up to priority 2.
    CDirectionWnd& directions = m_tabs.DirectionPage();
    directions.Priority()->SetCurSel(6);
    for (int i = 0; i < 5; ++i)
        directions.OnPriorityMove(-1);
    // Program 3: "ТВП1" checked in phase 5 and, later in the column, phase 7 (the last counts).
    m_tabs.ProgramPage().Programs()->SetCheck(4, 8, true);
    m_tabs.ProgramPage().Programs()->SetCheck(6, 8, true);
    // A cell with text after its number reads as the number.
    m_tabs.ConfigPage().InterGreen()->SetCellText(0, 1, U("12abc"));

    const ImageBytes image = m_pages.BuildImage();
    const std::uint8_t direction[] = {0x05, 0x03, 0x03, 0x03, 0x02, 0x02};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(image[82 + i], direction[i]) << i;
    EXPECT_EQ(image[633], 0x01);
    const std::uint8_t day[] = {0x02, 0x0C, 0x00, 0x2D};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(image[226 + i], day[i]);
    for (int i = 230; i < 246; ++i)
        EXPECT_EQ(image[i], 0xFF);
    const std::uint8_t priorities[] = {0x01, 0x03, 0x04, 0x05, 0x06, 0x07, 0x02, 0x08, 0x09, 0x0A};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(image[366 + i], priorities[i]) << i;
    EXPECT_EQ(image[382 + 2], 7);
    EXPECT_EQ(image[1184], 12);

    // Reading the bytes back rebuilds the same priority table.
    ASSERT_TRUE(m_pages.ApplyImage(FreshStartFile(), LoadFlavour::File, m_messages));
    ASSERT_TRUE(m_pages.ApplyImage(image, LoadFlavour::File, m_messages));
    const char* const codes[] = {"РУП", "ТВП", "РУС", "ЗУ", "ДУ", "КУ", "ПР0", "МГР", "ЛС", "РП"};
    for (int r = 0; r < 10; ++r)
        EXPECT_EQ(directions.Priority()->GetCellText(r, 1), U(codes[r]));
    EXPECT_EQ(m_tabs.GraficPage().Day(0).DaySlots(), monday);
    EXPECT_EQ(m_tabs.ProgramPage().Programs()->GetCellText(6, 8), U("X"));
    EXPECT_EQ(m_tabs.ProgramPage().Programs()->GetCellText(4, 8), QString());
}

TEST_F(Pages, AccountRecordOf115CharactersAndItsTrim)
{
    QLineEdit* account = m_tabs.DirectionPage().AccountRecord();
    account->setText(QString(115, QChar(0x042F))); // "Я", 0xDF
    ImageBytes image = m_pages.BuildImage();
    for (int i = 1760; i < 1875; ++i)
        ASSERT_EQ(image[i], 0xDF) << i;
    for (int i = 1875; i < 1920; ++i)
        ASSERT_EQ(image[i], 0) << i;

    // A stored record longer than the page keeps is cut when loaded, with the page's message.
    for (int i = 1875; i < 1900; ++i)
        image[i] = 'a';
    ASSERT_TRUE(m_pages.ApplyImage(image, LoadFlavour::Memory, m_messages));
    EXPECT_EQ(account->text(), QString(115, QChar(0x042F)));
    EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{"Должно быть не более 115 символов"});
}

TEST_F(Pages, ProblemsAreShownInOneMessageBeforeAnythingIsApplied)
{
    // Records, with each message, what the page showed at that moment.
    class Watching final : public Messages {
    public:
        explicit Watching(QLineEdit* edit) : m_edit(edit) {}
        void Show(const std::string& text, MessageIcon) override { shown.push_back({text, m_edit->text()}); }
        bool Ask(const std::string&, MessageIcon) override { return true; }
        std::vector<std::pair<std::string, QString>> shown;

    private:
        QLineEdit* m_edit;
    } watching(m_tabs.DirectionPage().CircularRed());

    std::vector<std::uint8_t> image = FreshStartFile();
    image[0] = 77;
    image[226] = 3;
    image[227] = 60; // a slot past the day
    image[382] = 12; // a "ТВП1" phase past 8
    ASSERT_TRUE(m_pages.ApplyImage(image, LoadFlavour::File, watching));
    ASSERT_EQ(watching.shown.size(), 1U);
    EXPECT_TRUE(watching.shown[0].second.isEmpty()); // nothing applied yet
    EXPECT_NE(watching.shown[0].first.find('\n'), std::string::npos); // both problems, one box
    EXPECT_EQ(m_tabs.DirectionPage().CircularRed()->text(), U("77"));
    EXPECT_EQ(m_tabs.GraficPage().Day(0).SwitchPointCount(), 0);

    // A short image is refused and changes nothing.
    const ImageBytes before = m_pages.BuildImage();
    watching.shown.clear();
    const std::vector<std::uint8_t> shortImage(1000, 0x11);
    EXPECT_FALSE(m_pages.ApplyImage(shortImage, LoadFlavour::Memory, watching));
    EXPECT_EQ(watching.shown.size(), 1U);
    EXPECT_EQ(m_pages.BuildImage(), before);
}

TEST_F(Pages, RandomConfigurationsGoThroughThePagesUnchanged)
{
    std::mt19937 rng(20261207);
    for (int round = 0; round < 40; ++round) {
        const Configuration c = RandomConfiguration(rng);
        ASSERT_TRUE(ConfigurationImage::Validate(c).empty()) << round;
        const LoadFlavour flavour = round % 2 ? LoadFlavour::File : LoadFlavour::Memory;
        m_pages.Write(c, flavour);
        ASSERT_EQ(m_pages.Read(), c) << round;
        const ImageBytes image = m_pages.BuildImage();
        ASSERT_EQ(image, ConfigurationImage::Encode(c)) << round;
        // And through the image.
        ASSERT_TRUE(m_pages.ApplyImage(image, flavour, m_messages));
        ASSERT_EQ(m_pages.Read(), c) << round;
    }
    EXPECT_TRUE(m_messages.Entries().empty());
    EXPECT_TRUE(m_pageMessages.Entries().empty());
}

// The grids have no boxes of their own: what their editing says goes to the messages the tab
// host was given, on every page that holds numbers.
TEST_F(Pages, AGridsValueOver255IsToldThroughTheHostsMessages)
{
    struct Cell {
        int tab;
        ARecordList* grid;
        int row;
        int column;
    };
    const Cell cells[] = {
        {CTabs::DirectionsTab, m_tabs.DirectionPage().PhaseMinTime(), 0, 1},
        {CTabs::DirectionsTab, m_tabs.DirectionPage().Directions(), 0, 9},
        {CTabs::ProgramsTab, m_tabs.ProgramPage().Programs(), 0, 1},
        {CTabs::ZadTab, m_tabs.ConfigPage().MinSignalTime(), 0, 1},
        {CTabs::ZadTab, m_tabs.ConfigPage().InterGreen(), 0, 1},
    };
    ASSERT_TRUE(test::ShowAndActivate(&m_tabs));
    for (const Cell& cell : cells) {
        ASSERT_NE(cell.grid, nullptr);
        SCOPED_TRACE(cell.grid->ControlId());
        m_pageMessages.Clear();
        m_tabs.SelectPage(cell.tab);
        cell.grid->BeginEdit(cell.row, cell.column);
        ASSERT_NE(cell.grid->EditorObject(), nullptr);
        QLineEdit* line = cell.grid->EditorObject()->LineEdit();
        ASSERT_NE(line, nullptr);
        line->setFocus();
        line->selectAll();
        test::Type(line, QStringLiteral("300"));
        test::Key(line, Qt::Key_Return);
        ASSERT_TRUE(test::PumpUntil([&] { return cell.grid->EditorObject() == nullptr; }));
        EXPECT_EQ(m_pageMessages.Texts(), std::vector<std::string>{"Значение должно быть меньше 256!"});
    }
}
