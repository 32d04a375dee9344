#include "link/CPort.h"
#include "ScriptedPeer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <future>
#include <mutex>
#include <sys/ioctl.h>
#include <unistd.h>

namespace vlk {
namespace {

using namespace vlk::test;

Bytes ReadBytes(CPort& port, std::size_t count)
{
    Bytes buffer(count);
    buffer.resize(port.Read(buffer.data(), count));
    return buffer;
}

bool WriteBytes(CPort& port, const Bytes& bytes)
{
    return port.Write(bytes.data(), bytes.size());
}

TEST(CPort, ModeNamesAreExact)
{
    ScriptedPeer peer;
    CPort port;
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.CurrentMode(), CPort::ModeNone);

    ASSERT_TRUE(port.Open(peer.Path(), "AX25"));
    EXPECT_EQ(port.CurrentMode(), CPort::ModeAx25);
    // A wrong name closes the open port and opens nothing.
    EXPECT_FALSE(port.Open(peer.Path(), "ax25"));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_FALSE(port.Open(peer.Path(), "MODBUS "));
    EXPECT_FALSE(port.IsOpen());

    ASSERT_TRUE(port.Open(peer.Path(), "MODBUS"));
    EXPECT_EQ(port.CurrentMode(), CPort::ModeModbus);
    EXPECT_EQ(port.Name(), peer.Path());
    EXPECT_EQ(port.TotalTimeout(), std::chrono::milliseconds(1000));
}

TEST(CPort, ClosedPortFailsQuietly)
{
    CPort port;
    EXPECT_TRUE(port.Close());
    EXPECT_TRUE(port.Close());
    const std::uint8_t byte = 0x2A;
    EXPECT_FALSE(port.Write(&byte, 1));
    std::uint8_t buffer[4];
    EXPECT_EQ(port.Read(buffer, 4), 0u);
    EXPECT_FALSE(port.Open("/nonexistent/tty", "AX25"));
    EXPECT_FALSE(port.IsOpen());
}

TEST(CPort, ComNamesMapThroughTheEnvironment)
{
    EXPECT_EQ(CPort::DevicePath("/dev/ttyUSB0"), "/dev/ttyUSB0");
    ScriptedPeer peer;
    ::setenv("VLK_COM2", peer.Path().c_str(), 1);
    EXPECT_EQ(CPort::DevicePath("COM2:"), peer.Path());
    CPort port;
    EXPECT_TRUE(port.Open("COM2:", "AX25"));
    EXPECT_EQ(port.Name(), "COM2:");
    ::unsetenv("VLK_COM2");
    EXPECT_EQ(CPort::DevicePath("COM2:"), "/dev/ttyS1");
    EXPECT_EQ(CPort::DevicePath("COM1"), "COM1"); // not a port name: a path as given
}

TEST(CPort, OpenIsExclusive)
{
    ScriptedPeer peer;
    CPort first;
    CPort second;
    ASSERT_TRUE(first.Open(peer.Path(), "AX25"));
    EXPECT_FALSE(second.Open(peer.Path(), "AX25"));
    EXPECT_FALSE(second.IsOpen());
    first.Close();
    EXPECT_TRUE(second.Open(peer.Path(), "AX25"));
}

TEST(CPort, WritePurgesWhatArrivedUnread)
{
    ScriptedPeer peer;
    CPort port;
    ASSERT_TRUE(port.Open(peer.Path(), "AX25"));
    std::promise<void> junkSent;
    peer.Run([&](ScriptedPeer& p) {
        p.Send({'j', 'u', 'n', 'k'});
        junkSent.set_value();
        if (p.Expect(1) == Bytes{0x2A})
            p.Send({'o', 'k'});
    });
    junkSent.get_future().wait();
    ASSERT_TRUE(ScriptedPeer::Within(2s, [&] { return peer.WaitingAtStation() == 4; }));
    ASSERT_TRUE(WriteBytes(port, {0x2A}));
    EXPECT_EQ(ReadBytes(port, 26), (Bytes{'o', 'k'}));
    peer.Stop();
    EXPECT_EQ(peer.Received(), Bytes{0x2A});
}

TEST(CPort, BackToBackWritesBothArrive)
{
    // The purge before a write must not take back the previous write.
    ScriptedPeer peer;
    CPort port;
    ASSERT_TRUE(port.Open(peer.Path(), "AX25"));
    peer.Run([](ScriptedPeer& p) {
        std::this_thread::sleep_for(100ms);
        (void)p.Expect(1 + 128);
    });
    for (int round = 0; round < 20; ++round) {
        ASSERT_TRUE(WriteBytes(port, {0xA5}));
        ASSERT_TRUE(WriteBytes(port, Bytes(128, static_cast<std::uint8_t>(round))));
    }
    EXPECT_TRUE(ScriptedPeer::Within(5s, [&] { return peer.Received().size() >= 20 * 129; }));
    peer.Stop();
    Bytes expected;
    for (int round = 0; round < 20; ++round)
        expected = Concat({expected, {0xA5}, Bytes(128, static_cast<std::uint8_t>(round))});
    EXPECT_EQ(peer.Received(), expected);
}

TEST(CPort, ReopenPurgesAgain)
{
    ScriptedPeer peer;
    CPort port;
    ASSERT_TRUE(port.Open(peer.Path(), "AX25"));
    peer.Send({1, 2, 3});
    ASSERT_TRUE(ScriptedPeer::Within(2s, [&] { return peer.WaitingAtStation() == 3; }));
    ASSERT_TRUE(port.Open(peer.Path(), "AX25"));
    peer.Send({4, 5, 6});
    EXPECT_EQ(ReadBytes(port, 3), (Bytes{4, 5, 6}));
}

TEST(CPort, LongWriteArrivesWhole)
{
    ScriptedPeer peer;
    CPort port;
    ASSERT_TRUE(port.Open(peer.Path(), "AX25"));
    Bytes big(10000);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<std::uint8_t>(i * 7);
    peer.Run([&](ScriptedPeer& p) { (void)p.Expect(big.size(), 10s); });
    EXPECT_TRUE(WriteBytes(port, big));
    peer.WaitScript();
    peer.Stop();
    EXPECT_EQ(peer.Received(), big);
}

TEST(CPort, CloseFromAnotherThreadEndsABlockedRead)
{
    ScriptedPeer peer;
    CPort port;
    ASSERT_TRUE(port.Open(peer.Path(), "AX25"));
    std::uint8_t buffer[26];
    const auto start = SteadyClock::now();
    std::thread closer([&] {
        std::this_thread::sleep_for(200ms);
        port.Close();
    });
    const std::size_t got = port.Read(buffer, sizeof buffer);
    const auto elapsed = SteadyClock::now() - start;
    closer.join();
    EXPECT_EQ(got, 0u);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_LT(elapsed, 200ms + std::chrono::milliseconds(VLK_TIMING_SLACK_MS));
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 0u);

