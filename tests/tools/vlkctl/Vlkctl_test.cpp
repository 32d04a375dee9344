#include "config/ConfigurationJson.h"
#include "Vlkctl.h"
#include "config/ConfigurationImage.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <future>
#include <random>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace vlk;
namespace fs = std::filesystem;

namespace {

const std::string kJunction = VLK_TEST_DATA_DIR "/vlkctl/junction.json";

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// A command run with string streams, and a scratch folder removed afterwards.
class VlkctlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "vlkctl-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    fs::path Path(const std::string& name) const { return m_dir / name; }
    Streams Io() { return {m_in, m_out, m_err}; }
    void Reset(const std::string& input = {})
    {
        m_in.str(input);
        m_in.clear();
        m_out.str({});
        m_err.str({});
    }
    // Imports JSON text into an image through the command, as a user would.
    std::string ImportText(const std::string& json)
    {
        Reset(json);
        EXPECT_EQ(Vlkctl::Import("-", "-", Io()), 0) << m_err.str();
        return m_out.str();
    }
    // Expects the import to fail with one line on stderr that contains `field`, and no file.
    void ExpectRefused(const std::string& json, const std::string& field)
    {
        SCOPED_TRACE(json);
        WriteFile(Path("bad.json"), json);
        Reset();
        EXPECT_EQ(Vlkctl::Import(Path("bad.json"), Path("bad.vlk"), Io()), 2);
        const auto lines = Lines(m_err.str());
        ASSERT_EQ(lines.size(), 1u) << m_err.str();
        EXPECT_NE(lines[0].find(field), std::string::npos) << lines[0];
        EXPECT_FALSE(fs::exists(Path("bad.vlk")));
        EXPECT_TRUE(m_out.str().empty());
    }

    fs::path m_dir;
    std::istringstream m_in;
    std::ostringstream m_out;
    std::ostringstream m_err;
};

std::uint8_t At(const std::string& image, std::size_t offset)
{
    return static_cast<std::uint8_t>(image.at(offset));
}

} // namespace

TEST_F(VlkctlTest, NewWritesTheFreshStartImage)
{
    ASSERT_EQ(Vlkctl::New(Path("fresh.vlk"), Io()), 0) << m_err.str();
    const std::string image = ReadFile(Path("fresh.vlk"));
    ASSERT_EQ(image.size(), 1920u);
    for (std::size_t i = 0; i <= 80; ++i)
        EXPECT_EQ(At(image, i), 0) << i;
    EXPECT_EQ(At(image, 81), 0x80);
    for (std::size_t i = 82; i <= 225; ++i)
        EXPECT_EQ(At(image, i), 0) << i;
    for (std::size_t i = 226; i <= 365; ++i)
        EXPECT_EQ(At(image, i), 0xFF) << i;
    const std::uint8_t priorities[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A};
    for (std::size_t i = 0; i < 10; ++i)
        EXPECT_EQ(At(image, 366 + i), priorities[i]);
    for (std::size_t i = 376; i <= 381; ++i)
        EXPECT_EQ(At(image, i), 0xFF) << i;
    for (std::size_t i = 382; i < 1920; ++i)
        EXPECT_EQ(At(image, i), 0) << i;

    Reset();
    ASSERT_EQ(Vlkctl::New("-", Io()), 0);
    EXPECT_EQ(m_out.str(), image);
    EXPECT_TRUE(m_err.str().empty());
}

TEST_F(VlkctlTest, ImportWritesTheBytesTheStationWrites)
{
    ASSERT_EQ(Vlkctl::Import(kJunction, Path("j.vlk"), Io()), 0) << m_err.str();
    const std::string image = ReadFile(Path("j.vlk"));
    ASSERT_EQ(image.size(), 1920u);
    EXPECT_EQ(At(image, 0), 5);
    EXPECT_EQ(At(image, 1), 10);
    EXPECT_EQ(At(image, 81), 12); // slave: the delay itself
    // Direction 1 in phases 1 and 3, step times 3, 3, 3, 2, 2.
    const std::uint8_t direction1[] = {0x05, 0x03, 0x03, 0x03, 0x02, 0x02};
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_EQ(At(image, 82 + i), direction1[i]);
    // Monday: 06:00 program 2, 22:30 yellow mode, then eight empty pairs.
    const std::uint8_t monday[] = {0x02, 0x0C, 0x00, 0x2D};
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_EQ(At(image, 226 + i), monday[i]);
    for (std::size_t i = 230; i < 246; ++i)
        EXPECT_EQ(At(image, i), 0xFF);
    // "ТВП" moved up to priority 2.
    const std::uint8_t priorities[] = {0x01, 0x03, 0x04, 0x05, 0x06, 0x07, 0x02, 0x08, 0x09, 0x0A};
    for (std::size_t i = 0; i < 10; ++i)
        EXPECT_EQ(At(image, 366 + i), priorities[i]);
    // Program 3: time of phase 5 is 20; "ТВП1" in phase 5, "ТВП2" in phase 3.
    EXPECT_EQ(At(image, 9 + 2 * 8 + 4), 20);
    EXPECT_EQ(At(image, 382 + 2), 5);
    EXPECT_EQ(At(image, 391 + 2), 3);
    // Output 9 on the yellow lamp of direction 1: bit 0 of byte 633.
    EXPECT_EQ(At(image, 633), 0x01);
    // Output 17 on the red lamp of direction 4 (row 9): group 1, bit 4.
    EXPECT_EQ(At(image, 560 + 144 + 9), 0x10);
    // The red-lamp sensor channel titled 7-8 watches direction 2.
    EXPECT_EQ(At(image, 416 + 2), 0x08);
    // The account record in Windows-1251: "П" is 0xCF, "е" 0xE5, then zero padding.
    EXPECT_EQ(At(image, 1760), 0xCF);
    EXPECT_EQ(At(image, 1761), 0xE5);
    const std::string record = "Перекресток Ленина и Мира, ВЛК2.2";
    const std::size_t length = 33; // characters, one byte each in Windows-1251
    EXPECT_NE(At(image, 1760 + length - 1), 0);
    for (std::size_t i = 1760 + length; i < 1920; ++i)
        EXPECT_EQ(At(image, i), 0) << i;
}

