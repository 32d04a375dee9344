// The vlk-sim program as a user starts it: first line, link, signals, memory file, hang-up.

#include "tools/vlk-sim/PtyClient.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

extern char** environ;

namespace vlk {
namespace {

using namespace std::chrono_literals;
using test::PtyClient;

const char* const kProgram = VLK_BINARY_DIR "/tools/vlk-sim/vlk-sim";

class Program {
public:
    explicit Program(std::vector<std::string> args)
    {
        args.insert(args.begin(), kProgram);
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        int out[2];
        if (pipe(out) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        if (posix_spawn(&m_pid, kProgram, &actions, nullptr, argv.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        m_out = out[0];
    }
    ~Program()
    {
        if (m_pid > 0 && !m_reaped) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0)
            close(m_out);
    }

    // The first line of stdout, or "" if none within the time.
    std::string FirstLine(std::chrono::milliseconds timeout = 5000ms)
    {
        std::string line;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd pfd{m_out, POLLIN, 0};
            if (poll(&pfd, 1, 50) <= 0)
                continue;
            char c;
            if (read(m_out, &c, 1) != 1)
                break;
            if (c == '\n')
                return line;
            line += c;
        }
        return {};
    }

    // The exit code, or -1 if it did not end within the time (or ended by a signal).
    int Wait(std::chrono::milliseconds timeout)
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_reaped = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(10ms);
        }
        return -1;
    }

    void Signal(int signal) { kill(m_pid, signal); }
    [[nodiscard]] bool Started() const { return m_pid > 0; }

private:
    pid_t m_pid = -1;
    int m_out = -1;
    bool m_reaped = false;
};

std::filesystem::path TempPath(const std::string& name)
{
    return std::filesystem::temp_directory_path() / (name + "-" + std::to_string(getpid()));
}

TEST(VlkSimProgram, PrintsThePtyMakesTheLinkServesAndEndsCleanlyOnSigterm)
{
    const auto link = TempPath("vlk-sim-link");
    std::filesystem::remove(link);
    Program sim({"--period", "50", "--no-pace", "--link", link.string()});
    ASSERT_TRUE(sim.Started());
    const std::string path = sim.FirstLine();
    ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
    ASSERT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(std::filesystem::read_symlink(link), path);

    PtyClient client(link.string());
    ASSERT_TRUE(client.IsOpen());
    client.Sync();
    const auto frame = client.Read(26, 1000ms);
    ASSERT_EQ(frame.size(), 26u);
    EXPECT_EQ(frame[0] & 0x20, 0x20);

    sim.Signal(SIGTERM);
    EXPECT_EQ(sim.Wait(2000ms), 0);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

TEST(VlkSimProgram, ServesTheGivenMemoryAndTheAccountRecordAsWindows1251)
{
    const auto file = TempPath("vlk-sim-memory.vlk");
    {
        std::vector<char> image(1920, 0);
        image[81] = '\x80';
        for (int i = 226; i < 366; ++i)
            image[i] = '\xFF';
        for (int i = 0; i < 10; ++i)
            image[366 + i] = static_cast<char>(i + 1);
        for (int i = 376; i < 382; ++i)
            image[i] = '\xFF';
        std::ofstream(file, std::ios::binary).write(image.data(), static_cast<std::streamsize>(image.size()));
    }
    Program sim({"--period", "50", "--no-pace", "--memory", file.string(), "--account", "УЗЕЛ 17", "--clock", "6,23:58"});
    const std::string path = sim.FirstLine();
    ASSERT_FALSE(path.empty());
    PtyClient client(path);
    client.Sync();
    auto frame = client.Read(26, 1000ms);
    ASSERT_EQ(frame.size(), 26u);
    EXPECT_EQ(frame[0] & 0x04, 0x04) << "a memory without programs flashes yellow";
    EXPECT_EQ(frame[3] & 0x0F, 6);
    EXPECT_EQ(frame[4], 0x23);
    EXPECT_EQ(frame[5], 0x58);
    client.Write({0xD5, 0x33});
    EXPECT_EQ(client.Read(1), PtyClient::Bytes{0xFF});
    EXPECT_EQ(client.Read(68), (PtyClient::Bytes{0xD3, 0xC7, 0xC5, 0xCB, 0x20, 0x31, 0x37, 0x00}));
    sim.Signal(SIGINT);
    EXPECT_EQ(sim.Wait(2000ms), 0);
    std::filesystem::remove(file);
}

TEST(VlkSimProgram, RefusesBadArgumentsAndEndsByItselfAfterAHangUp)
{
    const auto shortFile = TempPath("vlk-sim-short.vlk");
    std::ofstream(shortFile, std::ios::binary).write("abc", 3);
    Program shortMemory({"--memory", shortFile.string()});
    EXPECT_EQ(shortMemory.Wait(5000ms), 2);
    std::filesystem::remove(shortFile);

    Program badSector({"--refuse-sector", "15"});
    EXPECT_EQ(badSector.Wait(5000ms), 2);
    Program badByte({"--toggle-reply", "0x155"});
    EXPECT_EQ(badByte.Wait(5000ms), 2);
    Program badClock({"--clock", "7,10:00"});
    EXPECT_EQ(badClock.Wait(5000ms), 2);
    // A value that is not all a whole number is refused, never read as the number it starts with.
    for (const auto& [option, value] : std::vector<std::pair<std::string, std::string>>{
             {"--refuse-sector", "3x"}, {"--toggle-reply", "0x"}, {"--period", "1e3"}, {"--noise", "1e1"}}) {
        Program bad({option, value});
        EXPECT_EQ(bad.Wait(5000ms), 2) << option << ' ' << value;
    }
    // The memory file is read no further than an image and one byte more.
    Program endless({"--memory", "/dev/zero"});
    EXPECT_EQ(endless.Wait(5000ms), 2);

    Program hangUp({"--no-pace", "--period", "50", "--hangup-after", "100"});
    EXPECT_FALSE(hangUp.FirstLine().empty());
    EXPECT_EQ(hangUp.Wait(3000ms), 0);
}

} // namespace
} // namespace vlk
