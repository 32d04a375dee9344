#include "frame/CheckList.h"

#include "frame/Tabs.h"
#include "grid/ARecordList.h"
#include "grid/RecordListLayout.h"
#include "pages/ConfigPages.h"
#include "util/Messages.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QScrollBar>
#include <QStringList>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include <algorithm>
#include <utility>
#include <QVBoxLayout>

namespace vlk {

namespace {

// The first lamp row (3 per direction: red, yellow, green) that output `output` drives, or -1.
int LampRowOf(const Configuration& c, int output)
{
    const std::uint64_t bit = std::uint64_t{1} << (output - 1);
    for (int row = 0; row < kLampRowCount; ++row)
        if (c.lampOutputs[static_cast<std::size_t>(row)] & bit)
            return row;
    return -1;
}

// The rows of the list are as tall as their wrapped sentence: the tree view measures a row
// without its columns' widths, so the delegate measures the wrapping columns itself.
class WrappingDelegate final : public QStyledItemDelegate {
public:
    explicit WrappingDelegate(QTreeWidget* list) : QStyledItemDelegate(list), m_list(list) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        if (index.column() == CheckList::SeverityColumn)
            return size;
        // The text's room: the column less the item's margins on both sides.
        const int margin = m_list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_list) + 1;
        const int width = m_list->header()->sectionSize(index.column()) - 2 * margin;
        if (width <= 0)
            return size;
        const QRect text = option.fontMetrics.boundingRect(QRect(0, 0, width, 100000), Qt::TextWordWrap,
                                                           index.data(Qt::DisplayRole).toString());
        size.setHeight(std::max(size.height(), text.height() + 4));
        return size;
    }

private:
    QTreeWidget* m_list;
};

QString Capitalised(QString text)
{
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

} // namespace

FindingPlace PlaceOf(const Finding& f, const Configuration& checked)
{
    using Grid = FindingPlace::Grid;
    FindingPlace place;
    const int d = f.directions.empty() ? 0 : f.directions[0];
    const auto lampRow = [d](int lamp) { return 3 * (d - 1) + lamp; };
    if ((f.rule == "intergreen" || f.rule == "conflicting-greens") && f.directions.size() == 2) {
        // The inter-green time that the finding measures against: r's green ending, c's starting.
        // For greens together either order may hold it; the one that is set is shown.
        int r = f.directions[0];
        int c = f.directions[1];
        if (f.rule == "conflicting-greens" && checked.interGreen[r - 1][c - 1] == 0 && checked.interGreen[c - 1][r - 1] != 0)
            std::swap(r, c);
        place = {CTabs::ZadTab, Grid::InterGreen, r - 1, c};
    } else if (f.rule == "intergreen-asymmetric" && f.directions.size() == 2) {
        // Row r, column c of the table: the time from r's green to c's (column 0 is the label).
        place = {CTabs::ZadTab, Grid::InterGreen, f.directions[0] - 1, f.directions[1]};
    } else if (f.rule == "output-shared" && f.output) {
        const int row = LampRowOf(checked, *f.output);
        if (row >= 0)
            place = {CTabs::OutputsTab, Grid::LampOutputs, row, *f.output + 1}; // columns 0, 1: direction, lamp
        else
            place = {CTabs::OutputsTab, Grid::WaitBoards, 0, *f.output};
    } else if (f.rule == "output-missing" && d > 0) {
        const bool red = checked.lampOutputs[static_cast<std::size_t>(lampRow(0))] != 0;
        place = {CTabs::OutputsTab, Grid::LampOutputs, lampRow(red ? 2 : 0), -1};
    } else if (f.rule == "yellow-missing" && d > 0) {
        place = {CTabs::OutputsTab, Grid::LampOutputs, lampRow(1), -1};
    } else if (f.rule == "sensor-missing" && d > 0) {
        const bool red = checked.redSensors[static_cast<std::size_t>(d - 1)] != 0;
        place = {CTabs::SensorsTab, red ? Grid::GreenSensors : Grid::RedSensors, d - 1, -1};
    } else if (f.rule == "no-steps" && d > 0) {
        place = {CTabs::DirectionsTab, Grid::Directions, d - 1, 9}; // "Т зел.", the first step time
    } else if (f.day) {
        place.tab = CTabs::SchedulesTab;
        place.day = *f.day;
    } else if (f.program && f.phase) {
        // The phase's duration in the program: column 0 is the phase number, then three a program.
        place = {CTabs::ProgramsTab, Grid::Programs, *f.phase - 1, 3 * (*f.program - 1) + 1};
    } else if (f.program) {
        place.tab = CTabs::ProgramsTab;
    } else if (f.rule == "empty-week") {
        place.tab = CTabs::SchedulesTab;
    }
    return place;
}

