#pragma once

#include "model/Audio_ChannelList.h"
#include "model/Audio_InData.h"

// The input list of a program container: exactly four input records A..D, named "A".."D".
class CAudio_InRoute : public CAudio_ChannelList<CAudio_InData, kInputCount> {
public:
    CAudio_InRoute();
};
