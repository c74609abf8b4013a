#include "link/SerialPort.h"

#include <cstring>

SerialPort::~SerialPort() {
    Close();
}

bool SerialPort::Open(const std::string& device, LineEventHandler onEvent) {
    m_lastError.clear();
    m_handler = std::move(onEvent);
    const long error = m_serial.Open(device.c_str(), this);
    if (error != SerialDevice::kErrorSuccess) {
        m_handler = nullptr;
        m_lastError = m_serial.OpenFailureReason();
        if (m_lastError.empty())
            m_lastError = std::strerror(static_cast<int>(error));
        return false;
    }
    return true;
}

bool SerialPort::Failed(long error, const char* step) {
    if (error == SerialDevice::kErrorSuccess)
        return false;
    m_lastError = std::string(step) + ": " + std::strerror(static_cast<int>(error));
    return true;
}

bool SerialPort::Setup(const LineSettings& settings) {
    const auto parity = settings.parity ? SerialDevice::EParEven : SerialDevice::EParNone;
    const auto stopBits = settings.stopBits == 2 ? SerialDevice::EStop2 : SerialDevice::EStop1;
    const auto handshake =
        settings.flowControl ? SerialDevice::EHandshakeHardware : SerialDevice::EHandshakeOff;
    return !Failed(m_serial.Setup(static_cast<SerialDevice::EBaudrate>(settings.baudRate),
                                  static_cast<SerialDevice::EDataBits>(settings.dataBits), parity,
                                  stopBits),
                   "Unable to set the line to 9600 baud, 8 data bits, no parity, 1 stop bit") &&
           !Failed(m_serial.SetupHandshaking(handshake), "Unable to switch flow control off") &&
           !Failed(m_serial.SetMask(settings.eventMask), "Unable to watch the line's events");
}

void SerialPort::Close() {
    if (m_serial.IsPortOpen())
        m_serial.Close(); // joins the listener
    m_handler = nullptr;
}

bool SerialPort::Write(const std::uint8_t* data, std::size_t count, int timeoutMs) {
    std::size_t written = 0;
    const long error = m_serial.Write(data, count, &written, static_cast<std::uint32_t>(timeoutMs));
    return error == SerialDevice::kErrorSuccess && written == count;
}

long SerialPort::Read(std::uint8_t* buffer, std::size_t capacity, int timeoutMs) {
    std::size_t read = 0;
    const long error =
        m_serial.Read(buffer, capacity, &read, static_cast<std::uint32_t>(timeoutMs));
    if (error != SerialDevice::kErrorSuccess)
        return -1;
    return static_cast<long>(read);
}

void SerialPort::OnSerialEvent(std::uint32_t, std::uint32_t eventAndErrorBits, std::intptr_t) {
    if (m_handler)
        m_handler(eventAndErrorBits);
}
