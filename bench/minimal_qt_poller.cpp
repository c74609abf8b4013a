// The baseline of the idle bench: the least a Qt Widgets program does to keep a unit's meters
// coming, the way the connected application does while nothing is edited. It shows a window,
// and every 100 ms a timer sends a meter poll to the unit on PORT; a socket notifier reads the
// answers.
//
//   minimal_qt_poller PORT

#include "model/ProgramContainer.h"
#include "protocol/RequestFrames.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: minimal_qt_poller PORT\n");
        return 2;
    }
    const int fd = ::open(argv[1], O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios settings{};
    if (fd < 0 || ::tcgetattr(fd, &settings) != 0) {
        std::fprintf(stderr, "minimal_qt_poller: cannot open %s\n", argv[1]);
        return 1;
    }
    ::cfmakeraw(&settings);
    ::tcsetattr(fd, TCSANOW, &settings);

    QWidget window;
    window.setFixedSize(1050, 720);
    window.setWindowTitle(QStringLiteral("Minimal"));
    window.show();

    ProgramContainer unit;
    unit.setDeviceId(1); // the virtual unit's default ID
    const std::vector<std::uint8_t> poll = RequestFrames(unit).meterPollFrame().bytes;
    QSocketNotifier answers(fd, QSocketNotifier::Read);
    QObject::connect(&answers, &QSocketNotifier::activated, [fd] {
        std::uint8_t buffer[256];
        while (::read(fd, buffer, sizeof buffer) > 0) {
        }
    });
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        [[maybe_unused]] const auto written = ::write(fd, poll.data(), poll.size());
    });
    ticks.start(100);
    const int status = QApplication::exec();
    ::close(fd);
    return status;
}