TEST_F(VlkctlTest, ExportThenImportGivesTheSameBytes)
{
    ASSERT_EQ(Vlkctl::Import(kJunction, Path("j.vlk"), Io()), 0) << m_err.str();
    ASSERT_EQ(Vlkctl::Export(Path("j.vlk"), Path("j.json"), Io()), 0) << m_err.str();
    ASSERT_EQ(Vlkctl::Import(Path("j.json"), Path("k.vlk"), Io()), 0) << m_err.str();
    EXPECT_EQ(ReadFile(Path("j.vlk")), ReadFile(Path("k.vlk")));

    const std::string json = ReadFile(Path("j.json"));
    EXPECT_NE(json.find("\"accountRecord\": \"Перекресток Ленина и Мира, ВЛК2.2\""), std::string::npos);
    EXPECT_NE(json.find("{\"time\": \"22:30\", \"program\": \"Ж\"}"), std::string::npos);
    EXPECT_NE(json.find("\"priorities\": [\"РУП\", \"ТВП\", \"РУС\""), std::string::npos);
}

// Configurations as the station's pages can hold them, written as the station writes them.
TEST_F(VlkctlTest, EveryStationImageSurvivesExportAndImport)
{
    std::mt19937 random(20261207);
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    for (int round = 0; round < 100; ++round) {
        Configuration c;
        c.circularRedTime = static_cast<std::uint8_t>(pick(0, 255));
        c.masterController = pick(0, 1) == 1;
        c.syncDelay = c.masterController ? 0 : static_cast<std::uint8_t>(pick(0, 127));
        for (auto& t : c.phaseMinTime)
            t = static_cast<std::uint8_t>(pick(0, 255));
        for (auto& program : c.programDuration)
            for (auto& t : program)
                t = static_cast<std::uint8_t>(pick(0, 255));
        for (int p = 0; p < kProgramCount; ++p) {
            c.tvp1[p] = static_cast<std::uint8_t>(pick(0, 8));
            c.tvp2[p] = static_cast<std::uint8_t>(pick(0, 8));
        }
        for (auto& d : c.directions) {
            d.phaseMask = static_cast<std::uint8_t>(pick(0, 255));
            for (auto& t : d.stepTimes)
                t = static_cast<std::uint8_t>(pick(0, 255));
        }
        for (auto& day : c.week) {
            day.fill(0);
            const int points = pick(0, 10);
            for (int i = 0; i < points; ++i)
                day[pick(0, 47)] = pick(1, 10);
        }
        std::array<std::uint8_t, 9> order{1, 2, 3, 4, 5, 6, 7, 8, 9};
        std::shuffle(order.begin(), order.end(), random);
        for (int i = 0; i < 9; ++i)
            c.priority[i] = order[i];
        c.priority[9] = 10;
        auto bits = [&](int count) {
            std::uint64_t m = 0;
            for (int i = 0; i < count; ++i)
                if (pick(0, 3) == 0)
                    m |= std::uint64_t{1} << i;
            return m;
        };
        for (auto& m : c.lampOutputs)
            m = bits(48);
        for (auto& m : c.waitBoards)
            m = bits(48);
        for (auto& m : c.redSensors)
            m = static_cast<std::uint16_t>(bits(16));
        for (auto& m : c.greenSensors)
            m = static_cast<std::uint32_t>(bits(24));
        for (auto& row : c.minSignalTime)
            for (auto& t : row)
                t = static_cast<std::uint8_t>(pick(0, 255));
        for (auto& row : c.interGreen)
            for (auto& t : row)
                t = static_cast<std::uint8_t>(pick(0, 255));
        const int length = pick(0, 159);
        for (int i = 0; i < length; ++i)
            c.accountRecord += static_cast<char>(pick(1, 255)); // every byte but the terminator

        const ImageBytes image = ConfigurationImage::Encode(c);
        const std::string bytes(reinterpret_cast<const char*>(image.data()), image.size());
        Reset(bytes);
        ASSERT_EQ(Vlkctl::Export("-", "-", Io()), 0) << m_err.str();
        const std::string json = m_out.str();
        ASSERT_EQ(ImportText(json), bytes) << "round " << round;
    }
}

