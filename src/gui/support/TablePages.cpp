#include "gui/support/TablePages.h"

#include <algorithm>
#include <cmath>
#include <numeric>

int RowsPerPage(int bodyHeight, int rowHeight) {
    const int pitch = std::max(rowHeight, 0) + 1;
    return std::max(1, bodyHeight / pitch - 1);
}

int PageCount(int rows, int rowsPerPage) {
    return std::max(rows, 0) / rowsPerPage + 1;
}

std::vector<int> PageOrder(PageRange range, int pageCount) {
    if (pageCount < 1)
        return {};
    const auto clamp = [pageCount](int page, int whenAll) {
        return page <= 0 ? whenAll : std::min(page, pageCount);
    };
    const int first = clamp(range.first, 1);
    const int last = clamp(range.last, pageCount);
    std::vector<int> pages;
    const int step = last < first ? -1 : 1;
    for (int page = first;; page += step) {
        pages.push_back(page);
        if (page == last)
            break;
    }
    return pages;
}

std::vector<int> ColumnEdges(const std::vector<int>& widths, int left, int width) {
    std::vector<long long> accumulated(widths.size() + 1, 0);
    for (std::size_t c = 0; c < widths.size(); ++c)
        accumulated[c + 1] = accumulated[c] + std::max(widths[c], 0);
    const long long total = accumulated.back();
    std::vector<int> edges;
    edges.reserve(accumulated.size());
    for (std::size_t c = 0; c < accumulated.size(); ++c) {
        const double share = total > 0        ? static_cast<double>(accumulated[c]) / total
                             : widths.empty() ? 0.0
                                              : static_cast<double>(c) / widths.size();
        edges.push_back(left + static_cast<int>(std::lround(share * width)));
    }
    return edges;
}
