#include "link/NetworkPort.h"

#include "link/Deadline.h"
#include "link/TcpConnection.h"
#include "link/Trace.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

// Negotiation answers during a session are a few bytes: they get the engine's write bound.
constexpr std::chrono::milliseconds kAnswerTimeout{150};
// What is kept of the received data, for a message.
constexpr std::size_t kKeptReceivedText = 256;

// The last line of text among `bytes` (printable ASCII ended by a line end, which is left out),
// or "" when they end in no such line: a server that turns a connection away says why in words
// ("Port already in use\r\n"), while a unit's frames end in the end byte 0xAA.
std::string LastTextLine(std::string_view bytes) {
    auto isLineEnd = [](char c) { return c == '\r' || c == '\n'; };
    auto isText = [](char c) { return c >= 0x20 && c < 0x7F; };
    auto end = bytes.end();
    if (end == bytes.begin() || !isLineEnd(*(end - 1)))
        return {};
    while (end != bytes.begin() && isLineEnd(*(end - 1)))
        --end;
    auto begin = end;
    while (begin != bytes.begin() && isText(*(begin - 1)))
        --begin;
    constexpr long kShortestText = 3;
    return end - begin >= kShortestText ? std::string(begin, end) : std::string();
}

// A reason as a message's own line begins.
std::string Capitalised(std::string text) {
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z')
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}

} // namespace

NetworkPort::NetworkPort(std::chrono::milliseconds connectTimeout)
    : m_connectTimeout(connectTimeout) {}

NetworkPort::~NetworkPort() {
    if (IsOpen()) {
        Trace("NetworkPort::~NetworkPort - Port not closed\n");
        Close();
    }
}

bool NetworkPort::Open(const std::string& portName, LineEventHandler onEvent) {
    if (IsOpen()) {
        Trace("NetworkPort::Open - Port already opened\n");
        m_lastError = "The port is already open";
        return false;
    }
    m_lastError.clear();
    m_lost = kNotLost;
    m_receivedText.clear();
    std::string reason;
    const std::optional<NetworkPortName> name = ParseNetworkPortName(portName, &reason);
    if (!name)
        return OpenFailed("NetworkPort::Open - Unable to open port\n", reason);
    m_name = *name;
    const auto deadline = Clock::now() + m_connectTimeout;
    m_fd = ConnectTcp(m_name, deadline, &reason);
    if (m_fd < 0)
        return OpenFailed("NetworkPort::Open - Unable to open port\n", reason);

    if (m_name.protocol == NetworkProtocol::Rfc2217) {
        m_telnet.emplace();
        const auto negotiated = [this] {
            return m_telnet->ComPort() == TelnetProtocol::ComPortControl::Refused ||
                   !m_telnet->NegotiationPending();
        };
        if (!SendTelnet(m_telnet->Greeting(), deadline) ||
            !Converse(negotiated, deadline,
                      "did not finish the Telnet negotiation within " +
                          SecondsText(m_connectTimeout) +
                          " (is it a Telnet port with RFC 2217 serial port control?)"))
            return OpenFailed("NetworkPort::Open - Unable to negotiate the Telnet options\n",
                              SetUpFailure());
        if (m_telnet->ComPort() != TelnetProtocol::ComPortControl::Agreed)
            return OpenFailed(
                "NetworkPort::Open - COM port control refused\n",
                "The server at " + m_name.Where() +
                    " refuses to control its serial line (the RFC 2217 COM port option): set "
                    "that port up for Telnet with RFC 2217 (ser2net: telnet(rfc2217)), or use "
                    "its raw TCP port as tcp://HOST:PORT with the server's line set to 9600 "
                    "baud, 8 data bits, no parity, 1 stop bit");
    }

    if (const int error = m_watcher.PrepareWakeup(); error != 0)
        return OpenFailed("NetworkPort::Open - Unable to create event\n", std::strerror(error));
    auto report = [this, onEvent = std::move(onEvent)](std::uint32_t bits) {
        if (bits & LineEvent::kIoError) {
            int error = 0;
            socklen_t length = sizeof error;
            ::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &length);
            NoteLoss(error);
        }
        if (onEvent)
            onEvent(bits);
    };
    if (const int error = m_watcher.Start(m_fd, std::move(report)); error != 0)
        return OpenFailed("NetworkPort::Open - Unable to start COMM watcher thread\n",
                          std::strerror(error));
    m_connectDeadline = deadline;
    return true;
}

