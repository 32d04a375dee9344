#include "pages/DirectionWnd.h"

#include "PageTestSupport.h"
#include "forms/UpDownControl.h"
#include "support/WindowInput.h"
#include "support/RecordingMessages.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

using namespace vlk;
using vlk::test::U;

namespace {

class DirectionPage : public testing::Test {
protected:
    void SetUp() override
    {
        m_page.resize(1024, 700);
        ASSERT_TRUE(test::ShowAndActivate(&m_page));
    }

    QStringList Codes() const
    {
        QStringList codes;
        for (int r = 0; r < m_page.Priority()->GetRowCount(); ++r)
            codes << m_page.Priority()->GetCellText(r, 1);
        return codes;
    }
    void ExpectNumbered() const
    {
        for (int r = 0; r < 10; ++r)
            EXPECT_EQ(m_page.Priority()->GetCellText(r, 0), QString::number(r + 1));
    }
    // Clicks the arrow of the priority spin: -1 the upper, +1 the lower.
    void ClickSpin(int delta)
    {
        auto* spin = m_page.Item<UpDownControl>(CDirectionWnd::PrioritySpinId);
        ASSERT_TRUE(spin);
        test::Click(spin, QPoint(spin->width() / 2, delta < 0 ? 2 : spin->height() - 3));
    }
    // Clicks the row holding `code` and steps the spin.
    void Step(const char* code, int delta)
    {
        ARecordList* grid = m_page.Priority();
        const int row = static_cast<int>(Codes().indexOf(U(code)));
        test::Click(grid->viewport(), grid->GetCellRect(row, 1).center());
        ASSERT_EQ(grid->GetCurSel(), row);
        ClickSpin(delta);
    }

    RecordingMessages m_messages;
    CDirectionWnd m_page{m_messages};
};

QStringList Split(const char* text)
{
    return U(text).split(QLatin1Char(' '));
}

} // namespace

TEST_F(DirectionPage, GridsAreSetUpAsTheCatalogueAndTheLiteralTables)
{
    ASSERT_TRUE(m_page.PhaseMinTime() && m_page.Priority() && m_page.DirectionStrip() && m_page.Directions());
    test::ExpectGridMatchesCatalogue(*m_page.PhaseMinTime(), TableId::PhaseMinTime);
    test::ExpectGridMatchesCatalogue(*m_page.Priority(), TableId::Priority);
    test::ExpectGridMatchesCatalogue(*m_page.DirectionStrip(), TableId::DirectionGroupStrip);
    test::ExpectGridMatchesCatalogue(*m_page.Directions(), TableId::Direction);

    EXPECT_EQ(m_page.PhaseMinTime()->GetStyle(), 0x1D);
    EXPECT_EQ(m_page.Priority()->GetStyle(), 0x15);
    EXPECT_EQ(m_page.DirectionStrip()->GetStyle(), 0x15);
    EXPECT_EQ(m_page.Directions()->GetStyle(), 0x1D);
    EXPECT_EQ(m_page.PhaseMinTime()->GetColumnTitle(1), U("Мин. время, сек"));
    EXPECT_EQ(m_page.Priority()->Model().Column(0).tip, U("Номер приоритета"));
    EXPECT_EQ(m_page.Priority()->Model().Column(1).tip, U("Запросы управления"));
    EXPECT_EQ(m_page.DirectionStrip()->GetColumnTitle(2), U("Промежуточные такты"));
    EXPECT_EQ(m_page.Directions()->GetColumnTitle(13), U("Т кр.жел."));
    EXPECT_EQ(m_page.Directions()->Model().Column(4).flags, 68);
    EXPECT_EQ(m_page.Directions()->Model().Column(9).flags, 14);
    EXPECT_DOUBLE_EQ(m_page.Directions()->Model().Column(10).percent, 13);
    EXPECT_EQ(m_page.Directions()->GetRowCount(), 24);
    EXPECT_EQ(m_page.Directions()->GetCellText(23, 0), U("24"));
    EXPECT_EQ(m_page.PhaseMinTime()->GetCellText(7, 0), U("8"));
}

TEST_F(DirectionPage, FreshStartState)
{
    EXPECT_EQ(Codes(), Split("РУП РУС ЗУ ДУ КУ ПР0 ТВП МГР ЛС РП"));
    ExpectNumbered();
    EXPECT_EQ(m_page.Priority()->GetCurSel(), 0);
    EXPECT_TRUE(m_page.Master()->isChecked());
    EXPECT_TRUE(m_page.SyncDelay()->isReadOnly());
    EXPECT_TRUE(m_page.SyncDelay()->text().isEmpty());
    EXPECT_FALSE(m_page.SyncCaption()->isEnabled());
    EXPECT_TRUE(m_page.CircularRed()->text().isEmpty());
    EXPECT_TRUE(m_page.AccountRecord()->text().isEmpty());
    EXPECT_TRUE(m_messages.Entries().empty());
}

TEST_F(DirectionPage, PriorityMovesKeepRpLastAndRenumber)
{
    Step("ТВП", -1);
    EXPECT_EQ(Codes(), Split("РУП РУС ЗУ ДУ КУ ТВП ПР0 МГР ЛС РП"));
    EXPECT_EQ(m_page.Priority()->GetCurSel(), 5);
    ExpectNumbered();

    // Into the last row, above the top: nothing, silently.
    Step("ЛС", +1);
    Step("РУП", -1);
    EXPECT_EQ(Codes(), Split("РУП РУС ЗУ ДУ КУ ТВП ПР0 МГР ЛС РП"));
    EXPECT_TRUE(m_messages.Entries().empty());

    for (int delta : {-1, +1}) {
        Step("РП", delta);
        EXPECT_EQ(Codes(), Split("РУП РУС ЗУ ДУ КУ ТВП ПР0 МГР ЛС РП"));
    }
    const std::vector<RecordingMessages::Entry> expected(
        2, {"Изменение приоритета «РП» недопустимо", MessageIcon::Stop, false});
    EXPECT_EQ(m_messages.Entries(), expected);

    // No current row: nothing.
    m_page.Priority()->SetCurSel(-1);
    ClickSpin(+1);
    EXPECT_EQ(m_messages.Entries().size(), 2U);
}

