// The printed junction file: what a reader finds in its PDF, page by page.
#include "report/JunctionReport.h"

#include "config/ConfigurationImage.h"
#include "config/DemoJunction.h"
#include "report/ReportContent.h"
#include "support/PdfText.h"
#include "util/Cp1251.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <set>

namespace vlk::test {
namespace {

const QDate kDay(2026, 3, 14);

class ReportPdf : public ::testing::Test {
protected:
    // Writes the report to a file of the scratch folder and gives its path.
    std::string Write(const JunctionReport& report, const QString& name = QStringLiteral("report.pdf"))
    {
        const QString path = m_dir.filePath(name);
        const QString failure = report.WritePdf(path);
        EXPECT_TRUE(failure.isEmpty()) << failure.toStdString();
        return path.toStdString();
    }

    static Configuration FromFile(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), {}};
        const DecodeResult decoded = ConfigurationImage::Decode(
            std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
        EXPECT_TRUE(decoded.configuration.has_value()) << path;
        return decoded.configuration.value_or(Configuration{});
    }

    // Looks for each piece in the text read as one line (see Flat).
    static void ExpectHas(const std::string& text, const std::vector<std::string>& pieces)
    {
        const std::string flat = Flat(text);
        for (const std::string& piece : pieces)
            EXPECT_NE(flat.find(piece), std::string::npos) << "missing: " << piece << "\nin: " << flat;
    }

    // Every page is A4 portrait and ends with the fingerprint and its number.
    static void ExpectPages(const std::string& path, const std::string& fingerprint, int least, int most)
    {
        const int pages = PdfPageCount(path);
        EXPECT_GE(pages, least);
        EXPECT_LE(pages, most);
        const std::vector<std::string> sizes = PdfPageSizes(path);
        EXPECT_EQ(static_cast<int>(sizes.size()), pages);
        for (const std::string& size : sizes)
            EXPECT_EQ(size, "595 x 842");
        for (int page = 1; page <= pages; ++page) {
            const std::string text = PdfText(path, page);
            EXPECT_NE(text.find("Отпечаток образа CRC-32: " + fingerprint), std::string::npos) << "page " << page;
            EXPECT_NE(text.find("Страница " + std::to_string(page) + " из " + std::to_string(pages)), std::string::npos)
                << "page " << page;
        }
    }

    // No text below 7 pt (DejaVu's line box is 1.16 em) and nothing outside the paper.
    static void ExpectReadableAndOnThePage(const std::string& path)
    {
        const std::vector<PdfWord> words = PdfWords(path);
        ASSERT_GT(words.size(), 100u);
        for (const PdfWord& w : words) {
            EXPECT_GE(w.yMax - w.yMin, 7 * 1.15) << "page " << w.page << ": " << w.text;
            EXPECT_GE(w.xMin, 0) << w.text;
            EXPECT_LE(w.xMax, 595) << "page " << w.page << ": " << w.text;
            EXPECT_LE(w.yMax, 842) << "page " << w.page << ": " << w.text;
        }
    }

