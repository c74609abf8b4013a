#include "link/serial/SerialDevice.h"

#include "link/Trace.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct BaudEntry {
    SerialDevice::EBaudrate baud;
    speed_t speed;
};

constexpr std::array<BaudEntry, 12> kBaudTable{{
    {SerialDevice::EBaud110, B110},
    {SerialDevice::EBaud300, B300},
    {SerialDevice::EBaud600, B600},
    {SerialDevice::EBaud1200, B1200},
    {SerialDevice::EBaud2400, B2400},
    {SerialDevice::EBaud4800, B4800},
    {SerialDevice::EBaud9600, B9600},
    {SerialDevice::EBaud19200, B19200},
    {SerialDevice::EBaud38400, B38400},
    {SerialDevice::EBaud57600, B57600},
    {SerialDevice::EBaud115200, B115200},
    {SerialDevice::EBaud230400, B230400},
}};

struct DataBitsEntry {
    SerialDevice::EDataBits bits;
    tcflag_t size;
};

constexpr std::array<DataBitsEntry, 4> kDataBitsTable{{
    {SerialDevice::EData5, CS5},
    {SerialDevice::EData6, CS6},
    {SerialDevice::EData7, CS7},
    {SerialDevice::EData8, CS8},
}};

// Modem status lines and the event each change raises.
struct ModemLineEvent {
    int line;
    std::uint32_t event;
};

constexpr std::array<ModemLineEvent, 4> kModemLineEvents{{
    {TIOCM_CTS, SerialDevice::EEventCTS},
    {TIOCM_DSR, SerialDevice::EEventDSR},
    {TIOCM_CAR, SerialDevice::EEventRLSD},
    {TIOCM_RNG, SerialDevice::EEventRing},
}};

constexpr std::uint32_t kModemEvents = SerialDevice::EEventCTS | SerialDevice::EEventDSR |
                                       SerialDevice::EEventRLSD | SerialDevice::EEventRing;
constexpr std::uint32_t kCounterEvents = SerialDevice::EEventBreak | SerialDevice::EEventError;

// While written bytes may still sit in the driver, how often the transmit queue is looked at.
constexpr int kTxEmptyPollMs = 10;
// How often modem lines and line-error counters of a real port are looked at.
constexpr int kLineStatusPollMs = 50;

int BytesWaiting(int fd) {
    int count = 0;
    return ::ioctl(fd, FIONREAD, &count) == 0 ? count : 0;
}

// Milliseconds left of `timeoutMs` since `start`; -1 for no limit.
int Remaining(std::uint32_t timeoutMs, Clock::time_point start) {
    if (timeoutMs == SerialDevice::kInfinite) {
        return -1;
    }
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    return static_cast<int>(std::max<long long>(0, static_cast<long long>(timeoutMs) - elapsed));
}

std::string OwningGroup(const std::string& device) {
    struct stat info {};
    if (::stat(device.c_str(), &info) == 0) {
        if (const struct group* owner = ::getgrgid(info.st_gid)) {
            if (info.st_gid != 0) {
                return owner->gr_name;
            }
        }
    }
    return "dialout";
}

} // namespace

SerialDevice::~SerialDevice() {
    if (IsPortOpen()) {
        Trace("SerialDevice::~SerialDevice - Serial port not closed\n");
        SerialDevice::Close();
    }
}

void SerialDevice::ResetState() {
    m_mask = kDefaultMask;
    m_events = 0;
    m_pendingErrors = 0;
    m_hungUp = false;
    m_pollWakeups = 0;
    m_hangUpReported = false;
    m_endWait = false;
    m_rxNotified = false;
    m_txPending = false;
    m_eventChar = 0;
    m_readTimeout = EReadTimeoutNonblocking;
    m_modemLinesKnown = false;
    m_countersKnown = false;
    m_modemLines = 0;
    m_counters = {};
}

