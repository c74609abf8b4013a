#include "gui/support/ParameterTableColumns.h"

std::vector<int> ParameterColumnWidths(const ParameterTable& table) {
    std::vector<int> widths(static_cast<std::size_t>(table.columnCount()),
                            kParameterChannelColumnWidth);
    if (!widths.empty())
        widths.front() = kParameterLabelColumnWidth;
    return widths;
}
