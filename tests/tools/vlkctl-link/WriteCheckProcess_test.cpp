// The real vlkctl binary writing into a scripted controller: the configuration check stands
// before the line, and only --force lets a plan with errors through.
#include "config/ConfigurationImage.h"
#include "config/DemoJunction.h"
#include "core/link/MemoryPeer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>

namespace vlk::test {
namespace {

namespace fs = std::filesystem;

const std::string kBinary = VLK_BINARY_DIR "/tools/vlkctl/vlkctl";

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class WriteCheckProcess : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "vlkctl-write-check-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
    }
    void TearDown() override { fs::remove_all(m_dir); }

    void Save(const std::string& name, const ImageBytes& image)
    {
        std::ofstream out(m_dir / name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    }

    int Run(const std::string& arguments, const std::string& input = "/dev/null")
    {
        const std::string command = "cd '" + m_dir.string() + "' && '" + kBinary + "' " + arguments + " <" + input +
                                    " >out.txt 2>err.txt";
        const int status = std::system(command.c_str());
        m_out = ReadText(m_dir / "out.txt");
        m_err = ReadText(m_dir / "err.txt");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path m_dir;
    std::string m_out;
    std::string m_err;
};

// The demo junction with its left-turn phase below its minimum time: one "Ошибка".
ImageBytes FaultyDemo()
{
    Configuration c = DemoJunction();
    c.programDuration[0][2] = 4;
    return ConfigurationImage::Encode(c);
}

TEST_F(WriteCheckProcess, AnErrorStopsTheWriteBeforeTheLineUnlessForced)
{
    ASSERT_TRUE(fs::exists(kBinary)) << kBinary;
    Save("faulty.vlk", FaultyDemo());
    {
        ScriptedPeer peer;
        peer.Run([](ScriptedPeer&) {});
        EXPECT_EQ(Run("write faulty.vlk --port '" + peer.Path() + "'"), 1) << m_err;
        peer.Stop();
        EXPECT_TRUE(peer.Received().empty()) << "nothing may reach the controller";
        EXPECT_TRUE(m_out.empty()) << m_out;
        EXPECT_EQ(m_err, "vlkctl: faulty.vlk: Ошибка: Программа 1, фаза 3: длительность 4 с меньше минимального времени "
                         "фазы 5 с [min-phase-time]\n"
                         "vlkctl: faulty.vlk: в конфигурации ошибки, запись отменена (--force записывает несмотря на "
                         "ошибки)\n");
    }
    {
        ScriptedPeer peer;
        MemoryPeer controller;
        peer.Run([&](ScriptedPeer& p) {
            if (controller.Enter(p))
                controller.Serve(p);
        });
        EXPECT_EQ(Run("write faulty.vlk --port '" + peer.Path() + "' --force"), 0) << m_err;
        peer.Stop();
        EXPECT_EQ(controller.memory, FaultyDemo());
        EXPECT_EQ(controller.leaves, 1);
        EXPECT_EQ(m_out, "учетная запись\nN1\nЗапись ОДД закончена\n");
        EXPECT_NE(m_err.find("[min-phase-time]\n"), std::string::npos) << m_err;
        EXPECT_NE(m_err.find("записывается несмотря на ошибки (--force)\n"), std::string::npos) << m_err;
    }
    {
        // The same plan as JSON, named or on standard input: checked as the image it becomes.
        ASSERT_EQ(Run("export faulty.vlk -o faulty.json"), 0) << m_err;
        ScriptedPeer peer;
        peer.Run([](ScriptedPeer&) {});
        EXPECT_EQ(Run("write faulty.json --port '" + peer.Path() + "'"), 1) << m_err;
        EXPECT_NE(m_err.find("[min-phase-time]\n"), std::string::npos) << m_err;
        EXPECT_EQ(Run("write - --port '" + peer.Path() + "'", "faulty.json"), 1) << m_err;
        EXPECT_NE(m_err.find("[min-phase-time]\n"), std::string::npos) << m_err;
        peer.Stop();
        EXPECT_TRUE(peer.Received().empty()) << "nothing may reach the controller";
    }
}

TEST_F(WriteCheckProcess, APlanWithoutErrorsIsWrittenAndABrokenFileStillFailsAsBefore)
{
    ASSERT_TRUE(fs::exists(kBinary)) << kBinary;
    Save("demo.vlk", ConfigurationImage::Encode(DemoJunction()));
    {
        ScriptedPeer peer;
        MemoryPeer controller;
        peer.Run([&](ScriptedPeer& p) {
            if (controller.Enter(p))
                controller.Serve(p);
        });
        EXPECT_EQ(Run("write demo.vlk --port '" + peer.Path() + "'"), 0) << m_err;
        peer.Stop();
        EXPECT_EQ(controller.memory, ConfigurationImage::Encode(DemoJunction()));
        EXPECT_EQ(m_err.find("vlkctl:"), std::string::npos) << m_err; // a pty may warn of its missing RTS
    }
    {
        // A short or missing file is refused by the write itself (exit 2), never passed as checked.
        ScriptedPeer peer;
        peer.Run([](ScriptedPeer&) {});
        std::ofstream(m_dir / "short.vlk") << "short";
        EXPECT_EQ(Run("write short.vlk --port '" + peer.Path() + "'"), 2) << m_err;
        EXPECT_EQ(Run("write missing.vlk --port '" + peer.Path() + "' --force"), 2) << m_err;
        peer.Stop();
        EXPECT_TRUE(peer.Received().empty());
    }
}

} // namespace
} // namespace vlk::test
