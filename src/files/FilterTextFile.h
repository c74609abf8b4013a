#pragma once

#include <string>
#include <string_view>

#include "model/RequestedFilter.h"

// Filter texts: the equaliser settings measurement programs export and desktop equalisers read,
// one filter per line:
//
//   Preamp: -6.0 dB
//   Filter  1: ON  PK       Fc  1000 Hz  Gain  -3.5 dB  Q  2.400
//   Filter  2: ON  LS 12dB  Fc   100 Hz  Gain   4.0 dB
//   Filter: ON HPQ Fc 80 Hz Q 0.707
//
// Lines that are neither a filter nor the preamp (headers, notes, comments) are skipped. Types:
// PK (or PEQ) with Q or "BW Oct"; LS, HS (Fc the shelf's midpoint) and LSC, HSC (Fc its corner),
// each with an optional slope ("6dB", "12 dB") or Q; HP, HPQ, LP, LPQ (second order, Q 0.7071
// unless given) and HP1, LP1 (first order); NO, AP, BP; None. Line ends may be LF or CRLF.

// Reads a filter text. On bad input, false with a message that names the file and the line
// ("eq.txt, line 7: unknown filter type XY"), and `text` untouched: binary data, a filter line
// that does not parse, an unknown type or setting, a value that is not a number, a value of a
// filter that is ON beyond what any unit holds, or a text without any filter line.
bool ParseFilterText(std::string_view content, std::string_view fileName, FilterText& text,
                     std::string& error);

// Reads and parses a file; a file that cannot be read gives its reason ("eq.txt: does not
// exist") and `unreadable` true, so callers can tell it from bad contents.
bool ReadFilterTextFile(const std::string& path, FilterText& text, std::string& error,
                        bool* unreadable = nullptr);

// The text of filters and preamp in the same format: the comment lines, "Preamp:", then one
// "Filter N: ON ..." line per filter, numbered from 1, each ended by a line feed.
std::string FormatFilterText(const FilterText& text);

// Writes the text to a file, replacing it only once the new one is complete.
bool SaveFilterTextFile(const std::string& path, const FilterText& text,
                        std::string* reason = nullptr);
