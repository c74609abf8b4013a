// The data view: the list of every parameter, printing it in pages (through the printer chooser
// and Qt's print-to-file), exporting it as CSV or PDF, and the main view's "DataView" button.

#include "GuiTestSupport.h"
#include "PdfPages.h"
#include "SurfaceHarness.h"

#include "files/ProgramFile.h"
#include "gui/dialogs/ParameterTableDialog.h"
#include "gui/shell/MainWindow.h"
#include "gui/surface/ControlSurface.h"
#include "gui/surface/SurfaceDocument.h"
#include "gui/widgets/TwoStateButton.h"
#include "model/ProgramContainer.h"

#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QPageSize>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <optional>
#include <sys/stat.h>

using namespace guitest;

namespace {

const QString kCli = QStringLiteral(TAVREL_BINARY_DIR "/tools/cli/tavrel-cli");

std::unique_ptr<ProgramContainer> Program(int deviceType, const char* name) {
    auto data = std::make_unique<ProgramContainer>();
    data->setDeviceType(deviceType);
    data->setProgramName(name);
    return data;
}

// Prints through Qt's print-to-file into `path` on `pageSize`, choosing `range`; counts its calls.
ParameterTableDialog::PrinterChooser PdfChooser(const QString& path, const QPageSize& pageSize,
                                                PageRange range, int* calls = nullptr) {
    return [=](QPrinter& printer, int, QWidget*) -> std::optional<PageRange> {
        if (calls != nullptr)
            ++*calls;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        printer.setPageSize(pageSize);
        return range;
    };
}

QString CellText(QTableWidget* list, int row, int column) {
    const QTableWidgetItem* item = list->item(row, column);
    return item != nullptr ? item->text() : QStringLiteral("<no item>");
}

int RowOf(QTableWidget* list, const QString& label) {
    for (int r = 0; r < list->rowCount(); ++r) {
        if (CellText(list, r, 0) == label)
            return r;
    }
    return -1;
}

} // namespace

class ParameterTableDialogTest : public QObject {
    Q_OBJECT
private slots:
    void listShowsEveryParameterOfTheModel_data();
    void listShowsEveryParameterOfTheModel();
    void peqBandsShowBandwidthAndQAndShelvesLeaveThemEmpty();
    void listColoursAndScreenshot();
    void printedPagesCarryTitleAndPageText();
    void pagesThreeToOnePrintPageThreeFirst();
    void cancelledOrEmptyPrintingPrintsNothingSilently();
    void printOrExportThatCannotBeSavedSaysWhyAndLeavesTheTarget_data();
    void printOrExportThatCannotBeSavedSaysWhyAndLeavesTheTarget();
    void exportChoosesTheFormatByExtension();
    void exportChooserAddsTheExtensionOfTheFormatShown();
    void printExportAndCommandLineGiveTheSamePages();
    void dataViewButtonIsDownWhileTheDialogIsUp_data();
    void dataViewButtonIsDownWhileTheDialogIsUp();

private:
    MessageRecorder m_messages;
};

void ParameterTableDialogTest::listShowsEveryParameterOfTheModel_data() {
    QTest::addColumn<int>("deviceType");
    QTest::addColumn<QStringList>("headings");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QStringList>("absentRows");
    QTest::newRow("4x8: 13 columns, 73 rows")
        << 1 << QStringList{"Hall", "Input A", "Input B", "Input C", "Input D", "Out1", "Out2",
                            "Out3", "Out4",    "Out5",    "Out6",    "Out7",    "Out8"}
        << 73 << QStringList{};
    QTest::newRow("3x6: 10 columns, 55 rows, no source, clip, ratio or compression rows")
        << 2 << QStringList{"Hall", "Input A", "Input B", "Input C", "Out1",
                            "Out2", "Out3",    "Out4",    "Out5",    "Out6"}
        << 55 << QStringList{"InPut Source", "Src CHD",          "EQ7 Type",        "Clip Limit",
                             "Ratio",        "Compression Type", "Compression Mode"};
    QTest::newRow("2x4: 7 columns, 55 rows")
        << 3 << QStringList{"Hall", "Input A", "Input B", "Out1", "Out2", "Out3", "Out4"} << 55
        << QStringList{"InPut Source", "Src CHC", "Clip Limit"};
}

