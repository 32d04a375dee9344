// vlkctl read and write as a user runs them in a terminal: the progress of the transfer on
// standard error when it is a terminal (and nothing of it in a pipe), COM1 meaning what it means
// in the station, and a port that does not open ending with code 2.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

const std::string kVlkctl = VLK_BINARY_DIR "/tools/vlkctl/vlkctl";
const std::string kVlkSim = VLK_BINARY_DIR "/tools/vlk-sim/vlk-sim";

// Reads `fd` until the end or `limit`.
std::string Drain(int fd, std::chrono::milliseconds limit)
{
    std::string text;
    const auto end = std::chrono::steady_clock::now() + limit;
    char buffer[4096];
    while (std::chrono::steady_clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 100) <= 0)
            continue;
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break; // EOF, or EIO on a pty whose last slave closed
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
}

// Spawns `args` with standard output and error on the given descriptors; the pid.
pid_t Spawn(std::vector<std::string> args, int out, int err)
{
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out, 1);
    posix_spawn_file_actions_adddup2(&actions, err, 2);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int Wait(pid_t pid)
{
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class TerminalProgress : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "vlkctl-terminal-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        ::setenv("XDG_STATE_HOME", (m_dir / "state").c_str(), 1);
        // The simulator, unpaced, on a pty of its own; its first line names it.
        int out[2];
        ASSERT_EQ(pipe(out), 0);
        m_devnull = ::open("/dev/null", O_WRONLY);
        m_sim = Spawn({kVlkSim, "--no-pace", "--period", "100"}, out[1], m_devnull);
        ::close(out[1]);
        ASSERT_GT(m_sim, 0);
        m_simOut = out[0];
        std::string line;
        const auto end = std::chrono::steady_clock::now() + 5s;
        char c = 0;
        while (std::chrono::steady_clock::now() < end && read(m_simOut, &c, 1) == 1 && c != '\n')
            line += c;
        ASSERT_EQ(line.rfind("/dev/pts/", 0), 0u) << line;
        m_pty = line;
        ::setenv("VLK_COM1", m_pty.c_str(), 1);
    }
    void TearDown() override
    {
        if (m_sim > 0) {
            kill(m_sim, SIGTERM);
            Wait(m_sim);
        }
        ::close(m_simOut);
        ::close(m_devnull);
        ::unsetenv("VLK_COM1");
        fs::remove_all(m_dir);
    }

    // Runs vlkctl with its standard error on a terminal (a pty); what the terminal showed.
    int RunOnTerminal(std::vector<std::string> args, std::string& shown)
    {
        const int master = posix_openpt(O_RDWR | O_NOCTTY);
        EXPECT_GE(master, 0);
        EXPECT_EQ(grantpt(master), 0);
        EXPECT_EQ(unlockpt(master), 0);
        const int slave = ::open(ptsname(master), O_RDWR | O_NOCTTY);
        EXPECT_GE(slave, 0);
        args.insert(args.begin(), kVlkctl);
        const pid_t pid = Spawn(args, m_devnull, slave);
        ::close(slave);
        shown = Drain(master, 30s);
        ::close(master);
        return Wait(pid);
    }
    // The same with standard error in a pipe.
    int RunInPipe(std::vector<std::string> args, std::string& err)
    {
        int pipeFds[2];
        EXPECT_EQ(pipe(pipeFds), 0);
        args.insert(args.begin(), kVlkctl);
        const pid_t pid = Spawn(args, m_devnull, pipeFds[1]);
        ::close(pipeFds[1]);
        err = Drain(pipeFds[0], 30s);
        ::close(pipeFds[0]);
        return Wait(pid);
    }

    fs::path m_dir;
    pid_t m_sim = -1;
    int m_simOut = -1;
    int m_devnull = -1;
    std::string m_pty;
};

std::size_t Count(const std::string& text, const std::string& piece)
{
    std::size_t n = 0;
    for (auto at = text.find(piece); at != std::string::npos; at = text.find(piece, at + piece.size()))
        ++n;
    return n;
}

TEST_F(TerminalProgress, ReadAndWriteOnCom1ShowTheirSectorsOnATerminalOnly)
{
    const std::string image = (m_dir / "read.vlk").string();
    std::string shown;
    // "COM1" as the station names it: VLK_COM1 points at the simulator.
    ASSERT_EQ(RunOnTerminal({"read", "--port", "COM1", "-o", image}, shown), 0) << shown;
    EXPECT_EQ(fs::file_size(image), 1920u);
    EXPECT_NE(shown.find("\rЧтение ОДД: сектор 1 из 15"), std::string::npos) << shown;
    EXPECT_NE(shown.find("\rЧтение ОДД: сектор 15 из 15"), std::string::npos) << shown;
    EXPECT_NE(shown.find("\rЧтение ОДД (сверка): сектор 15 из 15"), std::string::npos) << shown;

    ASSERT_EQ(RunOnTerminal({"write", image, "--port", "com1"}, shown), 0) << shown;
    for (const char* part : {"\rЧтение прежней ОДД: сектор 15 из 15", "\rЗапись ОДД: сектор 15 из 15",
                             "\rПроверка ОДД: сектор 15 из 15"})
        EXPECT_EQ(Count(shown, part), 1u) << part << "\n" << shown;

    // In a pipe (a script, a log) no progress line is written.
    std::string err;
    ASSERT_EQ(RunInPipe({"read", "--port", "COM1:", "-o", (m_dir / "again.vlk").string()}, err), 0) << err;
    EXPECT_EQ(err.find("сектор"), std::string::npos) << err;
}

TEST_F(TerminalProgress, APortThatDoesNotOpenEndsWithCodeTwoAndSaysWhy)
{
    const std::string missing = (m_dir / "no-such-port").string();
    for (const char* command : {"read", "leave", "monitor"}) {
        std::vector<std::string> args = {command, "--port", missing};
        if (std::string(command) == "read")
            args.insert(args.end(), {"-o", (m_dir / "x.vlk").string()});
        std::string err;
        int pipeFds[2];
        ASSERT_EQ(pipe(pipeFds), 0);
        args.insert(args.begin(), kVlkctl);
        const pid_t pid = Spawn(args, pipeFds[1], pipeFds[1]);
        ::close(pipeFds[1]);
        const std::string said = Drain(pipeFds[0], 10s);
        ::close(pipeFds[0]);
        EXPECT_EQ(Wait(pid), 2) << command << ": " << said;
        EXPECT_NE(said.find("Порт не открыт\n" + missing + ": нет такого устройства\n"), std::string::npos)
            << command << ": " << said;
    }
}

} // namespace
