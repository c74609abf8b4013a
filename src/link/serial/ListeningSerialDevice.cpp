#include "link/serial/ListeningSerialDevice.h"

#include "link/Trace.h"

#include <chrono>
#include <system_error>

ListeningSerialDevice::~ListeningSerialDevice() {
    if (IsPortOpen()) {
        Trace("ListeningSerialDevice::~ListeningSerialDevice - Serial port not closed\n");
        ListeningSerialDevice::Close();
    }
    if (m_listener.joinable()) {
        m_stopping = true;
        Wake(true);
        m_listener.join();
    }
}

long ListeningSerialDevice::Open(const char* device, std::size_t inQueue, std::size_t outQueue,
                                 bool startListener) {
    const long result = SerialDevice::Open(device, inQueue, outQueue, true);
    if (result != kErrorSuccess) {
        return result;
    }
    if (!startListener) {
        return kErrorSuccess;
    }
    const long started = StartListener();
    if (started != kErrorSuccess) {
        SerialDevice::Close(); // a port nobody listens to is of no use to the caller
        return SetLastError(started);
    }
    return kErrorSuccess;
}

long ListeningSerialDevice::Close() {
    if (IsPortOpen()) {
        EndListener();
    }
    return SerialDevice::Close();
}

void ListeningSerialDevice::JoinFinished() {
    if (m_listener.joinable() && m_finished && m_listener.get_id() != std::this_thread::get_id()) {
        m_listener.join();
        m_stopping = false;
        m_finished = false;
    }
}

long ListeningSerialDevice::StartListener() {
    JoinFinished(); // a listener that ended on its own (or was stopped from OnEvent)
    if (m_listener.joinable()) {
        return SetLastError(kErrorSuccess);
    }
    if (!IsPortOpen()) {
        Trace("ListeningSerialDevice::StartListener - Unable to start COMM watcher thread\n");
        return SetLastError(kErrorInvalidHandle);
    }
    m_stopping = false;
    m_finished = false;
    try {
        m_listener = std::thread(&ListeningSerialDevice::ThreadProc, this);
    } catch (const std::system_error& error) {
        Trace("ListeningSerialDevice::StartListener - Unable to start COMM watcher thread\n");
        return SetLastError(error.code().value());
    }
    return SetLastError(kErrorSuccess);
}

long ListeningSerialDevice::EndListener(std::uint32_t timeoutMs) {
    if (!m_listener.joinable()) {
        return SetLastError(kErrorSuccess);
    }
    m_stopping = true;
    if (IsPortOpen()) {
        SetMask(GetEventMask()); // the same mask again: ends the pending wait at once
    }
    if (m_listener.get_id() == std::this_thread::get_id()) {
        return SetLastError(EDEADLK);
    }
    if (timeoutMs != kInfinite) {
        std::unique_lock lock(m_finishMutex);
        if (!m_finishSignal.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                     [this] { return m_finished.load(); })) {
            return SetLastError(kErrorTimeout);
        }
    }
    m_listener.join();
    m_stopping = false;
    m_finished = false;
    return SetLastError(kErrorSuccess);
}

void ListeningSerialDevice::ThreadProc() {
    while (!m_stopping) {
        if (WaitEvent(kInfinite) != kErrorSuccess) {
            Trace(
                "ListeningSerialDevice::ThreadProc - Unable to wait until COM event has arrived\n");
            break;
        }
        if (m_stopping) {
            break;
        }
        const std::uint32_t events = GetEventType();
        const std::uint32_t errors = GetError();
        if (GetLastError() != kErrorSuccess) {
            Trace("ListeningSerialDevice::ThreadProc - Unable to obtain COM status\n");
        }
        if (events != 0) {
            OnEvent(events, errors);
        }
    }
    {
        std::lock_guard lock(m_finishMutex);
        m_finished = true;
    }
    m_finishSignal.notify_all();
}
