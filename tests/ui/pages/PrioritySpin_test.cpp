// The priority spin of "Направления" under real mouse presses through the page's window: one
// press is one step, a held arrow repeats, and a modal box shown during a press ends the press.

#include "pages/DirectionWnd.h"

#include "forms/UpDownControl.h"
#include "grid/ARecordList.h"
#include "support/WindowInput.h"
#include "support/RecordingMessages.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

using namespace vlk;
using namespace vlk::test;

namespace {

const char* const kRpRefused = "Изменение приоритета «РП» недопустимо";

// Records every message and shows it as the station does, in a modal box; while the box is
// open the test acts as the user: first `whileOpen` (for the first box only), then `answer`
// (a click on OK unless set).
class ModalRecordingMessages final : public Messages {
public:
    void Show(const std::string& text, MessageIcon icon) override
    {
        m_recorded.Show(text, icon);
        QMessageBox box(QMessageBox::Critical, QStringLiteral("ВЛК2.2_v4"), QString::fromStdString(text),
                        QMessageBox::Ok);
        const bool first = m_recorded.Entries().size() == 1;
        QTimer::singleShot(0, &box, [&box, first, this] {
            if (!QTest::qWaitForWindowExposed(&box))
                return;
            if (first && whileOpen)
                whileOpen();
            if (answer)
                answer(box);
            else
                Click(box.button(QMessageBox::Ok));
        });
        box.exec();
    }
    bool Ask(const std::string& text, MessageIcon icon) override { return m_recorded.Ask(text, icon); }

    [[nodiscard]] std::size_t Count() const { return m_recorded.Entries().size(); }
    [[nodiscard]] const RecordingMessages& Recorded() const { return m_recorded; }

    std::function<void()> whileOpen;
    std::function<void(QMessageBox&)> answer;

private:
    RecordingMessages m_recorded;
};

class PrioritySpin : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_page.resize(1024, 700);
        ASSERT_TRUE(ShowAndActivate(&m_page));
        m_spin = m_page.Item<UpDownControl>(CDirectionWnd::PrioritySpinId);
        ASSERT_TRUE(m_spin);
        ASSERT_TRUE(Reaches(m_spin, Arrow(-1)));
        ASSERT_TRUE(Reaches(m_spin, Arrow(+1)));
    }

    QPoint Arrow(int delta) const
    {
        const int half = m_spin->height() / 2;
        return QPoint(m_spin->width() / 2, delta < 0 ? half / 2 : half + (m_spin->height() - half) / 2);
    }
    // Selects a row the way the user does: a click on its request cell.
    void Select(const char* code)
    {
        ARecordList* grid = m_page.Priority();
        for (int r = 0; r < grid->GetRowCount(); ++r)
            if (grid->GetCellText(r, 1) == QString::fromUtf8(code)) {
                Click(grid->viewport(), CentreOf(grid->GetCellRect(r, 1)));
                ASSERT_EQ(grid->GetCurSel(), r);
                return;
            }
        FAIL() << code;
    }
    int RowOf(const char* code) const
    {
        ARecordList* grid = m_page.Priority();
        for (int r = 0; r < grid->GetRowCount(); ++r)
            if (grid->GetCellText(r, 1) == QString::fromUtf8(code))
                return r;
        return -1;
    }

    RecordingMessages m_ownerMessages;
    CDirectionWnd m_page{m_ownerMessages};
    UpDownControl* m_spin = nullptr;
};

TEST_F(PrioritySpin, AClickOnAnArrowIsOneStep)
{
    RecordingMessages messages;
    m_page.SetMessages(&messages);
    Select("ТВП");
    Click(m_spin, Arrow(-1));
    EXPECT_EQ(RowOf("ТВП"), 5);
    // Nothing keeps stepping after the release.
    EXPECT_FALSE(PumpUntil([&] { return RowOf("ТВП") != 5; }, 900));
    Click(m_spin, Arrow(+1));
    EXPECT_EQ(RowOf("ТВП"), 6);
    EXPECT_TRUE(messages.Entries().empty());
}

TEST_F(PrioritySpin, AHeldArrowRepeatsUntilReleased)
{
    RecordingMessages messages;
    m_page.SetMessages(&messages);
    Select("ТВП");
    Press(m_spin, Arrow(-1));
    EXPECT_EQ(RowOf("ТВП"), 5);
    // After the pause the held arrow steps again and again, up to the top.
    EXPECT_TRUE(PumpUntil([&] { return RowOf("ТВП") <= 3; }, 2000));
    Release(m_spin, Arrow(-1));
    const int after = RowOf("ТВП");
    EXPECT_FALSE(PumpUntil([&] { return RowOf("ТВП") != after; }, 600));
}

TEST_F(PrioritySpin, RpRefusalIsOneBoxAndEndsThePress)
{
    ModalRecordingMessages messages;
    m_page.SetMessages(&messages);
    Select("РП");
    // The user lets go of the arrow while the box is up (the box, not the spin, sees that),
    // then presses OK.
    messages.whileOpen = [this] { Release(m_spin, Arrow(-1)); };
    Press(m_spin, Arrow(-1));
    EXPECT_EQ(messages.Count(), 1U);
    // No second box follows: the press ended with the box.
    EXPECT_FALSE(PumpUntil([&] { return messages.Count() > 1; }, 1500));
    EXPECT_EQ(messages.Count(), 1U);
    ASSERT_FALSE(messages.Recorded().Entries().empty());
    EXPECT_EQ(messages.Recorded().Entries()[0],
              (RecordingMessages::Entry{kRpRefused, MessageIcon::Stop, false}));
    EXPECT_EQ(RowOf("РП"), 9);

    // The spin works again afterwards: a click on "ЛС" moves it up one.
    Select("ЛС");
    Click(m_spin, Arrow(-1));
    EXPECT_EQ(RowOf("ЛС"), 7);
    EXPECT_EQ(messages.Count(), 1U);
}

TEST_F(PrioritySpin, AModalBoxDuringAHeldPressStopsTheRepeat)
{
    // The user keeps the button down while answering the box with the keyboard.
    ModalRecordingMessages messages;
    m_page.SetMessages(&messages);
    messages.answer = [](QMessageBox& box) { Key(&box, Qt::Key_Return); };
    Select("РП");
    Press(m_spin, Arrow(+1));
    EXPECT_EQ(messages.Count(), 1U);
    EXPECT_FALSE(PumpUntil([&] { return messages.Count() > 1; }, 1500));
    Release(m_spin, Arrow(+1));
    EXPECT_EQ(messages.Count(), 1U);
}

} // namespace