    // The port opens again afterwards and works.
    ASSERT_TRUE(port.Open(peer.Path(), "AX25"));
    peer.Send({7, 8});
    EXPECT_EQ(ReadBytes(port, 2), (Bytes{7, 8}));
}

TEST(CPort, PeerHangupEndsARead)
{
    auto peer = std::make_unique<ScriptedPeer>();
    CPort port;
    ASSERT_TRUE(port.Open(peer->Path(), "AX25"));
    peer.reset(); // master and the test's slave closed: the device is gone
    std::uint8_t buffer[26];
    const auto start = SteadyClock::now();
    EXPECT_EQ(port.Read(buffer, sizeof buffer), 0u);
    EXPECT_LT(SteadyClock::now() - start, 500ms);
}

TEST(CPort, ReadTellsWhyItEnded)
{
    ScriptedPeer peer;
    CPort port;
    std::uint8_t buffer[26];
    EXPECT_EQ(port.Read(buffer, 4), 0u);
    EXPECT_EQ(port.LastReadEnd(), CPort::ReadEnd::NotOpen);

    ASSERT_TRUE(port.Open(peer.Path(), "MODBUS")); // 1000 ms total: a quicker time-out
    peer.Send({1, 2, 3, 4});
    EXPECT_EQ(port.Read(buffer, 4), 4u);
    EXPECT_EQ(port.LastReadEnd(), CPort::ReadEnd::Count);
    peer.Send({5, 6});
    EXPECT_EQ(port.Read(buffer, 26), 2u);
    EXPECT_EQ(port.LastReadEnd(), CPort::ReadEnd::Gap);
    EXPECT_EQ(port.Read(buffer, 26), 0u);
    EXPECT_EQ(port.LastReadEnd(), CPort::ReadEnd::Timeout);
    EXPECT_EQ(port.LastError(), CPort::Error::None);

    std::thread closer([&] {
        std::this_thread::sleep_for(100ms);
        port.Close();
    });
    EXPECT_EQ(port.Read(buffer, 26), 0u);
    closer.join();
    EXPECT_EQ(port.LastReadEnd(), CPort::ReadEnd::Woken);
    EXPECT_EQ(port.LastError(), CPort::Error::None);
}

