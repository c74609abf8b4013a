#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A serial line reached through a serial device server on the network, named like a port:
// "rfc2217://HOST:PORT" (Telnet with COM port control, RFC 2217) or "tcp://HOST:PORT" (raw
// bytes). HOST is a host name, an IPv4 address or an IPv6 address in brackets
// ("rfc2217://[::1]:7000").
enum class NetworkProtocol { Rfc2217, RawTcp };

struct NetworkPortName {
    NetworkProtocol protocol = NetworkProtocol::RawTcp;
    std::string host; // without brackets
    std::uint16_t port = 0;

    // "HOST port PORT", for messages.
    std::string Where() const;
};

// True when `name` asks for a network port (it begins with "rfc2217://" or "tcp://", in any
// case), whether or not the rest is well-formed.
bool IsNetworkPortName(std::string_view name);

// The parts of a network port name; nothing, with the reason and the expected form in *error,
// when it is not well-formed.
std::optional<NetworkPortName> ParseNetworkPortName(std::string_view name,
                                                    std::string* error = nullptr);