void ParameterTableDialogTest::listShowsEveryParameterOfTheModel() {
    QFETCH(int, deviceType);
    QFETCH(QStringList, headings);
    QFETCH(int, rows);
    QFETCH(QStringList, absentRows);
    const auto data = Program(deviceType, "Hall");
    ParameterTableDialog dialog(*data, deviceType, m_messages);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("DataView"));
    QTableWidget* list = dialog.List();
    QCOMPARE(list->columnCount(), headings.size());
    QCOMPARE(list->rowCount(), rows);
    for (int c = 0; c < list->columnCount(); ++c) {
        QCOMPARE(list->horizontalHeaderItem(c)->text(), headings[c]);
        QCOMPARE(list->columnWidth(c), c == 0 ? 160 : 90);
    }
    // Every cell as the parameter table gives it, centred and read-only.
    const ParameterTable& table = dialog.Table();
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < list->columnCount(); ++c) {
            const QTableWidgetItem* item = list->item(r, c);
            QVERIFY(item != nullptr);
            QCOMPARE(item->text(), QString::fromStdString(table.cell(r, c)));
            QCOMPARE(item->textAlignment(), int(Qt::AlignCenter));
        }
    }
    QCOMPARE(list->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(list->selectionBehavior(), QAbstractItemView::SelectRows);
    for (const QString& label : absentRows)
        QVERIFY2(RowOf(list, label) < 0, qPrintable(label));
    QCOMPARE(CellText(list, 0, 0), QStringLiteral("Name"));
}

void ParameterTableDialogTest::peqBandsShowBandwidthAndQAndShelvesLeaveThemEmpty() {
    const auto data = Program(2, "Shelves");
    Filter& peq = data->input(1).filter(3);
    peq.setFrequency(1000);
    peq.setBandwidthIndex(5);
    Filter& shelf = data->output(0).filter(3);
    shelf.setType(2);
    ParameterTableDialog dialog(*data, 2, m_messages);
    QTableWidget* list = dialog.List();
    const int peqColumn = 2;   // Input B
    const int shelfColumn = 4; // Out1
    QCOMPARE(CellText(list, RowOf(list, "EQ4 Freq"), peqColumn), QStringLiteral("1000"));
    QVERIFY(!CellText(list, RowOf(list, "EQ4 BW"), peqColumn).isEmpty());
    QVERIFY(!CellText(list, RowOf(list, "EQ4 Q"), peqColumn).isEmpty());
    QVERIFY(CellText(list, RowOf(list, "EQ4 Type"), shelfColumn).startsWith("Hi_Shf"));
    QCOMPARE(CellText(list, RowOf(list, "EQ4 BW"), shelfColumn), QString());
    QCOMPARE(CellText(list, RowOf(list, "EQ4 Q"), shelfColumn), QString());
    // The shelf's neighbours keep theirs.
    QVERIFY(!CellText(list, RowOf(list, "EQ4 Q"), shelfColumn + 1).isEmpty());
}

void ParameterTableDialogTest::listColoursAndScreenshot() {
    const auto data = Program(1, "Hall");
    data->input(0).setName("Vocals");
    ParameterTableDialog dialog(*data, 1, m_messages);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QTableWidget* list = dialog.List();
    QCOMPARE(list->palette().color(QPalette::Base), QColor(247, 247, 255));
    QCOMPARE(list->item(0, 1)->foreground().color(), QColor(0, 0, 255));
    QCOMPARE(dialog.PrintButton()->text(), QStringLiteral("Print"));
    QCOMPARE(dialog.ExportButton()->text(), QStringLiteral("Export\u2026"));

    const QImage shot = SaveShot(dialog, QStringLiteral("data-view-4x8"));
    QVERIFY(!shot.isNull());
    // The background of an empty cell (Out1's "NoiseGate") and blue text in Input A's "Name".
    const QPoint origin = list->viewport()->mapTo(&dialog, QPoint(0, 0));
    const QRect empty = list->visualItemRect(list->item(RowOf(list, "NoiseGate"), 5));
    QCOMPARE(QColor(shot.pixel(origin + empty.center())), QColor(247, 247, 255));
    const QRect name = list->visualItemRect(list->item(0, 1)).translated(origin);
    bool blue = false;
    for (int y = name.top(); y <= name.bottom() && !blue; ++y) {
        for (int x = name.left(); x <= name.right() && !blue; ++x) {
            const QColor pixel(shot.pixel(x, y));
            blue = pixel.blue() > 200 && pixel.red() < 120 && pixel.green() < 120;
        }
    }
    QVERIFY(blue);
}

