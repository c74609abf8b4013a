// The one file of tavrel-cli that uses the GUI library: the PDF pages come from the same page
// printer as the application's "Print", so they cannot differ. Qt is started here only, for this
// command, on its offscreen platform; every other command runs without Qt and without a display.

#include "PdfExport.h"

#include "gui/support/ParameterTablePrint.h"
#include "gui/support/PrintJob.h"
#include "model/ParameterTable.h"

#include <QGuiApplication>

#include <cstdio>
#include <memory>

namespace {

// Qt's notes about its surroundings (no runtime directory, no session) mean nothing to a command
// that only writes a file; its critical messages still reach standard error.
void OnlyCriticalMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

// Installs OnlyCriticalMessages for its lifetime.
class QuietQt {
public:
    QuietQt() : m_previous(qInstallMessageHandler(OnlyCriticalMessages)) {}
    ~QuietQt() { qInstallMessageHandler(m_previous); }
    QuietQt(const QuietQt&) = delete;
    QuietQt& operator=(const QuietQt&) = delete;

private:
    QtMessageHandler m_previous;
};

// Qt measures and draws text only inside a GUI application. A PDF needs no screen, so the
// application always runs on the offscreen platform, whatever display the environment names.
std::unique_ptr<QGuiApplication> StartOffscreenApplication() {
    if (QCoreApplication::instance() != nullptr)
        return nullptr;
    static char name[] = "tavrel-cli";
    static char platformOption[] = "-platform";
    static char platform[] = "offscreen";
    static char* argv[] = {name, platformOption, platform, nullptr};
    static int argc = 3;
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace

bool WriteParameterTablesPdf(int count, const ProgramToPrint& program, int deviceType,
                             const std::string& path, std::string& error) {
    const QuietQt quiet;
    const auto application = StartOffscreenApplication();
    PageSequence pages;
    // The programs' tables repeat most of their texts: each is laid out once for all of them.
    const auto layouts = std::make_shared<CellGlyphs>();
    for (int index = 0; index < count; ++index) {
        const ProgramContainer& data = program(index);
        const ParameterTable table(data, deviceType);
        pages.Add(std::make_unique<TablePrinter>(PrintedParameterTable(data, table), layouts));
    }
    QString reason;
    if (!PrintToPdfFile(pages, QString::fromStdString(path), &reason)) {
        error = reason.toStdString();
        return false;
    }
    return true;
}
