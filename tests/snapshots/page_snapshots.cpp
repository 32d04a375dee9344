// The pages for a person to look at: every page as built, the editor pages with a configuration in
// them, a day of the schedule chart.
#include "Snapshots.h"
#include "frame/Tabs.h"
#include "pages/ConfigPages.h"
#include "pages/RandomConfiguration.h"
#include "pages/ScheduleWnd.h"
#include "support/WindowInput.h"
#include "support/RecordingMessages.h"

#include <QCoreApplication>
#include <QTest>

#include <random>

using namespace vlk;
using vlk::snapshots::Save;
using vlk::test::RandomConfiguration;

namespace {

class TabsSnapshots : public testing::Test {
protected:
    void SetUp() override
    {
        m_tabs.resize(1024, 700);
        ASSERT_TRUE(test::ShowAndActivate(&m_tabs));
    }
    RecordingMessages m_messages;
    CTabs m_tabs{m_messages};
};

class EditorSnapshots : public testing::Test {
protected:
    void SetUp() override
    {
        m_tabs.resize(1280, 800);
    }
    RecordingMessages m_pageMessages;
    CTabs m_tabs{m_pageMessages};
    ConfigPages m_pages{m_tabs.Pages()};
};

class ScheduleSnapshots : public testing::Test {
protected:
    void SetUp() override
    {
        m_chart.resize(500, 60);
        ASSERT_TRUE(test::ShowAndActivate(&m_chart));
    }
    CScheduleWnd m_chart;
};

} // namespace

// Writes every page as built so far, to be looked at.
TEST_F(TabsSnapshots, EveryPage)
{
    m_tabs.resize(1280, 800);
    const char* const names[] = {"0-directions", "1-programs", "2-schedules", "3-console",
                                 "4-outputs",    "5-sensors",  "6-zad",      "7-diagrams"};
    for (int i = 0; i < m_tabs.PageCount(); ++i) {
        m_tabs.SelectPage(i);
        const QImage image = m_tabs.grab().toImage();
        ASSERT_EQ(image.size(), QSize(1280, 800));
        Save(image, QStringLiteral("page-%1.png").arg(QString::fromLatin1(names[i])));
    }
}

// Pictures of the editor pages with a configuration in them, to be looked at.
TEST_F(EditorSnapshots, EditorPages)
{
    std::mt19937 rng(7);
    Configuration c = RandomConfiguration(rng);
    c.accountRecord = "\xC2\xEB\xE0\xE4\xE8\xEC\xE8\xF0, \xEF\xEB. \xCB\xE5\xED\xE8\xED\xE0"; // "Владимир, пл. Ленина"
    m_pages.Write(c, LoadFlavour::Memory);
    m_tabs.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_tabs));
    const std::pair<int, const char*> pages[] = {{0, "directions"}, {1, "programs"}, {4, "outputs"},
                                                 {5, "sensors"},    {6, "zad"}};
    for (const auto& [index, name] : pages) {
        m_tabs.SelectPage(index);
        // Let the page's grids take their size (and drop scroll bars they no longer need).
        QCoreApplication::processEvents();
        const QImage image = m_tabs.grab().toImage();
        ASSERT_EQ(image.size(), QSize(1280, 800));
        Save(image, QStringLiteral("editor-%1.png").arg(QString::fromLatin1(name)));
    }
}

// A day with switch points, written beside the page snapshots to be looked at.
TEST_F(ScheduleSnapshots, DayChart)
{
    CScheduleWnd::SlotArray day{};
    day[0] = 1;
    day[13] = 2;
    day[14] = 9;
    day[34] = 10;
    day[47] = 5;
    m_chart.SetSlots(day);
    m_chart.resize(820, 66);
    Save(m_chart.grab().toImage(), QStringLiteral("day-chart.png"));
}
