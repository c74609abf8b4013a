#pragma once

#include "model/ProgramContainer.h"

// One channel of a program: input 0..3 (A..D) or output 0..7 (1..8). The command line names it
// "in.A" or "out.2" (ParameterRegistry).
struct ChannelId {
    bool output = false;
    int index = 0;

    bool operator==(const ChannelId&) const = default;
};

// The channel's record. Precondition: the index is within 0..3 (inputs) or 0..7 (outputs).
inline Channel& ChannelOf(ProgramContainer& program, ChannelId id) {
    return id.output ? static_cast<Channel&>(program.output(id.index))
                     : static_cast<Channel&>(program.input(id.index));
}
inline const Channel& ChannelOf(const ProgramContainer& program, ChannelId id) {
    return id.output ? static_cast<const Channel&>(program.output(id.index))
                     : static_cast<const Channel&>(program.input(id.index));
}
