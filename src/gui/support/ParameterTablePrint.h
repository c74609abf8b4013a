#pragma once

#include "gui/support/TablePrinter.h"
#include "model/ParameterTable.h"

#include <vector>

class ProgramContainer;

// The text right-aligned at the top of each printed page of a parameter table.
inline constexpr const char* kParameterPageFormat = "Page %d of %d";

// A program's parameter table as it is printed: the title naming the model and the program, the
// page text "Page %d of %d", no footer, every column centred. `widths` are the list's column
// widths (the operator may have widened some); empty: ParameterColumnWidths().
PrintedTable PrintedParameterTable(const ProgramContainer& data, const ParameterTable& table,
                                   std::vector<int> widths = {});
