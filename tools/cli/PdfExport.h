#pragma once

#include <functional>
#include <string>

class ProgramContainer;

// Gives program `index` (0-based) of the ones to print. Each is asked for once, in order, and
// needs to stay valid only until the next is asked for: a library is printed holding one program
// at a time.
using ProgramToPrint = std::function<const ProgramContainer&(int index)>;

// Writes the printed pages of the parameter tables of `count` programs (all of `deviceType`) to a
// PDF file at `path`, exactly as the application's "Print" lays them out on A4 paper: each
// program's pages in turn, each with its own page numbers. False, with the reason in `error`,
// when the file cannot be written.
bool WriteParameterTablesPdf(int count, const ProgramToPrint& program, int deviceType,
                             const std::string& path, std::string& error);
