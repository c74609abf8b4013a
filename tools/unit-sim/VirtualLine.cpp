#include "VirtualLine.h"

#include "link/PortList.h"
#include "protocol/Frame.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// A request's bytes arrive together (the PC writes each frame in one write); a partial frame
// that has not grown for this long is taken to be garbage and skipped.
constexpr auto kStaleFrame = std::chrono::milliseconds(100);
// One byte at 9600 baud, 8N1: ten bit times.
constexpr auto kByteTime = std::chrono::microseconds(1042);
// Gap between the single-byte writes of a split reply, so that the reader sees them apart.
constexpr auto kSplitGap = std::chrono::microseconds(300);
// How long a reply may wait for room in the pseudo-terminal before the rest is dropped.
constexpr int kWriteWaitMs = 1000;
// A hang-up waits this long at most for the PC to read the last reply: closing the master
// discards what the slave has not read yet.
constexpr auto kHangupDrain = std::chrono::milliseconds(1000);
constexpr int kHangupPollMs = 10;
// Noise put before a reply by --garbage-every: no filler and no start byte among it, so a
// receiver that hunts for 0xFF 0xB1 must skip it and still find the reply.
constexpr std::uint8_t kLineNoise[] = {0x00, 0xAA, 0x53, 0xFE, 0x10, 0xA1, 0x7F, 0xB0};
// Put before a reply by --false-start-every: a frame start and the header of a data reply whose
// length byte (0x80) announces 139 bytes, so a receiver that trusts it holds the real reply that
// follows as payload of a frame that never ends.
constexpr std::uint8_t kFalseStart[] = {0xFF, 0xB1, 0x53, 0x01, 0x00, 0x03, 0x02, 0x00, 0x00, 0x80};
// Filler bytes written before each reply.
constexpr std::size_t kReplyFillers = 2;

std::string ErrnoText(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

// Creates dir and its missing parents, private to the user.
bool MakeDirectories(const std::string& dir) {
    std::string path;
    std::size_t at = 0;
    while (at != std::string::npos) {
        at = dir.find('/', at + 1);
        path = dir.substr(0, at);
        if (path.empty())
            continue;
        if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    struct stat st {};
    return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsLink(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// Takes the lock of a link's name: opens (or makes) its lock file and locks it, unless a running
// unit holds it. Returns the descriptor that keeps the lock, or -1 with errno set (EWOULDBLOCK:
// a unit holds it). A lock file removed by its unit between the open and the lock is left for
// the one that now stands under the name.
int LockLinkName(const std::string& linkPath) {
    const std::string lockPath = VirtualUnitLockPath(linkPath);
    for (int attempt = 0; attempt < 5; ++attempt) {
        const int fd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0)
            return -1;
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            close(fd);
            errno = error;
            return -1;
        }
        struct stat held {};
        struct stat named {};
        if (fstat(fd, &held) == 0 && stat(lockPath.c_str(), &named) == 0 &&
            held.st_ino == named.st_ino && held.st_dev == named.st_dev)
            return fd;
        close(fd);
    }
    errno = EWOULDBLOCK;
    return -1;
}

// Removes what units that died left in the virtual-unit directory: links whose lock is free,
// with their lock files, and lock files whose link has gone. A link without a lock file comes
// from no running unit either. Each is removed while its lock is held here, so a unit starting
// at the same time under the name keeps what it made.
void RemoveLeftovers(const std::string& dir) {
    DIR* folder = opendir(dir.c_str());
    if (folder == nullptr)
        return;
    std::vector<std::string> names;
    while (const dirent* entry = readdir(folder))
        names.emplace_back(entry->d_name);
    closedir(folder);
    for (const std::string& name : names) {
        const std::string path = dir + "/" + name;
        std::string link;
        if (IsLink(path))
            link = path;
        else if (name.size() > 6 && name.front() == '.' && name.ends_with(".lock"))
            link = dir + "/" + name.substr(1, name.size() - 6);
        else
            continue;
        const int lock = LockLinkName(link);
        if (lock < 0)
            continue; // a unit is running under the name
        if (IsLink(link))
            unlink(link.c_str());
        unlink(VirtualUnitLockPath(link).c_str());
        close(lock);
    }
}

std::string LinkTarget(const std::string& path) {
    char buffer[4096];
    const ssize_t n = readlink(path.c_str(), buffer, sizeof buffer - 1);
    return n < 0 ? std::string() : std::string(buffer, static_cast<std::size_t>(n));
}

} // namespace

VirtualLine::VirtualLine(SimLineOptions options) : m_options(std::move(options)) {
    for (const SimUnitSpec& unit : m_options.units)
        m_units.emplace_back(unit.deviceId, unit.deviceType);
}

VirtualLine::~VirtualLine() {
    Stop();
    std::lock_guard lock(m_mutex);
    CloseLocked();
}

bool VirtualLine::Open(std::string* error) {
    std::lock_guard lock(m_mutex);
    if (m_master >= 0) {
        if (error)
            *error = "the line is already open";
        return false;
    }
    char name[256] = {};
    int master = -1;
    int slave = -1;
    if (openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        if (error)
            *error = ErrnoText("cannot create a pseudo-terminal");
        return false;
    }
    // Raw mode at once: with the default line discipline the slave would echo our replies back
    // to us as if they were requests.
    termios tio{};
    if (tcgetattr(slave, &tio) == 0) {
        cfmakeraw(&tio);
        cfsetispeed(&tio, B9600);
        cfsetospeed(&tio, B9600);
        tcsetattr(slave, TCSANOW, &tio);
    }
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);
    m_master = master;
    m_slave = slave;
    m_slavePath = name;
    m_pending.clear();

    bool ok = true;
    PublishLinks(error, &ok);
    if (!ok)
        CloseLocked();
    return ok;
}

