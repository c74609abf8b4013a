#pragma once

#include "model/ChannelId.h"
#include "model/RequestedFilter.h"

// A channel's equaliser as a filter text that measurement programs and desktop equalisers read:
// the channel gain as "Preamp:", each band that is on in band order (PK with the Q the editors
// show, shelves as LSC/HSC with the unit's corner frequency and slope) and, on an output, the
// crossover filters that are not off, each as the sections it is made of (HPQ/LPQ with their Q,
// HP1/LP1 for the first-order section of an 18 dB slope). Importing the text onto the same
// model gives back the same settings.
FilterText ExportEqualizer(const ProgramContainer& program, ChannelId channel);
