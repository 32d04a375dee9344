#include "support/WindowInput.h"

#include <QKeyEvent>
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

// Typed characters carry the key codes a keyboard reports: punctuation by QTest's table, other
// letters as their upper-case code point, a character beyond the basic plane as one key.
TEST(WindowInput, TypedCharactersCarryTheirKeyCodes)
{
    QWidget form;
    form.resize(300, 60);
    auto* edit = new QLineEdit(&form);
    edit->setGeometry(10, 10, 200, 24);
    struct KeyLog : QObject {
        QList<int> keys;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::KeyPress)
                keys << static_cast<QKeyEvent*>(event)->key();
            return false;
        }
    } log;
    edit->installEventFilter(&log);
    ASSERT_TRUE(ShowAndActivate(&form));
    Click(edit);

    const QString text = QStringLiteral("9.5=*ж") + QString::fromUcs4(U"\U0001F600");
    Type(&form, text);
    EXPECT_EQ(edit->text(), text);
    EXPECT_EQ(log.keys, (QList<int>{Qt::Key_9, Qt::Key_Period, Qt::Key_5, Qt::Key_Equal, Qt::Key_Asterisk, 0x0416,
                                    Qt::Key_unknown}));
}
