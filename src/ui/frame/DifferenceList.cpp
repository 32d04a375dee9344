#include "frame/DifferenceList.h"

#include "config/ConfigurationDiff.h"
#include "frame/Tabs.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vlk {

FindingPlace PlaceOfValue(const ValueRef& v)
{
    using M = ValueRef::Member;
    using Grid = FindingPlace::Grid;
    switch (v.member) {
    case M::ProgramDuration:
        // Column 0 is the phase number, then three columns a program, its duration first.
        return {CTabs::ProgramsTab, Grid::Programs, v.sub, 3 * v.index + 1};
    case M::Tvp1:
    case M::Tvp2:
        return {CTabs::ProgramsTab, Grid::None, -1, -1};
    case M::PhaseMask:
        return {CTabs::DirectionsTab, Grid::Directions, v.index, 1 + v.bit};
    case M::StepTime:
        return {CTabs::DirectionsTab, Grid::Directions, v.index, 9 + v.sub};
    case M::WeekSlot:
        return {CTabs::SchedulesTab, Grid::None, -1, -1, v.index};
    case M::LampOutput:
        // Columns 0 and 1 are the direction and the lamp, then the outputs from 1.
        return {CTabs::OutputsTab, Grid::LampOutputs, v.index, v.bit + 2};
    case M::WaitBoard:
        return {CTabs::OutputsTab, Grid::WaitBoards, v.index, v.bit + 1};
    case M::RedSensor:
        return {CTabs::SensorsTab, Grid::RedSensors, v.index, -1};
    case M::GreenSensor:
        return {CTabs::SensorsTab, Grid::GreenSensors, v.index, -1};
    case M::InterGreen:
        return {CTabs::ZadTab, Grid::InterGreen, v.index, v.sub + 1};
    case M::MinSignalTime:
    case M::CircularRedTime:
    case M::MasterController:
    case M::SyncDelay:
    case M::PhaseMinTime:
    case M::Priority:
    case M::AccountRecord:
        return {CTabs::ZadTab, Grid::None, -1, -1};
    }
    return {};
}

DifferenceList::DifferenceList(CTabs& tabs, QWidget* parent) : QDockWidget(parent), m_tabs(tabs)
{
    setObjectName(QStringLiteral("differences"));
    setWindowTitle(QStringLiteral("Отличия от контроллера"));
    setFeatures(QDockWidget::DockWidgetClosable);
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(4, 2, 4, 4);
    auto* top = new QHBoxLayout;
    m_summary = new QLabel(body);
    m_summary->setWordWrap(true);
    m_take = new QPushButton(QStringLiteral("Взять из контроллера"), body);
    m_take->setToolTip(QStringLiteral("Взять значения контроллера для выбранных строк (для всех, если ни одна не выбрана)"));
    top->addWidget(m_summary, 1);
    top->addWidget(m_take);
    layout->addLayout(top);
    m_list = new QTreeWidget(body);
    m_list->setColumnCount(1);
    m_list->setHeaderHidden(true);
    m_list->setRootIsDecorated(false);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setUniformRowHeights(true);
    layout->addWidget(m_list);
    setWidget(body);
    connect(m_list, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { ShowDifference(m_list->indexOfTopLevelItem(item)); });
    connect(m_take, &QPushButton::clicked, this, [this] {
        std::vector<ValueRef> values;
        const auto chosen = m_list->selectedItems();
        for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
            if (!chosen.isEmpty() && !m_list->topLevelItem(i)->isSelected())
                continue;
            for (const ValueRef& v : m_differences[static_cast<std::size_t>(i)].values)
                if (std::find(values.begin(), values.end(), v) == values.end())
                    values.push_back(v);
        }
        if (!values.empty())
            emit TakeRequested(values);
    });
}

void DifferenceList::Compare(const Configuration& pages, const Configuration& controller, const QString& fingerprint)
{
    m_differences = CompareConfigurations(pages, controller, &ConfigurationDiff::Lines);
    m_list->clear();
    for (const Difference& d : m_differences)
        new QTreeWidgetItem(m_list, {QString::fromStdString(d.text)});
    if (m_differences.empty())
        m_summary->setText(QStringLiteral("Контроллер содержит ту же конфигурацию (%1)").arg(fingerprint));
    else
        m_summary->setText(QStringLiteral("Отличий: %1; отпечаток контроллера %2").arg(m_differences.size()).arg(fingerprint));
    m_take->setEnabled(!m_differences.empty());
    const bool first = !m_shownOnce;
    m_shownOnce = true;
    show();
    raise();
    if (first) {
        if (auto* frame = qobject_cast<QMainWindow*>(parentWidget()))
            frame->resizeDocks({this}, {m_list->fontMetrics().height() * 7 + m_take->sizeHint().height() * 2},
                               Qt::Vertical);
    }
}

void DifferenceList::Interrupted()
{
    m_differences.clear();
    m_list->clear();
    m_take->setEnabled(false);
    m_summary->setText(QStringLiteral("Сравнение не закончено: память контроллера не прочитана целиком"));
}

void DifferenceList::ShowDifference(int index)
{
    if (index < 0 || index >= static_cast<int>(m_differences.size()))
        return;
    const auto& values = m_differences[static_cast<std::size_t>(index)].values;
    if (!values.empty())
        ShowPlace(m_tabs, PlaceOfValue(values.front()));
}

} // namespace vlk
