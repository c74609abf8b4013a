#pragma once

#include "link/serial/SerialDevice.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

// A serial port with a listener thread. The thread waits for line events (poll() on the port
// and the port's wake-up descriptor) and hands each batch of events, with the line error bits,
// to OnEvent. It never reads or writes the port: that stays on the owning thread.
//
// OnEvent runs on the listener thread. A derived class must Close the port in its own
// destructor, so the listener has stopped before the derived part is gone.
class ListeningSerialDevice : public SerialDevice {
public:
    ListeningSerialDevice() = default;
    ~ListeningSerialDevice() override;

    // Always overlapped (the listener must be able to end its wait); starts the listener when
    // `startListener` is set.
    long Open(const char* device, std::size_t inQueue = 0, std::size_t outQueue = 0,
              bool startListener = false);
    // Stops the listener, then closes the port.
    long Close() override;

    // Does nothing while a listener runs.
    long StartListener();
    // Stops the listener and waits up to `timeoutMs` for it to finish (time-out error when it
    // did not; it still stops, and Close joins it). Called from OnEvent it cannot wait for
    // itself: it only asks the thread to stop and returns EDEADLK.
    long EndListener(std::uint32_t timeoutMs = kInfinite);
    bool IsListening() const { return m_listener.joinable() && !m_finished; }

protected:
    // `events`: the event bits that ended the wait (within the mask, never 0); `errors`: the
    // line error bits gathered since the last call.
    virtual void OnEvent(std::uint32_t events, std::uint32_t errors) = 0;

private:
    void ThreadProc();
    void JoinFinished();

    std::thread m_listener;
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_finished{false};
    std::mutex m_finishMutex;
    std::condition_variable m_finishSignal;
};
