// "События" on its own: the active alarms above the history, the kind filter, acknowledging one
// selected alarm, and a history too long to list whole.
#include "frame/EventList.h"

#include "support/WindowInput.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace vlk::test {
namespace {

JunctionEvent Alarm(std::int64_t second, EventKind kind, int priority, bool active, int direction, const char* text)
{
    JunctionEvent e;
    e.timeMs = 1'765'195'200'000 + second * 1000;
    e.kind = kind;
    e.priority = priority;
    e.active = active;
    e.direction = direction;
    e.message = text;
    return e;
}

class EventListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_list = std::make_unique<EventList>();
        m_list->resize(900, 400);
        ASSERT_TRUE(ShowAndActivate(m_list.get()));
    }
    QStringList Column(int column) const
    {
        QStringList texts;
        for (int i = 0; i < m_list->List()->topLevelItemCount(); ++i)
            texts << m_list->List()->topLevelItem(i)->text(column);
        return texts;
    }
    std::unique_ptr<EventList> m_list;
};

TEST_F(EventListTest, ActiveAlarmsStandOnTopAndOneSelectedIsAcknowledged)
{
    m_list->ShowEvents({
        Alarm(1, EventKind::Clock, 3, true, 0, "Часы"),
        Alarm(2, EventKind::DirectionFailure, 1, true, 3, "Направление 3: авария"),
        Alarm(3, EventKind::DirectionFailure, 1, true, 5, "Направление 5: авария"),
        Alarm(4, EventKind::DirectionFailure, 1, false, 3, "Направление 3: авария снята"),
    });
    // Direction 5's failure (priority 1) before the clock (3); then the history, newest first.
    EXPECT_EQ(Column(EventList::MessageColumn),
              (QStringList{"Направление 5: авария", "Часы", "Направление 3: авария снята", "Направление 5: авария",
                           "Направление 3: авария", "Часы"}));
    EXPECT_EQ(Column(EventList::StateColumn).mid(0, 3), (QStringList{"активна", "активна", "конец"}));
    EXPECT_EQ(m_list->UnacknowledgedCount(), 2);

    // Select the clock's line, "Квитировать": only it is acknowledged.
    QWidget* viewport = m_list->List()->viewport();
    const QRect clock = m_list->List()->visualItemRect(m_list->List()->topLevelItem(1));
    Click(viewport, clock.center());
    Click(m_list->AcknowledgeButton());
    ASSERT_TRUE(PumpUntil([&] { return m_list->UnacknowledgedCount() == 1; }));
    EXPECT_EQ(Column(EventList::StateColumn).mid(0, 2), (QStringList{"активна", "активна, квитирована"}));
    EXPECT_TRUE(m_list->AcknowledgeButton()->isEnabled());
    EXPECT_NE(m_list->Summary()->text().indexOf(QStringLiteral("не квитировано: 1")), -1)
        << m_list->Summary()->text().toStdString();

    // The kind filter, by the keyboard: only the failures of directions.
    Click(m_list->KindFilter());
    ASSERT_TRUE(PumpUntil([] { return QApplication::activePopupWidget() != nullptr; }));
    const int failures = m_list->KindFilter()->findData(static_cast<int>(EventKind::DirectionFailure));
    for (int i = 0; i < failures; ++i)
        Key(m_list->KindFilter(), Qt::Key_Down);
    Key(m_list->KindFilter(), Qt::Key_Return);
    ASSERT_TRUE(PumpUntil([&] { return m_list->KindFilter()->currentIndex() == failures; }));
    EXPECT_EQ(Column(EventList::MessageColumn),
              (QStringList{"Направление 5: авария", "Направление 3: авария снята", "Направление 5: авария",
                           "Направление 3: авария"}));
}

TEST_F(EventListTest, AHistoryTooLongIsListedByItsNewestAndSaysSo)
{
    std::vector<JunctionEvent> events;
    for (int i = 0; i < 6000; ++i)
        events.push_back(Alarm(i, EventKind::Program, 3, true, 0, i == 5999 ? "последнее" : "смена"));
    for (auto& e : events)
        e.alarm = false;
    m_list->ShowEvents(events);
    EXPECT_EQ(m_list->List()->topLevelItemCount(), 5000);
    EXPECT_EQ(m_list->List()->topLevelItem(0)->text(EventList::MessageColumn), QStringLiteral("последнее"));
    EXPECT_NE(m_list->Summary()->text().indexOf(QStringLiteral("показаны последние 5000")), -1)
        << m_list->Summary()->text().toStdString();
    EXPECT_EQ(m_list->Shown().size(), 6000u);
}

} // namespace
} // namespace vlk::test