void VirtualLine::PublishLinks(std::string* error, bool* ok) {
    std::vector<std::string> paths;
    if (!m_options.linkName.empty()) {
        const std::string& name = m_options.linkName;
        if (name.find('/') != std::string::npos || name == "." || name == "..") {
            if (error)
                *error = "the unit name must not contain '/': " + name;
            *ok = false;
            return;
        }
        std::string dir = VirtualUnitDirectory();
        while (dir.size() > 1 && dir.back() == '/')
            dir.pop_back();
        if (!MakeDirectories(dir)) {
            if (error)
                *error = ErrnoText("cannot create " + dir);
            *ok = false;
            return;
        }
        RemoveLeftovers(dir);
        paths.push_back(dir + "/" + name);
    }
    paths.insert(paths.end(), m_options.extraLinks.begin(), m_options.extraLinks.end());
    for (const std::string& path : paths) {
        // The name's lock first: while it is held no other unit publishes there, and a link
        // found there now was left by a unit that died.
        const int lock = LockLinkName(path);
        if (lock < 0) {
            if (error)
                *error = errno == EWOULDBLOCK
                             ? "another virtual unit is running as " + path
                             : ErrnoText("cannot lock the link " + path);
            *ok = false;
            return;
        }
        const std::string pid = std::to_string(getpid()) + "\n";
        if (ftruncate(lock, 0) != 0 ||
            write(lock, pid.data(), pid.size()) != static_cast<ssize_t>(pid.size())) {
            // The lock is what counts; the number in it only tells a person who holds it.
        }
        if (IsLink(path))
            unlink(path.c_str());
        if (symlink(m_slavePath.c_str(), path.c_str()) != 0) {
            if (error)
                *error = ErrnoText("cannot create the link " + path);
            unlink(VirtualUnitLockPath(path).c_str());
            close(lock);
            *ok = false;
            return;
        }
        m_links.push_back({path, lock});
    }
}

