// The port layer over real pseudo-terminals: the test holds the master side (the "unit") and
// an observer descriptor on the slave to read back the line settings independently.
#include "comm/Serial/SerialWnd.h"
#include "comm/Trace.h"

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

std::string ReadAll(CSerial& port) {
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
    CTraceCapture trace;
};

TEST_F(SerialTest, OpensRaw9600EightNoneOneWithoutFlowControl) {
    CSerial port;
    ASSERT_EQ(port.Open(pty.path.c_str(), 0, 0, true), 0);
    ASSERT_EQ(port.Setup(CSerial::EBaud9600, CSerial::EData8, CSerial::EParNone, CSerial::EStop1),
              0);
    ASSERT_EQ(port.SetupHandshaking(CSerial::EHandshakeOff), 0);
    ASSERT_EQ(port.SetMask(CSerial::EEventAll), 0);

    const termios t = pty.Settings();
    EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B9600));
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF | INPCK | ICRNL), 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u) << "raw mode: no line editing or echo";
    EXPECT_EQ(t.c_oflag & OPOST, 0u) << "bytes leave unchanged";
    EXPECT_NE(t.c_cflag & CLOCAL, 0u);

    EXPECT_EQ(port.GetBaudrate(), CSerial::EBaud9600);
    EXPECT_EQ(port.GetDataBits(), CSerial::EData8);
    EXPECT_EQ(port.GetParity(), CSerial::EParNone);
    EXPECT_EQ(port.GetStopBits(), CSerial::EStop1);
    EXPECT_EQ(port.GetHandshaking(), CSerial::EHandshakeOff);
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
    CSerial port;
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
    CSerial port;
    ASSERT_EQ(port.Open(pty.path.c_str()), 0);
    ASSERT_EQ(port.Setup(CSerial::EBaud9600, CSerial::EData8, CSerial::EParNone, CSerial::EStop1),
              0);
    for (const auto parity :
         {CSerial::EParOdd, CSerial::EParEven, CSerial::EParMark, CSerial::EParSpace}) {
        SCOPED_TRACE(parity);
        EXPECT_EQ(port.Setup(CSerial::EBaud19200, CSerial::EData8, parity, CSerial::EStop1),
                  EINVAL);
        const termios t = pty.Settings();
        EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), 0u);
        EXPECT_EQ(t.c_iflag & INPCK, 0u);
        EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B9600)) << "old speed restored";
    }
    EXPECT_EQ(port.Setup(CSerial::EBaud9600, CSerial::EData7), EINVAL);
    EXPECT_EQ(port.GetDataBits(), CSerial::EData8);
}

