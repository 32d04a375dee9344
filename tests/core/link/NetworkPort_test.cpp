// The port over the network: the address forms, the Telnet coding of RFC 854/2217 byte for byte,
// and CPort against a small TCP server of the test's own (the real server is in SerialServer_test).
#include "link/CPort.h"
#include "link/PortAddress.h"
#include "link/TelnetCodec.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <functional>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace vlk {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

TEST(PortAddress, TellsDevicesFromServers)
{
    const PortAddress device = PortAddress::Parse("/dev/ttyUSB0");
    EXPECT_FALSE(device.Network());

    const PortAddress raw = PortAddress::Parse("tcp://10.1.2.3:4001");
    EXPECT_EQ(raw.kind, PortAddress::Kind::Tcp);
    EXPECT_TRUE(raw.valid);
    EXPECT_EQ(raw.host, "10.1.2.3");
    EXPECT_EQ(raw.port, "4001");

    const PortAddress telnet = PortAddress::Parse("RFC2217://[::1]:7000/");
    EXPECT_EQ(telnet.kind, PortAddress::Kind::Rfc2217);
    EXPECT_TRUE(telnet.valid);
    EXPECT_EQ(telnet.host, "::1");
    EXPECT_EQ(telnet.port, "7000");

    for (const char* bad : {"tcp://host", "tcp://:4000", "tcp://host:0", "tcp://host:65536", "tcp://host:40x",
                            "rfc2217://a:b:4000", "tcp://"}) {
        const PortAddress address = PortAddress::Parse(bad);
        EXPECT_TRUE(address.Network()) << bad;
        EXPECT_FALSE(address.valid) << bad;
    }
}

TEST(TelnetCodec, DoublesAndUndoublesFF)
{
    Bytes out;
    const Bytes data{0x01, 0xFF, 0xFF, 0x02};
    TelnetCodec::Escape(data.data(), data.size(), out);
    EXPECT_EQ(out, (Bytes{0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x02}));

    TelnetCodec codec;
    Bytes received;
    Bytes reply;
    // A doubled 0xFF split between two reads is still one data byte.
    const Bytes first{0x10, 0xFF};
    const Bytes second{0xFF, 0x20};
    codec.Receive(first.data(), first.size(), received, reply);
    codec.Receive(second.data(), second.size(), received, reply);
    EXPECT_EQ(received, (Bytes{0x10, 0xFF, 0x20}));
    EXPECT_TRUE(reply.empty());
}

TEST(TelnetCodec, StripsCommandsAndAnswersNegotiation)
{
    TelnetCodec codec;
    const Bytes greeting = codec.Greeting();
    EXPECT_EQ(greeting, (Bytes{255, 251, 0, 255, 253, 0, 255, 251, 3, 255, 253, 3, 255, 251, 44}));

    Bytes data;
    Bytes reply;
    // The server takes binary (already asked: no answer), offers echo (refused), asks for a
    // terminal type (refused), sends a NOP and a COM-PORT answer between two data bytes, and
    // agrees to the COM-PORT option.
    const Bytes stream{0x41, 255, 253, 0,   255, 251, 1,   255, 253, 24,  255, 241, 255, 250,
                       44,   103, 2,   255, 240, 255, 250, 44,  107, 0,   255, 240, 0x42, 255, 253, 44};
    codec.Receive(stream.data(), stream.size(), data, reply);
    EXPECT_EQ(data, (Bytes{0x41, 0x42}));
    EXPECT_EQ(reply, (Bytes{255, 254, 1, 255, 252, 24}));
    EXPECT_TRUE(codec.ComPortAgreed());
    EXPECT_FALSE(codec.ComPortRefused());
    EXPECT_TRUE(codec.ParityAnswered());
    EXPECT_EQ(codec.ParityReply(), 2);

    TelnetCodec refusing;
    (void)refusing.Greeting();
    Bytes none;
    const Bytes dont{255, 254, 44};
    refusing.Receive(dont.data(), dont.size(), none, reply);
    EXPECT_TRUE(refusing.ComPortRefused());
}

TEST(TelnetCodec, LineSettingsAre9600EightOddOne)
{
    EXPECT_EQ(TelnetCodec::LineSettings(2, 1),
              (Bytes{255, 250, 44, 1, 0x00, 0x00, 0x25, 0x80, 255, 240, // baud 9600
                     255, 250, 44, 2, 8, 255, 240,                      // 8 data bits
                     255, 250, 44, 3, 2, 255, 240,                      // odd parity
                     255, 250, 44, 4, 1, 255, 240,                      // 1 stop bit
                     255, 250, 44, 12, 3, 255, 240}));                  // purge both ways
}

