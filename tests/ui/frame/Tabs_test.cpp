#include "frame/Tabs.h"

#include "forms/FormResources.h"
#include "support/RecordingMessages.h"
#include "support/WindowInput.h"

#include <QDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace vlk;
using namespace vlk::test;

namespace {

// Counts the events of one kind that a window receives.
class EventCounter : public QObject {
public:
    EventCounter(QWidget* target, QEvent::Type type) : m_type(type) { target->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == m_type)
            ++count;
        return false;
    }

private:
    QEvent::Type m_type;
};

int VisiblePages(const CTabs& tabs)
{
    int visible = 0;
    for (int i = 0; i < tabs.PageCount(); ++i)
        visible += tabs.Page(i).window->isVisible() ? 1 : 0;
    return visible;
}

} // namespace

class TabsTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_tabs.resize(1024, 700);
        ASSERT_TRUE(ShowAndActivate(&m_tabs));
    }
    RecordingMessages m_messages;
    CTabs m_tabs{m_messages};
};

TEST_F(TabsTest, SevenPagesTheDiagramsAndTheCalculationWithTheConsoleInFront)
{
    const char* const labels[] = {"Направления",      "Программы",         "Графики работы",       "Пульт",
                                  "Привязка выходов", "Привязка датчиков", "Конфигурация для ZAD", "Диаграммы",
                                  "Расчёт"};
    ASSERT_EQ(m_tabs.PageCount(), 9);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(m_tabs.Page(i).name, QString::fromUtf8(labels[i]));
    EXPECT_EQ(m_tabs.Page(0).window, &m_tabs.DirectionPage());
    EXPECT_EQ(m_tabs.Page(1).window, &m_tabs.ProgramPage());
    EXPECT_EQ(m_tabs.Page(2).window, &m_tabs.GraficPage());
    EXPECT_EQ(m_tabs.Page(3).window, &m_tabs.DeskPage());
    EXPECT_EQ(m_tabs.Page(4).window, &m_tabs.OutputPage());
    EXPECT_EQ(m_tabs.Page(5).window, &m_tabs.MeasurePage());
    EXPECT_EQ(m_tabs.Page(6).window, &m_tabs.ConfigPage());
    EXPECT_EQ(m_tabs.Page(7).window, &m_tabs.DiagramPage());
    EXPECT_EQ(m_tabs.Page(8).window, &m_tabs.TimingPage());
    EXPECT_EQ(m_tabs.Selected(), 3);
    EXPECT_TRUE(m_tabs.DeskPage().isVisible());
    EXPECT_EQ(VisiblePages(m_tabs), 1);
    // Each page was built from its own template.
    EXPECT_TRUE(m_tabs.DirectionPage().GetDlgItem(1050));
    EXPECT_TRUE(m_tabs.DeskPage().GetDlgItem(1048));
    EXPECT_TRUE(m_tabs.ConfigPage().GetDlgItem(1073));
}

TEST_F(TabsTest, TabsStandSideBySideWithOnePixelGaps)
{
    const QFontMetrics metrics(m_tabs.TabFont());
    int left = 0;
    for (int i = 0; i < m_tabs.PageCount(); ++i) {
        const int labelWidth = metrics.horizontalAdvance(m_tabs.Page(i).name);
        EXPECT_EQ(m_tabs.TabRect(i), QRect(left, 0, labelWidth + 19, 30)) << i;
        left += labelWidth + 20;
    }
    EXPECT_EQ(m_tabs.TabRect(9), QRect());
    EXPECT_EQ(m_tabs.TabRect(-1), QRect());

    const QRect first = m_tabs.TabRect(0);
    const QRect second = m_tabs.TabRect(1);
    const int gap = first.x() + first.width();
    EXPECT_EQ(second.x(), gap + 1);
    EXPECT_EQ(m_tabs.HitTest(QPoint(gap - 1, 10)), 0);
    EXPECT_EQ(m_tabs.HitTest(QPoint(gap, 10)), -1);
    EXPECT_EQ(m_tabs.HitTest(QPoint(gap + 1, 10)), 1);
    EXPECT_EQ(m_tabs.HitTest(QPoint(5, 29)), 0);
    EXPECT_EQ(m_tabs.HitTest(QPoint(5, 30)), -1);
    const QRect last = m_tabs.TabRect(8);
    EXPECT_EQ(m_tabs.HitTest(QPoint(last.x() + last.width() + 5, 10)), -1);
}

