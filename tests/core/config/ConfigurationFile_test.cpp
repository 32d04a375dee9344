// The one rule by which every program reads a configuration file, and the one writer.
#include "config/ConfigurationFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace vlk {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class ConfigurationFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "configuration-file-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        m_junction = ReadText(VLK_TEST_DATA_DIR "/junction/junction.vlk");
        ASSERT_EQ(m_junction.size(), 1920u);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Put(const std::string& name, const std::string& bytes)
    {
        const fs::path path = m_dir / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
    static ConfigurationFileRead FromText(const std::string& bytes)
    {
        return ConfigurationFile::FromBytes(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    }

    fs::path m_dir;
    std::string m_junction;
};

TEST_F(ConfigurationFileTest, AnImageIsExactly1920BytesAndAnyOtherLengthIsRefusedWhole)
{
    const ConfigurationFileRead image = ConfigurationFile::Read(Put("j.vlk", m_junction));
    ASSERT_TRUE(image.configuration) << image.error;
    EXPECT_EQ(image.kind, ConfigurationFileKind::Image);
    EXPECT_EQ(std::string(image.image.begin(), image.image.end()), m_junction);
    EXPECT_EQ(image.configuration->circularRedTime, 5);

    const struct {
        std::string bytes;
        const char* says;
    } cases[] = {
        {m_junction + "x", "не образ конфигурации и не JSON: 1921 байт вместо 1920"},
        {m_junction.substr(0, 1919), "не образ конфигурации и не JSON: 1919 байт вместо 1920"},
        {"", "не образ конфигурации и не JSON: 0 байт вместо 1920"},
        {m_junction + std::string(5 * 1024 * 1024, '\0'), "не образ конфигурации и не JSON: 5244800 байт вместо 1920"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        const ConfigurationFileRead file = ConfigurationFile::Read(Put("odd.vlk", c.bytes));
        EXPECT_FALSE(file.configuration);
        EXPECT_EQ(file.error, c.says);
        EXPECT_EQ(file.errorCode, 0);
        // Standard input goes by the same rule, in the same words.
        std::istringstream in(c.bytes);
        EXPECT_EQ(ConfigurationFile::ReadStream(in).error, c.says);
    }
}

TEST_F(ConfigurationFileTest, JsonIsKnownByItsContentWhateverTheName)
{
    const std::string json = ReadText(VLK_TEST_DATA_DIR "/vlkctl/junction.json");
    for (const std::string& text : {json, "\xEF\xBB\xBF \n" + json}) {
        const ConfigurationFileRead file = ConfigurationFile::Read(Put("named-like-an-image.vlk", text));
        ASSERT_TRUE(file.configuration) << file.error;
        EXPECT_EQ(file.kind, ConfigurationFileKind::Json);
        EXPECT_EQ(file.configuration->circularRedTime, 5);
        // The image it stands for is the one the station writes of it.
        const ConfigurationFileRead again = FromText(std::string(file.image.begin(), file.image.end()));
        ASSERT_TRUE(again.configuration);
        EXPECT_EQ(*again.configuration, *file.configuration);
    }

    // Broken JSON is told as JSON, of any length but an image's.
    const ConfigurationFileRead broken = ConfigurationFile::Read(Put("broken.json", "{\"circularRedTime\": 256}"));
    EXPECT_FALSE(broken.configuration);
    EXPECT_EQ(broken.kind, ConfigurationFileKind::Json);
    EXPECT_NE(broken.error.find("circularRedTime"), std::string::npos) << broken.error;

    // An image may start with '{' (circular red time 123): 1920 bytes that are no JSON are an image.
    std::string brace = m_junction;
    brace[0] = '{';
    const ConfigurationFileRead image = ConfigurationFile::Read(Put("brace.vlk", brace));
    ASSERT_TRUE(image.configuration) << image.error;
    EXPECT_EQ(image.kind, ConfigurationFileKind::Image);
    EXPECT_EQ(image.configuration->circularRedTime, 123);

    // Too much JSON is refused by its size, which the message names, before it is parsed.
    const std::string large = "{\"accountRecord\": \"" + std::string(1024 * 1024, 'x') + "\"}";
    EXPECT_EQ(ConfigurationFile::Read(Put("large.json", large)).error,
              "слишком большой JSON: 1048597 байт, допустимо не более 1 МиБ (1048576 байт)");
}

TEST_F(ConfigurationFileTest, RepairsAreWarningsAndAFifoOrAFolderIsRefusedAtOnce)
{
    std::string image = m_junction;
    image[226] = 0x03; // Monday: program 3 at slot 48, which no day has
    image[227] = 0x30;
    const ConfigurationFileRead repaired = ConfigurationFile::Read(Put("repaired.vlk", image));
    ASSERT_TRUE(repaired.configuration) << repaired.error;
    ASSERT_FALSE(repaired.warnings.empty());
    // The image is the file's own bytes, repairs are the reader's business.
    EXPECT_EQ(std::string(repaired.image.begin(), repaired.image.end()), image);

    const fs::path fifo = m_dir / "pipe.vlk";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ConfigurationFile::Read(fifo.string()).error, "не обычный файл (канал FIFO)");
    EXPECT_EQ(ConfigurationFile::Read(m_dir.string()).error, "это папка, а не файл");
    const ConfigurationFileRead missing = ConfigurationFile::Read((m_dir / "missing.vlk").string());
    EXPECT_FALSE(missing.configuration);
    EXPECT_EQ(missing.errorCode, ENOENT);
}

TEST_F(ConfigurationFileTest, TheWriterWritesTheWholeImageOrLeavesTheOldFile)
{
    const ConfigurationFileRead read = ConfigurationFile::Read(Put("j.vlk", m_junction));
    ASSERT_TRUE(read.configuration);
    const std::string old = Put("old.vlk", "old");
    EXPECT_EQ(ConfigurationFile::Write(old, read.image), "");
    EXPECT_EQ(ReadText(old), m_junction);
    const ConfigurationFileRead back = ConfigurationFile::Read(old);
    ASSERT_TRUE(back.configuration);
    EXPECT_EQ(*back.configuration, *read.configuration);

    // A folder in the way is refused, and nothing is put in its place.
    fs::create_directory(m_dir / "folder.vlk");
    int error = -1;
    EXPECT_EQ(ConfigurationFile::Write((m_dir / "folder.vlk").string(), read.image, &error), "это папка, а не файл");
    EXPECT_EQ(error, 0);
    EXPECT_TRUE(fs::is_directory(m_dir / "folder.vlk"));
}

} // namespace
} // namespace vlk