TEST_F(VlkctlTest, ImportRefusesBadJsonNamingTheField)
{
    ExpectRefused("{\"directions\": [{\"direction\": 4, \"green\": 300}]}", "directions[0].green");
    ExpectRefused("{\"directions\": [{\"direction\": 25}]}", "directions[0].direction");
    ExpectRefused("{\"directions\": [{\"direction\": 2}, {\"direction\": 2}]}", "directions[1].direction");
    ExpectRefused("{\"direcitons\": []}", "direcitons");
    ExpectRefused("{\"circularRedTime\": 12.5}", "circularRedTime");
    ExpectRefused("{\"circularRedTime\": 18446744073709551615}", "значение 18446744073709551615 вне 0..255");
    ExpectRefused("{\"circularRedTime\": -9223372036854775808}", "circularRedTime");
    ExpectRefused("{\"circularRedTime\": \"12\"}", "circularRedTime");
    ExpectRefused("{\"masterController\": false, \"syncDelay\": 128}", "syncDelay");
    ExpectRefused("{\"syncDelay\": 5}", "syncDelay"); // a master keeps no delay
    ExpectRefused("{\"phaseMinTimes\": [1, 2, 3]}", "phaseMinTimes");
    ExpectRefused("{\"priorities\": [\"РУП\", \"РУП\", \"ЗУ\", \"ДУ\", \"КУ\", \"ПР0\", \"ТВП\", \"МГР\", \"ЛС\", "
                  "\"РП\"]}",
                  "priorities[1]");
    ExpectRefused("{\"priorities\": [\"РП\", \"РУС\", \"ЗУ\", \"ДУ\", \"КУ\", \"ПР0\", \"ТВП\", \"МГР\", \"ЛС\", "
                  "\"РУП\"]}",
                  "priorities");
    ExpectRefused("{\"priorities\": [\"РУП\", \"РУС\"]}", "priorities");
    ExpectRefused("{\"programs\": [{\"program\": 3, \"tvp1\": 9}]}", "programs[0].tvp1");
    ExpectRefused("{\"week\": [{\"day\": \"ПН\", \"switches\": [{\"time\": \"06:15\", \"program\": 2}]}]}",
                  "week[0].switches[0].time");
    ExpectRefused("{\"week\": [{\"day\": \"ПН\", \"switches\": [{\"time\": \"24:00\", \"program\": 2}]}]}",
                  "week[0].switches[0].time");
    ExpectRefused("{\"week\": [{\"day\": \"СР\", \"switches\": [{\"time\": \"06:00\", \"program\": 10}]}]}",
                  "week[0].switches[0].program");
    ExpectRefused("{\"week\": [{\"day\": \"СР\", \"switches\": [{\"time\": \"06:00\", \"program\": \"Y\"}]}]}",
                  "week[0].switches[0].program");
    ExpectRefused("{\"week\": [{\"day\": \"ПН\", \"switches\": [{\"time\": \"06:00\", \"program\": 1}, "
                  "{\"time\": \"06:00\", \"program\": 2}]}]}",
                  "week[0].switches[1].time");
    ExpectRefused("{\"week\": [{\"day\": \"XX\"}]}", "week[0].day");
    {
        std::string eleven = "{\"week\": [{\"day\": \"ВТ\", \"switches\": [";
        for (int i = 0; i < 11; ++i)
            eleven += std::string(i ? ", " : "") + "{\"time\": \"" + (i < 10 ? "0" : "") + std::to_string(i) +
                      ":00\", \"program\": 1}";
        ExpectRefused(eleven + "]}]}", "week[0].switches");
    }
    ExpectRefused("{\"lampOutputs\": [{\"direction\": 1, \"red\": [49]}]}", "lampOutputs[0].red[0]");
    ExpectRefused("{\"lampOutputs\": [{\"direction\": 1, \"red\": [3, 3]}]}", "lampOutputs[0].red[1]");
    ExpectRefused("{\"waitBoards\": [{\"tvp\": 3, \"outputs\": []}]}", "waitBoards[0].tvp");
    ExpectRefused("{\"redSensors\": [{\"direction\": 1, \"channels\": [17]}]}", "redSensors[0].channels[0]");
    ExpectRefused("{\"greenSensors\": [{\"direction\": 1, \"sensors\": [0]}]}", "greenSensors[0].sensors[0]");
    ExpectRefused("{\"minSignalTimes\": {\"red\": [-1]}}", "minSignalTimes.red");
    ExpectRefused("{\"interGreen\": [[1]]}", "interGreen");
    ExpectRefused("{\"accountRecord\": \"漢字\"}", "accountRecord");
    ExpectRefused("{\"accountRecord\": \"" + std::string(160, 'x') + "\"}", "accountRecord");
    ExpectRefused("{\"accountRecord\": \"a\\u0000b\"}", "accountRecord");
    ExpectRefused("{\"format\": \"other\"}", "format");
    ExpectRefused("[1, 2]", "объект");
    ExpectRefused("{\"circularRedTime\": 1,", "JSON");
}

