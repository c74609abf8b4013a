#pragma once

#include <string>
#include <string_view>
#include <vector>

class ProgramContainer;

// The list of every parameter of a program as a table of texts: one column per channel of the
// model, one row per parameter. Column 0 holds the row labels and is headed by the program name;
// then come "Input A".. and "Out1".. . Cells hold each parameter's display text as the parameter
// registry reads it from the records, names with their unprintable bytes as spaces
// (PrintableText). The data view shows it, printing pages
// it, and tavrel-cli prints it.
class ParameterTable {
public:
    // Fills the table for a device type (1 = 4x8: 73 rows, 2 = 3x6 and 3 = 2x4: 55 rows). An
    // unknown type gives a table with the label column only and no rows.
    ParameterTable(const ProgramContainer& data, int deviceType);

    int deviceType() const { return deviceType_; }
    int rowCount() const { return static_cast<int>(rows_.size()); }
    int columnCount() const { return static_cast<int>(headings_.size()); }
    int inputColumns() const { return inputColumns_; }
    int outputColumns() const { return outputColumns_; }

    const std::vector<std::string>& headings() const { return headings_; }
    // A row: its label, then one cell per channel column.
    const std::vector<std::string>& row(int r) const { return rows_[static_cast<std::size_t>(r)]; }
    // Precondition: 0 <= r < rowCount(), 0 <= column < columnCount().
    const std::string& cell(int r, int column) const {
        return rows_[static_cast<std::size_t>(r)][static_cast<std::size_t>(column)];
    }

private:
    int deviceType_;
    int inputColumns_ = 0;
    int outputColumns_ = 0;
    std::vector<std::string> headings_;
    std::vector<std::vector<std::string>> rows_;
};

// The row labels of a device type, in order (empty labels included); none for an unknown type.
std::vector<std::string> ParameterRowLabels(int deviceType);

// "4x8", "3x6", "2x4"; empty for an unknown type.
std::string_view ModelLabel(int deviceType);

// Title of a printed table: "Driver Type：" (full-width colon), the model label, CR LF,
// "Program Name:" and the program name (its unprintable bytes as spaces).
std::string ParameterPrintTitle(const ProgramContainer& data, int deviceType);

// The table as RFC 4180 CSV: the heading row, then every row; fields quoted when they hold a
// comma, a quote, CR or LF; lines end with CR LF.
std::string FormatParameterTableCsv(const ParameterTable& table);
// The table as aligned plain text: the heading row, then every row, each column padded to its
// widest text and separated by two spaces; lines end with LF, without trailing spaces.
std::string FormatParameterTableText(const ParameterTable& table);