long SerialDevice::Open(const char* device, std::size_t inQueue, std::size_t outQueue,
                        bool overlapped) {
    if (IsPortOpen()) {
        Trace("SerialDevice::Open - Port already opened\n");
        m_openFailureReason = DescribeOpenError(kErrorAlreadyOpen, m_device);
        return SetLastError(kErrorAlreadyOpen);
    }
    const std::string path = device ? device : "";
    int fd = -1;
    int wakeFd = -1;
    auto fail = [&](const char* trace, int error) {
        Trace(trace);
        if (wakeFd >= 0) {
            ::close(wakeFd);
        }
        if (fd >= 0) {
            ::close(fd); // also drops our flock; TIOCEXCL is only set after the lock is ours
        }
        m_openFailureReason = DescribeOpenError(error, path);
        return SetLastError(error);
    };

    if (path.empty()) {
        return fail("SerialDevice::Open - Unable to open port\n", ENOENT);
    }
    fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return fail("SerialDevice::Open - Unable to open port\n", errno);
    }
    if (!::isatty(fd)) {
        return fail("SerialDevice::Open - Unable to open port\n", ENOTTY);
    }
    // The lock first: a second program (root included) must not get past here, and only the
    // holder of the lock may set or clear the terminal's exclusive flag.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        return fail("SerialDevice::Open - Unable to open port\n",
                    errno == EWOULDBLOCK ? EBUSY : errno);
    }
    if (::ioctl(fd, TIOCEXCL) != 0) {
        return fail("SerialDevice::Open - Unable to open port\n", errno);
    }
    if (overlapped) {
        wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
        if (wakeFd < 0) {
            ::ioctl(fd, TIOCNXCL);
            return fail("SerialDevice::Open - Unable to create event\n", errno);
        }
    }
    if ((inQueue != 0 || outQueue != 0) && (inQueue < 16 || outQueue < 16)) {
        ::ioctl(fd, TIOCNXCL);
        return fail("SerialDevice::Open - Unable to setup the COM-port\n", kErrorInvalidArgument);
    }
    struct termios settings {};
    if (::tcgetattr(fd, &settings) != 0) {
        const int error = errno;
        ::ioctl(fd, TIOCNXCL);
        return fail("SerialDevice::Open - Unable to obtain default communication configuration.\n",
                    error);
    }
    // Raw bytes both ways; CLOCAL so a missing carrier neither blocks nor hangs us up. Reads
    // never wait in the driver (VMIN = VTIME = 0): every wait is a poll() with its own bound.
    ::cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &settings) != 0) {
        const int error = errno;
        ::ioctl(fd, TIOCNXCL);
        return fail("SerialDevice::Open - Unable to set default communication configuration.\n",
                    error);
    }

    m_fd = fd;
    m_wakeFd = wakeFd;
    m_device = path;
    m_openFailureReason.clear();
    ResetState();
    m_modemLinesKnown = ::ioctl(m_fd, TIOCMGET, &m_modemLines) == 0;
    struct serial_icounter_struct counters {};
    m_countersKnown = ::ioctl(m_fd, TIOCGICOUNT, &counters) == 0;
    if (m_countersKnown) {
        m_counters = {counters.frame, counters.overrun, counters.parity, counters.brk,
                      counters.buf_overrun};
    }
    return SetLastError(kErrorSuccess);
}

long SerialDevice::Close() {
    if (!IsPortOpen()) {
        Trace("SerialDevice::Close - Method called when device is not open\n");
        return SetLastError(kErrorSuccess);
    }
    ::ioctl(m_fd, TIOCNXCL); // other holders of the terminal (a simulator) keep it otherwise
    ::close(m_fd);
    m_fd = -1;
    if (m_wakeFd >= 0) {
        ::close(m_wakeFd);
        m_wakeFd = -1;
    }
    return SetLastError(kErrorSuccess);
}

