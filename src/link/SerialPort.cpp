#include "link/SerialPort.h"

#include "link/Deadline.h"
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
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
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

bool HungUp(short revents) {
    return (revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
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
        m_watcher.Stop();
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
    if (const int error = m_watcher.PrepareWakeup(); error != 0) {
        return fail("SerialPort::Open - Unable to create event\n", error);
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

    if (const int error = m_watcher.Start(fd, std::move(onEvent)); error != 0) {
        return fail("SerialPort::Open - Unable to start COMM watcher thread\n", error);
    }
    m_fd = fd;
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
    m_watcher.SetLineSettings(settings);
    m_lastError.clear();
    return true;
}

void SerialPort::Close() {
    if (!IsOpen()) {
        Trace("SerialPort::Close - Method called when device is not open\n");
        return;
    }
    m_watcher.Stop();
    RestoreTerminal();
    ::close(m_fd);
    m_fd = -1;
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
    m_watcher.BytesTaken();
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
