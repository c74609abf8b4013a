#include "link/SerialPort.h"

#include "link/Trace.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <optional>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <system_error>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

struct Speed {
    int baud;
    speed_t speed;
};

constexpr std::array<Speed, 12> kSpeeds{{
    {110, B110},
    {300, B300},
    {600, B600},
    {1200, B1200},
    {2400, B2400},
    {4800, B4800},
    {9600, B9600},
    {19200, B19200},
    {38400, B38400},
    {57600, B57600},
    {115200, B115200},
    {230400, B230400},
}};

constexpr std::array<tcflag_t, 4> kCharacterSizes{CS5, CS6, CS7, CS8}; // 5 to 8 data bits

// The flags that make up the line's framing and flow control: a driver that does not keep them
// as set does not run the line as asked.
constexpr tcflag_t kLineControlFlags = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;
constexpr tcflag_t kLineInputFlags = INPCK | IXON | IXOFF | IXANY;

// `current` changed to `settings`; nothing when a value has no terminal equivalent.
std::optional<termios> LineTermios(const termios& current, const LineSettings& settings) {
    const auto speed = std::find_if(kSpeeds.begin(), kSpeeds.end(), [&](const Speed& entry) {
        return entry.baud == settings.baudRate;
    });
    if (speed == kSpeeds.end() || settings.dataBits < 5 || settings.dataBits > 8 ||
        (settings.stopBits != 1 && settings.stopBits != 2)) {
        return std::nullopt;
    }
    termios line = current;
    ::cfsetispeed(&line, speed->speed);
    ::cfsetospeed(&line, speed->speed);
    line.c_cflag &= ~kLineControlFlags;
    line.c_iflag &= ~kLineInputFlags;
    line.c_cflag |= kCharacterSizes[static_cast<std::size_t>(settings.dataBits - 5)];
    if (settings.parity) {
        line.c_cflag |= PARENB; // even
        line.c_iflag |= INPCK;  // checked exactly when the line carries a parity bit
    }
    if (settings.stopBits == 2) {
        line.c_cflag |= CSTOPB;
    }
    if (settings.flowControl) {
        line.c_cflag |= CRTSCTS;
    }
    return line;
}

bool RunsAsAsked(const termios& applied, const termios& wanted) {
    return (applied.c_cflag & kLineControlFlags) == (wanted.c_cflag & kLineControlFlags) &&
           (applied.c_iflag & kLineInputFlags) == (wanted.c_iflag & kLineInputFlags) &&
           ::cfgetispeed(&applied) == ::cfgetispeed(&wanted) &&
           ::cfgetospeed(&applied) == ::cfgetospeed(&wanted);
}

std::string Describe(const LineSettings& settings) {
    char text[160];
    std::snprintf(
        text, sizeof text, "%d baud, %d data bits, %s parity, %d stop bit%s, %s flow control",
        settings.baudRate, settings.dataBits, settings.parity ? "even" : "no", settings.stopBits,
        settings.stopBits == 1 ? "" : "s", settings.flowControl ? "hardware" : "no");
    return text;
}

std::string OwningGroup(const std::string& device) {
    struct stat info {};
    if (::stat(device.c_str(), &info) == 0 && info.st_gid != 0) {
        if (const struct group* owner = ::getgrgid(info.st_gid)) {
            return owner->gr_name;
        }
    }
    return "dialout";
}

// Received bytes are reported once their burst has ended: a reply trickles in byte by byte on a
// 9600-baud line (about 1 ms apart), and reporting every byte would wake the listener and the
// user-interface thread for each. The listener looks at the driver's queue every kBurstCheckMs;
// the burst is over when a look finds fewer new bytes than the line carries in the time since the
// last look (less kBurstSlackBytes for the sender's and the timer's jitter), or none at all on a
// line of unknown speed. A meter reply (25 bytes, 26 ms) thus costs a single look, and the last
// byte of any reply is reported at most about one look late, far within the 100 ms send tick. A
// stream that never pauses is reported every kLongestBurstMs all the same.
constexpr int kBurstCheckMs = 30;
constexpr double kBurstSlackBytes = 2;
constexpr auto kLongestBurst = std::chrono::milliseconds(250);

// Bytes per second the line carries: start bit, data bits, parity bit, stop bits per byte.
int LineBytesPerSecond(const LineSettings& settings) {
    const int bitsPerByte = 1 + settings.dataBits + (settings.parity ? 1 : 0) + settings.stopBits;
    return settings.baudRate / bitsPerByte;
}