bool SerialDevice::ReadSettings(struct termios& settings, const char* operation) {
    if (!IsPortOpen()) {
        TraceFormat("SerialDevice::%s - Device is not opened\n", operation);
        SetLastError(kErrorInvalidHandle);
        return false;
    }
    if (::tcgetattr(m_fd, &settings) != 0) {
        SetLastError(errno);
        TraceFormat("SerialDevice::%s - Unable to obtain DCB information\n", operation);
        return false;
    }
    SetLastError(kErrorSuccess);
    return true;
}

bool SerialDevice::WriteSettings(const struct termios& settings, const char* operation) {
    if (::tcsetattr(m_fd, TCSANOW, &settings) != 0) {
        SetLastError(errno);
        TraceFormat("SerialDevice::%s - Unable to set DCB information\n", operation);
        return false;
    }
    SetLastError(kErrorSuccess);
    return true;
}

long SerialDevice::Setup(EBaudrate baud, EDataBits dataBits, EParity parity, EStopBits stopBits) {
    struct termios settings {};
    if (!ReadSettings(settings, "Setup")) {
        return GetLastError();
    }
    const auto speed = std::find_if(kBaudTable.begin(), kBaudTable.end(),
                                    [baud](const BaudEntry& entry) { return entry.baud == baud; });
    const auto size =
        std::find_if(kDataBitsTable.begin(), kDataBitsTable.end(),
                     [dataBits](const DataBitsEntry& entry) { return entry.bits == dataBits; });
    // 1.5 stop bits exist only with 5 data bits, where the line uses them for "two".
    const bool stopBitsValid =
        stopBits == EStop1 || stopBits == EStop2 || (stopBits == EStop1_5 && dataBits == EData5);
    const bool parityValid = parity >= EParNone && parity <= EParSpace;
    if (speed == kBaudTable.end() || size == kDataBitsTable.end() || !stopBitsValid ||
        !parityValid) {
        Trace("SerialDevice::Setup - Unable to set DCB information\n");
        return SetLastError(kErrorInvalidArgument);
    }

    ::cfsetispeed(&settings, speed->speed);
    ::cfsetospeed(&settings, speed->speed);
    settings.c_cflag = (settings.c_cflag & ~CSIZE) | size->size;
    settings.c_cflag &= ~(PARENB | PARODD | CMSPAR | CSTOPB);
    switch (parity) {
    case EParOdd:
        settings.c_cflag |= PARENB | PARODD;
        break;
    case EParEven:
        settings.c_cflag |= PARENB;
        break;
    case EParMark:
        settings.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case EParSpace:
        settings.c_cflag |= PARENB | CMSPAR;
        break;
    default:
        break;
    }
    // Parity checking exactly when the line carries a parity bit.
    if (parity == EParNone) {
        settings.c_iflag &= ~INPCK;
    } else {
        settings.c_iflag |= INPCK;
    }
    if (stopBits != EStop1) {
        settings.c_cflag |= CSTOPB;
    }
    struct termios before {};
    ::tcgetattr(m_fd, &before);
    if (!WriteSettings(settings, "Setup")) {
        return GetLastError();
    }
    // tcsetattr succeeds when any part was taken: make sure the line runs as asked (a
    // pseudo-terminal, for one, forces 8 data bits and no parity) and otherwise put the old
    // settings back, so the caller is not told a line is set up that is not.
    struct termios applied {};
    constexpr tcflag_t kFrameBits = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;
    if (::tcgetattr(m_fd, &applied) != 0 ||
        (applied.c_cflag & kFrameBits) != (settings.c_cflag & kFrameBits) ||
        ::cfgetospeed(&applied) != speed->speed) {
        ::tcsetattr(m_fd, TCSANOW, &before);
        Trace("SerialDevice::Setup - Unable to set DCB information\n");
        return SetLastError(kErrorInvalidArgument);
    }
    return GetLastError();
}

