#include "model/ModelConversion.h"

#include "model/ChannelFields.h"
#include "model/ParameterScales.h"
#include "model/ProgramContainer.h"
#include "model/ProgramImage.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace {

// A value beyond the target's range by less than this counts as in range: the scales' own
// rounding, not a value the target cannot hold.
constexpr double kTolerance = 1e-9;

// "%.<decimals>f" without the process locale (the application switches LC_NUMERIC).
std::string Fixed(double value, int decimals) {
    std::array<char, 48> buf{};
    const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), value,
                                 std::chars_format::fixed, decimals);
    return r.ec == std::errc() ? std::string(buf.data(), r.ptr) : std::string();
}

std::string GainText(double dB) {
    return (dB > 0 ? "+" : "") + Fixed(dB, 1) + " dB";
}

std::string DelayText(double ms) {
    return Fixed(ms, 1) + " ms";
}

std::string OctavesText(double octaves) {
    return Fixed(octaves, 2) + " oct";
}

} // namespace

std::string LimitedValue::Text() const {
    std::string text = program > 0 ? "Program " + std::to_string(program) + ": " : std::string();
    return text + what + " " + before + " becomes " + after;
}

std::string ConversionChannelName(bool output, int channel) {
    return output ? "Output " + std::to_string(channel + 1)
                  : std::string("Input ") + static_cast<char>('A' + channel);
}

ModelConversion::ModelConversion(int fromType, int toType)
    : m_from(&DeviceModelOf(fromType)), m_to(&DeviceModelOf(toType)) {}

// ---- One value ---------------------------------------------------------------------------------

int ModelConversion::GainIndex(int index, bool output, bool* limited) const {
    // Both scales step by 0.1 dB: the same dB lies the zero indices' distance away.
    const int converted = index - m_from->gainZeroIndex + m_to->gainZeroIndex;
    const int max = output ? m_to->outputGainMax : m_to->inputGainMax;
    const int result = std::clamp(converted, 0, max);
    if (limited != nullptr)
        *limited = result != converted;
    return result;
}

int ModelConversion::DelayIndex(int index, bool* limited) const {
    const int from = m_from->deviceType;
    const int to = m_to->deviceType;
    const double ms = DelayMs(from, std::clamp(index, 0, m_from->delayMax)).value_or(0.0);
    const int max = m_to->delayMax;
    const bool beyond = ms > DelayMs(to, max).value_or(0.0) + kTolerance;
    if (limited != nullptr)
        *limited = beyond;
    if (beyond)
        return max;
    // The scales rise with the index: the first index at or above the time, or the one below it
    // when that lies nearer.
    int low = 0;
    int high = max;
    while (low < high) {
        const int mid = low + (high - low) / 2;
        if (DelayMs(to, mid).value_or(0.0) < ms)
            low = mid + 1;
        else
            high = mid;
    }
    if (low > 0 && ms - DelayMs(to, low - 1).value_or(0.0) <= DelayMs(to, low).value_or(0.0) - ms)
        return low - 1;
    return low;
}

int ModelConversion::BandwidthIndexOfOctaves(double octaves, bool* limited) const {
    const int to = m_to->deviceType;
    const double low = BandwidthOctaves(to, 0).value_or(0.05);
    const double high = BandwidthOctaves(to, m_to->bandwidthMax).value_or(3.0);
    if (limited != nullptr)
        *limited = !(octaves >= low - kTolerance && octaves <= high + kTolerance);
    return BandwidthIndexFromOctaves(to, octaves).value_or(0);
}

int ModelConversion::BandwidthIndex(int index, bool* limited) const {
    const double octaves =
        BandwidthOctaves(m_from->deviceType, std::clamp(index, 0, m_from->bandwidthMax))
            .value_or(0.05);
    return BandwidthIndexOfOctaves(octaves, limited);
}

void ModelConversion::Note(int program, std::string what, std::string before, std::string after) {
    m_limited.push_back({program, std::move(what), std::move(before), std::move(after)});
}

