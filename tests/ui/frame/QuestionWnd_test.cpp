#include "frame/QuestionWnd.h"
#include "support/WindowInput.h"

#include <QPushButton>
#include <QRadioButton>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>

namespace vlk {
namespace {

// Runs the dialog modally and plays `script` once it is up; returns exec()'s result.
template <class Script>
int RunWith(CQuestionWnd& dialog, Script script)
{
    QTimer::singleShot(0, &dialog, [&] {
        EXPECT_TRUE(test::ShowAndActivate(&dialog));
        script();
    });
    return dialog.exec();
}

TEST(QuestionWnd, LooksAsTheStationAlwaysAsked)
{
    CQuestionWnd dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("ВЛК2.2"));
    EXPECT_EQ(dialog.Com1()->text(), QStringLiteral("COM1"));
    EXPECT_EQ(dialog.Com2()->text(), QStringLiteral("COM2"));
    EXPECT_FALSE(dialog.Com1()->isChecked());
    EXPECT_FALSE(dialog.Com2()->isChecked());
    EXPECT_EQ(dialog.OkButton()->text(), QStringLiteral("OK"));
    EXPECT_TRUE(dialog.OkButton()->isDefault());
    EXPECT_EQ(dialog.CancelButton()->text(), QStringLiteral("Отмена"));
    EXPECT_EQ(dialog.ChosenPort(), 0);
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    bool question = false;
    for (auto* label : dialog.findChildren<QLabel*>())
        question |= label->text() == QStringLiteral("Запустить обмен данными через выбранный порт?");
    EXPECT_TRUE(question);
}

TEST(QuestionWnd, ShowsTheDeviceOfEachPort)
{
    setenv("VLK_COM1", "/dev/ttyUSB7", 1);
    unsetenv("VLK_COM2");
    CQuestionWnd dialog;
    QStringList texts;
    for (auto* label : dialog.findChildren<QLabel*>())
        texts << label->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("/dev/ttyUSB7")));
    EXPECT_TRUE(texts.contains(QStringLiteral("/dev/ttyS1")));
    unsetenv("VLK_COM1");
    EXPECT_EQ(CQuestionWnd::DeviceOf(1), QStringLiteral("/dev/ttyS0"));
}

TEST(QuestionWnd, OkWaitsForAPortThenEndsWithIt)
{
    CQuestionWnd dialog;
    bool stayedOpen = false;
    const int result = RunWith(dialog, [&] {
        test::Click(dialog.OkButton());
        stayedOpen = dialog.isVisible();
        test::Click(dialog.Com2());
        test::Click(dialog.OkButton());
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(dialog.ChosenPort(), 2);
}

TEST(QuestionWnd, EnterOnTheDefaultButtonAcceptsOnlyWithAPort)
{
    CQuestionWnd dialog;
    bool stayedOpen = false;
    const int result = RunWith(dialog, [&] {
        test::Key(&dialog, Qt::Key_Return);
        stayedOpen = dialog.isVisible();
        test::Click(dialog.Com1());
        test::Key(&dialog, Qt::Key_Return);
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(dialog.ChosenPort(), 1);
}

TEST(QuestionWnd, CancelAndEscapeEndWithCancelWhateverWasChosen)
{
    CQuestionWnd cancelled;
    EXPECT_EQ(RunWith(cancelled,
                      [&] {
                          test::Click(cancelled.Com1());
                          test::Click(cancelled.CancelButton());
                      }),
              QDialog::Rejected);

    CQuestionWnd escaped;
    EXPECT_EQ(RunWith(escaped,
                      [&] {
                          test::Click(escaped.Com2());
                          test::Key(&escaped, Qt::Key_Escape);
                      }),
              QDialog::Rejected);
}

TEST(QuestionWnd, AnotherPortIsChosenByItsAddress)
{
    CQuestionWnd dialog;
    EXPECT_EQ(dialog.Other()->text(), QStringLiteral("Другой порт…"));
    QString emptyHint;
    bool stayedOpen = false;
    const int result = RunWith(dialog, [&] {
        // The choice without an address keeps the dialog open and says what is missing.
        test::Click(dialog.Other());
        test::Click(dialog.OkButton());
        stayedOpen = dialog.isVisible();
        emptyHint = dialog.AddressHint()->text();
        test::Click(dialog.AddressField());
        test::Type(dialog.AddressField(), QStringLiteral("rfc2217://127.0.0.1:7001"));
        test::Key(&dialog, Qt::Key_Return);
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(emptyHint, QStringLiteral("Введите адрес порта"));
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(dialog.ChosenPort(), 3);
    EXPECT_EQ(dialog.Address(), QStringLiteral("rfc2217://127.0.0.1:7001"));
}

TEST(QuestionWnd, TypingAnAddressChoosesItAndABadOneIsRefused)
{
    CQuestionWnd dialog;
    QString hint;
    bool stayedOpen = false;
    const int result = RunWith(dialog, [&] {
        test::Click(dialog.Com1());
        // Typing in the field is choosing the third port; an address without its port number
        // is not taken.
        test::Click(dialog.AddressField());
        test::Type(dialog.AddressField(), QStringLiteral("tcp://cabinet-17"));
        test::Click(dialog.OkButton());
        stayedOpen = dialog.isVisible();
        hint = dialog.AddressHint()->text();
        test::Type(dialog.AddressField(), QStringLiteral(":4001"));
        test::Click(dialog.OkButton());
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(hint, QStringLiteral("Нужен tcp://узел:порт или rfc2217://узел:порт"));
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_FALSE(dialog.Com1()->isChecked());
    EXPECT_TRUE(dialog.Other()->isChecked());
    EXPECT_EQ(dialog.ChosenPort(), 3);
    EXPECT_EQ(dialog.Address(), QStringLiteral("tcp://cabinet-17:4001"));
}

} // namespace
} // namespace vlk
