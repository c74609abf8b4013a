// Printed pages of a table: the grid and page texts as rendered to an image and to PDF, and the
// print job's page loop (order, a device that cannot start, an aborted job).

#include "GuiTestSupport.h"
#include "PdfPages.h"

#include "gui/support/ParameterTablePrint.h"
#include "gui/support/PrintJob.h"
#include "gui/support/TablePrinter.h"
#include "model/DeviceModel.h"
#include "model/Filter.h"
#include "model/InputChannel.h"
#include "model/OutputChannel.h"
#include "model/ParameterTable.h"
#include "model/ProgramContainer.h"

#include <QFile>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <memory>
#include <vector>

using namespace guitest;

namespace {

int MmToDots(double mm, int dpi) {
    return static_cast<int>(std::lround(mm * dpi / 25.4));
}

// A white A4-wide page image of `height` dots at `dpi`.
QImage PageImage(int dpi, int height) {
    QImage image(MmToDots(210, dpi), height, QImage::Format_RGB32);
    const int dotsPerMetre = static_cast<int>(std::lround(dpi / 0.0254));
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    image.fill(Qt::white);
    return image;
}

// The page height, in dots at `dpi`, on which an A4-wide page holds `rows` rows of `table`: the
// fixed parts of the page plus rows + 1 row pitches and half a pitch to spare.
int HeightForRowsPerPage(const PrintedTable& table, int dpi, int rows) {
    const QImage probe = PageImage(dpi, MmToDots(297, dpi));
    TablePrinter printer(table);
    printer.BeginPrinting(probe);
    const TablePageLayout& layout = printer.Layout();
    const int pitch = layout.rowHeight + 1;
    const int fixed = probe.height() - layout.printable.height() + layout.titleHeight +
                      layout.rowHeight + layout.footerHeight;
    return fixed + (rows + 1) * pitch + pitch / 2;
}

// Dark pixels inside `area`.
int InkIn(const QImage& image, const QRect& area) {
    int ink = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            ink += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
    }
    return ink;
}

PrintedTable FourByEightTable(const char* programName) {
    ProgramContainer data;
    data.setDeviceType(1);
    data.setProgramName(programName);
    return PrintedParameterTable(data, ParameterTable(data, 1));
}

// The pages the reference renderings show: a 4x8 program with named channels and shelf bands,
// the 3x6 and 2x4 defaults, and a plain table long enough for a second page with empty rows.
void AddReferenceTables(PageSequence& pages) {
    ProgramContainer hall;
    hall.setProgramName("Hall");
    hall.input(0).setName("Kick");
    hall.input(0).filter(1).setType(Filter::kLowShelf);
    hall.output(2).setName("Sub L");
    hall.output(2).filter(5).setType(Filter::kHighShelf);
    pages.Add(std::make_unique<TablePrinter>(
        PrintedParameterTable(hall, ParameterTable(hall, kDeviceType4x8))));
    for (int deviceType : {kDeviceType3x6, kDeviceType2x4}) {
        ProgramContainer data;
        data.setDeviceType(deviceType);
        pages.Add(std::make_unique<TablePrinter>(
            PrintedParameterTable(data, ParameterTable(data, deviceType))));
    }
    PrintedTable plain;
    plain.headings = {QStringLiteral("Row"), QStringLiteral("Left"), QStringLiteral("Right")};
    plain.widths = {160, 90, 200};
    plain.alignments = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    for (int r = 0; r < 100; ++r)
        plain.rows.push_back({QString::number(r + 1), QStringLiteral("L%1").arg(r),
                              r % 3 == 0 ? QString() : QStringLiteral("right %1").arg(r)});
    plain.title = QStringLiteral("A plain table\nwith a title on two lines");
    plain.pageFormat = QStringLiteral("Page %d of %d");
    plain.footer = QStringLiteral("footer text");
    pages.Add(std::make_unique<TablePrinter>(std::move(plain)));
}

// Pages that only record which page was drawn when.
class RecordingPages : public IPrintablePages {
public:
    explicit RecordingPages(int pages) : m_pages(pages) {}
    void BeginPrinting(const QPaintDevice&) override { ++begun; }
    int PageCount() const override { return m_pages; }
    void PrintPage(QPainter& painter, int page) const override {
        printed.push_back(page);
        painter.drawText(100, 100, QStringLiteral("page %1").arg(page));
    }
    void EndPrinting() override { ++ended; }

