#pragma once

#include "link/NetworkPortName.h"

#include <chrono>
#include <string>

// Opens a TCP connection to the host and port of `name` before `deadline`: the host name is
// resolved (host names, IPv4 and IPv6 addresses) and every address it has is tried in turn until
// one connects. Neither a slow name server nor a host that does not answer holds the caller past
// the deadline. Returns the connected socket (non-blocking, close-on-exec, small writes sent at
// once), or -1 with *error saying what failed, with the host and the system's reason.
int ConnectTcp(const NetworkPortName& name, std::chrono::steady_clock::time_point deadline,
               std::string* error);
