#include "model/ChannelResponse.h"

#include "model/InputChannel.h"
#include "model/OutputChannel.h"
#include "model/ParameterScales.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

std::unique_ptr<ProgramContainer> Program4x8() {
    auto program = std::make_unique<ProgramContainer>();
    program->setDeviceType(kDeviceType4x8);
    return program;
}

void SetCrossover(Filter& filter, int kind, int slope, int hz) {
    filter.setKind(kind);
    filter.setSlope(slope);
    filter.setFrequency(hz);
}

// A loudspeaker measured flat, at 0 dB and 0 degrees, from 10 Hz to 30 kHz.
MeasuredResponse Flat(const std::string& name, bool phase = true) {
    MeasuredResponse m;
    m.name = name;
    for (double hz : FrequencyGrid()) {
        m.hz.push_back(hz);
        m.levelDb.push_back(0.0);
        if (phase)
            m.phaseDeg.push_back(0.0);
    }
    return m;
}

std::vector<double> GridBetween(double low, double high) {
    std::vector<double> hz;
    for (double f : FrequencyGrid())
        if (f >= low && f <= high)
            hz.push_back(f);
    return hz;
}

TEST(ChannelResponse, LevelIsTheDrawnCurvesOfTheFiltersPlusTheGain) {
    const auto program = Program4x8();
    OutputChannel& out = program->output(0);
    out.filter(0).setFrequency(300);
    out.filter(0).setBandwidthIndex(40);
    out.filter(0).setGainIndex(250);
    out.filter(1).setType(Filter::kHighShelf);
    out.filter(1).setFrequency(6000);
    out.filter(1).setGainIndex(330);
    SetCrossover(out.highPass(), Filter::kBessel, Filter::kSlope18, 60);
    SetCrossover(out.lowPass(), Filter::kButterworth, Filter::kSlope48, 9000);
    out.setGain(380);
    InputChannel& in = program->input(2);
    in.filter(7).setFrequency(2000);
    in.filter(7).setGainIndex(400);
    SetCrossover(in.highPass(), Filter::kLinkwitzRiley, Filter::kSlope24, 500); // not drawn

    struct Case {
        ChannelId id;
        const Channel& record;
        int filters;
    };
    for (const Case& c : {Case{{true, 0}, out, out.filterCount()},
                          Case{{false, 2}, in, InputChannel::kBandCount}}) {
        const ResponseCurves curves =
            ChannelCurves(ChannelTransfer(*program, c.id), FrequencyGrid());
        ASSERT_EQ(curves.levelDb.size(), static_cast<std::size_t>(kGridPoints));
        for (int i = 0; i < kGridPoints; ++i) {
            double drawn = *ChannelGainDb(kDeviceType4x8, c.record.gain());
            for (int f = 0; f < c.filters; ++f)
                drawn += c.record.filter(f).responseAt(i);
            EXPECT_NEAR(curves.levelDb[static_cast<std::size_t>(i)], drawn, 1e-6) << "point " << i;
        }
    }
}

TEST(ChannelResponse, LinkwitzRiley24IsHalfATurnBehindAtItsCorner) {
    const auto program = Program4x8();
    OutputChannel& out = program->output(0);
    SetCrossover(out.lowPass(), Filter::kLinkwitzRiley, Filter::kSlope24, 1000);
    const double at[] = {1000.0};
    EXPECT_NEAR(ChannelCurves(ChannelTransfer(*program, {true, 0}), at).phaseDeg[0], -180.0, 1e-3);
    // Inverted, the output is in phase with its input there.
    out.setPolarity(1);
    EXPECT_NEAR(ChannelCurves(ChannelTransfer(*program, {true, 0}), at).phaseDeg[0], 0.0, 1e-3);
}

TEST(ChannelResponse, GroupDelayIsTheSlopeOfThePhaseAndTheDelayAddsToIt) {
    const auto program = Program4x8();
    OutputChannel& out = program->output(3);
    SetCrossover(out.highPass(), Filter::kButterworth, Filter::kSlope24, 80);
    out.filter(0).setFrequency(120);
    out.filter(0).setGainIndex(360);
    const ChannelTransfer transfer(*program, {true, 3});
    for (double hz : {50.0, 120.0, 700.0}) {
        // -d(phase)/d(2 pi f) from two nearby frequencies.
        const double step = hz * 1e-5;
        const double turned = std::arg(transfer.At(hz + step) / transfer.At(hz - step));
        const double slope = -turned / (2 * M_PI * 2 * step);
        EXPECT_NEAR(transfer.GroupDelayAt(hz), slope, 1e-7) << hz << " Hz";
    }
    out.setDelay(962); // 10.0048 ms on the 4x8
    const ChannelTransfer delayed(*program, {true, 3});
    EXPECT_NEAR(delayed.GroupDelayAt(700) - transfer.GroupDelayAt(700), 0.0100048, 1e-12);
}

