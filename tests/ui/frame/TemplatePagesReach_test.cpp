// Every control a user can operate on the pages built from templates takes a click at its centre:
// nothing, a frame drawn round it included, lies on top of it.
#include "frame/AboutDlg.h"
#include "frame/QuestionWnd.h"
#include "frame/Tabs.h"
#include "forms/AFormWnd.h"
#include "forms/DialogItem.h"
#include "support/RecordingMessages.h"
#include "support/WindowInput.h"

#include <QAbstractButton>
#include <QLabel>

#include <gtest/gtest.h>

#include <set>

namespace vlk {
namespace {

using namespace vlk::test;

// Everything a template makes but frames and plain labels: buttons, check boxes, clicking
// pictures, edits, combo boxes, spins, grids, and what a page puts in a placeholder's place.
bool Operable(const QWidget* w)
{
    using namespace DialogStyle;
    const QString cls = AFormWnd::ItemClass(w);
    const std::uint32_t style = AFormWnd::ItemStyle(w);
    if (cls == QLatin1String("Button"))
        return (style & ButtonTypeMask) != GroupBox;
    if (cls == QLatin1String("Static"))
        return (style & StaticNotify) != 0;
    return true;
}

QString Describe(const QWidget* w)
{
    QString text;
    if (auto* label = qobject_cast<const QLabel*>(w))
        text = label->text();
    else if (auto* button = qobject_cast<const QAbstractButton*>(w))
        text = button->text();
    else
        text = w->property("title").toString();
    const QString cls = AFormWnd::ItemClass(w).isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                                         : AFormWnd::ItemClass(w);
    return QStringLiteral("%1 %2 '%3'").arg(AFormWnd::ItemId(w)).arg(cls, text);
}

// The operable controls of `page` that a click at their centre does not reach, with what it hits.
QStringList Unreachable(const QWidget& page, const QString& name, std::multiset<int>& checked)
{
    QStringList problems;
    for (QObject* child : page.children()) {
        auto* w = qobject_cast<QWidget*>(child);
        if (!w || w->isWindow() || w->isHidden() || !Operable(w))
            continue;
        checked.insert(AFormWnd::ItemId(w));
        if (!Reaches(w))
            problems << QStringLiteral("%1: %2 is covered by %3").arg(name, Describe(w), Describe(WidgetAt(w, CentreOf(w))));
    }
    return problems;
}

TEST(TemplatePages, EveryOperableControlTakesAClickAtItsCentre)
{
    RecordingMessages messages;
    CTabs tabs(messages);
    for (const QSize size : {QSize(1024, 700), QSize(1280, 800)}) {
        SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height());
        tabs.resize(size);
        ASSERT_TRUE(ShowAndActivate(&tabs));
        QStringList problems;
        for (int i = 0; i < tabs.PageCount(); ++i) {
            Click(&tabs, CentreOf(tabs.TabRect(i)));
            ASSERT_EQ(tabs.Selected(), i);
            const QWidget& page = *tabs.Page(i).window;
            ASSERT_TRUE(page.isVisible()) << i;
            std::multiset<int> checked;
            problems << Unreachable(page, tabs.Page(i).name, checked);
            EXPECT_GE(checked.size(), 2u) << "page " << i << " has controls to check";
            if (i == CTabs::ConsoleTab) {
                // The operator's controls inside the " Управление " frame were among them.
                for (int id : {1040, 1038, 1039, 1030, 1031, 1032, 1033, 1034, 1035, 1036, 1037, 1002, 1003, 1026,
                               1027, 1028, 1020, 1021, 1022})
                    EXPECT_TRUE(checked.count(id)) << id;
            }
        }
        EXPECT_TRUE(problems.isEmpty()) << problems.join(QLatin1Char('\n')).toStdString();
    }
}

// The two dialogs are laid out in code, not from templates; their buttons are checked the same way.
TEST(TemplatePages, DialogButtonsTakeAClickAtTheirCentre)
{
    CQuestionWnd ports;
    CAboutDlg about;
    for (QDialog* dialog : {static_cast<QDialog*>(&ports), static_cast<QDialog*>(&about)}) {
        ASSERT_TRUE(ShowAndActivate(dialog));
        const auto buttons = dialog->findChildren<QAbstractButton*>();
        EXPECT_FALSE(buttons.isEmpty());
        for (const QAbstractButton* button : buttons)
            EXPECT_TRUE(Reaches(button)) << dialog->windowTitle().toStdString() << ": " << button->text().toStdString()
                                         << " is covered by " << Describe(WidgetAt(button, CentreOf(button))).toStdString();
        dialog->hide();
    }
}

} // namespace
} // namespace vlk
