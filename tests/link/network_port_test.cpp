// Network ports against small servers in this process on the loopback: raw TCP and Telnet with
// COM port control, the names they are opened by, and every way a connection fails.

#include "TestBytes.h"
#include "link/MessageSink.h"
#include "link/NetworkPort.h"
#include "link/NetworkPortName.h"
#include "link/TelnetProtocol.h"
#include "link/UnitLink.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace std::chrono_literals;
using T = TelnetProtocol;

// Enough for anything to cross the loopback; waits end as soon as what they wait for is there.
constexpr auto kPatience = 5s;

// ---- A server on the loopback -----------------------------------------------------------------

// One connection's server side, for the script a test runs on the server's thread.
class ServerSide {
public:
    explicit ServerSide(int fd) : m_fd(fd) {}

    void Send(const Bytes& bytes) {
        ASSERT_EQ(::send(m_fd, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
    }
    // Receives until `enough` holds for what came so far, or the patience ends.
    Bytes ReceiveUntil(const std::function<bool(const Bytes&)>& enough) {
        Bytes got;
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (!enough(got) && std::chrono::steady_clock::now() < deadline) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            std::uint8_t buffer[512];
            const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            got.insert(got.end(), buffer, buffer + n);
        }
        return got;
    }
    Bytes ReceiveBytes(std::size_t count) {
        return ReceiveUntil([count](const Bytes& got) { return got.size() >= count; });
    }
    // Ends the connection with a reset instead of an orderly close.
    void Reset() {
        const linger abort{1, 0};
        ::setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    }

private:
    int m_fd;
};

// Listens on the loopback (IPv4 or IPv6) and runs `script` on the first connection on a thread of
// its own; the connection closes when the script returns.
class LoopbackServer {
public:
    explicit LoopbackServer(std::function<void(ServerSide&)> script, bool ipv6 = false,
                            int backlog = 1)
        : m_script(std::move(script)) {
        m_listen = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_storage address{};
        socklen_t length = 0;
        if (ipv6) {
            auto& a6 = reinterpret_cast<sockaddr_in6&>(address);
            a6.sin6_family = AF_INET6;
            a6.sin6_addr = in6addr_loopback;
            length = sizeof a6;
        } else {
            auto& a4 = reinterpret_cast<sockaddr_in&>(address);
            a4.sin_family = AF_INET;
            a4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            length = sizeof a4;
        }
        const int on = 1;
        ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (::bind(m_listen, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(m_listen, backlog) != 0 ||
            ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            ADD_FAILURE() << "cannot listen on the loopback";
            return;
        }
        m_port = ntohs(ipv6 ? reinterpret_cast<sockaddr_in6&>(address).sin6_port
                            : reinterpret_cast<sockaddr_in&>(address).sin_port);
        if (m_script)
            m_thread = std::thread([this] { Serve(); });
    }
    ~LoopbackServer() {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
        ::close(m_listen);
    }
    int Port() const { return m_port; }

private:
    void Serve() {
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (!m_stop && std::chrono::steady_clock::now() < deadline) {
            pollfd p{m_listen, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                return;
            ServerSide side(fd);
            m_script(side);
            ::close(fd);
            return;
        }
    }

    std::function<void(ServerSide&)> m_script;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

// A TCP port on 127.0.0.1 that nobody listens on.
int ClosedPort() {
    const LoopbackServer unused(nullptr);
    return unused.Port();
}

// ---- The port's events ------------------------------------------------------------------------

class EventLog {
public:
    LineEventHandler Handler() {
        return [this](std::uint32_t bits) {
            std::lock_guard lock(m_mutex);
            m_bits |= bits;
            m_changed.notify_all();
        };
    }
    // True once an event with any of `mask` has come (and forgets it).
    bool WaitFor(std::uint32_t mask) {
        std::unique_lock lock(m_mutex);
        const bool seen = m_changed.wait_for(lock, kPatience, [&] { return (m_bits & mask) != 0; });
        m_bits &= ~mask;
        return seen;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::uint32_t m_bits = 0;
};

Bytes ReadAll(IPort& port, EventLog& events, std::size_t count) {
    Bytes got;
    while (got.size() < count && events.WaitFor(LineEvent::kBytesReceived)) {
        std::uint8_t buffer[150];
        const long n = port.Read(buffer, sizeof buffer, 80);
        if (n < 0)
            break;
        got.insert(got.end(), buffer, buffer + n);
    }
    return got;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A request as the engine writes it (filler bytes apart) and a reply, both with 0xFF and CR bytes.
const Bytes kRequest{0xFF, 0xB1, 0x01, 0x00, 0x0D, 0xFF, 0xAA};
const Bytes kReply{0xFF, 0xFF, 0xFF, 0xFF, 0xB1, 0x01, 0x0D, 0x00, 0xFF, 0xAA};

Bytes Doubled(const Bytes& data) {
    Bytes out;
    for (const std::uint8_t b : data) {
        out.push_back(b);
        if (b == 0xFF)
            out.push_back(0xFF);
    }
    return out;
}

// ---- Names --------------------------------------------------------------------------------------

struct NameCase {
    const char* name;
    const char* portName;
    bool valid;
    NetworkProtocol protocol;
    const char* host; // when valid; else a part of the reason
    int port;
};

class NetworkPortNames : public testing::TestWithParam<NameCase> {};

TEST_P(NetworkPortNames, ParseIntoProtocolHostAndPort) {
    const NameCase& c = GetParam();
    EXPECT_TRUE(IsNetworkPortName(c.portName));
    std::string error;
    const auto parsed = ParseNetworkPortName(c.portName, &error);
    ASSERT_EQ(parsed.has_value(), c.valid) << error;
    if (!c.valid) {
        EXPECT_TRUE(Contains(error, c.host)) << error;
        EXPECT_TRUE(Contains(error, "write rfc2217://HOST:PORT or tcp://HOST:PORT")) << error;
        return;
    }
    EXPECT_EQ(parsed->protocol, c.protocol);
    EXPECT_EQ(parsed->host, c.host);
    EXPECT_EQ(parsed->port, c.port);
}

INSTANTIATE_TEST_SUITE_P(
    Names, NetworkPortNames,
    testing::Values(
        NameCase{"Rfc2217", "rfc2217://rack-3.venue.lan:7000", true, NetworkProtocol::Rfc2217,
                 "rack-3.venue.lan", 7000},
        NameCase{"RawTcp", "tcp://10.0.0.7:4001", true, NetworkProtocol::RawTcp, "10.0.0.7", 4001},
        NameCase{"Ipv6InBrackets", "rfc2217://[::1]:7000", true, NetworkProtocol::Rfc2217, "::1",
                 7000},
        NameCase{"SchemeInCapitals", "TCP://host:1", true, NetworkProtocol::RawTcp, "host", 1},
        NameCase{"NoPort", "tcp://host", false, NetworkProtocol::RawTcp, "no port number", 0},
        NameCase{"PortZero", "tcp://host:0", false, NetworkProtocol::RawTcp, "1 to 65535", 0},
        NameCase{"PortTooBig", "tcp://host:65536", false, NetworkProtocol::RawTcp, "1 to 65535", 0},
        NameCase{"PortNotANumber", "tcp://host:70a", false, NetworkProtocol::RawTcp, "1 to 65535",
                 0},
        NameCase{"NoHost", "rfc2217://:7000", false, NetworkProtocol::Rfc2217, "no host", 0},
        NameCase{"Ipv6WithoutBrackets", "tcp://::1:7000", false, NetworkProtocol::RawTcp,
                 "must be in brackets", 0},
        NameCase{"Ipv6Unclosed", "tcp://[::1:7000", false, NetworkProtocol::RawTcp,
                 "closing bracket", 0},
        NameCase{"PathAfterPort", "tcp://host/x:7000", false, NetworkProtocol::RawTcp,
                 "characters no host name has", 0}),
    [](const testing::TestParamInfo<NameCase>& info) { return std::string(info.param.name); });

TEST(NetworkPortNames, DevicePathsAreNoNetworkPorts) {
    for (const char* path : {"/dev/ttyUSB0", "/tmp/tavrel-demo", "tcp:/host:1", "telnet://h:1"})
        EXPECT_FALSE(IsNetworkPortName(path)) << path;
}

// ---- Raw TCP ------------------------------------------------------------------------------------

struct AddressCase {
    const char* name;
    const char* host; // as written in the port name
    bool ipv6Server;
};

class RawTcpPort : public testing::TestWithParam<AddressCase> {};

TEST_P(RawTcpPort, CarriesBytesUnchangedBothWays) {
    Bytes request;
    LoopbackServer server(
        [&](ServerSide& side) {
            request = side.ReceiveBytes(kRequest.size());
            side.Send(kReply);
            side.ReceiveUntil([](const Bytes&) { return false; }); // until the client closes
        },
        GetParam().ipv6Server);
    NetworkPort port;
    EventLog events;
    const std::string name =
        "tcp://" + std::string(GetParam().host) + ":" + std::to_string(server.Port());
    ASSERT_TRUE(port.Open(name, events.Handler())) << port.LastErrorText();
    ASSERT_TRUE(port.Setup(LineSettings{})); // the server's line is the operator's business
    ASSERT_TRUE(port.Write(kRequest.data(), kRequest.size(), 150));
    EXPECT_EQ(ReadAll(port, events, kReply.size()), kReply);
    port.Close();
    EXPECT_EQ(request, kRequest);
}

INSTANTIATE_TEST_SUITE_P(Addresses, RawTcpPort,
                         testing::Values(AddressCase{"Ipv4", "127.0.0.1", false},
                                         AddressCase{"Ipv6Literal", "[::1]", true},
                                         AddressCase{"HostName", "localhost", false}),
                         [](const testing::TestParamInfo<AddressCase>& info) {
                             return std::string(info.param.name);
                         });

// ---- Telnet with COM port control -----------------------------------------------------------

const Bytes kSer2netGreeting{
    0xFF,     T::kWill, 3,        0xFF,     T::kDo, 3,      0xFF,
    T::kWill, 1,        0xFF,     T::kDont, 1,      0xFF,   T::kDo,
    0,        0xFF,     T::kWill, 0,        0xFF,   T::kDo, T::kComPortOption};

Bytes ComPortAnswer(std::uint8_t command, const Bytes& value) {
    return Concat({{0xFF, T::kSb, T::kComPortOption, command}, value, {0xFF, T::kSe}});
}

// The answers a server that runs the unit's line gives to the five COM port commands.
const Bytes kLineAnswers =
    Concat({ComPortAnswer(101, {0x00, 0x00, 0x25, 0x80}), ComPortAnswer(102, {8}),
            ComPortAnswer(103, {1}), ComPortAnswer(104, {1}), ComPortAnswer(105, {1})});

// Waits for the client's five COM port commands (each ends with IAC SE).
Bytes ReceiveLineRequest(ServerSide& side) {
    return side.ReceiveUntil([](const Bytes& got) {
        int ends = 0;
        for (std::size_t i = 1; i < got.size(); ++i)
            ends += got[i - 1] == 0xFF && got[i] == T::kSe;
        return ends >= 5;
    });
}

TEST(Rfc2217Port, SetsTheLineAndKeepsTelnetOutOfTheData) {
    Bytes setup, request;
    LoopbackServer server([&](ServerSide& side) {
        side.Send(kSer2netGreeting);
        setup = ReceiveLineRequest(side);
        side.Send(kLineAnswers);
        request = side.ReceiveBytes(Doubled(kRequest).size());
        // The reply comes with a modem state notification and a go-ahead after its third byte.
        const Bytes doubled = Doubled(kReply);
        side.Send(Concat({Bytes(doubled.begin(), doubled.begin() + 6),
                          ComPortAnswer(107, {0x30}),
                          {0xFF, 249},
                          Bytes(doubled.begin() + 6, doubled.end())}));
        side.ReceiveUntil([](const Bytes&) { return false; });
    });
    NetworkPort port;
    EventLog events;
    ASSERT_TRUE(port.Open("rfc2217://127.0.0.1:" + std::to_string(server.Port()), events.Handler()))
        << port.LastErrorText();
    ASSERT_TRUE(port.Setup(LineSettings{})) << port.LastErrorText();
    ASSERT_TRUE(port.Write(kRequest.data(), kRequest.size(), 150));
    EXPECT_EQ(ReadAll(port, events, kReply.size()), kReply);
    port.Close();

    // Our greeting, then the five commands for 9600 baud, 8 data bits, no parity, 1 stop bit, no
    // flow control; the greeting's answers (DO SGA, WILL SGA, DONT ECHO) come in between.
    const Bytes commands =
        Concat({ComPortAnswer(1, {0x00, 0x00, 0x25, 0x80}), ComPortAnswer(2, {8}),
                ComPortAnswer(3, {1}), ComPortAnswer(4, {1}), ComPortAnswer(5, {1})});
    ASSERT_GE(setup.size(), commands.size());
    EXPECT_TRUE(std::equal(commands.rbegin(), commands.rend(), setup.rbegin()));
    EXPECT_EQ(request, Doubled(kRequest));
}

TEST(Rfc2217Port, ServerThatSetsAnotherLineFailsTheSetup) {
    LoopbackServer server([&](ServerSide& side) {
        side.Send(kSer2netGreeting);
        ReceiveLineRequest(side);
        side.Send(
            Concat({ComPortAnswer(101, {0x00, 0x00, 0x4B, 0x00}), ComPortAnswer(102, {8}),
                    ComPortAnswer(103, {1}), ComPortAnswer(104, {1}), ComPortAnswer(105, {1})}));
        side.ReceiveUntil([](const Bytes&) { return false; });
    });
    NetworkPort port;
    ASSERT_TRUE(port.Open("rfc2217://127.0.0.1:" + std::to_string(server.Port()), nullptr));
    EXPECT_FALSE(port.Setup(LineSettings{}));
    EXPECT_EQ(port.LastErrorText(), "The server at 127.0.0.1 port " +
                                        std::to_string(server.Port()) +
                                        " did not set its serial line as asked: baud rate 19200 "
                                        "instead of 9600");
    port.Close();
}

// ---- Faults -----------------------------------------------------------------------------------

enum class Server { None, Full, RefusesComPort, WontComPort, Silent, TurnsAway };

struct OpenFaultCase {
    const char* name;
    const char* scheme;
    Server server;
    std::string host; // "" for 127.0.0.1 and the test server's port
    std::string reason;
};

class NetworkPortOpenFault : public testing::TestWithParam<OpenFaultCase> {};

TEST_P(NetworkPortOpenFault, FailsWithTheHostAndTheReason) {
    const OpenFaultCase& c = GetParam();
    auto script = [&](ServerSide& side) {
        switch (c.server) {
        case Server::RefusesComPort:
            side.Send({0xFF, T::kDo, 0, 0xFF, T::kWill, 0, 0xFF, T::kDont, T::kComPortOption});
            break;
        case Server::WontComPort:
            side.Send({0xFF, T::kWont, T::kComPortOption});
            break;
        case Server::TurnsAway:
            side.ReceiveBytes(9); // the client's greeting
            side.Send(Concat({kSer2netGreeting, AsciiBytes("Port already in use\r\n")}));
            return; // closes
        case Server::Silent:
        case Server::None:
        case Server::Full:
            break;
        }
        side.ReceiveUntil([](const Bytes&) { return false; });
    };
    std::unique_ptr<LoopbackServer> server;
    int portNumber = ClosedPort();
    if (c.server == Server::Full) {
        // A listener that takes no connection and has one waiting already: the next connection
        // gets no answer at all, as from a host that is off.
        server = std::make_unique<LoopbackServer>(nullptr, false, 0);
        portNumber = server->Port();
    } else if (c.server != Server::None) {
        server = std::make_unique<LoopbackServer>(script);
        portNumber = server->Port();
    }
    const int waiting = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (c.server == Server::Full) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<std::uint16_t>(portNumber));
        ASSERT_EQ(::connect(waiting, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    }
    const std::string host = c.host.empty() ? "127.0.0.1:" + std::to_string(portNumber) : c.host;
    // A short connect time-out: the silent server shows the time-out without a 5 s wait.
    NetworkPort port(300ms);
    // Opened as the engine opens a port: Open, then Setup at once.
    const bool opened =
        port.Open(std::string(c.scheme) + host, nullptr) && port.Setup(LineSettings{});
    EXPECT_FALSE(opened);
    std::string expected = c.reason;
    if (const auto at = expected.find("PORT"); at != std::string::npos)
        expected.replace(at, 4, std::to_string(portNumber));
    EXPECT_TRUE(Contains(port.LastErrorText(), expected)) << port.LastErrorText();
    ::close(waiting);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, NetworkPortOpenFault,
    testing::Values(
        OpenFaultCase{"Refused", "tcp://", Server::None, "",
                      "No connection to 127.0.0.1 port PORT: Connection refused (is the serial "
                      "server running and serving this port?)"},
        OpenFaultCase{"NoAnswer", "tcp://", Server::Full, "",
                      "No answer from 127.0.0.1 port PORT within 1 s (is the server switched on "
                      "and reachable?)"},
        OpenFaultCase{"UnknownHost", "rfc2217://", Server::None, "no-such-rack.invalid:7000",
                      "The host name no-such-rack.invalid could not be resolved"},
        OpenFaultCase{"ComPortRefused", "rfc2217://", Server::RefusesComPort, "",
                      "The server at 127.0.0.1 port PORT refuses to control its serial line"},
        OpenFaultCase{"ComPortWont", "rfc2217://", Server::WontComPort, "",
                      "refuses to control its serial line"},
        OpenFaultCase{"TelnetStalls", "rfc2217://", Server::Silent, "",
                      "The server at 127.0.0.1 port PORT did not finish the Telnet negotiation "
                      "within 1 s"},
        OpenFaultCase{"TurnedAway", "rfc2217://", Server::TurnsAway, "",
                      "The server at 127.0.0.1 port PORT closed the connection, saying \"Port "
                      "already in use\""},
        OpenFaultCase{"Malformed", "tcp://", Server::None, "rack:", "is no network port"}),
    [](const testing::TestParamInfo<OpenFaultCase>& info) { return std::string(info.param.name); });

struct LossCase {
    const char* name;
    bool reset;
    const char* reason;
};

class NetworkPortLoss : public testing::TestWithParam<LossCase> {};

TEST_P(NetworkPortLoss, ConnectionEndingIsAHangUpWithItsReason) {
    std::mutex mutex;
    std::condition_variable go;
    bool end = false;
    LoopbackServer server([&](ServerSide& side) {
        std::unique_lock lock(mutex);
        go.wait_for(lock, kPatience, [&] { return end; });
        if (GetParam().reset)
            side.Reset();
    });
    NetworkPort port;
    EventLog events;
    ASSERT_TRUE(port.Open("tcp://127.0.0.1:" + std::to_string(server.Port()), events.Handler()));
    {
        std::lock_guard lock(mutex);
        end = true;
        go.notify_all();
    }
    EXPECT_TRUE(events.WaitFor(LineEvent::kIoError));
    std::string expected = GetParam().reason;
    expected.replace(expected.find("PORT"), 4, std::to_string(server.Port()));
    EXPECT_EQ(port.LastErrorText(), expected);
    std::uint8_t buffer[16];
    EXPECT_EQ(port.Read(buffer, sizeof buffer, 80), -1);
    port.Close();
}

INSTANTIATE_TEST_SUITE_P(Ends, NetworkPortLoss,
                         testing::Values(LossCase{"Closed", false,
                                                  "the server at 127.0.0.1 port PORT closed the "
                                                  "connection"},
                                         LossCase{"Reset", true,
                                                  "the connection to 127.0.0.1 port PORT broke: "
                                                  "Connection reset by peer"}),
                         [](const testing::TestParamInfo<LossCase>& info) {
                             return std::string(info.param.name);
                         });

// ---- The engine picks the port by its name ------------------------------------------------------

class RecordedMessages : public IMessageSink {
public:
    void ShowMessage(const std::string& text, MessageKind) override { texts.push_back(text); }
    bool AskYesNo(const std::string&) override { return false; }
    std::vector<std::string> texts;
};

TEST(UnitLinkPorts, NetworkNamesOpenNetworkPorts) {
    LoopbackServer server(
        [](ServerSide& side) { side.ReceiveUntil([](const Bytes&) { return false; }); });
    UnitLink link;
    RecordedMessages messages;
    link.SetMessageSink(&messages);
    EXPECT_TRUE(
        link.OpenPort("tcp://127.0.0.1:" + std::to_string(server.Port()), nullptr, nullptr).opened);
    link.ClosePort();

    const int closed = ClosedPort();
    EXPECT_FALSE(
        link.OpenPort("rfc2217://127.0.0.1:" + std::to_string(closed), nullptr, nullptr).opened);
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0], "Unable to open COM-port\n\nNo connection to 127.0.0.1 port " +
                                     std::to_string(closed) +
                                     ": Connection refused (is the serial server running and "
                                     "serving this port?)");
}

} // namespace
