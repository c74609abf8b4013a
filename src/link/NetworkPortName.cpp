#include "link/NetworkPortName.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>

namespace {

struct Scheme {
    std::string_view prefix;
    NetworkProtocol protocol;
};
constexpr std::array<Scheme, 2> kSchemes{{
    {"rfc2217://", NetworkProtocol::Rfc2217},
    {"tcp://", NetworkProtocol::RawTcp},
}};

const Scheme* SchemeOf(std::string_view name) {
    const auto scheme = std::find_if(kSchemes.begin(), kSchemes.end(), [&](const Scheme& s) {
        return name.size() >= s.prefix.size() &&
               std::equal(s.prefix.begin(), s.prefix.end(), name.begin(), [](char a, char b) {
                   return a == std::tolower(static_cast<unsigned char>(b));
               });
    });
    return scheme != kSchemes.end() ? &*scheme : nullptr;
}

bool HostCharactersValid(std::string_view host) {
    return std::none_of(host.begin(), host.end(), [](char c) {
        return c == '/' || c == '[' || c == ']' || std::isspace(static_cast<unsigned char>(c)) ||
               std::iscntrl(static_cast<unsigned char>(c));
    });
}

} // namespace

std::string NetworkPortName::Where() const {
    return host + " port " + std::to_string(port);
}

bool IsNetworkPortName(std::string_view name) {
    return SchemeOf(name) != nullptr;
}

std::optional<NetworkPortName> ParseNetworkPortName(std::string_view name, std::string* error) {
    auto fail = [&](const std::string& reason) -> std::optional<NetworkPortName> {
        if (error)
            *error = std::string(name) + " is no network port (" + reason +
                     "): write rfc2217://HOST:PORT or tcp://HOST:PORT, an IPv6 address in "
                     "brackets as in rfc2217://[::1]:7000";
        return std::nullopt;
    };
    const Scheme* scheme = SchemeOf(name);
    if (scheme == nullptr)
        return fail("it begins with neither rfc2217:// nor tcp://");
    NetworkPortName parsed;
    parsed.protocol = scheme->protocol;
    std::string_view rest = name.substr(scheme->prefix.size());
    std::string_view port;
    if (!rest.empty() && rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos)
            return fail("the IPv6 address lacks its closing bracket");
        parsed.host = std::string(rest.substr(1, close - 1));
        rest.remove_prefix(close + 1);
        if (rest.empty() || rest.front() != ':')
            return fail("no port number after the address");
        port = rest.substr(1);
    } else {
        const std::size_t colon = rest.rfind(':');
        if (colon == std::string_view::npos)
            return fail("no port number");
        parsed.host = std::string(rest.substr(0, colon));
        if (parsed.host.find(':') != std::string::npos)
            return fail("an IPv6 address must be in brackets");
        port = rest.substr(colon + 1);
    }
    if (parsed.host.empty())
        return fail("no host");
    if (!HostCharactersValid(parsed.host))
        return fail("the host name holds characters no host name has");
    unsigned number = 0;
    const auto [end, status] = std::from_chars(port.data(), port.data() + port.size(), number);
    if (port.empty() || status != std::errc() || end != port.data() + port.size() || number < 1 ||
        number > 65535)
        return fail("the port number must be 1 to 65535");
    parsed.port = static_cast<std::uint16_t>(number);
    return parsed;
}
