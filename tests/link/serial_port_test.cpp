// The serial port over real pseudo-terminals: the test holds the master side (the unit's end of
// the line) and an observer descriptor on the slave to read the line settings back independently
// of the port.
#include "link/SerialPort.h"
#include "link/Trace.h"

#include "TerminalSettings.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <mutex>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::uint32_t kHangUp = LineEvent::kLineError | LineEvent::kIoError;

long long MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class Pty {
public:
    Pty() {
        char name[128] = {};
        if (::openpty(&master, &observer, name, nullptr, nullptr) == 0) {
            path = name;
            ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        }
    }
    ~Pty() { CloseUnitSide(); }
    // The unit's side goes away completely (as when an adapter is unplugged).
    void CloseUnitSide() {
        for (int* fd : {&observer, &master}) {
            if (*fd >= 0) {
                ::close(*fd);
                *fd = -1;
            }
        }
    }
    void Send(const std::string& bytes) const {
        ASSERT_EQ(::write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // Everything the port has written so far, waiting briefly for it to come through.
    std::string Drain() const {
        std::string got;
        char buffer[4096];
        for (;;) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0) {
                return got;
            }
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n <= 0) {
                return got;
            }
            got.append(buffer, static_cast<std::size_t>(n));
        }
    }
    termios Settings() const {
        termios settings{};
        ::tcgetattr(observer, &settings);
        return settings;
    }

    int master = -1;
    int observer = -1;
    std::string path;
};

// Records the line events the listener reports.
class EventRecorder {
public:
    LineEventHandler Handler() {
        return [this](std::uint32_t bits) {
            {
                std::lock_guard lock(m_mutex);
                m_events.push_back(bits);
            }
            m_arrived.notify_all();
        };
    }
    // Waits (bounded) until `count` events carrying all of `bits` have come.
    bool WaitFor(std::uint32_t bits, int count = 1) {
        std::unique_lock lock(m_mutex);
        return m_arrived.wait_for(lock, 2s, [&] { return CountLocked(bits) >= count; });
    }
    int Count(std::uint32_t bits) {
        std::lock_guard lock(m_mutex);
        return CountLocked(bits);
    }
    std::vector<std::uint32_t> Events() {
        std::lock_guard lock(m_mutex);
        return m_events;
    }

private:
    int CountLocked(std::uint32_t bits) const {
        int count = 0;
        for (const std::uint32_t event : m_events) {
            count += (event & bits) == bits ? 1 : 0;
        }
        return count;
    }

    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<std::uint32_t> m_events;
};

// Reads until nothing is left, as the engine's receive steps do one Read at a time.
std::string ReadAll(SerialPort& port) {
    std::string got;
    std::uint8_t buffer[150];
    long count = 0;
    while ((count = port.Read(buffer, sizeof buffer, 80)) > 0) {
        got.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(count));
    }
    return got;
}

// A regular file of its own (tests may run in parallel), removed again at the end.
class TempFile {
public:
    TempFile() {
        std::string pattern = ::testing::TempDir() + "serial_port_test_XXXXXX";
        const int fd = ::mkstemp(pattern.data());
        if (fd >= 0) {
            ::close(fd);
            path = pattern;
        }
    }
    ~TempFile() {
        if (!path.empty()) {
            std::remove(path.c_str());
        }
    }
    std::string path;
};

bool Write(SerialPort& port, const std::string& bytes, int timeoutMs = 150) {
    return port.Write(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), timeoutMs);
}

class SerialPortTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(pty.path.empty()) << "openpty failed"; }
    Pty pty;
    TraceCapture trace;
    EventRecorder events;
};