    mutable std::vector<int> printed;
    int begun = 0;
    int ended = 0;

private:
    int m_pages;
};

} // namespace

class TablePrinterTest : public QObject {
    Q_OBJECT
private slots:
    void seventyThreeRowsAtFortyAPageLeaveAnEmptyGridOnPageTwo();
    void seventyThreeRowsAtFortyAPageMakeTwoPdfPages();
    void aDeviceThatCannotStartSaysSoAndPrintsNothing();
    void anAbortedJobEndsAfterThePageAndLeavesNoFile();
    void pdfPagesLookExactlyAsTheReferenceRenderings();
};

void TablePrinterTest::seventyThreeRowsAtFortyAPageLeaveAnEmptyGridOnPageTwo() {
    constexpr int kDpi = 150;
    const PrintedTable table = FourByEightTable("Hall");
    QCOMPARE(table.rows.size(), std::size_t{73});
    QImage page = PageImage(kDpi, HeightForRowsPerPage(table, kDpi, 40));
    TablePrinter printer(table);
    printer.BeginPrinting(page);
    const TablePageLayout& layout = printer.Layout();
    QCOMPARE(layout.rowsPerPage, 40);
    QCOMPARE(printer.PageCount(), 2);
    {
        QPainter painter(&page);
        printer.PrintPage(painter, 2);
    }
    QString error;
    QVERIFY2(WritePicture(page, QStringLiteral(TAVREL_BINARY_DIR "/screenshots/printed-page-2.png"),
                          &error),
             qPrintable(error));

    // Inside a cell, clear of its lines.
    const int inset = layout.lineWidth + 1;
    const auto cell = [&](int slot, int column) {
        const auto c = static_cast<std::size_t>(column);
        const int top = layout.SlotTop(slot);
        return QRect(QPoint(layout.columnEdges[c] + inset, top + inset),
                     QPoint(layout.columnEdges[c + 1] - inset, top + layout.rowHeight - inset));
    };
    const int columns = static_cast<int>(layout.columnEdges.size()) - 1;
    // Rows 41..73 fill slots 0..32: the last one, "Compression Mode", shows its label and "Limit".
    QVERIFY(InkIn(page, cell(32, 0)) > 0);
    QVERIFY(InkIn(page, cell(32, 5)) > 0);
    for (int slot = 33; slot < 40; ++slot) {
        for (int c = 0; c < columns; ++c)
            QVERIFY2(InkIn(page, cell(slot, c)) == 0,
                     qPrintable(QStringLiteral("slot %1").arg(slot)));
        // ... but their grid is there: the bottom line of every cell and the left line of each.
        const int bottom = layout.SlotTop(slot) + layout.rowHeight;
        for (int c = 0; c < columns; ++c) {
            const auto e = static_cast<std::size_t>(c);
            const int middle = (layout.columnEdges[e] + layout.columnEdges[e + 1]) / 2;
            QVERIFY(qGray(page.pixel(middle, bottom)) < 128);
            QVERIFY(qGray(page.pixel(layout.columnEdges[e], bottom - layout.rowHeight / 2)) < 128);
        }
        QVERIFY(qGray(page.pixel(layout.columnEdges.back(), bottom - layout.rowHeight / 2)) < 128);
    }
    // Nothing below the closing line but the (empty) footer.
    const int closing = layout.SlotTop(40);
    QCOMPARE(InkIn(page, QRect(QPoint(0, closing + layout.lineWidth + 1),
                               QPoint(page.width() - 1, page.height() - 1))),
             0);
}