TEST_F(VlkctlTest, AccountRecordOfRoomSizeIsTakenAndShown)
{
    const std::string image = ImportText("{\"accountRecord\": \"" + std::string(159, 'z') + "\"}");
    ASSERT_EQ(image.size(), 1920u);
    EXPECT_EQ(At(image, 1760 + 158), 'z');
    EXPECT_EQ(At(image, 1919), 0);
    // "€" is 0x88 in Windows-1251.
    EXPECT_EQ(At(ImportText("{\"accountRecord\": \"€\"}"), 1760), 0x88);
}

TEST_F(VlkctlTest, DiffSpeaksTheEngineersTerms)
{
    ASSERT_EQ(Vlkctl::Import(kJunction, Path("a.vlk"), Io()), 0) << m_err.str();
    std::string json = ReadFile(kJunction);
    auto replace = [&](const std::string& from, const std::string& to) {
        const auto at = json.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        json.replace(at, from.size(), to);
    };
    replace("[25, 25, 10, 10, 20, 0, 0, 0]", "[25, 25, 10, 10, 25, 0, 0, 0]");
    replace("\"red\": [17], \"yellow\": []", "\"red\": [], \"yellow\": [17]");
    replace("{\"day\": \"СР\", \"switches\": [{\"time\": \"06:00\", \"program\": 2}]}",
            "{\"day\": \"СР\", \"switches\": [{\"time\": \"06:00\", \"program\": \"Ж\"}]}");
    WriteFile(Path("b.json"), json);

    Reset();
    EXPECT_EQ(Vlkctl::Diff(Path("a.vlk"), Path("b.json"), Io()), 1) << m_err.str();
    EXPECT_EQ(Lines(m_out.str()), (std::vector<std::string>{
                                      "Программа 3, фаза 5: время 20 → 25",
                                      "СР 06:00: 2 → Ж",
                                      "Выход 17: направление 4 К → Ж",
                                  }));
    EXPECT_TRUE(m_err.str().empty());

    Reset();
    EXPECT_EQ(Vlkctl::Diff(Path("a.vlk"), kJunction, Io()), 0) << m_err.str();
    EXPECT_TRUE(m_out.str().empty());

    // One side from standard input.
    Reset(ReadFile(Path("a.vlk")));
    EXPECT_EQ(Vlkctl::Diff("-", Path("b.json"), Io()), 1);
    EXPECT_EQ(Lines(m_out.str()).size(), 3u);
}

TEST_F(VlkctlTest, DiffNamesOtherItems)
{
    ASSERT_EQ(Vlkctl::New(Path("fresh.vlk"), Io()), 0);
    WriteFile(Path("b.json"),
              "{\"masterController\": false, \"syncDelay\": 7, \"priorities\": [\"РУП\", \"ТВП\", \"РУС\", \"ЗУ\", "
              "\"ДУ\", \"КУ\", \"ПР0\", \"МГР\", \"ЛС\", \"РП\"], \"directions\": [{\"direction\": 2, \"phases\": "
              "[1, 3], \"redYellow\": 4}], \"waitBoards\": [{\"tvp\": 2, \"outputs\": [48]}], \"redSensors\": "
              "[{\"direction\": 2, \"channels\": [4]}], \"interGreen\": " +
                  [] {
                      std::string rows = "[";
                      for (int r = 0; r < 24; ++r) {
                          rows += r ? ", [" : "[";
                          for (int c = 0; c < 24; ++c)
                              rows += std::string(c ? ", " : "") + (r == 2 && c == 4 ? "6" : "0");
                          rows += "]";
                      }
                      return rows + "]";
                  }() +
                  "}");
    Reset();
    EXPECT_EQ(Vlkctl::Diff(Path("fresh.vlk"), Path("b.json"), Io()), 1) << m_err.str();
    EXPECT_EQ(Lines(m_out.str()), (std::vector<std::string>{
                                      "Ведущий контроллер: да → нет",
                                      "Время задержки синхронизации, сек.: 0 → 7",
                                      "Запрос РУС: приоритет 2 → 3",
                                      "Запрос ЗУ: приоритет 3 → 4",
                                      "Запрос ДУ: приоритет 4 → 5",
                                      "Запрос КУ: приоритет 5 → 6",
                                      "Запрос ПР0: приоритет 6 → 7",
                                      "Запрос ТВП: приоритет 7 → 2",
                                      "Направление 2: фазы нет → 1, 3",
                                      "Направление 2: Т кр.жел. 0 → 4",
                                      "Выход 48: нет → табло ТВП 2",
                                      "Датчик красных ламп 7-8: нет → направление 2",
                                      "Время между зелеными, направление 3 и направление 5: 0 → 6",
                                  }));
}

