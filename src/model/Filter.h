#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "model/FilterResponse.h"
#include "model/ParameterScales.h"

struct BandImage;
struct InputImage;
struct OutputImage;

// What a filter keeps in a program file: its parameters as it holds them (gain in dB, bandwidth
// in octaves) and the frame code it travels with.
struct FilterSettings {
    int type = 0;
    int frequency = 0;     // Hz, the target
    int sentFrequency = 0; // Hz, the last crossover frequency handed to the frame builder
    double gain = 0.0;     // dB
    int off = 0;
    double bandwidth = 0.0; // octaves
    int kind = 0;
    int slope = 0;
    int code = 0;
};

// One equaliser band or crossover filter of a channel. It keeps the parameters as the unit
// receives them and their magnitude response in dB at the 241 grid frequencies (for drawing
// only; the unit computes its own). Every parameter setter recomputes the response and raises
// the change flag, which only the container's pending-change scan clears again (through settle()).
class Filter {
public:
    enum Type : int {
        kPeq = 0,
        kLowShelf = 1,
        kHighShelf = 2,
        kHighPass = 3,
        kLowPass = 4,
    };
    enum Kind : int { kLinkwitzRiley = 0, kBessel = 1, kButterworth = 2 };
    // Crossover slopes: 0 = 12, 1 = 18, 2 = 24, 3 = 48 dB/oct. Shelf slopes: 0 = 6, 1 = 12 dB.
    enum CrossoverSlope : int { kSlope12 = 0, kSlope18 = 1, kSlope24 = 2, kSlope48 = 3 };
    enum ShelfSlope : int { kShelf6 = 0, kShelf12 = 1 };

    using Response = FilterResponse::Values;

    Filter() = default;

    // ---- Parameter setters: each recomputes the response and raises the change flag ----

    // Target frequency in Hz.
    void setFrequency(int hz);
    // Band gain index (dB = index x 0.1 - 30); the band is off exactly when that is 0.0 dB.
    void setGainIndex(int index);
    // Bandwidth index on this filter's model's scale (0.01 or 0.05 octave steps above 0.05).
    void setBandwidthIndex(int index);
    void setOff(int off);
    void setSlope(int slope);
    void setKind(int kind);
    // A low-pass starts with 30000 Hz as its last sent frequency (the unit's flat default).
    void setType(int type);

    // ---- Plain setters: no recompute, no flag ----
    void setIsBand(int isBand) { isBand_ = isBand; }
    void setCode(int code) { code_ = code; }
    void setDeviceType(int deviceType) { deviceType_ = deviceType; }
    void setChanged(int changed) { changed_ = changed; }

    // Moves the last sent crossover frequency at most one octave towards the target frequency,
    // so the unit never sees a larger jump per frame. Called by the pending-change scan when it
    // builds this filter's frame. Bands, and crossovers whose sent frequency has arrived, take
    // `value` as their change flag (normally 0, which clears it); otherwise the flag stays raised.
    void settle(int value = 0);

    // Takes the other filter's type, frequency, gain, off, bandwidth, kind and slope; the sent
    // frequency becomes the other's target. The change flag, code, band flag and model stay.
    void copyFrom(const Filter& other);

    // Band loader: takes type, frequency, gain index, bandwidth index and slope of a stored band.
    // The gain and bandwidth go through their setters, so the change flag is raised.
    void loadBandImage(const BandImage& band);
    // Crossover loader: a high-pass takes the image's high-pass kind, frequency and slope, a
    // low-pass its low-pass fields. Raises no change flag; the response follows the new values.
    void loadCrossoverImage(const InputImage& input);
    void loadCrossoverImage(const OutputImage& output);

    // The values a single-setting file keeps of a filter (its 44-byte record).
    FilterSettings settings() const;
    // Takes such values as stored (no range limits) and recomputes the response. The change flag,
    // band flag and model stay those of this filter.
    void restoreSettings(const FilterSettings& settings);

    // ---- Getters ----
    int type() const { return type_; }
    int frequency() const { return frequency_; }
    int sentFrequency() const { return sentFrequency_; }
    double gain() const { return gain_; }
    int off() const { return off_; }
    double bandwidth() const { return bandwidth_; }
    int kind() const { return kind_; }
    int slope() const { return slope_; }
    int code() const { return code_; }
    int isBand() const { return isBand_; }
    int changed() const { return changed_; }
    int deviceType() const { return deviceType_; }

    const Response& response() const { return response_; }
    double responseAt(int point) const { return response_[static_cast<std::size_t>(point)]; }

    // Bandwidth index of the stored octaves on this model's scale (0 for an unknown model).
    int bandwidthIndex() const;
    // trunc((gain + 30) x 100 / 10 + 0.5).
    int gainIndex() const;

    // Display texts; empty where a stored value has no text.
    std::string typeText() const;
    std::string frequencyText() const;
    std::string gainText() const;
    std::string bandwidthText() const;
    std::string qText() const;
    std::string kindText() const;
    std::string shelfSlopeText() const;
    std::string crossoverSlopeText() const;

private:
    void recompute();
    void setParameterChanged(); // recompute + raise the flag

    Response response_{};
    int type_ = kPeq;
    int frequency_ = 10;     // Hz, the target
    int sentFrequency_ = 10; // Hz, last crossover frequency handed to the frame builder
    double gain_ = 0.0;      // dB
    int off_ = 1;
    double bandwidth_ = 0.05; // octaves
    int kind_ = kButterworth;
    int slope_ = 0;
    int code_ = 0;
    int isBand_ = 1;
    int changed_ = 0;
    int deviceType_ = kDeviceType4x8;
};