QString PlaceText(const Finding& f)
{
    QStringList parts;
    if (f.day && f.minute)
        parts << QString::fromUtf8(CheckDayName(*f.day).data(), static_cast<qsizetype>(CheckDayName(*f.day).size()))
                     + QLatin1Char(' ') + QString::fromStdString(CheckTime(*f.minute));
    if (f.program)
        parts << QStringLiteral("программа %1").arg(*f.program);
    if (f.fromPhase && f.phase)
        parts << QStringLiteral("фазы %1→%2").arg(*f.fromPhase).arg(*f.phase);
    else if (f.phase)
        parts << QStringLiteral("фаза %1").arg(*f.phase);
    std::vector<int> directions = f.directions;
    if (directions.size() == 2 && directions[0] == directions[1])
        directions.pop_back();
    if (!directions.empty()) {
        QStringList numbers;
        for (int d : directions)
            numbers << QString::number(d);
        parts << (directions.size() == 1 ? QStringLiteral("направление ") : QStringLiteral("направления "))
                     + numbers.join(QStringLiteral(", "));
    }
    if (f.output)
        parts << QStringLiteral("выход %1").arg(*f.output);
    if (f.second)
        parts << QStringLiteral("секунда %1").arg(*f.second);
    return Capitalised(parts.join(QStringLiteral(", ")));
}

CheckList::CheckList(CTabs& tabs, QWidget* parent) : QDockWidget(QStringLiteral("Проверка конфигурации"), parent), m_tabs(tabs)
{
    setObjectName(QStringLiteral("CheckList"));
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(4, 2, 4, 4);
    layout->setSpacing(2);
    m_summary = new QLabel(body);
    m_summary->setWordWrap(true);
    layout->addWidget(m_summary);
    m_list = new QTreeWidget(body);
    m_list->setColumnCount(3);
    m_list->setHeaderLabels({QStringLiteral("Важность"), QStringLiteral("Место"), QStringLiteral("Сообщение")});
    m_list->setRootIsDecorated(false);
    // A finding's sentence wraps in its column instead of being cut: the rows take its height.
    m_list->setUniformRowHeights(false);
    m_list->setWordWrap(true);
    m_list->setTextElideMode(Qt::ElideNone);
    m_list->setItemDelegate(new WrappingDelegate(m_list));
    m_list->setAlternatingRowColors(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->header()->setStretchLastSection(true);
    m_list->header()->setSectionResizeMode(SeverityColumn, QHeaderView::ResizeToContents);
    m_list->header()->setSectionResizeMode(PlaceColumn, QHeaderView::Interactive);
    m_list->header()->resizeSection(PlaceColumn, 240);
    // Wrapped rows are measured again whenever a column's width changes.
    connect(m_list->header(), &QHeaderView::sectionResized, m_list, [this] { m_list->doItemsLayout(); });
    layout->addWidget(m_list);
    setWidget(body);
    // A double click or Enter on a line.
    connect(m_list, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        if (item)
            ShowFinding(m_list->indexOfTopLevelItem(item));
    });
    Fill();
    // Ctrl+K is also the line edits' "delete to the end of the line" on X11 keyboards; within this
    // window the check has it.
    qApp->installEventFilter(this);
}

CheckList::~CheckList() = default;

bool CheckList::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride && watched->isWidgetType()
        && static_cast<QWidget*>(watched)->window() == window()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_K && key->modifiers() == Qt::ControlModifier)
            return true; // not accepted: the shortcut goes to the window's command
    }
    return QDockWidget::eventFilter(watched, event);
}

void CheckList::Check()
{
    m_checked = ConfigPages(m_tabs.Pages()).Read();
    m_findings = ConfigurationCheck(m_checked);
}

