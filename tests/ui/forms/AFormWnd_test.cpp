#include "forms/AFormWnd.h"
#include "forms/DialogClassRegistry.h"
#include "forms/FormResources.h"
#include "forms/UpDownControl.h"
#include "grid/ACommon.h"
#include "grid/ARecordList.h"
#include "support/WindowInput.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace vlk;

namespace {

DialogTemplate Parse(const char* text)
{
    QString error;
    auto t = DialogTemplate::Parse(QString::fromUtf8(text), &error);
    EXPECT_TRUE(t) << error.toStdString();
    return t.value_or(DialogTemplate{});
}

// Collects the warning lines written while it lives.
class WarningLog {
public:
    WarningLog() { s_lines.clear(), m_previous = qInstallMessageHandler(&Handler); }
    ~WarningLog() { qInstallMessageHandler(m_previous); }
    const QStringList& Lines() const { return s_lines; }

private:
    static void Handler(QtMsgType type, const QMessageLogContext&, const QString& text)
    {
        if (type == QtWarningMsg)
            s_lines << text;
    }
    static inline QStringList s_lines;
    QtMessageHandler m_previous;
};

const char* const kClasses = R"(1 DIALOG 0, 0, 200, 120
CAPTION "Классы"
FONT 8, "MS Sans Serif"
BEGIN
    CONTROL " Рамка ", 10, "Button", BS_GROUPBOX, 4, 4, 192, 112
    CONTROL "Флажок", 11, "Button", BS_AUTOCHECKBOX | WS_TABSTOP, 8, 14, 60, 10
    CONTROL "Выбор", 12, "Button", BS_AUTORADIOBUTTON, 8, 26, 60, 10
    CONTROL "Кнопка", 13, "Button", BS_PUSHBUTTON | WS_TABSTOP, 8, 38, 50, 14
    CONTROL "12", 14, "Edit", ES_CENTER | ES_NUMBER | ES_READONLY | WS_TABSTOP, 70, 14, 40, 14
    CONTROL "Надпись", 15, "Static", SS_LEFT, 70, 32, 40, 8
    CONTROL 133, 16, "Static", SS_BITMAP | SS_CENTERIMAGE | SS_NOTIFY, 120, 14, 30, 30
    CONTROL "", 17, "ListBox", WS_TABSTOP, 8, 60, 50, 40
    CONTROL "", 18, "ComboBox", CBS_DROPDOWNLIST | WS_TABSTOP, 70, 60, 50, 80
    CONTROL "", 19, "msctls_updown32", UDS_ARROWKEYS, 160, 14, 10, 30
    CONTROL "", 20, "Sparkle", 0, 160, 60, 20, 20
    CONTROL "Заголовок\tВторой", 21, "aRecordList", WS_TABSTOP, 120, 60, 70, 40
END
)";

} // namespace

class AFormWndTest : public testing::Test {
protected:
};