long SerialDevice::SetupHandshaking(EHandshake handshake) {
    if (handshake < EHandshakeOff || handshake > EHandshakeSoftware) {
        if (!IsPortOpen()) {
            Trace("SerialDevice::SetupHandshaking - Device is not opened\n");
            return SetLastError(kErrorInvalidHandle);
        }
        return SetLastError(kErrorInvalidArgument);
    }
    struct termios settings {};
    if (!ReadSettings(settings, "SetupHandshaking")) {
        return GetLastError();
    }
    settings.c_cflag &= ~CRTSCTS;
    settings.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (handshake == EHandshakeHardware) {
        settings.c_cflag |= CRTSCTS;
    } else if (handshake == EHandshakeSoftware) {
        settings.c_iflag |= IXON | IXOFF;
        settings.c_cc[VSTART] = 0x11;
        settings.c_cc[VSTOP] = 0x13;
    }
    WriteSettings(settings, "SetupHandshaking");
    return GetLastError();
}

long SerialDevice::SetupReadTimeouts(EReadTimeout readTimeout) {
    if (!IsPortOpen()) {
        Trace("SerialDevice::SetupReadTimeouts - Device is not opened\n");
        return SetLastError(kErrorInvalidHandle);
    }
    if (readTimeout != EReadTimeoutNonblocking && readTimeout != EReadTimeoutBlocking) {
        return SetLastError(kErrorInvalidArgument);
    }
    m_readTimeout = readTimeout;
    return SetLastError(kErrorSuccess);
}

long SerialDevice::SetMask(std::uint32_t events) {
    if (!IsPortOpen()) {
        Trace("SerialDevice::SetMask - Device is not opened\n");
        return SetLastError(kErrorInvalidHandle);
    }
    m_mask = events;
    Wake(true); // a pending wait ends and the new mask applies from the next one
    return SetLastError(kErrorSuccess);
}

long SerialDevice::SetEventChar(std::uint8_t eventChar, bool adjustMask) {
    struct termios settings {};
    if (!ReadSettings(settings, "SetEventChar")) {
        return GetLastError();
    }
    m_eventChar = eventChar;
    if (adjustMask) {
        m_mask |= EEventRcvEv;
    }
    return SetLastError(kErrorSuccess);
}

void SerialDevice::Wake(bool endWait) {
    if (endWait) {
        m_endWait = true;
    }
    if (m_wakeFd >= 0) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto ignored = ::write(m_wakeFd, &one, sizeof one);
    }
}

void SerialDevice::MarkHungUp() {
    if (!m_hungUp.exchange(true)) {
        m_pendingErrors |= EErrorIOE;
    }
}

void SerialDevice::Rearm() {
    if (m_rxNotified.exchange(false)) {
        Wake(false);
    }
}

int SerialDevice::StatusPollInterval(std::uint32_t mask) const {
    if (m_hangUpReported) {
        return -1; // the device is gone: nothing left to look at
    }
    if (m_txPending && (mask & EEventSend)) {
        return kTxEmptyPollMs;
    }
    if ((m_modemLinesKnown && (mask & kModemEvents)) ||
        (m_countersKnown && (mask & kCounterEvents))) {
        return kLineStatusPollMs;
    }
    return -1;
}

bool SerialDevice::TakeCounterErrors(std::uint32_t* events) {
    std::lock_guard lock(m_countersMutex);
    struct serial_icounter_struct now {};
    if (::ioctl(m_fd, TIOCGICOUNT, &now) != 0) {
        return false;
    }
    auto bit = [](bool changed, std::uint32_t value) { return changed ? value : 0u; };
    const std::uint32_t errors = bit(now.frame != m_counters.frame, EErrorFrame) |
                                 bit(now.overrun != m_counters.overrun, EErrorOverrun) |
                                 bit(now.parity != m_counters.parity, EErrorParity) |
                                 bit(now.brk != m_counters.brk, EErrorBreak) |
                                 bit(now.buf_overrun != m_counters.bufOverrun, EErrorRxOver);
    m_counters = {now.frame, now.overrun, now.parity, now.brk, now.buf_overrun};
    m_pendingErrors |= errors;
    if (events) {
        *events |= bit(errors & EErrorBreak, EEventBreak) | bit(errors & ~EErrorBreak, EEventError);
    }
    return true;
}

