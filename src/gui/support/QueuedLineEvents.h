#pragma once

#include "link/Port.h"

#include <cstdint>
#include <functional>

class QObject;

// The Qt side of the serial listener: a line-event handler that may be called on the port's
// listener thread and only queues the event onto the thread of `context` (the GUI thread), where
// `deliver` then runs. Events still queued when `context` is destroyed are dropped by Qt.
// Precondition: `context` outlives every call of the returned handler on the listener thread,
// which holds when its owner closes the port (joining the listener) before it is destroyed.
LineEventHandler QueueLineEventsOnto(QObject* context, std::function<void(std::uint32_t)> deliver);
