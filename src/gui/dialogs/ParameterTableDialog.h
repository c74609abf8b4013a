#pragma once

#include "gui/support/TablePages.h"
#include "gui/support/TablePrinter.h"
#include "model/ParameterTable.h"

#include <QColor>
#include <QDialog>

#include <functional>
#include <optional>

class IMessageSink;
class ProgramContainer;
class QPrinter;
class QPushButton;
class QTableWidget;

// The data view "DataView": every parameter of the current program in a read-only list, one
// column per channel and one row per parameter, with "Print" (the table in pages on a printer or
// through Qt's print-to-file) and "Export…" (the table as CSV, or its printed pages as PDF).
class ParameterTableDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kCaption = "DataView";
    static constexpr const char* kPrintText = "Print";
    static constexpr const char* kExportText = "Export\u2026";
    static constexpr const char* kCloseText = "Close";
    static constexpr const char* kExportNeedsSuffixText =
        "Export needs a file name ending in .csv or .pdf.";
    // The list: blue text on a pale lavender background.
    static inline const QColor kListBackground{247, 247, 255};
    static inline const QColor kListText{0, 0, 255};

    // Chooses the printer and the pages before printing; nothing when the operator cancelled.
    // `pageCount` is the table's page count on the printer as it comes in.
    using PrinterChooser =
        std::function<std::optional<PageRange>(QPrinter& printer, int pageCount, QWidget* parent)>;

    // The table of `data` for `deviceType` (1 = 4x8, 2 = 3x6, 3 = 2x4), filled once. Messages
    // ("Could not start print job.", export failures) go to `messages`.
    ParameterTableDialog(const ProgramContainer& data, int deviceType, IMessageSink& messages,
                         QWidget* parent = nullptr);

    const ParameterTable& Table() const { return m_table; }
    QTableWidget* List() const { return m_list; }
    QPushButton* PrintButton() const { return m_print; }
    QPushButton* ExportButton() const { return m_export; }

    // The table as it is printed, with the list's current column widths.
    PrintedTable PrintTable() const;

    // "Print": the printer chooser, then the chosen pages. An empty table or a cancelled chooser
    // prints nothing and says nothing.
    void Print();
    // "Export…": a save chooser offering CSV and PDF, then ExportTo().
    void Export();
    // Writes the table to `path` by its extension: ".csv" the cells as shown (UTF-8), ".pdf" the
    // pages "Print" makes on A4 paper. Any other name, or a file that cannot be written, shows a
    // message. Returns whether the file was written.
    bool ExportTo(const QString& path);

    // Replaces the print dialog (tests).
    void SetPrinterChooser(PrinterChooser chooser) { m_chooser = std::move(chooser); }

private:
    void FillList();
    // "Could not write PATH: REASON".
    void ShowWriteError(const QString& path, const QString& reason);

    ParameterTable m_table;
    PrintedTable m_printed;
    IMessageSink& m_messages;
    PrinterChooser m_chooser;
    QTableWidget* m_list = nullptr;
    QPushButton* m_print = nullptr;
    QPushButton* m_export = nullptr;
};

// The platform's print dialog for a table of `pageCount` pages, then, when it chose to print to
// a file without naming one, a save chooser for it. Qt's "reverse page order" becomes a range
// from the last page down to the first. Nothing when either is cancelled.
std::optional<PageRange> RunPrintDialog(QPrinter& printer, int pageCount, QWidget* parent);

// The "DataView" button of a main view: shows the data view of `data` modally.
void RunParameterTableDialog(const ProgramContainer& data, int deviceType, IMessageSink& messages,
                             QWidget* parent);
