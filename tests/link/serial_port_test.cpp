// The port layer over real pseudo-terminals: the test holds the master side (the "unit") and
// an observer descriptor on the slave to read back the line settings independently.
#include "link/Trace.h"
#include "link/serial/NotifyingSerialDevice.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <mutex>
#include <poll.h>
#include <pty.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

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
    ~Pty() {
        CloseMaster();
        if (observer >= 0) {
            ::close(observer);
        }
    }
    void CloseMaster() {
        if (master >= 0) {
            ::close(master);
            master = -1;
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

// Records the notifications the listener posts.
class RecordingTarget : public ISerialTarget {
public:
    struct Note {
        std::uint32_t message;
        std::uint32_t bits;
        std::intptr_t caller;
    };

    void OnSerialEvent(std::uint32_t message, std::uint32_t bits, std::intptr_t caller) override {
        {
            std::lock_guard lock(mutex);
            notes.push_back({message, bits, caller});
        }
        arrived.notify_all();
    }
    // Waits for a notification whose bits contain all of `bits` (listener thread, not a timer).
    bool WaitFor(std::uint32_t bits, std::chrono::milliseconds limit = 2000ms) {
        std::unique_lock lock(mutex);
        return arrived.wait_for(lock, limit, [&] {
            for (const Note& note : notes) {
                if ((note.bits & bits) == bits) {
                    return true;
                }
            }
            return false;
        });
    }
    int Count(std::uint32_t bits) {
        std::lock_guard lock(mutex);
        int count = 0;
        for (const Note& note : notes) {
            count += (note.bits & bits) == bits ? 1 : 0;
        }
        return count;
    }
    std::vector<Note> Notes() {
        std::lock_guard lock(mutex);
        return notes;
    }

    std::mutex mutex;
    std::condition_variable arrived;
    std::vector<Note> notes;
};

std::string ReadAll(SerialDevice& port) {
    std::string got;
    char buffer[150];
    std::size_t count = 0;
    while (port.Read(buffer, sizeof buffer, &count, 80) == 0 && count > 0) {
        got.append(buffer, count);
    }
    return got;
}

class SerialTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(pty.path.empty()) << "openpty failed"; }
    Pty pty;
    TraceCapture trace;
};

TEST_F(SerialTest, OpensRaw9600EightNoneOneWithoutFlowControl) {
    SerialDevice port;
    ASSERT_EQ(port.Open(pty.path.c_str(), 0, 0, true), 0);
    ASSERT_EQ(port.Setup(SerialDevice::EBaud9600, SerialDevice::EData8, SerialDevice::EParNone,
                         SerialDevice::EStop1),
              0);
    ASSERT_EQ(port.SetupHandshaking(SerialDevice::EHandshakeOff), 0);
    ASSERT_EQ(port.SetMask(SerialDevice::EEventAll), 0);

    const termios t = pty.Settings();
    EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B9600));
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | INPCK | ICRNL), 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u) << "raw mode: no line editing or echo";
    EXPECT_EQ(t.c_oflag & OPOST, 0u) << "bytes leave unchanged";
    EXPECT_NE(t.c_cflag & CLOCAL, 0u);

    EXPECT_EQ(port.GetBaudrate(), SerialDevice::EBaud9600);
    EXPECT_EQ(port.GetDataBits(), SerialDevice::EData8);
    EXPECT_EQ(port.GetParity(), SerialDevice::EParNone);
    EXPECT_EQ(port.GetStopBits(), SerialDevice::EStop1);
    EXPECT_EQ(port.GetHandshaking(), SerialDevice::EHandshakeOff);
    EXPECT_EQ(port.GetEventMask(), 0x01FFu);

    // Bytes pass both ways unchanged, CR and LF included.
    const std::string frame("\xFF\xFF\xFF\xB1\xA1\x01\r\n\x00\xAA", 10);
    ASSERT_EQ(port.Write(frame.data(), frame.size(), nullptr, 150), 0);
    EXPECT_EQ(pty.Drain(), frame);
    pty.Send(frame);
    EXPECT_EQ(ReadAll(port), frame);
    EXPECT_EQ(port.Close(), 0);
}