TEST_F(DirectionPage, SpinStepsMoveTheCurrentRowAndTakeTheFocus)
{
    m_page.Priority()->SetCurSel(6); // "ТВП"
    ClickSpin(-1);
    ClickSpin(-1);
    EXPECT_EQ(Codes(), Split("РУП РУС ЗУ ДУ ТВП КУ ПР0 МГР ЛС РП"));
    EXPECT_EQ(m_page.Priority()->GetCurSel(), 4);
    EXPECT_TRUE(m_page.Priority()->hasFocus());
}

TEST_F(DirectionPage, FieldLimits)
{
    test::Click(m_page.Master());
    QLineEdit* sync = m_page.SyncDelay();
    sync->setText(U("127"));
    EXPECT_EQ(sync->text(), U("127"));
    EXPECT_TRUE(m_messages.Entries().empty());
    sync->setText(U("128"));
    EXPECT_EQ(sync->text(), U("0"));

    QLineEdit* circular = m_page.CircularRed();
    circular->setText(U("255"));
    EXPECT_EQ(circular->text(), U("255"));
    circular->setText(U("256"));
    EXPECT_EQ(circular->text(), U("0"));
    // A value too long for 32 bits does not slip through as 0.
    circular->setText(U("99999999999"));
    EXPECT_EQ(circular->text(), U("0"));
    EXPECT_EQ(m_messages.Texts(), (std::vector<std::string>{"Значение должно быть меньше 128",
                                                            "Значение должно быть меньше 256",
                                                            "Значение должно быть меньше 256"}));
    for (const auto& entry : m_messages.Entries())
        EXPECT_EQ(entry.icon, MessageIcon::None);
}

TEST_F(DirectionPage, TypedLimitsGoThroughTheSameCheck)
{
    test::Click(m_page.Master());
    QLineEdit* sync = m_page.SyncDelay();
    test::Click(sync);
    ASSERT_TRUE(sync->hasFocus());
    test::Type(sync, QStringLiteral("12a8"));
    EXPECT_EQ(sync->text(), U("0")); // "a" is refused, "128" is too large
    EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{"Значение должно быть меньше 128"});
}

TEST_F(DirectionPage, AccountRecordKeeps115CharactersOfWindows1251)
{
    QLineEdit* account = m_page.AccountRecord();
    const QString exact(115, QChar(0x0416)); // "Ж"
    account->setText(exact);
    EXPECT_EQ(account->text(), exact);
    EXPECT_TRUE(m_messages.Entries().empty());
    account->setText(exact + U("ab"));
    EXPECT_EQ(account->text(), exact);
    EXPECT_EQ(m_messages.Texts(), std::vector<std::string>{"Должно быть не более 115 символов"});

    account->clear();
    test::Click(account);
    ASSERT_TRUE(account->hasFocus());
    test::Type(account, U("Юг №1 €"));
    EXPECT_EQ(account->text(), U("Юг №1 €"));
    // Neither a CJK character nor an emoji has a Windows-1251 byte.
    test::Type(account, U("中"));
    test::Type(account, QString::fromUcs4(U"\U0001F600"));
    EXPECT_EQ(account->text(), U("Юг №1 €"));
}

TEST_F(DirectionPage, MasterToggleLocksTheSyncDelayButKeepsItsText)
{
    test::Click(m_page.Master());
    EXPECT_FALSE(m_page.Master()->isChecked());
    EXPECT_FALSE(m_page.SyncDelay()->isReadOnly());
    EXPECT_TRUE(m_page.SyncCaption()->isEnabled());
    EXPECT_TRUE(m_page.SyncDelay()->hasFocus());
    m_page.SyncDelay()->setText(U("42"));

    test::Click(m_page.Master());
    EXPECT_TRUE(m_page.Master()->isChecked());
    EXPECT_TRUE(m_page.SyncDelay()->isReadOnly());
    EXPECT_FALSE(m_page.SyncCaption()->isEnabled());
    EXPECT_EQ(m_page.SyncDelay()->text(), U("42"));
}

TEST_F(DirectionPage, LayoutPutsTheStripOnTheTableAndFillsTheSmallGrids)
{
    for (const QSize size : {QSize(1024, 700), QSize(1280, 800), QSize(1600, 1000)}) {
        m_page.resize(size);
        QApplication::processEvents();
        const ARecordList* strip = m_page.DirectionStrip();
        const ARecordList* table = m_page.Directions();
        EXPECT_EQ(strip->geometry().bottom() + 1, table->geometry().top() + 1) << size.width();
        EXPECT_EQ(strip->GetHeaderHeight(), strip->height());
        for (const auto& [grid, rows] : {std::pair{m_page.PhaseMinTime(), 8}, std::pair{m_page.Priority(), 10}}) {
            const int client = grid->viewport()->height();
            EXPECT_EQ(grid->GetRowHeight(), (client - grid->GetHeaderHeight()) / rows) << size.width();
            EXPECT_LE(grid->GetHeaderHeight() + rows * grid->GetRowHeight(), client);
        }
    }
}