TEST_F(SerialPortTest, RunsTheLineRawAt9600EightNoneOneWithoutFlowControl) {
    SerialPort port;
    ASSERT_TRUE(port.Open(pty.path, events.Handler())) << port.LastErrorText();
    ASSERT_TRUE(port.Setup(LineSettings{})) << port.LastErrorText();
    EXPECT_EQ(port.LastErrorText(), "");

    const termios t = pty.Settings();
    EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B9600));
    EXPECT_EQ(::cfgetispeed(&t), static_cast<speed_t>(B9600));
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | INPCK | ICRNL), 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u) << "raw mode: no line editing or echo";
    EXPECT_EQ(t.c_oflag & OPOST, 0u) << "bytes leave unchanged";
    EXPECT_NE(t.c_cflag & CLOCAL, 0u);

    // Bytes pass both ways unchanged: CR, LF, NUL and the XON/XOFF characters included.
    const std::string frame("\xFF\xFF\xFF\xB1\xA1\x01\r\n\x00\x11\x13\xAA", 12);
    ASSERT_TRUE(Write(port, frame));
    EXPECT_EQ(pty.Drain(), frame);
    pty.Send(frame);
    ASSERT_TRUE(events.WaitFor(LineEvent::kBytesReceived));
    EXPECT_EQ(ReadAll(port), frame);
    port.Close();
    EXPECT_FALSE(port.IsOpen());
}

// However the port ends (closed, destroyed, after a failed set-up, or only probed), the terminal
// keeps the settings and the exclusive flag it had: a console or the user's own terminal must
// not be left raw.
TEST_F(SerialPortTest, LeavesTheTerminalAsItFoundIt) {
    struct Case {
        const char* what;
        std::function<void(const std::string& path)> use;
    };
    const Case cases[] = {
        {"opened, set up, closed",
         [](const std::string& path) {
             SerialPort port;
             ASSERT_TRUE(port.Open(path, nullptr));
             ASSERT_TRUE(port.Setup(LineSettings{}));
             port.Close();
         }},
        {"destroyed while open",
         [](const std::string& path) {
             SerialPort port;
             ASSERT_TRUE(port.Open(path, nullptr));
             ASSERT_TRUE(port.Setup(LineSettings{}));
         }},
        {"closed after a failed set-up",
         [](const std::string& path) {
             SerialPort port;
             ASSERT_TRUE(port.Open(path, nullptr));
             LineSettings odd;
             odd.baudRate = 12345;
             ASSERT_FALSE(port.Setup(odd));
             port.Close();
         }},
        {"only probed", [](const std::string& path) { EXPECT_TRUE(SerialPort::CanOpen(path)); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const termios found = CookedTerminalSettings(pty.observer);
        c.use(pty.path);
        EXPECT_TRUE(SameTerminalSettings(pty.Settings(), found));
        int exclusive = 1;
        ASSERT_EQ(::ioctl(pty.observer, TIOCGEXCL, &exclusive), 0);
        EXPECT_EQ(exclusive, 0);
    }

    // A flag another holder set stays set (only root gets past it to find out).
    if (::geteuid() == 0) {
        ASSERT_EQ(::ioctl(pty.observer, TIOCEXCL), 0);
        EXPECT_FALSE(SerialPort::CanOpen(pty.path)) << "held exclusively by another";
        {
            SerialPort port;
            ASSERT_TRUE(port.Open(pty.path, nullptr));
        }
        int exclusive = 0;
        ASSERT_EQ(::ioctl(pty.observer, TIOCGEXCL, &exclusive), 0);
        EXPECT_EQ(exclusive, 1);
        ::ioctl(pty.observer, TIOCNXCL);
    }
}

TEST_F(SerialPortTest, ReadTakesWhatIsWaitingWithoutWaiting) {
    SerialPort port;
    ASSERT_TRUE(port.Open(pty.path, events.Handler()));
    std::uint8_t buffer[4];
    const auto start = Clock::now();
    EXPECT_EQ(port.Read(buffer, sizeof buffer, 1000), 0);
    EXPECT_LT(MillisecondsSince(start), 500) << "an empty line reads as 0 bytes at once";

    pty.Send("abcdef");
    ASSERT_TRUE(events.WaitFor(LineEvent::kBytesReceived));
    ASSERT_EQ(port.Read(buffer, sizeof buffer, 80), 4) << "no more than the capacity";
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer), 4), "abcd");
    EXPECT_EQ(ReadAll(port), "ef");
}