bool HungUp(short revents) {
    return (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::max<long long>(0, left));
}

} // namespace

SerialPort::~SerialPort() {
    if (IsOpen()) {
        Trace("SerialPort::~SerialPort - Serial port not closed\n");
        Close();
    }
}

bool SerialPort::Open(const std::string& device, LineEventHandler onEvent) {
    if (IsOpen()) {
        Trace("SerialPort::Open - Port already opened\n");
        m_lastError = OpenErrorText(EALREADY, "");
        return false;
    }
    int fd = -1;
    int wakeFd = -1;
    bool exclusive = false;
    auto fail = [&](const char* trace, int error) {
        Trace(trace);
        if (fd >= 0 && m_foundSettings) {
            ::tcsetattr(fd, TCSANOW, &*m_foundSettings);
        }
        m_foundSettings.reset();
        if (exclusive && !m_foundExclusive) {
            ::ioctl(fd, TIOCNXCL); // the flag outlives our descriptor while others hold the tty
        }
        if (wakeFd >= 0) {
            ::close(wakeFd);
        }
        if (fd >= 0) {
            ::close(fd); // also drops the lock
        }
        m_lastError = OpenErrorText(error, device);
        return false;
    };

    fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return fail("SerialPort::Open - Unable to open port\n", errno);
    }
    if (!::isatty(fd)) {
        return fail("SerialPort::Open - Unable to open port\n", ENOTTY);
    }
    // The lock first: a second program (root included) must not get past here, and only the
    // holder of the lock may set or clear the terminal's exclusive flag.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        return fail("SerialPort::Open - Unable to open port\n",
                    errno == EWOULDBLOCK ? EBUSY : errno);
    }
    m_foundExclusive = false;
#ifdef TIOCGEXCL
    int alreadyExclusive = 0;
    m_foundExclusive = ::ioctl(fd, TIOCGEXCL, &alreadyExclusive) == 0 && alreadyExclusive != 0;
#endif
    if (::ioctl(fd, TIOCEXCL) != 0) {
        return fail("SerialPort::Open - Unable to open port\n", errno);
    }
    exclusive = true;
    wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd < 0) {
        return fail("SerialPort::Open - Unable to create event\n", errno);
    }
    termios line{};
    if (::tcgetattr(fd, &line) != 0) {
        return fail("SerialPort::Open - Unable to obtain default communication configuration.\n",
                    errno);
    }
    m_foundSettings = line; // put back at Close
    // Raw bytes both ways. Reads never wait in the driver (VMIN = VTIME = 0): every wait is a
    // poll() with its own bound.
    ::cfmakeraw(&line);
    line.c_cflag |= CLOCAL | CREAD;
    line.c_cc[VMIN] = 0;
    line.c_cc[VTIME] = 0;
    if (::tcsetattr(fd, TCSANOW, &line) != 0) {
        return fail("SerialPort::Open - Unable to set default communication configuration.\n",
                    errno);
    }

    m_fd = fd;
    m_wakeFd = wakeFd;
    m_stopping = false;
    m_bytesReported = false;
    m_wakeups = 0;
    m_lineBytesPerSecond = 0;       // unknown until Setup
    m_handler = std::move(onEvent); // in place before the listener can call it
    try {
        m_listener = std::thread(&SerialPort::Listen, this);
    } catch (const std::system_error& error) {
        // A port nobody listens to would never report received bytes.
        m_fd = -1;
        m_wakeFd = -1;
        m_handler = nullptr;
        return fail("SerialPort::Open - Unable to start COMM watcher thread\n",
                    error.code().value());
    }
    m_lastError.clear();
    return true;
}

bool SerialPort::SetupFailed(const LineSettings& settings, int error) {
    m_lastError = "Unable to set the line to " + Describe(settings) + ": " +
                  (error != 0 ? std::strerror(error) : "the port does not support these settings");
    return false;
}

