// vlkctl timeline and check: the signal plan of a file, second by second, and its findings.

#include "config/ConfigurationJson.h"
#include "PlanCommands.h"
#include "config/DemoJunction.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace vlk;
namespace fs = std::filesystem;

namespace {

using Json = nlohmann::json;

// The demo's night program as `vlkctl timeline` prints it; spaces stand for the tabs.
const char* const kNightTimeline =
        "t фаза 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 24\n"
        "0 1 З З К К К К З К - - - - - - - - - - - - - - - -\n"
        "1 1 З З К К К К З К - - - - - - - - - - - - - - - -\n"
        "2 1 З З К К К К З К - - - - - - - - - - - - - - - -\n"
        "3 1 З З К К К К З К - - - - - - - - - - - - - - - -\n"
        "4 1 З З К К К К З К - - - - - - - - - - - - - - - -\n"
        "5 1 З З К К К К З К - - - - - - - - - - - - - - - -\n"
        "6 1 З З К К К К З К - - - - - - - - - - - - - - - -\n"
        "7 1 З З К К К К З К - - - - - - - - - - - - - - - -\n"
        "8 1 З З К К К К З К - - - - - - - - - - - - - - - -\n"
        "9 1 З З К К К К З К - - - - - - - - - - - - - - - -\n"
        "10 1 З З К К К К З К - - - - - - - - - - - - - - - -\n"
        "11 1 З З К К К К З К - - - - - - - - - - - - - - - -\n"
        "12 1 З З К К К К З К - - - - - - - - - - - - - - - -\n"
        "13 1 З З К К К К З К - - - - - - - - - - - - - - - -\n"
        "14 1 З З К К К К З К - - - - - - - - - - - - - - - -\n"
        "15 1 З З К К К К З К - - - - - - - - - - - - - - - -\n"
        "16 1 З З К К К К З К - - - - - - - - - - - - - - - -\n"
        "17 1 З З К К К К З К - - - - - - - - - - - - - - - -\n"
        "18 1 З З К К К К З К - - - - - - - - - - - - - - - -\n"
        "19 1 З З К К К К З К - - - - - - - - - - - - - - - -\n"
        "20 1→2 З З К К К К ЗМ К - - - - - - - - - - - - - - - -\n"
        "21 1→2 З З К К К К ЗМ К - - - - - - - - - - - - - - - -\n"
        "22 1→2 З З К К К К ЗМ К - - - - - - - - - - - - - - - -\n"
        "23 1→2 ЗМ ЗМ К К К К ЗМ К - - - - - - - - - - - - - - - -\n"
        "24 1→2 ЗМ ЗМ К К К К К К - - - - - - - - - - - - - - - -\n"
        "25 1→2 ЗМ ЗМ К К К К К К - - - - - - - - - - - - - - - -\n"
        "26 1→2 Ж Ж К К К К К К - - - - - - - - - - - - - - - -\n"
        "27 1→2 Ж Ж К К К К К К - - - - - - - - - - - - - - - -\n"
        "28 1→2 Ж Ж К К К К К К - - - - - - - - - - - - - - - -\n"
        "29 1→2 К К К К К К К К - - - - - - - - - - - - - - - -\n"
        "30 1→2 К К К К К К К К - - - - - - - - - - - - - - - -\n"
        "31 1→2 К К КЖ КЖ К К К К - - - - - - - - - - - - - - - -\n"
        "32 1→2 К К КЖ КЖ К К К К - - - - - - - - - - - - - - - -\n"
        "33 2 К К З З К К К З - - - - - - - - - - - - - - - -\n"
        "34 2 К К З З К К К З - - - - - - - - - - - - - - - -\n"
        "35 2 К К З З К К К З - - - - - - - - - - - - - - - -\n"
        "36 2 К К З З К К К З - - - - - - - - - - - - - - - -\n"
        "37 2 К К З З К К К З - - - - - - - - - - - - - - - -\n"
        "38 2 К К З З К К К З - - - - - - - - - - - - - - - -\n"
        "39 2 К К З З К К К З - - - - - - - - - - - - - - - -\n"
        "40 2 К К З З К К К З - - - - - - - - - - - - - - - -\n"
        "41 2 К К З З К К К З - - - - - - - - - - - - - - - -\n"
        "42 2 К К З З К К К З - - - - - - - - - - - - - - - -\n"
        "43 2 К К З З К К К З - - - - - - - - - - - - - - - -\n"
        "44 2 К К З З К К К З - - - - - - - - - - - - - - - -\n"
        "45 2→1 К К З З К К К ЗМ - - - - - - - - - - - - - - - -\n"
        "46 2→1 К К З З К К К ЗМ - - - - - - - - - - - - - - - -\n"
        "47 2→1 К К З З К К К ЗМ - - - - - - - - - - - - - - - -\n"
        "48 2→1 К К ЗМ ЗМ К К К ЗМ - - - - - - - - - - - - - - - -\n"
        "49 2→1 К К ЗМ ЗМ К К К К - - - - - - - - - - - - - - - -\n"
        "50 2→1 К К ЗМ ЗМ К К К К - - - - - - - - - - - - - - - -\n"
        "51 2→1 К К Ж Ж К К К К - - - - - - - - - - - - - - - -\n"
        "52 2→1 К К Ж Ж К К К К - - - - - - - - - - - - - - - -\n"
        "53 2→1 К К Ж Ж К К К К - - - - - - - - - - - - - - - -\n"
        "54 2→1 К К К К К К К К - - - - - - - - - - - - - - - -\n"
        "55 2→1 К К К К К К К К - - - - - - - - - - - - - - - -\n"
        "56 2→1 КЖ КЖ К К К К К К - - - - - - - - - - - - - - - -\n"
        "57 2→1 КЖ КЖ К К К К К К - - - - - - - - - - - - - - - -\n"
    ;

std::string Tabs(std::string text)
{
    for (char& ch : text)
        if (ch == ' ')
            ch = '\t';
    return text;
}

class PlanCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "vlkctl-plan-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        m_demo = Json::parse(ConfigurationJson::ToJson(DemoJunction()).json->dump());
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Write(const Json& json, const std::string& name = "j.json")
    {
        const fs::path path = m_dir / name;
        std::ofstream(path) << json.dump();
        return path.string();
    }
    Streams Io()
    {
        m_out.str({});
        m_err.str({});
        return {m_in, m_out, m_err};
    }