    QTemporaryDir m_dir;
};

TEST_F(ReportPdf, TheDemoJunction)
{
    const JunctionReport report(DemoJunction(), QStringLiteral("demo.vlk"), kDay);
    EXPECT_EQ(report.Fingerprint(), QStringLiteral("E12AFA4F")); // zlib's CRC-32 of the demo image
    const std::string path = Write(report);
    const std::string text = PdfText(path);
    ExpectHas(text, {
                        "Конфигурация дорожного контроллера ВЛК2.2",
                        "Демо: ул. Ленина - ул. Мира",
                        "demo.vlk",
                        "14.03.2026",
                        "E12AFA4F",
                        "Общие параметры",
                        "Время кругового красного",
                        "Минимальное время фаз",
                        "Приоритеты запросов",
                        "Описание направлений",
                        "Направления 9–24 не заданы.",
                        "Описание программ",
                        "Графики работы",
                        "00:00 → Ж, 07:00 → 3, 09:00 → 1, 22:00 → 3",
                        "Привязка ламп направлений к выходам",
                        "Привязка табло «ЖДИТЕ» для ТВП",
                        "Привязка датчиков",
                        "Конфигурация для ZAD",
                        "Значения времени между зелеными",
                        "Временные диаграммы программ",
                        "Программа 1: цикл 99 с",
                        "Программа 2: цикл 124 с",
                        "Программа 3: цикл 58 с",
                        "Проверка конфигурации",
                        "Ошибок и предупреждений нет.",
                    });
    // The keys to the colours and hatching: the week's under its bars, the signals' before the
    // first program's diagram.
    ExpectHas(text, {"программа 1", "программа 9", "Ж — жёлтое мигание, и программа без фаз («5→Ж»)",
                     "красный", "красный с жёлтым", "зелёный мигающий", "жёлтый", "жёлтое мигание",
                     "находка проверки"});
    const std::string flat = Flat(text);
    EXPECT_LT(flat.find("Ж — жёлтое мигание, и программа без фаз"), flat.find("Временные диаграммы программ"));
    EXPECT_LT(flat.find("Временные диаграммы программ"), flat.find("зелёный мигающий"));
    EXPECT_LT(flat.find("зелёный мигающий"), flat.find("Программа 1: цикл 99 с"));
    // Programs 4..9 have no durations: no diagram for them.
    EXPECT_EQ(text.find("Программа 4: цикл"), std::string::npos);
    // The day program's durations 30, 20, 10 and its cycle in the programs table (one column a
    // program, read row by row: phase 1 of programs 1..3 is 30 45 20).
    ExpectHas(text, {"1 30 45 20 0 0 0 0 0 0", "Цикл, с 99 124 58 Ж Ж Ж Ж Ж Ж"});
    ExpectPages(path, "E12AFA4F", 3, 6);
    ExpectReadableAndOnThePage(path);

    // The sample for people to look at.
    QFile::remove(QStringLiteral(VLK_BINARY_DIR "/report-sample.pdf"));
    EXPECT_TRUE(QFile::copy(QString::fromStdString(path), QStringLiteral(VLK_BINARY_DIR "/report-sample.pdf")));
}

TEST_F(ReportPdf, TheTestJunctionFile)
{
    const JunctionReport report(FromFile(VLK_TEST_DATA_DIR "/junction/junction.vlk"), QStringLiteral("junction.vlk"), kDay);
    EXPECT_EQ(report.Fingerprint(), QStringLiteral("D36DD185"));
    const std::string path = Write(report);
    const std::string text = PdfText(path);
    ExpectHas(text, {
                        "Вход",
                        "junction.vlk",
                        "D36DD185",
                        "нет",     // a slave
                        "30",      // its synchronisation delay
                        "РУП ТВП РУС ЗУ", // "ТВП" second in the priorities
                        "1, 3",    // direction 1's phases
                        "2, 4",
                        "Направления 3–24 не заданы.",
                        "274",     // program 1's cycle
                        "06:00 → 2, 22:30 → Ж",
                        "07:00 → 1, 16:00 → 3",
                        "1-2",     // red channel of direction 1
                        "Ошибок: 18, предупреждений: 37.",
                    });
    ExpectPages(path, "D36DD185", 3, 8);
}

// Every direction, every output and the largest values: the wide tables keep to the paper and
// to 7 pt, and a table running over a page repeats its header.
TEST_F(ReportPdf, AFullJunctionStaysReadable)
{
    Configuration c = DemoJunction();
    for (int d = 0; d < kDirectionCount; ++d) {
        c.directions[static_cast<std::size_t>(d)] = Direction{0xFF, {255, 255, 255, 255, 255}};
        c.minSignalTime[0][static_cast<std::size_t>(d)] = 255;
        for (int o = 0; o < kDirectionCount; ++o)
            c.interGreen[static_cast<std::size_t>(d)][static_cast<std::size_t>(o)] = 255;
        for (int lamp = 0; lamp < 3; ++lamp)
            c.lampOutputs[static_cast<std::size_t>(3 * d + lamp)] = 0x5555'5555'5555u >> lamp;
    }
    for (auto& program : c.programDuration)
        program.fill(255);
    std::string name(60, 'W');
    name += ' ';
    for (int i = 0; i < 98; ++i)
        name += "Ж";
    c.accountRecord = Cp1251::FromUtf8(name).text.value();
    const JunctionReport report(c, QStringLiteral("full.vlk"), kDay);
    const std::string path = Write(report);
    ExpectReadableAndOnThePage(path);
    const int pages = PdfPageCount(path);
    EXPECT_GE(pages, 6);
    EXPECT_LE(pages, 30);
    // The check's list runs over pages and heads each with "№ Вид Находка" on one line; it shows
    // the first hundred findings and says how many there are.
    const std::vector<PdfWord> words = PdfWords(path);
    std::set<int> headed;
    for (const PdfWord& a : words)
        for (const PdfWord& b : words)
            if (a.page == b.page && a.text == "Вид" && b.text == "Находка" && std::abs(a.yMin - b.yMin) < 0.5)
                headed.insert(a.page);
    EXPECT_GE(headed.size(), 2u);
    const std::string flat = Flat(PdfText(path));
    const std::string shown = "Показаны первые 100 из ";
    const std::size_t at = flat.find(shown);
    ASSERT_NE(at, std::string::npos);
    EXPECT_GT(std::stoi(flat.substr(at + shown.size())), 1000);
    // Each diagram's title is on the page of its diagram: the last words of a page are never one.
    for (int page = 1; page <= pages; ++page) {
        const std::string text = Flat(PdfText(path, page));
        const std::size_t footer = text.rfind("Отпечаток образа");
        ASSERT_NE(footer, std::string::npos);
        const std::string body = text.substr(0, footer);
        EXPECT_EQ(body.find(" с", body.size() >= 20 ? body.size() - 3 : 0), std::string::npos)
            << "page " << page << " ends with a diagram title: " << body.substr(body.size() >= 40 ? body.size() - 40 : 0);
    }
}

TEST_F(ReportPdf, AFileThatCannotBeWrittenIsSaidSoAndLeftAlone)
{
    const JunctionReport report(DemoJunction(), {}, kDay);
    const QString missingFolder = m_dir.filePath(QStringLiteral("no/such/folder/x.pdf"));
    EXPECT_FALSE(report.WritePdf(missingFolder).isEmpty());
    EXPECT_FALSE(QFile::exists(missingFolder));

    // An old file stays as it was when the new one cannot replace it.
    const QString folder = m_dir.filePath(QStringLiteral("sub"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString old = QDir(folder).filePath(QStringLiteral("old.pdf"));
    {
        QFile file(old);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("old");
    }
    EXPECT_TRUE(report.WritePdf(folder).size() > 0) << "a folder is no file";
    QFile file(old);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("old"));

    const std::string written = Write(report, QStringLiteral("unsaved.pdf"));
    EXPECT_NE(PdfText(written).find("(не сохранён)"), std::string::npos);
}

TEST(ReportContent, NumberListsJoinRuns)
{
    EXPECT_EQ(ReportContent::NumberList(0, 48), QStringLiteral("—"));
    EXPECT_EQ(ReportContent::NumberList(0b1, 48), QStringLiteral("1"));
    EXPECT_EQ(ReportContent::NumberList(0b1011, 48), QStringLiteral("1, 2, 4"));
    EXPECT_EQ(ReportContent::NumberList(0b1110111, 48), QStringLiteral("1–3, 5–7"));
    EXPECT_EQ(ReportContent::NumberList(std::uint64_t{0b11} << 46, 48), QStringLiteral("47, 48"));
    EXPECT_EQ(ReportContent::NumberList(~std::uint64_t{0}, 24), QStringLiteral("1–24"));
}

TEST(ReportContent, JunctionNameFromTheAccountRecord)
{
    Configuration c;
    EXPECT_EQ(ReportContent::JunctionName(c), QStringLiteral("(не задана)"));
    c.accountRecord = "\xC2\xF5\xEE\xE4"; // "Вход"
    EXPECT_EQ(ReportContent::JunctionName(c), QStringLiteral("Вход"));
    c.accountRecord = std::string("A\x98", 2); // 0x98 has no character but travels as U+0098
    EXPECT_EQ(ReportContent::JunctionName(c).size(), 2);
}

} // namespace
} // namespace vlk::test