void ParameterTableDialogTest::printedPagesCarryTitleAndPageText() {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("print.pdf"));
    const auto data = Program(1, "Hall");
    ParameterTableDialog dialog(*data, 1, m_messages);
    dialog.SetPrinterChooser(PdfChooser(pdf, QPageSize(QPageSize::A4), PageRange{}));
    m_messages.Clear();
    QTest::mouseClick(dialog.PrintButton(), Qt::LeftButton);
    QVERIFY(m_messages.Texts().isEmpty());
    QCOMPARE(PdfPageCount(pdf), 1);
    const QStringList lines = PdfPageText(pdf, 1).split(QLatin1Char('\n'));
    QVERIFY(lines.size() > 3);
    // "Driver Type：4x8" with the page text right of it, then "Program Name:" and the name.
    QVERIFY2(lines[0].trimmed().startsWith(QStringLiteral("Driver Type\uFF1A4x8")),
             qPrintable(lines[0]));
    QVERIFY2(lines[0].trimmed().endsWith(QStringLiteral("Page 1 of 1")), qPrintable(lines[0]));
    QCOMPARE(lines[1].trimmed(), QStringLiteral("Program Name:Hall"));
    QVERIFY2(lines[2].simplified().startsWith(QStringLiteral("Hall Input A Input B")),
             qPrintable(lines[2]));
}

void ParameterTableDialogTest::pagesThreeToOnePrintPageThreeFirst() {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("backwards.pdf"));
    const auto data = Program(1, "Hall");
    ParameterTableDialog dialog(*data, 1, m_messages);
    // A6 landscape holds about 21 rows a page: 73 rows take 4 pages.
    dialog.SetPrinterChooser([&](QPrinter& printer, int, QWidget*) -> std::optional<PageRange> {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPageSize(QPageSize(QPageSize::A6));
        printer.setPageOrientation(QPageLayout::Landscape);
        return PageRange{3, 1};
    });
    dialog.Print();
    QCOMPARE(PdfPageCount(pdf), 3);
    const QString first = PdfPageText(pdf, 1);
    const QString last = PdfPageText(pdf, 3);
    const QRegularExpression pageText(QStringLiteral("Page (\\d) of (\\d)"));
    const QRegularExpressionMatch firstPage = pageText.match(first);
    QVERIFY2(firstPage.hasMatch(), qPrintable(first));
    QCOMPARE(firstPage.captured(1), QStringLiteral("3"));
    QCOMPARE(firstPage.captured(2), QStringLiteral("4"));
    QCOMPARE(pageText.match(PdfPageText(pdf, 2)).captured(1), QStringLiteral("2"));
    QCOMPARE(pageText.match(last).captured(1), QStringLiteral("1"));
    QVERIFY(last.contains(QStringLiteral("InPut Source")));
    QVERIFY(!first.contains(QStringLiteral("InPut Source")));
}

void ParameterTableDialogTest::cancelledOrEmptyPrintingPrintsNothingSilently() {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("never.pdf"));
    const auto data = Program(1, "Hall");
    m_messages.Clear();

    // A chooser that is cancelled after setting up the printer.
    ParameterTableDialog dialog(*data, 1, m_messages);
    dialog.SetPrinterChooser([&](QPrinter& printer, int, QWidget*) -> std::optional<PageRange> {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return std::nullopt;
    });
    dialog.Print();
    QVERIFY(!QFile::exists(pdf));

    // The platform's print dialog, cancelled by the operator.
    bool sawPrintDialog = false;
    int offeredPages = 0;
    {
        ModalWatcher cancel([&](QWidget* modal) {
            if (auto* printDialog = qobject_cast<QPrintDialog*>(modal)) {
                sawPrintDialog = true;
                offeredPages = printDialog->maxPage();
                printDialog->reject();
            }
        });
        dialog.SetPrinterChooser(RunPrintDialog);
        dialog.Print();
    }
    QVERIFY(sawPrintDialog);
    QCOMPARE(offeredPages, 1); // the whole 4x8 table fits one page of the default paper

    // A table without rows (an unknown device type) does not even ask.
    int calls = 0;
    ParameterTableDialog empty(*data, 7, m_messages);
    empty.SetPrinterChooser(PdfChooser(pdf, QPageSize(QPageSize::A4), PageRange{}, &calls));
    empty.Print();
    QCOMPARE(calls, 0);
    QVERIFY(!QFile::exists(pdf));
    QVERIFY(m_messages.Texts().isEmpty());
}

