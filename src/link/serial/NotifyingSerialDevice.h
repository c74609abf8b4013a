#pragma once

#include "link/serial/ListeningSerialDevice.h"

#include <cstdint>
#include <string_view>

// Receiver of a port's line events. OnSerialEvent is called on the serial listener thread: an
// implementation must only queue the notification for its own thread (the Qt application
// queues it onto the GUI thread) and return; it must not touch the port, widgets or model.
class ISerialTarget {
public:
    // `message`: the notification identifier given to NotifyingSerialDevice::Open (or the
    // registered default); `eventAndErrorBits`: event bits in the low 16 bits, line error bits in
    // the high 16 bits; `callerValue`: the value given to Open.
    virtual void OnSerialEvent(std::uint32_t message, std::uint32_t eventAndErrorBits,
                               std::intptr_t callerValue) = 0;

protected:
    ~ISerialTarget() = default;
};

// A listening serial port that posts every line event to a target.
class NotifyingSerialDevice : public ListeningSerialDevice {
public:
    // Name under which the default notification identifier is registered.
    static constexpr std::string_view kDefaultComMsgName = "CSerialWnd_DefaultComMsg";
    // The identifier registered under kDefaultComMsgName (stable for the process).
    static std::uint32_t DefaultComMsg();
    // Identifier for a notification name: the same name always gives the same number, in the
    // range 0xC000..0xFFFF kept for registered notifications.
    static std::uint32_t RegisterMessage(std::string_view name);

    NotifyingSerialDevice() = default;
    ~NotifyingSerialDevice() override;

    // Opens `device` with overlapped I/O and starts the listener. `message` 0 selects
    // DefaultComMsg(). `target` must outlive the open port (Close joins the listener).
    long Open(const char* device, ISerialTarget* target, std::uint32_t message = 0,
              std::intptr_t callerValue = 0, std::size_t inQueue = 0, std::size_t outQueue = 0);

    std::uint32_t Message() const { return m_message; }

    // Splits a notification's bits.
    static constexpr std::uint32_t Events(std::uint32_t bits) { return bits & 0xFFFFu; }
    static constexpr std::uint32_t Errors(std::uint32_t bits) { return bits >> 16; }

protected:
    void OnEvent(std::uint32_t events, std::uint32_t errors) override;

private:
    using ListeningSerialDevice::Open;

    ISerialTarget* m_target = nullptr;
    std::uint32_t m_message = 0;
    std::intptr_t m_callerValue = 0;
};