TEST_F(VlkctlTest, ShowGivesTheStationsHeadersAndTheWeek)
{
    ASSERT_EQ(Vlkctl::Show(kJunction, Io()), 0) << m_err.str();
    const std::string text = m_out.str();
    const auto lines = Lines(text);
    auto has = [&](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    EXPECT_TRUE(has("  ПН 06:00 → 2"));
    EXPECT_TRUE(has("  ПН 22:30 → Ж"));
    EXPECT_TRUE(has("  СР 06:00 → 2"));
    EXPECT_TRUE(has("  ВТ —"));
    EXPECT_TRUE(has("  Время кругового красного: 5"));
    EXPECT_TRUE(has("  Ведущий контроллер: нет"));
    EXPECT_TRUE(has("  Время задержки синхронизации, сек.: 12"));
    EXPECT_TRUE(has("  Учетная запись ОДД: «Перекресток Ленина и Мира, ВЛК2.2»"));
    EXPECT_TRUE(has("  № фазы  Мин. время, сек"));
    EXPECT_TRUE(has("  2          ТВП"));
    EXPECT_TRUE(has("  10         РП"));
    EXPECT_TRUE(has("  ТВП 1: 5, 12, 13"));
    EXPECT_TRUE(has("  2            7-8"));
    EXPECT_TRUE(has("  4            К      17"));
    EXPECT_TRUE(has("               Ж      —"));
    for (const char* header : {"Описание направлений", "Описание программ", "Графики работы",
                               "Привязка ламп направлений к выходам", "Привязка табло «ЖДИТЕ» для ТВП",
                               "Привязка датчиков контроля групп красных ламп",
                               "Значения времени между зелеными"})
        EXPECT_TRUE(has(header)) << header;
    EXPECT_NE(text.find("Т зел.  Т зел.миг.  Т жел.  Т.кр  Т кр.жел."), std::string::npos);
    EXPECT_NE(text.find("  1    X   ·   X   ·"), std::string::npos); // direction 1 in phases 1 and 3
    EXPECT_NE(text.find("  ТВП1    2            —            5"), std::string::npos);
}

TEST_F(VlkctlTest, ErrorsAreOneLineAndExitTwo)
{
    auto expectError = [&](int code, const std::string& part) {
        EXPECT_EQ(code, 2);
        const auto lines = Lines(m_err.str());
        ASSERT_EQ(lines.size(), 1u) << m_err.str();
        EXPECT_NE(lines[0].find(part), std::string::npos) << lines[0];
        EXPECT_TRUE(m_out.str().empty());
        Reset();
    };
    expectError(Vlkctl::Show(Path("missing.vlk"), Io()), "missing.vlk");

    WriteFile(Path("short.vlk"), std::string(100, '\0'));
    expectError(Vlkctl::Show(Path("short.vlk"), Io()), "100");
    expectError(Vlkctl::Export(Path("short.vlk"), Path("short.json"), Io()), "100");
    EXPECT_FALSE(fs::exists(Path("short.json")));

    expectError(Vlkctl::Export(kJunction, "-", Io()), "JSON");
    ASSERT_EQ(Vlkctl::New(Path("fresh.vlk"), Io()), 0);
    expectError(Vlkctl::Import(Path("fresh.vlk"), Path("x.vlk"), Io()), "JSON");
    EXPECT_FALSE(fs::exists(Path("x.vlk")));

    expectError(Vlkctl::New(Path("no/such/folder/a.vlk"), Io()), "no/such/folder");
    expectError(Vlkctl::New(m_dir.string(), Io()), m_dir.string());
    expectError(Vlkctl::Show(m_dir.string(), Io()), m_dir.string());
    expectError(Vlkctl::Diff("-", "-", Io()), "<stdin>");

    // A refused import leaves an existing output as it was.
    WriteFile(Path("keep.vlk"), "old");
    WriteFile(Path("bad.json"), "{\"circularRedTime\": 256}");
    expectError(Vlkctl::Import(Path("bad.json"), Path("keep.vlk"), Io()), "circularRedTime");
    EXPECT_EQ(ReadFile(Path("keep.vlk")), "old");
    // No temporary file is left behind either.
    for (const auto& entry : fs::directory_iterator(m_dir))
        EXPECT_EQ(entry.path().filename().string().rfind(".", 0), std::string::npos) << entry.path();
}

TEST_F(VlkctlTest, RepairedImagesAreShownWithWarnings)
{
    ASSERT_EQ(Vlkctl::New(Path("fresh.vlk"), Io()), 0);
    std::string image = ReadFile(Path("fresh.vlk"));
    image[226] = 0x03; // Monday: program 3 at slot 48, which no day has
    image[227] = 0x30;
    WriteFile(Path("odd.vlk"), image);
    Reset();
    EXPECT_EQ(Vlkctl::Show(Path("odd.vlk"), Io()), 0);
    EXPECT_NE(m_out.str().find("  ПН —"), std::string::npos);
    const auto warnings = Lines(m_err.str());
    ASSERT_EQ(warnings.size(), 1u) << m_err.str();
    EXPECT_NE(warnings[0].find("предупреждение"), std::string::npos) << warnings[0];

    // Longer than 1920 bytes is no image: refused whole, never cut to its first 1920.
    WriteFile(Path("odd.vlk"), image + "tail");
    Reset();
    EXPECT_EQ(Vlkctl::Show(Path("odd.vlk"), Io()), 2);
    EXPECT_EQ(m_err.str(), "vlkctl: " + Path("odd.vlk").string() + ": не образ конфигурации и не JSON: 1924 байт вместо 1920\n");
    EXPECT_TRUE(m_out.str().empty());

    // An image whose first byte is '{' (circular red time 123) is still an image.
    std::string brace = ReadFile(Path("fresh.vlk"));
    brace[0] = '{';
    Reset(brace);
    EXPECT_EQ(Vlkctl::Show("-", Io()), 0) << m_err.str();
    EXPECT_NE(m_out.str().find("Время кругового красного: 123"), std::string::npos);
}

TEST_F(VlkctlTest, GoldenStationImagesSurviveExportAndImport)
{
    for (const char* golden : {VLK_TEST_DATA_DIR "/junction/junction.vlk", VLK_TEST_DATA_DIR "/fresh-start/fresh-start.vlk"}) {
        SCOPED_TRACE(golden);
        Reset();
        ASSERT_EQ(Vlkctl::Export(golden, Path("g.json"), Io()), 0) << m_err.str();
        EXPECT_TRUE(m_err.str().empty()) << m_err.str(); // nothing to repair in a station image
        ASSERT_EQ(Vlkctl::Import(Path("g.json"), Path("g.vlk"), Io()), 0) << m_err.str();
        EXPECT_EQ(ReadFile(Path("g.vlk")), ReadFile(golden));
    }
    ASSERT_EQ(Vlkctl::New(Path("fresh.vlk"), Io()), 0);
    EXPECT_EQ(ReadFile(Path("fresh.vlk")), ReadFile(VLK_TEST_DATA_DIR "/fresh-start/fresh-start.vlk"));

    Reset();
    ASSERT_EQ(Vlkctl::Show(VLK_TEST_DATA_DIR "/junction/junction.vlk", Io()), 0);
    const std::string text = m_out.str();
    EXPECT_NE(text.find("  ПТ 07:00 → 1\n  ПТ 16:00 → 3\n"), std::string::npos);
    EXPECT_NE(text.find("  Учетная запись ОДД: «Вход»\n"), std::string::npos);
    EXPECT_NE(text.find("  Время задержки синхронизации, сек.: 30\n"), std::string::npos);
}

// Damaged JSON is refused with a message or taken as valid, never a crash or an exception.
TEST_F(VlkctlTest, MangledJsonNeverCrashes)
{
    const std::string original = ReadFile(kJunction);
    std::mt19937 random(7);
    const std::string pieces[] = {"{", "}", "[", "]", ",", ":", "\"", "0", "-1", "1e3", "null", "true", "\"Ж\"",
                                  "[]", "{}", "\"direction\"", "\\u0000", "\xFF"};
    for (int round = 0; round < 2000; ++round) {
        std::string text = original;
        const int edits = std::uniform_int_distribution<int>(1, 4)(random);
        for (int e = 0; e < edits; ++e) {
            const auto at = std::uniform_int_distribution<std::size_t>(0, text.size() - 1)(random);
            const auto length = std::uniform_int_distribution<std::size_t>(0, 6)(random);
            const auto& piece = pieces[std::uniform_int_distribution<std::size_t>(0, std::size(pieces) - 1)(random)];
            text.replace(at, std::min(length, text.size() - at), piece);
        }
        const JsonImport result = ConfigurationJson::FromText(text);
        EXPECT_NE(result.configuration.has_value(), !result.error.empty()) << text;
        if (result.configuration) {
            EXPECT_TRUE(ConfigurationImage::Validate(*result.configuration).empty());
        }
    }
}

// Any 1920 bytes can be shown, exported and compared, and what export writes imports back.
TEST_F(VlkctlTest, ArbitraryImagesAreReadWithoutHarm)
{
    std::mt19937 random(11);
    std::uniform_int_distribution<int> byte(0, 255);
    ASSERT_EQ(Vlkctl::New(Path("fresh.vlk"), Io()), 0);
    for (int round = 0; round < 40; ++round) {
        std::string image(1920, '\0');
        for (char& ch : image)
            ch = static_cast<char>(byte(random));
        WriteFile(Path("r.vlk"), image);
        Reset();
        EXPECT_EQ(Vlkctl::Show(Path("r.vlk"), Io()), 0) << m_err.str();
        EXPECT_FALSE(m_out.str().empty());
        Reset();
        EXPECT_EQ(Vlkctl::Diff(Path("fresh.vlk"), Path("r.vlk"), Io()), 1);
        Reset(image);
        ASSERT_EQ(Vlkctl::Export("-", "-", Io()), 0) << m_err.str();
        const std::string json = m_out.str();
        Reset(json);
        ASSERT_EQ(Vlkctl::Import("-", "-", Io()), 0) << m_err.str();
        // The repaired image is stable: once more through JSON gives the same text.
        Reset(m_out.str());
        ASSERT_EQ(Vlkctl::Export("-", "-", Io()), 0);
        EXPECT_EQ(m_out.str(), json);
    }
}

// Hostile JSON: every reader (import, show, diff) refuses it with one line and exit 2, never a
// crash, a silent choice between duplicates, or a document followed by something else.
TEST_F(VlkctlTest, HostileJsonIsRefusedByEveryReader)
{
    // 200,000 levels in a field's value: the message that shows the value once overflowed the stack.
    const std::string deep = "{\"circularRedTime\": " + std::string(200000, '[') + std::string(200000, ']') + "}";
    std::string open;
    for (int i = 0; i < 100000; ++i)
        open += "{\"a\":[";
    const struct {
        std::string text;
        std::string says;
    } cases[] = {
        {deep, "вложенность глубже 16 уровней"},
        {open, "вложенность глубже 16 уровней"},
        {"{\"week\": " + std::string(20, '[') + std::string(20, ']') + "}", "вложенность глубже 16 уровней"},
        {"{\"circularRedTime\": 5, \"circularRedTime\": 7}", "поле \"circularRedTime\" повторено"},
        {"{\"directions\": [{\"direction\": 1, \"green\": 3, \"green\": 4}]}", "поле \"green\" повторено"},
        {std::string("{}\0garbage", 10), "нулевой байт в байте 2"},
        {"{} {}", "не JSON"},
        {"{}x", "не JSON"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        const fs::path file = Path("hostile.json");
        WriteFile(file, c.text);
        for (int reader = 0; reader < 3; ++reader) {
            Reset();
            const int code = reader == 0   ? Vlkctl::Import(file, Path("out.vlk"), Io())
                             : reader == 1 ? Vlkctl::Show(file, Io())
                                           : Vlkctl::Diff(file, file, Io());
            EXPECT_EQ(code, 2) << reader;
            const auto lines = Lines(m_err.str());
            ASSERT_EQ(lines.size(), 1u) << m_err.str().substr(0, 300);
            EXPECT_NE(lines[0].find(c.says), std::string::npos) << lines[0];
        }
        EXPECT_FALSE(fs::exists(Path("out.vlk")));
    }
    // The limit leaves room for every document the station writes.
    Reset();
    EXPECT_EQ(Vlkctl::Show(kJunction, Io()), 0) << m_err.str();
}

// Whatever export writes, import takes back, and the two give the image the station would write
// of the file: for every image the reader accepts, a damaged one included. A slave's delay of
// 129..255 is such damage: kept byte for byte, with the reader's warning both ways.
TEST_F(VlkctlTest, ExportOfAnyImageImportsBackToTheSameBytes)
{
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> byte(0, 255);
    int oddDelays = 0;
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        std::string image(1920, '\0');
        for (char& ch : image)
            ch = static_cast<char>(byte(random));
        const DecodeResult decoded =
            ConfigurationImage::Decode(std::span(reinterpret_cast<const std::uint8_t*>(image.data()), image.size()));
        ASSERT_TRUE(decoded.configuration);
        const ImageBytes written = ConfigurationImage::Encode(*decoded.configuration);

        Reset(image);
        ASSERT_EQ(Vlkctl::Export("-", "-", Io()), 0) << m_err.str();
        const std::string json = m_out.str();
        Reset(json);
        ASSERT_EQ(Vlkctl::Import("-", "-", Io()), 0) << m_err.str() << json.substr(0, 200);
        ASSERT_EQ(m_out.str(), std::string(written.begin(), written.end()));
        EXPECT_EQ(At(m_out.str(), 81), At(image, 81));
        const int sync = At(image, 81);
        if (sync > 128) {
            ++oddDelays;
            EXPECT_EQ(m_err.str(), "vlkctl: <stdin>: предупреждение: Время задержки синхронизации " +
                                       std::to_string(sync) + " вне диапазона 0..127.\n");
        } else {
            EXPECT_EQ(m_err.str(), "");
        }
    }
    EXPECT_GT(oddDelays, 100);

    // By hand the delay stays 0..127; 128 is the master's mark and never a slave's delay.
    ExpectRefused("{\"masterController\": false, \"syncDelay\": 128}", "syncDelay: значение 128 вне 0..127");
    ExpectRefused("{\"masterController\": false, \"syncDelay\": 256}", "syncDelay");
    ExpectRefused("{\"syncDelay\": 200}", "syncDelay"); // a master keeps none
}

// A FIFO or a device named as the input is refused at once, never waited on or read without end.
TEST_F(VlkctlTest, NonRegularInputsAreRefusedWithoutWaiting)
{
    const fs::path fifo = Path("pipe.vlk");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    auto shown = std::async(std::launch::async, [&] { return Vlkctl::Show(fifo, Io()); });
    if (shown.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK); // lets a waiting reader go
        ::close(writer);
        shown.wait();
        FAIL() << "show waited on a FIFO";
    }
    EXPECT_EQ(shown.get(), 2);
    EXPECT_EQ(m_err.str(), "vlkctl: " + fifo.string() + ": не обычный файл (канал FIFO)\n");
    EXPECT_TRUE(m_out.str().empty());

    Reset();
    EXPECT_EQ(Vlkctl::Diff("/dev/zero", kJunction, Io()), 2);
    EXPECT_EQ(m_err.str(), "vlkctl: /dev/zero: не обычный файл (символьное устройство)\n");

    // Standard input stays what it is: a stream.
    Reset(ReadFile(kJunction));
    EXPECT_EQ(Vlkctl::Show("-", Io()), 0) << m_err.str();
}

