// The station's own templates: every control the pages need is there, and the pages read well
// (nothing overlapping, nothing cut) from 1024 x 700 up, and inside the smallest main window.
#include "frame/MainFrm.h"
#include "e2e/ScriptedDialogs.h"
#include "forms/AFormWnd.h"
#include "forms/DialogTemplate.h"
#include "pages/GraficWnd.h"
#include "support/RecordingMessages.h"

#include <QScrollBar>
#include <QTest>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <mutex>

using namespace vlk;

namespace {

struct Expected {
    int id;            // -1: no identifier, found by its text
    const char* cls;
    const char* text;
    unsigned mask;     // style bits that give the kind
    unsigned kind;
};

const DialogItem* Find(const DialogTemplate& t, const Expected& e)
{
    for (const DialogItem& item : t.items) {
        if (item.className != QString::fromLatin1(e.cls))
            continue;
        if (e.id >= 0 ? item.id == e.id : (item.id == -1 && item.text == QString::fromUtf8(e.text)))
            return &item;
    }
    return nullptr;
}

void ExpectControls(int templateId, const char* caption, const std::vector<Expected>& controls)
{
    const auto t = DialogTemplate::Load(templateId);
    ASSERT_TRUE(t) << templateId;
    EXPECT_EQ(t->caption, QString::fromUtf8(caption)) << templateId;
    for (const Expected& e : controls) {
        const DialogItem* item = Find(*t, e);
        ASSERT_NE(item, nullptr) << templateId << ": " << e.id << " " << e.text;
        EXPECT_EQ(item->text, QString::fromUtf8(e.text)) << templateId << ": " << e.id;
        EXPECT_EQ(item->style & e.mask, e.kind) << templateId << ": " << e.id << " " << e.text;
    }
}

constexpr unsigned kGroupBox = 7;
constexpr unsigned kButtonKind = 0xF;

} // namespace

TEST(Templates, DirectionsPageHoldsItsControls)
{
    ExpectControls(130, "Направления",
                   {{1049, "Button", " Общие параметры ", kButtonKind, kGroupBox},
                    {1001, "aRecordList", "", 0, 0},
                    {-1, "Button", " Локальная синхронизация ", kButtonKind, kGroupBox},
                    {1007, "Button", "Ведущий контроллер", kButtonKind, 3},
                    {1011, "Static", "Время задержки синхронизации, сек.", 0x1F, 0},
                    {1008, "Edit", "", 0x2003, 0x2001},
                    {1002, "aRecordList", "", 0, 0},
                    {1010, "msctls_updown32", "", 0x60, 0x20},
                    {-1, "Static", "Время кругового красного", 0x1F, 0},
                    {1013, "Edit", "", 0x2003, 0x2001},
                    {-1, "Static", "Учетная запись ОДД", 0x1F, 0},
                    {1012, "Edit", "", 0x80, 0x80},
                    {1050, "Button", " Описание направлений ", kButtonKind, kGroupBox},
                    {1019, "aRecordList", "", 0, 0},
                    {1003, "aRecordList", "", 0, 0}});
}

TEST(Templates, TablePagesHoldTheirFramesAndGrids)
{
    ExpectControls(131, "Программы",
                   {{1046, "Button", " Описание программ ", kButtonKind, kGroupBox},
                    {1018, "aRecordList", "", 0, 0},
                    {1017, "aRecordList", "", 0, 0}});
    // The two binding templates carry each other's names as captions.
    ExpectControls(141, "Привязка датчиков",
                   {{1044, "Button", " Привязка ламп направлений к выходам ", kButtonKind, kGroupBox},
                    {1045, "Button", " Привязка табло «ЖДИТЕ» для ТВП ", kButtonKind, kGroupBox},
                    {1042, "aRecordList", "", 0, 0},
                    {1043, "aRecordList", "", 0, 0}});
    ExpectControls(142, "Привязка выходов",
                   {{1056, "Button", " Привязка датчиков контроля групп красных ламп ", kButtonKind, kGroupBox},
                    {1057, "Button", " Привязка датчиков  контроля зеленых ламп ", kButtonKind, kGroupBox},
                    {1054, "aRecordList", "", 0, 0},
                    {1055, "aRecordList", "", 0, 0}});
    ExpectControls(183, "Конфигурация для ZAD",
                   {{1074, "Button", "Минимальные значения времени продолжительности красных и зеленых сигналов ",
                     kButtonKind, kGroupBox},
                    {1073, "Button", "Значения времени между зелеными", kButtonKind, kGroupBox},
                    {1015, "aRecordList", "", 0, 0},
                    {1075, "aRecordList", "", 0, 0}});
    ExpectControls(159, "Графики работы",
                   {{1072, "Button", " График работы ", kButtonKind, kGroupBox},
                    {-1, "Static", "ПН", 0, 0}, {-1, "Static", "ВТ", 0, 0}, {-1, "Static", "СР", 0, 0},
                    {-1, "Static", "ЧТ", 0, 0}, {-1, "Static", "ПТ", 0, 0}, {-1, "Static", "СБ", 0, 0},
                    {-1, "Static", "ВС", 0, 0},
                    {1069, "aRecordList", "", 0, 0}, {1071, "aRecordList", "", 0, 0},
                    {1074, "aRecordList", "", 0, 0}, {1075, "aRecordList", "", 0, 0},
                    {1076, "aRecordList", "", 0, 0}, {1077, "aRecordList", "", 0, 0},
                    {1078, "aRecordList", "", 0, 0}});
}

