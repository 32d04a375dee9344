// The check before a plan reaches a controller: one planted fault per rule on the demo junction,
// built through the JSON importer, found with its id, its place and its sentence.

#include "config/ConfigurationJson.h"
#include "config/DemoJunction.h"
#include "plan/ConfigurationCheck.h"
#include "plan/ProgramCycle.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <set>

namespace vlk {
namespace {

using Json = nlohmann::json;

Json DemoJson()
{
    const JsonExport exported = ConfigurationJson::ToJson(DemoJunction());
    return Json::parse(exported.json->dump());
}

Configuration Import(const Json& json)
{
    const JsonImport imported = ConfigurationJson::FromJson(json);
    EXPECT_TRUE(imported.configuration.has_value()) << imported.error;
    return imported.configuration.value_or(Configuration{});
}

// The finding's id and place in one line, the fields it has in a fixed order.
std::string Place(const Finding& f)
{
    std::string text = f.rule + " " + std::string(SeverityText(f.severity));
    auto add = [&text](const char* name, const std::optional<int>& value) {
        if (value)
            text += std::string(" ") + name + "=" + std::to_string(*value);
    };
    add("программа", f.program);
    add("из", f.fromPhase);
    add("фаза", f.phase);
    if (!f.directions.empty()) {
        text += " направления=";
        for (std::size_t i = 0; i < f.directions.size(); ++i)
            text += (i ? "," : "") + std::to_string(f.directions[i]);
    }
    add("выход", f.output);
    add("день", f.day);
    add("минута", f.minute);
    add("секунда", f.second);
    return text;
}

struct Planted {
    const char* name;
    std::function<void(Json&)> plant;
    std::vector<std::string> places;
    std::vector<std::string> messages;
};

void AddSwitch(Json& j, int day, const char* time, Json program)
{
    j["week"][day]["switches"].push_back(Json{{"time", time}, {"program", program}});
}

TEST(ConfigurationCheck, TheDemoJunctionHasNoFinding)
{
    const std::vector<Finding> findings = ConfigurationCheck(Import(DemoJson()));
    for (const Finding& f : findings)
        ADD_FAILURE() << Place(f) << ": " << f.message;
    EXPECT_FALSE(HasErrors(findings));
}

TEST(ConfigurationCheck, EachPlantedFaultIsFoundWithItsRuleAndPlace)
{
    const std::vector<Planted> cases = {
        {"an inter-green time between two directions of phase 1",
         [](Json& j) { j["interGreen"][0][6] = 5, j["interGreen"][6][0] = 5; },
         {"conflicting-greens Ошибка программа=1 фаза=1 направления=1,7 секунда=0",
          "conflicting-greens Ошибка программа=2 фаза=1 направления=1,7 секунда=0",
          "conflicting-greens Ошибка программа=3 фаза=1 направления=1,7 секунда=0"},
         {"Программа 1, фаза 1 (секунда цикла 0): направления 1 и 7 зелёные вместе, а между ними межзелёный интервал 5 с",
          "Программа 2, фаза 1 (секунда цикла 0): направления 1 и 7 зелёные вместе, а между ними межзелёный интервал 5 с",
          "Программа 3, фаза 1 (секунда цикла 0): направления 1 и 7 зелёные вместе, а между ними межзелёный интервал 5 с"}},
        {"main street to side street asks 9 s; the change gives 13 - 6",
         [](Json& j) { j["interGreen"][0][2] = 9; },
         {"intergreen Ошибка программа=1 из=1 фаза=2 направления=1,3 секунда=43",
          "intergreen Ошибка программа=2 из=1 фаза=2 направления=1,3 секунда=58",
          "intergreen Ошибка программа=3 из=1 фаза=2 направления=1,3 секунда=33"},
         {"Программа 1, смена фаз 1→2 (секунда цикла 43): от конца зелёного направления 1 до начала зелёного "
          "направления 3 проходит 7 с, а межзелёный интервал требует 9 с",
          "Программа 2, смена фаз 1→2 (секунда цикла 58): от конца зелёного направления 1 до начала зелёного "
          "направления 3 проходит 7 с, а межзелёный интервал требует 9 с",
          "Программа 3, смена фаз 1→2 (секунда цикла 33): от конца зелёного направления 1 до начала зелёного "
          "направления 3 проходит 7 с, а межзелёный интервал требует 9 с"}},
        {"a change of phases that only a program change makes: 3 to 2 into a one-phase program",
         [](Json& j) {
             j["programs"][3]["durations"] = {0, 30, 0, 0, 0, 0, 0, 0};
             AddSwitch(j, 0, "12:00", 4);
             AddSwitch(j, 0, "13:00", 1);
             j["interGreen"][4][2] = 9;
         },
         {"intergreen Ошибка программа=4 из=3 фаза=2 направления=5,3 день=0 минута=720"},
         {"ПН 12:00, переход с программы 1 на программу 4, смена фаз 3→2: от конца зелёного направления 5 до начала "
          "зелёного направления 3 проходит 7 с, а межзелёный интервал требует 9 с"}},
        {"the left-turn phase shorter than its minimum",
         [](Json& j) { j["programs"][0]["durations"][2] = 4; },
         {"min-phase-time Ошибка программа=1 фаза=3"},
         {"Программа 1, фаза 3: длительность 4 с меньше минимального времени фазы 5 с"}},
        {"a minimum green the day program's left turn does not reach",
         [](Json& j) { j["minSignalTimes"]["green"][4] = 20; },
         {"min-green Ошибка программа=1 фаза=3 направления=5 секунда=76"},
         {"Программа 1, фаза 3 (секунда цикла 76): направление 5 зелёное 16 с, а минимальный зелёный 20 с"}},
        {"a minimum red the night program's crossing does not reach",
         [](Json& j) { j["minSignalTimes"]["red"][6] = 40; },
         {"min-red Ошибка программа=3 из=1 фаза=2 направления=7 секунда=24"},
         {"Программа 3, смена фаз 1→2 (секунда цикла 24): направление 7 красное 34 с, а минимальный красный 40 с"}},
        {"Monday noon switches to program 5, which has no phase",
         [](Json& j) { AddSwitch(j, 0, "12:00", 5); },
         {"empty-program Ошибка программа=5 день=0 минута=720"},
         {"ПН 12:00: переключение на программу 5, в которой у всех фаз длительность 0 (контроллер перейдёт на жёлтое "
          "мигание)"}},
        {"the night program serves call point 2 in a phase it never runs",
         [](Json& j) { j["programs"][2]["tvp2"] = 3; },
         {"tvp-phase Ошибка программа=3 фаза=3"},
         {"Программа 3, фаза 3: фаза ТВП2 имеет длительность 0"}},
        {"output 1 drives the reds of directions 1 and 2",
         [](Json& j) { j["lampOutputs"][1]["red"].push_back(1); },
         {"output-shared Ошибка направления=1,2 выход=1"},
         {"Выход 1 управляет сразу красной лампой направления 1 и красной лампой направления 2"}},
        {"output 1 drives the red and the yellow of direction 1",
         [](Json& j) { j["lampOutputs"][0]["yellow"].push_back(1); },
         {"output-shared Ошибка направления=1 выход=1"},
         {"Выход 1 управляет сразу красной лампой направления 1 и жёлтой лампой направления 1"}},
        {"output 20 drives a crossing's green and the wait board of call point 2",
         [](Json& j) { j["waitBoards"][1]["outputs"].push_back(20); },
         {"output-shared Ошибка направления=7 выход=20"},
         {"Выход 20 управляет сразу зелёной лампой направления 7 и табло «ЖДИТЕ» ТВП 2"}},
        {"direction 4 has lost its green output",
         [](Json& j) { j["lampOutputs"][3]["green"] = Json::array(); },
         {"output-missing Ошибка направления=4"},
         {"Направление 4 участвует в фазах, но у него нет выхода зелёной лампы"}},
        {"direction 4 shows yellow without a yellow lamp",
         [](Json& j) { j["lampOutputs"][3]["yellow"] = Json::array(); },
         {"yellow-missing Предупреждение направления=4"},
         {"Направление 4 показывает жёлтый (Т жел. 3 с, Т кр.жел. 2 с), но у него нет выхода жёлтой лампы"}},
        {"direction 4 has no red lamp sensor",
         [](Json& j) { j["redSensors"][3]["channels"] = Json::array(); },
         {"sensor-missing Предупреждение направления=4"},
         {"Направление 4: лампы подключены к выходам, но нет датчика контроля красных ламп"}},
        {"the side-street crossing loses its flashing green and clearance red",
         [](Json& j) { j["directions"][7]["greenFlashing"] = 0, j["directions"][7]["red"] = 0; },
         {"no-steps Предупреждение программа=1 направления=8"},
         {"Программа 1: направление 8 меняет сигнал, а все его промежуточные такты равны 0 (зелёный сразу сменяется "
          "красным)"}},
        {"the day program gets a phase 4 that no direction takes part in",
         [](Json& j) { j["programs"][0]["durations"][3] = 10; },
         {"empty-phase Предупреждение программа=1 фаза=4"},
         {"Программа 1, фаза 4: длительность 10 с, а в фазе нет ни одного направления"}},
        {"side street to main street loses its inter-green time, the other order keeps it",
         [](Json& j) { j["interGreen"][2][0] = 0; },
         {"intergreen-asymmetric Предупреждение направления=1,3"},
         {"Межзелёный интервал 1→3 равен 5 с, а 3→1 не задан"}},
        {"a time on the diagonal",
         [](Json& j) { j["interGreen"][3][3] = 4; },
         {"intergreen-asymmetric Предупреждение направления=4,4"},
         {"Межзелёный интервал направления 4 с самим собой равен 4 с"}},
        {"no switch point in the whole week",
         [](Json& j) { j["week"] = Json::array(); },
         {"empty-week Предупреждение"},
         {"В графиках работы нет ни одной точки переключения (контроллер работает по программе 1)"}},
    };
    for (const Planted& planted : cases) {
        SCOPED_TRACE(planted.name);
        Json j = DemoJson();
        planted.plant(j);
        const std::vector<Finding> findings = ConfigurationCheck(Import(j));
        std::vector<std::string> places, messages;
        for (const Finding& f : findings) {
            places.push_back(Place(f));
            messages.push_back(f.message);
        }
        EXPECT_EQ(places, planted.places);
        EXPECT_EQ(messages, planted.messages);
        EXPECT_EQ(HasErrors(findings), planted.places[0].find("Ошибка") != std::string::npos);
    }
}

TEST(ConfigurationCheck, ErrorsComeBeforeWarningsAndBothSidesOfAMissingOutputAreNamed)
{
    Json j = DemoJson();
    j["lampOutputs"][4] = Json{{"direction", 5}, {"red", Json::array()}, {"yellow", {14}}, {"green", Json::array()}};
    j["week"] = Json::array();
    j["programs"][0]["durations"][1] = 3;
    const std::vector<Finding> findings = ConfigurationCheck(Import(j));
    ASSERT_EQ(findings.size(), 3u);
    EXPECT_EQ(Place(findings[0]), "min-phase-time Ошибка программа=1 фаза=2");
    EXPECT_EQ(findings[1].message, "Направление 5 участвует в фазах, но у него нет выхода красной и зелёной ламп");
    EXPECT_EQ(Place(findings[2]), "empty-week Предупреждение");
}

TEST(ConfigurationCheck, AFreshStartOnlyWarnsOfItsEmptyWeek)
{
    const std::vector<Finding> findings = ConfigurationCheck(Configuration::FreshStart());
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].rule, "empty-week");
    EXPECT_FALSE(HasErrors(findings));
}