TEST_F(SerialTest, OpenInstallsTheDefaultMaskAndNonBlockingReads) {
    SerialDevice port;
    ASSERT_EQ(port.Open(pty.path.c_str()), 0);
    EXPECT_EQ(port.GetEventMask(), 0x00C1u);
    char byte = 0;
    std::size_t count = 1;
    const auto start = Clock::now();
    EXPECT_EQ(port.Read(&byte, 1, &count), 0) << "non-blocking even without a time-out";
    EXPECT_EQ(count, 0u);
    EXPECT_LT(MillisecondsSince(start), 50);
}

TEST_F(SerialTest, ParityTheDriverIgnoresIsRefusedAndTheOldSettingsStay) {
    // A pseudo-terminal always runs 8 data bits without parity: asking for more must fail
    // rather than report a line that does not run as asked.
    SerialDevice port;
    ASSERT_EQ(port.Open(pty.path.c_str()), 0);
    ASSERT_EQ(port.Setup(SerialDevice::EBaud9600, SerialDevice::EData8, SerialDevice::EParNone,
                         SerialDevice::EStop1),
              0);
    for (const auto parity : {SerialDevice::EParOdd, SerialDevice::EParEven, SerialDevice::EParMark,
                              SerialDevice::EParSpace}) {
        SCOPED_TRACE(parity);
        EXPECT_EQ(port.Setup(SerialDevice::EBaud19200, SerialDevice::EData8, parity,
                             SerialDevice::EStop1),
                  EINVAL);
        const termios t = pty.Settings();
        EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), 0u);
        EXPECT_EQ(t.c_iflag & INPCK, 0u);
        EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B9600)) << "old speed restored";
    }
    EXPECT_EQ(port.Setup(SerialDevice::EBaud9600, SerialDevice::EData7), EINVAL);
    EXPECT_EQ(port.GetDataBits(), SerialDevice::EData8);
}