// What the account record holds is shown, never run: an escape sequence, a line break or a
// C1 control of a file reaches the terminal as text, and a diff keeps one line per difference.
TEST_F(VlkctlTest, ShowAndDiffEscapeControlCharactersOfTheAccountRecord)
{
    ASSERT_EQ(Vlkctl::New(Path("fresh.vlk"), Io()), 0);
    // ESC [2J clears a screen; 0x98 is U+0098 (a C1 control) in Windows-1251, 0x7F is DEL.
    std::string image = ReadFile(Path("fresh.vlk"));
    const std::string cp1251 = "A\x1B[2Jb\nc\td\re\\f\x7F\x98\x01\xC6";
    image.replace(1760, cp1251.size(), cp1251);
    WriteFile(Path("odd.vlk"), image);
    const std::string shown = "«A\\x1B[2Jb\\nc\\td\\re\\\\f\\x7F\\x98\\x01Ж»";

    Reset();
    ASSERT_EQ(Vlkctl::Show(Path("odd.vlk"), Io()), 0) << m_err.str();
    EXPECT_NE(m_out.str().find("  Учетная запись ОДД: " + shown + "\n"), std::string::npos) << m_out.str();
    EXPECT_EQ(m_out.str().find('\x1B'), std::string::npos);

    Reset();
    EXPECT_EQ(Vlkctl::Diff(Path("fresh.vlk"), Path("odd.vlk"), Io()), 1);
    EXPECT_EQ(m_out.str(), "Учетная запись ОДД: «» → " + shown + "\n");
}

