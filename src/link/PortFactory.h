#pragma once

#include "link/Port.h"

#include <memory>
#include <string>

// The port that opens `portName`: a network port for "rfc2217://HOST:PORT" and
// "tcp://HOST:PORT", a serial port for anything else (a device path).
std::unique_ptr<IPort> MakePortFor(const std::string& portName);