void VirtualLine::RemoveLinks() {
    // The link, then its lock file while the lock is still held; closing drops the lock.
    for (const PublishedLink& link : m_links) {
        if (LinkTarget(link.path) == m_slavePath)
            unlink(link.path.c_str());
        unlink(VirtualUnitLockPath(link.path).c_str());
        close(link.lock);
    }
    m_links.clear();
}

std::vector<std::string> VirtualLine::Links() const {
    std::vector<std::string> paths;
    for (const PublishedLink& link : m_links)
        paths.push_back(link.path);
    return paths;
}

bool VirtualLine::IsOpen() const {
    std::lock_guard lock(m_mutex);
    return m_master >= 0;
}

bool VirtualLine::HangupPending() const {
    std::lock_guard lock(m_mutex);
    return m_hangupDeadline.has_value();
}

void VirtualLine::Close() {
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        Stop();
    std::lock_guard lock(m_mutex);
    CloseLocked();
}

void VirtualLine::CloseLocked() {
    RemoveLinks();
    if (m_master >= 0)
        close(m_master);
    if (m_slave >= 0)
        close(m_slave);
    m_master = -1;
    m_slave = -1;
    m_pending.clear();
    m_hangupDeadline.reset();
}

int VirtualLine::Poll(int timeoutMs) {
    int waitMs = std::max(timeoutMs, 0);
    int master = -1;
    bool draining = false; // waiting for the PC to read the last reply before a hang-up
    {
        std::lock_guard lock(m_mutex);
        if (m_master < 0)
            return -1;
        master = m_master;
        if (m_hangupDeadline) {
            // No more requests are taken; close once the last reply has been read.
            int unread = 0;
            if (ioctl(m_slave, TIOCINQ, &unread) != 0 || unread == 0 ||
                Clock::now() >= *m_hangupDeadline) {
                CloseLocked();
                return -1;
            }
            waitMs = std::min(waitMs, kHangupPollMs);
            m_pending.clear();
            draining = true;
        }
        if (!m_pending.empty()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                m_lastByte + kStaleFrame - Clock::now());
            waitMs = std::clamp(static_cast<int>(left.count()) + 1, 0, waitMs);
        }
    }
    if (draining) {
        std::this_thread::sleep_for(std::chrono::milliseconds(waitMs));
        return 0;
    }
    // Waits unlocked so that a test can look at the units meanwhile; only Close, which stops
    // the serving thread first, closes the descriptor.
    pollfd p{master, POLLIN, 0};
    const int ready = poll(&p, 1, waitMs);
    if (ready < 0 && errno != EINTR)
        return -1;

    std::lock_guard lock(m_mutex);
    if (m_master < 0)
        return -1;
    if (ready > 0 && (p.revents & POLLIN)) {
        std::uint8_t buffer[512];
        for (;;) {
            const ssize_t n = read(m_master, buffer, sizeof buffer);
            if (n > 0) {
                m_lastByte = Clock::now();
                if (m_pending.empty() && m_fillerBytes == 0)
                    m_requestStart = m_lastByte;
                m_pending.insert(m_pending.end(), buffer, buffer + n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                CloseLocked();
                return -1;
            }
            break;
        }
    } else if (ready > 0 && (p.revents & (POLLERR | POLLNVAL))) {
        CloseLocked();
        return -1;
    }
    if (!m_pending.empty() && Clock::now() - m_lastByte >= kStaleFrame) {
        // A partial frame that stopped growing: skip its start byte and look again.
        m_pending.erase(m_pending.begin());
        m_lastByte = Clock::now();
    }
    const int taken = TakeFrames();
    return taken == 0 && m_master < 0 ? -1 : taken;
}