TEST(ChannelResponse, PredictedCurveOfAFlatMeasurementIsTheChannelsResponse) {
    const auto program = Program4x8();
    OutputChannel& out = program->output(1);
    SetCrossover(out.highPass(), Filter::kLinkwitzRiley, Filter::kSlope24, 200);
    out.filter(2).setFrequency(3000);
    out.filter(2).setGainIndex(270);
    out.setPolarity(1);
    out.setDelay(100);
    const ChannelTransfer transfer(*program, {true, 1});
    const ResponseCurves predicted = PredictedResponse(Flat("tweeter.txt"), transfer);
    const ResponseCurves channel = ChannelCurves(transfer, FrequencyGrid());
    ASSERT_EQ(predicted.hz.size(), channel.hz.size());
    for (std::size_t i = 0; i < channel.hz.size(); ++i) {
        EXPECT_NEAR(predicted.levelDb[i], channel.levelDb[i], 1e-9);
        EXPECT_NEAR(std::remainder(predicted.phaseDeg[i] - channel.phaseDeg[i], 360.0), 0.0, 1e-9);
    }
    // Without a measured phase the prediction has a level only.
    EXPECT_TRUE(PredictedResponse(Flat("tweeter.frd", false), transfer).phaseDeg.empty());
}

TEST(ChannelResponse, LinkwitzRiley24PairSumsFlat) {
    const auto program = Program4x8();
    SetCrossover(program->output(0).lowPass(), Filter::kLinkwitzRiley, Filter::kSlope24, 1000);
    SetCrossover(program->output(1).highPass(), Filter::kLinkwitzRiley, Filter::kSlope24, 1000);
    const MeasuredResponse woofer = Flat("woofer.txt");
    const MeasuredResponse tweeter = Flat("tweeter.txt");
    std::string reason;
    const ResponseCurves sum = PredictedSum(*program, {{{true, 0}, &woofer}, {{true, 1}, &tweeter}},
                                            GridBetween(20, 20000), reason);
    EXPECT_EQ(reason, "");
    ASSERT_FALSE(sum.levelDb.empty());
    for (std::size_t i = 0; i < sum.hz.size(); ++i)
        EXPECT_NEAR(sum.levelDb[i], 0.0, 0.1) << sum.hz[i] << " Hz";

    // A polarity flip of the tweeter cancels them at the crossover.
    program->output(1).setPolarity(1);
    const double at[] = {1000.0};
    const ResponseCurves flipped =
        PredictedSum(*program, {{{true, 0}, &woofer}, {{true, 1}, &tweeter}}, at, reason);
    EXPECT_LT(flipped.levelDb[0], -40.0);
}

TEST(ChannelResponse, SumSaysWhyItCannotBeDrawn) {
    const auto program = Program4x8();
    const MeasuredResponse woofer = Flat("woofer.txt");
    const MeasuredResponse noPhase = Flat("tweeter.frd", false);
    MeasuredResponse high = Flat("horn.txt");
    high.hz = {20000, 25000};
    high.levelDb = {0, 0};
    high.phaseDeg = {0, 0};
    const std::vector<double> hz = GridBetween(20, 20000);
    struct Case {
        std::vector<SummedOutput> outputs;
        std::string reason;
    };
    const Case cases[] = {
        {{{{true, 0}, &woofer}}, "cannot sum: choose two or more outputs"},
        {{{{true, 0}, &woofer}, {{true, 1}, &noPhase}}, "cannot sum: no phase in tweeter.frd"},
        {{{{true, 0}, &woofer}, {{true, 4}, nullptr}}, "cannot sum: output 5 has no measurement"},
        {{{{true, 0}, &woofer}, {{true, 1}, &high}},
         "cannot sum: the measurements share no frequency"},
    };
    for (const Case& c : cases) {
        std::string reason;
        const ResponseCurves sum = PredictedSum(*program, c.outputs, hz, reason);
        EXPECT_EQ(reason, c.reason);
        EXPECT_TRUE(sum.levelDb.empty());
    }
}

} // namespace