TEST_F(AFormWndTest, BuildsEachTemplateClassAndWarnsOfAnUnknownOne)
{
    AFormWnd page;
    WarningLog log;
    const QSize size = page.CreateDlgItems(Parse(kClasses));

    const QSize units = page.BaseUnits();
    ASSERT_GT(units.width(), 0);
    ASSERT_GT(units.height(), 0);
    EXPECT_EQ(size, QSize(200 * units.width() / 4, 120 * units.height() / 8));
    EXPECT_EQ(page.windowTitle(), QString::fromUtf8("Классы"));

    ASSERT_EQ(log.Lines().size(), 1);
    EXPECT_EQ(log.Lines()[0], QString::fromUtf8("Предупреждение: AFormWnd::CreateDlgItems, Ошибка создания класса Sparkle"));
    EXPECT_EQ(page.GetDlgItem(20), nullptr);

    auto* frame = page.Item<QGroupBox>(10);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->title(), QString::fromUtf8(" Рамка "));
    EXPECT_EQ(frame->geometry(), QRect(4 * units.width() / 4, 4 * units.height() / 8, 192 * units.width() / 4,
                                       112 * units.height() / 8));
    EXPECT_TRUE(page.Item<QCheckBox>(11));
    EXPECT_TRUE(page.Item<QRadioButton>(12));
    ASSERT_TRUE(page.Item<QPushButton>(13));
    EXPECT_EQ(page.Item<QPushButton>(13)->text(), QString::fromUtf8("Кнопка"));

    auto* edit = page.Item<QLineEdit>(14);
    ASSERT_TRUE(edit);
    EXPECT_EQ(edit->text(), QStringLiteral("12"));
    EXPECT_TRUE(edit->isReadOnly());
    EXPECT_TRUE(edit->alignment() & Qt::AlignHCenter);
    QString typed = QStringLiteral("1a");
    int at = 0;
    EXPECT_EQ(edit->validator()->validate(typed, at), QValidator::Invalid);
    EXPECT_EQ(page.FormFont(), edit->font());

    auto* text = page.Item<QLabel>(15);
    ASSERT_TRUE(text);
    EXPECT_EQ(text->text(), QString::fromUtf8("Надпись"));
    auto* picture = page.Item<QLabel>(16);
    ASSERT_TRUE(picture);
    EXPECT_FALSE(picture->pixmap().isNull());
    EXPECT_EQ(picture->pixmap().toImage(), FormBitmap(133).toImage());

    EXPECT_TRUE(page.Item<QListWidget>(17));
    auto* combo = page.Item<QComboBox>(18);
    ASSERT_TRUE(combo);
    EXPECT_FALSE(combo->isEditable());
    // The template's height covers the open list; the closed field is what stands on the page.
    EXPECT_LT(combo->height(), 80 * units.height() / 8);
    EXPECT_TRUE(page.Item<UpDownControl>(19));

    // The grid, with the item's text handed to it as header text.
    auto* grid = page.Item<ARecordList>(21);
    ASSERT_TRUE(grid);
    EXPECT_TRUE(grid->GetColumnTitle(0).startsWith(QString::fromUtf8("Заголовок")));
    EXPECT_EQ(grid->ControlId(), 21);
    EXPECT_EQ(AFormWnd::ItemClass(grid), QStringLiteral("aRecordList"));
    // The grid keeps its own font.
    EXPECT_NE(grid->font(), page.FormFont());
}

TEST_F(AFormWndTest, KeepsAnExistingTitle)
{
    AFormWnd page;
    page.setWindowTitle(QStringLiteral("mine"));
    page.CreateDlgItems(Parse(kClasses));
    EXPECT_EQ(page.windowTitle(), QStringLiteral("mine"));
}

TEST_F(AFormWndTest, StretchesFramesAndGridsButKeepsLabelsAndButtons)
{
    AFormWnd page;
    page.CreateDlgItems(Parse(kClasses));
    page.setAttribute(Qt::WA_DontShowOnScreen);
    page.resize(400, 300);
    page.StoreLayout(400, 300);
    page.show();

    const auto before = [&](int id) { return page.GetDlgItem(id)->geometry(); };
    const QRect frame = before(10), check = before(11), button = before(13), edit = before(14),
                label = before(15), combo = before(18), grid = before(21), spin = before(19);

    page.resize(800, 900);
    const auto after = [&](int id) { return page.GetDlgItem(id)->geometry(); };
    const auto scaled = [](const QRect& r, double sx, double sy) {
        return QRect(QPoint(int(r.x() * sx), int(r.y() * sy)),
                     QPoint(int((r.x() + r.width()) * sx) - 1, int((r.y() + r.height()) * sy) - 1));
    };
    // Frames, grids, check boxes and other classes stretch both ways.
    EXPECT_EQ(after(10), scaled(frame, 2, 3));
    EXPECT_EQ(after(21), scaled(grid, 2, 3));
    EXPECT_EQ(after(11), scaled(check, 2, 3));
    EXPECT_EQ(after(19), scaled(spin, 2, 3));
    // Edits and combo boxes stretch in width only.
    EXPECT_EQ(after(14), QRect(scaled(edit, 2, 3).topLeft(), QSize(scaled(edit, 2, 3).width(), edit.height())));
    EXPECT_EQ(after(18), QRect(scaled(combo, 2, 3).topLeft(), QSize(scaled(combo, 2, 3).width(), combo.height())));
    // Labels and push buttons keep their size and only move.
    EXPECT_EQ(after(15), QRect(scaled(label, 2, 3).topLeft(), label.size()));
    EXPECT_EQ(after(13), QRect(scaled(button, 2, 3).topLeft(), button.size()));

    // Back to the reference size, everything is where the template put it.
    page.resize(400, 300);
    EXPECT_EQ(after(10), frame);
    EXPECT_EQ(after(14), edit);
}

