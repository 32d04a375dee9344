// vlkctl plan: the cycle and greens of a program from a CSV of counted flows.

#include "PlanCommands.h"
#include "config/ConfigurationImage.h"
#include "config/DemoJunction.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace vlk;
namespace fs = std::filesystem;

namespace {

using Json = nlohmann::json;

class TrafficPlan : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "vlkctl-traffic-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        const ImageBytes image = ConfigurationImage::Encode(DemoJunction());
        std::ofstream(m_dir / "demo.vlk", std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    }
    void TearDown() override { fs::remove_all(m_dir); }

    int Plan(const std::string& csv, ctl::PlanOptions options = {})
    {
        std::ofstream(m_dir / "flows.csv") << csv;
        options.file = (m_dir / "demo.vlk").string();
        options.flows = (m_dir / "flows.csv").string();
        if (!options.output.empty())
            options.output = (m_dir / options.output).string();
        m_out.str({});
        m_err.str({});
        return ctl::RunPlan(options, Streams{m_in, m_out, m_err});
    }
    std::string Flows() const { return (m_dir / "flows.csv").string(); }

    fs::path m_dir;
    std::istringstream m_in;
    std::ostringstream m_out;
    std::ostringstream m_err;
};

// The demo's program 1 with y = 0.2, 0.1, 0.05: C = (1.5 * 39 + 5) / 0.65 = 97.69 -> 98 s, greens 34, 17, 8.
const char* const kSet1 = "direction,flow,lanes,saturation\n"
                          "1,360,1,1800\n"
                          "3,180,,\n"
                          "5,90,1,\n";

TEST_F(TrafficPlan, JsonWithTheKeysAndFiguresOfTheCalculation)
{
    ctl::PlanOptions options;
    options.json = true;
    ASSERT_EQ(Plan(kSet1, options), 0) << m_err.str();
    EXPECT_EQ(m_err.str(), "");
    const Json j = Json::parse(m_out.str());
    std::vector<std::string> keys;
    for (const auto& [key, value] : j.items())
        keys.push_back(key);
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, (std::vector<std::string>{"Y", "cycle", "directions", "lostTime", "phases", "warnings"}));
    EXPECT_DOUBLE_EQ(j["Y"].get<double>(), 0.35);
    EXPECT_EQ(j["lostTime"], 39);
    EXPECT_EQ(j["cycle"], 98);
    EXPECT_EQ(j["phases"], Json::parse(R"([{"phase":1,"y":0.2,"duration":34},{"phase":2,"y":0.1,"duration":17},
                                           {"phase":3,"y":0.05,"duration":8}])"));
    // Directions 1..8 are green in program 1; 1 by hand: c = 624.5, X = 0.576, d = 26.12 + 3.85 = 30.0, C.
    ASSERT_EQ(j["directions"].size(), 8u);
    EXPECT_EQ(j["directions"][0], Json::parse(R"({"direction":1,"flow":360.0,"capacity":624.5,
                                                  "degreeOfSaturation":0.576,"delay":30.0,"los":"C"})"));
    EXPECT_EQ(j["warnings"], Json::array());
}

TEST_F(TrafficPlan, TextAndTheWrittenConfiguration)
{
    ctl::PlanOptions options;
    options.output = "out.vlk";
    ASSERT_EQ(Plan(kSet1, options), 0) << m_err.str();
    std::istringstream text(m_out.str());
    std::string line;
    std::getline(text, line);
    EXPECT_EQ(line, "Программа 1: Y = 0,350, потерянное время L = 39 с, цикл 98 с (по Вебстеру 97,7 с)");
    EXPECT_NE(m_out.str().find("\n1\t0,200\t1\t10\t30\t34\n"), std::string::npos) << m_out.str();
    EXPECT_NE(m_out.str().find("\n1\t360\t34\t624\t0,58\t30,0\tC\n"), std::string::npos) << m_out.str();

    // The written file is the 1920-byte image, the demo with program 1's durations replaced.
    std::ifstream in(m_dir / "out.vlk", std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    ASSERT_EQ(bytes.size(), 1920u);
    const DecodeResult decoded = ConfigurationImage::Decode(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    ASSERT_TRUE(decoded.configuration);
    Configuration expected = DemoJunction();
    expected.programDuration[0] = {34, 17, 8, 0, 0, 0, 0, 0};
    EXPECT_EQ(*decoded.configuration, expected);
}

TEST_F(TrafficPlan, WarningsGiveExitOne)
{
    // y = 0.6 + 0.3 + 0.12 = 1.02: the longest cycle and every critical direction over X = 1.
    ctl::PlanOptions options;
    options.json = true;
    options.maxCycle = 100;
    ASSERT_EQ(Plan("1,1080\n3,540\n5,216\n", options), 1) << m_err.str();
    const Json j = Json::parse(m_out.str());
    EXPECT_EQ(j["cycle"], 100);
    EXPECT_EQ(j["warnings"][0],
              "сумма фазовых коэффициентов Y = 1,020 не меньше 1: перекрёсток перегружен при любом цикле, взят наибольший 100 с");
    EXPECT_EQ(j["warnings"].size(), 4u);

    // A direction with flow and no phase is listed with no figures.
    options.program = 3;
    options.maxCycle = 120;
    ASSERT_EQ(Plan("1,450\n5,100\n", options), 1) << m_err.str();
    const Json k = Json::parse(m_out.str());
    EXPECT_EQ(k["directions"][4], Json::parse(R"({"direction":5,"flow":100.0,"capacity":0.0,
                                                      "degreeOfSaturation":null,"delay":null,"los":"F"})"));
}

TEST_F(TrafficPlan, BadInputNamesTheRowAndColumn)
{
    const std::string flows = Flows();
    const struct {
        const char* csv;
        const char* line;
    } cases[] = {
        {"direction,flow,lanes,saturation\n1,360,,\n2,abc,1,\n", "строка 3, столбец 2 (flow): «abc» не интенсивность 0..20000 авт/ч"},
        {"# утро\n\n25,100\n", "строка 3, столбец 1 (direction): «25» не номер направления 1..24"},
        {"1,100\n2,100,0\n", "строка 2, столбец 3 (lanes): «0» не число полос 1..9"},
        {"1,100,1,50\n", "строка 1, столбец 4 (saturation): «50» не поток насыщения 100..3600 авт/ч на полосу"},
        {"1,100\n1,200\n", "строка 2, столбец 1 (direction): направление 1 уже задано в строке 1"},
        {"1\n", "строка 1, столбец 2 (flow): нет значения"},
        {"direction;flow\n", "строка 1, столбец 1 (direction): «direction;flow» не номер направления 1..24"},
        {"direction,flow,lanes\n", "строка 1, столбец 4 (saturation): в заголовке ожидается «saturation»"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Plan(c.csv), 2) << c.csv;
        EXPECT_EQ(m_err.str(), "vlkctl: " + flows + ": " + c.line + "\n");
        EXPECT_EQ(m_out.str(), "");
    }
    ctl::PlanOptions options;
    options.program = 4;
    options.output = "never.vlk";
    EXPECT_EQ(Plan(kSet1, options), 2);
    EXPECT_EQ(m_err.str(), "vlkctl: " + (m_dir / "demo.vlk").string()
                               + ": в программе 4 у всех фаз длительность 0, рассчитывать нечего\n");
    EXPECT_FALSE(fs::exists(m_dir / "never.vlk"));
}

} // namespace
