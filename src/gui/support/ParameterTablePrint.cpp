#include "gui/support/ParameterTablePrint.h"

#include "gui/support/ParameterTableColumns.h"

namespace {

QStringList ToStrings(const std::vector<std::string>& texts) {
    QStringList list;
    list.reserve(static_cast<qsizetype>(texts.size()));
    for (const std::string& text : texts)
        list << QString::fromStdString(text);
    return list;
}

} // namespace

PrintedTable PrintedParameterTable(const ProgramContainer& data, const ParameterTable& table,
                                   std::vector<int> widths) {
    PrintedTable printed;
    printed.headings = ToStrings(table.headings());
    printed.widths = widths.empty() ? ParameterColumnWidths(table) : std::move(widths);
    printed.alignments.assign(table.headings().size(), Qt::AlignHCenter);
    printed.rows.reserve(static_cast<std::size_t>(table.rowCount()));
    for (int r = 0; r < table.rowCount(); ++r)
        printed.rows.push_back(ToStrings(table.row(r)));
    // The title's CR LF is one line break on the page.
    printed.title = QString::fromStdString(ParameterPrintTitle(data, table.deviceType()))
                        .replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    printed.pageFormat = QString::fromLatin1(kParameterPageFormat);
    return printed;
}
