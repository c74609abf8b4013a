// The baseline of the start-up bench: the least a Qt Widgets program does to show a window of
// the main window's size and save it, the way `tavrel --screenshot FILE` does (first look 100 ms
// after the event loop started, then grab, save and quit).
//
//   minimal_qt_window FILE

#include <QApplication>
#include <QCoreApplication>
#include <QTimer>
#include <QWidget>

#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: minimal_qt_window FILE\n");
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);
    QWidget window;
    window.setFixedSize(1050, 720);
    window.setWindowTitle(QStringLiteral("Minimal"));
    window.show();
    QTimer::singleShot(100, &window,
                       [&] { QCoreApplication::exit(window.grab().save(file, "PNG") ? 0 : 1); });
    return QApplication::exec();
}
