#include "frame/AboutDlg.h"
#include "support/WindowInput.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace vlk {
namespace {

TEST(AboutDlg, ShowsTheVersionAndClosesWithOkOrEscape)
{
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("О программе VLK2.2"));
    QStringList texts;
    bool icon = false;
    for (auto* label : about.findChildren<QLabel*>()) {
        texts << label->text();
        icon |= !label->pixmap().isNull();
    }
    EXPECT_TRUE(texts.contains(QStringLiteral("VLK2.2 Версия 1.0")));
    EXPECT_TRUE(icon);
    EXPECT_EQ(about.OkButton()->text(), QStringLiteral("OK"));

    QTimer::singleShot(0, &about, [&] {
        EXPECT_TRUE(test::ShowAndActivate(&about));
        test::Click(about.OkButton());
    });
    EXPECT_EQ(about.exec(), QDialog::Accepted);
    QTimer::singleShot(0, &about, [&] {
        EXPECT_TRUE(test::ShowAndActivate(&about));
        test::Key(&about, Qt::Key_Escape);
    });
    EXPECT_EQ(about.exec(), QDialog::Rejected);
}

} // namespace
} // namespace vlk
