// vlkctl record against the simulator playing every fault of a junction, and the events read
// from what it recorded: each at its second (within one), in its place, active and cleared.
#include "EventCommands.h"
#include "LinkCommands.h"
#include "ControllerSimulator.h"
#include "config/ConfigurationImage.h"
#include "config/DemoJunction.h"
#include "record/JunctionEvents.h"
#include "record/Recording.h"
#include "util/WholeFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <unistd.h>

namespace vlk::ctl {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// The demo crossroads held still: program 1 all week, direction 1 green in every phase the program
// runs, directions 2 to 4 only in phase 8, which it never runs (red all the time).
Configuration StillJunction()
{
    Configuration c = DemoJunction();
    for (auto& day : c.week) {
        day.fill(0);
        day[0] = 1;
    }
    c.directions[0].phaseMask = 0b0000'0111;
    for (int d = 2; d <= 4; ++d)
        c.directions[static_cast<std::size_t>(d - 1)].phaseMask = 0b1000'0000;
    return c;
}

JunctionFault Fault(JunctionFault::Kind kind, int from, int lasting)
{
    JunctionFault f;
    f.kind = kind;
    f.from = std::chrono::seconds(from);
    f.lasting = std::chrono::seconds(lasting);
    return f;
}

class VlkctlRecord : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "vlkctl-record-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }
    fs::path m_dir;
};

TEST_F(VlkctlRecord, EveryFaultOfTheSimulatorGivesItsEventsAtItsTimeInItsPlace)
{
    using Kind = JunctionFault::Kind;
    const Configuration junction = StillJunction();
    const ImageBytes image = ConfigurationImage::Encode(junction);
    const std::string config = (m_dir / "still.vlk").string();
    ASSERT_EQ(WriteWholeFile(config, image), "");

    SimulatorOptions options;
    options.memory = image;
    // The demo binds red channel d and green sensor d to direction d.
    JunctionFault alarm = Fault(Kind::Alarm, 2, 3);
    JunctionFault failure = Fault(Kind::DirectionFailure, 3, 3);
    failure.direction = 7;
    JunctionFault greenOut = Fault(Kind::LampOut, 2, 4);
    greenOut.direction = 1;
    greenOut.sensor = JunctionFault::Sensor::Green;
    JunctionFault redOut = Fault(Kind::LampOut, 3, 3);
    redOut.direction = 2;
    redOut.sensor = JunctionFault::Sensor::Red2;
    JunctionFault stuck = Fault(Kind::LampStuck, 4, 3);
    stuck.direction = 3;
    stuck.sensor = JunctionFault::Sensor::Green;
    JunctionFault sensorOn = Fault(Kind::SensorOn, 5, 3);
    sensorOn.sensor = JunctionFault::Sensor::Green;
    sensorOn.channel = 4;
    JunctionFault clock = Fault(Kind::ClockOff, 2, 4);
    clock.minutes = 6;
    options.junctionFaults = {alarm, failure, greenOut, redOut, stuck, sensorOn, clock};
    options.silentAfter = 9000ms;
    options.silentFor = 6000ms;

    ControllerSimulator sim(options);
    const std::string port = sim.OpenPty();
    ASSERT_FALSE(port.empty()) << sim.LastError();
    const std::int64_t startMs = UtcNowMs();
    ASSERT_TRUE(sim.Start());
    const std::string file = (m_dir / "junction.vlkrec").string();
    std::ostringstream out, err;
    EXPECT_EQ(RunRecord(port, file, config, 18, out, err), 0) << err.str();
    sim.Stop();
    EXPECT_NE(out.str().find("Связь с контроллером потеряна"), std::string::npos) << out.str();

    std::string error;
    const auto recording = ReadRecording(file, error);
    ASSERT_TRUE(recording) << error;
    EXPECT_EQ(recording->header.port, port);
    EXPECT_EQ(recording->header.image, image);
    EXPECT_GE(recording->records.size(), 14u);
    const auto events = RecordingEvents(*recording, junction);

    std::ostringstream all;
    for (const auto& e : events)
        all << (e.timeMs - startMs) << " ms " << EventKindId(e.kind) << ' ' << (e.active ? "on " : "off ") << e.message << '\n';
    SCOPED_TRACE(all.str());

    // The one event of this kind and place that becomes active (or is cleared), at `second` +- 1 s.
    auto expect = [&](EventKind kind, int direction, int channel, bool active, int second) {
        int found = 0;
        for (const auto& e : events) {
            if (e.kind != kind || e.direction != direction || e.channel != channel || e.active != active)
                continue;
            ++found;
            EXPECT_NEAR(static_cast<double>(e.timeMs - startMs), second * 1000.0, 1000.0)
                << EventKindId(kind) << " " << direction << "/" << channel << (active ? " active" : " cleared");
        }
        EXPECT_EQ(found, 1) << EventKindId(kind) << " " << direction << "/" << channel << (active ? " active" : " cleared");
    };
    expect(EventKind::Alarm, 0, 0, true, 2);
    expect(EventKind::Alarm, 0, 0, false, 5);
    expect(EventKind::DirectionFailure, 7, 0, true, 3);
    expect(EventKind::DirectionFailure, 7, 0, false, 6);
    expect(EventKind::LampOut, 1, 1, true, 2);
    expect(EventKind::LampOut, 1, 1, false, 6);
    expect(EventKind::LampOut, 2, 2, true, 3);
    expect(EventKind::LampOut, 2, 2, false, 6);
    expect(EventKind::SensorOn, 3, 3, true, 4);
    expect(EventKind::SensorOn, 3, 3, false, 7);
    expect(EventKind::SensorOn, 4, 4, true, 5);
    expect(EventKind::SensorOn, 4, 4, false, 8);
    expect(EventKind::Clock, 0, 0, true, 2);
    expect(EventKind::Clock, 0, 0, false, 6);
    expect(EventKind::Line, 0, 0, true, 9);
    expect(EventKind::Line, 0, 0, false, 15);
    for (const auto& e : events) {
        if (e.kind == EventKind::LampOut && e.direction == 2) {
            EXPECT_EQ(e.sensor, 2); // "Л2" went out, "Л1" did not
            EXPECT_EQ(e.priority, 1);
        }
    }
    // Nothing else: no lamp of the healthy directions, no phase overrun, no program change.
    EXPECT_EQ(events.size(), 16u);

    // The same through the command, as JSON.
    std::ostringstream json, jsonErr;
    EXPECT_EQ(RunEvents(file, "", EventFormat::Json, json, jsonErr), 0) << jsonErr.str();
    EXPECT_NE(json.str().find("\"kind\": \"lamp-out\",\n    \"priority\": 1,\n    \"direction\": 2,\n    \"channel\": 2,\n    "
                              "\"active\": true,\n    \"message\": \"Направление 2: красная лампа Л2 не горит (канал 2)\""),
              std::string::npos)
        << json.str();
}

