#pragma once

#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

// One serial port: open by device path, line settings, event mask, bounded reads and writes and
// status queries. Every operation records its outcome as the object's last error (0 = success,
// otherwise an errno value) and returns it; queries return their value and record the outcome.
//
// The port is a terminal device opened O_RDWR|O_NOCTTY|O_NONBLOCK and held exclusively (a
// non-blocking flock, which also stops root, plus TIOCEXCL). It is switched to raw mode with
// CLOCAL, so carrier loss never blocks or signals us. "Overlapped" ports own a wake-up
// descriptor (an eventfd) that lets another thread end a pending WaitEvent at once, and honour
// the time-outs of Read, Write and WaitEvent; on a port opened without it those calls wait
// without limit, as the classic blocking mode does.
//
// Threads: one thread may sit in WaitEvent (the listener) while another reads, writes and
// changes the mask. Open, Close and the line settings belong to the owning thread.
class SerialDevice {
public:
    // Time-out value meaning "wait without limit".
    static constexpr std::uint32_t kInfinite = 0xFFFFFFFFu;

    // Error codes recorded by the operations (errno values).
    static constexpr long kErrorSuccess = 0;
    static constexpr long kErrorAlreadyOpen = EALREADY;       // Open on an open port
    static constexpr long kErrorInvalidHandle = EBADF;        // operation on a closed port
    static constexpr long kErrorInvalidFunction = EOPNOTSUPP; // time-out on a non-overlapped port
    static constexpr long kErrorInvalidArgument = EINVAL;     // unknown mode or setting
    static constexpr long kErrorTimeout = ETIMEDOUT;          // read, write or wait timed out
    static constexpr long kErrorHangUp = EIO; // the line is gone (unplugged, peer closed)

    // Line events (the low 16 bits of a notification).
    enum EEvent : std::uint32_t {
        EEventNone = 0x0000,
        EEventRecv = 0x0001,  // bytes received
        EEventRcvEv = 0x0002, // the event character received (see SetEventChar)
        EEventSend = 0x0004,  // transmit queue empty
        EEventCTS = 0x0008,   // CTS changed
        EEventDSR = 0x0010,   // DSR changed
        EEventRLSD = 0x0020,  // carrier detect changed
        EEventBreak = 0x0040, // break received
        EEventError = 0x0080, // line error (also a hang-up)
        EEventRing = 0x0100,  // ring indicator
        EEventAll = 0x01FF,
    };

    // Line error bits (the high 16 bits of a notification).
    enum EError : std::uint32_t {
        EErrorNone = 0x0000,
        EErrorRxOver = 0x0001,  // receive queue overflow
        EErrorOverrun = 0x0002, // hardware overrun
        EErrorParity = 0x0004,
        EErrorFrame = 0x0008,
        EErrorBreak = 0x0010,
        EErrorTxFull = 0x0100,
        EErrorIOE = 0x0400,  // I/O error: the device hung up
        EErrorMode = 0x8000, // requested mode not supported
    };

    // Mask installed by Open: received, break, line error.
    static constexpr std::uint32_t kDefaultMask = EEventRecv | EEventBreak | EEventError;

    enum EBaudrate : int {
        EBaudUnknown = -1,
        EBaud110 = 110,
        EBaud300 = 300,
        EBaud600 = 600,
        EBaud1200 = 1200,
        EBaud2400 = 2400,
        EBaud4800 = 4800,
        EBaud9600 = 9600,
        EBaud19200 = 19200,
        EBaud38400 = 38400,
        EBaud57600 = 57600,
        EBaud115200 = 115200,
        EBaud230400 = 230400,
    };
    enum EDataBits : int { EDataUnknown = -1, EData5 = 5, EData6 = 6, EData7 = 7, EData8 = 8 };
    enum EParity : int { EParUnknown = -1, EParNone, EParOdd, EParEven, EParMark, EParSpace };
    enum EStopBits : int { EStopUnknown = -1, EStop1, EStop1_5, EStop2 };
    enum EHandshake : int {
        EHandshakeUnknown = -1,
        EHandshakeOff,
        EHandshakeHardware, // RTS/CTS (Linux has no DTR/DSR flow control)
        EHandshakeSoftware, // XON/XOFF
    };
    enum EReadTimeout : int {
        EReadTimeoutUnknown = -1,
        EReadTimeoutNonblocking, // a read returns at once with what is waiting, possibly nothing
        EReadTimeoutBlocking,    // a read waits for the requested count (bounded by its time-out)
    };

    SerialDevice() = default;
    virtual ~SerialDevice();
    SerialDevice(const SerialDevice&) = delete;
    SerialDevice& operator=(const SerialDevice&) = delete;

    // Opens `device` (a path such as /dev/ttyUSB0). Queue sizes of 0 keep the driver's; when
    // either is non-zero both must be at least 16 (the kernel's tty buffers cannot be resized,
    // so valid sizes are accepted and the driver's buffers used).
    long Open(const char* device, std::size_t inQueue = 0, std::size_t outQueue = 0,
              bool overlapped = false);
    virtual long Close();

