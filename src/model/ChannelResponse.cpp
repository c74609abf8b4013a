#include "model/ChannelResponse.h"

#include <cmath>
#include <numbers>

#include "model/ParameterScales.h"
#include "model/UnitFilterDesign.h"

namespace {

constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;

} // namespace

ChannelTransfer::ChannelTransfer(const ProgramContainer& program, ChannelId channel) {
    const Channel& record = ChannelOf(program, channel);
    const int deviceType = program.deviceType();
    // An input's crossover pair is not part of its response (as on the graph).
    const int filters = channel.output ? record.filterCount() : record.filterCount() - 2;
    for (int f = 0; f < filters; ++f)
        if (auto design = UnitFilterDesign::Of(record.filter(f)))
            filters_.push_back(*design);
    gain_ = std::pow(10.0, ChannelGainDb(deviceType, record.gain()).value_or(0.0) / 20.0);
    if (record.polarity() != 0)
        gain_ = -gain_;
    delaySeconds_ = DelayMs(deviceType, record.delay()).value_or(0.0) / 1000.0;
}

std::complex<double> ChannelTransfer::At(double hz) const {
    std::complex<double> h = gain_;
    for (const BiquadCascade& c : filters_)
        h *= c.At(hz);
    return h * std::polar(1.0, -2.0 * std::numbers::pi * hz * delaySeconds_);
}

double ChannelTransfer::GroupDelayAt(double hz) const {
    double seconds = delaySeconds_;
    for (const BiquadCascade& c : filters_)
        seconds += c.GroupDelayAt(hz);
    return seconds;
}

ResponseCurves ChannelCurves(const ChannelTransfer& transfer, std::span<const double> hz) {
    ResponseCurves curves;
    for (double f : hz) {
        const std::complex<double> h = transfer.At(f);
        curves.hz.push_back(f);
        curves.levelDb.push_back(LevelDb(h));
        curves.phaseDeg.push_back(WrapDegrees(std::arg(h) * kDegreesPerRadian));
        curves.groupDelayMs.push_back(transfer.GroupDelayAt(f) * 1000.0);
    }
    return curves;
}

ResponseCurves PredictedResponse(const MeasuredResponse& measurement,
                                 const ChannelTransfer& transfer) {
    ResponseCurves curves;
    curves.hz = measurement.hz;
    for (std::size_t i = 0; i < measurement.hz.size(); ++i) {
        const std::complex<double> h = transfer.At(measurement.hz[i]);
        curves.levelDb.push_back(measurement.levelDb[i] + LevelDb(h));
        if (measurement.HasPhase())
            curves.phaseDeg.push_back(
                WrapDegrees(measurement.phaseDeg[i] + std::arg(h) * kDegreesPerRadian));
    }
    return curves;
}

ResponseCurves PredictedSum(const ProgramContainer& program,
                            const std::vector<SummedOutput>& outputs, std::span<const double> hz,
                            std::string& reason) {
    reason.clear();
    if (outputs.size() < 2) {
        reason = "cannot sum: choose two or more outputs";
        return {};
    }
    std::vector<ChannelTransfer> transfers;
    for (const SummedOutput& o : outputs) {
        if (o.measurement == nullptr) {
            reason =
                "cannot sum: output " + std::to_string(o.channel.index + 1) + " has no measurement";
            return {};
        }
        if (!o.measurement->HasPhase()) {
            reason = "cannot sum: no phase in " + o.measurement->name;
            return {};
        }
        transfers.emplace_back(program, o.channel);
    }
    ResponseCurves sum;
    for (double f : hz) {
        std::complex<double> total = 0.0;
        bool covered = true;
        for (std::size_t i = 0; i < outputs.size() && covered; ++i) {
            const auto measured = outputs[i].measurement->At(f);
            covered = measured.has_value();
            if (covered)
                total += *measured * transfers[i].At(f);
        }
        if (!covered)
            continue;
        sum.hz.push_back(f);
        sum.levelDb.push_back(LevelDb(total));
        sum.phaseDeg.push_back(WrapDegrees(std::arg(total) * kDegreesPerRadian));
    }
    if (sum.hz.empty())
        reason = "cannot sum: the measurements share no frequency";
    return sum;
}
