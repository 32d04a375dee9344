#include "link/TelnetCodec.h"

namespace vlk {

namespace {

bool Wanted(std::uint8_t option)
{
    return option == TelnetCodec::kBinary || option == TelnetCodec::kSuppressGoAhead;
}

} // namespace

std::vector<std::uint8_t> TelnetCodec::Greeting()
{
    m_local[kBinary] = m_local[kSuppressGoAhead] = m_local[kComPort] = true;
    m_remote[kBinary] = m_remote[kSuppressGoAhead] = true;
    return {kIac, kWill, kBinary, kIac, kDo, kBinary, kIac, kWill, kSuppressGoAhead,
            kIac, kDo,   kSuppressGoAhead, kIac, kWill, kComPort};
}

void TelnetCodec::AppendComPort(std::vector<std::uint8_t>& out, std::uint8_t command, const std::uint8_t* value,
                                std::size_t size)
{
    out.insert(out.end(), {kIac, kSb, kComPort, command});
    Escape(value, size, out);
    out.insert(out.end(), {kIac, kSe});
}

std::vector<std::uint8_t> TelnetCodec::LineSettings(std::uint8_t parity, std::uint8_t stopSize)
{
    std::vector<std::uint8_t> out;
    const std::uint8_t baud[4] = {0x00, 0x00, 0x25, 0x80}; // 9600, network order
    const std::uint8_t dataSize = 8;
    const std::uint8_t purgeBoth = 3;
    AppendComPort(out, kSetBaud, baud, sizeof baud);
    AppendComPort(out, kSetDataSize, &dataSize, 1);
    AppendComPort(out, kSetParity, &parity, 1);
    AppendComPort(out, kSetStopSize, &stopSize, 1);
    AppendComPort(out, kPurgeData, &purgeBoth, 1);
    return out;
}

void TelnetCodec::Escape(const std::uint8_t* bytes, std::size_t count, std::vector<std::uint8_t>& out)
{
    out.reserve(out.size() + count + 4);
    for (std::size_t i = 0; i < count; ++i) {
        out.push_back(bytes[i]);
        if (bytes[i] == kIac)
            out.push_back(kIac);
    }
}

void TelnetCodec::Receive(const std::uint8_t* bytes, std::size_t count, std::vector<std::uint8_t>& data,
                          std::vector<std::uint8_t>& reply)
{
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t b = bytes[i];
        switch (m_state) {
        case State::Data:
            if (b == kIac)
                m_state = State::Iac;
            else
                data.push_back(b);
            break;
        case State::Iac:
            if (b == kIac) {
                data.push_back(kIac); // a doubled 0xFF is one data byte
                m_state = State::Data;
            } else if (b >= kWill && b <= kDont) {
                m_verb = b;
                m_state = State::Option;
            } else if (b == kSb) {
                m_sub.clear();
                m_state = State::Sub;
            } else {
                m_state = State::Data; // NOP, GA, a break and the like carry nothing for us
            }
            break;
        case State::Option:
            Negotiate(m_verb, b, reply);
            m_state = State::Data;
            break;
        case State::Sub:
            if (b == kIac)
                m_state = State::SubIac;
            else if (m_sub.size() < 64)
                m_sub.push_back(b);
            break;
        case State::SubIac:
            if (b == kSe) {
                SubNegotiation();
                m_state = State::Data;
            } else {
                if (b == kIac && m_sub.size() < 64)
                    m_sub.push_back(kIac);
                m_state = State::Sub;
            }
            break;
        }
    }
}

void TelnetCodec::Negotiate(std::uint8_t verb, std::uint8_t option, std::vector<std::uint8_t>& reply)
{
    // Answers only a change of state, so two sides never echo each other for ever.
    switch (verb) {
    case kDo:
        if (option == kComPort) {
            m_comPortAgreed = true;
            if (!m_local[option]) {
                m_local[option] = true;
                reply.insert(reply.end(), {kIac, kWill, option});
            }
        } else if (Wanted(option)) {
            if (!m_local[option]) {
                m_local[option] = true;
                reply.insert(reply.end(), {kIac, kWill, option});
            }
        } else {
            reply.insert(reply.end(), {kIac, kWont, option});
        }
        break;
    case kDont:
        if (option == kComPort)
            m_comPortRefused = true;
        if (m_local[option]) {
            m_local[option] = false;
            reply.insert(reply.end(), {kIac, kWont, option});
        }
        break;
    case kWill:
        if (Wanted(option) || option == kComPort) {
            if (!m_remote[option]) {
                m_remote[option] = true;
                reply.insert(reply.end(), {kIac, kDo, option});
            }
        } else {
            reply.insert(reply.end(), {kIac, kDont, option});
        }
        break;
    case kWont:
        if (m_remote[option]) {
            m_remote[option] = false;
            reply.insert(reply.end(), {kIac, kDont, option});
        }
        break;
    default:
        break;
    }
}

void TelnetCodec::SubNegotiation()
{
    if (m_sub.size() < 2 || m_sub[0] != kComPort)
        return;
    if (m_sub[1] == kSetParity + kServerOffset && m_sub.size() >= 3) {
        m_parityAnswered = true;
        m_parityReply = m_sub[2];
    }
}

} // namespace vlk
