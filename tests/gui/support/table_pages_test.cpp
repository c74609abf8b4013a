// The arithmetic of printed tables: rows per page, page count, page order, column edges and the
// page text.

#include "GuiTestSupport.h"

#include "gui/support/TablePages.h"
#include "gui/support/TablePrinter.h"

#include <QtTest>

#include <vector>

using IntList = std::vector<int>;
Q_DECLARE_METATYPE(IntList)

class TablePagesTest : public QObject {
    Q_OBJECT
private slots:
    void rowsAndPages_data();
    void rowsAndPages();
    void pageOrder_data();
    void pageOrder();
    void columnEdgesFillTheWidth_data();
    void columnEdgesFillTheWidth();
    void pageText();
};

void TablePagesTest::rowsAndPages_data() {
    QTest::addColumn<int>("bodyHeight");
    QTest::addColumn<int>("rowHeight");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("rowsPerPage");
    QTest::addColumn<int>("pages");
    // 41 pitches of 10 + 1 give 40 rows: one pitch is kept for closing the grid.
    QTest::newRow("73 rows at 40 a page: 2 pages") << 451 << 10 << 73 << 40 << 2;
    QTest::newRow("a pitch short of 41 gives 39 rows") << 450 << 10 << 73 << 39 << 2;
    QTest::newRow("80 rows fill 2 pages: a third with the empty grid")
        << 451 << 10 << 80 << 40 << 3;
    QTest::newRow("40 rows fill 1 page: a second with the empty grid")
        << 451 << 10 << 40 << 40 << 2;
    QTest::newRow("55 rows on pages of 77: 1 page") << 13039 << 166 << 55 << 77 << 1;
    QTest::newRow("an empty table still has its grid page") << 451 << 10 << 0 << 40 << 1;
    QTest::newRow("a page too small for one row prints one a page") << 15 << 10 << 3 << 1 << 4;
    QTest::newRow("no room at all: still one row a page") << -30 << 10 << 2 << 1 << 3;
}

void TablePagesTest::rowsAndPages() {
    QFETCH(int, bodyHeight);
    QFETCH(int, rowHeight);
    QFETCH(int, rows);
    QFETCH(int, rowsPerPage);
    QFETCH(int, pages);
    QCOMPARE(RowsPerPage(bodyHeight, rowHeight), rowsPerPage);
    QCOMPARE(PageCount(rows, rowsPerPage), pages);
}

void TablePagesTest::pageOrder_data() {
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("last");
    QTest::addColumn<int>("pageCount");
    QTest::addColumn<IntList>("order");
    QTest::newRow("all pages") << 0 << 0 << 3 << IntList{1, 2, 3};
    QTest::newRow("pages 2 to 3") << 2 << 3 << 4 << IntList{2, 3};
    QTest::newRow("pages 3 to 1 print page 3 first") << 3 << 1 << 4 << IntList{3, 2, 1};
    QTest::newRow("one page") << 2 << 2 << 2 << IntList{2};
    QTest::newRow("a range past the end stops at the last page") << 2 << 9 << 3 << IntList{2, 3};
    QTest::newRow("backwards from past the end") << 9 << 2 << 3 << IntList{3, 2};
    QTest::newRow("from page 2 to the end") << 2 << 0 << 3 << IntList{2, 3};
    QTest::newRow("no pages") << 0 << 0 << 0 << IntList{};
}

void TablePagesTest::pageOrder() {
    QFETCH(int, first);
    QFETCH(int, last);
    QFETCH(int, pageCount);
    QFETCH(IntList, order);
    QCOMPARE(PageOrder(PageRange{first, last}, pageCount), order);
}

void TablePagesTest::columnEdgesFillTheWidth_data() {
    QTest::addColumn<IntList>("widths");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("width");
    QTest::addColumn<IntList>("edges");
    QTest::newRow("3x6 list widths onto their own sum: unscaled")
        << IntList{160, 90, 90, 90, 90, 90, 90, 90, 90, 90} << 0 << 970
        << IntList{0, 160, 250, 340, 430, 520, 610, 700, 790, 880, 970};
    QTest::newRow("doubled, from a margin")
        << IntList{160, 90, 90} << 100 << 680 << IntList{100, 420, 600, 780};
    QTest::newRow("rounded, the last edge exactly at the right")
        << IntList{1, 1, 1} << 0 << 100 << IntList{0, 33, 67, 100};
    QTest::newRow("no widths at all: equal shares")
        << IntList{0, 0} << 10 << 100 << IntList{10, 60, 110};
    QTest::newRow("no columns") << IntList{} << 10 << 100 << IntList{10};
}

void TablePagesTest::columnEdgesFillTheWidth() {
    QFETCH(IntList, widths);
    QFETCH(int, left);
    QFETCH(int, width);
    QFETCH(IntList, edges);
    QCOMPARE(ColumnEdges(widths, left, width), edges);
}

void TablePagesTest::pageText() {
    const QString format = QStringLiteral("Page %d of %d");
    QCOMPARE(PageText(format, 2, 2), QStringLiteral("Page 2 of 2"));
    QCOMPARE(PageText(format, 10, 12), QStringLiteral("Page 10 of 12"));
    // Only the two numbers are filled in: other percent signs stay as they are.
    QCOMPARE(PageText(QStringLiteral("%s %d%% %d %d"), 1, 2), QStringLiteral("%s 1%% 2 %d"));
}

TAVREL_GUI_TEST_MAIN(TablePagesTest)
#include "table_pages_test.moc"