TEST(ConfigurationCheck, GreensThatMeetAcrossTheEndOfTheCycleAreOneConflict)
{
    Configuration c = DemoJunction();
    // Direction 3 joins phases 3 and 1, so it stays green across the end of the cycle: with the
    // main street it is green from the start of phase 1 (second 0), one stretch with the end of phase 3.
    c.directions[2].phaseMask = 0b101;
    c.week = {};
    c.week[0][0] = 1;
    std::vector<std::string> conflicts;
    for (const Finding& f : ConfigurationCheck(c))
        if (f.rule == "conflicting-greens" && f.program == 1)
            conflicts.push_back(Place(f));
    // 3 with 1, 2 and 7 in phase 1; 3 with 5 and 6 in phase 3.
    EXPECT_EQ(conflicts, (std::vector<std::string>{"conflicting-greens Ошибка программа=1 фаза=1 направления=1,3 секунда=0",
                                                   "conflicting-greens Ошибка программа=1 фаза=1 направления=2,3 секунда=0",
                                                   "conflicting-greens Ошибка программа=1 фаза=3 направления=3,5 секунда=76",
                                                   "conflicting-greens Ошибка программа=1 фаза=3 направления=3,6 секунда=76",
                                                   "conflicting-greens Ошибка программа=1 фаза=1 направления=3,7 секунда=0"}));
}

