#pragma once

#include "model/ParameterTable.h"

#include <vector>

// Pixel widths of the list columns that show a parameter table on screen: the row labels, then
// one column per channel. Only the list view uses them; text and CSV output size their columns
// by the texts.
inline constexpr int kParameterLabelColumnWidth = 160;
inline constexpr int kParameterChannelColumnWidth = 90;

// One width per column of the table, label column first.
std::vector<int> ParameterColumnWidths(const ParameterTable& table);
