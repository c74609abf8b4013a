#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/Channel.h"

// One input channel (A..D): every parameter as the index the unit receives, the eight equaliser
// bands and the crossover pair, and what the response graph needs to draw the channel (the
// crossover pair is not part of an input's drawn response).
// Setters raise the change flag of their group; only the pending-change scan (protocol) clears
// the flags again (and thereby sends the group).
class InputChannel : public Channel {
    friend struct ChannelFieldTables;

public:
    static constexpr int kBandCount = 8;
    static constexpr int kFilterCount = kBandCount + 2;
    static constexpr int kHighPassPosition = kBandCount;
    static constexpr int kLowPassPosition = kBandCount + 1;
    static constexpr int kCrossoverCode = 9; // both crossover items travel as band code 9
    static constexpr std::uint8_t kNameCode = 11;
    static constexpr std::uint8_t kMainCode = 8;
    static constexpr std::uint8_t kGateCode = 10;

    InputChannel();
    InputChannel(const InputChannel&) = delete;
    InputChannel& operator=(const InputChannel&) = delete;

    // ---- Setters that raise a change flag (name, on, polarity, delay, gain: see the base) ----
    void setReservedA(int value);     // main flag
    void setGateThreshold(int index); // gate flag
    void setGateOff(int off);         // gate flag

    // ---- Setters without a flag ----
    void setReservedB(int value) { reservedB_ = value & 0xFF; } // only the low byte is kept
    void setGateChanged(int v) { gateChanged_ = v; }

    // Copies the stored parameters (name, on, polarity, delay, gain, reserved bytes, gate and
    // every filter's values). Raises no flag and does not recompute the curve: the caller does.
    // (Images, files and replies reach the fields through the input field table, ChannelFields.)
    void copyFrom(const InputChannel& other);

    // ---- Getters ----
    std::uint8_t reservedA() const { return reservedA_; }
    int reservedB() const { return reservedB_; }
    std::uint8_t gateThreshold() const { return gateThreshold_; }
    std::uint8_t gateOff() const { return gateOff_; }
    std::uint8_t gateCode() const { return gateCode_; }
    int gateChanged() const { return gateChanged_; }

    // ---- Display texts ----
    std::string gateText() const; // "Disable" while the gate is off

private:
    std::uint8_t reservedA_ = 0;
    int reservedB_ = 0;
    std::uint8_t gateThreshold_ = 120;
    std::uint8_t gateOff_ = 0;
    std::uint8_t gateCode_ = kGateCode;
    int gateChanged_ = 0;
};