TEST_F(SerialTest, RejectsUnknownSettingsAndKeepsTheOldOnes) {
    CSerial port;
    ASSERT_EQ(port.Open(pty.path.c_str()), 0);
    ASSERT_EQ(port.Setup(CSerial::EBaud9600, CSerial::EData8, CSerial::EParNone, CSerial::EStop1),
              0);
    EXPECT_EQ(port.Setup(static_cast<CSerial::EBaudrate>(1234)), EINVAL);
    EXPECT_EQ(port.Setup(CSerial::EBaud9600, CSerial::EData8, CSerial::EParNone, CSerial::EStop1_5),
              EINVAL)
        << "1.5 stop bits only exist with 5 data bits";
    EXPECT_EQ(port.SetupHandshaking(static_cast<CSerial::EHandshake>(7)), EINVAL);
    EXPECT_EQ(port.SetupReadTimeouts(static_cast<CSerial::EReadTimeout>(5)), EINVAL);
    const termios kept = pty.Settings();
    EXPECT_EQ(::cfgetospeed(&kept), static_cast<speed_t>(B9600));
    EXPECT_EQ(port.GetStopBits(), CSerial::EStop1);
    EXPECT_EQ(port.GetHandshaking(), CSerial::EHandshakeOff);

    ASSERT_EQ(port.SetupHandshaking(CSerial::EHandshakeHardware), 0);
    EXPECT_NE(pty.Settings().c_cflag & CRTSCTS, 0u);
    ASSERT_EQ(port.SetupHandshaking(CSerial::EHandshakeSoftware), 0);
    EXPECT_EQ(pty.Settings().c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(pty.Settings().c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
}

TEST_F(SerialTest, SecondOpenOfAHeldPortFailsUntilItIsClosed) {
    CSerial first;
    ASSERT_EQ(first.Open(pty.path.c_str(), 0, 0, true), 0);
    CSerial second;
    EXPECT_EQ(second.Open(pty.path.c_str()), EBUSY);
    EXPECT_FALSE(second.IsPortOpen());
    EXPECT_NE(second.OpenFailureReason().find("in use by another program"), std::string::npos);
    EXPECT_TRUE(trace.Contains("CSerial::Open - Unable to open port\n"));

    // The failed attempt must not have released the holder's exclusivity.
    CSerial third;
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
        CSerial port;
        EXPECT_EQ(port.Open(row.device.c_str(), row.inQueue, row.outQueue), row.error);
        EXPECT_EQ(port.GetLastError(), row.error);
        EXPECT_FALSE(port.IsPortOpen());
        EXPECT_NE(port.OpenFailureReason().find(row.reason), std::string::npos)
            << port.OpenFailureReason();
    }
    // A rejected open must not leave the terminal locked.
    CSerial port;
    EXPECT_EQ(port.Open(pty.path.c_str(), 16, 16), 0);
    std::remove(regular.c_str());
}

TEST_F(SerialTest, OpenOnAnOpenPortFailsAndKeepsIt) {
    CSerial port;
    ASSERT_EQ(port.Open(pty.path.c_str()), 0);
    EXPECT_EQ(port.Open("/dev/tavrel-no-such-port"), CSerial::kErrorAlreadyOpen);
    EXPECT_TRUE(trace.Contains("CSerial::Open - Port already opened\n"));
    EXPECT_EQ(port.DevicePath(), pty.path);
    ASSERT_EQ(port.Write("still", nullptr), 0);
    EXPECT_EQ(pty.Drain(), "still");
}

TEST(SerialOpenReason, PermissionProblemNamesTheOwningGroup) {
    const std::string text = CSerial::DescribeOpenError(EACCES, "/dev/tavrel-no-such-port");
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
    EXPECT_NE(CSerial::DescribeOpenError(EPERM, file).find("group 'tty'"), std::string::npos);
    std::remove(file.c_str());
}

TEST_F(SerialTest, OperationsOnAClosedPortFailWithInvalidHandle) {
    CSerial port;
    char byte = 0;
    struct Row {
        const char* trace;
        std::function<long()> call;
    };
    const std::vector<Row> rows = {
        {"CSerial::Setup - Device is not opened\n", [&] { return port.Setup(); }},
        {"CSerial::SetupHandshaking - Device is not opened\n",
         [&] { return port.SetupHandshaking(CSerial::EHandshakeOff); }},
        {"CSerial::SetupReadTimeouts - Device is not opened\n",
         [&] { return port.SetupReadTimeouts(CSerial::EReadTimeoutNonblocking); }},
        {"CSerial::SetMask - Device is not opened\n", [&] { return port.SetMask(0x1FF); }},
        {"CSerial::SetEventChar - Device is not opened\n", [&] { return port.SetEventChar('x'); }},
        {"CSerial::WaitEvent - Device is not opened\n", [&] { return port.WaitEvent(10); }},
        {"CSerial::Write - Device is not opened\n",
         [&] { return port.Write(&byte, 1, nullptr, 10); }},
        {"CSerial::Read - Device is not opened\n",
         [&] { return port.Read(&byte, 1, nullptr, 10); }},
        {"CSerial::Purge - Device is not opened\n", [&] { return port.Purge(); }},
        {"CSerial::Break - Device is not opened\n", [&] { return port.Break(); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.trace);
        trace.Clear();
        EXPECT_EQ(row.call(), CSerial::kErrorInvalidHandle);
        EXPECT_EQ(trace.Texts(), std::vector<std::string>{row.trace});
    }
    trace.Clear();
    EXPECT_EQ(port.GetBaudrate(), CSerial::EBaudUnknown);
    EXPECT_EQ(port.GetError(), 0u);
    EXPECT_EQ(port.GetLastError(), CSerial::kErrorInvalidHandle);
    EXPECT_EQ(port.Close(), 0) << "closing a closed port only traces";
    EXPECT_EQ(trace.Texts(), (std::vector<std::string>{
                                 "CSerial::GetBaudrate - Device is not opened\n",
                                 "CSerial::GetError - Device is not opened\n",
                                 "CSerial::Close - Method called when device is not open\n"}));
}

TEST_F(SerialTest, PseudoTerminalHasNoModemLines) {
    CSerial port;
    ASSERT_EQ(port.Open(pty.path.c_str()), 0);
    EXPECT_FALSE(port.GetCTS());
    EXPECT_NE(port.GetLastError(), 0);
    EXPECT_FALSE(port.GetRing());
    EXPECT_TRUE(trace.Contains("CSerial::GetCTS - Unable to obtain the modem status\n"));
    EXPECT_TRUE(trace.Contains("CSerial::GetRing - Unable to obtain the modem status"));
    // The port keeps working.
    ASSERT_EQ(port.Write("x", nullptr), 0);
    EXPECT_EQ(pty.Drain(), "x");
}

TEST_F(SerialTest, WriteToAPeerThatDoesNotReadEndsAtItsTimeOut) {
    CSerial port;
    ASSERT_EQ(port.Open(pty.path.c_str(), 0, 0, true), 0);
    const std::string big(1 << 20, '\x55'); // far more than a pseudo-terminal buffers
    std::size_t written = 0;
    const auto start = Clock::now();
    EXPECT_EQ(port.Write(big.data(), big.size(), &written, 50), CSerial::kErrorTimeout);
    const auto elapsed = MillisecondsSince(start);
    EXPECT_GE(elapsed, 45);
    EXPECT_LT(elapsed, 1000);
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, big.size());
    // The count is honest: exactly that many bytes reach the peer.
    EXPECT_EQ(pty.Drain().size(), written);
}

TEST_F(SerialTest, BlockingReadWaitsForTheCountUpToItsTimeOut) {
    CSerial port;
    ASSERT_EQ(port.Open(pty.path.c_str(), 0, 0, true), 0);
    ASSERT_EQ(port.SetupReadTimeouts(CSerial::EReadTimeoutBlocking), 0);
    pty.Send("abc");
    char buffer[10] = {};
    std::size_t count = 0;
    const auto start = Clock::now();
    EXPECT_EQ(port.Read(buffer, sizeof buffer, &count, 40), CSerial::kErrorTimeout);
    EXPECT_GE(MillisecondsSince(start), 35);
    EXPECT_EQ(std::string(buffer, count), "abc");
}

TEST_F(SerialTest, WaitEventReportsReceivedBytesAndTimesOut) {
    CSerial port;
    ASSERT_EQ(port.Open(pty.path.c_str(), 0, 0, true), 0);
    EXPECT_EQ(port.WaitEvent(20), CSerial::kErrorTimeout);
    pty.Send("z");
    ASSERT_EQ(port.WaitEvent(2000), 0);
    EXPECT_EQ(port.GetEventType(), CSerial::EEventRecv);
    EXPECT_EQ(port.GetEventType(), 0u) << "fetched once";

    CSerial plain;
    Pty other;
    ASSERT_EQ(plain.Open(other.path.c_str()), 0);
    EXPECT_EQ(plain.WaitEvent(20), CSerial::kErrorInvalidFunction);
    EXPECT_TRUE(trace.Contains(
        "CSerial::WaitEvent - Overlapped I/O is disabled, specified parameters are illegal.\n"));
}

TEST_F(SerialTest, WaitEventReportsTheTransmitQueueEmptied) {
    CSerial port;
    ASSERT_EQ(port.Open(pty.path.c_str(), 0, 0, true), 0);
    ASSERT_EQ(port.SetMask(CSerial::EEventSend), 0);
    ASSERT_EQ(port.WaitEvent(20), 0) << "SetMask ends a pending (or the next) wait";
    EXPECT_EQ(port.GetEventType(), 0u);
    ASSERT_EQ(port.Write("frame", nullptr, 150), 0);
    EXPECT_EQ(pty.Drain(), "frame");
    ASSERT_EQ(port.WaitEvent(2000), 0);
    EXPECT_EQ(port.GetEventType(), CSerial::EEventSend);
}

class SerialWndTest : public SerialTest {
protected:
    RecordingTarget target;
};

TEST_F(SerialWndTest, PostsOneNotificationPerBatchUntilTheBytesAreRead) {
    CSerialWnd port;
    ASSERT_EQ(port.Open(pty.path.c_str(), &target, 0, 42), 0);
    ASSERT_EQ(port.SetMask(CSerial::EEventAll), 0);
    EXPECT_TRUE(port.IsListening());
    EXPECT_EQ(port.Message(), CSerialWnd::DefaultComMsg());
    EXPECT_EQ(CSerialWnd::RegisterMessage("CSerialWnd_DefaultComMsg"), CSerialWnd::DefaultComMsg());
    EXPECT_GE(CSerialWnd::DefaultComMsg(), 0xC000u);

    std::string reply;
    for (int i = 0; i < 64; ++i) {
        reply += static_cast<char>(i);
    }
    pty.Send(reply);
    ASSERT_TRUE(target.WaitFor(CSerial::EEventRecv));
    // Unread bytes are announced once, not once per byte.
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(target.Count(CSerial::EEventRecv), 1);
    const auto note = target.Notes().front();
    EXPECT_EQ(note.message, CSerialWnd::DefaultComMsg());
    EXPECT_EQ(note.caller, 42);
    EXPECT_EQ(CSerialWnd::Errors(note.bits), 0u);
    EXPECT_EQ(ReadAll(port), reply);

    // After a read the next bytes are announced again.
    pty.Send("\xAA");
    ASSERT_TRUE(target.WaitFor(CSerial::EEventRecv) && [&] {
        std::unique_lock lock(target.mutex);
        return target.arrived.wait_for(lock, 2000ms, [&] {
            int count = 0;
            for (const auto& n : target.notes) {
                count += (n.bits & CSerial::EEventRecv) ? 1 : 0;
            }
            return count == 2;
        });
    }());
    EXPECT_EQ(ReadAll(port), "\xAA");
    EXPECT_EQ(port.Close(), 0);
}

TEST_F(SerialWndTest, CloseEndsTheListenerAtOnce) {
    CSerialWnd port;
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
    EXPECT_EQ(port.Open(pty.path.c_str(), &target), CSerial::kErrorAlreadyOpen);
    EXPECT_TRUE(port.IsListening()) << "a refused open leaves the port listening";
    pty.Send("q");
    EXPECT_TRUE(target.WaitFor(CSerial::EEventRecv));
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
    CSerialWnd port;
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
        CSerialWnd port;
        ASSERT_EQ(port.Open(pty.path.c_str(), &target), 0);
    }
    EXPECT_EQ(trace.Texts(),
              std::vector<std::string>{"CSerialWnd::~CSerialWnd - Serial port not closed\n"});
    CSerial again;
    EXPECT_EQ(again.Open(pty.path.c_str()), 0) << "the destructor released the port";
}

