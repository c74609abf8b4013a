#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/Channel.h"
#include "model/InputChannel.h"

// One output channel (1..8): every parameter as the index the unit receives, the mix of inputs
// feeding it, six equaliser bands, the high-pass and low-pass crossover filters, the
// limiter/compressor, and what the response graph needs to draw the channel (crossovers
// included).
// Setters raise the change flag of their group; only the pending-change scan (protocol) clears
// the flags again (and thereby sends the group).
class OutputChannel : public Channel {
    friend struct ChannelFieldTables;

public:
    static constexpr int kBandCount = 6;
    static constexpr int kFilterCount = kBandCount + 2;
    static constexpr int kHighPassPosition = kBandCount;
    static constexpr int kLowPassPosition = kBandCount + 1;
    static constexpr int kCrossoverCode = 7; // the crossover frame's parameter code
    static constexpr std::uint8_t kNameCode = 9;
    static constexpr std::uint8_t kMainCode = 6;
    static constexpr std::uint8_t kDynamicsCode = 8;

    static constexpr int kDynamicsLimit = 0;
    static constexpr int kDynamicsCompressor = 1;
    static constexpr int kModeManual = 0;
    static constexpr int kModeAuto = 1;

    OutputChannel();
    OutputChannel(const OutputChannel&) = delete;
    OutputChannel& operator=(const OutputChannel&) = delete;

    // ---- Setters that raise a change flag (name, on, polarity, delay, gain: see the base) ----
    void setMix(int mix);         // main flag; bit 0..3 = input A..D feeds this output
    void setThreshold(int index); // dynamics flag (also the six below)
    void setAttack(int index);
    void setRelease(int index);
    void setClipLimit(int index);
    void setRatio(int index);
    void setDynamicsType(int type);
    void setDynamicsMode(int mode);

    // ---- Setters without a flag ----
    void setDynamicsChanged(int v) { dynamicsChanged_ = v; }

    // Attack index the unit uses in Auto mode, from the high-pass target frequency; never stored.
    int autoAttack() const;
    static constexpr int autoRelease() { return 4; }
    // Attack and release bytes as sent: the automatic values in Auto mode, else the stored ones.
    int wireAttack() const;
    int wireRelease() const;

    // Copies the stored parameters (name, reserved C, on, polarity, delay, gain, mix, every
    // filter's values and the limiter). Raises no flag and does not recompute the curve.
    // (Images, files and replies reach the fields through the output field table, ChannelFields.)
    void copyFrom(const OutputChannel& other);

    // ---- Getters ----
    int reservedC() const { return reservedC_; }
    std::uint8_t mix() const { return mix_; }
    int reservedD() const { return reservedD_; }
    int threshold() const { return threshold_; }
    std::uint8_t attack() const { return attack_; }
    std::uint8_t release() const { return release_; }
    int clipLimit() const { return clipLimit_; }
    int ratio() const { return ratio_; }
    int dynamicsType() const { return dynamicsType_; }
    int dynamicsMode() const { return dynamicsMode_; }
    std::uint8_t dynamicsCode() const { return dynamicsCode_; }
    int dynamicsChanged() const { return dynamicsChanged_; }

    // ---- Display texts ----
    std::string mixText(int input) const; // "On" when input A..D (0..3) feeds this output
    std::string thresholdText() const;    // always shown
    std::string attackText() const;       // empty for Compressor in Auto mode
    std::string releaseText() const;      // empty for Compressor in Auto mode
    std::string clipLimitText() const;    // Compressor only
    std::string ratioText() const;        // Compressor only
    std::string dynamicsModeText() const; // empty for Limit
    std::string dynamicsTypeText() const; // "Limit" / "Compressor"

private:
    bool isAutoCompressor() const;

    int reservedC_ = 0;
    std::uint8_t mix_ = 1;
    int reservedD_ = 0;
    int threshold_ = 400;
    std::uint8_t attack_ = 0;
    std::uint8_t release_ = 0;
    int clipLimit_ = 20;
    int ratio_ = 0;
    int dynamicsType_ = kDynamicsLimit;
    int dynamicsMode_ = kModeManual;
    std::uint8_t dynamicsCode_ = kDynamicsCode;
    int dynamicsChanged_ = 0;
};
