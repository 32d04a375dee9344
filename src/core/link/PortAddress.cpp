#include "link/PortAddress.h"

#include <cctype>

namespace vlk {

namespace {

bool StartsWith(const std::string& text, const char* prefix, std::size_t& rest)
{
    std::size_t i = 0;
    for (; prefix[i] != '\0'; ++i) {
        if (i >= text.size() || std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    }
    rest = i;
    return true;
}

} // namespace

bool PortAddress::IsNetwork(const std::string& text)
{
    std::size_t rest = 0;
    return StartsWith(text, "tcp://", rest) || StartsWith(text, "rfc2217://", rest);
}

PortAddress PortAddress::Parse(const std::string& text)
{
    PortAddress address;
    address.text = text;
    std::size_t rest = 0;
    if (StartsWith(text, "tcp://", rest))
        address.kind = Kind::Tcp;
    else if (StartsWith(text, "rfc2217://", rest))
        address.kind = Kind::Rfc2217;
    else
        return address;

    std::string hostPort = text.substr(rest);
    while (!hostPort.empty() && hostPort.back() == '/')
        hostPort.pop_back();
    std::size_t colon = std::string::npos;
    if (!hostPort.empty() && hostPort.front() == '[') {
        const std::size_t close = hostPort.find(']');
        if (close != std::string::npos) {
            address.host = hostPort.substr(1, close - 1);
            if (close + 1 < hostPort.size() && hostPort[close + 1] == ':')
                colon = close + 1;
        }
    } else {
        colon = hostPort.rfind(':');
        if (colon != std::string::npos)
            address.host = hostPort.substr(0, colon);
    }
    if (colon != std::string::npos)
        address.port = hostPort.substr(colon + 1);

    bool digits = !address.port.empty() && address.port.size() <= 5;
    long number = 0;
    for (const char c : address.port) {
        if (!std::isdigit(static_cast<unsigned char>(c))) {
            digits = false;
            break;
        }
        number = number * 10 + (c - '0');
    }
    const bool bracketed = !hostPort.empty() && hostPort.front() == '[';
    const bool plainHost = bracketed || address.host.find_first_of(" /:@") == std::string::npos;
    address.valid = !address.host.empty() && plainHost && digits && number >= 1 && number <= 65535;
    return address;
}

} // namespace vlk