TEST(ConfigurationCheck, RandomConfigurationsNeverCrashIt)
{
    const std::set<std::string> rules = {"conflicting-greens", "intergreen", "min-phase-time", "min-green", "min-red",
                                         "empty-program", "tvp-phase", "output-shared", "output-missing",
                                         "yellow-missing", "sensor-missing", "no-steps", "empty-phase",
                                         "intergreen-asymmetric", "empty-week"};
    const std::set<std::string> warnings = {"yellow-missing", "sensor-missing", "no-steps", "empty-phase",
                                            "intergreen-asymmetric", "empty-week"};
    std::mt19937_64 random(2024);
    auto upTo = [&random](int n) { return static_cast<int>(std::uniform_int_distribution<int>(0, n)(random)); };
    std::size_t total = 0;
    for (int round = 0; round < 300; ++round) {
        Configuration c;
        // Half the rounds with any byte, half with the small values engineers use.
        const int top = round % 2 ? 255 : 12;
        for (auto& t : c.phaseMinTime)
            t = static_cast<std::uint8_t>(upTo(top));
        for (auto& program : c.programDuration)
            for (auto& d : program)
                d = static_cast<std::uint8_t>(upTo(3) == 0 ? 0 : upTo(top));
        for (int p = 0; p < kProgramCount; ++p) {
            c.tvp1[p] = static_cast<std::uint8_t>(upTo(8));
            c.tvp2[p] = static_cast<std::uint8_t>(upTo(8));
        }
        for (auto& d : c.directions) {
            d.phaseMask = static_cast<std::uint8_t>(upTo(2) == 0 ? 0 : upTo(255));
            for (auto& s : d.stepTimes)
                s = static_cast<std::uint8_t>(upTo(top));
        }
        for (auto& day : c.week)
            for (int k = 0; k < kMaxSwitchPoints; ++k)
                day[upTo(kSlotCount - 1)] = upTo(kYellowMode);
        for (auto& lamp : c.lampOutputs)
            lamp = random() & random() & random() & ((std::uint64_t{1} << kOutputCount) - 1);
        c.waitBoards = {random() & random() & 0xFFFFFFFFFFFFull, random() & random() & random() & 0xFFFFFFFFFFFFull};
        for (int d = 0; d < kDirectionCount; ++d) {
            c.redSensors[d] = static_cast<std::uint16_t>(random() & random());
            c.greenSensors[d] = static_cast<std::uint32_t>(random() & random() & 0xFFFFFF);
            c.minSignalTime[0][d] = static_cast<std::uint8_t>(upTo(top));
            c.minSignalTime[1][d] = static_cast<std::uint8_t>(upTo(top));
            for (int e = 0; e < kDirectionCount; ++e)
                c.interGreen[d][e] = static_cast<std::uint8_t>(upTo(2) == 0 ? upTo(top) : 0);
        }
        const std::vector<Finding> findings = ConfigurationCheck(c);
        total += findings.size();
        std::array<int, kProgramCount + 1> cycles{};
        for (int p = 1; p <= kProgramCount; ++p)
            cycles[p] = ProgramCycle::Of(c, p).Length();
        bool warned = false;
        for (const Finding& f : findings) {
            ASSERT_EQ(rules.count(f.rule), 1u) << f.rule;
            ASSERT_EQ(f.severity == Severity::Warning, warnings.count(f.rule) == 1) << f.rule;
            ASSERT_FALSE(warned && f.severity == Severity::Error) << "errors come first";
            warned = warned || f.severity == Severity::Warning;
            ASSERT_FALSE(f.message.empty());
            if (f.program) {
                ASSERT_TRUE(*f.program >= 1 && *f.program <= kProgramCount);
            }
            if (f.phase) {
                ASSERT_TRUE(*f.phase >= 1 && *f.phase <= kPhaseCount);
            }
            for (int d : f.directions)
                ASSERT_TRUE(d >= 1 && d <= kDirectionCount);
            if (f.second) {
                ASSERT_TRUE(f.program);
                ASSERT_GE(*f.second, 0);
                ASSERT_LT(*f.second, cycles[*f.program]);
            }
        }
    }
    EXPECT_GT(total, 300u) << "the random configurations should break rules";
}

} // namespace
} // namespace vlk
