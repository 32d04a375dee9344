// "События" and the replay of a recording, through the station's window: a live alarm brings the
// list up, is acknowledged and exported; a recording opened from the menu plays on the console,
// which takes no command meanwhile, and closing it gives the console back to the line.
#include "e2e/StationHarness.h"

#include "frame/EventList.h"
#include "frame/ReplayBar.h"
#include "grid/ARecordList.h"
#include "pages/DeskWnd.h"
#include "record/Recording.h"
#include "util/WholeFile.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>
#include <QTreeWidget>

namespace vlk::test {
namespace {

class StationEvents : public StationTest {
protected:
    QString Text(int id) const
    {
        const auto* edit = m_frame->Console().Item<QLineEdit>(id);
        return edit ? edit->text() : QString();
    }
    void ClickOn(const QWidget* target)
    {
        ASSERT_TRUE(Reaches(target)) << target->objectName().toStdString();
        Move(target, CentreOf(target));
        Click(target);
        QTest::qWait(20);
    }
    // Chooses entry `index` of a combo box as a person does: opens it, moves with the arrow keys.
    void Choose(QComboBox* box, int index)
    {
        ClickOn(box);
        ASSERT_TRUE(PumpUntil([&] { return QApplication::activePopupWidget() != nullptr; }));
        for (int i = box->currentIndex(); i < index; ++i)
            Key(box, Qt::Key_Down);
        for (int i = box->currentIndex(); i > index; --i)
            Key(box, Qt::Key_Up);
        Key(box, Qt::Key_Return);
        ASSERT_TRUE(PumpUntil([&] { return box->currentIndex() == index; }));
    }
};

TEST_F(StationEvents, ALiveAlarmBringsUpTheListAndIsFilteredAcknowledgedAndExported)
{
    SimulatorOptions options = FastOptions();
    JunctionFault alarm;
    alarm.kind = JunctionFault::Kind::Alarm;
    alarm.from = 1s;
    alarm.lasting = 600s;
    options.junctionFaults = {alarm};
    StartSimulator(options);
    StartStation(1);
    EventList& list = m_frame->Events();
    ASSERT_TRUE(PumpUntil([&] { return list.isVisible() && list.ActiveCount() == 1; }, 15s));
    QTreeWidgetItem* top = list.List()->topLevelItem(0);
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->text(EventList::StateColumn), QStringLiteral("активна"));
    EXPECT_EQ(top->text(EventList::PriorityColumn), QStringLiteral("1"));
    EXPECT_EQ(top->text(EventList::MessageColumn), QStringLiteral("Контроллер сообщает «АВАРИЯ»"));
    EXPECT_TRUE(m_frame->Command(CMainFrame::ID_EVENTS)->isChecked());

    // Priority 3 only: the alarm is not among them; all again.
    Choose(list.PriorityFilter(), 3);
    EXPECT_EQ(list.List()->topLevelItemCount(), 0);
    Choose(list.PriorityFilter(), 0);
    ASSERT_GE(list.List()->topLevelItemCount(), 2); // the active alarm on top, and its event

    ClickOn(list.AcknowledgeButton());
    ASSERT_TRUE(PumpUntil([&] { return list.UnacknowledgedCount() == 0; }));
    EXPECT_EQ(list.List()->topLevelItem(0)->text(EventList::StateColumn), QStringLiteral("активна, квитирована"));
    EXPECT_FALSE(list.AcknowledgeButton()->isEnabled());
    EXPECT_EQ(list.ActiveCount(), 1);

