#pragma once

#include "protocol/Request.h"

class ProgramContainer;

// Builds every request the unit is sent from a program container's current contents: its device
// ID addresses the frame, its program slot is the slot of the single-parameter and global writes.
// The builder only reads the container; it holds a reference, so the container must outlive it.
class RequestFrames {
public:
    explicit RequestFrames(const ProgramContainer& data) : data_(data) {}

    // ---- Global requests (section 3) ----
    Request programNameFrame(int slot) const;
    Request sourceFrame() const;
    Request globalSettingsFrame() const;
    Request lineSetBFrame() const;
    Request lineSetAFrame() const;
    Request shortTagFrame() const;
    Request backlightFrame() const;
    Request temperatureFrame() const;
    // Probe clear: tells the unit (addressed by the current deviceId) its new ID.
    // Probe set: asks whether a unit with that ID and this device type is on the line.
    Request deviceIdFrame(int id, bool probe) const;
    Request globalReadFrame(int code, int slot) const;
    Request meterPollFrame() const;

    // ---- Input requests (section 1). Precondition: 0 <= input < 4, 0 <= item < 10 ----
    Request inputNameFrame(int input) const;
    Request inputLevelFrame(int input) const;
    Request inputGateFrame(int input) const;
    Request inputBandFrame(int input, int item) const;
    Request inputBlockFrame(int slot, int input) const;

    // ---- Output requests (section 2). Precondition: 0 <= output < 8, 0 <= band < 6 ----
    Request outputNameFrame(int output) const;
    Request outputLevelFrame(int output) const;
    Request outputCrossoverFrame(int output) const;
    Request outputLimiterFrame(int output) const;
    Request outputBandFrame(int output, int band) const;
    Request outputBlockFrame(int slot, int output) const;

    // Channel block read; mode 0 fetches into the live display, 0x77 for backup.
    Request blockReadFrame(int slot, int section, int channel, int mode) const;

private:
    const ProgramContainer& data_;
};

// The pending-change scan: the request of the first raised change flag in the fixed scan order
// (inputs A..D, then outputs 1..8; per channel name, level, gate, filters / bands, crossover,
// limiter), with that flag cleared (a crossover settles one octave step); the meter poll when
// nothing is pending.
Request NextPendingRequest(ProgramContainer& data);

// Wire encodings that depend on the model.
int ChannelGainCode(int deviceType, int gainIndex);        // 1100 + 10 x dB on every model
int BandBandwidthCode(int deviceType, int bandwidthIndex); // hundredths of an octave above 0.05
