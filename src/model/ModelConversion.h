#pragma once

#include "model/DeviceModel.h"

#include <string>
#include <vector>

class ProgramContainer;
struct ProgramImage;

// A value that lay beyond the range of the model a program was converted to, and the value it
// was limited to, as the operator reads them.
struct LimitedValue {
    int program = 0;    // library program 1..30; 0 for a single program
    std::string what;   // "Output 1 gain"
    std::string before; // "+20.0 dB"
    std::string after;  // "+15.0 dB"

    // "Output 1 gain +20.0 dB becomes +15.0 dB", preceded by "Program 4: " in a library.
    std::string Text() const;
    bool operator==(const LimitedValue&) const = default;
};

// Carries a program made on one model over to another by value, so it keeps its sound. Gains,
// delays and equaliser bandwidths travel as indices whose scales differ between the models
// (0 dB is index 400 on the 4x8 and 360 on the 3x6 and 2x4; the 4x8 steps delays by 0.0104 ms and
// bandwidths by 0.01 octave, the others by 0.021 ms or whole milliseconds and 0.05 octave). Each
// such value is turned into dB, milliseconds or octaves on the source model's scale, then into
// the nearest index of the target model, and limited to the target's range. Every other value
// means the same on every model and is taken as it is.
//
// Every value that had to be limited is kept in Limited() for channels the target model has
// (the records of absent channels are converted too, silently), so the operator can be asked
// before anything is sent.
class ModelConversion {
public:
    // Precondition: both are device types 1, 2 or 3.
    ModelConversion(int fromType, int toType);

    const DeviceModel& From() const { return *m_from; }
    const DeviceModel& To() const { return *m_to; }
    // False when both models are the same: nothing is converted.
    bool ChangesModel() const { return m_from != m_to; }

    // Takes the program name and every stored value of all 12 channels of `from` (a container of
    // the source model) into `to` (a container of the target model), converted. Uses the
    // records' setters, so change flags are raised: meant for a scratch container.
    void Convert(const ProgramContainer& from, ProgramContainer& to);
    // Converts one stored program in place; `program` (1..30) names it in Limited().
    void Convert(ProgramImage& image, int program = 0);

    // The values limited so far, in channel order.
    const std::vector<LimitedValue>& Limited() const { return m_limited; }

    // One value of the source model as the nearest value of the target model, limited to its
    // range; `limited` is set when the value lay beyond it.
    int GainIndex(int index, bool output, bool* limited = nullptr) const;
    int DelayIndex(int index, bool* limited = nullptr) const;
    int BandwidthIndex(int index, bool* limited = nullptr) const;
    int BandwidthIndexOfOctaves(double octaves, bool* limited = nullptr) const;

private:
    template <typename Image>
    void ConvertChannel(Image& image, int program, bool output, int channel);
    void Note(int program, std::string what, std::string before, std::string after);

    const DeviceModel* m_from;
    const DeviceModel* m_to;
    std::vector<LimitedValue> m_limited;
};

// The operator's name of a channel in conversion notes: "Input A", "Output 3".
std::string ConversionChannelName(bool output, int channel);