TEST_F(VlkctlRecord, ARecordingCutInTheMiddleOfARecordReadsUpToTheCut)
{
    SimulatorOptions options;
    options.period = 200ms;
    options.pace = false;
    options.junctionFaults = {Fault(JunctionFault::Kind::Alarm, 1, 60)};
    ControllerSimulator sim(options);
    const std::string port = sim.OpenPty();
    ASSERT_FALSE(port.empty()) << sim.LastError();
    ASSERT_TRUE(sim.Start());
    const std::string file = (m_dir / "cut.vlkrec").string();
    std::ostringstream out, err;
    EXPECT_EQ(RunRecord(port, file, "", 3, out, err), 0) << err.str();
    sim.Stop();

    const auto size = fs::file_size(file);
    ASSERT_EQ((size - 2048) % 45, 0u);
    const std::size_t whole = (size - 2048) / 45;
    ASSERT_GE(whole, 8u);
    fs::resize_file(file, size - 45 + 30); // the last record cut 30 bytes in
    std::ostringstream text, textErr;
    EXPECT_EQ(RunEvents(file, "", EventFormat::Csv, text, textErr), 0);
    EXPECT_EQ(textErr.str(), "vlkctl: " + file + ": предупреждение: последняя запись обрезана (30 байт) и пропущена\n");
    EXPECT_EQ(text.str().rfind("time,kind,priority,direction,channel,active,message\r\n", 0), 0u) << text.str();
    EXPECT_NE(text.str().find(",alarm,1,,,true,Контроллер сообщает «АВАРИЯ»\r\n"), std::string::npos) << text.str();
    std::string error;
    const auto recording = ReadRecording(file, error);
    ASSERT_TRUE(recording) << error;
    EXPECT_EQ(recording->records.size(), whole - 1);

    // A file that is not a recording: one line and code 2.
    std::ostringstream none, noneErr;
    EXPECT_EQ(RunEvents((m_dir / "missing.vlkrec").string(), "", EventFormat::Text, none, noneErr), 2);
    EXPECT_EQ(none.str(), "");
    EXPECT_EQ(noneErr.str().rfind("vlkctl: ", 0), 0u);
}

} // namespace
} // namespace vlk::ctl
