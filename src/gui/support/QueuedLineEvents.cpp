#include "gui/support/QueuedLineEvents.h"

#include <QMetaObject>
#include <QObject>

LineEventHandler QueueLineEventsOnto(QObject* context, std::function<void(std::uint32_t)> deliver) {
    return [context, deliver = std::move(deliver)](std::uint32_t bits) {
        // Never touches the port, a widget or the model here: the call runs on `context`'s
        // thread once its event loop takes the queued event.
        QMetaObject::invokeMethod(
            context, [deliver, bits] { deliver(bits); }, Qt::QueuedConnection);
    };
}