TEST(CPort, AGoneDeviceEndsReadsAndWritesAtOnceAndSaysSo)
{
    auto peer = std::make_unique<ScriptedPeer>();
    CPort port;
    ASSERT_TRUE(port.Open(peer->Path(), "AX25"));
    peer.reset();
    std::uint8_t buffer[26];
    for (int i = 0; i < 3; ++i) {
        const auto start = SteadyClock::now();
        EXPECT_EQ(port.Read(buffer, sizeof buffer), 0u);
        EXPECT_LT(SteadyClock::now() - start, 500ms);
        EXPECT_EQ(port.LastReadEnd(), CPort::ReadEnd::Gone);
    }
    EXPECT_TRUE(port.DeviceGone());
    EXPECT_EQ(port.LastError(), CPort::Error::Gone);
    EXPECT_EQ(port.ErrorString(), "Input/output error");
    EXPECT_TRUE(port.IsOpen()); // a state the owner acts on: it closes and opens again
    const std::uint8_t star = 0x2A;
    EXPECT_FALSE(port.Write(&star, 1));
    EXPECT_TRUE(port.DeviceGone());
    EXPECT_TRUE(port.Close());
    EXPECT_FALSE(port.IsOpen());
}

TEST(CPort, AFailedOpenKeepsTheReason)
{
    CPort port;
    EXPECT_FALSE(port.Open("/nonexistent/tty", "AX25"));
    EXPECT_EQ(port.LastError(), CPort::Error::NotFound);
    EXPECT_EQ(port.ErrorString(), "No such file or directory");

    EXPECT_FALSE(port.Open("/dev/null", "AX25"));
    EXPECT_EQ(port.LastError(), CPort::Error::NotSerial);
    EXPECT_EQ(port.ErrorString(), "Inappropriate ioctl for device");

    ScriptedPeer peer;
    CPort holder;
    ASSERT_TRUE(holder.Open(peer.Path(), "AX25"));
    EXPECT_FALSE(port.Open(peer.Path(), "AX25"));
    EXPECT_EQ(port.LastError(), CPort::Error::InUse);
    EXPECT_EQ(port.ErrorString(), "Resource temporarily unavailable");

    holder.Close();
    ASSERT_TRUE(port.Open(peer.Path(), "AX25"));
    EXPECT_EQ(port.LastError(), CPort::Error::None);
    EXPECT_EQ(port.ErrorString(), "");

    // The rest of the sorting, as the system's serial ports report it.
    using E = CPort::Error;
    EXPECT_EQ(CPort::ErrorFromErrno(EACCES, true), E::Permission);
    EXPECT_EQ(CPort::ErrorFromErrno(EPERM, true), E::Permission);
    EXPECT_EQ(CPort::ErrorFromErrno(EBUSY, true), E::InUse);
    EXPECT_EQ(CPort::ErrorFromErrno(ENODEV, true), E::NotFound);
    EXPECT_EQ(CPort::ErrorFromErrno(ENXIO, true), E::NotFound);
    EXPECT_EQ(CPort::ErrorFromErrno(ENXIO, false), E::Gone);
    EXPECT_EQ(CPort::ErrorFromErrno(EIO, false), E::Gone);
    EXPECT_EQ(CPort::ErrorFromErrno(EIO, true), E::Gone);
}

