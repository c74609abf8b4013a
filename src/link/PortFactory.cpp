#include "link/PortFactory.h"

#include "link/NetworkPort.h"
#include "link/NetworkPortName.h"
#include "link/SerialPort.h"

std::unique_ptr<IPort> MakePortFor(const std::string& portName) {
    if (IsNetworkPortName(portName))
        return std::make_unique<NetworkPort>();
    return std::make_unique<SerialPort>();
}
