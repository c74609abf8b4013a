#pragma once

#include "model/ChannelList.h"
#include "model/InputChannel.h"

// The input list of a program container: exactly four input records A..D, named "A".."D".
class InputChannelList : public ChannelList<InputChannel, kInputCount> {
public:
    InputChannelList();
};