int VirtualLine::TakeFrames() {
    int taken = 0;
    while (m_master >= 0 && !m_hangupDeadline) {
        // Everything before a start byte is filler or noise.
        const auto start = std::find(m_pending.begin(), m_pending.end(), kFrameStart);
        m_fillerBytes +=
            static_cast<std::size_t>(std::count(m_pending.begin(), start, kFrameFiller));
        m_pending.erase(m_pending.begin(), start);
        if (m_pending.size() <= kOffsetLength)
            break;
        const std::size_t length = m_pending[kOffsetLength];
        const std::size_t total = length + kFrameOverhead;
        if (length == 0) {
            m_pending.erase(m_pending.begin());
            continue;
        }
        if (m_pending.size() < total)
            break;
        const std::span<const std::uint8_t> frame(m_pending.data(), total);
        if (!CheckFrame(frame)) {
            // Wrong checksum or end byte: the request is ignored (the PC repeats it). The start
            // byte may have been a payload byte of something else, so look again after it.
            m_pending.erase(m_pending.begin());
            continue;
        }
        ++taken;
        const int requestNumber = ++m_requestCount;
        const std::size_t requestBytes = total + m_fillerBytes;
        m_fillerBytes = 0;
        const bool silent = m_options.silent || m_silent ||
                            (m_options.silentAfter > 0 && requestNumber > m_options.silentAfter);
        std::size_t replyBytes = 0;
        if (!silent) {
            // The first unit with the address answers, so a line never carries two replies.
            const auto unit =
                std::find_if(m_units.begin(), m_units.end(),
                             [&](const VirtualUnit& u) { return u.IsAddressed(frame); });
            if (unit != m_units.end())
                if (auto reply = unit->Answer(frame))
                    replyBytes = Reply(std::move(*reply), requestBytes);
        }
        if (m_options.keepLog)
            m_log.push_back({std::vector<std::uint8_t>(frame.begin(), frame.end()), requestBytes,
                             replyBytes, m_requestStart});
        m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(total));
        m_requestStart = m_lastByte; // what is left came with the latest read
        if (m_options.hangupAfter > 0 && requestNumber >= m_options.hangupAfter)
            m_hangupDeadline = Clock::now() + kHangupDrain;
    }
    return taken;
}

namespace {

bool Every(int every, int count) {
    return every > 0 && count % every == 0;
}

// The frame composed again with its header changed by `edit` and its payload cut to `length`.
template <class Edit>
std::vector<std::uint8_t> Recomposed(const std::vector<std::uint8_t>& frame, std::size_t length,
                                     Edit edit) {
    FrameHeader header{frame[kOffsetKind],    frame[kOffsetDeviceId], frame[kOffsetSlot],
                       frame[kOffsetSection], frame[kOffsetChannel],  frame[kOffsetParameter]};
    edit(header);
    const std::size_t payload = std::min<std::size_t>(frame[kOffsetLength], length);
    return ComposeFrame(header, std::span(frame).subspan(kOffsetPayload, payload));
}

} // namespace

std::vector<std::uint8_t> VirtualLine::Misanswered(std::vector<std::uint8_t> frame) {
    if (frame[kOffsetKind] != kKindDataReply)
        return frame;
    ++m_dataReplyCount;
    if (Every(m_options.ackInsteadEvery, m_dataReplyCount)) {
        const std::uint8_t ack[1] = {0};
        return ComposeFrame(kKindAck, frame[kOffsetDeviceId], frame[kOffsetSlot],
                            frame[kOffsetSection], frame[kOffsetChannel], frame[kOffsetParameter],
                            ack);
    }
    const int section = frame[kOffsetSection];
    if (section != kSectionInput && section != kSectionOutput)
        return frame;
    ++m_blockReplyCount;
    const int channels = section == kSectionInput ? kSimInputCount : kSimOutputCount;
    const std::size_t whole = frame[kOffsetLength];
    if (Every(m_options.otherChannelEvery, m_blockReplyCount))
        frame = Recomposed(frame, whole, [&](FrameHeader& h) {
            h.channelOrCommand = static_cast<std::uint8_t>((h.channelOrCommand + 1) % channels);
        });
    if (Every(m_options.otherSlotEvery, m_blockReplyCount))
        frame = Recomposed(frame, whole, [](FrameHeader& h) {
            h.slot = static_cast<std::uint8_t>(h.slot % kLastProgramSlot + 1);
        });
    if (Every(m_options.shortBlockEvery, m_blockReplyCount))
        frame = Recomposed(frame, whole - 1, [](FrameHeader&) {});
    return frame;
}