TEST_F(TabsTest, ClicksOnGapsAndRightOfTheTabsChangeNothing)
{
    const QRect first = m_tabs.TabRect(0);
    const QRect last = m_tabs.TabRect(8);
    Click(&m_tabs, QPoint(first.x() + first.width(), 10), Qt::LeftButton);
    Click(&m_tabs, QPoint(last.x() + last.width() + 10, 10), Qt::LeftButton);
    EXPECT_EQ(m_tabs.Selected(), 3);
    EXPECT_TRUE(m_tabs.DeskPage().isVisible());
    EXPECT_EQ(VisiblePages(m_tabs), 1);
}

TEST_F(TabsTest, ClickingATabShowsItsPageOnly)
{
    Click(&m_tabs, m_tabs.TabRect(0).center(), Qt::LeftButton);
    EXPECT_EQ(m_tabs.Selected(), 0);
    EXPECT_TRUE(m_tabs.DirectionPage().isVisible());
    EXPECT_FALSE(m_tabs.DeskPage().isVisible());
    EXPECT_EQ(VisiblePages(m_tabs), 1);
    Click(&m_tabs, m_tabs.TabRect(2).center(), Qt::RightButton);
    EXPECT_EQ(m_tabs.Selected(), 0);
    m_tabs.SelectPage(3);
    EXPECT_TRUE(m_tabs.DeskPage().isVisible());
    m_tabs.SelectPage(9); // no such tab
    EXPECT_EQ(m_tabs.Selected(), 3);
}

TEST_F(TabsTest, ReselectingTheSelectedTabNeitherHidesNorRepaints)
{
    QCoreApplication::processEvents();
    EventCounter hides(&m_tabs.DeskPage(), QEvent::Hide);
    EventCounter paints(&m_tabs, QEvent::Paint);
    Click(&m_tabs, m_tabs.TabRect(3).center(), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(hides.count, 0);
    EXPECT_EQ(paints.count, 0);
    EXPECT_EQ(m_tabs.Selected(), 3);

    Click(&m_tabs, m_tabs.TabRect(4).center(), Qt::LeftButton);
    QCoreApplication::processEvents();
    EXPECT_EQ(hides.count, 1);
    EXPECT_GT(paints.count, 0);
}

TEST_F(TabsTest, PagesFillTheAreaUnderTheStripTwoPixelsInside)
{
    // Where every page fits; smaller windows scroll the pages (SmallWindow_test).
    for (const QSize size : {QSize(1024, 700), QSize(1280, 800), QSize(1020, 590)}) {
        m_tabs.resize(size);
        for (int i = 0; i < m_tabs.PageCount(); ++i) {
            const QWidget* page = m_tabs.Page(i).window;
            EXPECT_EQ(QRect(page->mapTo(&m_tabs, QPoint(0, 0)), page->size()),
                      QRect(2, 30, size.width() - 4, size.height() - 32))
                << i;
        }
    }
}

TEST_F(TabsTest, SelectedTabIsDrawnWithThePageTexture)
{
    const QImage image = m_tabs.grab().toImage();
    const QImage selected = FormBitmap(133).toImage();
    const QImage other = FormBitmap(156).toImage();
    // A point inside each tab clear of its label and edges.
    for (int i : {0, 3}) {
        const QRect tab = m_tabs.TabRect(i);
        const QPoint inside(tab.x() + 4, tab.y() + 4);
        const QImage& texture = i == 3 ? selected : other;
        EXPECT_EQ(image.pixel(inside), texture.pixel(4, 4)) << i;
    }
    EXPECT_NE(selected.pixel(4, 4), other.pixel(4, 4));
    // Right of the last tab the strip is silver.
    const QRect last = m_tabs.TabRect(8);
    EXPECT_EQ(QColor(image.pixel(last.x() + last.width() + 20, 10)), QColor(0xC0, 0xC0, 0xC0));
}

