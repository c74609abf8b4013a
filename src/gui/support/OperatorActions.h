#pragma once

#include <cstdint>

// Tells the operator's separate actions apart: every mouse press and key press (but not the
// repeats of a held key) anywhere in the application starts a new one; the wheel notches that
// follow each other are one more. Whatever happens until the next one (the moves of a drag and
// its release, the reports of a held arrow, the repeats of a held key, the commit of typed text
// by Enter) belongs to the same action. The edit history joins the edits of one control made
// within one action into one step.
//
// The first call installs the counting on the application; call it from the GUI thread once a
// QApplication exists.
std::uint64_t CurrentOperatorAction();