TEST(Templates, ConsoleItemsStandWhereTheConsoleWasDrawn)
{
    struct Row {
        int id;
        const char* cls;
        const char* text;
        int ordinal;
        int x, y, w, h;
    };
    // In template order.
    const std::vector<Row> rows{
        {1048, "Button", " Светофоры ", -1, 7, 0, 483, 88},
        {1021, "aRecordList", "", -1, 16, 10, 464, 70},
        {-1, "Button", " Датчики ", -1, 7, 90, 483, 75},
        {-1, "Button", " Состояние ", -1, 7, 165, 88, 125},
        {1020, "aRecordList", "", -1, 15, 175, 70, 110},
        {-1, "Button", " Текущее время ", -1, 104, 169, 159, 121},
        {-1, "Button", "", -1, 111, 182, 141, 29},
        {1025, "Edit", "", -1, 118, 193, 70, 12},
        {1023, "Edit", "", -1, 194, 193, 20, 12},
        {-1, "Static", ":", -1, 214, 193, 8, 8},
        {1024, "Edit", "", -1, 222, 193, 20, 12},
        {-1, "Button", "", -1, 111, 220, 141, 29},
        {1028, "ComboBox", "", -1, 120, 230, 70, 110},
        {1026, "Edit", "", -1, 194, 230, 20, 14},
        {-1, "Static", ":", -1, 214, 233, 8, 8},
        {1027, "Edit", "", -1, 222, 230, 20, 14},
        {1002, "Static", "", 151, 127, 262, 42, 17},
        {1003, "Static", "", 152, 196, 262, 44, 18},
        {1040, "Static", "", 140, 311, 180, 39, 19},
        {1038, "Static", "", 148, 278, 206, 43, 16},
        {1039, "Static", "", 145, 336, 206, 43, 16},
        {1030, "Static", "", 157, 278, 230, 24, 16},
        {1032, "Static", "", 163, 351, 230, 24, 16},
        {1033, "Static", "", 166, 278, 252, 24, 16},
        {1034, "Static", "", 169, 316, 249, 24, 16},
        {1035, "Static", "", 172, 351, 249, 24, 16},
        {1036, "Static", "", 175, 278, 270, 24, 16},
        {1037, "Static", "", 178, 316, 270, 24, 16},
        {1046, "Button", "", -1, 395, 170, 95, 120},
        {-1, "Static", "Программа", -1, 418, 180, 40, 8},
        {1041, "Edit", "", -1, 405, 190, 74, 14},
        {-1, "Static", "Текущая фаза", -1, 413, 205, 50, 8},
        {1042, "Edit", "", -1, 405, 215, 74, 14},
        {-1, "Static", "Вызванная фаза", -1, 413, 230, 58, 8},
        {1043, "Edit", "", -1, 405, 242, 74, 14},
        {-1, "Button", " Управление ", -1, 271, 169, 115, 121},
        {-1, "Static", "Приоритет управления", -1, 405, 258, 78, 8},
        {1044, "Edit", "", -1, 405, 268, 74, 14},
        {1031, "Static", "", 160, 316, 230, 24, 16},
        {1022, "aRecordList", "", -1, 16, 100, 464, 55},
    };
    const auto t = DialogTemplate::Load(135);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->caption, QString::fromUtf8("Пульт"));
    ASSERT_EQ(t->items.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& r = rows[i];
        const DialogItem& item = t->items[i];
        SCOPED_TRACE(testing::Message() << "item " << i << " id " << r.id);
        EXPECT_EQ(item.id, r.id);
        EXPECT_EQ(item.className, QString::fromLatin1(r.cls));
        EXPECT_EQ(item.ordinal, r.ordinal);
        if (r.ordinal < 0)
            EXPECT_EQ(item.text, QString::fromUtf8(r.text));
        else // picture buttons: centred bitmaps that report clicks
            EXPECT_EQ(item.style & 0x31F, 0x30Eu);
        EXPECT_EQ(item.x, r.x);
        EXPECT_EQ(item.y, r.y);
        EXPECT_EQ(item.cx, r.w);
        EXPECT_EQ(item.cy, r.h);
    }
    const auto style = [&](int id) { return t->Item(id)->style; };
    for (int id : {1025, 1041, 1042, 1043, 1044})
        EXPECT_EQ(style(id) & 0x2803, 0x0801u) << id; // read-only, centred
    for (int id : {1023, 1024})
        EXPECT_EQ(style(id) & 0x2803, 0x2801u) << id; // read-only, digits, centred
    for (int id : {1026, 1027})
        EXPECT_EQ(style(id) & 0x2803, 0x2001u) << id; // digits, centred
    EXPECT_EQ(style(1028) & 0x3, 0x3u);               // drop-down list
}

