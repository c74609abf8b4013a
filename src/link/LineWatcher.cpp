#include "link/LineWatcher.h"

#include "link/Trace.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <system_error>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Received bytes are reported once their burst has ended: a reply trickles in byte by byte on a
// 9600-baud line (about 1 ms apart), and reporting every byte would wake the listener and the
// user-interface thread for each. The listener looks at the queue of unread bytes every
// kBurstCheckMs; the burst is over when a look finds fewer new bytes than the line carries in
// the time since the last look (less kBurstSlackBytes for the sender's and the timer's jitter),
// or none at all on a line of unknown speed. A meter reply (25 bytes, 26 ms) thus costs a single
// look, and the last byte of any reply is reported at most about one look late, far within the
// 100 ms send tick. A stream that never pauses is reported every kLongestBurstMs all the same.
constexpr int kBurstCheckMs = 30;
constexpr double kBurstSlackBytes = 2;
constexpr auto kLongestBurst = std::chrono::milliseconds(250);

// Hang-ups are watched for whatever else is asked: a terminal reports them unasked, a socket
// whose other end closed reports POLLRDHUP only when asked.
constexpr short kHangUpEvents = POLLRDHUP;

// Bytes per second the line carries: start bit, data bits, parity bit, stop bits per byte.
int LineBytesPerSecond(const LineSettings& settings) {
    const int bitsPerByte = 1 + settings.dataBits + (settings.parity ? 1 : 0) + settings.stopBits;
    return settings.baudRate / bitsPerByte;
}

bool HungUp(short revents) {
    return (revents & (POLLHUP | POLLERR | POLLNVAL | POLLRDHUP)) != 0;
}

} // namespace

LineWatcher::~LineWatcher() {
    Stop();
}

int LineWatcher::PrepareWakeup() {
    if (m_wakeFd < 0)
        m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    return m_wakeFd >= 0 ? 0 : errno;
}

int LineWatcher::Start(int fd, LineEventHandler handler) {
    m_fd = fd;
    m_stopping = false;
    m_bytesReported = false;
    m_wakeups = 0;
    m_lineBytesPerSecond = 0;
    m_handler = std::move(handler); // in place before the listener can call it
    try {
        m_listener = std::thread(&LineWatcher::Listen, this);
    } catch (const std::system_error& error) {
        // A port nobody listens to would never report received bytes.
        m_handler = nullptr;
        m_fd = -1;
        return error.code().value();
    }
    return 0;
}

void LineWatcher::Stop() {
    if (m_listener.joinable()) {
        m_stopping = true;
        Wake();
        m_listener.join();
        m_stopping = false;
    }
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
    m_wakeFd = -1;
    m_fd = -1;
    m_handler = nullptr;
}

void LineWatcher::SetLineSettings(const LineSettings& settings) {
    m_lineBytesPerSecond = LineBytesPerSecond(settings);
}

void LineWatcher::BytesTaken() {
    if (m_bytesReported.exchange(false))
        Wake(); // the listener watches for bytes again and reports any still waiting
}

void LineWatcher::Wake() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto ignored = ::write(m_wakeFd, &one, sizeof one);
}

std::optional<short> LineWatcher::WaitForLine(short portEvents, int timeoutMs) {
    for (;;) {
        std::array<pollfd, 2> fds{
            {{m_wakeFd, POLLIN, 0}, {m_fd, static_cast<short>(portEvents | kHangUpEvents), 0}}};
        if (::poll(fds.data(), fds.size(), timeoutMs) < 0) {
            if (errno == EINTR)
                continue;
            Trace("LineWatcher::Listen - Unable to wait until COM event has arrived\n");
            return std::nullopt;
        }
        ++m_wakeups;
        if (fds[0].revents & POLLIN) {
            std::uint64_t count = 0;
            [[maybe_unused]] const auto ignored = ::read(m_wakeFd, &count, sizeof count);
        }
        if (m_stopping)
            return std::nullopt;
        return fds[1].revents;
    }
}

int LineWatcher::BytesWaiting() const {
    int count = 0;
    return ::ioctl(m_fd, FIONREAD, &count) == 0 ? count : -1;
}

bool LineWatcher::AwaitEndOfBurst() {
    const double bytesPerMs = m_lineBytesPerSecond.load() / 1000.0;
    const auto start = Clock::now();
    auto lookedAt = start;
    int waiting = BytesWaiting();
    for (;;) {
        // Bytes are not asked for (they keep the port ready); hang-ups are reported regardless.
        const std::optional<short> port = WaitForLine(0, kBurstCheckMs);
        if (!port)
            return false;
        if (HungUp(*port))
            return true; // the bytes first; the hang-up is reported next
        const auto now = Clock::now();
        const int count = BytesWaiting();
        const double sinceLook = std::chrono::duration<double, std::milli>(now - lookedAt).count();
        const double busyLine = std::max(1.0, bytesPerMs * sinceLook - kBurstSlackBytes);
        if (count - waiting < busyLine || now - start >= kLongestBurst)
            return true; // the line fell quiet during the look (or the queue cannot be read)
        waiting = count;
        lookedAt = now;
    }
}

void LineWatcher::Listen() {
    // Signals are the program's business, not the listener's: they go to a thread that can act
    // on them (a command line tool stops its transfer gently on SIGINT).
    sigset_t all;
    sigfillset(&all);
    ::pthread_sigmask(SIG_BLOCK, &all, nullptr);
    for (;;) {
        // Hang-ups are reported whatever is asked for: the port stays watched for them while
        // received bytes wait for the owner.
        const std::optional<short> port =
            WaitForLine(static_cast<short>(m_bytesReported ? 0 : POLLIN), -1);
        if (!port)
            return;
        std::uint32_t bits = 0;
        if (HungUp(*port)) {
            bits = LineEvent::kLineError | LineEvent::kIoError;
        } else if (*port & POLLIN) {
            if (!AwaitEndOfBurst())
                return;
            m_bytesReported = true;
            bits = LineEvent::kBytesReceived;
        }
        if (bits != 0 && m_handler)
            m_handler(bits);
        if (bits & LineEvent::kIoError)
            return; // a hung-up descriptor polls ready for ever: nothing is left to watch
    }
}