// ---- Whole programs
// ------------------------------------------------------------------------------

template <typename Image>
void ModelConversion::ConvertChannel(Image& image, int program, bool output, int channel) {
    const int from = m_from->deviceType;
    const int to = m_to->deviceType;
    // Only the channels the target has are worth a word; the others are converted silently.
    const bool shown = channel < (output ? m_to->outputs : m_to->inputs);
    const std::string name = ConversionChannelName(output, channel);
    bool limited = false;

    const int gain = ImageValue(image, Field::Gain);
    const int newGain = GainIndex(gain, output, &limited);
    if (limited && shown)
        Note(program, name + " gain", GainText(ChannelGainDb(from, gain).value_or(0.0)),
             GainText(ChannelGainDb(to, newGain).value_or(0.0)));
    SetImageValue(image, Field::Gain, newGain);

    const int delay = ImageValue(image, Field::Delay);
    const int newDelay = DelayIndex(delay, &limited);
    if (limited && shown)
        Note(program, name + " delay", DelayText(DelayMs(from, delay).value_or(0.0)),
             DelayText(DelayMs(to, newDelay).value_or(0.0)));
    SetImageValue(image, Field::Delay, newDelay);

    const int bands = output ? m_to->outputBands : m_to->inputBands;
    for (std::size_t b = 0; b < image.bands.size(); ++b) {
        BandImage& band = image.bands[b];
        const int bandwidth = ImageValue(band, Field::BandBandwidth);
        const int newBandwidth = BandwidthIndex(bandwidth, &limited);
        if (limited && shown && static_cast<int>(b) < bands)
            Note(program, name + " EQ" + std::to_string(b + 1) + " bandwidth",
                 OctavesText(BandwidthOctaves(from, bandwidth).value_or(0.0)),
                 OctavesText(BandwidthOctaves(to, newBandwidth).value_or(0.0)));
        SetImageValue(band, Field::BandBandwidth, newBandwidth);
    }
}

void ModelConversion::Convert(ProgramImage& image, int program) {
    if (!ChangesModel())
        return;
    for (std::size_t i = 0; i < image.inputs.size(); ++i)
        ConvertChannel(image.inputs[i], program, false, static_cast<int>(i));
    for (std::size_t o = 0; o < image.outputs.size(); ++o)
        ConvertChannel(image.outputs[o], program, true, static_cast<int>(o));
}

void ModelConversion::Convert(const ProgramContainer& from, ProgramContainer& to) {
    // Everything that means the same on every model, then the values on model scales again.
    to.copyProgramFrom(from);
    if (!ChangesModel())
        return;
    // The records hold what an image holds of them; a record's bands keep their bandwidth in
    // octaves, which the image conversion reads through the source model's index.
    auto convert = [&](const auto& source, auto& target, bool output, int channel) {
        auto image = [&] {
            if constexpr (requires { source.gateThreshold(); }) {
                InputImage i;
                FillChannelImage(source, i);
                return i;
            } else {
                OutputImage o;
                FillChannelImage(source, o);
                return o;
            }
        }();
        ConvertChannel(image, 0, output, channel);
        target.setGain(ImageValue(image, Field::Gain));
        target.setDelay(ImageValue(image, Field::Delay));
        for (int p = 0; p < target.filterCount() - 2; ++p) {
            Filter& band = target.filter(p);
            const int index =
                ImageValue(image.bands[static_cast<std::size_t>(p)], Field::BandBandwidth);
            if (band.bandwidth() != BandwidthOctaves(m_to->deviceType, index).value_or(0.0))
                band.setBandwidthIndex(index);
        }
    };
    for (int i = 0; i < kInputCount; ++i)
        convert(from.input(i), to.input(i), false, i);
    for (int o = 0; o < kOutputCount; ++o)
        convert(from.output(o), to.output(o), true, o);
}