TEST_F(SerialPortTest, SetupAppliesTheSettingsAsked) {
    struct Row {
        const char* name;
        LineSettings settings;
        speed_t speed;
        tcflag_t flags; // of CSTOPB and CRTSCTS
    };
    const std::vector<Row> rows = {
        {"19200 baud", {.baudRate = 19200}, B19200, 0},
        {"two stop bits", {.stopBits = 2}, B9600, CSTOPB},
        {"hardware flow control", {.flowControl = true}, B9600, CRTSCTS},
        {"the unit's line again clears them", {}, B9600, 0},
    };
    SerialPort port;
    ASSERT_TRUE(port.Open(pty.path, nullptr));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(port.Setup(row.settings)) << port.LastErrorText();
        const termios t = pty.Settings();
        EXPECT_EQ(::cfgetospeed(&t), row.speed);
        EXPECT_EQ(t.c_cflag & (CSTOPB | CRTSCTS), row.flags);
        EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    }
}

TEST_F(SerialPortTest, SetupFailsAndKeepsTheLineWhenItCannotRunAsAsked) {
    // A pseudo-terminal always runs 8 data bits without parity: asking for more must fail
    // rather than report a line that does not run as asked.
    struct Row {
        const char* name;
        LineSettings settings;
        const char* reason;
    };
    const std::vector<Row> rows = {
        {"parity the driver drops",
         {.baudRate = 19200, .parity = true},
         "Unable to set the line to 19200 baud, 8 data bits, even parity, 1 stop bit, no flow "
         "control: the port does not support these settings"},
        {"data bits the driver changes",
         {.baudRate = 19200, .dataBits = 7},
         "Unable to set the line to 19200 baud, 7 data bits, no parity, 1 stop bit, no flow "
         "control: the port does not support these settings"},
        {"a baud rate a terminal lacks",
         {.baudRate = 1234},
         "Unable to set the line to 1234 baud, 8 data bits, no parity, 1 stop bit, no flow "
         "control: Invalid argument"},
        {"9 data bits",
         {.dataBits = 9},
         "Unable to set the line to 9600 baud, 9 data bits, no parity, 1 stop bit, no flow "
         "control: Invalid argument"},
        {"3 stop bits",
         {.stopBits = 3},
         "Unable to set the line to 9600 baud, 8 data bits, no parity, 3 stop bits, no flow "
         "control: Invalid argument"},
    };
    SerialPort port;
    ASSERT_TRUE(port.Open(pty.path, nullptr));
    ASSERT_TRUE(port.Setup(LineSettings{}));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        trace.Clear();
        EXPECT_FALSE(port.Setup(row.settings));
        EXPECT_EQ(port.LastErrorText(), row.reason);
        EXPECT_EQ(trace.Texts(),
                  std::vector<std::string>{"SerialPort::Setup - Unable to set DCB information\n"});
        const termios t = pty.Settings();
        EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B9600)) << "old speed restored";
        EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | CSTOPB), static_cast<tcflag_t>(CS8));
        EXPECT_EQ(t.c_iflag & INPCK, 0u);
    }
}

