#pragma once

// A controller in programming mode on a scripted peer: sector write and read on its memory,
// with hooks that decide each reply.

#include "ScriptedPeer.h"

#include <array>
#include <map>
#include <optional>

namespace vlk::test {

struct MemoryPeer {
    std::array<std::uint8_t, 1920> memory{};
    // Reply to the n-th sending (from 0) of sector k; nothing for silence. Default: accept.
    std::function<std::optional<std::uint8_t>(int k, int sending)> writeReply;
    // The pieces sent for the n-th request of sector k, each after a pause. Default: all 128.
    std::function<std::vector<std::pair<std::chrono::milliseconds, Bytes>>(int k, int request, const Bytes& sector)>
        readReply;
    bool paced = false;
    std::map<int, int> writes;
    std::map<int, int> reads;
    int leaves = 0;

    // Normal mode up to programming mode: a ready frame, the toggle, 0xFF and the record.
    bool Enter(ScriptedPeer& p, const Bytes& record = {'N', '1'})
    {
        std::this_thread::sleep_for(300ms); // the station's open pause and purge
        Send(p, StateFrameBytes(0x20));
        if (p.Expect(2) != Bytes{0xD5, 0x33})
            return false;
        Bytes reply{0xFF};
        reply.insert(reply.end(), record.begin(), record.end());
        reply.push_back(0);
        Send(p, reply);
        return true;
    }

    void Serve(ScriptedPeer& p)
    {
        while (!p.Stopping()) {
            const Bytes command = p.Expect(1, 100ms);
            if (command.empty())
                continue;
            const auto arrived = SteadyClock::now();
            const int c = command[0];
            if (c == 0xD5) {
                // Leaving programming mode: the toggle, answered with a state frame.
                if (p.Expect(1) == Bytes{0x33}) {
                    ++leaves;
                    Send(p, StateFrameBytes(0x20));
                    return;
                }
            } else if (c >= 0xA0 && c <= 0xAE) {
                const int k = c - 0xA0;
                const Bytes data = p.Expect(128, 3000ms);
                if (data.size() != 128)
                    continue;
                const int n = writes[k]++;
                const auto reply = writeReply ? writeReply(k, n) : std::optional<std::uint8_t>(c);
                if (reply && *reply == c)
                    std::copy(data.begin(), data.end(), memory.begin() + 128 * k);
                if (paced) // act once the sector would have arrived on the line
                    ScriptedPeer::SleepUntil(arrived + 128 * kByteTime);
                if (reply)
                    Send(p, {*reply});
            } else if (c >= 0x50 && c <= 0x5E) {
                const int k = c - 0x50;
                const int n = reads[k]++;
                const Bytes sector(memory.begin() + 128 * k, memory.begin() + 128 * (k + 1));
                if (!readReply) {
                    Send(p, sector);
                    continue;
                }
                for (const auto& [pause, piece] : readReply(k, n, sector)) {
                    std::this_thread::sleep_for(pause);
                    Send(p, piece);
                }
            }
        }
    }

private:
    void Send(ScriptedPeer& p, const Bytes& bytes)
    {
        if (paced)
            p.SendPaced(bytes);
        else
            p.Send(bytes);
    }
};

} // namespace vlk::test
