// The memory transfer through a network serial server against the device: the paced simulator on
// a pty, reached directly and through ser2net's raw TCP and RFC 2217 accepters. Prints the median
// write and read times of each kind and their ratio to the device's; run by `make bench`.

#include "ControllerSimulator.h"
#include "link/MemoryTransfer.h"
#include "link/ProgrammingMode.h"
#include "support/SerialServer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class PrintedMessages final : public vlk::Messages {
public:
    void Show(const std::string& text, vlk::MessageIcon = vlk::MessageIcon::None) override
    {
        std::printf("  message: %s\n", text.c_str());
    }
    bool Ask(const std::string&, vlk::MessageIcon = vlk::MessageIcon::Question) override { return true; }
};

struct Times {
    double write = 0;
    double read = 0;
    bool ok = false;    // programming mode was entered
    int failed = 0;     // transfers that ended with a failure message (never a false success)
    int transfers = 0;
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

Times Measure(const std::string& name, const vlk::ImageBytes& image, int rounds)
{
    PrintedMessages messages;
    vlk::CPort port;
    Times times;
    if (!vlk::EnterProgrammingMode(port, name, messages).Accepted()) {
        std::printf("%s: programming mode refused\n", name.c_str());
        return times;
    }
    std::vector<double> writes;
    std::vector<double> reads;
    times.ok = true;
    for (int round = 0; round < rounds; ++round) {
        vlk::ImageBytes sent = image;
        sent[0] = static_cast<std::uint8_t>(round + 1);
        auto start = Clock::now();
        const bool written = vlk::WriteControllerMemory(port, messages, sent) == vlk::WriteResult::Written;
        const double write = std::chrono::duration<double>(Clock::now() - start).count();
        start = Clock::now();
        const auto back = vlk::ReadControllerMemory(port, messages);
        const double read = std::chrono::duration<double>(Clock::now() - start).count();
        const bool readBack = back && *back == sent;
        // A transfer cut short by a delay past the gap fails (and says so); its time is no
        // transfer's time.
        if (written)
            writes.push_back(write);
        if (readBack)
            reads.push_back(read);
        times.failed += !written + !readBack;
        times.transfers += 2;
        if (back && !readBack && *back != sent)
            std::printf("%s: A READ GAVE OTHER BYTES THAN WRITTEN\n", name.c_str());
    }
    (void)vlk::ExitProgrammingMode(port, messages, 0ms);
    times.write = Median(writes);
    times.read = Median(reads);
    return times;
}

} // namespace

int main()
{
    vlk::SimulatorOptions options;
    options.period = 200ms;
    options.account = std::string();
    vlk::ControllerSimulator sim(options); // paced: 9600 baud, 8O1
    const std::string path = sim.OpenPty();
    if (path.empty() || !sim.Start()) {
        std::printf("network transfer: simulator did not start\n");
        return 1;
    }
    vlk::test::SerialServer server;
    if (!server.Start(path)) {
        std::printf("SKIP: network transfer: %s\n", server.Why().c_str());
        return 0;
    }
    // Rich in 0xFF, which Telnet doubles on the way.
    vlk::ImageBytes image{};
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = i % 5 == 0 ? 0xFF : static_cast<std::uint8_t>(i * 29);

    constexpr int kRounds = 5;
    const Times device = Measure(path, image, kRounds);
    const Times raw = Measure(server.RawAddress(), image, kRounds);
    const Times telnet = Measure(server.TelnetAddress(), image, kRounds);
    std::printf("transfer (median of %d, verified write = 15 sectors + read-back; read = 15 sectors twice)\n",
                kRounds);
    const auto line = [&](const char* kind, const Times& t) {
        std::printf("  %-8s write %.3f s (ratio %.3f)  read %.3f s (ratio %.3f)  %d of %d transfers failed safely%s\n",
                    kind, t.write, device.write > 0 ? t.write / device.write : 0.0, t.read,
                    device.read > 0 ? t.read / device.read : 0.0, t.failed, t.transfers,
                    t.ok ? "" : "  (programming mode refused)");
    };
    line("device", device);
    line("tcp", raw);
    line("rfc2217", telnet);
    sim.Stop();
    return device.ok && raw.ok && telnet.ok ? 0 : 1;
}