// A one-connection TCP server on a free loopback port; `serve` runs on its own thread with the
// accepted socket.
class TestServer {
public:
    explicit TestServer(std::function<void(int)> serve) : m_serve(std::move(serve))
    {
        m_listen = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        EXPECT_EQ(bind(m_listen, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        socklen_t size = sizeof address;
        getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &size);
        m_port = ntohs(address.sin_port);
        EXPECT_EQ(listen(m_listen, 4), 0);
        m_thread = std::thread([this] {
            const int fd = accept(m_listen, nullptr, nullptr);
            if (fd < 0)
                return;
            m_serve(fd);
            ::close(fd);
        });
    }
    ~TestServer()
    {
        shutdown(m_listen, SHUT_RDWR);
        ::close(m_listen);
        m_thread.join();
    }
    [[nodiscard]] int Port() const { return m_port; }

private:
    std::function<void(int)> m_serve;
    int m_listen = -1;
    int m_port = 0;
    std::thread m_thread;
};

Bytes ReceiveFor(int fd, std::chrono::milliseconds span)
{
    Bytes got;
    const auto end = std::chrono::steady_clock::now() + span;
    while (std::chrono::steady_clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 10) <= 0)
            continue;
        std::uint8_t buffer[256];
        const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        got.insert(got.end(), buffer, buffer + n);
    }
    return got;
}

int FreePort()
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t size = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(fd); // nobody listens there now: a connection is refused
    return ntohs(address.sin_port);
}

TEST(NetworkPort, FailuresNameTheAddress)
{
    CPort port;
    const std::string refused = "tcp://127.0.0.1:" + std::to_string(FreePort());
    EXPECT_FALSE(port.Open(refused, "AX25"));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.LastError(), CPort::Error::Refused);
    EXPECT_EQ(port.NotOpenText(),
              "Порт не открыт\n" + refused + ": сервер отказал в соединении (не запущен или порт не тот)");

    EXPECT_FALSE(port.Open("rfc2217://no-such-host.invalid:4000", "AX25"));
    EXPECT_EQ(port.LastError(), CPort::Error::NoName);
    EXPECT_EQ(port.NotOpenText(),
              "Порт не открыт\nrfc2217://no-such-host.invalid:4000: имя «no-such-host.invalid» не найдено");

    EXPECT_FALSE(port.Open("tcp://controller", "AX25"));
    EXPECT_EQ(port.NotOpenText(),
              "Порт не открыт\ntcp://controller: адрес не понят; нужен tcp://узел:порт или rfc2217://узел:порт");

    // A device is named by its path, with the reason.
    EXPECT_FALSE(port.Open("/nonexistent/ttyS9", "AX25"));
    EXPECT_EQ(port.NotOpenText(), "Порт не открыт\n/nonexistent/ttyS9: нет такого устройства");
}

TEST(NetworkPort, RawReadKeepsTheGapRuleAndSeesTheServerGo)
{
    std::atomic<bool> release{false};
    Bytes written;
    TestServer server([&](int fd) {
        // Something before the station's command: the write's purge throws it away.
        const Bytes stale{0x21, 0x22, 0x23};
        (void)send(fd, stale.data(), stale.size(), MSG_NOSIGNAL);
        written = ReceiveFor(fd, 400ms);
        // Ten bytes of a frame, then nothing.
        const Bytes part{0x20, 1, 2, 3, 4, 5, 6, 7, 8, 9};
        (void)send(fd, part.data(), part.size(), MSG_NOSIGNAL);
        while (!release)
            std::this_thread::sleep_for(5ms);
    });
    CPort port;
    ASSERT_TRUE(port.Open("tcp://127.0.0.1:" + std::to_string(server.Port()), "AX25"));
    EXPECT_EQ(port.Rts(), RtsMode::None);
    std::this_thread::sleep_for(50ms);
    // Raw means raw: 0xFF goes out as it is.
    const Bytes command{0xFF, 0x00};
    EXPECT_TRUE(port.Write(command.data(), command.size()));

    Bytes frame(26);
    const auto start = std::chrono::steady_clock::now();
    const std::size_t got = port.Read(frame.data(), frame.size());
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(got, 10u);
    EXPECT_EQ(port.LastReadEnd(), CPort::ReadEnd::Gap);
    EXPECT_EQ(Bytes(frame.begin(), frame.begin() + 3), (Bytes{0x20, 1, 2}));
    EXPECT_LT(took, 1500ms);
    EXPECT_EQ(written, command);

    release = true;
    // The server closes: the next read ends at once as a device gone, and so does a write.
    const auto readStart = std::chrono::steady_clock::now();
    (void)port.Read(frame.data(), frame.size());
    EXPECT_EQ(port.LastReadEnd(), CPort::ReadEnd::Gone);
    EXPECT_TRUE(port.DeviceGone());
    EXPECT_LT(std::chrono::steady_clock::now() - readStart, 1500ms);
    EXPECT_FALSE(port.Write(command.data(), command.size()));
}

