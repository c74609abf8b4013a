#pragma once

#include <vector>

// The arithmetic of a table printed in pages, in device units. The printer class draws what these
// give; they are kept apart so each rule can be checked on its own.

// The pages the operator chose, 1-based; 0 for both means every page.
struct PageRange {
    int first = 0;
    int last = 0;
};

// Table rows that fit in `bodyHeight`, the printable height less the title area, the
// column-heading row and the footer: each row takes its height plus one unit for its bottom
// line, and one row's room is kept for closing the grid. At least one row, so that a page too
// small for the fonts still prints (cramped) instead of dividing by zero.
int RowsPerPage(int bodyHeight, int rowHeight);

// Pages of `rows` table rows. A page is always started after the last full one, so a table that
// fills its pages exactly gets one more page holding only the empty grid, and an empty table one
// page. Precondition: rowsPerPage >= 1.
int PageCount(int rows, int rowsPerPage);

// The pages to print, in order: `range` clamped to 1..pageCount (0 = from the first / to the last
// page), backwards when the last page chosen is below the first.
std::vector<int> PageOrder(PageRange range, int pageCount);

// The first table row of `page` (1-based).
constexpr int FirstRowOfPage(int page, int rowsPerPage) {
    return (page - 1) * rowsPerPage;
}

// Left edges of the columns plus the right edge of the last one: `widths` accumulated and scaled
// by one common factor so that the columns exactly fill `width` from `left`. Columns without any
// width share the room equally.
std::vector<int> ColumnEdges(const std::vector<int>& widths, int left, int width);
