#include "link/serial/NotifyingSerialDevice.h"

#include "link/Trace.h"

#include <map>
#include <mutex>
#include <string>

std::uint32_t NotifyingSerialDevice::RegisterMessage(std::string_view name) {
    static std::mutex mutex;
    static std::map<std::string, std::uint32_t, std::less<>> registered;
    std::lock_guard lock(mutex);
    const auto found = registered.find(name);
    if (found != registered.end()) {
        return found->second;
    }
    const auto message = static_cast<std::uint32_t>(0xC000u + registered.size());
    registered.emplace(std::string(name), message);
    return message;
}

std::uint32_t NotifyingSerialDevice::DefaultComMsg() {
    return RegisterMessage(kDefaultComMsgName);
}

NotifyingSerialDevice::~NotifyingSerialDevice() {
    if (IsPortOpen()) {
        Trace("NotifyingSerialDevice::~NotifyingSerialDevice - Serial port not closed\n");
        Close(); // joins the listener while OnEvent can still be called
    }
}

long NotifyingSerialDevice::Open(const char* device, ISerialTarget* target, std::uint32_t message,
                                 std::intptr_t callerValue, std::size_t inQueue,
                                 std::size_t outQueue) {
    if (IsPortOpen()) {
        return ListeningSerialDevice::Open(device, inQueue, outQueue,
                                           false); // records "already opened"
    }
    if (target == nullptr) {
        return SetLastError(kErrorInvalidArgument); // nobody would hear the port
    }
    // The target is in place before the listener can call it.
    m_target = target;
    m_message = message != 0 ? message : DefaultComMsg();
    m_callerValue = callerValue;
    return ListeningSerialDevice::Open(device, inQueue, outQueue, true);
}

void NotifyingSerialDevice::OnEvent(std::uint32_t events, std::uint32_t errors) {
    m_target->OnSerialEvent(m_message, (events & 0xFFFFu) | (errors << 16), m_callerValue);
}
