#pragma once

#include <string>
#include <vector>

class ProgramContainer;

// Writes the printed pages of the parameter tables of `programs` (all of `deviceType`) to a PDF
// file at `path`, exactly as the application's "Print" lays them out on A4 paper: each program's
// pages in turn, each with its own page numbers. False, with the reason in `error`, when the file
// cannot be written.
bool WriteParameterTablesPdf(const std::vector<const ProgramContainer*>& programs, int deviceType,
                             const std::string& path, std::string& error);