std::uint32_t SerialDevice::PollLineStatus(std::uint32_t mask) {
    std::uint32_t found = 0;
    if (m_hangUpReported) {
        return found;
    }
    if (m_txPending && (mask & EEventSend)) {
        int queued = 0;
        if (::ioctl(m_fd, TIOCOUTQ, &queued) != 0 || queued == 0) {
            m_txPending = false;
            found |= EEventSend;
        }
    }
    int lines = 0;
    if (m_modemLinesKnown && ::ioctl(m_fd, TIOCMGET, &lines) == 0) {
        for (const auto& entry : kModemLineEvents) {
            if ((lines ^ m_modemLines) & entry.line) {
                found |= entry.event;
            }
        }
        m_modemLines = lines;
    }
    if (m_countersKnown && (mask & kCounterEvents)) {
        TakeCounterErrors(&found);
    }
    return found & mask;
}

long SerialDevice::WaitEvent(std::uint32_t timeoutMs) {
    if (!IsPortOpen()) {
        Trace("SerialDevice::WaitEvent - Device is not opened\n");
        return SetLastError(kErrorInvalidHandle);
    }
    if (!IsOverlapped() && timeoutMs != kInfinite) {
        Trace("SerialDevice::WaitEvent - Overlapped I/O is disabled, specified parameters are "
              "illegal.\n");
        return SetLastError(kErrorInvalidFunction);
    }
    m_events = 0;
    const auto start = Clock::now();
    for (;;) {
        const std::uint32_t mask = m_mask;
        std::uint32_t found = PollLineStatus(mask);
        int pollMs = 0;
        if (found == 0) {
            const int remaining = Remaining(timeoutMs, start);
            if (remaining == 0) {
                return SetLastError(kErrorTimeout);
            }
            const int interval = StatusPollInterval(mask);
            pollMs = remaining < 0  ? interval
                     : interval < 0 ? remaining
                                    : std::min(interval, remaining);
        }

        std::array<pollfd, 2> fds{};
        nfds_t count = 0;
        int portIndex = -1;
        int wakeIndex = -1;
        // A hung-up descriptor polls ready for ever: once reported, it is no longer watched.
        if (!m_hangUpReported) {
            const bool watchInput = (mask & EEventRecv) && !m_rxNotified;
            fds[count] = {m_fd, static_cast<short>(watchInput ? POLLIN : 0), 0};
            portIndex = static_cast<int>(count++);
        }
        if (m_wakeFd >= 0) {
            fds[count] = {m_wakeFd, POLLIN, 0};
            wakeIndex = static_cast<int>(count++);
        }
        if (count == 0 && pollMs < 0) {
            // Hung up, and nothing could ever end a wait without limit.
            Trace("SerialDevice::WaitEvent - Unable to wait for COM event\n");
            return SetLastError(kErrorHangUp);
        }
        if (::poll(fds.data(), count, pollMs) < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int error = errno;
            Trace("SerialDevice::WaitEvent - Unable to wait until COM event has arrived\n");
            return SetLastError(error);
        }
        ++m_pollWakeups;
        bool endWait = false;
        if (wakeIndex >= 0 && (fds[wakeIndex].revents & POLLIN)) {
            std::uint64_t value = 0;
            [[maybe_unused]] const auto ignored = ::read(m_wakeFd, &value, sizeof value);
            endWait = m_endWait.exchange(false);
        }
        if (portIndex >= 0) {
            const short revents = fds[portIndex].revents;
            if (revents & (POLLHUP | POLLERR | POLLNVAL)) {
                MarkHungUp();
                m_hangUpReported = true;
                found |= EEventError & mask;
                // Bytes that came before the hang-up can still be read.
                if ((mask & EEventRecv) && BytesWaiting(m_fd) > 0 && !m_rxNotified.exchange(true)) {
                    found |= EEventRecv;
                }
                if ((found & mask) == 0) {
                    found |= EEventError; // reported outside the mask: GetEventType traces it
                }
            } else if (revents & POLLIN) {
                // Reported once; the next report waits until a Read or Purge consumed them,
                // so unread bytes neither spin this loop nor flood the target.
                m_rxNotified = true;
                if (BytesWaiting(m_fd) > 0) {
                    found |= EEventRecv;
                } else {
                    m_rxNotified = false;
                }
            }
        }
        if (found != 0 || endWait) {
            m_events = found;
            return SetLastError(kErrorSuccess);
        }
    }
}