bool SerialPort::Setup(const LineSettings& settings) {
    if (!IsOpen()) {
        Trace("SerialPort::Setup - Device is not opened\n");
        m_lastError = "The port is not open";
        return false;
    }
    termios before{};
    if (::tcgetattr(m_fd, &before) != 0) {
        const int error = errno;
        Trace("SerialPort::Setup - Unable to obtain DCB information\n");
        return SetupFailed(settings, error);
    }
    const std::optional<termios> wanted = LineTermios(before, settings);
    if (!wanted) {
        Trace("SerialPort::Setup - Unable to set DCB information\n");
        return SetupFailed(settings, EINVAL);
    }
    if (::tcsetattr(m_fd, TCSANOW, &*wanted) != 0) {
        const int error = errno;
        Trace("SerialPort::Setup - Unable to set DCB information\n");
        return SetupFailed(settings, error);
    }
    // tcsetattr succeeds when any part was taken: the caller must not be told that a line runs
    // as asked when it does not.
    termios applied{};
    if (::tcgetattr(m_fd, &applied) != 0 || !RunsAsAsked(applied, *wanted)) {
        ::tcsetattr(m_fd, TCSANOW, &before);
        Trace("SerialPort::Setup - Unable to set DCB information\n");
        return SetupFailed(settings, 0);
    }
    m_lineBytesPerSecond = LineBytesPerSecond(settings);
    m_lastError.clear();
    return true;
}

void SerialPort::Close() {
    if (!IsOpen()) {
        Trace("SerialPort::Close - Method called when device is not open\n");
        return;
    }
    EndListener();
    RestoreTerminal();
    ::close(m_fd);
    ::close(m_wakeFd);
    m_fd = -1;
    m_wakeFd = -1;
    m_handler = nullptr;
}

void SerialPort::RestoreTerminal() {
    // At once, not after the output has drained: a line nobody reads would never drain. A line
    // that hung up takes no settings any more, which leaves nothing to restore.
    if (m_foundSettings) {
        ::tcsetattr(m_fd, TCSANOW, &*m_foundSettings);
        m_foundSettings.reset();
    }
    // Other holders of the terminal (a virtual unit) keep the flag otherwise; one that was set
    // before stays.
    if (!m_foundExclusive) {
        ::ioctl(m_fd, TIOCNXCL);
    }
}

bool SerialPort::CanOpen(const std::string& device) {
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool free = ::isatty(fd) == 1 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
#ifdef TIOCGEXCL
    // Root passes another holder's exclusive flag; the port is taken all the same.
    int exclusive = 0;
    free = free && !(::ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0);
#endif
    ::close(fd); // also drops the lock
    return free;
}

bool SerialPort::Write(const std::uint8_t* data, std::size_t count, int timeoutMs) {
    const auto write = [&](std::size_t done) { return ::write(m_fd, data + done, count - done); };
    return Transfer(Direction::Send, count, timeoutMs, write) == static_cast<long>(count);
}

long SerialPort::Read(std::uint8_t* buffer, std::size_t capacity, int) {
    const auto read = [&](std::size_t done) {
        return ::read(m_fd, buffer + done, capacity - done);
    };
    const long count = Transfer(Direction::Receive, capacity, 0, read);
    if (m_bytesReported.exchange(false)) {
        Wake(); // the listener watches for bytes again and reports any still waiting
    }
    return count;
}

long SerialPort::Transfer(Direction direction, std::size_t count, int timeoutMs,
                          const std::function<ssize_t(std::size_t done)>& move) {
    const bool send = direction == Direction::Send;
    const char* operation = send ? "Write" : "Read";
    if (!IsOpen()) {
        TraceFormat("SerialPort::%s - Device is not opened\n", operation);
        return -1;
    }
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(0, timeoutMs));
    std::size_t done = 0;
    bool lineFailed = false;
    while (done < count && !lineFailed) {
        const ssize_t n = move(done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            if (!send) {
                break; // a read takes everything the driver holds, up to what was asked
            }
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN) {
            lineFailed = true; // EIO once the line has hung up
            continue;
        }
        // Nothing moved: no bytes waiting, no room in the driver's queue, or a line that hung
        // up (a hung-up terminal reads as empty). Wait for the line, as long as time is left.
        pollfd port{m_fd, static_cast<short>(send ? POLLOUT : POLLIN), 0};
        const int ready = ::poll(&port, 1, MillisecondsLeft(deadline));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            TraceFormat("SerialPort::%s - Unable to wait until data has been %s\n", operation,
                        send ? "sent" : "read");
            return -1;
        }
        if (ready == 0) {
            if (send) {
                return -1; // timed out: the rest is not sent
            }
            break;
        }
        lineFailed = HungUp(port.revents);
    }
    // Bytes read before a failure are handed out first; the next Read reports the failure.
    if (lineFailed && (send || done == 0)) {
        TraceFormat("SerialPort::%s - Unable to %s the data\n", operation, send ? "write" : "read");
        return -1;
    }
    return static_cast<long>(done);
}