bool NetworkPort::OpenFailed(const char* trace, const std::string& reason) {
    Trace(trace);
    m_watcher.Stop();
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_telnet.reset();
    m_lastError = Capitalised(reason);
    return false;
}

bool NetworkPort::Setup(const LineSettings& settings) {
    if (!IsOpen()) {
        Trace("NetworkPort::Setup - Device is not opened\n");
        m_lastError = "The port is not open";
        return false;
    }
    // Right after Open, within the time-out Open started; later on, within a time-out of its own.
    const auto now = Clock::now();
    const auto deadline =
        m_connectDeadline && *m_connectDeadline > now ? *m_connectDeadline : now + m_connectTimeout;
    m_connectDeadline.reset();
    m_lastError.clear();
    if (m_telnet) {
        if (!SendTelnet(m_telnet->LineSettingsRequest(settings), deadline) ||
            !Converse([this] { return m_telnet->LineSettingsAnswered(); }, deadline,
                      "did not confirm the serial line settings within " +
                          SecondsText(m_connectTimeout))) {
            Trace("NetworkPort::Setup - Unable to set DCB information\n");
            m_lastError = SetUpFailure();
            return false;
        }
        if (const std::string mismatch = m_telnet->LineSettingsMismatch(); !mismatch.empty()) {
            Trace("NetworkPort::Setup - Unable to set DCB information\n");
            m_lastError = "The server at " + m_name.Where() +
                          " did not set its serial line as asked: " + mismatch;
            return false;
        }
    }
    m_watcher.SetLineSettings(settings);
    m_lastError.clear();
    return true;
}

void NetworkPort::Close() {
    if (!IsOpen()) {
        Trace("NetworkPort::Close - Method called when device is not open\n");
        return;
    }
    m_watcher.Stop();
    ::close(m_fd);
    m_fd = -1;
    m_telnet.reset();
    m_connectDeadline.reset();
}

bool NetworkPort::Write(const std::uint8_t* data, std::size_t count, int timeoutMs) {
    if (!IsOpen()) {
        Trace("NetworkPort::Write - Device is not opened\n");
        return false;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(0, timeoutMs));
    const std::span<const std::uint8_t> bytes(data, count);
    bool sent = false;
    if (m_telnet) {
        m_encoded.clear();
        m_telnet->EncodeData(bytes, m_encoded);
        sent = SendTelnet(m_encoded, deadline);
    } else {
        sent = SendBytes(bytes, deadline) == count;
    }
    if (!sent)
        Trace("NetworkPort::Write - Unable to write the data\n");
    return sent;
}

long NetworkPort::Read(std::uint8_t* buffer, std::size_t capacity, int) {
    if (!IsOpen()) {
        Trace("NetworkPort::Read - Device is not opened\n");
        return -1;
    }
    long count = 0;
    if (!m_telnet) {
        count = ReceiveRaw(buffer, capacity);
    } else {
        // Every data byte costs at least one byte on the connection, so the data fits.
        m_raw.resize(capacity);
        count = ReceiveRaw(m_raw.data(), capacity);
        if (count > 0) {
            m_data.clear();
            m_answers.clear();
            m_telnet->Receive(std::span(m_raw.data(), static_cast<std::size_t>(count)), m_data,
                              m_answers);
            if (!m_answers.empty())
                SendTelnet(m_answers, Clock::now() + kAnswerTimeout);
            KeepReceivedText(m_data);
            std::copy(m_data.begin(), m_data.end(), buffer);
            count = static_cast<long>(m_data.size());
        }
    }
    m_watcher.BytesTaken();
    if (count < 0)
        Trace("NetworkPort::Read - Unable to read the data\n");
    return count;
}

std::string NetworkPort::LastErrorText() const {
    return m_lastError.empty() && m_lost != kNotLost ? LossText() : m_lastError;
}