void TablePrinterTest::seventyThreeRowsAtFortyAPageMakeTwoPdfPages() {
    constexpr int kDpi = 1200;
    const PrintedTable table = FourByEightTable("Hall");
    const double heightMm = HeightForRowsPerPage(table, kDpi, 40) * 25.4 / kDpi;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("pages.pdf"));
    {
        QPdfWriter writer(path);
        writer.setResolution(kDpi);
        writer.setPageLayout(QPageLayout(QPageSize(QSizeF(210, heightMm), QPageSize::Millimeter),
                                         QPageLayout::Portrait, QMarginsF()));
        TablePrinter printer(table);
        MessageRecorder messages;
        PrintJob job(printer, messages);
        QCOMPARE(job.Run(writer, PageRange{}), PrintJob::Result::Printed);
        QCOMPARE(printer.Layout().rowsPerPage, 40);
        QVERIFY(messages.Texts().isEmpty());
    }
    QCOMPARE(PdfPageCount(path), 2);
    const QString first = PdfPageText(path, 1);
    const QString second = PdfPageText(path, 2);
    QVERIFY2(first.contains(QStringLiteral("Page 1 of 2")), qPrintable(first));
    QVERIFY(first.contains(QStringLiteral("InPut Source")));
    QVERIFY(!first.contains(QStringLiteral("Threshold")));
    QVERIFY2(second.contains(QStringLiteral("Page 2 of 2")), qPrintable(second));
    // Every page carries the title and the column headings.
    QVERIFY(second.contains(QStringLiteral("Driver Type\uFF1A4x8")));
    QVERIFY(second.contains(QStringLiteral("Program Name:Hall")));
    QVERIFY(second.contains(QStringLiteral("Input D")));
    QVERIFY(second.contains(QStringLiteral("Compression Mode")));
    QVERIFY(!second.contains(QStringLiteral("InPut Source")));
}

void TablePrinterTest::aDeviceThatCannotStartSaysSoAndPrintsNothing() {
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("missing/pages.pdf")));
    RecordingPages pages(2);
    MessageRecorder messages;
    PrintJob job(pages, messages);
    QCOMPARE(job.Run(printer, PageRange{}), PrintJob::Result::CouldNotStart);
    QCOMPARE(messages.Texts(), QStringList{QStringLiteral("Could not start print job.")});
    QCOMPARE(messages.Messages().front().kind, MessageKind::Error);
    QVERIFY(pages.printed.empty());
    QCOMPARE(pages.ended, 1);
}

void TablePrinterTest::anAbortedJobEndsAfterThePageAndLeavesNoFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("pages.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    RecordingPages pages(4);
    MessageRecorder messages;
    PrintJob job(pages, messages);
    std::vector<std::pair<int, int>> checks;
    job.SetAbortCheck([&checks](int printed, int total) {
        checks.emplace_back(printed, total);
        return printed == 2; // the operator cancels while page 2 prints
    });
    QCOMPARE(job.Run(printer, PageRange{4, 1}), PrintJob::Result::Aborted);
    QCOMPARE(pages.printed, (std::vector<int>{4, 3}));
    QCOMPARE(checks, (std::vector<std::pair<int, int>>{{1, 4}, {2, 4}}));
    QCOMPARE(pages.ended, 1);
    QVERIFY(messages.Texts().isEmpty());
    QVERIFY(!QFile::exists(path));
}

// The exported pages, rendered at 100 dpi, against renderings kept with the tests: a change of
// the drawing code must not move a single pixel of a page. A missing or differing page is written
// to <build>/printed-pages/ for a look (and, when the change is meant, to be kept instead).
void TablePrinterTest::pdfPagesLookExactlyAsTheReferenceRenderings() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("pages.pdf"));
    PageSequence pages;
    AddReferenceTables(pages);
    QString error;
    QVERIFY2(PrintToPdfFile(pages, path, &error), qPrintable(error));
    const QList<QImage> rendered = PdfPageImages(path, 100);
    QCOMPARE(rendered.size(), 5);
    const QString references = QStringLiteral(TAVREL_SOURCE_DIR "/tests/gui/support/printed-pages");
    const QString output = QStringLiteral(TAVREL_BINARY_DIR "/printed-pages");
    QStringList differing;
    for (int i = 0; i < rendered.size(); ++i) {
        const QString name = QStringLiteral("page-%1.png").arg(i + 1);
        const QImage page = rendered[i].convertToFormat(QImage::Format_Grayscale8);
        const QImage reference =
            QImage(references + QLatin1Char('/') + name).convertToFormat(QImage::Format_Grayscale8);
        if (page == reference)
            continue;
        differing << name;
        QVERIFY2(WritePicture(page, output + QLatin1Char('/') + name, &error), qPrintable(error));
    }
    QVERIFY2(differing.isEmpty(),
             qPrintable(QStringLiteral("%1 differ from the references in %2 (renderings written "
                                       "to %3)")
                            .arg(differing.join(QStringLiteral(", ")), references, output)));
}

TAVREL_GUI_TEST_MAIN(TablePrinterTest)
#include "table_printer_test.moc"