TEST_F(SerialPortTest, SecondOpenOfAHeldPortFailsUntilItIsClosed) {
    SerialPort first;
    ASSERT_TRUE(first.Open(pty.path, nullptr));
    SerialPort second;
    EXPECT_FALSE(second.Open(pty.path, nullptr));
    EXPECT_FALSE(second.IsOpen());
    EXPECT_EQ(second.LastErrorText(), pty.path + " is in use by another program");
    EXPECT_TRUE(trace.Contains("SerialPort::Open - Unable to open port\n"));

    // The failed attempt must not have released the holder's exclusivity.
    SerialPort third;
    EXPECT_FALSE(third.Open(pty.path, nullptr));
    ASSERT_TRUE(Write(first, "ok"));
    EXPECT_EQ(pty.Drain(), "ok");

    first.Close();
    EXPECT_TRUE(second.Open(pty.path, nullptr)) << "closing releases the port";
    EXPECT_EQ(second.LastErrorText(), "");
}

TEST_F(SerialPortTest, OpenFailuresLeaveThePortClosedWithAReason) {
    TempFile regular;
    ASSERT_FALSE(regular.path.empty());
    struct Row {
        const char* name;
        std::string device;
        std::string reason;
    };
    const std::vector<Row> rows = {
        {"missing device", "/dev/tavrel-no-such-port",
         "/dev/tavrel-no-such-port does not exist (is the adapter plugged in?)"},
        {"no name", "", "The port does not exist (is the adapter plugged in?)"},
        {"not a terminal", regular.path, regular.path + " is not a serial port"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        trace.Clear();
        SerialPort port;
        EXPECT_FALSE(port.Open(row.device, events.Handler()));
        EXPECT_FALSE(port.IsOpen());
        EXPECT_EQ(port.LastErrorText(), row.reason);
        EXPECT_EQ(trace.Texts(),
                  std::vector<std::string>{"SerialPort::Open - Unable to open port\n"});
    }
}

TEST_F(SerialPortTest, OpenOnAnOpenPortFailsAndKeepsItListening) {
    SerialPort port;
    ASSERT_TRUE(port.Open(pty.path, events.Handler()));
    EventRecorder other;
    EXPECT_FALSE(port.Open("/dev/tavrel-no-such-port", other.Handler()));
    EXPECT_EQ(port.LastErrorText(), "The port is already open");
    EXPECT_TRUE(trace.Contains("SerialPort::Open - Port already opened\n"));

    ASSERT_TRUE(Write(port, "still"));
    EXPECT_EQ(pty.Drain(), "still");
    pty.Send("x");
    EXPECT_TRUE(events.WaitFor(LineEvent::kBytesReceived)) << "the first handler still hears";
    EXPECT_TRUE(other.Events().empty());
}

TEST(SerialPortOpenReason, PermissionProblemNamesTheOwningGroup) {
    const std::string text = SerialPort::OpenErrorText(EACCES, "/dev/tavrel-no-such-port");
    EXPECT_EQ(text, "No permission to open /dev/tavrel-no-such-port: the user must be a member of "
                    "the group 'dialout' that owns the device (sudo usermod -aG dialout $USER, "
                    "then log in again). Adapters with FTDI, CP210x, CH340/CH341 or PL2303 chips "
                    "need no group: the udev rule 70-tavrel-serial-adapters.rules of the tavrel "
                    "package gives them to the logged-in user (install it, then plug the adapter "
                    "in again)");

    // A device owned by another group names that group.
    const struct group* tty = ::getgrnam("tty");
    if (tty == nullptr) {
        GTEST_SKIP() << "no tty group";
    }
    TempFile file;
    ASSERT_FALSE(file.path.empty());
    if (::chown(file.path.c_str(), static_cast<uid_t>(-1), tty->gr_gid) != 0) {
        GTEST_SKIP() << "cannot hand the file to group tty";
    }
    EXPECT_NE(SerialPort::OpenErrorText(EPERM, file.path).find("group 'tty'"), std::string::npos);
}

TEST_F(SerialPortTest, ClosedPortRefusesEveryOperationAndTraces) {
    SerialPort port;
    std::uint8_t byte = 0;
    struct Row {
        const char* trace;
        std::function<bool()> refused;
    };
    const std::vector<Row> rows = {
        {"SerialPort::Setup - Device is not opened\n",
         [&] {
             return !port.Setup(LineSettings{}) && port.LastErrorText() == "The port is not open";
         }},
        {"SerialPort::Write - Device is not opened\n", [&] { return !port.Write(&byte, 1, 10); }},
        {"SerialPort::Read - Device is not opened\n",
         [&] { return port.Read(&byte, 1, 10) == -1; }},
        {"SerialPort::Close - Method called when device is not open\n",
         [&] {
             port.Close();
             return !port.IsOpen();
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.trace);
        trace.Clear();
        EXPECT_TRUE(row.refused());
        EXPECT_EQ(trace.Texts(), std::vector<std::string>{row.trace});
    }
}

TEST_F(SerialPortTest, WriteToAPeerThatDoesNotReadEndsAtItsTimeOut) {
    SerialPort port;
    ASSERT_TRUE(port.Open(pty.path, nullptr));
    const std::string big(1 << 20, '\x55'); // far more than a pseudo-terminal buffers
    const auto start = Clock::now();
    EXPECT_FALSE(Write(port, big, 50));
    const auto elapsed = MillisecondsSince(start);
    EXPECT_GE(elapsed, 45) << "the write waited for room as long as it was allowed";
    EXPECT_LT(elapsed, 1000);
    const std::string sent = pty.Drain();
    EXPECT_GT(sent.size(), 0u);
    EXPECT_LT(sent.size(), big.size()) << "the rest was not sent";
}

TEST_F(SerialPortTest, ReportsReceivedBytesOncePerUnreadBatch) {
    SerialPort port;
    ASSERT_TRUE(port.Open(pty.path, events.Handler()));
    std::string reply;
    for (int i = 0; i < 64; ++i) {
        reply += static_cast<char>(i);
    }
    pty.Send(reply);
    ASSERT_TRUE(events.WaitFor(LineEvent::kBytesReceived));
    std::this_thread::sleep_for(30ms); // unread bytes are announced once, not once per byte
    EXPECT_EQ(events.Events(), std::vector<std::uint32_t>{LineEvent::kBytesReceived})
        << "no error bits";

    // A read that leaves bytes behind gets them announced again: the engine reads once per
    // event.
    std::uint8_t part[16];
    ASSERT_EQ(port.Read(part, sizeof part, 80), 16);
    ASSERT_TRUE(events.WaitFor(LineEvent::kBytesReceived, 2));
    EXPECT_EQ(ReadAll(port), reply.substr(16));

    // Once everything was read, the next bytes are announced again.
    pty.Send("\xAA");
    ASSERT_TRUE(events.WaitFor(LineEvent::kBytesReceived, 3));
    EXPECT_EQ(ReadAll(port), "\xAA");
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(events.Count(LineEvent::kBytesReceived), 3);
}

TEST_F(SerialPortTest, ReportsATricklingReplyOnceForItsBurstNotOncePerByte) {
    // On a 9600-baud line a reply arrives about one byte per millisecond; the reader takes what
    // is waiting at every report, as the engine does.
    SerialPort port;
    ASSERT_TRUE(port.Open(pty.path, events.Handler()));
    ASSERT_TRUE(port.Setup(LineSettings{}));
    std::string reply;
    for (int i = 0; i < 100; ++i) {
        reply += static_cast<char>(0x20 + i);
    }
    std::thread line([&] {
        for (const char byte : reply) {
            pty.Send(std::string(1, byte));
            std::this_thread::sleep_for(1ms);
        }
    });
    std::string got;
    int reports = 0;
    while (got.size() < reply.size() && events.WaitFor(LineEvent::kBytesReceived, reports + 1)) {
        ++reports;
        std::uint8_t buffer[150];
        const long count = port.Read(buffer, sizeof buffer, 80);
        ASSERT_GE(count, 0);
        got.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(count));
    }
    line.join();
    EXPECT_EQ(got, reply);
    // One report per byte would be 100; a stalled writer may split the burst a few times.
    EXPECT_LT(reports, 25);
    EXPECT_LT(port.ListenerWakeups(), 100u);
}

TEST_F(SerialPortTest, CloseEndsTheListenerAtOnceAndThePortOpensAgain) {
    SerialPort port;
    ASSERT_TRUE(port.Open(pty.path, events.Handler()));
    const auto start = Clock::now();
    port.Close();
    EXPECT_LT(MillisecondsSince(start), 500) << "the listener's endless wait was woken";
    EXPECT_FALSE(port.IsOpen());

    ASSERT_TRUE(port.Open(pty.path, events.Handler()));
    pty.Send("q");
    EXPECT_TRUE(events.WaitFor(LineEvent::kBytesReceived)) << "it listens again";
}

TEST_F(SerialPortTest, CloseWaitsForARunningHandlerAndNoCallFollows) {
    std::atomic<bool> inside{false};
    std::atomic<bool> entered{false};
    std::atomic<int> calls{0};
    SerialPort port;
    ASSERT_TRUE(port.Open(pty.path, [&](std::uint32_t) {
        inside = true;
        entered = true;
        std::this_thread::sleep_for(50ms);
        inside = false;
        ++calls;
    }));
    pty.Send("x");
    const auto start = Clock::now();
    while (!entered && MillisecondsSince(start) < 2000) {
        std::this_thread::yield();
    }
    ASSERT_TRUE(entered);
    port.Close();
    EXPECT_FALSE(inside) << "the listener was joined";
    const int before = calls;
    pty.Send("y");
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(calls, before);
}

TEST_F(SerialPortTest, DestroyingAnOpenPortTracesAndReleasesIt) {
    {
        SerialPort port;
        ASSERT_TRUE(port.Open(pty.path, events.Handler()));
    }
    EXPECT_EQ(trace.Texts(),
              std::vector<std::string>{"SerialPort::~SerialPort - Serial port not closed\n"});
    SerialPort again;
    EXPECT_TRUE(again.Open(pty.path, nullptr)) << "the destructor released the port";
}

TEST(SerialPortHangUp, IsReportedOnceWithoutSpinning) {
    // The listener watches the port for bytes only until it has reported them; a hang-up must
    // end it either way.
    for (const bool readFirst : {true, false}) {
        SCOPED_TRACE(readFirst ? "after the bytes were read" : "while bytes wait unread");
        Pty pty;
        TraceCapture trace;
        EventRecorder events;
        SerialPort port;
        ASSERT_TRUE(port.Open(pty.path, events.Handler()));
        pty.Send("tail");
        ASSERT_TRUE(events.WaitFor(LineEvent::kBytesReceived));
        if (readFirst) {
            EXPECT_EQ(ReadAll(port), "tail");
        }
        pty.CloseUnitSide();

        ASSERT_TRUE(events.WaitFor(kHangUp));
        const auto wakeups = port.ListenerWakeups();
        std::this_thread::sleep_for(100ms); // a spinning listener would wake thousands of times
        EXPECT_LE(port.ListenerWakeups() - wakeups, 1u);
        EXPECT_EQ(events.Events(),
                  (std::vector<std::uint32_t>{LineEvent::kBytesReceived, kHangUp}));

        // Reads and writes fail cleanly from now on (the line dropped what it held).
        std::uint8_t byte = 0;
        EXPECT_EQ(port.Read(&byte, 1, 80), -1);
        EXPECT_FALSE(Write(port, "x"));
        EXPECT_TRUE(trace.Contains("SerialPort::Read - Unable to read the data\n"));
        EXPECT_TRUE(trace.Contains("SerialPort::Write - Unable to write the data\n"));

        const auto start = Clock::now();
        port.Close();
        EXPECT_LT(MillisecondsSince(start), 500);
    }
}

} // namespace