TEST(NetworkPort, TheTailOfAReplyHeldUpByTheNetworkIsWaitedOutBeforeTheNextCommand)
{
    TestServer server([&](int fd) {
        // The first reply comes in two parts, 60 ms apart: the read ends at the gap after the
        // first part, and the second part is on its way while the next command goes out.
        (void)ReceiveFor(fd, 300ms);
        const Bytes head{0x20, 1, 2, 3, 4, 5, 6, 7, 8, 9};
        (void)send(fd, head.data(), head.size(), MSG_NOSIGNAL);
        std::this_thread::sleep_for(60ms);
        const Bytes tail{0xE1, 0xE2, 0xE3, 0xE4, 0xE5};
        (void)send(fd, tail.data(), tail.size(), MSG_NOSIGNAL);
        (void)ReceiveFor(fd, 400ms);
        const Bytes reply{0x77, 0x78};
        (void)send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
        std::this_thread::sleep_for(300ms);
    });
    CPort port;
    ASSERT_TRUE(port.Open("tcp://127.0.0.1:" + std::to_string(server.Port()), "AX25"));
    const std::uint8_t first = 0x50;
    ASSERT_TRUE(port.Write(&first, 1));
    Bytes frame(26);
    EXPECT_EQ(port.Read(frame.data(), frame.size()), 10u);
    EXPECT_EQ(port.LastReadEnd(), CPort::ReadEnd::Gap);
    // At once, before the tail has come: the write waits until the line is quiet.
    const std::uint8_t second = 0x51;
    ASSERT_TRUE(port.Write(&second, 1));
    Bytes reply(2);
    EXPECT_EQ(port.Read(reply.data(), reply.size()), 2u);
    EXPECT_EQ(reply, (Bytes{0x77, 0x78}));
}

TEST(NetworkPort, TelnetNegotiatesTheLineAndCarriesFFBytes)
{
    Bytes negotiation;
    Bytes written;
    TestServer server([&](int fd) {
        negotiation = ReceiveFor(fd, 150ms);
        // Agree to the COM-PORT option; answer the settings after they came.
        const Bytes agree{255, 253, 44, 255, 251, 0, 255, 253, 0};
        (void)send(fd, agree.data(), agree.size(), MSG_NOSIGNAL);
        const Bytes settings = ReceiveFor(fd, 150ms);
        negotiation.insert(negotiation.end(), settings.begin(), settings.end());
        const Bytes answer{255, 250, 44, 101, 0, 0, 0x25, 0x80, 255, 240, 255, 250, 44, 103, 2, 255, 240};
        (void)send(fd, answer.data(), answer.size(), MSG_NOSIGNAL);
        // Wait for the station's command, then a frame with 0xFF bytes doubled, a NOP in the
        // middle and a modem-state notice.
        written = ReceiveFor(fd, 700ms);
        const Bytes frame{0x20, 0xFF, 0xFF, 0x02, 255, 241, 0x03, 255, 250, 44, 107, 0, 255, 240, 0xFF, 0xFF};
        (void)send(fd, frame.data(), frame.size(), MSG_NOSIGNAL);
        std::this_thread::sleep_for(300ms);
    });
    CPort port;
    ASSERT_TRUE(port.Open("rfc2217://127.0.0.1:" + std::to_string(server.Port()), "AX25"));
    const Bytes command{0xD5, 0xFF, 0x33};
    ASSERT_TRUE(port.Write(command.data(), command.size()));
    Bytes frame(5);
    EXPECT_EQ(port.Read(frame.data(), frame.size()), 5u);
    EXPECT_EQ(frame, (Bytes{0x20, 0xFF, 0x02, 0x03, 0xFF}));
    port.Close();

    // The greeting, then the line settings once the server agreed; the server's own offers were
    // what the station had asked for already, so nothing answers them.
    EXPECT_EQ(negotiation, (Bytes{255, 251, 0,   255, 253, 0,   255, 251, 3,   255, 253, 3,   255, 251, 44,
                                  255, 250, 44,  1,   0x00, 0x00, 0x25, 0x80, 255, 240,
                                  255, 250, 44,  2,   8,   255, 240, 255, 250, 44, 3,   2,   255, 240,
                                  255, 250, 44,  4,   1,   255, 240, 255, 250, 44, 12,  3,   255, 240}));
    // 0xFF in the command is doubled on the wire.
    EXPECT_EQ(written, (Bytes{0xD5, 0xFF, 0xFF, 0x33}));
}

TEST(NetworkPort, TelnetServerWithoutComPortIsRefused)
{
    TestServer server([&](int fd) {
        (void)ReceiveFor(fd, 100ms);
        const Bytes refuse{255, 254, 44};
        (void)send(fd, refuse.data(), refuse.size(), MSG_NOSIGNAL);
        (void)ReceiveFor(fd, 300ms);
    });
    CPort port;
    const std::string address = "rfc2217://127.0.0.1:" + std::to_string(server.Port());
    EXPECT_FALSE(port.Open(address, "AX25"));
    EXPECT_EQ(port.LastError(), CPort::Error::NoComPort);
    EXPECT_EQ(port.NotOpenText(), "Порт не открыт\n" + address + ": сервер не принял настройку линии (RFC 2217)");
}

} // namespace
} // namespace vlk
