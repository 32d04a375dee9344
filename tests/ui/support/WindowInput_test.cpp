#include "support/WindowInput.h"

#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <gtest/gtest.h>

using namespace vlk::test;

// The helper must let a covering widget take the click, as it would take the user's.
TEST(WindowInput, ClickGoesThroughTheWindowsHitTest)
{
    QWidget form;
    form.resize(300, 200);
    auto* covered = new QPushButton(QStringLiteral("под"), &form);
    covered->setGeometry(10, 10, 100, 30);
    auto* cover = new QWidget(&form);
    cover->setGeometry(0, 0, 150, 60); // created later: stacked above the button
    auto* free = new QPushButton(QStringLiteral("свободна"), &form);
    free->setGeometry(10, 100, 100, 30);
    int coveredClicks = 0;
    int freeClicks = 0;
    QObject::connect(covered, &QPushButton::clicked, [&] { ++coveredClicks; });
    QObject::connect(free, &QPushButton::clicked, [&] { ++freeClicks; });
    ASSERT_TRUE(ShowAndActivate(&form));

    EXPECT_FALSE(Reaches(covered));
    EXPECT_EQ(WidgetAt(covered, CentreOf(covered)), cover);
    Click(covered);
    EXPECT_EQ(coveredClicks, 0);

    EXPECT_TRUE(Reaches(free));
    Click(free);
    EXPECT_EQ(freeClicks, 1);

    cover->lower();
    EXPECT_TRUE(Reaches(covered));
    Click(covered);
    EXPECT_EQ(coveredClicks, 1);
}

TEST(WindowInput, KeysGoToTheFocusWidgetOfTheWindow)
{
    QWidget form;
    form.resize(300, 100);
    auto* first = new QLineEdit(&form);
    first->setGeometry(10, 10, 100, 24);
    auto* second = new QLineEdit(&form);
    second->setGeometry(10, 50, 100, 24);
    ASSERT_TRUE(ShowAndActivate(&form));

    Click(second);
    Type(&form, QStringLiteral("12 Ж"));
    EXPECT_EQ(second->text(), QStringLiteral("12 Ж"));
    EXPECT_TRUE(first->text().isEmpty());
    Key(&form, Qt::Key_Backspace);
    EXPECT_EQ(second->text(), QStringLiteral("12 "));
}
