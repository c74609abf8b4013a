#pragma once

#include "model/Audio_ChannelList.h"
#include "model/Audio_OutData.h"

// The output list of a program container: exactly eight output records 1..8, named "1".."8".
class CAudio_OutRoute : public CAudio_ChannelList<CAudio_OutData, kOutputCount> {
public:
    CAudio_OutRoute();
};
