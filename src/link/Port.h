#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// Called by a port's listener thread for every line event: the event bits in the low 16 bits,
// the line error bits in the high 16 bits. It runs on the listener thread, so it must only hand
// the event over to the user-interface thread; it must not call back into the port.
using LineEventHandler = std::function<void(std::uint32_t eventAndErrorBits)>;

// The bits a line event carries.
namespace LineEvent {
inline constexpr std::uint32_t kBytesReceived = 0x0001;  // bytes wait to be read
inline constexpr std::uint32_t kLineError = 0x0080;      // the line failed; see the error bits
inline constexpr std::uint32_t kIoError = 0x0400u << 16; // error bit: the line is gone (hang-up)
} // namespace LineEvent

// Line parameters the command engine applies after opening a port.
struct LineSettings {
    int baudRate = 9600;
    int dataBits = 8;
    bool parity = false; // true: even parity
    int stopBits = 1;
    bool flowControl = false; // true: hardware (RTS/CTS) flow control; never software
};

// The serial line as the command engine uses it: SerialPort on a real line, NetworkPort on a
// line behind a serial device server, an in-memory port in engine tests. Every call but the
// handler's comes from the user-interface thread.
class IPort {
public:
    virtual ~IPort() = default;

    // Opens the named port exclusively and starts watching it; onEvent receives its line events.
    virtual bool Open(const std::string& device, LineEventHandler onEvent) = 0;
    // Applies the line settings and fails, keeping the earlier ones, when the line does not run
    // as asked.
    virtual bool Setup(const LineSettings& settings) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;

    // Writes all bytes or fails; waits at most timeoutMs for the line to take them.
    virtual bool Write(const std::uint8_t* data, std::size_t count, int timeoutMs) = 0;
    // Reads what is waiting, up to capacity bytes, without waiting for more than timeoutMs.
    // Returns the number of bytes read (0 when none are waiting) or -1 on failure.
    virtual long Read(std::uint8_t* buffer, std::size_t capacity, int timeoutMs) = 0;

    // Human-readable reason of the last failed Open or Setup, or of the loss of the line, for
    // the operator ("" when none).
    virtual std::string LastErrorText() const = 0;
};
