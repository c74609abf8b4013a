#pragma once

#include "model/ChannelList.h"
#include "model/OutputChannel.h"

// The output list of a program container: exactly eight output records 1..8, named "1".."8".
class OutputChannelList : public ChannelList<OutputChannel, kOutputCount> {
public:
    OutputChannelList();
};