TEST_F(AFormWndTest, SkipsAControlDestroyedAfterStoreLayout)
{
    AFormWnd page;
    page.CreateDlgItems(Parse(kClasses));
    page.setAttribute(Qt::WA_DontShowOnScreen);
    page.resize(400, 300);
    page.StoreLayout(400, 300);
    page.show();
    delete page.GetDlgItem(21);
    const QRect frame = page.GetDlgItem(10)->geometry();
    page.resize(800, 600);
    EXPECT_EQ(page.GetDlgItem(21), nullptr);
    EXPECT_EQ(page.GetDlgItem(10)->width(), (frame.x() + frame.width()) * 2 - frame.x() * 2);
}

TEST_F(AFormWndTest, ReferenceSizeComesFromTheFrames)
{
    AFormWnd page;
    page.CreateDlgItems(Parse(R"(1 DIALOG 0, 0, 300, 200
FONT 8, "MS Sans Serif"
BEGIN
    CONTROL "a", 1, "Button", BS_GROUPBOX, 8, 6, 100, 50
    CONTROL "b", 2, "Button", BS_GROUPBOX, 8, 60, 200, 100
END
)"));
    const QRect top = page.GetDlgItem(1)->geometry();
    const QRect low = page.GetDlgItem(2)->geometry();
    EXPECT_EQ(page.FrameReferenceSize(2, 1), QSize(low.x() + low.width() + top.x(), low.y() + low.height() + top.y()));
    EXPECT_EQ(page.FrameReferenceSize(2, 99), QSize());
}

TEST_F(AFormWndTest, TabAndShiftTabMoveBetweenTabStopsAndSelectEdits)
{
    AFormWnd page;
    page.CreateDlgItems(Parse(R"(1 DIALOG 0, 0, 200, 100
FONT 8, "MS Sans Serif"
BEGIN
    CONTROL "один", 1, "Edit", WS_TABSTOP, 4, 4, 60, 14
    CONTROL "надпись", -1, "Static", SS_LEFT, 4, 20, 60, 8
    CONTROL "два", 2, "Edit", WS_TABSTOP, 4, 30, 60, 14
    CONTROL "без остановки", 3, "Edit", 0, 4, 46, 60, 14
    CONTROL "выключено", 4, "Edit", WS_TABSTOP | WS_DISABLED, 4, 62, 60, 14
    CONTROL "", 5, "ComboBox", CBS_DROPDOWN | WS_TABSTOP, 80, 4, 60, 60
    CONTROL "три", 6, "Edit", WS_TABSTOP, 80, 30, 60, 14
END
)"));
    page.resize(400, 200);
    page.show();
    page.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&page));

    auto* one = page.Item<QLineEdit>(1);
    auto* two = page.Item<QLineEdit>(2);
    auto* three = page.Item<QLineEdit>(6);
    auto* combo = page.Item<QComboBox>(5);
    three->setFocus();
    ASSERT_TRUE(three->hasFocus());

    vlk::test::Key(&page, Qt::Key_Tab, Qt::ShiftModifier);
    // Backwards past the editable combo box, which takes the focus as a whole.
    EXPECT_TRUE(combo->hasFocus() || combo->isAncestorOf(QApplication::focusWidget()));
    vlk::test::Key(&page, Qt::Key_Tab, Qt::ShiftModifier);
    // The disabled edit and the one without a tab stop are passed over; the text is selected.
    EXPECT_TRUE(two->hasFocus());
    EXPECT_EQ(two->selectedText(), QString::fromUtf8("два"));

    vlk::test::Key(&page, Qt::Key_Backtab);
    EXPECT_TRUE(one->hasFocus());
    EXPECT_EQ(one->selectedText(), QString::fromUtf8("один"));

    // Backwards from the first wraps to the last; forwards from the last wraps to the first.
    vlk::test::Key(&page, Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_TRUE(three->hasFocus());
    vlk::test::Key(&page, Qt::Key_Tab);
    EXPECT_TRUE(one->hasFocus());

    // From the edit part of the combo box, Tab goes on after the combo box.
    vlk::test::Click(combo->lineEdit());
    ASSERT_TRUE(combo->lineEdit()->hasFocus());
    vlk::test::Key(&page, Qt::Key_Tab);
    EXPECT_TRUE(three->hasFocus());
    EXPECT_EQ(three->selectedText(), QString::fromUtf8("три"));
}

TEST_F(AFormWndTest, PaintsTheTextureUnderLabelsAndFramesButNotUnderEdits)
{
    AFormWnd page;
    page.CreateDlgItems(Parse(R"(1 DIALOG 0, 0, 200, 100
FONT 8, "MS Sans Serif"
BEGIN
    CONTROL "", 1, "Button", BS_GROUPBOX, 4, 4, 190, 90
    CONTROL "", 2, "Static", SS_LEFT, 10, 20, 60, 16
    CONTROL "", 3, "Edit", 0, 100, 20, 60, 14
END
)"));
    page.resize(400, 200);
    const QImage image = page.grab().toImage();
    const QImage texture = FormBitmap(BitmapPageTexture).toImage();
    ASSERT_FALSE(texture.isNull());
    const auto textureAt = [&](QPoint p) { return texture.pixel(p.x() % texture.width(), p.y() % texture.height()); };

    const QPoint inLabel = page.GetDlgItem(2)->geometry().center();
    EXPECT_EQ(image.pixel(inLabel), textureAt(inLabel));
    const QPoint inFrame = page.GetDlgItem(1)->geometry().center() + QPoint(40, 30);
    EXPECT_EQ(image.pixel(inFrame), textureAt(inFrame));
    const QPoint inEdit = page.GetDlgItem(3)->geometry().center();
    EXPECT_NE(image.pixel(inEdit), textureAt(inEdit));
}

TEST_F(AFormWndTest, SetItemBitmapAndClicks)
{
    AFormWnd page;
    page.CreateDlgItems(Parse(kClasses));
    page.resize(400, 300);
    ASSERT_TRUE(vlk::test::ShowAndActivate(&page));

    page.SetItemBitmap(16, BitmapTabTexture);
    EXPECT_EQ(page.Item<QLabel>(16)->pixmap().toImage(), FormBitmap(156).toImage());
    page.SetItemBitmap(4242, BitmapTabTexture); // no such control: nothing happens

    QSignalSpy clicks(&page, &AFormWnd::ItemClicked);
    vlk::test::Click(page.GetDlgItem(16));
    vlk::test::Click(page.GetDlgItem(13));
    vlk::test::Click(page.GetDlgItem(15)); // a plain label reports nothing
    ASSERT_EQ(clicks.size(), 2);
    EXPECT_EQ(clicks[0][0].toInt(), 16);
    EXPECT_EQ(clicks[1][0].toInt(), 13);
}

// As on the console, frames listed after the controls they enclose: the controls still take the
// clicks, the frames lie under them (nested ones above their outer frame) and pass every click on.
TEST_F(AFormWndTest, FramesListedLastLieUnderTheirControlsAndPassClicksOn)
{
    AFormWnd page;
    page.CreateDlgItems(Parse(R"(1 DIALOG 0, 0, 200, 120
FONT 8, "MS Sans Serif"
BEGIN
    CONTROL 133, 1, "Static", SS_BITMAP | SS_CENTERIMAGE | SS_NOTIFY, 20, 20, 30, 20
    CONTROL "Кнопка", 2, "Button", BS_PUSHBUTTON | WS_TABSTOP, 60, 20, 50, 14
    CONTROL "", 3, "Edit", WS_TABSTOP, 20, 70, 60, 14
    CONTROL " Внутри ", 4, "Button", BS_GROUPBOX, 12, 60, 100, 40
    CONTROL " Управление ", 5, "Button", BS_GROUPBOX, 4, 4, 192, 112
    CONTROL "Флажок", 6, "Button", BS_AUTOCHECKBOX | WS_TABSTOP, 120, 70, 60, 10
END
)"));
    page.resize(400, 260);
    ASSERT_TRUE(vlk::test::ShowAndActivate(&page));
    QWidget* outer = page.GetDlgItem(5);
    QWidget* inner = page.GetDlgItem(4);
    ASSERT_TRUE(outer && inner);

    const QObjectList order = page.children();
    EXPECT_EQ(order.indexOf(outer), 0);
    EXPECT_EQ(order.indexOf(inner), 1);
    for (int id : {1, 2, 3, 6}) {
        EXPECT_GT(order.indexOf(page.GetDlgItem(id)), 1) << id;
        EXPECT_TRUE(vlk::test::Reaches(page.GetDlgItem(id))) << id;
    }
    // The tab order is still the template's.
    EXPECT_EQ(ACommon::NextTabControl(page.GetDlgItem(2), false), page.GetDlgItem(3));
    EXPECT_EQ(ACommon::NextTabControl(page.GetDlgItem(3), false), page.GetDlgItem(6));

    QSignalSpy clicks(&page, &AFormWnd::ItemClicked);
    vlk::test::Click(page.GetDlgItem(1));
    vlk::test::Click(page.GetDlgItem(2));
    auto* box = page.Item<QCheckBox>(6);
    vlk::test::Click(box);
    ASSERT_EQ(clicks.size(), 3);
    EXPECT_EQ(clicks[0][0].toInt(), 1);
    EXPECT_EQ(clicks[1][0].toInt(), 2);
    EXPECT_EQ(clicks[2][0].toInt(), 6);
    EXPECT_TRUE(box->isChecked());
    vlk::test::Click(page.GetDlgItem(3));
    EXPECT_TRUE(page.GetDlgItem(3)->hasFocus());

    // A click on a frame's empty inside or on its caption lands on the page itself.
    const QPoint emptyInside(outer->width() - 10, outer->height() - 10);
    EXPECT_EQ(vlk::test::WidgetAt(outer, emptyInside), &page);
    EXPECT_EQ(vlk::test::WidgetAt(inner, QPoint(20, 4)), &page);
    vlk::test::Click(outer, emptyInside);
    EXPECT_EQ(clicks.size(), 3);
}

TEST_F(AFormWndTest, UpDownReportsSteps)
{
    AFormWnd page;
    page.CreateDlgItems(Parse(kClasses));
    page.resize(400, 300);
    ASSERT_TRUE(vlk::test::ShowAndActivate(&page));
    auto* spin = page.Item<UpDownControl>(19);
    ASSERT_TRUE(spin);
    QSignalSpy steps(spin, &UpDownControl::DeltaPos);
    vlk::test::Click(spin, QPoint(spin->width() / 2, 2));
    vlk::test::Click(spin, QPoint(spin->width() / 2, spin->height() - 3));
    spin->setFocus();
    vlk::test::Key(spin, Qt::Key_Up);
    ASSERT_EQ(steps.size(), 3);
    EXPECT_EQ(steps[0][0].toInt(), -1);
    EXPECT_EQ(steps[1][0].toInt(), 1);
    EXPECT_EQ(steps[2][0].toInt(), -1);
}
