#pragma once

#include "link/LineWatcher.h"
#include "link/NetworkPortName.h"
#include "link/Port.h"
#include "link/TelnetProtocol.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The command engine's port on a serial line behind a serial device server (a hardware box, or a
// computer running ser2net), named "rfc2217://HOST:PORT" or "tcp://HOST:PORT".
//
// - rfc2217: a Telnet connection. Open negotiates binary transmission and the COM port control
//   option and fails when the server refuses the latter; Setup sets the server's serial line to
//   the settings asked for and fails when the server does not confirm every one of them.
//   Telnet commands, negotiation and the server's answers are handled here and never reach the
//   caller; data bytes 0xFF travel doubled.
// - tcp: raw bytes both ways. The server's line settings are the operator's business: Setup
//   cannot change them and only takes their speed for the listener.
//
// Connecting (name lookup, connection and negotiation, and Setup right after Open) takes at
// most the connect time-out. A listener thread (LineWatcher) reports received bytes and the end
// of the connection, as the serial port's does; every read and write happens on the caller's
// thread. A connection that ends or breaks is reported as a hang-up, and LastErrorText then
// says why, with the host.
class NetworkPort : public IPort {
public:
    static constexpr std::chrono::milliseconds kConnectTimeout{5000};

    explicit NetworkPort(std::chrono::milliseconds connectTimeout = kConnectTimeout);
    ~NetworkPort() override;
    NetworkPort(const NetworkPort&) = delete;
    NetworkPort& operator=(const NetworkPort&) = delete;

    bool Open(const std::string& portName, LineEventHandler onEvent) override;
    bool Setup(const LineSettings& settings) override;
    void Close() override;
    bool IsOpen() const override { return m_fd >= 0; }
    // Fails when the connection is gone or `timeoutMs` passed before the connection took every
    // byte. A Telnet connection is then ended and reported as lost: the server would read what
    // follows a cut out of step.
    bool Write(const std::uint8_t* data, std::size_t count, int timeoutMs) override;
    // Never waits: takes what has come (0 bytes when none, or only Telnet commands). Fails once
    // the connection has ended.
    long Read(std::uint8_t* buffer, std::size_t capacity, int timeoutMs) override;
    std::string LastErrorText() const override;

private:
    using Clock = std::chrono::steady_clock;

    // Why the connection ended, in m_lost: an error number, 0 when the server closed it, or one
    // of these.
    static constexpr int kNotLost = -1;
    static constexpr int kStoppedTakingData = -2;

    bool OpenFailed(const char* trace, const std::string& reason);
    // Records why the connection ended, unless a reason is recorded already (what follows a
    // loss only repeats it). Called on either thread.
    void NoteLoss(int reason);
    // Sends every byte before the deadline; returns the number of bytes sent (all, or fewer
    // when the deadline passed or the connection failed).
    std::size_t SendBytes(std::span<const std::uint8_t> bytes, Clock::time_point deadline);
    // SendBytes for the Telnet stream, which must not be cut: a send that fails ends the
    // connection. True when every byte was sent.
    bool SendTelnet(std::span<const std::uint8_t> bytes, Clock::time_point deadline);
    // One recv() without waiting: the bytes read, 0 when none waited, -1 when the connection
    // ended. Data is kept for LastErrorText.
    long ReceiveRaw(std::uint8_t* buffer, std::size_t capacity);
    void KeepReceivedText(std::span<const std::uint8_t> data);
    // Runs the Telnet exchange (answers sent, data dropped) until `done` holds; false when the
    // connection ended or the deadline passed before (then m_lastError is the server at HOST
    // port PORT, followed by `stalled`).
    template <class Done>
    bool Converse(Done done, Clock::time_point deadline, const std::string& stalled);
    // Why the connection ended, with the host, and what the server said last, if it was text
    // ("the server at HOST port PORT closed the connection, saying ...").
    std::string LossText() const;
    // Why setting up the connection failed: a stall or an answer, else the end of the connection.
    std::string SetUpFailure() const;

    std::chrono::milliseconds m_connectTimeout;
    NetworkPortName m_name;
    int m_fd = -1;
    std::optional<TelnetProtocol> m_telnet; // rfc2217 only
    // Setup right after Open keeps within the time-out Open started.
    std::optional<Clock::time_point> m_connectDeadline;
    std::vector<std::uint8_t> m_raw, m_data, m_answers, m_encoded;
    // The last data bytes received: a server that turns a connection away says why in words.
    std::string m_receivedText;
    std::string m_lastError;           // of Open and Setup
    std::atomic<int> m_lost{kNotLost}; // set by the listener or by a failed read or write
    LineWatcher m_watcher;
};
