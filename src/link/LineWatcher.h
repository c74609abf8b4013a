#pragma once

#include "link/Port.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <thread>

// The listener thread of a port: it waits in poll() on the port's descriptor (a terminal or a
// connected socket) and on an eventfd that wakes it, and only reports line events to the
// handler; it never reads or writes the port:
// - received bytes once per burst: bytes that trickle in (about one per millisecond at 9600
//   baud) are reported when the queue of unread bytes grows slower than the line's speed, looked
//   at every 30 ms, so a whole reply costs one report instead of one per byte;
// - and once per unread batch: the next report waits until the port's owner took bytes
//   (BytesTaken), so unread bytes neither spin the listener nor flood the handler;
// - a hang-up (adapter unplugged, the unit's side closed, the other end of a connection gone)
//   once, as a line error with the I/O error bit; then the listener ends, since a hung-up
//   descriptor polls ready for ever.
class LineWatcher {
public:
    LineWatcher() = default;
    ~LineWatcher();
    LineWatcher(const LineWatcher&) = delete;
    LineWatcher& operator=(const LineWatcher&) = delete;

    // Creates the wake-up the listener waits on; 0, or the error number when it failed.
    int PrepareWakeup();
    // Starts the listener on `fd` (after PrepareWakeup). The handler must be callable from the
    // listener thread until Stop. Returns 0, or the error number when the thread could not start.
    int Start(int fd, LineEventHandler handler);
    // Stops and joins the listener (waiting for a handler call that runs) and releases the
    // wake-up. Does nothing on a watcher that is not prepared.
    void Stop();

    // The settings the line runs with: their speed tells a burst from a pause (unknown after
    // Start).
    void SetLineSettings(const LineSettings& settings);
    // The owner took bytes from the port (or found none): the listener watches for bytes again
    // and reports any still waiting.
    void BytesTaken();

    // How often the listener's wait ended since Start: a listener that spins shows here.
    std::uint64_t Wakeups() const { return m_wakeups.load(); }

private:
    void Listen();
    // Waits for the port events asked for (hang-ups always) or the wake-up; nothing when the
    // listener is to end. Returns the port's poll events, 0 when timeoutMs passed.
    std::optional<short> WaitForLine(short portEvents, int timeoutMs);
    // Waits until the bytes that started to arrive have stopped coming. False when the listener
    // is to end.
    bool AwaitEndOfBurst();
    // Bytes waiting to be read; -1 when the port cannot tell.
    int BytesWaiting() const;
    void Wake();

    int m_fd = -1;
    int m_wakeFd = -1; // eventfd: wakes the listener to stop or to watch for bytes again
    std::thread m_listener;
    std::atomic<bool> m_stopping{false};
    // Received bytes were reported and the owner has not taken bytes since.
    std::atomic<bool> m_bytesReported{false};
    std::atomic<std::uint64_t> m_wakeups{0};
    std::atomic<int> m_lineBytesPerSecond{0};
    // Set before the listener starts and cleared after Stop has joined it, so the listener never
    // sees it change.
    LineEventHandler m_handler;
};
