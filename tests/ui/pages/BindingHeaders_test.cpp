// The headers of "Привязка выходов" and "Привязка датчиков" are read whole at the default window
// size: no column is narrower than its title in the grid's font.
#include "frame/MainFrm.h"
#include "e2e/ScriptedDialogs.h"
#include "grid/ARecordList.h"
#include "support/WindowInput.h"
#include "support/RecordingMessages.h"

#include <QFontMetrics>
#include <gtest/gtest.h>

#include <mutex>

namespace vlk {
namespace {

using test::CentreOf;
using test::Click;

TEST(BindingHeaders, EveryTitleFitsItsColumn)
{
    setenv("VLK_COM1", "/nonexistent/vlk-com1", 1);
    RecordingMessages messages;
    test::ScriptedDialogs dialogs;
    CMainFrame frame(messages, dialogs);
    ASSERT_TRUE(test::ShowAndActivate(&frame));
    CTabs& tabs = frame.Tabs();
    const struct {
        int tab;
        ARecordList* grid;
        QString firstTitle;
    } grids[] = {
        {CTabs::OutputsTab, tabs.OutputPage().LampOutput(), QStringLiteral("Направление")},
        {CTabs::SensorsTab, tabs.MeasurePage().RedSensor(), QStringLiteral("Направление")},
        {CTabs::SensorsTab, tabs.MeasurePage().GreenSensor(), QStringLiteral("Направление")},
    };
    for (const auto& g : grids) {
        Click(&tabs, CentreOf(tabs.TabRect(g.tab)));
        ASSERT_NE(g.grid, nullptr);
        ASSERT_TRUE(g.grid->isVisible());
        EXPECT_EQ(g.grid->GetColumnTitle(0), g.firstTitle);
        const QFontMetrics metrics(*g.grid->GetFont());
        for (int c = 0; c < g.grid->GetColumnCount(); ++c) {
            const QString title = g.grid->GetColumnTitle(c);
            if (title.isEmpty())
                continue; // a hidden column
            // The painter keeps two pixels clear on each side of a title.
            EXPECT_GE(g.grid->GetColumnWidth(c) - 4, metrics.horizontalAdvance(title))
                << title.toStdString() << " in column " << c << " of tab " << g.tab;
        }
    }
}

} // namespace
} // namespace vlk