    fs::path m_dir;
    Json m_demo;
    std::istringstream m_in;
    std::ostringstream m_out;
    std::ostringstream m_err;
};

TEST_F(PlanCommandsTest, TimelineOfTheDemoNightProgram)
{
    const std::string file = Write(m_demo);
    EXPECT_EQ(ctl::RunTimeline(file, 3, false, Io()), 0) << m_err.str();
    EXPECT_EQ(m_out.str(), Tabs(kNightTimeline));
    EXPECT_TRUE(m_err.str().empty());

    EXPECT_EQ(ctl::RunTimeline(file, 1, true, Io()), 0) << m_err.str();
    std::istringstream csv(m_out.str());
    std::string line;
    std::getline(csv, line);
    EXPECT_EQ(line, "t,фаза,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24");
    for (int i = 0; i <= 33; ++i)
        std::getline(csv, line);
    EXPECT_EQ(line, "33,1→2,ЗМ,ЗМ,К,К,К,К,ЗМ,К,-,-,-,-,-,-,-,-,-,-,-,-,-,-,-,-");
    int rows = 34;
    while (std::getline(csv, line))
        ++rows;
    EXPECT_EQ(rows, 99);
}

TEST_F(PlanCommandsTest, TimelineRefusesAProgramWithNothingToRunAndBadInput)
{
    const std::string file = Write(m_demo);
    EXPECT_EQ(ctl::RunTimeline(file, 4, false, Io()), 2);
    EXPECT_EQ(m_err.str(), "vlkctl: " + file + ": в программе 4 у всех фаз длительность 0, контроллер мигает жёлтым\n");
    EXPECT_TRUE(m_out.str().empty());
    EXPECT_EQ(ctl::RunTimeline(file, 10, false, Io()), 2);
    EXPECT_EQ(ctl::RunTimeline((m_dir / "missing.vlk").string(), 1, false, Io()), 2);
    EXPECT_NE(m_err.str().find("не удаётся открыть"), std::string::npos) << m_err.str();
}

