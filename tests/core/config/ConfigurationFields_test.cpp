#include "config/ConfigurationDiff.h"
#include "config/ConfigurationJson.h"
#include "config/ConfigurationText.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace vlk;

namespace {

// A slave with delay 0, so that both the master flag and the delay can change from it.
Configuration Base()
{
    Configuration c = Configuration::FreshStart();
    c.masterController = false;
    return c;
}

// Each member changed alone: the diff names exactly that change, the text shows something
// else, and the JSON carries it there and back. A member the field list forgets, or hands to
// the wrong field, fails here.
TEST(ConfigurationFields, EveryMemberReachesTheDiffTheTextAndTheJson)
{
    struct Case {
        void (*change)(Configuration&);
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {[](Configuration& c) { c.circularRedTime = 5; }, {"Время кругового красного: 0 → 5"}},
        {[](Configuration& c) { c.masterController = true; }, {"Ведущий контроллер: нет → да"}},
        {[](Configuration& c) { c.syncDelay = 30; }, {"Время задержки синхронизации, сек.: 0 → 30"}},
        {[](Configuration& c) { c.accountRecord = "AB"; }, {"Учетная запись ОДД: «» → «AB»"}},
        {[](Configuration& c) { c.phaseMinTime[2] = 7; }, {"Фаза 3: мин. время 0 → 7"}},
        {[](Configuration& c) { c.priority[0] = 7; c.priority[6] = 1; },
         {"Запрос РУП: приоритет 1 → 7", "Запрос ТВП: приоритет 7 → 1"}},
        {[](Configuration& c) { c.directions[3].phaseMask = 0b101; }, {"Направление 4: фазы нет → 1, 3"}},
        {[](Configuration& c) { c.directions[3].stepTimes[4] = 2; }, {"Направление 4: Т кр.жел. 0 → 2"}},
        {[](Configuration& c) { c.programDuration[2][4] = 25; }, {"Программа 3, фаза 5: время 0 → 25"}},
        {[](Configuration& c) { c.tvp1[0] = 4; }, {"Программа 1: фаза ТВП1 нет → 4"}},
        {[](Configuration& c) { c.tvp2[8] = 2; }, {"Программа 9: фаза ТВП2 нет → 2"}},
        {[](Configuration& c) { c.week[2][12] = kYellowMode; }, {"СР 06:00: нет → Ж"}},
        {[](Configuration& c) { c.lampOutputs[3 * 3 + 1] = std::uint64_t{1} << 16; },
         {"Выход 17: нет → направление 4 Ж"}},
        {[](Configuration& c) { c.waitBoards[1] = 1; }, {"Выход 1: нет → табло ТВП 2"}},
        {[](Configuration& c) { c.redSensors[1] = 1; }, {"Датчик красных ламп 1-2: нет → направление 2"}},
        {[](Configuration& c) { c.greenSensors[0] = 1u << 23; }, {"Датчик зеленых ламп 24: нет → направление 1"}},
        {[](Configuration& c) { c.minSignalTime[1][23] = 7; }, {"Мин. время зеленого, направление 24: 0 → 7"}},
        {[](Configuration& c) { c.interGreen[1][2] = 9; },
         {"Время между зелеными, направление 2 и направление 3: 0 → 9"}},
    };
    const Configuration base = Base();
    const std::string baseText = ConfigurationText::Show(base);
    for (const Case& test : cases) {
        Configuration c = base;
        test.change(c);
        EXPECT_EQ(ConfigurationDiff::Lines(base, c), test.lines);
        EXPECT_NE(ConfigurationText::Show(c), baseText) << test.lines.front();
        const JsonExport exported = ConfigurationJson::ToJson(c);
        ASSERT_TRUE(exported.json) << exported.error;
        const JsonImport imported = ConfigurationJson::FromText(ConfigurationJson::Dump(*exported.json));
        ASSERT_TRUE(imported.configuration) << test.lines.front() << ": " << imported.error;
        EXPECT_EQ(*imported.configuration, c) << test.lines.front();
    }
}

// The JSON file, the text and the diff follow one order of the fields.
TEST(ConfigurationFields, OneOrderForTheFileAndTheText)
{
    const JsonExport exported = ConfigurationJson::ToJson(Configuration::FreshStart());
    ASSERT_TRUE(exported.json);
    std::vector<std::string> keys;
    for (const auto& item : exported.json->items())
        keys.push_back(item.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"format", "version", "circularRedTime", "masterController", "syncDelay",
                                              "accountRecord", "phaseMinTimes", "priorities", "directions", "programs",
                                              "week", "lampOutputs", "waitBoards", "redSensors", "greenSensors",
                                              "minSignalTimes", "interGreen"}));

    std::vector<std::string> headings;
    std::istringstream text(ConfigurationText::Show(Configuration::FreshStart()));
    for (std::string line; std::getline(text, line);)
        if (!line.empty() && line.rfind("  ", 0) != 0)
            headings.push_back(line);
    EXPECT_EQ(headings, (std::vector<std::string>{"Общие параметры",
                                                  "Минимальное время фаз",
                                                  "Приоритеты",
                                                  "Описание направлений",
                                                  "Описание программ",
                                                  "Графики работы",
                                                  "Привязка ламп направлений к выходам",
                                                  "Привязка табло «ЖДИТЕ» для ТВП",
                                                  "Привязка датчиков контроля групп красных ламп",
                                                  "Привязка датчиков  контроля зеленых ламп",
                                                  "Минимальные значения времени продолжительности красных и зеленых сигналов",
                                                  "Значения времени между зелеными"}));

    // The lines of a diff come field by field in the same order.
    Configuration a = Base();
    Configuration b = Base();
    b.interGreen[0][1] = 1;
    b.circularRedTime = 1;
    b.week[6][0] = 1;
    EXPECT_EQ(ConfigurationDiff::Lines(a, b),
              (std::vector<std::string>{"Время кругового красного: 0 → 1", "ВС 00:00: нет → 1",
                                        "Время между зелеными, направление 1 и направление 2: 0 → 1"}));
}

// A document names only known fields; the two header fields are checked, not taken.
TEST(ConfigurationFields, UnknownAndHeaderFields)
{
    EXPECT_EQ(ConfigurationJson::FromText(R"({"tvp1": 1})").error, "tvp1: неизвестное поле");
    EXPECT_EQ(ConfigurationJson::FromText(R"({"version": 2})").error, "version: значение 2 вне 1..1");
    const JsonImport only = ConfigurationJson::FromText(R"({"format": "vlk2.2-configuration", "circularRedTime": 9})");
    ASSERT_TRUE(only.configuration) << only.error;
    Configuration expected = Configuration::FreshStart();
    expected.circularRedTime = 9;
    EXPECT_EQ(*only.configuration, expected);
}

} // namespace