void CheckList::Fill()
{
    m_list->clear();
    int errors = 0;
    for (const Finding& f : m_findings) {
        const bool error = f.severity == Severity::Error;
        errors += error ? 1 : 0;
        const std::string_view severity = SeverityText(f.severity);
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(SeverityColumn, QString::fromUtf8(severity.data(), static_cast<qsizetype>(severity.size())));
        item->setIcon(SeverityColumn,
                      style()->standardIcon(error ? QStyle::SP_MessageBoxCritical : QStyle::SP_MessageBoxWarning));
        item->setText(PlaceColumn, PlaceText(f));
        item->setText(MessageColumn, QString::fromStdString(f.message));
        item->setToolTip(MessageColumn, item->text(MessageColumn) + QStringLiteral(" [") + QString::fromStdString(f.rule)
                                            + QLatin1Char(']'));
    }
    const int warnings = static_cast<int>(m_findings.size()) - errors;
    m_summary->setText(m_findings.empty() ? QStringLiteral("Ошибок и предупреждений нет")
                                          : QStringLiteral("Ошибок: %1, предупреждений: %2").arg(errors).arg(warnings));
    m_list->resizeColumnToContents(SeverityColumn);
    m_list->resizeColumnToContents(PlaceColumn);
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
}

void CheckList::Run()
{
    // What the engineer is typing counts: an open cell edit is taken into its cell first.
    for (ARecordList* grid : m_tabs.findChildren<ARecordList*>())
        (void)grid->EndEdit(true, false);
    Check();
    Fill();
    ShowList();
    m_list->setFocus(Qt::OtherFocusReason);
}

bool CheckList::ConfirmWrite(Messages& messages)
{
    Check();
    Fill();
    if (!HasErrors(m_findings))
        return true;
    ShowList();
    return messages.AskYesNo("Записать в контроллер, несмотря на ошибки?", MessageIcon::Question);
}

void CheckList::AfterSave()
{
    Check();
    Fill();
    if (HasErrors(m_findings))
        ShowList();
}

void CheckList::ShowList()
{
    const bool first = !m_shownOnce;
    m_shownOnce = true;
    show();
    raise();
    // The first time, a few lines of findings under the pages rather than half the window; the
    // engineer may drag it taller afterwards.
    if (first) {
        if (auto* frame = qobject_cast<QMainWindow*>(parentWidget())) {
            const int lines = 7;
            // The pages keep at least two thirds of the window's height.
            const int wanted = m_list->fontMetrics().height() * lines + m_summary->sizeHint().height() * 3;
            frame->resizeDocks({this}, {std::min(wanted, frame->height() / 3)}, Qt::Vertical);
        }
    }
}

void CheckList::ShowFinding(int index)
{
    if (index < 0 || index >= static_cast<int>(m_findings.size()))
        return;
    const FindingPlace place = PlaceOf(m_findings[static_cast<std::size_t>(index)], m_checked);
    if (place.tab < 0)
        return;
    ShowPlace(m_tabs, place);
}

void ShowPlace(CTabs& tabs, const FindingPlace& place)
{
    if (place.tab < 0)
        return;
    tabs.SelectPage(place.tab);
    ARecordList* grid = nullptr;
    switch (place.grid) {
    case FindingPlace::Grid::Programs: grid = tabs.ProgramPage().Programs(); break;
    case FindingPlace::Grid::Directions: grid = tabs.DirectionPage().Directions(); break;
    case FindingPlace::Grid::LampOutputs: grid = tabs.OutputPage().LampOutput(); break;
    case FindingPlace::Grid::WaitBoards: grid = tabs.OutputPage().WaitBoard(); break;
    case FindingPlace::Grid::RedSensors: grid = tabs.MeasurePage().RedSensor(); break;
    case FindingPlace::Grid::GreenSensors: grid = tabs.MeasurePage().GreenSensor(); break;
    case FindingPlace::Grid::InterGreen: grid = tabs.ConfigPage().InterGreen(); break;
    case FindingPlace::Grid::None: break;
    }
    if (!grid || place.row < 0 || place.row >= grid->GetRowCount()) {
        if (place.day >= 0)
            tabs.GraficPage().Day(place.day).setFocus(Qt::OtherFocusReason);
        return;
    }
    // The grids of the pages keep no current row; their one cell cursor is the editor. The row
    // comes into view first, then the editor opens on the cell, or the grid takes the keys.
    if (!grid->EndEdit(true, false))
        return;
    const int top = RecordListLayout::ScrollIntoView(grid->Geometry(), place.row);
    if (top >= 0)
        grid->verticalScrollBar()->setValue(top);
    if (place.column >= 0 && place.column < grid->GetColumnCount())
        grid->BeginEdit(place.row, place.column);
    if (!grid->Editor()) {
        grid->SetCurSel(place.row);
        grid->setFocus(Qt::OtherFocusReason);
    }
}

} // namespace vlk