// ---- Layout at real sizes ----------------------------------------------------------------------

namespace {

struct PageFrames {
    int templateId;
    int lowestFrame;
    int topFrame;
};

std::unique_ptr<AFormWnd> MakePage(const PageFrames& frames)
{
    if (frames.templateId == 159) // "Графики работы"
        return std::make_unique<CGraficWnd>();
    return std::make_unique<AFormWnd>(frames.templateId, frames.lowestFrame, frames.topFrame);
}

bool IsFrame(const QWidget* w)
{
    return qobject_cast<const QGroupBox*>(w) != nullptr;
}

QString Name(const QWidget* w)
{
    QString text;
    if (auto* label = qobject_cast<const QLabel*>(w))
        text = label->text();
    else if (auto* box = qobject_cast<const QGroupBox*>(w))
        text = box->title();
    else if (auto* check = qobject_cast<const QAbstractButton*>(w))
        text = check->text();
    return QStringLiteral("%1 %2 '%3'").arg(AFormWnd::ItemId(w)).arg(QString::fromLatin1(w->metaObject()->className()), text);
}

// Problems of one laid-out page: controls outside it, siblings overlapping (other than a frame
// around its controls, which must stay clear of its title), and texts that do not fit.
// `together` lists pairs of controls that overlap by design.
QStringList LayoutProblems(const AFormWnd& page, const std::vector<std::pair<int, int>>& together = {})
{
    QStringList problems;
    std::vector<QWidget*> children;
    for (QObject* o : page.children())
        if (auto* w = qobject_cast<QWidget*>(o); w && !w->isHidden())
            children.push_back(w);

    const QRect area = page.rect();
    for (QWidget* w : children) {
        const QRect g = w->geometry();
        if (!area.contains(g))
            problems << QStringLiteral("%1 outside the page").arg(Name(w));
        const QFontMetrics fm(w->font());
        if (auto* label = qobject_cast<QLabel*>(w); label && label->pixmap().isNull()) {
            if (fm.horizontalAdvance(label->text()) > g.width() || fm.height() > g.height())
                problems << QStringLiteral("%1 cut (%2x%3)").arg(Name(w)).arg(g.width()).arg(g.height());
        } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
            if (fm.horizontalAdvance(box->title()) + 16 > g.width())
                problems << QStringLiteral("%1 title cut").arg(Name(w));
        } else if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) {
            if (w->sizeHint().width() > g.width() || fm.height() > g.height())
                problems << QStringLiteral("%1 cut").arg(Name(w));
        } else if (qobject_cast<QLineEdit*>(w) || qobject_cast<QComboBox*>(w)) {
            if (fm.height() + 4 > g.height())
                problems << QStringLiteral("%1 too low (%2)").arg(Name(w)).arg(g.height());
        } else if (qobject_cast<CScheduleWnd*>(w)) {
            if (g.height() < 52) // the markers' labels reach 52 pixels down
                problems << QStringLiteral("day chart too low (%1)").arg(g.height());
        }
    }
    for (std::size_t i = 0; i < children.size(); ++i) {
        for (std::size_t j = i + 1; j < children.size(); ++j) {
            QWidget* a = children[i];
            QWidget* b = children[j];
            const QRect ga = a->geometry();
            const QRect gb = b->geometry();
            if (!ga.intersects(gb))
                continue;
            const std::pair<int, int> pair(AFormWnd::ItemId(a), AFormWnd::ItemId(b));
            if (std::find(together.begin(), together.end(), pair) != together.end()
                || std::find(together.begin(), together.end(), std::pair(pair.second, pair.first)) != together.end())
                continue;
            QWidget* outer = nullptr;
            QWidget* inner = nullptr;
            if (IsFrame(a) && ga.contains(gb)) {
                outer = a;
                inner = b;
            } else if (IsFrame(b) && gb.contains(ga)) {
                outer = b;
                inner = a;
            }
            if (!outer) {
                problems << QStringLiteral("%1 overlaps %2").arg(Name(a), Name(b));
                continue;
            }
            const auto* frame = static_cast<QGroupBox*>(outer);
            const int titleBottom = outer->y() + (frame->title().isEmpty() ? 2 : QFontMetrics(outer->font()).height());
            if (inner->y() < titleBottom || inner->geometry().bottom() > outer->geometry().bottom() - 2
                || inner->x() < outer->x() + 2 || inner->geometry().right() > outer->geometry().right() - 2)
                problems << QStringLiteral("%1 touches the edge of %2").arg(Name(inner), Name(outer));
        }
    }
    return problems;
}

} // namespace