TEST_F(SerialTest, RejectsUnknownSettingsAndKeepsTheOldOnes) {
    SerialDevice port;
    ASSERT_EQ(port.Open(pty.path.c_str()), 0);
    ASSERT_EQ(port.Setup(SerialDevice::EBaud9600, SerialDevice::EData8, SerialDevice::EParNone,
                         SerialDevice::EStop1),
              0);
    EXPECT_EQ(port.Setup(static_cast<SerialDevice::EBaudrate>(1234)), EINVAL);
    EXPECT_EQ(port.Setup(SerialDevice::EBaud9600, SerialDevice::EData8, SerialDevice::EParNone,
                         SerialDevice::EStop1_5),
              EINVAL)
        << "1.5 stop bits only exist with 5 data bits";
    EXPECT_EQ(port.SetupHandshaking(static_cast<SerialDevice::EHandshake>(7)), EINVAL);
    EXPECT_EQ(port.SetupReadTimeouts(static_cast<SerialDevice::EReadTimeout>(5)), EINVAL);
    const termios kept = pty.Settings();
    EXPECT_EQ(::cfgetospeed(&kept), static_cast<speed_t>(B9600));
    EXPECT_EQ(port.GetStopBits(), SerialDevice::EStop1);
    EXPECT_EQ(port.GetHandshaking(), SerialDevice::EHandshakeOff);

    ASSERT_EQ(port.SetupHandshaking(SerialDevice::EHandshakeHardware), 0);
    EXPECT_NE(pty.Settings().c_cflag & CRTSCTS, 0u);
    ASSERT_EQ(port.SetupHandshaking(SerialDevice::EHandshakeSoftware), 0);
    EXPECT_EQ(pty.Settings().c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(pty.Settings().c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
}

TEST_F(SerialTest, SecondOpenOfAHeldPortFailsUntilItIsClosed) {
    SerialDevice first;
    ASSERT_EQ(first.Open(pty.path.c_str(), 0, 0, true), 0);
    SerialDevice second;
    EXPECT_EQ(second.Open(pty.path.c_str()), EBUSY);
    EXPECT_FALSE(second.IsPortOpen());
    EXPECT_NE(second.OpenFailureReason().find("in use by another program"), std::string::npos);
    EXPECT_TRUE(trace.Contains("SerialDevice::Open - Unable to open port\n"));

    // The failed attempt must not have released the holder's exclusivity.
    SerialDevice third;
    EXPECT_EQ(third.Open(pty.path.c_str()), EBUSY);
    ASSERT_EQ(first.Write("ok", nullptr, 150), 0);
    EXPECT_EQ(pty.Drain(), "ok");

    ASSERT_EQ(first.Close(), 0);
    EXPECT_EQ(second.Open(pty.path.c_str()), 0) << "closing releases the port";
    EXPECT_TRUE(second.OpenFailureReason().empty());
}

TEST_F(SerialTest, OpenFailuresLeaveThePortClosedWithAReason) {
    const std::filesystem::path dir = ::testing::TempDir();
    const std::string regular = (dir / "serial_test_regular_file").string();
    {
        FILE* f = std::fopen(regular.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fclose(f);
    }

    struct Row {
        const char* name;
        std::string device;
        std::size_t inQueue, outQueue;
        long error;
        const char* reason;
    };
    const std::vector<Row> rows = {
        {"missing device", "/dev/tavrel-no-such-port", 0, 0, ENOENT, "does not exist"},
        {"not a terminal", regular, 0, 0, ENOTTY, "is not a serial port"},
        {"queues below 16", pty.path, 8, 8, EINVAL, "cannot be set up"},
        {"one queue given", pty.path, 0, 1024, EINVAL, "cannot be set up"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SerialDevice port;
        EXPECT_EQ(port.Open(row.device.c_str(), row.inQueue, row.outQueue), row.error);
        EXPECT_EQ(port.GetLastError(), row.error);
        EXPECT_FALSE(port.IsPortOpen());
        EXPECT_NE(port.OpenFailureReason().find(row.reason), std::string::npos)
            << port.OpenFailureReason();
    }
    // A rejected open must not leave the terminal locked.
    SerialDevice port;
    EXPECT_EQ(port.Open(pty.path.c_str(), 16, 16), 0);
    std::remove(regular.c_str());
}

TEST_F(SerialTest, OpenOnAnOpenPortFailsAndKeepsIt) {
    SerialDevice port;
    ASSERT_EQ(port.Open(pty.path.c_str()), 0);
    EXPECT_EQ(port.Open("/dev/tavrel-no-such-port"), SerialDevice::kErrorAlreadyOpen);
    EXPECT_TRUE(trace.Contains("SerialDevice::Open - Port already opened\n"));
    EXPECT_EQ(port.DevicePath(), pty.path);
    ASSERT_EQ(port.Write("still", nullptr), 0);
    EXPECT_EQ(pty.Drain(), "still");
}

TEST(SerialOpenReason, PermissionProblemNamesTheOwningGroup) {
    const std::string text = SerialDevice::DescribeOpenError(EACCES, "/dev/tavrel-no-such-port");
    EXPECT_NE(text.find("/dev/tavrel-no-such-port"), std::string::npos);
    EXPECT_NE(text.find("group 'dialout'"), std::string::npos) << text;

    // A device owned by another group names that group.
    const struct group* tty = ::getgrnam("tty");
    if (tty == nullptr) {
        GTEST_SKIP() << "no tty group";
    }
    const std::string file = ::testing::TempDir() + "serial_test_group_file";
    FILE* f = std::fopen(file.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    if (::chown(file.c_str(), static_cast<uid_t>(-1), tty->gr_gid) != 0) {
        std::remove(file.c_str());
        GTEST_SKIP() << "cannot hand the file to group tty";
    }
    EXPECT_NE(SerialDevice::DescribeOpenError(EPERM, file).find("group 'tty'"), std::string::npos);
    std::remove(file.c_str());
}

TEST_F(SerialTest, OperationsOnAClosedPortFailWithInvalidHandle) {
    SerialDevice port;
    char byte = 0;
    struct Row {
        const char* trace;
        std::function<long()> call;
    };
    const std::vector<Row> rows = {
        {"SerialDevice::Setup - Device is not opened\n", [&] { return port.Setup(); }},
        {"SerialDevice::SetupHandshaking - Device is not opened\n",
         [&] { return port.SetupHandshaking(SerialDevice::EHandshakeOff); }},
        {"SerialDevice::SetupReadTimeouts - Device is not opened\n",
         [&] { return port.SetupReadTimeouts(SerialDevice::EReadTimeoutNonblocking); }},
        {"SerialDevice::SetMask - Device is not opened\n", [&] { return port.SetMask(0x1FF); }},
        {"SerialDevice::SetEventChar - Device is not opened\n",
         [&] { return port.SetEventChar('x'); }},
        {"SerialDevice::WaitEvent - Device is not opened\n", [&] { return port.WaitEvent(10); }},
        {"SerialDevice::Write - Device is not opened\n",
         [&] { return port.Write(&byte, 1, nullptr, 10); }},
        {"SerialDevice::Read - Device is not opened\n",
         [&] { return port.Read(&byte, 1, nullptr, 10); }},
        {"SerialDevice::Purge - Device is not opened\n", [&] { return port.Purge(); }},
        {"SerialDevice::Break - Device is not opened\n", [&] { return port.Break(); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.trace);
        trace.Clear();
        EXPECT_EQ(row.call(), SerialDevice::kErrorInvalidHandle);
        EXPECT_EQ(trace.Texts(), std::vector<std::string>{row.trace});
    }
    trace.Clear();
    EXPECT_EQ(port.GetBaudrate(), SerialDevice::EBaudUnknown);
    EXPECT_EQ(port.GetError(), 0u);
    EXPECT_EQ(port.GetLastError(), SerialDevice::kErrorInvalidHandle);
    EXPECT_EQ(port.Close(), 0) << "closing a closed port only traces";
    EXPECT_EQ(trace.Texts(), (std::vector<std::string>{
                                 "SerialDevice::GetBaudrate - Device is not opened\n",
                                 "SerialDevice::GetError - Device is not opened\n",
                                 "SerialDevice::Close - Method called when device is not open\n"}));
}

TEST_F(SerialTest, PseudoTerminalHasNoModemLines) {
    SerialDevice port;
    ASSERT_EQ(port.Open(pty.path.c_str()), 0);
    EXPECT_FALSE(port.GetCTS());
    EXPECT_NE(port.GetLastError(), 0);
    EXPECT_FALSE(port.GetRing());
    EXPECT_TRUE(trace.Contains("SerialDevice::GetCTS - Unable to obtain the modem status\n"));
    EXPECT_TRUE(trace.Contains("SerialDevice::GetRing - Unable to obtain the modem status"));
    // The port keeps working.
    ASSERT_EQ(port.Write("x", nullptr), 0);
    EXPECT_EQ(pty.Drain(), "x");
}

TEST_F(SerialTest, WriteToAPeerThatDoesNotReadEndsAtItsTimeOut) {
    SerialDevice port;
    ASSERT_EQ(port.Open(pty.path.c_str(), 0, 0, true), 0);
    const std::string big(1 << 20, '\x55'); // far more than a pseudo-terminal buffers
    std::size_t written = 0;
    const auto start = Clock::now();
    EXPECT_EQ(port.Write(big.data(), big.size(), &written, 50), SerialDevice::kErrorTimeout);
    const auto elapsed = MillisecondsSince(start);
    EXPECT_GE(elapsed, 45);
    EXPECT_LT(elapsed, 1000);
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, big.size());
    // The count is honest: exactly that many bytes reach the peer.
    EXPECT_EQ(pty.Drain().size(), written);
}

TEST_F(SerialTest, BlockingReadWaitsForTheCountUpToItsTimeOut) {
    SerialDevice port;
    ASSERT_EQ(port.Open(pty.path.c_str(), 0, 0, true), 0);
    ASSERT_EQ(port.SetupReadTimeouts(SerialDevice::EReadTimeoutBlocking), 0);
    pty.Send("abc");
    char buffer[10] = {};
    std::size_t count = 0;
    const auto start = Clock::now();
    EXPECT_EQ(port.Read(buffer, sizeof buffer, &count, 40), SerialDevice::kErrorTimeout);
    EXPECT_GE(MillisecondsSince(start), 35);
    EXPECT_EQ(std::string(buffer, count), "abc");
}

TEST_F(SerialTest, WaitEventReportsReceivedBytesAndTimesOut) {
    SerialDevice port;
    ASSERT_EQ(port.Open(pty.path.c_str(), 0, 0, true), 0);
    EXPECT_EQ(port.WaitEvent(20), SerialDevice::kErrorTimeout);
    pty.Send("z");
    ASSERT_EQ(port.WaitEvent(2000), 0);
    EXPECT_EQ(port.GetEventType(), SerialDevice::EEventRecv);
    EXPECT_EQ(port.GetEventType(), 0u) << "fetched once";

    SerialDevice plain;
    Pty other;
    ASSERT_EQ(plain.Open(other.path.c_str()), 0);
    EXPECT_EQ(plain.WaitEvent(20), SerialDevice::kErrorInvalidFunction);
    EXPECT_TRUE(trace.Contains("SerialDevice::WaitEvent - Overlapped I/O is disabled, specified "
                               "parameters are illegal.\n"));
}

TEST_F(SerialTest, WaitEventReportsTheTransmitQueueEmptied) {
    SerialDevice port;
    ASSERT_EQ(port.Open(pty.path.c_str(), 0, 0, true), 0);
    ASSERT_EQ(port.SetMask(SerialDevice::EEventSend), 0);
    ASSERT_EQ(port.WaitEvent(20), 0) << "SetMask ends a pending (or the next) wait";
    EXPECT_EQ(port.GetEventType(), 0u);
    ASSERT_EQ(port.Write("frame", nullptr, 150), 0);
    EXPECT_EQ(pty.Drain(), "frame");
    ASSERT_EQ(port.WaitEvent(2000), 0);
    EXPECT_EQ(port.GetEventType(), SerialDevice::EEventSend);
}

class SerialWndTest : public SerialTest {
protected:
    RecordingTarget target;
};

TEST_F(SerialWndTest, PostsOneNotificationPerBatchUntilTheBytesAreRead) {
    NotifyingSerialDevice port;
    ASSERT_EQ(port.Open(pty.path.c_str(), &target, 0, 42), 0);
    ASSERT_EQ(port.SetMask(SerialDevice::EEventAll), 0);
    EXPECT_TRUE(port.IsListening());
    EXPECT_EQ(port.Message(), NotifyingSerialDevice::DefaultComMsg());
    EXPECT_EQ(NotifyingSerialDevice::RegisterMessage("CSerialWnd_DefaultComMsg"),
              NotifyingSerialDevice::DefaultComMsg());
    EXPECT_GE(NotifyingSerialDevice::DefaultComMsg(), 0xC000u);

    std::string reply;
    for (int i = 0; i < 64; ++i) {
        reply += static_cast<char>(i);
    }
    pty.Send(reply);
    ASSERT_TRUE(target.WaitFor(SerialDevice::EEventRecv));
    // Unread bytes are announced once, not once per byte.
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(target.Count(SerialDevice::EEventRecv), 1);
    const auto note = target.Notes().front();
    EXPECT_EQ(note.message, NotifyingSerialDevice::DefaultComMsg());
    EXPECT_EQ(note.caller, 42);
    EXPECT_EQ(NotifyingSerialDevice::Errors(note.bits), 0u);
    EXPECT_EQ(ReadAll(port), reply);

    // After a read the next bytes are announced again.
    pty.Send("\xAA");
    ASSERT_TRUE(target.WaitFor(SerialDevice::EEventRecv) && [&] {
        std::unique_lock lock(target.mutex);
        return target.arrived.wait_for(lock, 2000ms, [&] {
            int count = 0;
            for (const auto& n : target.notes) {
                count += (n.bits & SerialDevice::EEventRecv) ? 1 : 0;
            }
            return count == 2;
        });
    }());
    EXPECT_EQ(ReadAll(port), "\xAA");
    EXPECT_EQ(port.Close(), 0);
}

TEST_F(SerialWndTest, CloseEndsTheListenerAtOnce) {
    NotifyingSerialDevice port;
    ASSERT_EQ(port.Open(pty.path.c_str(), &target, 0x400, 0), 0);
    EXPECT_EQ(port.Message(), 0x400u);
    ASSERT_TRUE(port.IsListening());
    const auto start = Clock::now();
    EXPECT_EQ(port.Close(), 0);
    EXPECT_LT(MillisecondsSince(start), 500) << "the listener's endless wait was woken";
    EXPECT_FALSE(port.IsListening());
    EXPECT_FALSE(port.IsPortOpen());

    // Reopening after a close works and listens again.
    ASSERT_EQ(port.Open(pty.path.c_str(), &target), 0);
    EXPECT_TRUE(port.IsListening());
    EXPECT_EQ(port.Open(pty.path.c_str(), &target), SerialDevice::kErrorAlreadyOpen);
    EXPECT_TRUE(port.IsListening()) << "a refused open leaves the port listening";
    pty.Send("q");
    EXPECT_TRUE(target.WaitFor(SerialDevice::EEventRecv));
}

// A target whose hook takes its time: Close must not return while the hook still runs.
class SlowTarget : public ISerialTarget {
public:
    void OnSerialEvent(std::uint32_t, std::uint32_t, std::intptr_t) override {
        inside = true;
        entered = true;
        std::this_thread::sleep_for(50ms);
        inside = false;
        ++calls;
    }
    std::atomic<bool> inside{false};
    std::atomic<bool> entered{false};
    std::atomic<int> calls{0};
};

TEST_F(SerialTest, CloseWaitsForARunningHookAndNoCallFollows) {
    SlowTarget slow;
    NotifyingSerialDevice port;
    ASSERT_EQ(port.Open(pty.path.c_str(), &slow), 0);
    pty.Send("x");
    const auto start = Clock::now();
    while (!slow.entered && MillisecondsSince(start) < 2000) {
        std::this_thread::yield();
    }
    ASSERT_TRUE(slow.entered);
    ASSERT_EQ(port.Close(), 0);
    EXPECT_FALSE(slow.inside) << "the listener was joined";
    const int calls = slow.calls;
    pty.Send("y");
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(slow.calls, calls);
}

TEST_F(SerialWndTest, DestroyingAnOpenPortTracesAndCloses) {
    {
        NotifyingSerialDevice port;
        ASSERT_EQ(port.Open(pty.path.c_str(), &target), 0);
    }
    EXPECT_EQ(trace.Texts(),
              std::vector<std::string>{
                  "NotifyingSerialDevice::~NotifyingSerialDevice - Serial port not closed\n"});
    SerialDevice again;
    EXPECT_EQ(again.Open(pty.path.c_str()), 0) << "the destructor released the port";
}

TEST_F(SerialWndTest, OpenWithoutTargetFails) {
    NotifyingSerialDevice port;
    EXPECT_EQ(port.Open(pty.path.c_str(), nullptr), SerialDevice::kErrorInvalidArgument);
    EXPECT_FALSE(port.IsPortOpen());
}

TEST_F(SerialWndTest, HangUpIsReportedOnceWithoutSpinning) {
    NotifyingSerialDevice port;
    ASSERT_EQ(port.Open(pty.path.c_str(), &target), 0);
    ASSERT_EQ(port.SetMask(SerialDevice::EEventAll), 0);
    pty.Send("tail");
    ASSERT_TRUE(target.WaitFor(SerialDevice::EEventRecv));
    EXPECT_EQ(ReadAll(port), "tail");
    ::close(pty.observer); // the unit's side goes away completely
    pty.observer = -1;
    pty.CloseMaster();

    const std::uint32_t hangUp = SerialDevice::EEventError | (SerialDevice::EErrorIOE << 16);
    ASSERT_TRUE(target.WaitFor(hangUp));
    const auto wakeups = port.PollWakeups();
    std::this_thread::sleep_for(100ms); // a spinning listener would wake thousands of times here
    EXPECT_LE(port.PollWakeups() - wakeups, 2u);
    EXPECT_EQ(target.Count(hangUp), 1);
    EXPECT_TRUE(port.IsHungUp());

    // Reads and writes fail cleanly from now on.
    char byte = 0;
    std::size_t count = 1;
    EXPECT_EQ(port.Read(&byte, 1, &count, 80), SerialDevice::kErrorHangUp);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(port.Write("x", nullptr, 150), SerialDevice::kErrorHangUp);

    const auto start = Clock::now();
    EXPECT_EQ(port.Close(), 0);
    EXPECT_LT(MillisecondsSince(start), 500);
}

TEST_F(SerialTest, HangUpOutsideTheMaskIsTracedNotReported) {
    SerialDevice port;
    ASSERT_EQ(port.Open(pty.path.c_str(), 0, 0, true), 0);
    ASSERT_EQ(port.SetMask(SerialDevice::EEventRecv), 0);
    ASSERT_EQ(port.WaitEvent(20), 0); // consumes the SetMask wake
    ::close(pty.observer);
    pty.observer = -1;
    pty.CloseMaster();
    ASSERT_EQ(port.WaitEvent(2000), 0);
    EXPECT_EQ(port.GetEventType(), 0u);
    EXPECT_TRUE(trace.Contains(
        "SerialDevice::GetEventType - Event 00000080h not within mask 00000001h.\n"));
    EXPECT_EQ(port.GetError(), SerialDevice::EErrorIOE);
    EXPECT_EQ(port.GetError(), 0u) << "read and cleared";
    EXPECT_EQ(port.WaitEvent(30), SerialDevice::kErrorTimeout)
        << "the dead line no longer wakes a wait";
}

} // namespace