void SerialPort::Wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto ignored = ::write(m_wakeFd, &one, sizeof one);
}

void SerialPort::EndListener() {
    if (!m_listener.joinable()) {
        return;
    }
    m_stopping = true;
    Wake();
    m_listener.join();
    m_stopping = false;
}

std::optional<short> SerialPort::WaitForLine(short portEvents, int timeoutMs) {
    for (;;) {
        std::array<pollfd, 2> fds{{{m_wakeFd, POLLIN, 0}, {m_fd, portEvents, 0}}};
        if (::poll(fds.data(), fds.size(), timeoutMs) < 0) {
            if (errno == EINTR) {
                continue;
            }
            Trace("SerialPort::Listen - Unable to wait until COM event has arrived\n");
            return std::nullopt;
        }
        ++m_wakeups;
        if (fds[0].revents & POLLIN) {
            std::uint64_t count = 0;
            [[maybe_unused]] const auto ignored = ::read(m_wakeFd, &count, sizeof count);
        }
        if (m_stopping) {
            return std::nullopt;
        }
        return fds[1].revents;
    }
}

int SerialPort::BytesWaiting() const {
    int count = 0;
    return ::ioctl(m_fd, FIONREAD, &count) == 0 ? count : -1;
}

bool SerialPort::AwaitEndOfBurst() {
    const double bytesPerMs = m_lineBytesPerSecond.load() / 1000.0;
    const auto start = Clock::now();
    auto lookedAt = start;
    int waiting = BytesWaiting();
    for (;;) {
        // Bytes are not asked for (they keep the port ready); hang-ups are reported regardless.
        const std::optional<short> port = WaitForLine(0, kBurstCheckMs);
        if (!port) {
            return false;
        }
        if (HungUp(*port)) {
            return true; // the bytes first; the hang-up is reported next
        }
        const auto now = Clock::now();
        const int count = BytesWaiting();
        const double sinceLook = std::chrono::duration<double, std::milli>(now - lookedAt).count();
        const double busyLine = std::max(1.0, bytesPerMs * sinceLook - kBurstSlackBytes);
        if (count - waiting < busyLine || now - start >= kLongestBurst) {
            return true; // the line fell quiet during the look (or the queue cannot be read)
        }
        waiting = count;
        lookedAt = now;
    }
}

void SerialPort::Listen() {
    // Signals are the program's business, not the listener's: they go to a thread that can act
    // on them (a command line tool stops its transfer gently on SIGINT).
    sigset_t all;
    sigfillset(&all);
    ::pthread_sigmask(SIG_BLOCK, &all, nullptr);
    for (;;) {
        // Hang-ups are reported whatever is asked for: the port stays watched for them while
        // received bytes wait for a Read.
        const std::optional<short> port =
            WaitForLine(static_cast<short>(m_bytesReported ? 0 : POLLIN), -1);
        if (!port) {
            return;
        }
        std::uint32_t bits = 0;
        if (HungUp(*port)) {
            bits = LineEvent::kLineError | LineEvent::kIoError; // the driver dropped what it held
        } else if (*port & POLLIN) {
            if (!AwaitEndOfBurst()) {
                return;
            }
            m_bytesReported = true;
            bits = LineEvent::kBytesReceived;
        }
        if (bits != 0 && m_handler) {
            m_handler(bits);
        }
        if (bits & LineEvent::kIoError) {
            return; // a hung-up descriptor polls ready for ever: nothing is left to watch
        }
    }
}

std::string SerialPort::OpenErrorText(int error, const std::string& device) {
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
        {EISDIR, "%s is not a serial port"},
        {EALREADY, "%s is already open"},
        {EINVAL, "%s cannot be set up as asked"},
    }};
    const std::string name = device.empty() ? std::string("The port") : device;
    char text[512];
    if (error == EACCES || error == EPERM) {
        const std::string group = OwningGroup(device);
        return "No permission to open " + name + ": the user must be a member of the group '" +
               group + "' that owns the device (sudo usermod -aG " + group +
               " $USER, then log in again). Adapters with FTDI, CP210x, CH340/CH341 or PL2303 "
               "chips need no group: the udev rule 70-tavrel-serial-adapters.rules of the tavrel "
               "package gives them to the logged-in user (install it, then plug the adapter in "
               "again)";
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
