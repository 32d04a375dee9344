#include "editor/PopupGeometry.h"
#include "ui/editor/EditorTestSupport.h"

#include <QLineEdit>
#include <QScreen>
#include <QWindow>

namespace vlk {
namespace {

namespace geo = popup_geometry;
using test::WaitFor;

class ClassZetEditTest : public test::EditorTest {
protected:
    // Clicks the keys by their labels at the centres of their cells and waits for each to act.
    void ClickKeys(CalculatorPopup* popup, const std::u32string& labels)
    {
        for (const char32_t label : labels) {
            const auto key = Calculator::KeyForCharacter(label);
            ASSERT_TRUE(key.has_value());
            QPointer<CalculatorPopup> guard = popup;
            ClickPopupAt(popup, geo::KeyRect(*key).center());
            ASSERT_TRUE(WaitFor([&] { return !guard || guard->PressedKey() == CalculatorPopup::kNoKey; }));
        }
    }
    CalculatorPopup* OpenCalculator(ClassZetEdit* editor)
    {
        auto* popup = qobject_cast<CalculatorPopup*>(OpenByButton(editor));
        EXPECT_NE(popup, nullptr);
        return popup;
    }
};

TEST_F(ClassZetEditTest, StyleBitsChooseThePopupAndTheField)
{
    EXPECT_TRUE(MakeEditor(ZES_NUMBER)->HasCalculator());
    EXPECT_TRUE(MakeEditor(ZES_NUMBER | 0x80)->HasCalculator()); // the grid adds ES_AUTOHSCROLL
    EXPECT_FALSE(MakeEditor(ZES_NUMBER | ZES_DATE)->HasCalculator());
    EXPECT_FALSE(MakeEditor(0)->HasCalculator());
    EXPECT_FALSE(MakeEditor(ZES_NUMBER | 0x4)->HasCalculator());
    EXPECT_TRUE(MakeEditor(ZES_NUMBER | 0x4)->IsNumberField());
    EXPECT_FALSE(MakeEditor(ZES_NUMBER | ZES_DATE)->IsNumberField());

    ClassZetEdit* both = MakeEditor(ZES_NUMBER | ZES_DATE, "5.3.2008");
    EXPECT_NE(qobject_cast<CalendarPopup*>(OpenByButton(both)), nullptr);
    both->ClosePopup();
    EXPECT_TRUE(Gone(both));
}

TEST_F(ClassZetEditTest, ChangedOnlyWhenTheTextDiffersFromTheTextAtFocus)
{
    ClassZetEdit* editor = MakeEditor(ZES_NUMBER, "12");
    auto* other = new QLineEdit(m_form.get());
    other->show();
    other->setFocus();
    ASSERT_TRUE(WaitFor([&] { return other->hasFocus(); }));
    QSignalSpy changed(editor, &ClassZetEdit::Changed);
    editor->setFocus();
    ASSERT_TRUE(WaitFor([&] { return editor->EditChild()->hasFocus(); }));
    EXPECT_EQ(editor->TextAtFocus(), "12");
    EXPECT_EQ(editor->EditChild()->selectedText(), "12");

    editor->SetText("12");
    EXPECT_EQ(changed.count(), 0);
    editor->SetText("13");
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(editor->Text(), "13");
    editor->SetText("13"); // the text at focus moved on with the change
    EXPECT_EQ(changed.count(), 1);
    editor->SetText("12");
    EXPECT_EQ(changed.count(), 2);

    // Typing alone does not notify.
    test::Type(editor, "4");
    EXPECT_EQ(editor->Text(), "124");
    EXPECT_EQ(changed.count(), 2);
}

TEST_F(ClassZetEditTest, ButtonStripIsVisibleAndOpensThePopup)
{
    ClassZetEdit* editor = MakeEditor(ZES_NUMBER, "7", {200, 50, 80, 20});
    // The strip is about a line of text wide at the right edge, over the full height.
    const int line = QFontMetrics(editor->EditChild()->font()).height();
    EXPECT_EQ(editor->ButtonStrip().right(), 79);
    EXPECT_EQ(editor->ButtonStrip().height(), 20);
    EXPECT_GE(editor->ButtonStrip().width(), 9);
    EXPECT_LE(editor->ButtonStrip().width(), line);
    EXPECT_LE(editor->EditChild()->geometry().right(), editor->ButtonStrip().left());

    const QImage raised = editor->grab().toImage();
    EXPECT_EQ(raised.pixelColor(0, 0), QColor(Qt::black));
    EXPECT_EQ(raised.pixelColor(editor->ButtonStrip().center().x() - 3, 4), QColor(192, 192, 192));
    int black = 0;
    // Inside the button's edges (its face spans x 69..78, y 1..18 of the 80 x 20 editor).
    for (int y = 2; y < 17; ++y)
        for (int x = editor->ButtonStrip().left() + 1; x < 77; ++x)
            black += raised.pixelColor(x, y) == QColor(Qt::black);
    EXPECT_EQ(black, 5 + 3 + 1); // the down-arrow

    // A press outside the strip only focuses.
    test::Click(editor, QPoint(1, 10));
    EXPECT_EQ(editor->Popup(), nullptr);
    EXPECT_TRUE(editor->EditChild()->hasFocus());

    const QPoint strip = editor->ButtonStrip().center();
    test::Press(editor, strip);
    ZetPopup* popup = editor->Popup();
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(popup->isVisible());
    EXPECT_TRUE(editor->ButtonPressed());
    EXPECT_NE(editor->grab().toImage(), raised); // drawn sunken
    // Moving off the strip with the button held raises it, back over it sinks it (the pop-up
    // has the mouse and passes the moves on).
    test::Move(editor, QPoint(5, 5));
    EXPECT_FALSE(editor->ButtonPressed());
    test::Move(editor, strip);
    EXPECT_TRUE(editor->ButtonPressed());
    // The release reaches the pop-up, which has the mouse: the button comes up, the pop-up stays.
    test::Release(editor, strip);
    EXPECT_FALSE(editor->ButtonPressed());
    EXPECT_EQ(editor->Popup(), popup);
    const QRect face = editor->ButtonStrip().adjusted(0, 1, -1, -1);
    EXPECT_EQ(editor->grab().toImage().copy(face), raised.copy(face)) << "raised again";

    // A second press in the strip while the pop-up is open closes it and opens nothing new.
    test::Press(editor, strip);
    test::Release(editor, strip);
    EXPECT_TRUE(Gone(editor));
}

TEST_F(ClassZetEditTest, OpeningNormalisesTheNumberAndPlacesThePopupUnderTheEditor)
{
    ClassZetEdit* editor = MakeEditor(ZES_NUMBER, "2.50");
    editor->setFocus();
    QSignalSpy changed(editor, &ClassZetEdit::Changed);
    CalculatorPopup* popup = OpenCalculator(editor);
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(editor->Text(), "2.5");
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(editor->EditChild()->cursorPosition(), 3);
    EXPECT_EQ(popup->size(), QSize(131, 162));
    const QRect global(editor->mapToGlobal(QPoint(0, 0)), editor->size());
    EXPECT_EQ(popup->pos(), QPoint(global.x() + global.width() - 131, global.y() + global.height()));
}

TEST_F(ClassZetEditTest, PopupNearTheScreenEdgesOpensAboveAndToTheRight)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    m_form->setGeometry(screen.x(), screen.y() + screen.height() - 60, 300, 60);
    ClassZetEdit* editor = MakeEditor(ZES_NUMBER, "1", {10, 20, 60, 18});
    CalculatorPopup* popup = OpenCalculator(editor);
    ASSERT_NE(popup, nullptr);
    const QRect global(editor->mapToGlobal(QPoint(0, 0)), editor->size());
    EXPECT_EQ(popup->pos(), QPoint(global.x(), global.y() - 162));
}

TEST_F(ClassZetEditTest, SevenDividedByZeroBeepsAndLeavesZero)
{
    ClassZetEdit* editor = MakeEditor(ZES_NUMBER, "");
    CalculatorPopup* popup = OpenCalculator(editor);
    ClickKeys(popup, U"7/0");
    EXPECT_EQ(editor->Text(), "0");
    EXPECT_EQ(m_beeps, 0);
    ClickKeys(popup, U"=");
    EXPECT_TRUE(Gone(editor));
    EXPECT_EQ(m_beeps, 1);
    EXPECT_EQ(editor->Text(), "0");
}

TEST_F(ClassZetEditTest, CommaDigitsRoundIntoTheSecondDecimal)
{
    ClassZetEdit* editor = MakeEditor(ZES_NUMBER, "");
    CalculatorPopup* popup = OpenCalculator(editor);
    ClickKeys(popup, U"1,05");
    EXPECT_EQ(editor->Text(), "1.05");
    ClickKeys(popup, U"7");
    EXPECT_EQ(editor->Text(), "1.06");
    ClickKeys(popup, U"C00");
    EXPECT_EQ(editor->Text(), "0");
    ClickPopupAt(popup, {-10, -10}); // outside
    EXPECT_TRUE(Gone(editor));
    EXPECT_EQ(editor->Text(), "0");
}

TEST_F(ClassZetEditTest, ClickOutsideAppliesThePendingOperator)
{
    ClassZetEdit* editor = MakeEditor(ZES_NUMBER, "");
    CalculatorPopup* popup = OpenCalculator(editor);
    ClickKeys(popup, U"2+3");
    EXPECT_EQ(editor->Text(), "3");
    ClickPopupAt(popup, QPoint(140, 20), true); // a double click right of the pop-up
    EXPECT_TRUE(Gone(editor));
    EXPECT_EQ(editor->Text(), "5");
    EXPECT_EQ(editor->EditChild()->cursorPosition(), 1);
}

TEST_F(ClassZetEditTest, KeysTypedInTheEditGoToTheCalculator)
{
    ClassZetEdit* editor = MakeEditor(ZES_NUMBER, "4");
    CalculatorPopup* popup = OpenCalculator(editor);
    QPointer<CalculatorPopup> guard = popup;
    QLineEdit* edit = editor->EditChild();
    test::Type(editor, "*3");
    test::Key(editor, Qt::Key_Backspace);
    test::Type(editor, "5-");
    ASSERT_TRUE(WaitFor([&] { return guard && guard->PressedKey() == CalculatorPopup::kNoKey; }));
    EXPECT_EQ(edit->text(), "20");
    test::Key(editor, Qt::Key_Backspace); // right after an operator
    ASSERT_TRUE(WaitFor([&] { return guard && guard->PressedKey() == CalculatorPopup::kNoKey; }));
    EXPECT_EQ(m_beeps, 1);
    EXPECT_EQ(edit->text(), "20");
    test::Type(editor, "x"); // no key: nothing
    test::Type(editor, "1");
    test::Type(editor, QString::fromUtf8("с")); // Cyrillic es clears
    ASSERT_TRUE(WaitFor([&] { return guard && guard->PressedKey() == CalculatorPopup::kNoKey; }));
    EXPECT_EQ(edit->text(), "0");
    test::Type(editor, "9.5=");
    EXPECT_TRUE(Gone(editor));
    EXPECT_EQ(edit->text(), "9.5");
}

TEST_F(ClassZetEditTest, KeysArrivingAtThePopupAreHandledThere)
{
    ClassZetEdit* editor = MakeEditor(ZES_NUMBER, "1");
    CalculatorPopup* popup = OpenCalculator(editor);
    test::Type(popup, "+2");
    test::Key(popup, Qt::Key_Return); // closes with the sum, then reaches the edit
    EXPECT_TRUE(Gone(editor));
    EXPECT_EQ(editor->Text(), "3");
}

TEST_F(ClassZetEditTest, EnterInTheEditClosesThePopupAndReachesWhoeverWatches)
{
    ClassZetEdit* editor = MakeEditor(ZES_NUMBER, "1");
    QSignalSpy returned(editor->EditChild(), &QLineEdit::returnPressed);
    CalculatorPopup* popup = OpenCalculator(editor);
    ClickKeys(popup, U"+4");
    test::Key(editor, Qt::Key_Return);
    EXPECT_TRUE(Gone(editor));
    EXPECT_EQ(editor->Text(), "5");
    EXPECT_EQ(returned.count(), 1);
}

TEST_F(ClassZetEditTest, PressedKeyShowsSunkenForAMomentFirst)
{
    CalculatorPopup::SetKeyDelay(100);
    ClassZetEdit* editor = MakeEditor(ZES_NUMBER, "0");
    CalculatorPopup* popup = OpenCalculator(editor);
    const QImage before = popup->grab().toImage();
    ClickPopupAt(popup, geo::KeyRect(4).center()); // "4"
    EXPECT_EQ(popup->PressedKey(), 4);
    EXPECT_EQ(editor->Text(), "0");
    const QImage sunken = popup->grab().toImage();
    EXPECT_NE(sunken, before);
    const QRect key = geo::KeyRect(4);
    EXPECT_EQ(sunken.pixelColor(key.topLeft()), QColor(Qt::black));
    EXPECT_EQ(before.pixelColor(key.topLeft()), QColor(Qt::white));
    ASSERT_TRUE(WaitFor([&] { return popup->PressedKey() == CalculatorPopup::kNoKey; }));
    EXPECT_EQ(editor->Text(), "4");
    EXPECT_EQ(popup->grab().toImage(), before);
    // Two quick keys both count.
    ClickPopupAt(popup, geo::KeyRect(5).center());
    ClickPopupAt(popup, geo::KeyRect(1).center());
    ASSERT_TRUE(WaitFor([&] { return popup->PressedKey() == CalculatorPopup::kNoKey; }));
    EXPECT_EQ(editor->Text(), "458");
    // A click outside while a key still shows sunken: the key counts, then the pop-up closes.
    ClickPopupAt(popup, geo::KeyRect(18).center());
    EXPECT_EQ(popup->PressedKey(), 18);
    ClickPopupAt(popup, {-1, 0});
    EXPECT_TRUE(Gone(editor));
    EXPECT_EQ(editor->Text(), "458");
}

TEST_F(ClassZetEditTest, OnlyOnePopupInTheApplication)
{
    // The second editor stands clear of the first one's calculator, which opens below it.
    ClassZetEdit* first = MakeEditor(ZES_NUMBER, "2", {20, 20, 80, 18});
    ClassZetEdit* second = MakeEditor(ZES_DATE, "6.03.2008", {200, 20, 80, 18});
    CalculatorPopup* calculator = OpenCalculator(first);
    ASSERT_FALSE(calculator->geometry().contains(second->mapToGlobal(second->ButtonStrip().center())));
    ClickKeys(calculator, U"+3");
    // The press on the second editor's button goes to the open calculator, which closes the usual
    // way. Where Qt holds a pointer grab for the pop-up it replays that press, which opens the
    // calendar at once; without the grab (offscreen) the next press does.
    ZetPopup* calendar = OpenByButton(second);
    EXPECT_EQ(first->Popup(), nullptr);
    EXPECT_EQ(first->Text(), "5"); // the calculator closed the usual way
    if (!calendar)
        calendar = OpenByButton(second);
    ASSERT_NE(calendar, nullptr);
    EXPECT_EQ(first->Popup(), nullptr);
    EXPECT_EQ(second->Popup(), calendar);
    EXPECT_EQ(ZetPopup::Current(), calendar);
    second->ClosePopup();
    EXPECT_TRUE(Gone(second));
}

TEST_F(ClassZetEditTest, LeavingANumberFieldNormalisesItWithoutNotifying)
{
    ClassZetEdit* editor = MakeEditor(ZES_NUMBER, "");
    auto* other = new QLineEdit(m_form.get());
    other->show();
    editor->setFocus();
    ASSERT_TRUE(WaitFor([&] { return editor->EditChild()->hasFocus(); }));
    QSignalSpy changed(editor, &ClassZetEdit::Changed);
    editor->EditChild()->setText(" 2.50abc");
    other->setFocus();
    ASSERT_TRUE(WaitFor([&] { return other->hasFocus(); }));
    EXPECT_EQ(editor->Text(), "2.5");
    EXPECT_EQ(changed.count(), 0);

    // An empty field stays empty.
    editor->setFocus();
    ASSERT_TRUE(WaitFor([&] { return editor->EditChild()->hasFocus(); }));
    editor->EditChild()->clear();
    other->setFocus();
    ASSERT_TRUE(WaitFor([&] { return other->hasFocus(); }));
    EXPECT_EQ(editor->Text(), "");
}

TEST_F(ClassZetEditTest, LosingFocusClosesThePopup)
{
    ClassZetEdit* editor = MakeEditor(ZES_NUMBER, "6");
    editor->setFocus();
    ASSERT_TRUE(WaitFor([&] { return editor->EditChild()->hasFocus(); }));
    CalculatorPopup* popup = OpenCalculator(editor);
    ClickKeys(popup, U"*7");
    // Another window takes the keyboard, as when the user turns to another program.
    QWidget elsewhere;
    elsewhere.setGeometry(700, 100, 120, 60);
    ASSERT_TRUE(test::ShowAndActivate(&elsewhere));
    EXPECT_TRUE(Gone(editor));
    EXPECT_EQ(editor->Text(), "42");
}

// The press on the button opens the pop-up, which then gets every mouse event, even over the form.
TEST_F(ClassZetEditTest, ThePopupHasTheMouseOverTheForm)
{
    ClassZetEdit* editor = MakeEditor(ZES_NUMBER, "3");
    const QPoint strip = editor->ButtonStrip().center();
    test::Press(editor, strip);
    auto* popup = qobject_cast<CalculatorPopup*>(editor->Popup());
    ASSERT_NE(popup, nullptr);
    test::Release(editor, strip);
    EXPECT_FALSE(editor->ButtonPressed());
    ASSERT_EQ(editor->Popup(), popup);

    for (const int key : {15, 4}) { // "+", "4"
        test::Click(popup, geo::KeyRect(key).center());
        ASSERT_TRUE(WaitFor([&] { return popup->PressedKey() == CalculatorPopup::kNoKey; }));
    }
    EXPECT_EQ(editor->Text(), "4");
    // A click on the form, away from the pop-up, closes it with the sum.
    test::Click(m_form.get(), QPoint(20, 250));
    EXPECT_TRUE(Gone(editor));
    EXPECT_EQ(editor->Text(), "7");

    // Pressing the button again while the pop-up is open closes it and opens nothing new.
    test::Press(editor, strip);
    test::Release(editor, strip);
    ASSERT_NE(editor->Popup(), nullptr);
    test::Click(editor, strip);
    EXPECT_TRUE(Gone(editor));
}

TEST_F(ClassZetEditTest, DestroyingTheEditorWithItsPopupOpen)
{
    ClassZetEdit* editor = MakeEditor(ZES_NUMBER, "6");
    CalculatorPopup* popup = OpenCalculator(editor);
    ClickKeys(popup, U"+");
    delete editor;
    EXPECT_EQ(ZetPopup::Current(), nullptr);
    QTest::qWait(5);
}

} // namespace
} // namespace vlk
