#pragma once

#include "link/Port.h"
#include "link/serial/NotifyingSerialDevice.h"

#include <string>

// The command engine's port on a real serial line: a listening NotifyingSerialDevice whose line
// events go to the handler given at Open (on the listener thread).
class SerialPort : public IPort, private ISerialTarget {
public:
    SerialPort() = default;
    ~SerialPort() override;
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    bool Open(const std::string& device, LineEventHandler onEvent) override;
    bool Setup(const LineSettings& settings) override;
    void Close() override;
    bool IsOpen() const override { return m_serial.IsPortOpen(); }
    bool Write(const std::uint8_t* data, std::size_t count, int timeoutMs) override;
    long Read(std::uint8_t* buffer, std::size_t capacity, int timeoutMs) override;
    std::string LastErrorText() const override { return m_lastError; }

private:
    void OnSerialEvent(std::uint32_t message, std::uint32_t eventAndErrorBits,
                       std::intptr_t callerValue) override;
    bool Failed(long error, const char* step);

    NotifyingSerialDevice m_serial;
    // Set before the listener starts and cleared after Close has joined it, so the listener
    // thread never sees it change.
    LineEventHandler m_handler;
    std::string m_lastError;
};