std::uint32_t SerialDevice::GetEventType() {
    const std::uint32_t events = m_events.exchange(0);
    const std::uint32_t mask = m_mask;
    if (events & ~mask) {
        TraceFormat("SerialDevice::GetEventType - Event %08Xh not within mask %08Xh.\n", events,
                    mask);
    }
    return events & mask;
}

long SerialDevice::Write(const void* data, std::size_t count, std::size_t* written,
                         std::uint32_t timeoutMs) {
    if (written) {
        *written = 0;
    }
    if (!IsPortOpen()) {
        Trace("SerialDevice::Write - Device is not opened\n");
        return SetLastError(kErrorInvalidHandle);
    }
    if (!IsOverlapped()) {
        timeoutMs = kInfinite; // a port without overlapped I/O waits like a blocking write
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::size_t done = 0;
    long result = kErrorSuccess;
    const auto start = Clock::now();
    while (done < count) {
        const ssize_t n = ::write(m_fd, bytes + done, count - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN) {
            result = errno;
            if (result == EIO) {
                MarkHungUp();
            }
            Trace("SerialDevice::Write - Unable to write the data\n");
            break;
        }
        // The driver's queue is full: wait for room, no longer than the caller allows.
        const int remaining = Remaining(timeoutMs, start);
        if (remaining == 0) {
            result = kErrorTimeout;
            break;
        }
        pollfd port{m_fd, POLLOUT, 0};
        const int ready = ::poll(&port, 1, remaining);
        if (ready < 0 && errno != EINTR) {
            result = errno;
            Trace("SerialDevice::Write - Unable to wait until data has been sent\n");
            break;
        }
        if (ready > 0 && (port.revents & (POLLHUP | POLLERR | POLLNVAL))) {
            MarkHungUp();
            result = kErrorHangUp;
            Trace("SerialDevice::Write - Unable to write the data\n");
            break;
        }
    }
    if (written) {
        *written = done;
    }
    if (done > 0 && (m_mask & EEventSend)) {
        m_txPending = true;
        Wake(false); // the listener starts watching for the queue to drain
    }
    return SetLastError(result);
}

long SerialDevice::Write(const char* text, std::size_t* written, std::uint32_t timeoutMs) {
    return Write(text, text ? std::strlen(text) : 0, written, timeoutMs);
}

long SerialDevice::Read(void* buffer, std::size_t capacity, std::size_t* read,
                        std::uint32_t timeoutMs) {
    if (read) {
        *read = 0;
    }
    if (!IsPortOpen()) {
        Trace("SerialDevice::Read - Device is not opened\n");
        return SetLastError(kErrorInvalidHandle);
    }
    if (!IsOverlapped()) {
        timeoutMs = kInfinite;
    }
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    std::size_t done = 0;
    long result = kErrorSuccess;
    const auto start = Clock::now();
    while (done < capacity) {
        const ssize_t n = ::read(m_fd, bytes + done, capacity - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN) {
            result = errno;
            if (result == EIO) {
                MarkHungUp();
            }
            Trace("SerialDevice::Read - Unable to read the data\n");
            break;
        }
        // Nothing waiting. A hung-up terminal also reads as nothing: tell the two apart.
        pollfd port{m_fd, 0, 0};
        if (::poll(&port, 1, 0) > 0 && (port.revents & (POLLHUP | POLLERR | POLLNVAL))) {
            MarkHungUp();
            if (done == 0) {
                result = kErrorHangUp;
                Trace("SerialDevice::Read - Unable to read the data\n");
            }
            break;
        }
        if (m_readTimeout == EReadTimeoutNonblocking) {
            break;
        }
        const int remaining = Remaining(timeoutMs, start);
        if (remaining == 0) {
            result = kErrorTimeout;
            break;
        }
        port = {m_fd, POLLIN, 0};
        if (::poll(&port, 1, remaining) < 0 && errno != EINTR) {
            result = errno;
            Trace("SerialDevice::Read - Unable to wait until data has been read\n");
            break;
        }
    }
    if (read) {
        *read = done;
    }
    Rearm();
    return SetLastError(result);
}

long SerialDevice::Purge() {
    if (!IsPortOpen()) {
        Trace("SerialDevice::Purge - Device is not opened\n");
        return SetLastError(kErrorInvalidHandle);
    }
    if (::tcflush(m_fd, TCIOFLUSH) != 0) {
        const int error = errno;
        Trace("SerialDevice::Purge - Unable to purge the driver queues\n");
        return SetLastError(error);
    }
    m_txPending = false;
    Rearm();
    return SetLastError(kErrorSuccess);
}

long SerialDevice::Break() {
    if (!IsPortOpen()) {
        Trace("SerialDevice::Break - Device is not opened\n");
        return SetLastError(kErrorInvalidHandle);
    }
    return SetLastError(::tcsendbreak(m_fd, 0) == 0 ? kErrorSuccess : errno);
}

std::uint32_t SerialDevice::GetError() {
    if (!IsPortOpen()) {
        Trace("SerialDevice::GetError - Device is not opened\n");
        SetLastError(kErrorInvalidHandle);
        return 0;
    }
    SetLastError(kErrorSuccess);
    if (m_countersKnown && !TakeCounterErrors(nullptr)) {
        SetLastError(errno);
        Trace("SerialDevice::GetError - Unable to obtain COM status\n");
    }
    return m_pendingErrors.exchange(0);
}

SerialDevice::EBaudrate SerialDevice::GetBaudrate() {
    struct termios settings {};
    if (!ReadSettings(settings, "GetBaudrate")) {
        return EBaudUnknown;
    }
    const speed_t speed = ::cfgetospeed(&settings);
    const auto entry = std::find_if(kBaudTable.begin(), kBaudTable.end(),
                                    [speed](const BaudEntry& e) { return e.speed == speed; });
    return entry == kBaudTable.end() ? EBaudUnknown : entry->baud;
}

SerialDevice::EDataBits SerialDevice::GetDataBits() {
    struct termios settings {};
    if (!ReadSettings(settings, "GetDataBits")) {
        return EDataUnknown;
    }
    const tcflag_t size = settings.c_cflag & CSIZE;
    const auto entry = std::find_if(kDataBitsTable.begin(), kDataBitsTable.end(),
                                    [size](const DataBitsEntry& e) { return e.size == size; });
    return entry == kDataBitsTable.end() ? EDataUnknown : entry->bits;
}

SerialDevice::EParity SerialDevice::GetParity() {
    struct termios settings {};
    if (!ReadSettings(settings, "GetParity")) {
        return EParUnknown;
    }
    const tcflag_t flags = settings.c_cflag;
    if (!(flags & PARENB)) {
        return EParNone;
    }
    if (flags & CMSPAR) {
        return (flags & PARODD) ? EParMark : EParSpace;
    }
    return (flags & PARODD) ? EParOdd : EParEven;
}

SerialDevice::EStopBits SerialDevice::GetStopBits() {
    struct termios settings {};
    if (!ReadSettings(settings, "GetStopBits")) {
        return EStopUnknown;
    }
    if (!(settings.c_cflag & CSTOPB)) {
        return EStop1;
    }
    return (settings.c_cflag & CSIZE) == CS5 ? EStop1_5 : EStop2;
}

SerialDevice::EHandshake SerialDevice::GetHandshaking() {
    struct termios settings {};
    if (!ReadSettings(settings, "GetHandshaking")) {
        return EHandshakeUnknown;
    }
    if (settings.c_cflag & CRTSCTS) {
        return EHandshakeHardware;
    }
    if (settings.c_iflag & (IXON | IXOFF)) {
        return EHandshakeSoftware;
    }
    return EHandshakeOff;
}

std::uint32_t SerialDevice::GetEventMask() {
    if (!IsPortOpen()) {
        Trace("SerialDevice::GetEventMask - Device is not opened\n");
        SetLastError(kErrorInvalidHandle);
        return 0;
    }
    SetLastError(kErrorSuccess);
    return m_mask;
}

std::uint8_t SerialDevice::GetEventChar() {
    struct termios settings {};
    if (!ReadSettings(settings, "GetEventChar")) {
        return 0;
    }
    return m_eventChar;
}

bool SerialDevice::ModemLine(int bit, const char* operation) {
    // Only the CTS and DSR texts end with a line end.
    const bool lineEnd =
        std::strcmp(operation, "GetCTS") == 0 || std::strcmp(operation, "GetDSR") == 0;
    int lines = 0;
    if (!IsPortOpen() || ::ioctl(m_fd, TIOCMGET, &lines) != 0) {
        // Pseudo-terminals have no modem lines (ENOTTY): the line reads as inactive.
        SetLastError(IsPortOpen() ? errno : kErrorInvalidHandle);
        TraceFormat("SerialDevice::%s - Unable to obtain the modem status%s", operation,
                    lineEnd ? "\n" : "");
        return false;
    }
    SetLastError(kErrorSuccess);
    return (lines & bit) != 0;
}

bool SerialDevice::GetCTS() {
    return ModemLine(TIOCM_CTS, "GetCTS");
}
bool SerialDevice::GetDSR() {
    return ModemLine(TIOCM_DSR, "GetDSR");
}
bool SerialDevice::GetRing() {
    return ModemLine(TIOCM_RNG, "GetRing");
}
bool SerialDevice::GetRLSD() {
    return ModemLine(TIOCM_CAR, "GetRLSD");
}

std::string SerialDevice::DescribeOpenError(int error, const std::string& device) {
    struct Reason {
        int error;
        const char* text; // %s is the device path
    };
    static constexpr std::array<Reason, 8> kReasons{{
        {ENOENT, "%s does not exist (is the adapter plugged in?)"},
        {ENODEV, "%s does not exist (is the adapter plugged in?)"},
        {ENXIO, "%s has no device behind it (is the adapter plugged in?)"},
        {EBUSY, "%s is in use by another program"},
        {ENOTTY, "%s is not a serial port"},
        {EALREADY, "%s is already open"},
        {EISDIR, "%s is not a serial port"},
        {EINVAL, "%s cannot be set up as asked"},
    }};
    const std::string name = device.empty() ? std::string("The port") : device;
    char text[512];
    if (error == EACCES || error == EPERM) {
        const std::string group = OwningGroup(device);
        std::snprintf(text, sizeof text,
                      "No permission to open %s: the user must be a member of the group '%s' "
                      "that owns the device (sudo usermod -aG %s $USER, then log in again)",
                      name.c_str(), group.c_str(), group.c_str());
        return text;
    }
    const auto reason = std::find_if(kReasons.begin(), kReasons.end(),
                                     [error](const Reason& r) { return r.error == error; });
    if (reason != kReasons.end()) {
        std::snprintf(text, sizeof text, reason->text, name.c_str());
    } else {
        std::snprintf(text, sizeof text, "%s: %s", name.c_str(), std::strerror(error));
    }
    return text;
}
