#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/Audio_InData.h"
#include "model/EQ.h"
#include "model/Filter.h"

class CArchiveReader;
class CArchiveWriter;
struct OutputImage;

// One output channel (1..8): every parameter as the index the unit receives, the mix of inputs
// feeding it, six equaliser bands, the high-pass and low-pass crossover filters, the
// limiter/compressor, and what the response graph needs to draw the channel.
// Setters raise the change flag of their group; only the container's pending-change scan clears
// the flags again (and thereby sends the group).
class CAudio_OutData {
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

    CAudio_OutData();
    CAudio_OutData(const CAudio_OutData&) = delete;
    CAudio_OutData& operator=(const CAudio_OutData&) = delete;

    // ---- Setters that raise a change flag ----
    void setName(std::string_view text); // first 8 characters, zero padded; name flag
    void setOn(int on);                  // main flag
    void setPolarity(int polarity);      // main flag
    void setMix(int mix);                // main flag; bit 0..3 = input A..D feeds this output
    void setDelay(int delay);            // main flag
    void setGain(int gain);              // main flag; recomputes the curve
    void setThreshold(int index);        // dynamics flag (also the six below)
    void setAttack(int index);
    void setRelease(int index);
    void setClipLimit(int index);
    void setRatio(int index);
    void setDynamicsType(int type);
    void setDynamicsMode(int mode);

    // ---- Setters without a flag ----
    void setIndex(int index) { index_ = static_cast<std::uint8_t>(index); }
    void setPresent(int present) { present_ = present; }
    void setCurveColour(CurveColour colour) { curveColour_ = colour; }
    // Overlay flags; indices outside 0..3 or 0..7 are ignored.
    void setOverlayInput(int input, int on);
    void setOverlayOutput(int output, int on);
    void setNameChanged(int v) { nameChanged_ = v; }
    void setMainChanged(int v) { mainChanged_ = v; }
    void setDynamicsChanged(int v) { dynamicsChanged_ = v; }

    // Model number; the gain goes to the model's 0 dB index (400 on type 1, 360 on types 2, 3).
    // Does not touch the filters: the container hands them the type.
    void setDeviceType(int deviceType);

    // Plot area of the response graph: stores its size, lays the curve's x coordinates on the
    // frequency grid, hands the rectangle to the filter set and recomputes the curve.
    void setGraphRect(const GraphRect& plot);
    // y of every curve point = the sum of all eight filters (crossovers included) shifted by the
    // channel gain.
    void recomputeCurve();

    // Attack index the unit uses in Auto mode, from the high-pass target frequency; never stored.
    int autoAttack() const;
    static constexpr int autoRelease() { return 4; }
    // Attack and release bytes as sent: the automatic values in Auto mode, else the stored ones.
    int wireAttack() const;
    int wireRelease() const;

    // Copies the stored parameters (name, reserved C, on, polarity, delay, gain, mix, every
    // filter's values and the limiter). Raises no flag and does not recompute the curve.
    void copyFrom(const CAudio_OutData& other);
    // Takes a stored program's output image; the bands go through the band loader.
    void loadImage(const OutputImage& image);
    // Fills an output image with this channel's stored parameters (the reverse of loadImage).
    void fillImage(OutputImage& image) const;

    // Single-setting file record: name, reserved C, name code, on, gain, polarity, mix, delay,
    // main code, reserved D, limiter (threshold .. mode), dynamics code, index, 8 filter records.
    void Serialize(CArchiveWriter& archive) const;
    // Reads the same record. Returns false on short or corrupt data; the record may then be
    // partly read, so callers read into a scratch container.
    bool Serialize(CArchiveReader& archive);

    // ---- Getters ----
    const ChannelCurve& curve() const { return curve_; }
    int overlayInput(int input) const;
    int overlayOutput(int output) const;
    int levelOffset() const { return levelOffset_; }
    int graphHeight() const { return graphHeight_; }
    int graphWidth() const { return graphWidth_; }
    CEQ& filters() { return filters_; }
    const CEQ& filters() const { return filters_; }
    CFilter& filter(int position);
    const CFilter& filter(int position) const;
    CFilter& highPass() { return filter(kHighPassPosition); }
    const CFilter& highPass() const { return filter(kHighPassPosition); }
    CFilter& lowPass() { return filter(kLowPassPosition); }
    const CFilter& lowPass() const { return filter(kLowPassPosition); }
    int filterCount() const { return kFilterCount; }
    const ChannelName& name() const { return name_; }
    std::uint8_t nameCode() const { return nameCode_; }
    int reservedC() const { return reservedC_; }
    std::uint8_t on() const { return on_; }
    int gain() const { return gain_; }
    std::uint8_t polarity() const { return polarity_; }
    std::uint8_t mix() const { return mix_; }
    int delay() const { return delay_; }
    std::uint8_t mainCode() const { return mainCode_; }
    int reservedD() const { return reservedD_; }
    int threshold() const { return threshold_; }
    std::uint8_t attack() const { return attack_; }
    std::uint8_t release() const { return release_; }
    int clipLimit() const { return clipLimit_; }
    int ratio() const { return ratio_; }
    int dynamicsType() const { return dynamicsType_; }
    int dynamicsMode() const { return dynamicsMode_; }
    std::uint8_t dynamicsCode() const { return dynamicsCode_; }
    std::uint8_t index() const { return index_; }
    int present() const { return present_; }
    CurveColour curveColour() const { return curveColour_; }
    int nameChanged() const { return nameChanged_; }
    int mainChanged() const { return mainChanged_; }
    int dynamicsChanged() const { return dynamicsChanged_; }
    int deviceType() const { return deviceType_; }

    // ---- Display texts ----
    std::string nameText() const { return ChannelNameText(name_); }
    std::string gainText() const;
    std::string polarityText() const;
    std::string delayText() const;
    std::string stateText() const;        // "On" / "Mute"
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

    ChannelCurve curve_{};
    std::array<int, kInputCount> overlayInputs_{1, 1, 1, 1};
    std::array<int, kOutputCount> overlayOutputs_{1, 1, 1, 1, 1, 1, 1, 1};
    int levelOffset_ = 0;
    int graphHeight_ = 0;
    int graphWidth_ = 0;
    CEQ filters_;
    ChannelName name_{};
    std::uint8_t nameCode_ = kNameCode;
    int reservedC_ = 0;
    std::uint8_t on_ = 1;
    int gain_ = 400;
    std::uint8_t polarity_ = 0;
    std::uint8_t mix_ = 1;
    int delay_ = 0;
    std::uint8_t mainCode_ = kMainCode;
    int reservedD_ = 0;
    int threshold_ = 400;
    std::uint8_t attack_ = 0;
    std::uint8_t release_ = 0;
    int clipLimit_ = 20;
    int ratio_ = 0;
    int dynamicsType_ = kDynamicsLimit;
    int dynamicsMode_ = kModeManual;
    std::uint8_t dynamicsCode_ = kDynamicsCode;
    std::uint8_t index_ = 0;
    int present_ = 1;
    CurveColour curveColour_{};
    int nameChanged_ = 0;
    int mainChanged_ = 0;
    int dynamicsChanged_ = 0;
    int deviceType_ = 1;
};
