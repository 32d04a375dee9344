// The events read from state frames written out byte by byte: each alarm active and cleared at
// the frame that shows it, in its place, and nothing raised by a lamp sensor a frame late.
#include "record/JunctionEvents.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace vlk {
namespace {

// Monday 2025-12-08 12:00:00 UTC.
constexpr std::int64_t kNoon = 1'765'195'200'000;

// A frame with "ПС" set, Monday, 12:00 (the computer's clock in UTC), program 1, phase 1.
struct Bytes {
    FrameBytes b{};
    Bytes()
    {
        b[0] = 0x20;
        b[1] = 0x01;
        b[3] = 0x10;
        b[4] = 0x12;
        b[5] = 0x00;
    }
    Bytes& Set(int byte, std::uint8_t value) { b[static_cast<std::size_t>(byte)] = value; return *this; }
};

RecordEntry At(std::int64_t seconds, const Bytes& frame, std::vector<std::uint8_t> answer = {0x00})
{
    return FrameRecord(kNoon + seconds * 1000, frame.b, answer);
}

class JunctionEvents : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_oldTz = std::getenv("TZ") ? std::getenv("TZ") : "";
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }
    void TearDown() override
    {
        if (m_oldTz.empty())
            ::unsetenv("TZ");
        else
            ::setenv("TZ", m_oldTz.c_str(), 1);
        ::tzset();
    }
    std::vector<JunctionEvent> Events(const Configuration& config = {}) const
    {
        Recording recording;
        recording.records = m_records;
        return RecordingEvents(recording, config);
    }
    std::vector<RecordEntry> m_records;
    std::string m_oldTz;
};

TEST_F(JunctionEvents, StatusFlagsAndADirectionsFailureAreRaisedAndCleared)
{
    m_records.push_back(At(0, Bytes()));
    m_records.push_back(At(1, Bytes().Set(0, 0x60)));              // "АВАРИЯ"
    m_records.push_back(At(2, Bytes().Set(0, 0x64).Set(7, 0x04))); // "ЖМ", direction 11 failed
    m_records.push_back(At(3, Bytes().Set(0, 0xA4).Set(7, 0x04))); // "ОШ", "АВАРИЯ" gone
    m_records.push_back(At(4, Bytes()));
    const auto events = Events();
    ASSERT_EQ(events.size(), 8u);
    auto expect = [&](std::size_t i, std::int64_t second, const char* kind, int priority, bool active, const char* text) {
        SCOPED_TRACE(i);
        EXPECT_EQ(events[i].timeMs, kNoon + second * 1000);
        EXPECT_STREQ(EventKindId(events[i].kind), kind);
        EXPECT_EQ(events[i].priority, priority);
        EXPECT_EQ(events[i].active, active);
        EXPECT_EQ(events[i].message, text);
    };
    expect(0, 1, "alarm", 1, true, "Контроллер сообщает «АВАРИЯ»");
    expect(1, 2, "yellow-flashing", 2, true, "Контроллер перешел в желтое мигание («ЖМ»)");
    expect(2, 2, "direction-failure", 1, true, "Направление 11: авария");
    EXPECT_EQ(events[2].direction, 11);
    expect(3, 3, "alarm", 1, false, "«АВАРИЯ» снята");
    expect(4, 3, "error", 1, true, "Контроллер сообщает «ОШ»: ошибка в памяти или в работе");
    expect(5, 4, "error", 1, false, "«ОШ» снята");
    expect(6, 4, "yellow-flashing", 2, false, "Желтое мигание («ЖМ») закончилось");
    expect(7, 4, "direction-failure", 1, false, "Направление 11: авария снята");
}

TEST_F(JunctionEvents, ALampOutIsRaisedAfterTwoSecondsAndClearedOnlyWhenSeenLitAgain)
{
    Configuration config;
    config.greenSensors[2] = 1u << 4; // green sensor 5 watches direction 3
    const Bytes lit = Bytes().Set(15, 0x04).Set(22, 0x10);
    const Bytes dark = Bytes().Set(15, 0x04);  // driven, sensor off
    const Bytes off = Bytes();
    m_records.push_back(At(0, lit));
    m_records.push_back(At(1, dark)); // a sensor one frame late raises nothing
    m_records.push_back(At(2, lit));
    m_records.push_back(At(3, dark));
    m_records.push_back(At(4, dark));
    EXPECT_TRUE(Events(config).empty());
    m_records.push_back(At(5, dark));
    m_records.push_back(At(6, off)); // the lamp not driven proves nothing
    m_records.push_back(At(8, lit));
    const auto events = Events(config);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].timeMs, kNoon + 3000);
    EXPECT_EQ(events[0].kind, EventKind::LampOut);
    EXPECT_EQ(events[0].priority, 2);
    EXPECT_TRUE(events[0].active);
    EXPECT_EQ(events[0].direction, 3);
    EXPECT_EQ(events[0].channel, 5);
    EXPECT_EQ(events[0].lamp, EventLamp::Green);
    EXPECT_EQ(events[0].message, "Направление 3: зеленая лампа не горит (канал 5)");
    EXPECT_EQ(events[1].timeMs, kNoon + 8000);
    EXPECT_FALSE(events[1].active);
    EXPECT_EQ(events[1].message, "Направление 3: зеленая лампа снова горит (канал 5)");
}

