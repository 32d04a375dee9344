// The real vlkctl binary: arguments, exit codes, standard streams.
#include "VlkctlRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/resource.h>

namespace fs = std::filesystem;

namespace {

const std::string kBinary = vlk::test::kVlkctlBinary;
const std::string kJunction = VLK_TEST_DATA_DIR "/vlkctl/junction.json";

using vlk::test::ReadWholeFile;

class VlkctlProcess : public vlk::test::VlkctlRun {};

} // namespace

TEST_F(VlkctlProcess, CommandsThroughFilesAndPipes)
{
    ASSERT_TRUE(fs::exists(kBinary)) << kBinary;
    EXPECT_EQ(Run("new -o -"), 0);
    ASSERT_EQ(m_out.size(), 1920u);
    EXPECT_EQ(static_cast<unsigned char>(m_out[81]), 0x80);
    EXPECT_TRUE(m_err.empty());

    EXPECT_EQ(Run("import '" + kJunction + "' -o j.vlk"), 0) << m_err;
    EXPECT_EQ(Run("export j.vlk -o j.json"), 0) << m_err;
    EXPECT_EQ(Run("import - -o -", (m_dir / "j.json").string()), 0) << m_err;
    EXPECT_EQ(m_out, ReadWholeFile(m_dir / "j.vlk"));

    EXPECT_EQ(Run("show -", (m_dir / "j.vlk").string()), 0) << m_err;
    EXPECT_NE(m_out.find("  ПН 22:30 → Ж\n"), std::string::npos);

    EXPECT_EQ(Run("diff j.vlk j.json"), 0) << m_err;
    EXPECT_TRUE(m_out.empty());
    EXPECT_EQ(Run("new -o fresh.vlk"), 0);
    EXPECT_EQ(Run("diff fresh.vlk j.vlk"), 1);
    EXPECT_NE(m_out.find("ПН 06:00: нет → 2\n"), std::string::npos);
}

TEST_F(VlkctlProcess, BadUseExitsTwoWithOneLine)
{
    for (const char* arguments : {"", "frob", "new", "import j.json", "diff a.vlk", "show missing.vlk",
                                  "show --bogus x.vlk"}) {
        SCOPED_TRACE(arguments);
        EXPECT_EQ(Run(arguments), 2);
        EXPECT_EQ(std::count(m_err.begin(), m_err.end(), '\n'), 1) << m_err;
        EXPECT_EQ(m_err.rfind("vlkctl: ", 0), 0u) << m_err;
        EXPECT_TRUE(m_out.empty());
    }
    EXPECT_EQ(Run("--help"), 0);
    EXPECT_NE(m_out.find("export"), std::string::npos);
}

// Memory the largest vlkctl run may take, in kB; AddressSanitizer's shadow and quarantine
// take more.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kMostKib = 350 * 1024;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr long kMostKib = 350 * 1024;
#else
constexpr long kMostKib = 150 * 1024;
#endif
#else
constexpr long kMostKib = 150 * 1024;
#endif

// A JSON input of 16 MiB (the most any input may be) once took some 450 MB to parse before it
// was refused; it is refused unparsed now.
TEST_F(VlkctlProcess, ALargeJsonCostsNoMoreThanItsOwnSize)
{
    std::string json = "{\"week\": [";
    while (json.size() < 16 * 1024 * 1024 - 16)
        json += "[],";
    json += "[]]}";
    std::ofstream(m_dir / "large.json", std::ios::binary) << json;
    EXPECT_EQ(Run("show large.json"), 2);
    EXPECT_NE(m_err.find("слишком большой JSON"), std::string::npos) << m_err;
    // The largest of the processes run so far, this one included.
    struct rusage usage {};
    ASSERT_EQ(::getrusage(RUSAGE_CHILDREN, &usage), 0);
    EXPECT_LT(usage.ru_maxrss, kMostKib) << "kB";
}

namespace {

// Every help the user can ask for is Russian, the parser's own words included, and so are its
// complaints about the command line.
TEST_F(VlkctlProcess, HelpAndParserWordsAreRussian)
{
    for (const char* command : {"", "monitor", "write", "read", "clock", "leave", "compare", "journal"}) {
        ASSERT_EQ(Run(std::string(command) + " --help"), 0) << command;
        for (const char* english : {"Usage", "Options", "Subcommands", "Positionals", "REQUIRED", "Print this help",
                                    "TEXT", "INT", "the controller", "device path"})
            EXPECT_EQ(m_out.find(english), std::string::npos) << command << ": " << english << "\n" << m_out;
        EXPECT_NE(m_out.find("Использование: vlkctl"), std::string::npos) << command << "\n" << m_out;
    }
    EXPECT_EQ(Run("write"), 2);
    EXPECT_EQ(m_err, "vlkctl: не задан обязательный параметр file (см. vlkctl --help)\n");
    EXPECT_EQ(Run("read -o x.vlk"), 2);
    EXPECT_EQ(m_err, "vlkctl: не задан обязательный параметр --port (см. vlkctl --help)\n");
    EXPECT_EQ(Run(""), 2);
    EXPECT_EQ(m_err, "vlkctl: не задана команда (см. vlkctl --help)\n");
    EXPECT_EQ(Run("clock --port"), 2);
    EXPECT_EQ(m_err, "vlkctl: у параметра --port нет значения (см. vlkctl --help)\n");
}

} // namespace