void ParameterTableDialogTest::printOrExportThatCannotBeSavedSaysWhyAndLeavesTheTarget_data() {
    QTest::addColumn<bool>("print"); // through the printer's print-to-file, else Export
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("made"); // what the test puts there: "", "fifo", "link", "folder"
    QTest::addColumn<QString>("reason");
    QTest::newRow("print into a missing folder") << true << "missing/print.pdf"
                                                 << ""
                                                 << "its folder does not exist";
    QTest::newRow("print into a named pipe") << true << "pipe.pdf"
                                             << "fifo"
                                             << "is a named pipe (FIFO), not a regular file";
    QTest::newRow("PDF export through a link to a named pipe")
        << false << "link.pdf"
        << "link"
        << "is a link to %1/pipe, which is a named pipe (FIFO), not a regular file";
    QTest::newRow("CSV export over a folder") << false << "folder.csv"
                                              << "folder"
                                              << "is a directory";
}

void ParameterTableDialogTest::printOrExportThatCannotBeSavedSaysWhyAndLeavesTheTarget() {
    QFETCH(bool, print);
    QFETCH(QString, name);
    QFETCH(QString, made);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString target = dir.filePath(name);
    const QString pipe = dir.filePath(made == QLatin1String("link") ? "pipe" : name);
    if (made == QLatin1String("fifo") || made == QLatin1String("link"))
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    if (made == QLatin1String("link"))
        QVERIFY(QFile::link(pipe, target));
    if (made == QLatin1String("folder"))
        QVERIFY(QDir().mkdir(target));

    const auto data = Program(3, "Hall");
    ParameterTableDialog dialog(*data, 3, m_messages);
    m_messages.Clear();
    if (print) {
        dialog.SetPrinterChooser(PdfChooser(target, QPageSize(QPageSize::A4), PageRange{}));
        dialog.Print();
    } else {
        QVERIFY(!dialog.ExportTo(target));
    }
    QCOMPARE(m_messages.Texts(), QStringList{QStringLiteral("Could not write %1: %2")
                                                 .arg(target, reason.replace("%1", dir.path()))});
    // Whatever was there is still there, and nothing else was left behind.
    const QFileInfo after(target);
    QCOMPARE(after.isSymLink(), made == QLatin1String("link"));
    QCOMPARE(after.isDir(), made == QLatin1String("folder"));
    QCOMPARE(after.exists() && !after.isFile() && !after.isDir(),
             !made.isEmpty() && made != QLatin1String("folder"));
    QCOMPARE(QDir(dir.path())
                 .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)
                 .size(),
             made.isEmpty()                  ? 0
             : made == QLatin1String("link") ? 2
                                             : 1);
}

void ParameterTableDialogTest::exportChoosesTheFormatByExtension() {
    QTemporaryDir dir;
    const auto data = Program(2, "Hall");
    data->output(0).setName("Sub,L");
    ParameterTableDialog dialog(*data, 2, m_messages);
    m_messages.Clear();

    const QString csv = dir.filePath(QStringLiteral("table.csv"));
    QVERIFY(dialog.ExportTo(csv));
    QFile csvFile(csv);
    QVERIFY(csvFile.open(QIODevice::ReadOnly));
    const QByteArray csvBytes = csvFile.readAll();
    QCOMPARE(csvBytes, QByteArray::fromStdString(FormatParameterTableCsv(dialog.Table())));
    QVERIFY(csvBytes.startsWith("Hall,Input A,Input B,Input C,Out1,"));
    QVERIFY(csvBytes.contains("\r\nName,A,B,C,\"Sub,L\",2,"));

    const QString pdf = dir.filePath(QStringLiteral("table.PDF"));
    QVERIFY(dialog.ExportTo(pdf));
    QCOMPARE(PdfPageCount(pdf), 1);
    QVERIFY(PdfPageText(pdf, 1).contains(QStringLiteral("Driver Type\uFF1A3x6")));
    QVERIFY(m_messages.Texts().isEmpty());

    QVERIFY(!dialog.ExportTo(dir.filePath(QStringLiteral("table.txt"))));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("table.txt"))));
    QVERIFY(!dialog.ExportTo(dir.filePath(QStringLiteral("missing/table.csv"))));
    const QStringList texts = m_messages.Texts();
    QCOMPARE(texts.size(), 2);
    QCOMPARE(texts[0], QStringLiteral("Export needs a file name ending in .csv or .pdf."));
    QVERIFY2(texts[1].startsWith(QStringLiteral("Could not write ") +
                                 dir.filePath(QStringLiteral("missing/table.csv"))),
             qPrintable(texts[1]));
}