TEST_F(PlanCommandsTest, CheckExitsByTheWorstFinding)
{
    EXPECT_EQ(ctl::RunCheck(Write(m_demo), false, Io()), 0) << m_err.str();
    EXPECT_EQ(m_out.str(), "");
    EXPECT_EQ(ctl::RunCheck(Write(m_demo), true, Io()), 0);
    EXPECT_EQ(m_out.str(), "[]\n");

    Json warned = m_demo;
    warned["interGreen"][3][3] = 4;
    EXPECT_EQ(ctl::RunCheck(Write(warned), false, Io()), 0);
    EXPECT_EQ(m_out.str(), "Предупреждение\tintergreen-asymmetric\tМежзелёный интервал направления 4 с самим собой равен 4 с\n");

    Json broken = warned;
    broken["programs"][0]["durations"][2] = 4;
    broken["week"][0]["switches"].push_back(Json{{"time", "12:00"}, {"program", 5}});
    EXPECT_EQ(ctl::RunCheck(Write(broken), false, Io()), 1);
    EXPECT_EQ(m_out.str(),
              "Ошибка\tmin-phase-time\tПрограмма 1, фаза 3: длительность 4 с меньше минимального времени фазы 5 с\n"
              "Ошибка\tempty-program\tПН 12:00: переключение на программу 5, в которой у всех фаз длительность 0 "
              "(контроллер перейдёт на жёлтое мигание)\n"
              "Предупреждение\tintergreen-asymmetric\tМежзелёный интервал направления 4 с самим собой равен 4 с\n");

    EXPECT_EQ(ctl::RunCheck((m_dir / "missing.vlk").string(), false, Io()), 2);
    std::ofstream(m_dir / "short.vlk") << "short";
    EXPECT_EQ(ctl::RunCheck((m_dir / "short.vlk").string(), true, Io()), 2);
    EXPECT_TRUE(m_out.str().empty());
}

TEST_F(PlanCommandsTest, CheckAsJsonLeavesAbsentFieldsOut)
{
    Json broken = m_demo;
    broken["interGreen"][0][6] = 5;
    broken["interGreen"][6][0] = 5;
    broken["week"][0]["switches"].push_back(Json{{"time", "12:00"}, {"program", 5}});
    broken["lampOutputs"][1]["red"].push_back(1);
    EXPECT_EQ(ctl::RunCheck(Write(broken), true, Io()), 1);
    const Json findings = Json::parse(m_out.str());
    ASSERT_EQ(findings.size(), 5u) << findings.dump(2);
    EXPECT_EQ(findings[0], Json::parse(R"j({"severity": "Ошибка", "rule": "conflicting-greens", "program": 1, "phase": 1,
        "directions": [1, 7], "second": 0,
        "message": "Программа 1, фаза 1 (секунда цикла 0): направления 1 и 7 зелёные вместе, а между ними межзелёный интервал 5 с"})j"));
    EXPECT_EQ(findings[3], Json::parse(R"j({"severity": "Ошибка", "rule": "empty-program", "program": 5, "day": "ПН",
        "time": "12:00",
        "message": "ПН 12:00: переключение на программу 5, в которой у всех фаз длительность 0 (контроллер перейдёт на жёлтое мигание)"})j"));
    EXPECT_EQ(findings[4], Json::parse(R"j({"severity": "Ошибка", "rule": "output-shared", "directions": [1, 2], "output": 1,
        "message": "Выход 1 управляет сразу красной лампой направления 1 и красной лампой направления 2"})j"));
    // Objects keep the documented order of fields.
    EXPECT_EQ(m_out.str().rfind("[\n  {\n    \"severity\": \"Ошибка\",\n    \"rule\": \"conflicting-greens\",\n    \"program\": 1,\n"
                                "    \"phase\": 1,\n    \"directions\": [\n      1,\n      7\n    ],\n    \"second\": 0,\n    \"message\"",
                                0),
              0u)
        << m_out.str();
}

TEST_F(PlanCommandsTest, AWriteIsRefusedOverErrorsUnlessForced)
{
    std::ostringstream err;
    EXPECT_TRUE(ctl::WriteAllowed(DemoJunction(), "demo.vlk", false, err));
    EXPECT_EQ(err.str(), "");

    Configuration broken = DemoJunction();
    broken.programDuration[0][2] = 4;
    broken.interGreen[3][3] = 4; // a warning: not listed, no reason to refuse
    EXPECT_FALSE(ctl::WriteAllowed(broken, "j.vlk", false, err));
    EXPECT_EQ(err.str(), "vlkctl: j.vlk: Ошибка: Программа 1, фаза 3: длительность 4 с меньше минимального времени фазы "
                         "5 с [min-phase-time]\n"
                         "vlkctl: j.vlk: в конфигурации ошибки, запись отменена (--force записывает несмотря на ошибки)\n");
    err.str({});
    EXPECT_TRUE(ctl::WriteAllowed(broken, "j.vlk", true, err));
    EXPECT_NE(err.str().find("записывается несмотря на ошибки (--force)"), std::string::npos) << err.str();

    broken = DemoJunction();
    broken.interGreen[3][3] = 4;
    err.str({});
    EXPECT_TRUE(ctl::WriteAllowed(broken, "j.vlk", false, err));
    EXPECT_EQ(err.str(), "");
}

} // namespace
