#pragma once

#include <string>
#include <string_view>

// Texts that come from files or from a unit (program and channel names) may hold any byte. Shown,
// printed or exported, every byte outside printable ASCII (below 0x20 or above 0x7E) becomes a
// space, so a damaged name can neither break a line, a CSV field or a page nor turn into
// invalid UTF-8, and the text keeps its length.
std::string PrintableText(std::string_view bytes);
