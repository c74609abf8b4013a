#pragma once

#include "protocol/Request.h"

#include <cstddef>
#include <string>
#include <vector>

// What part of a transfer of programs to a unit the unit has confirmed, in the operator's words,
// for a transfer that ended early (interrupted, or the line lost). `frames` are the transfer's
// requests in the order they were queued; the first `answered` of them were answered. Only the
// parts of the program count (its name and the channel blocks); the mutes a store of the live
// settings sets for its own sake do not.
//   one program:  "Written: the program name and outputs 1 to 3. Not written: outputs 4 to 8
//                 and inputs A to D."
//   several:      "Written: programs 1 to 12. Partly written: program 13 (the program name and
//                 outputs 1 to 4). Not written: programs 14 to 30."
std::string DescribeWrittenPart(const std::vector<Request>& frames, std::size_t answered);