void ParameterTableDialogTest::exportChooserAddsTheExtensionOfTheFormatShown() {
    QTemporaryDir dir;
    const auto data = Program(3, "Hall");
    ParameterTableDialog dialog(*data, 3, m_messages);
    bool sawChooser = false;
    ModalWatcher answer([&](QWidget* modal) {
        auto* chooser = qobject_cast<QFileDialog*>(modal);
        if (chooser == nullptr || sawChooser)
            return;
        sawChooser = true;
        chooser->selectNameFilter(QStringLiteral("PDF (*.pdf)"));
        // Typed as the operator would: the name without extension.
        auto* name = chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(name != nullptr);
        name->setText(dir.filePath(QStringLiteral("hall")));
        static_cast<QDialog*>(chooser)->accept(); // QFileDialog::accept(), as OK does
    });
    dialog.Export();
    QVERIFY(sawChooser);
    QCOMPARE(PdfPageCount(dir.filePath(QStringLiteral("hall.pdf"))), 1);
}

void ParameterTableDialogTest::printExportAndCommandLineGiveTheSamePages() {
    QTemporaryDir dir;
    // A program read from a file, as the command line reads it.
    const auto stored = Program(1, "Front\x01Hall");
    stored->input(2).setName("Choir");
    stored->output(4).filter(0).setType(1);
    const QString file = dir.filePath(QStringLiteral("front.dia48"));
    QCOMPARE(SaveProgramSetting(file.toStdString(), *stored), ProgramFileStatus::Ok);
    const auto data = Program(1, "");
    QCOMPARE(LoadProgramSetting(file.toStdString(), *data), ProgramFileStatus::Ok);

    const QString printed = dir.filePath(QStringLiteral("printed.pdf"));
    const QString exported = dir.filePath(QStringLiteral("exported.pdf"));
    const QString commandLine = dir.filePath(QStringLiteral("cli.pdf"));
    ParameterTableDialog dialog(*data, 1, m_messages);
    dialog.SetPrinterChooser(PdfChooser(printed, QPageSize(QPageSize::A4), PageRange{}));
    dialog.Print();
    QVERIFY(dialog.ExportTo(exported));

    // The command line needs no display.
    QProcess cli;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    cli.setProcessEnvironment(environment);
    cli.start(kCli, {QStringLiteral("dump"), QStringLiteral("--pdf"), commandLine, file});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitCode(), 0);
    QCOMPARE(cli.readAllStandardError(), QByteArray());

    const QList<QImage> printedPages = PdfPageImages(printed, 50);
    QCOMPARE(printedPages.size(), 1);
    QVERIFY(printedPages == PdfPageImages(exported, 50));
    QVERIFY(printedPages == PdfPageImages(commandLine, 50));
    // The control byte of the name is printed as a space.
    QVERIFY(PdfPageText(commandLine, 1).contains(QStringLiteral("Program Name:Front Hall")));
}

void ParameterTableDialogTest::dataViewButtonIsDownWhileTheDialogIsUp_data() {
    QTest::addColumn<int>("deviceType");
    QTest::newRow("4x8") << 1;
    QTest::newRow("3x6") << 2;
    QTest::newRow("2x4") << 3;
}

void ParameterTableDialogTest::dataViewButtonIsDownWhileTheDialogIsUp() {
    QFETCH(int, deviceType);
    SurfaceHarness harness;
    ControlSurface* surface = harness.Show(DeviceCommand(deviceType));
    QVERIFY(surface != nullptr);
    surface->Document().Data().setProgramName("Live");
    surface->Document().Data().output(0).setName("Sub");
    TwoStateButton* button = surface->SideButtonAt(SideButton::DataView);
    QCOMPARE(button->state(), 1);

    int stateWhileUp = -1;
    int typeShown = 0;
    QString heading;
    QString outputName;
    ModalWatcher close([&](QWidget* modal) {
        auto* dialog = qobject_cast<ParameterTableDialog*>(modal);
        if (dialog == nullptr)
            return;
        stateWhileUp = button->state();
        typeShown = dialog->Table().deviceType();
        heading = dialog->List()->horizontalHeaderItem(0)->text();
        outputName = CellText(dialog->List(), 0, dialog->Table().inputColumns() + 1);
        dialog->reject();
    });
    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(stateWhileUp, 0);
    QCOMPARE(typeShown, deviceType);
    QCOMPARE(heading, QStringLiteral("Live"));
    QCOMPARE(outputName, QStringLiteral("Sub"));
    QCOMPARE(button->state(), 1);
    QVERIFY(harness.Messages().Texts().isEmpty());
}

TAVREL_GUI_TEST_MAIN(ParameterTableDialogTest)
#include "parameter_table_dialog_test.moc"
