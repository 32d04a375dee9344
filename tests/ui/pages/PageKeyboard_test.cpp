// Keyboard on the editor pages: Tab goes through a page's controls in template order, into and
// out of its tables; every control shows that it has the focus; the cursor scrolls a table and
// its companion strip.
#include "forms/AFormWnd.h"
#include "grid/ARecordList.h"
#include "pages/ConfigWnd.h"
#include "pages/DirectionWnd.h"
#include "pages/MeasureWnd.h"
#include "pages/OutputWnd.h"
#include "pages/ProgramWnd.h"

#include "support/WindowInput.h"
#include "support/RecordingMessages.h"

#include <QApplication>
#include <QImage>

#include <gtest/gtest.h>

#include <memory>

using namespace vlk;
using namespace vlk::test;

namespace {

// The page's direct child that holds the focus (a grid's editor counts as its grid).
int FocusedId(const AFormWnd& page)
{
    QWidget* w = QApplication::focusWidget();
    while (w && w->parentWidget() != &page)
        w = w->parentWidget();
    return w ? AFormWnd::ItemId(w) : 0;
}

std::vector<int> TabWalk(const AFormWnd& page, int steps, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    std::vector<int> ids;
    for (int i = 0; i < steps; ++i) {
        Key(&page, Qt::Key_Tab, mods);
        ids.push_back(FocusedId(page));
    }
    return ids;
}

} // namespace

TEST(PageKeyboard, TabGoesThroughTheDirectionsPageInTemplateOrderAndThroughItsTables)
{
    RecordingMessages messages;
    CDirectionWnd page(messages);
    page.resize(1024, 700);
    ASSERT_TRUE(ShowAndActivate(&page));
    auto* minTimes = page.Item<ARecordList>(1001);
    auto* directions = page.Item<ARecordList>(1003);
    Click(minTimes->viewport(), CentreOf(minTimes->GetCellRect(0, 1)));
    ASSERT_EQ(FocusedId(page), 1001);
    EXPECT_EQ(TabWalk(page, 7), (std::vector<int>{1002, 1013, 1007, 1008, 1012, 1003, 1001}));
    EXPECT_EQ(TabWalk(page, 7, Qt::ShiftModifier), (std::vector<int>{1003, 1012, 1008, 1007, 1013, 1002, 1001}));

    // Into the directions table: the cursor is on its first cell at once.
    Key(&page, Qt::Key_Tab, Qt::ShiftModifier);
    ASSERT_EQ(FocusedId(page), 1003);
    EXPECT_EQ(directions->GetCursorCell(), (CellPos{0, 1}));
    // While a cell is edited Tab stays in the table, moving on; then the next Tab leaves it.
    Key(&page, Qt::Key_End);
    Type(&page, QStringLiteral("4"));
    ASSERT_NE(directions->Editor(), nullptr);
    Key(&page, Qt::Key_Tab);
    EXPECT_EQ(FocusedId(page), 1003);
    EXPECT_EQ(directions->Editor(), nullptr);
    EXPECT_EQ(directions->GetCellText(0, 13), QStringLiteral("4"));
    EXPECT_EQ(directions->GetCursorCell(), (CellPos{1, 1}));
    Key(&page, Qt::Key_Tab);
    EXPECT_EQ(FocusedId(page), 1001);
    // The phase table: Tab from the only editable column's edit goes down the column.
    Type(&page, QStringLiteral("7"));
    Key(&page, Qt::Key_Tab);
    EXPECT_EQ(minTimes->GetCellText(0, 1), QStringLiteral("7"));
    EXPECT_EQ(minTimes->GetCursorCell(), (CellPos{1, 1}));
    EXPECT_TRUE(messages.Texts().empty());
}

TEST(PageKeyboard, EveryControlThatTakesTheFocusShowsIt)
{
    RecordingMessages messages;
    std::vector<std::unique_ptr<AFormWnd>> pages;
    pages.push_back(std::make_unique<CDirectionWnd>(messages));
    pages.push_back(std::make_unique<CProgramWnd>(messages));
    pages.push_back(std::make_unique<COutputWnd>(messages));
    pages.push_back(std::make_unique<CMeasureWnd>(messages));
    pages.push_back(std::make_unique<CConfigWnd>(messages));
    for (auto& page : pages) {
        SCOPED_TRACE(page->metaObject()->className());
        page->resize(1024, 700);
        ASSERT_TRUE(ShowAndActivate(page.get()));
        QWidget* first = nullptr;
        for (QWidget* child : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child->isVisible() && child->isEnabled() && (child->focusPolicy() & Qt::TabFocus)) {
                first = child;
                break;
            }
        }
        ASSERT_NE(first, nullptr);
        first->setFocus(Qt::TabFocusReason);
        QWidget* control = first;
        int visited = 0;
        do {
            ASSERT_TRUE(PumpUntil([&] { return control->hasFocus() || control->isAncestorOf(QApplication::focusWidget()); }));
            const QImage focused = control->grab().toImage();
            Key(page.get(), Qt::Key_Tab);
            QWidget* next = QApplication::focusWidget();
            while (next && next->parentWidget() != page.get())
                next = next->parentWidget();
            ASSERT_NE(next, nullptr);
            if (next == control) // the page's only control: let the focus go elsewhere
                control->clearFocus();
            QApplication::processEvents();
            EXPECT_NE(control->grab().toImage(), focused) << "control " << AFormWnd::ItemId(control);
            if (next == control)
                next->setFocus(Qt::TabFocusReason);
            control = next;
            ++visited;
        } while (control != first && visited < 20);
        EXPECT_EQ(control, first);
        page->hide();
    }
}

TEST(PageKeyboard, TheCursorScrollsTheProgramTableAndItsStripFollows)
{
    RecordingMessages messages;
    CProgramWnd page(messages);
    page.resize(640, 500);
    ASSERT_TRUE(ShowAndActivate(&page));
    ARecordList& table = *page.Programs();
    const ARecordList& strip = *page.Strip();
    Click(table.viewport(), CentreOf(table.GetCellRect(0, 1)));
    Key(&page, Qt::Key_End);
    EXPECT_EQ(table.GetCursorCell(), (CellPos{0, 27}));
    ASSERT_GT(table.HorizontalPosition(), 0);
    EXPECT_EQ(strip.HorizontalPosition(), table.HorizontalPosition());
    Key(&page, Qt::Key_Home);
    EXPECT_EQ(table.HorizontalPosition(), 0);
    EXPECT_EQ(strip.HorizontalPosition(), 0);
}
