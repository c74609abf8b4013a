#include "gui/shell/Application.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavrel1.0"));
    Application theApp;
    if (!theApp.InitInstance(Application::ParseCommandLine(QApplication::arguments())))
        return 1;
    return QApplication::exec();
}
