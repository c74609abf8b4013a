#pragma once

#include <string>
#include <string_view>

#include "model/MeasuredResponse.h"

// Measurement files: the text export of measurement programs and the frequency-response data
// files of loudspeaker design programs. One point per line, the frequency in Hz, the level in dB
// and, in a third column, the phase in degrees; values separated by spaces, tabs, commas or
// semicolons (with semicolons, a comma is a decimal point). Lines starting with '*' or '#' are
// comments, as are text lines before the first point (column headings); further columns are
// ignored.

// Reads a measurement. On bad input, false with a message naming the file and the line
// ("driver.txt, line 12: the frequency 950 does not rise above the line before's 1000") and
// `measurement` untouched: binary data, a point that is not numbers, a value that is not finite,
// frequencies that do not rise or are not above 0, lines with and without a phase, and fewer than
// two points.
bool ParseMeasurement(std::string_view content, std::string_view fileName,
                      MeasuredResponse& measurement, std::string& error);

// Reads and parses a file; a file that cannot be read gives its reason and `unreadable` true.
bool ReadMeasurementFile(const std::string& path, MeasuredResponse& measurement, std::string& error,
                         bool* unreadable = nullptr);