TEST_F(JunctionEvents, ALampDarkForThreeSecondsCountsUntilTheFrameThatSeesItLit)
{
    // Frames a second apart, the last dark one a little early (a loaded line): the dark frames
    // span 1.9 s, the lamp was dark until the lit frame 3 s after the first.
    Configuration config;
    config.greenSensors[2] = 1u << 4;
    const Bytes lit = Bytes().Set(15, 0x04).Set(22, 0x10);
    const Bytes dark = Bytes().Set(15, 0x04);
    m_records.push_back(At(0, lit));
    m_records.push_back(At(1, dark));
    m_records.push_back(At(2, dark));
    RecordEntry early = At(2, dark);
    early.timeMs += 900;
    m_records.push_back(early);
    m_records.push_back(At(4, lit));
    const auto events = Events(config);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].timeMs, kNoon + 1000);
    EXPECT_TRUE(events[0].active);
    EXPECT_EQ(events[0].message, "Направление 3: зеленая лампа не горит (канал 5)");
    EXPECT_EQ(events[1].timeMs, kNoon + 4000);
    EXPECT_FALSE(events[1].active);
    EXPECT_EQ(events[1].message, "Направление 3: зеленая лампа снова горит (канал 5)");
}

TEST_F(JunctionEvents, ARedSensorOnWithItsLampDarkNamesItsChannelAndLamp)
{
    Configuration config;
    config.redSensors[0] = 1u << 1; // red channel 2 ("3-4") watches direction 1
    // Byte 18: channel 1 "Л1" bit 0, "Л2" bit 1, channel 2 "Л1" bit 2, "Л2" bit 3.
    m_records.push_back(At(0, Bytes().Set(9, 0x01).Set(18, 0x0C)));
    m_records.push_back(At(1, Bytes().Set(18, 0x08))); // red off, "Л2" still sees light
    m_records.push_back(At(2, Bytes().Set(18, 0x08)));
    m_records.push_back(At(3, Bytes().Set(18, 0x08)));
    m_records.push_back(At(4, Bytes()));
    const auto events = Events(config);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].kind, EventKind::SensorOn);
    EXPECT_EQ(events[0].timeMs, kNoon + 1000);
    EXPECT_EQ(events[0].direction, 1);
    EXPECT_EQ(events[0].channel, 2);
    EXPECT_EQ(events[0].sensor, 2);
    EXPECT_EQ(events[0].message, "Направление 1: датчик красных ламп Л2 канала 2 видит свет при выключенной лампе");
    EXPECT_FALSE(events[1].active);
    EXPECT_EQ(events[1].timeMs, kNoon + 4000);

    // A red lamp out is of the first priority.
    m_records.clear();
    m_records.push_back(At(0, Bytes().Set(9, 0x01).Set(18, 0x04)));
    m_records.push_back(At(1, Bytes().Set(9, 0x01).Set(18, 0x04)));
    m_records.push_back(At(2, Bytes().Set(9, 0x01).Set(18, 0x04)));
    const auto out = Events(config);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].kind, EventKind::LampOut);
    EXPECT_EQ(out[0].priority, 1);
    EXPECT_EQ(out[0].sensor, 2);
    EXPECT_EQ(out[0].message, "Направление 1: красная лампа Л2 не горит (канал 2)");
}

