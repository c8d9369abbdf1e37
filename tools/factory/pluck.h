// Plucked and struck strings: a single-delay-loop waveguide (Karplus-Strong with a tuned
// fractional delay, a loss filter, optional stiffness), excited by a shaped pick pulse, with
// body resonances and an optional pickup on the output.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/factory/dsp.h"

namespace factory {

struct resonance {
    double hz, q, gain_db;
};

struct pluck_params {
    double hz = 220.0;
    double t60_s = 3.0;        // decay of the fundamental to -60 dB
    double damping = 0.3;      // 0 bright (little loss at high frequencies) .. 0.5 dark
    double pluck_at = 0.15;    // pluck point as a fraction of the string (comb notches)
    double pick_ms = 0.4;      // width of the pick pulse: shorter is brighter
    double noise = 0.15;       // share of noise in the excitation (finger and pick grit)
    double stiffness = 0.0;    // 0..0.5: dispersion allpass, stretches upper partials
    double pickup_at = 0.0;    // electric pickup position (0 = acoustic output)
    double strings_cents = 0;  // a second string detuned by this many cents (courses)
    std::vector<resonance> body;  // peaks and dips of the instrument body, in series
    double seconds = 1.0;
    uint64_t seed = 1;
};

buffer pluck(const pluck_params& p);

// The loop's phase delay in samples at angular frequency w for a first-order allpass with
// coefficient a, and for the two-tap loss filter (1 - s) + s z^-1. Exposed for the tuning
// test of the model.
double allpass_delay(double a, double w);
double loss_delay(double s, double w);

}  // namespace factory