// The work a JSON input costs is bounded before it is parsed, and a message never quotes more of
// a file than a few dozen characters, nor its control characters raw.
TEST_F(VlkctlTest, LargeJsonIsRefusedUnparsedAndMessagesQuoteLittle)
{
    const std::string large = "{\"accountRecord\": \"" + std::string(1024 * 1024, 'x') + "\"}";
    WriteFile(Path("large.json"), large);
    Reset();
    EXPECT_EQ(Vlkctl::Show(Path("large.json"), Io()), 2);
    EXPECT_EQ(m_err.str(), "vlkctl: " + Path("large.json").string() +
                               ": слишком большой JSON: 1048597 байт, допустимо не более 1 МиБ (1048576 байт)\n");
    Reset(large);
    EXPECT_EQ(Vlkctl::Import("-", "-", Io()), 2);
    EXPECT_NE(m_err.str().find("допустимо не более 1 МиБ"), std::string::npos) << m_err.str().substr(0, 200);

    const std::string ones = [] {
        std::string list = "[";
        for (int i = 0; i < 10000; ++i)
            list += "1, ";
        return list + "1]";
    }();
    const struct {
        std::string json;
        std::string says;
    } cases[] = {
        {"{\"circularRedTime\": " + std::string(100000, '7') + "}",
         "number overflow parsing '" + std::string(40, '7') + "…'"},
        {"{\"circularRedTime\": " + ones + "}", "найдено [1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1,1…"},
        {"{\"" + std::string(100000, 'k') + "\": 1}", std::string(40, 'k') + "…: неизвестное поле"},
        {"{\"\\u001b[2J\\n\": 1}", "\\x1B[2J\\n: неизвестное поле"},
        {"{\"a\\u0085\": 1, \"a\\u0085\": 2}", "поле \"a\\x85\" повторено"},
        {"{\"week\": [{\"day\": \"\\u001b[31m\"}]}", "неизвестный день \"\\x1B[31m\""},
        {"{\"priorities\": [\"\\r\\n" + std::string(1000, 'P') +
             "\", \"РУС\", \"ЗУ\", \"ДУ\", \"КУ\", \"ПР0\", \"ТВП\", \"МГР\", \"ЛС\", \"РП\"]}",
         "неизвестный код запроса \"\\r\\n" + std::string(38, 'P') + "…\""},
        {"{\"week\": [{\"day\": \"ПН\", \"switches\": [{\"time\": \"06:00\\n" + std::string(1000, '0') +
             "\", \"program\": 1}]}]}",
         "\"06:00\\n" + std::string(34, '0') + "…\" не начало получаса"},
        {"{\"circularRedTime\": \"" + std::string(100000, 's') + "\x01\"}",
         "last read: '\"" + std::string(39, 's') + "…'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        WriteFile(Path("hostile.json"), c.json);
        Reset();
        EXPECT_EQ(Vlkctl::Import(Path("hostile.json"), Path("out.vlk"), Io()), 2);
        const std::string err = m_err.str();
        EXPECT_LT(err.size(), 400u) << err.substr(0, 400);
        EXPECT_NE(err.find(c.says), std::string::npos) << err.substr(0, 400);
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err.substr(0, 400);
        EXPECT_EQ(err.find('\x1B'), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(Path("out.vlk")));
}

// An output named by an empty string is a mistake, not standard output ("-" is that).
TEST_F(VlkctlTest, AnEmptyOutputNameIsRefused)
{
    EXPECT_EQ(Vlkctl::New("", Io()), 2);
    EXPECT_EQ(m_err.str(), "vlkctl: \"\": пустое имя файла\n");
    EXPECT_TRUE(m_out.str().empty());
}
