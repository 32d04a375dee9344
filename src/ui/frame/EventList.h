#pragma once

#include "config/Configuration.h"
#include "record/JunctionEvents.h"

#include <QDockWidget>
#include <QString>

#include <functional>
#include <memory>
#include <set>
#include <vector>

class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace vlk {

// "События": what the junction did, as events with their time, priority, kind, place and state.
// Live, it follows the exchange's records; for a replay it shows a whole recording's events. The
// alarms active now stand at the top (highest priority first), then every event, newest first.
// The frame brings it up for a new alarm of the first priority.
// "Квитировать" acknowledges the selected active alarms (all of them when none is selected): they
// stay at the top while active, no longer marked. Filters by priority and kind; "Экспорт CSV…"
// writes what the filters show. A double click on an event asks to move a replay to its time.
class EventList : public QDockWidget {
    Q_OBJECT
public:
    enum Column { TimeColumn, PriorityColumn, KindColumn, PlaceColumn, StateColumn, MessageColumn };
    // The most events listed below the active alarms (the newest ones); the export has them all.
    static constexpr int kShownLimit = 5000;

    explicit EventList(QWidget* parent = nullptr);
    ~EventList() override;
    EventList(const EventList&) = delete;
    EventList& operator=(const EventList&) = delete;

    // A new live exchange read with `configuration`: the list starts empty.
    void StartLive(const Configuration& configuration);
    // One record of the live exchange.
    void Feed(const RecordEntry& record);
    // A recording's events, for its replay.
    void ShowEvents(std::vector<JunctionEvent> events);

    // Acknowledges the selected active alarms, or all active alarms when none is selected.
    void Acknowledge();
    // Writes the events the filters let through, oldest first, as CSV (EventsCsv). Empty, or why
    // in Russian.
    [[nodiscard]] QString ExportCsv(const QString& path) const;
    // Asks the path for the export (Cancel: empty); the button uses it.
    void SetCsvPathSource(std::function<QString()> ask) { m_askCsvPath = std::move(ask); }

    [[nodiscard]] const std::vector<JunctionEvent>& Events() const { return m_events; }
    // The events the filters show, in the list's order.
    [[nodiscard]] std::vector<JunctionEvent> Shown() const;
    [[nodiscard]] int ActiveCount() const;
    [[nodiscard]] int UnacknowledgedCount() const;

    [[nodiscard]] QTreeWidget* List() const { return m_list; }
    [[nodiscard]] QComboBox* PriorityFilter() const { return m_priority; }
    [[nodiscard]] QComboBox* KindFilter() const { return m_kind; }
    [[nodiscard]] QPushButton* AcknowledgeButton() const { return m_acknowledge; }
    [[nodiscard]] QPushButton* ExportButton() const { return m_export; }
    [[nodiscard]] QLabel* Summary() const { return m_summary; }

signals:
    // A double click (or Enter) on an event.
    void EventActivated(qint64 timeMs);

private:
    // What identifies one alarm: its kind and place.
    struct AlarmKey {
        int kind, direction, channel, sensor;
        auto operator<=>(const AlarmKey&) const = default;
    };
    static AlarmKey KeyOf(const JunctionEvent& e);
    void Add(std::vector<JunctionEvent> more);
    void Fill();
    [[nodiscard]] bool Passes(const JunctionEvent& e) const;
    // The active alarms (their raising events), highest priority first.
    [[nodiscard]] std::vector<const JunctionEvent*> Active() const;

    std::unique_ptr<EventTracker> m_tracker;
    std::vector<JunctionEvent> m_events;
    std::set<AlarmKey> m_acknowledged;
    std::function<QString()> m_askCsvPath;
    QLabel* m_summary = nullptr;
    QComboBox* m_priority = nullptr;
    QComboBox* m_kind = nullptr;
    QPushButton* m_acknowledge = nullptr;
    QPushButton* m_export = nullptr;
    QTreeWidget* m_list = nullptr;
};

} // namespace vlk