std::size_t VirtualLine::Reply(std::vector<std::uint8_t> frame, std::size_t requestBytes) {
    ++m_replyCount;
    if (m_options.dropEvery > 0 && m_replyCount % m_options.dropEvery == 0)
        return 0;
    frame = Misanswered(std::move(frame));
    const bool noisy = m_options.garbageEvery > 0 && m_replyCount % m_options.garbageEvery == 0;
    const std::size_t noise = noisy ? std::size(kLineNoise) : 0;
    std::vector<std::uint8_t> bytes(noise + kReplyFillers + frame.size(), kFrameFiller);
    std::copy_n(std::begin(kLineNoise), noise, bytes.begin());
    std::copy(frame.begin(), frame.end(), bytes.begin() + noise + kReplyFillers);
    if (m_options.corruptEvery > 0 && m_replyCount % m_options.corruptEvery == 0)
        bytes[bytes.size() - 2] ^= 0xFF; // the checksum byte
    if (Every(m_options.falseStartEvery, m_replyCount))
        bytes.insert(bytes.begin(), std::begin(kFalseStart), std::end(kFalseStart));
    // The previous reply's late second copy goes first; this one may become the next.
    bytes.insert(bytes.begin(), m_lateReply.begin(), m_lateReply.end());
    m_lateReply.clear();
    if (Every(m_options.repeatLateEvery, m_replyCount)) {
        m_lateReply.assign(kReplyFillers, kFrameFiller);
        m_lateReply.insert(m_lateReply.end(), frame.begin(), frame.end());
    }
    if (m_options.baudTiming) {
        // The pseudo-terminal delivered the request at once; on a real line it would only now
        // have arrived completely, and the reply leaves one byte time per byte. Sleeping to a
        // schedule keeps the average rate right although each sleep may overshoot a little.
        const auto start = Clock::now() + kByteTime * requestBytes;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            std::this_thread::sleep_until(start + kByteTime * (i + 1));
            WriteAll(&bytes[i], 1);
        }
    } else if (m_options.split) {
        for (std::uint8_t b : bytes) {
            WriteAll(&b, 1);
            std::this_thread::sleep_for(kSplitGap);
        }
    } else {
        WriteAll(bytes.data(), bytes.size());
    }
    return bytes.size();
}

void VirtualLine::WriteAll(const std::uint8_t* data, std::size_t count) {
    // The master is non-blocking: a PC that stops reading must not stall the unit for ever.
    while (count > 0 && m_master >= 0) {
        const ssize_t n = write(m_master, data, count);
        if (n > 0) {
            data += n;
            count -= static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd p{m_master, POLLOUT, 0};
            if (poll(&p, 1, kWriteWaitMs) > 0)
                continue;
        }
        return; // no room or the line failed: the rest of the reply is lost
    }
}

std::vector<SimExchange> VirtualLine::Exchanges() const {
    std::lock_guard lock(m_mutex);
    return m_log;
}

void VirtualLine::SetSilent(bool silent) {
    std::lock_guard lock(m_mutex);
    m_silent = silent;
}

void VirtualLine::WriteRaw(std::span<const std::uint8_t> bytes) {
    std::lock_guard lock(m_mutex);
    WriteAll(bytes.data(), bytes.size());
}

void VirtualLine::Start() {
    if (m_thread.joinable())
        return;
    m_stop = false;
    m_thread = std::thread([this] {
        while (!m_stop.load())
            if (Poll(20) < 0)
                break;
    });
}

void VirtualLine::Stop() {
    m_stop = true;
    if (m_thread.joinable() && m_thread.get_id() != std::this_thread::get_id())
        m_thread.join();
    m_stop = false;
}
