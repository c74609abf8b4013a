#pragma once

// Reading PDF files back with poppler-utils (pdfinfo, pdftotext, pdftoppm), so print tests check
// what the pages show. Each function fails the calling test, with the tool's complaint, when the
// tool is missing or cannot read the file.

#include <QImage>
#include <QList>
#include <QString>

#include <source_location>

namespace guitest {

// Pages of the PDF; 0 after a failure.
int PdfPageCount(const QString& pdf, std::source_location where = std::source_location::current());

// The text of page `page` (1-based) in its physical layout (pdftotext -layout).
QString PdfPageText(const QString& pdf, int page,
                    std::source_location where = std::source_location::current());

// Every page rendered at `dpi` in grey levels, in page order.
QList<QImage> PdfPageImages(const QString& pdf, int dpi,
                            std::source_location where = std::source_location::current());

} // namespace guitest
