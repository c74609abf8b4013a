#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// Called by a port's listener thread for every line event: the event bits in the low 16 bits,
// the line error bits in the high 16 bits (0x0001 in the low half = bytes received). It runs on
// the listener thread, so it must only hand the event over to the user-interface thread.
using LineEventHandler = std::function<void(std::uint32_t eventAndErrorBits)>;

// Line parameters the command engine applies after opening a port.
struct LineSettings {
    int baudRate = 9600;
    int dataBits = 8;
    bool parity = false; // no parity
    int stopBits = 1;
    bool flowControl = false;         // neither hardware nor software handshaking
    std::uint32_t eventMask = 0x01FF; // all nine line events
};

// The serial line as the command engine uses it. The application adapts the serial port layer to
// it; tests use an in-memory port. Every call but the handler's comes from the user-interface
// thread.
class IPort {
public:
    virtual ~IPort() = default;

    // Opens the named port exclusively and starts watching it; onEvent receives its line events.
    virtual bool Open(const std::string& device, LineEventHandler onEvent) = 0;
    // Applies the line settings in the order baud/bits/parity/stop, handshaking, event mask;
    // stops at the first step that fails.
    virtual bool Setup(const LineSettings& settings) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    // Writes all bytes or fails; waits at most timeoutMs for the line to take them.
    virtual bool Write(const std::uint8_t* data, std::size_t count, int timeoutMs) = 0;
    // Reads what is waiting, up to capacity bytes, without waiting for more than timeoutMs.
    // Returns the number of bytes read (0 when none are waiting) or -1 on failure.
    virtual long Read(std::uint8_t* buffer, std::size_t capacity, int timeoutMs) = 0;

    // Human-readable reason of the last failed Open or Setup, for the operator ("" when none).
    virtual std::string LastErrorText() const = 0;
};
