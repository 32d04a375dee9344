#include "frame/EventList.h"

#include "record/EventExport.h"
#include "util/WholeFile.h"

#include <QBrush>
#include <QComboBox>
#include <QDateTime>
#include <QFont>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <map>

namespace vlk {

namespace {

// The place of an event in words: "направление 3, зеленый, канал 5".
QString PlaceText(const JunctionEvent& e)
{
    QStringList parts;
    if (e.direction)
        parts << QStringLiteral("направление %1").arg(e.direction);
    if (e.lamp == EventLamp::Red)
        parts << (e.sensor == 2 ? QStringLiteral("красный Л2") : QStringLiteral("красный Л1"));
    else if (e.lamp == EventLamp::Green)
        parts << QStringLiteral("зеленый");
    if (e.channel)
        parts << QStringLiteral("канал %1").arg(e.channel);
    return parts.join(QStringLiteral(", "));
}

QString TimeText(std::int64_t ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

// Where the list keeps the event an item stands for: its index in Events().
constexpr int kIndexRole = Qt::UserRole;

} // namespace

EventList::EventList(QWidget* parent) : QDockWidget(QStringLiteral("События"), parent)
{
    setObjectName(QStringLiteral("EventList"));
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(4, 2, 4, 4);
    layout->setSpacing(2);
    auto* bar = new QHBoxLayout;
    m_summary = new QLabel(body);
    bar->addWidget(m_summary, 1);
    m_priority = new QComboBox(body);
    m_priority->setObjectName(QStringLiteral("EventPriorityFilter"));
    m_priority->addItems({QStringLiteral("Все приоритеты"), QStringLiteral("Приоритет 1"), QStringLiteral("Приоритет 1–2"),
                          QStringLiteral("Приоритет 3")});
    bar->addWidget(m_priority);
    m_kind = new QComboBox(body);
    m_kind->setObjectName(QStringLiteral("EventKindFilter"));
    m_kind->addItem(QStringLiteral("Все события"), -1);
    for (int k = 0; k < kEventKindCount; ++k)
        m_kind->addItem(QString::fromUtf8(EventKindTitle(static_cast<EventKind>(k))), k);
    bar->addWidget(m_kind);
    m_acknowledge = new QPushButton(QStringLiteral("Квитировать"), body);
    bar->addWidget(m_acknowledge);
    m_export = new QPushButton(QStringLiteral("Экспорт CSV…"), body);
    bar->addWidget(m_export);
    layout->addLayout(bar);

    m_list = new QTreeWidget(body);
    m_list->setColumnCount(6);
    m_list->setHeaderLabels({QStringLiteral("Время"), QStringLiteral("Приоритет"), QStringLiteral("Событие"),
                             QStringLiteral("Место"), QStringLiteral("Состояние"), QStringLiteral("Сообщение")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAlternatingRowColors(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->header()->setStretchLastSection(true);
    layout->addWidget(m_list);
    setWidget(body);

    connect(m_priority, &QComboBox::currentIndexChanged, this, [this] { Fill(); });
    connect(m_kind, &QComboBox::currentIndexChanged, this, [this] { Fill(); });
    connect(m_acknowledge, &QPushButton::clicked, this, &EventList::Acknowledge);
    connect(m_export, &QPushButton::clicked, this, [this] {
        if (!m_askCsvPath)
            return;
        const QString path = m_askCsvPath();
        if (path.isEmpty())
            return;
        const QString error = ExportCsv(path);
        m_summary->setText(error.isEmpty() ? QStringLiteral("Записан файл %1").arg(path) : error);
    });
    connect(m_list, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        if (!item)
            return;
        const int index = item->data(0, kIndexRole).toInt();
        if (index >= 0 && index < static_cast<int>(m_events.size()))
            emit EventActivated(m_events[static_cast<std::size_t>(index)].timeMs);
    });
    Fill();
}

EventList::~EventList() = default;

EventList::AlarmKey EventList::KeyOf(const JunctionEvent& e)
{
    return {static_cast<int>(e.kind), e.direction, e.channel, e.sensor};
}

void EventList::StartLive(const Configuration& configuration)
{
    m_tracker = std::make_unique<EventTracker>(configuration);
    m_events.clear();
    m_acknowledged.clear();
    Fill();
}

void EventList::Feed(const RecordEntry& record)
{
    if (!m_tracker)
        return;
    std::vector<JunctionEvent> more = m_tracker->Feed(record);
    if (!more.empty())
        Add(std::move(more));
}

void EventList::ShowEvents(std::vector<JunctionEvent> events)
{
    m_tracker.reset();
    m_events = std::move(events);
    m_acknowledged.clear();
    Fill();
}

void EventList::Add(std::vector<JunctionEvent> more)
{
    for (JunctionEvent& e : more) {
        // A raised alarm asks for acknowledgement again, even if it was acknowledged before.
        if (e.alarm && e.active)
            m_acknowledged.erase(KeyOf(e));
        m_events.push_back(std::move(e));
    }
    Fill();
}

std::vector<const JunctionEvent*> EventList::Active() const
{
    std::map<AlarmKey, const JunctionEvent*> last;
    for (const JunctionEvent& e : m_events)
        if (e.alarm)
            last[KeyOf(e)] = &e;
    std::vector<const JunctionEvent*> active;
    for (const auto& [key, e] : last)
        if (e->active)
            active.push_back(e);
    std::stable_sort(active.begin(), active.end(), [](const JunctionEvent* a, const JunctionEvent* b) {
        return a->priority != b->priority ? a->priority < b->priority : a->timeMs > b->timeMs;
    });
    return active;
}

int EventList::ActiveCount() const { return static_cast<int>(Active().size()); }

int EventList::UnacknowledgedCount() const
{
    int count = 0;
    for (const JunctionEvent* e : Active())
        count += m_acknowledged.count(KeyOf(*e)) == 0;
    return count;
}

bool EventList::Passes(const JunctionEvent& e) const
{
    switch (m_priority->currentIndex()) {
    case 1: if (e.priority != 1) return false; break;
    case 2: if (e.priority > 2) return false; break;
    case 3: if (e.priority != 3) return false; break;
    default: break;
    }
    const int kind = m_kind->currentData().toInt();
    return kind < 0 || kind == static_cast<int>(e.kind);
}

std::vector<JunctionEvent> EventList::Shown() const
{
    std::vector<JunctionEvent> shown;
    for (const JunctionEvent* e : Active())
        if (Passes(*e))
            shown.push_back(*e);
    for (auto it = m_events.rbegin(); it != m_events.rend(); ++it)
        if (Passes(*it))
            shown.push_back(*it);
    return shown;
}

void EventList::Fill()
{
    m_list->clear();
    const std::vector<const JunctionEvent*> active = Active();
    auto add = [this](const JunctionEvent& e, bool atTop) {
        auto* item = new QTreeWidgetItem(m_list);
        const bool acknowledged = m_acknowledged.count(KeyOf(e)) > 0;
        QString state = QString::fromUtf8(EventStateText(e));
        if (atTop)
            state = acknowledged ? QStringLiteral("активна, квитирована") : QStringLiteral("активна");
        item->setText(TimeColumn, TimeText(e.timeMs));
        item->setText(PriorityColumn, QString::number(e.priority));
        item->setText(KindColumn, QString::fromUtf8(EventKindTitle(e.kind)));
        item->setText(PlaceColumn, PlaceText(e));
        item->setText(StateColumn, state);
        item->setText(MessageColumn, QString::fromStdString(e.message));
        item->setData(0, kIndexRole, static_cast<int>(&e - m_events.data()));
        if (atTop) {
            QFont font = item->font(0);
            font.setBold(!acknowledged);
            const QBrush brush(e.priority == 1 ? QColor(0xB0, 0x00, 0x00) : QColor(0x80, 0x50, 0x00));
            for (int c = 0; c < m_list->columnCount(); ++c) {
                item->setFont(c, font);
                item->setForeground(c, brush);
            }
        }
    };
    for (const JunctionEvent* e : active)
        if (Passes(*e))
            add(*e, true);
    // A day of a flapping sensor may hold tens of thousands of events: the list shows the newest
    // kShownLimit the filters let through (the export writes them all).
    int shown = 0;
    int hidden = 0;
    for (auto it = m_events.rbegin(); it != m_events.rend(); ++it) {
        if (!Passes(*it))
            continue;
        if (shown < kShownLimit) {
            add(*it, false);
            ++shown;
        } else {
            ++hidden;
        }
    }
    const int unacknowledged = UnacknowledgedCount();
    QString summary = m_events.empty() ? QStringLiteral("Событий нет")
                                       : QStringLiteral("Событий: %1, активных аварий: %2, не квитировано: %3")
                                             .arg(m_events.size())
                                             .arg(active.size())
                                             .arg(unacknowledged);
    if (hidden > 0)
        summary += QStringLiteral(" (показаны последние %1, уточните фильтр)").arg(kShownLimit);
    m_summary->setText(summary);
    m_acknowledge->setEnabled(unacknowledged > 0);
}

void EventList::Acknowledge()
{
    std::vector<AlarmKey> chosen;
    for (const QTreeWidgetItem* item : m_list->selectedItems()) {
        const int index = item->data(0, kIndexRole).toInt();
        if (index >= 0 && index < static_cast<int>(m_events.size()))
            chosen.push_back(KeyOf(m_events[static_cast<std::size_t>(index)]));
    }
    const std::vector<const JunctionEvent*> active = Active();
    for (const JunctionEvent* e : active) {
        const AlarmKey key = KeyOf(*e);
        if (chosen.empty() || std::find(chosen.begin(), chosen.end(), key) != chosen.end())
            m_acknowledged.insert(key);
    }
    Fill();
}

QString EventList::ExportCsv(const QString& path) const
{
    // The events the filters let through, oldest first, as a spreadsheet reads them.
    std::vector<JunctionEvent> shown;
    for (const JunctionEvent& e : m_events)
        if (Passes(e))
            shown.push_back(e);
    const std::string text = EventsCsv(shown);
    const std::string error =
        WriteWholeFile(path.toStdString(), std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    return QString::fromStdString(error);
}

} // namespace vlk
