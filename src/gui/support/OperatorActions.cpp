#include "gui/support/OperatorActions.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QObject>
#include <QPointer>

namespace {

// Watches every event the application delivers, counting the ones that start an action. A press
// that travels up to a parent is seen again; it only counts twice, which splits nothing. The
// notches of a wheel turned with nothing pressed between them are one action, as a knob turned
// by dragging is.
class ActionCounter : public QObject {
public:
    std::uint64_t current = 1;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            Start(false);
            break;
        case QEvent::Wheel:
            if (!m_turning)
                Start(true);
            break;
        case QEvent::KeyPress:
            if (!static_cast<QKeyEvent*>(event)->isAutoRepeat())
                Start(false);
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void Start(bool wheel) {
        ++current;
        m_turning = wheel;
    }

    bool m_turning = false; // the current action is a wheel turn
};

} // namespace

std::uint64_t CurrentOperatorAction() {
    // Owned by the application, so it goes with it (and comes again with a new one).
    static QPointer<ActionCounter> counter;
    if (!counter) {
        QCoreApplication* app = QCoreApplication::instance();
        counter = new ActionCounter;
        counter->setParent(app);
        app->installEventFilter(counter);
    }
    return counter->current;
}