class TemplateLayout : public testing::TestWithParam<PageFrames> {
protected:
};

TEST_P(TemplateLayout, NothingOverlapsOrIsCutFrom1024x700Up)
{
    auto page = MakePage(GetParam());
    page->setAttribute(Qt::WA_DontShowOnScreen);
    page->show();
    // The sizes asked for, and the page area that a 1024 x 700 main window leaves.
    for (const QSize size : {QSize(1280, 800), QSize(1024, 700), QSize(1020, 590), QSize(1276, 768)}) {
        page->resize(size);
        const QStringList problems = LayoutProblems(*page);
        EXPECT_TRUE(problems.isEmpty()) << GetParam().templateId << " at " << size.width() << "x" << size.height()
                                        << ":\n" << problems.join(QLatin1Char('\n')).toStdString();
    }
}

// The checks above can fail: squeezed far below its size, a page overlaps and cuts.
TEST(TemplateLayoutCheck, FindsProblemsOnASqueezedPage)
{
    AFormWnd page(130, 1050, 1049);
    page.setAttribute(Qt::WA_DontShowOnScreen);
    page.show();
    page.resize(420, 260);
    const QStringList problems = LayoutProblems(page);
    EXPECT_TRUE(problems.filter(QStringLiteral("overlaps")).size() > 0) << problems.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(problems.filter(QStringLiteral("cut")).size() > 0) << problems.join(QLatin1Char('\n')).toStdString();
}

INSTANTIATE_TEST_SUITE_P(AllPages, TemplateLayout,
                         testing::Values(PageFrames{130, 1050, 1049}, PageFrames{131, 1046, 1046},
                                         PageFrames{135, 1046, 1048}, PageFrames{141, 1045, 1044},
                                         PageFrames{142, 1057, 1056}, PageFrames{159, 1072, 1072},
                                         PageFrames{183, 1073, 1074}),
                         [](const testing::TestParamInfo<PageFrames>& info) {
                             return "Template" + std::to_string(info.param.templateId);
                         });

// The smallest main window (the frame does not go below 500 x 500): every page keeps its texts
// whole and its controls apart, and whatever does not fit is reached by scrolling the page.
TEST(TemplateLayout, EveryPageReadsWellInTheSmallestWindow)
{
    setenv("VLK_COM1", "/nonexistent/vlk-com1", 1);
    RecordingMessages messages;
    test::ScriptedDialogs dialogs;
    CMainFrame frame(messages, dialogs);
    frame.resize(300, 300);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    ASSERT_EQ(frame.size(), QSize(500, 500));
    CTabs& tabs = frame.Tabs();
    // The header strips stand one pixel into their tables on purpose.
    const std::vector<std::pair<int, int>> strips{{1019, 1003}, {1018, 1017}};
    for (int i = 0; i < tabs.PageCount(); ++i) {
        tabs.SelectPage(i);
        QApplication::processEvents();
        auto* page = qobject_cast<AFormWnd*>(tabs.Page(i).window);
        ASSERT_TRUE(page);
        SCOPED_TRACE(tabs.Page(i).name.toStdString());
        const QStringList problems = LayoutProblems(*page, strips);
        EXPECT_TRUE(problems.isEmpty()) << page->width() << "x" << page->height() << ":\n"
                                        << problems.join(QLatin1Char('\n')).toStdString();
        // Each control can be scrolled wholly into view (or fills the view, for a big grid).
        const QWidget* area = page->parentWidget();
        ASSERT_TRUE(area);
        for (QObject* o : page->children()) {
            auto* control = qobject_cast<QWidget*>(o);
            if (!control || control->isHidden() || control->isWindow())
                continue;
            tabs.EnsureVisible(control);
            const QRect shown(control->mapTo(area, QPoint(0, 0)), control->size());
            const QRect wanted = shown.intersected(area->rect());
            EXPECT_EQ(wanted.width(), std::min(shown.width(), area->width())) << Name(control).toStdString();
            EXPECT_EQ(wanted.height(), std::min(shown.height(), area->height())) << Name(control).toStdString();
        }
        // A page larger than the window has the scroll bars to reach the rest.
        EXPECT_EQ(tabs.PageHorizontalBar()->isVisible(), page->width() > area->width());
        EXPECT_EQ(tabs.PageVerticalBar()->isVisible(), page->height() > area->height());
    }
}
