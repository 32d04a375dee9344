#pragma once

#include <string>

namespace vlk {

// What a port name reaches: a serial device by its path, or a serial server on the network.
//   /dev/ttyUSB0            a device
//   tcp://HOST:PORT         raw bytes over TCP (the server's side of the line set up for 9600 8O1)
//   rfc2217://HOST:PORT     Telnet with the COM-PORT option: the station sets the far line itself
// HOST may be a name, an IPv4 address or an IPv6 address in brackets ([::1]).
struct PortAddress {
    enum class Kind { Device, Tcp, Rfc2217 };

    Kind kind = Kind::Device;
    std::string text;  // the address as given
    std::string host;  // network kinds only, without brackets
    std::string port;  // network kinds only, decimal 1..65535
    bool valid = true; // false: a network scheme with no usable host or port

    [[nodiscard]] bool Network() const { return kind != Kind::Device; }

    // Reads a device path or an address; anything without a known scheme is a device path.
    [[nodiscard]] static PortAddress Parse(const std::string& text);
    // True when the text asks for the network (has a tcp:// or rfc2217:// scheme).
    [[nodiscard]] static bool IsNetwork(const std::string& text);
};

} // namespace vlk
