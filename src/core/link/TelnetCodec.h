#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vlk {

// The Telnet side of a serial server reached with the COM-PORT option: the station's data go
// out with every 0xFF doubled, what comes back is split into the controller's bytes and the
// server's commands, and the options are negotiated so that the far line runs 9600 baud, 8 data
// bits, odd parity, 1 stop bit, binary both ways.
class TelnetCodec {
public:
    static constexpr std::uint8_t kIac = 255;
    static constexpr std::uint8_t kDont = 254;
    static constexpr std::uint8_t kDo = 253;
    static constexpr std::uint8_t kWont = 252;
    static constexpr std::uint8_t kWill = 251;
    static constexpr std::uint8_t kSb = 250;
    static constexpr std::uint8_t kSe = 240;
    static constexpr std::uint8_t kBinary = 0;
    static constexpr std::uint8_t kSuppressGoAhead = 3;
    static constexpr std::uint8_t kComPort = 44;
    // COM-PORT-OPTION commands, client to server; the server answers each with 100 more.
    static constexpr std::uint8_t kSetBaud = 1;
    static constexpr std::uint8_t kSetDataSize = 2;
    static constexpr std::uint8_t kSetParity = 3;
    static constexpr std::uint8_t kSetStopSize = 4;
    static constexpr std::uint8_t kPurgeData = 12;
    static constexpr std::uint8_t kServerOffset = 100;

    // What the station offers on connecting: binary and no go-ahead both ways, and the
    // COM-PORT option. What it asks for counts as asked, so the server's agreement is not
    // answered a second time.
    [[nodiscard]] std::vector<std::uint8_t> Greeting();
    // 9600 baud, 8 data bits, the parity and stop size (RFC 2217 numbering: parity 1 none, 2 odd;
    // stop size 1 or 2) and a purge of both directions of the server's port, as sub-negotiations.
    [[nodiscard]] static std::vector<std::uint8_t> LineSettings(std::uint8_t parity, std::uint8_t stopSize);
    // One COM-PORT sub-negotiation, its value escaped.
    static void AppendComPort(std::vector<std::uint8_t>& out, std::uint8_t command, const std::uint8_t* value,
                              std::size_t size);
    // Appends the data with every 0xFF doubled.
    static void Escape(const std::uint8_t* bytes, std::size_t count, std::vector<std::uint8_t>& out);

    // Feeds bytes from the server: the controller's bytes are appended to `data`, answers to the
    // server's negotiation to `reply` (to be sent as they are).
    void Receive(const std::uint8_t* bytes, std::size_t count, std::vector<std::uint8_t>& data,
                 std::vector<std::uint8_t>& reply);
    // Forgets everything: a new connection.
    void Reset() { *this = TelnetCodec(); }

    // The server agreed to the COM-PORT option (DO COM-PORT), or refused it (DONT).
    [[nodiscard]] bool ComPortAgreed() const { return m_comPortAgreed; }
    [[nodiscard]] bool ComPortRefused() const { return m_comPortRefused; }
    // The server's answer to the last parity setting, 0 before any.
    [[nodiscard]] std::uint8_t ParityReply() const { return m_parityReply; }
    [[nodiscard]] bool ParityAnswered() const { return m_parityAnswered; }

private:
    enum class State { Data, Iac, Option, Sub, SubIac };

    void Negotiate(std::uint8_t verb, std::uint8_t option, std::vector<std::uint8_t>& reply);
    void SubNegotiation();

    State m_state = State::Data;
    std::uint8_t m_verb = 0;
    std::vector<std::uint8_t> m_sub;
    // Options in force: ours (WILL sent and DO received) and the server's (DO sent, WILL received).
    bool m_local[256] = {};
    bool m_remote[256] = {};
    bool m_comPortAgreed = false;
    bool m_comPortRefused = false;
    bool m_parityAnswered = false;
    std::uint8_t m_parityReply = 0;
};

} // namespace vlk
