#include "pages/GraficWnd.h"

#include "forms/DialogClassRegistry.h"

#include <QLabel>

#include <gtest/gtest.h>

using namespace vlk;

namespace {

void ExpectChartsInPlace(const CGraficWnd& page)
{
    const DialogTemplate* dialog = page.Template();
    ASSERT_TRUE(dialog);
    const char* const days[] = {"ПН", "ВТ", "СР", "ЧТ", "ПТ", "СБ", "ВС"};
    const int ids[] = {1069, 1071, 1074, 1075, 1076, 1077, 1078};
    for (int day = 0; day < 7; ++day) {
        const DialogItem* placeholder = dialog->Item(ids[day]);
        ASSERT_TRUE(placeholder);
        EXPECT_EQ(page.Day(day).geometry(), page.DialogItemRect(*placeholder)) << day;
        EXPECT_EQ(page.GetDlgItem(ids[day]), nullptr) << day;
        EXPECT_EQ(page.Day(day).parentWidget(), &page);
        // The day's label stands left of its chart, within its height.
        const QLabel* label = nullptr;
        for (QLabel* l : page.findChildren<QLabel*>())
            if (l->text() == QString::fromUtf8(days[day]))
                label = l;
        ASSERT_TRUE(label) << days[day];
        const QRect chart = page.Day(day).geometry();
        EXPECT_LT(label->geometry().right(), chart.left());
        EXPECT_GE(label->geometry().center().y(), chart.top());
        EXPECT_LE(label->geometry().center().y(), chart.bottom());
    }
}

} // namespace

TEST(GraficWnd, ChartsTakeThePlaceholdersRectangles)
{
    CGraficWnd page;
    ExpectChartsInPlace(page);
}

TEST(GraficWnd, ChartsStandInPlaceEvenWhenThePlaceholderClassIsMissing)
{
    auto& registry = DialogClassRegistry::Instance();
    const auto* grid = registry.Find(QStringLiteral("aRecordList"));
    const auto saved = grid ? std::optional(*grid) : std::nullopt;
    registry.Unregister(QStringLiteral("aRecordList"));
    {
        CGraficWnd page;
        ExpectChartsInPlace(page);
    }
    if (saved)
        registry.Register(QStringLiteral("aRecordList"), *saved);
}

TEST(GraficWnd, ChartsStretchWithThePage)
{
    CGraficWnd page;
    const QSize reference = page.FrameReferenceSize(1072, 1072);
    page.setAttribute(Qt::WA_DontShowOnScreen);
    page.resize(reference);
    page.show();
    const QRect monday = page.Day(0).geometry();
    const QRect sunday = page.Day(6).geometry();
    EXPECT_EQ(monday, page.DialogItemRect(*page.Template()->Item(1069)));

    page.resize(reference * 2);
    const auto near = [](int a, int b) { return std::abs(a - b) <= 1; };
    for (const auto& [before, after] : {std::pair(monday, page.Day(0).geometry()), std::pair(sunday, page.Day(6).geometry())}) {
        EXPECT_TRUE(near(after.x(), before.x() * 2)) << after.x();
        EXPECT_TRUE(near(after.y(), before.y() * 2)) << after.y();
        EXPECT_TRUE(near(after.width(), before.width() * 2)) << after.width();
        EXPECT_TRUE(near(after.height(), before.height() * 2)) << after.height();
    }
}

TEST(GraficWnd, DaysKeepTheirOwnSlots)
{
    CGraficWnd page;
    page.Day(2).DaySlots()[47] = 10;
    page.Day(6).DaySlots()[0] = 9;
    for (int day = 0; day < 7; ++day)
        EXPECT_EQ(page.Day(day).SwitchPointCount(), (day == 2 || day == 6) ? 1 : 0) << day;
}