void NetworkPort::NoteLoss(int reason) {
    int none = kNotLost;
    m_lost.compare_exchange_strong(none, reason);
}

std::size_t NetworkPort::SendBytes(std::span<const std::uint8_t> bytes,
                                   Clock::time_point deadline) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::send(m_fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            {
                const int on = 1;
                ::setsockopt(m_fd, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
            }
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            NoteLoss(errno == EPIPE ? 0 : errno);
            break;
        }
        pollfd wait{m_fd, POLLOUT, 0};
        const int ready = ::poll(&wait, 1, MillisecondsLeft(deadline));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break; // the deadline passed: the rest is not sent
    }
    return done;
}

bool NetworkPort::SendTelnet(std::span<const std::uint8_t> bytes, Clock::time_point deadline) {
    if (SendBytes(bytes, deadline) == bytes.size())
        return true;
    // The server would read what follows out of step (half a doubled IAC, half a command): the
    // connection is of no further use, and the listener reports it as lost.
    NoteLoss(kStoppedTakingData);
    ::shutdown(m_fd, SHUT_RDWR);
    return false;
}

long NetworkPort::ReceiveRaw(std::uint8_t* buffer, std::size_t capacity) {
    for (;;) {
        const ssize_t n = ::recv(m_fd, buffer, capacity, MSG_DONTWAIT);
        {
            const int on = 1;
            ::setsockopt(m_fd, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
        }
        if (n > 0) {
            if (!m_telnet)
                KeepReceivedText(std::span(buffer, static_cast<std::size_t>(n)));
            return static_cast<long>(n);
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return 0;
        NoteLoss(n == 0 ? 0 : errno);
        return -1;
    }
}

void NetworkPort::KeepReceivedText(std::span<const std::uint8_t> data) {
    m_receivedText.append(data.begin(), data.end());
    if (m_receivedText.size() > kKeptReceivedText)
        m_receivedText.erase(0, m_receivedText.size() - kKeptReceivedText);
}

template <class Done>
bool NetworkPort::Converse(Done done, Clock::time_point deadline, const std::string& stalled) {
    std::array<std::uint8_t, 512> buffer{};
    while (!done()) {
        pollfd wait{m_fd, POLLIN, 0};
        const int ready = ::poll(&wait, 1, MillisecondsLeft(deadline));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            m_lastError = ready == 0 ? "The server at " + m_name.Where() + " " + stalled
                                     : std::string(std::strerror(errno));
            return false;
        }
        const long count = ReceiveRaw(buffer.data(), buffer.size());
        if (count < 0)
            return false;
        m_data.clear();
        m_answers.clear();
        m_telnet->Receive(std::span(buffer.data(), static_cast<std::size_t>(count)), m_data,
                          m_answers);
        // Data before the line is set up answers nothing sent: it is only kept for a message.
        KeepReceivedText(m_data);
        if (!m_answers.empty() && !SendTelnet(m_answers, deadline))
            return false;
    }
    return true;
}

std::string NetworkPort::SetUpFailure() const {
    return m_lastError.empty() ? Capitalised(LossText()) : m_lastError;
}

std::string NetworkPort::LossText() const {
    const int reason = m_lost;
    if (reason == kStoppedTakingData)
        return "the server at " + m_name.Where() +
               " stopped taking data, and the connection was ended";
    // What the server sent last, read or not, may say why it ended the connection.
    std::string received = m_receivedText;
    if (IsOpen()) {
        std::array<char, 256> unread{};
        const ssize_t count = ::recv(m_fd, unread.data(), unread.size(), MSG_PEEK | MSG_DONTWAIT);
        if (count > 0)
            received.append(unread.data(), static_cast<std::size_t>(count));
    }
    // A server that says why it turns a connection away closes it: whether our answers to its
    // greeting then met a closed socket (a reset) does not matter.
    if (const std::string said = LastTextLine(received); !said.empty())
        return "the server at " + m_name.Where() + " closed the connection, saying \"" + said +
               "\"";
    if (reason > 0)
        return "the connection to " + m_name.Where() + " broke: " + std::strerror(reason);
    return "the server at " + m_name.Where() + " closed the connection";
}
