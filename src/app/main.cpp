#include "app/Vuze48.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavrel1.0"));
    CVuze48App theApp;
    if (!theApp.InitInstance(CVuze48App::ParseCommandLine(QApplication::arguments())))
        return 1;
    return QApplication::exec();
}