// Reads the station's stderr while `action` runs.
template <class F>
std::string Stderr(F action)
{
    std::fflush(stderr);
    char name[] = "/tmp/vlk-stderr-XXXXXX";
    const int file = ::mkstemp(name);
    const int saved = ::dup(2);
    ::dup2(file, 2);
    action();
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    std::string text;
    char chunk[512];
    ::lseek(file, 0, SEEK_SET);
    for (ssize_t n; (n = ::read(file, chunk, sizeof chunk)) > 0;)
        text.append(chunk, static_cast<std::size_t>(n));
    ::close(file);
    ::unlink(name);
    return text;
}

TEST(CPort, ARetriedMissingDeviceIsReportedOnStderrOncePerCause)
{
    CPort port;
    const std::string text = Stderr([&] {
        for (int i = 0; i < 5; ++i)
            EXPECT_FALSE(port.Open("/nonexistent/tty", "AX25"));
        EXPECT_FALSE(port.Open("/dev/null", "AX25"));
        EXPECT_FALSE(port.Open("/nonexistent/tty", "AX25"));
    });
    EXPECT_EQ(text, "vlk: cannot open /nonexistent/tty: No such file or directory\n"
                    "vlk: cannot read line settings of /dev/null: Inappropriate ioctl for device\n"
                    "vlk: cannot open /nonexistent/tty: No such file or directory\n");
}

TEST(CPort, ARefusedOpenLeavesTheHoldersExclusiveMode)
{
    ScriptedPeer peer;
    CPort holder;
    ASSERT_TRUE(holder.Open(peer.Path(), "AX25"));
    CPort second;
    EXPECT_FALSE(second.Open(peer.Path(), "AX25"));
    EXPECT_FALSE(second.Open(peer.Path(), "AX25"));

    // Still exclusive: another open is refused outright, or (root passes TIOCEXCL) the flag
    // reads back set.
    const int fd = ::open(peer.Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        EXPECT_EQ(errno, EBUSY);
        return;
    }
    int exclusive = 0;
    ASSERT_EQ(::ioctl(fd, TIOCGEXCL, &exclusive), 0);
    ::close(fd);
    EXPECT_EQ(exclusive, 1) << "the refused Open cleared the holder's exclusive mode";
}

class RecordingRts final : public RtsControl {
public:
    explicit RecordingRts(RtsMode mode) : m_mode(mode) {}
    RtsMode Setup(int) override
    {
        std::lock_guard lock(m_mutex);
        m_calls.push_back("setup");
        return m_mode;
    }
    void Set(int, bool raised) override
    {
        std::lock_guard lock(m_mutex);
        m_calls.push_back(raised ? "raise" : "lower");
    }
    std::vector<std::string> Calls()
    {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }

private:
    RtsMode m_mode;
    std::mutex m_mutex;
    std::vector<std::string> m_calls;
};

TEST(CPort, RtsRaisedOnlyAroundAWrite)
{
    ScriptedPeer peer;
    RecordingRts manual(RtsMode::Manual);
    CPort port(manual);
    ASSERT_TRUE(port.Open(peer.Path(), "AX25"));
    EXPECT_EQ(port.Rts(), RtsMode::Manual);
    ASSERT_TRUE(WriteBytes(port, {0xD5, 0x33}));
    std::uint8_t buffer[1];
    (void)port.Read(buffer, 0);
    EXPECT_EQ(manual.Calls(), (std::vector<std::string>{"setup", "raise", "lower"}));

    // With the driver's RS-485 mode the port leaves RTS to it.
    RecordingRts driver(RtsMode::Driver);
    CPort other(driver);
    ASSERT_TRUE(other.Open(peer.Path(), "AX25") || (port.Close() && other.Open(peer.Path(), "AX25")));
    ASSERT_TRUE(WriteBytes(other, {0x2A}));
    EXPECT_EQ(driver.Calls(), (std::vector<std::string>{"setup"}));
}

TEST(CPort, SystemRtsOnAPtyMeansNone)
{
    ScriptedPeer peer;
    CPort port;
    ASSERT_TRUE(port.Open(peer.Path(), "AX25"));
    EXPECT_EQ(port.Rts(), RtsMode::None);
    EXPECT_TRUE(WriteBytes(port, {1}));
}

} // namespace
} // namespace vlk
