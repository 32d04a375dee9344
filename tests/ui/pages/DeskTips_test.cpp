// The console's buttons say what they send: the tooltip a pointer resting on them brings up.
#include "pages/DeskWnd.h"
#include "support/WindowInput.h"

#include <QHelpEvent>
#include <QToolTip>
#include <gtest/gtest.h>

namespace vlk {
namespace {

// Rests the pointer on `target` and gives the tooltip that comes up ("" when none does).
QString TipUnderPointer(QWidget* target)
{
    test::Move(target, test::CentreOf(target->rect()));
    if (!test::PumpUntil([] { return QToolTip::isVisible(); }, 3000))
        return {};
    const QString text = QToolTip::text();
    QToolTip::hideText();
    test::PumpUntil([] { return !QToolTip::isVisible(); }, 1000);
    return text;
}

TEST(DeskTips, EveryButtonSaysWhatItSends)
{
    CDeskWnd page;
    page.resize(1000, 640);
    ASSERT_TRUE(test::ShowAndActivate(&page));
    const struct {
        int id;
        QString tip;
    } buttons[] = {
        {CDeskWnd::ToggleId, QStringLiteral("Взять управление у контроллера: в ответ на каждый кадр команда 0x40. "
                                            "Повторное нажатие отдаёт управление контроллеру: команда 0x00")},
        {1030, QStringLiteral("Вызов фазы 1: в ответ на каждый кадр команда 0x41 (когда управление взято)")},
        {1037, QStringLiteral("Вызов фазы 8: в ответ на каждый кадр команда 0x48 (когда управление взято)")},
        {1038, QStringLiteral("«ЖМ», жёлтое мигание: в ответ на каждый кадр команда 0x50 (когда управление взято)")},
        {1039, QStringLiteral("«ОС», отключение светофоров: в ответ на каждый кадр команда 0x60 (когда управление "
                              "взято)")},
        {CDeskWnd::TakeClockId,
         QStringLiteral("Взять время и день этого компьютера в поля ниже; контроллеру ничего не отправляется")},
        {CDeskWnd::SendClockId, QStringLiteral("Отправить контроллеру время и день из полей: после следующего кадра "
                                               "сообщение часов (минуты, часы, день)")},
    };
    for (const auto& button : buttons) {
        QWidget* widget = page.GetDlgItem(button.id);
        ASSERT_NE(widget, nullptr) << button.id;
        ASSERT_TRUE(test::Reaches(widget)) << button.id;
        EXPECT_EQ(TipUnderPointer(widget), button.tip) << button.id;
    }
    // Every phase call names its own byte.
    for (int id = 1031; id <= 1036; ++id)
        EXPECT_TRUE(page.GetDlgItem(id)->toolTip().contains(QStringLiteral("0x4%1").arg(id - 1029))) << id;
}

} // namespace
} // namespace vlk
