// "dump --pdf" in a build without the GUI library, which holds the page printer.

#include "PdfExport.h"

bool WriteParameterTablesPdf(int, const ProgramToPrint&, int, const std::string&,
                             std::string& error) {
    error = "this tavrel-cli was built without the GUI library, which draws the PDF pages";
    return false;
}
