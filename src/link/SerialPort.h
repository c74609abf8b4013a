#pragma once

#include "link/LineWatcher.h"
#include "link/Port.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>
#include <termios.h>

// The command engine's port on a real serial line (a terminal device such as /dev/ttyUSB0 or a
// virtual unit's pseudo-terminal).
//
// The port is held exclusively (a non-blocking flock, which also stops root, plus TIOCEXCL) and
// runs raw with CLOCAL, so a missing carrier neither blocks nor hangs it up. The terminal
// settings it had are kept at Open and put back at Close (and by a failed Open), and so is its
// exclusive flag: a port, a console or a user's terminal is left as it was found. A listener
// thread (LineWatcher) reports its line events to the handler given at Open: received bytes once
// per burst and once per unread batch (the next report waits until a Read took bytes), and a
// hang-up (adapter unplugged, the unit's side closed) once; it never reads or writes the port.
// The port's own failures go to the trace sink; Open and Setup also keep a reason for the
// operator (LastErrorText).
class SerialPort : public IPort {
public:
    SerialPort() = default;
    ~SerialPort() override;
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Fails without touching an open port. A null handler only drops the events.
    bool Open(const std::string& device, LineEventHandler onEvent) override;
    // Applies the settings at once, then reads back what the driver took: a driver may accept a
    // request only in part (a pseudo-terminal always runs 8 data bits without parity).
    bool Setup(const LineSettings& settings) override;
    // Stops and joins the listener (waiting for a handler call that runs), then releases the
    // port.
    void Close() override;
    bool IsOpen() const override { return m_fd >= 0; }
    // Fails when the line hung up or `timeoutMs` passed before the driver took every byte.
    bool Write(const std::uint8_t* data, std::size_t count, int timeoutMs) override;
    // Never waits: takes what is waiting (0 bytes when none), so the time-out is never needed.
    // Fails once the line has hung up.
    long Read(std::uint8_t* buffer, std::size_t capacity, int timeoutMs) override;
    std::string LastErrorText() const override { return m_lastError; }

    // How often the listener's wait ended since Open: a listener that spins shows here.
    std::uint64_t ListenerWakeups() const { return m_watcher.Wakeups(); }

    // Whether `device` is a terminal that could be opened exclusively now: no other program holds
    // its lock or its exclusive flag. Finds out without changing anything of the port: neither
    // its settings nor its flags, and it is closed again at once.
    static bool CanOpen(const std::string& device);

    // Why an open of `device` failed with errno `error`, in words for the operator. A permission
    // problem names the group that owns the device (usually dialout) and the package's udev rule
    // for the common USB-serial adapters.
    static std::string OpenErrorText(int error, const std::string& device);

private:
    enum class Direction { Receive, Send };

    // Moves up to `count` bytes with `move(done)` (one read() or write() from offset `done` on).
    // A send waits up to `timeoutMs` for room in the driver's queue; a receive takes only what
    // is waiting. Returns the bytes moved, or -1 when the line failed or a send timed out.
    long Transfer(Direction direction, std::size_t count, int timeoutMs,
                  const std::function<ssize_t(std::size_t done)>& move);
    bool SetupFailed(const LineSettings& settings, int error);

    // Puts back the settings and the exclusive flag the port had before Open.
    void RestoreTerminal();

    int m_fd = -1;
    std::optional<termios> m_foundSettings; // the terminal settings before Open changed them
    bool m_foundExclusive = false;          // another holder had set the exclusive flag
    LineWatcher m_watcher;
    std::string m_lastError;
};