TEST_F(JunctionEvents, APhaseOverrunningItsProgramAndTheProgramsChange)
{
    Configuration config;
    config.programDuration[1][2] = 10; // program 2, phase 3: 10 s
    for (int s = 0; s <= 16; ++s)
        m_records.push_back(At(s, Bytes().Set(1, 0x03).Set(3, s == 0 ? 0x10 : 0x20)));
    m_records.push_back(At(17, Bytes().Set(0, 0x21).Set(1, 0x03).Set(3, 0x20))); // "Тпром": the change
    const auto events = Events(config);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].kind, EventKind::Program);
    EXPECT_EQ(events[0].timeMs, kNoon + 1000);
    EXPECT_FALSE(events[0].alarm);
    EXPECT_EQ(events[0].message, "Смена программы: была 1, стала 2");
    // Phase 3 of program 2 measured from its first frame of program 2, 1 s: over at 1 + 10 + 5 s.
    EXPECT_EQ(events[1].kind, EventKind::PhaseOverrun);
    EXPECT_TRUE(events[1].active);
    EXPECT_EQ(events[1].timeMs, kNoon + 15000);
    EXPECT_EQ(events[1].message, "Фаза 3 программы 2 длится дольше 10 с по программе, более чем на 5 с");
    EXPECT_FALSE(events[2].active);
    EXPECT_EQ(events[2].timeMs, kNoon + 17000);
    EXPECT_EQ(events[2].message, "Фаза 3 закончилась через 17 с");

    // Under the operator a phase may last as long as he holds it.
    m_records.clear();
    for (int s = 0; s <= 40; ++s)
        m_records.push_back(At(s, Bytes().Set(0, 0x28).Set(1, 0x03).Set(3, 0x20)));
    for (const auto& e : Events(config))
        EXPECT_NE(e.kind, EventKind::PhaseOverrun) << e.message;
}

TEST_F(JunctionEvents, TheControllersClockOffByMoreThanTwoMinutes)
{
    m_records.push_back(At(0, Bytes().Set(5, 0x02)));   // 12:02 against 12:00: within two minutes
    m_records.push_back(At(1, Bytes().Set(5, 0x05)));   // 12:05
    m_records.push_back(At(2, Bytes().Set(5, 0x06)));
    m_records.push_back(At(3, Bytes().Set(5, 0x01)));
    m_records.push_back(At(4, Bytes().Set(3, 0x16).Set(4, 0x11).Set(5, 0x58))); // Sunday 11:58
    const auto events = Events();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].timeMs, kNoon + 1000);
    EXPECT_EQ(events[0].kind, EventKind::Clock);
    EXPECT_TRUE(events[0].active);
    EXPECT_EQ(events[0].message, "Часы контроллера (понедельник 12:05) спешат на 5 мин против часов компьютера");
    EXPECT_EQ(events[1].timeMs, kNoon + 3000);
    EXPECT_FALSE(events[1].active);
    EXPECT_EQ(events[1].message, "Часы контроллера снова совпадают с часами компьютера");
    EXPECT_EQ(events[2].message, "Часы контроллера (воскресенье 11:58) отстают на 1442 мин против часов компьютера");
}

TEST_F(JunctionEvents, TheLineAndTheOperatorsCommands)
{
    m_records.push_back(At(0, Bytes()));
    m_records.push_back(At(1, Bytes(), {0x40}));
    m_records.push_back(At(2, Bytes(), {0x43}));
    m_records.push_back(At(3, Bytes(), {0x85, 0x90, 0xA4, 0xB1, 0xC2, 0xF0}));
    m_records.push_back(At(4, Bytes(), {0x43}));
    m_records.push_back(LineRecord(kNoon + 6000, true));
    m_records.push_back(LineRecord(kNoon + 20000, false));
    m_records.push_back(At(21, Bytes(), {0x2A}));       // "*" is no command
    m_records.push_back(At(22, Bytes(), {0x00}));
    m_records.push_back(At(23, Bytes(), {0x50}));
    std::vector<std::string> texts;
    for (const auto& e : Events())
        texts.push_back(e.message);
    EXPECT_EQ(texts, (std::vector<std::string>{
                         "Оператор взял управление",
                         "Оператор вызвал фазу 3",
                         "Часы контроллера установлены: среда 14:05",
                         "Связь с контроллером потеряна",
                         "Связь с контроллером восстановлена",
                         "Оператор вернул управление контроллеру",
                         "Оператор взял управление",
                         "Оператор включил желтое мигание («ЖМ»)",
                     }));
    const auto events = Events();
    EXPECT_EQ(events[3].kind, EventKind::Line);
    EXPECT_TRUE(events[3].alarm);
    EXPECT_EQ(events[3].timeMs, kNoon + 6000);
    EXPECT_FALSE(events[4].active);
    EXPECT_FALSE(events[0].alarm);
}

TEST_F(JunctionEvents, ShortFramesAndFramesNotReadyCarryNothing)
{
    const Bytes alarm = Bytes().Set(0, 0x60);
    m_records.push_back(At(0, Bytes()));
    m_records.push_back(FrameRecord(kNoon + 1000, std::span(alarm.b).first(10), std::vector<std::uint8_t>{0x00}));
    m_records.push_back(At(2, Bytes().Set(0, 0x40), {0x2A})); // "ПС" clear
    EXPECT_TRUE(Events().empty());
}

} // namespace
} // namespace vlk
