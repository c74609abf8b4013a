#pragma once

#include <complex>
#include <optional>
#include <string>
#include <vector>

// A loudspeaker's measured frequency response, as a measurement program exports it: frequencies
// in rising order, the level in dB and, where measured, the phase in degrees.
struct MeasuredResponse {
    std::string name;             // the file it was read from, for messages
    std::vector<double> hz;       // strictly rising, above 0
    std::vector<double> levelDb;  // one per frequency
    std::vector<double> phaseDeg; // one per frequency, unwrapped; empty when none was measured

    bool HasPhase() const { return !phaseDeg.empty(); }
    // Level and phase at a frequency inside the measured range, interpolated linearly over the
    // logarithm of the frequency; nothing outside it.
    std::optional<double> LevelAt(double hz) const;
    std::optional<double> PhaseAt(double hz) const;
    // The measured pressure as a complex value (the level and, without a phase, 0 degrees).
    std::optional<std::complex<double>> At(double hz) const;
};

// The phases made continuous: wherever neighbours jump by more than 180 degrees, whole turns are
// added or taken away from there on.
std::vector<double> UnwrapDegrees(const std::vector<double>& degrees);
// A phase in degrees brought into -180 (included) .. +180 (excluded).
double WrapDegrees(double degrees);