    long Setup(EBaudrate baud = EBaud9600, EDataBits dataBits = EData8, EParity parity = EParNone,
               EStopBits stopBits = EStop1);
    long SetupHandshaking(EHandshake handshake);
    long SetupReadTimeouts(EReadTimeout readTimeout);
    long SetMask(std::uint32_t events = EEventAll);
    // The event character is kept and reported by GetEventChar. A terminal cannot be peeked
    // without consuming the bytes, so event 0x0002 is never raised on this platform.
    long SetEventChar(std::uint8_t eventChar, bool adjustMask = true);

    // Waits up to `timeoutMs` for one of the masked events; fetch them with GetEventType.
    // Returns 0 with no events when SetMask (or EndListener) ended the wait.
    long WaitEvent(std::uint32_t timeoutMs = kInfinite);
    // The last wait's events, restricted to the mask; cleared by the call.
    std::uint32_t GetEventType();

    // Writes `count` bytes, waiting up to `timeoutMs` for room in the driver's queue. On a
    // time-out the rest is not sent, `written` tells how much went, and the error is a time-out.
    long Write(const void* data, std::size_t count, std::size_t* written = nullptr,
               std::uint32_t timeoutMs = kInfinite);
    long Write(const char* text, std::size_t* written = nullptr,
               std::uint32_t timeoutMs = kInfinite);
    // Reads up to `capacity` bytes. In non-blocking mode it returns at once with what is waiting
    // (possibly 0 bytes, a success); in blocking mode it waits up to `timeoutMs` for all of them.
    // Once the line has hung up and nothing is left to read, reads and writes fail with
    // kErrorHangUp instead of reporting 0 bytes.
    long Read(void* buffer, std::size_t capacity, std::size_t* read = nullptr,
              std::uint32_t timeoutMs = kInfinite);

    long Purge(); // discards both driver queues
    long Break(); // sends a break (0.25 to 0.5 s)
    // Returns the line error bits gathered since the last call and clears them.
    std::uint32_t GetError();

    bool IsPortOpen() const { return m_fd >= 0; }
    bool IsOverlapped() const { return m_wakeFd >= 0; }
    // True once the line has hung up (adapter unplugged, peer closed); reads and writes fail.
    bool IsHungUp() const { return m_hungUp.load(); }
    long GetLastError() const { return m_lastError.load(); }
    // How often a WaitEvent woke from poll() since the port was opened: a waiter that spins
    // shows here.
    std::uint64_t PollWakeups() const { return m_pollWakeups.load(); }
    const std::string& DevicePath() const { return m_device; }

    // A readable reason for the last failed Open, for the operator (empty after a good open).
    std::string OpenFailureReason() const { return m_openFailureReason; }

    EBaudrate GetBaudrate();
    EDataBits GetDataBits();
    EParity GetParity();
    EStopBits GetStopBits();
    EHandshake GetHandshaking();
    std::uint32_t GetEventMask();
    std::uint8_t GetEventChar();
    bool GetCTS();
    bool GetDSR();
    bool GetRing();
    bool GetRLSD();

    // The reason an open of `device` failed with errno `error`, in words for the operator. A
    // permission problem names the group that owns the device (usually dialout).
    static std::string DescribeOpenError(int error, const std::string& device);

protected:
    long SetLastError(long error) {
        m_lastError.store(error);
        return error;
    }
    // Wakes a thread blocked in WaitEvent; `endWait` makes that WaitEvent return.
    void Wake(bool endWait);

private:
    // Current terminal settings; `operation` names the caller in the trace texts.
    bool ReadSettings(struct termios& settings, const char* operation);
    bool WriteSettings(const struct termios& settings, const char* operation);
    void MarkHungUp();
    void Rearm(); // received bytes were consumed: watch for new ones again
    int StatusPollInterval(std::uint32_t mask) const;
    std::uint32_t PollLineStatus(std::uint32_t mask);
    bool TakeCounterErrors(std::uint32_t* events);
    bool ModemLine(int bit, const char* operation);
    void ResetState();

    int m_fd = -1;
    int m_wakeFd = -1; // eventfd: present on overlapped ports
    std::string m_device;
    std::string m_openFailureReason;
    std::atomic<long> m_lastError{0};
    std::atomic<std::uint32_t> m_mask{0};
    std::atomic<std::uint32_t> m_events{0};
    std::atomic<std::uint32_t> m_pendingErrors{0};
    std::atomic<bool> m_hungUp{false};
    std::atomic<std::uint64_t> m_pollWakeups{0};
    std::atomic<bool> m_hangUpReported{false}; // WaitEvent has reported the hang-up
    std::atomic<bool> m_endWait{false};
    std::atomic<bool> m_rxNotified{false}; // EEventRecv reported and not yet read
    std::atomic<bool> m_txPending{false};  // written bytes may still sit in the driver
    std::uint8_t m_eventChar = 0;
    EReadTimeout m_readTimeout = EReadTimeoutNonblocking;

    // Modem lines and line-error counters are only pollable on real UARTs and USB adapters;
    // on a pseudo-terminal these ioctls fail and the listener then never polls.
    bool m_modemLinesKnown = false;
    int m_modemLines = 0;
    bool m_countersKnown = false;
    std::mutex m_countersMutex; // the listener and GetError both take counter deltas
    struct Counters {
        int frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;
    } m_counters;
};
