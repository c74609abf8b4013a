#include "FakePort.h"

#include <algorithm>

Bytes FakePort::Written() const {
    Bytes all;
    for (const auto& w : writes)
        all.insert(all.end(), w.bytes.begin(), w.bytes.end());
    return all;
}

bool FakePort::Open(const std::string& device, LineEventHandler onEvent) {
    openedDevices.push_back(device);
    if (failOpen || m_open) {
        m_lastError = errorText;
        return false;
    }
    m_open = true;
    handler = std::move(onEvent);
    m_lastError.clear();
    return true;
}

bool FakePort::Setup(const LineSettings& settings) {
    setups.push_back(settings);
    if (failSetup) {
        m_lastError = errorText;
        return false;
    }
    return m_open;
}

void FakePort::Close() {
    ++closeCount;
    m_open = false;
    handler = nullptr;
}

bool FakePort::Write(const std::uint8_t* data, std::size_t count, int timeoutMs) {
    if (!m_open || hungUp)
        return false;
    if (failWritesAfterBytes >= 0 &&
        m_bytesWritten + static_cast<long>(count) > failWritesAfterBytes)
        return false;
    writes.push_back({Bytes(data, data + count), timeoutMs});
    m_bytesWritten += static_cast<long>(count);
    return true;
}

long FakePort::Read(std::uint8_t* buffer, std::size_t capacity, int timeoutMs) {
    readTimeouts.push_back(timeoutMs);
    readCapacities.push_back(capacity);
    if (!m_open || hungUp)
        return -1;
    if (pendingReads.empty())
        return 0;
    Bytes& front = pendingReads.front();
    const std::size_t n = std::min(capacity, front.size());
    std::copy_n(front.begin(), n, buffer);
    front.erase(front.begin(), front.begin() + static_cast<long>(n));
    if (front.empty())
        pendingReads.pop_front();
    return static_cast<long>(n);
}