    const QString csv = QString::fromStdString(m_state) + QStringLiteral("/events.csv");
    m_dialogs.csvNames = {csv};
    ClickOn(list.ExportButton());
    ASSERT_TRUE(PumpUntil([&] { return QFile::exists(csv); }));
    EXPECT_EQ(m_dialogs.csvSuggested, QStringLiteral("события.csv"));
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(text.startsWith(QStringLiteral("time,kind,priority,direction,channel,active,message\r\n"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral(",alarm,1,,,true,Контроллер сообщает «АВАРИЯ»\r\n"))) << text.toStdString();

    // And the exchange kept it all in the day's recording.
    const QStringList recordings =
        QDir(QString::fromStdString(m_state + "/vlk-station/recordings")).entryList({QStringLiteral("*.vlkrec")});
    ASSERT_EQ(recordings.size(), 1);
    EXPECT_TRUE(recordings[0].endsWith(QStringLiteral("-COM1.vlkrec"))) << recordings[0].toStdString();
}

TEST_F(StationEvents, ARecordingIsReplayedOnTheConsoleAndClosingItGivesTheLineBack)
{
    // Ten minutes at a frame a second: phase p in minute p - 1, "АВАРИЯ" in minutes 3 and 4.
    const std::int64_t start = 1'765'195'200'000; // 2025-12-08 12:00:00 UTC
    const std::string path = m_state + "/junction.vlkrec";
    {
        RecordingWriter writer;
        ASSERT_EQ(writer.Open(path, {"COM1:", start, ConfigurationImage::Encode(Configuration::FreshStart())}), "");
        for (int s = 0; s < 600; ++s) {
            FrameBytes frame{};
            frame[0] = static_cast<std::uint8_t>(s >= 180 && s < 300 ? 0x60 : 0x20);
            frame[1] = static_cast<std::uint8_t>(s / 60 % 8 + 1);
            frame[3] = 0x10;
            const std::uint8_t answer[] = {0x00};
            ASSERT_EQ(writer.Append(FrameRecord(start + s * 1000, frame, answer), 0), "");
        }
    }
    StartSimulator(FastOptions());
    StartStation(1);
    ASSERT_TRUE(PumpUntil([&] { return m_frame->ExchangeRunning(); }));
    m_dialogs.recordingNames = {QString::fromStdString(path)};
    ClickMenuItem(CMainFrame::ID_OPEN_RECORDING);
    ASSERT_TRUE(m_frame->Replaying());
    EXPECT_EQ(m_dialogs.recordingFolder, QString::fromStdString(m_state + "/vlk-station/recordings"));
    EXPECT_FALSE(m_frame->ExchangeRunning());
    const QString date = QDateTime::fromMSecsSinceEpoch(start).toString(QStringLiteral("dd.MM.yyyy"));
    EXPECT_TRUE(m_frame->windowTitle().contains(QStringLiteral("Запись ") + date)) << m_frame->windowTitle().toStdString();
    ReplayBar& bar = m_frame->Replay();
    EXPECT_EQ(bar.Position(), start);
    EXPECT_EQ(Text(CDeskWnd::CurrentPhaseId), QStringLiteral("1"));

    // The next event: "АВАРИЯ" at 12:03.
    ClickOn(bar.NextButton());
    EXPECT_EQ(bar.Position(), start + 180'000);
    EXPECT_EQ(Text(CDeskWnd::CurrentPhaseId), QStringLiteral("4"));
    EXPECT_EQ(m_frame->Console().StateGrid()->GetCellText(6, 1), QStringLiteral("К"));
    ClickOn(bar.NextButton()); // cleared at 12:05
    EXPECT_EQ(bar.Position(), start + 300'000);
    EXPECT_EQ(m_frame->Console().StateGrid()->GetCellText(6, 1), QStringLiteral(" "));
    ClickOn(bar.PreviousButton());
    EXPECT_EQ(bar.Position(), start + 180'000);

    // The slider, by the keyboard: to the end.
    ClickOn(bar.Slider());
    Key(bar.Slider(), Qt::Key_End);
    ASSERT_TRUE(PumpUntil([&] { return bar.Position() == start + 599'000; }));
    EXPECT_EQ(Text(CDeskWnd::CurrentPhaseId), QStringLiteral("2")); // minute 9: phase 10 % 8

    // A double click on the alarm's line moves the replay there.
    EventList& list = m_frame->Events();
    EXPECT_TRUE(list.isVisible());
    QTreeWidgetItem* raised = nullptr;
    for (int i = 0; i < list.List()->topLevelItemCount(); ++i)
        if (list.List()->topLevelItem(i)->text(EventList::StateColumn) == QStringLiteral("начало")
            && list.List()->topLevelItem(i)->text(EventList::MessageColumn) == QStringLiteral("Контроллер сообщает «АВАРИЯ»"))
            raised = list.List()->topLevelItem(i);
    ASSERT_NE(raised, nullptr);
    QWidget* viewport = list.List()->viewport();
    const QRect rect = list.List()->visualItemRect(raised);
    ASSERT_TRUE(Reaches(viewport, rect.center()));
    DoubleClick(viewport, rect.center());
    ASSERT_TRUE(PumpUntil([&] { return bar.Position() == start + 180'000; })) << bar.Position() - start;

    // Played at 60 times: a real second is a minute of the recording.
    Choose(bar.SpeedBox(), 2);
    EXPECT_EQ(bar.Speed(), 60);
    ClickOn(bar.PlayButton());
    EXPECT_TRUE(bar.Playing());
    EXPECT_EQ(bar.PlayButton()->text(), QStringLiteral("Пауза"));
    ASSERT_TRUE(PumpUntil([&] { return bar.Position() >= start + 240'000; }, 10s));
    ClickOn(bar.PlayButton());
    EXPECT_FALSE(bar.Playing());
    const std::int64_t paused = bar.Position();
    QTest::qWait(300);
    EXPECT_EQ(bar.Position(), paused);

    // Read-only: the control toggle takes no click.
    QWidget* toggle = m_frame->Console().GetDlgItem(CDeskWnd::ToggleId);
    ASSERT_NE(toggle, nullptr);
    ClickOn(toggle);
    EXPECT_TRUE(m_frame->Console().ControlLocked());
    EXPECT_FALSE(m_frame->Command(CMainFrame::ID_EXCHANGE_START)->isEnabled());

    ClickOn(bar.CloseButton());
    EXPECT_FALSE(m_frame->Replaying());
    EXPECT_FALSE(bar.isVisible());
    EXPECT_FALSE(m_frame->windowTitle().contains(QStringLiteral("Запись")));
    ASSERT_TRUE(PumpUntil([&] { return m_frame->ExchangeRunning(); }));
    ClickOn(toggle);
    EXPECT_FALSE(m_frame->Console().ControlLocked());
}

TEST_F(StationEvents, RecordingIsOnAtStartAndTheUserMayTurnItOffForTheRun)
{
    StartSimulator(FastOptions());
    StartStation(1);
    QAction* record = m_frame->Command(CMainFrame::ID_RECORD_EXCHANGE);
    ASSERT_NE(record, nullptr);
    EXPECT_TRUE(record->isChecked());
    const QString folder = QString::fromStdString(m_state + "/vlk-station/recordings");
    auto recorded = [&] {
        const QStringList files = QDir(folder).entryList({QStringLiteral("*.vlkrec")});
        return files.isEmpty() ? qint64{0} : QFileInfo(QDir(folder).filePath(files[0])).size();
    };
    ASSERT_TRUE(PumpUntil([&] { return recorded() >= 2048 + 5 * 45; }, 10s));

    ClickMenuItem(CMainFrame::ID_RECORD_EXCHANGE);
    EXPECT_FALSE(record->isChecked());
    ASSERT_TRUE(PumpUntil([&] { return m_frame->ExchangeRunning(); }));
    // The exchange goes on, the recording does not grow.
    const std::size_t frames = m_sim->FramesSent();
    const qint64 size = recorded();
    ASSERT_TRUE(WaitFor([&] { return m_sim->FramesSent() >= frames + 5; }, 10s));
    EXPECT_EQ(recorded(), size);

    ClickMenuItem(CMainFrame::ID_RECORD_EXCHANGE);
    EXPECT_TRUE(record->isChecked());
    ASSERT_TRUE(PumpUntil([&] { return recorded() >= size + 3 * 45; }, 10s));
}

TEST_F(StationEvents, WhatIsNoRecordingIsRefusedWithOneMessage)
{
    StartStation(0);
    const std::string path = m_state + "/plan.vlk";
    ASSERT_EQ(WriteWholeFile(path, ConfigurationImage::Encode(Configuration::FreshStart())), "");
    m_dialogs.recordingNames = {QString::fromStdString(path)};
    ClickMenuItem(CMainFrame::ID_OPEN_RECORDING);
    EXPECT_FALSE(m_frame->Replaying());
    ASSERT_EQ(m_messages.Entries().size(), 1u);
    EXPECT_EQ(m_messages.Entries()[0].text, "Запись не открыта: " + path + ": это не запись работы контроллера");
}

} // namespace
} // namespace vlk::test