TEST_F(SerialWndTest, OpenWithoutTargetFails) {
    CSerialWnd port;
    EXPECT_EQ(port.Open(pty.path.c_str(), nullptr), CSerial::kErrorInvalidArgument);
    EXPECT_FALSE(port.IsPortOpen());
}

TEST_F(SerialWndTest, HangUpIsReportedOnceWithoutSpinning) {
    CSerialWnd port;
    ASSERT_EQ(port.Open(pty.path.c_str(), &target), 0);
    ASSERT_EQ(port.SetMask(CSerial::EEventAll), 0);
    pty.Send("tail");
    ASSERT_TRUE(target.WaitFor(CSerial::EEventRecv));
    EXPECT_EQ(ReadAll(port), "tail");
    ::close(pty.observer); // the unit's side goes away completely
    pty.observer = -1;
    pty.CloseMaster();

    const std::uint32_t hangUp = CSerial::EEventError | (CSerial::EErrorIOE << 16);
    ASSERT_TRUE(target.WaitFor(hangUp));
    const auto wakeups = port.PollWakeups();
    std::this_thread::sleep_for(100ms); // a spinning listener would wake thousands of times here
    EXPECT_LE(port.PollWakeups() - wakeups, 2u);
    EXPECT_EQ(target.Count(hangUp), 1);
    EXPECT_TRUE(port.IsHungUp());

    // Reads and writes fail cleanly from now on.
    char byte = 0;
    std::size_t count = 1;
    EXPECT_EQ(port.Read(&byte, 1, &count, 80), CSerial::kErrorHangUp);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(port.Write("x", nullptr, 150), CSerial::kErrorHangUp);

    const auto start = Clock::now();
    EXPECT_EQ(port.Close(), 0);
    EXPECT_LT(MillisecondsSince(start), 500);
}

TEST_F(SerialTest, HangUpOutsideTheMaskIsTracedNotReported) {
    CSerial port;
    ASSERT_EQ(port.Open(pty.path.c_str(), 0, 0, true), 0);
    ASSERT_EQ(port.SetMask(CSerial::EEventRecv), 0);
    ASSERT_EQ(port.WaitEvent(20), 0); // consumes the SetMask wake
    ::close(pty.observer);
    pty.observer = -1;
    pty.CloseMaster();
    ASSERT_EQ(port.WaitEvent(2000), 0);
    EXPECT_EQ(port.GetEventType(), 0u);
    EXPECT_TRUE(
        trace.Contains("CSerial::GetEventType - Event 00000080h not within mask 00000001h.\n"));
    EXPECT_EQ(port.GetError(), CSerial::EErrorIOE);
    EXPECT_EQ(port.GetError(), 0u) << "read and cleared";
    EXPECT_EQ(port.WaitEvent(30), CSerial::kErrorTimeout) << "the dead line no longer wakes a wait";
}

} // namespace
