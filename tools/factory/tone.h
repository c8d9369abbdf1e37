// Building blocks for harmonic tones: wavetable voices whose pitch moves with vibrato and
// drift, free partials with their own slow level motion, and an oversampling decimator for
// models that are simplest written naively at a high rate.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "tools/factory/dsp.h"

namespace factory {

// One voice of a harmonic tone: a static spectrum played with pitch motion.
struct tone_voice {
    double hz = 440.0;
    std::vector<double> amps;    // harmonic k (1-based) is amps[k-1]
    std::vector<double> phases;  // optional, radians
    double detune_cents = 0;
    double vibrato_hz = 0, vibrato_cents = 0;
    double vibrato_delay_s = 0, vibrato_rise_s = 0.3;
    double drift_cents = 0, drift_period_s = 1.0;  // slow wander that repeats every period
    double start_s = 0;  // the voice enters late (ensembles)
    double start_phase = -1;  // cycles; < 0 for a seeded random phase
    double gain = 1.0;
    uint64_t seed = 1;
};

// Adds the voices into a signal of `frames` samples.
buffer render_tones(const std::vector<tone_voice>& voices, size_t frames);

// One free partial: a sine at hz whose level follows amp * (1 + motion * drift(t)).
struct partial {
    double hz, amp;
    double motion = 0;          // depth of the level motion, 0..1
    double motion_period_s = 1; // the motion repeats with this period
    uint64_t seed = 1;
};

buffer render_partials(const std::vector<partial>& partials, size_t frames);

// Spectral helpers: levels for harmonics of hz up to the band limit.
std::vector<double> saw_spectrum(double hz, double rolloff_hz, double limit_hz = 18000.0);
// Magnitude of a two-pole resonance at f (1 at hz, falling away with bandwidth bw_hz).
double resonance_gain(double f, double hz, double bw_hz);

// Renders `frames` samples at `factor` times the factory rate through `render` (which
// fills a buffer of frames * factor values) and low-pass filters them down.
buffer oversampled(size_t frames, int factor, const std::function<void(buffer&)>& render);

}  // namespace factory
