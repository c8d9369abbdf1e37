// Analogue-style waves for leads and basses, additive pads and noise-born textures. Their
// slow motion (pulse-width sweeps, partial shimmer, drone beats) repeats with the loop period
// given, so the loop of a finished sample meets itself; pads leave detuned chorus to the
// instrument's unison, since a short loop cannot hold a slow beat.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/factory/dsp.h"

namespace factory {

enum class analog_wave { saw, square, pwm, supersaw, sync, fat_saw };

struct analog_params {
    double hz = 110.0;
    analog_wave wave = analog_wave::saw;
    double period_s = 0.5;      // repeat period of all motion (the loop length)
    double pwm_depth = 0.35;    // pulse width swings 0.5 +- depth/1 (pwm)
    int pwm_cycles = 1;         // width sweeps per period
    double detune_cents = 12.0; // supersaw / fat saw spread
    double sync_ratio = 2.6;    // slave frequency over master (sync)
    double rolloff_hz = 16000.0;
    double seconds = 0.6;
    uint64_t seed = 1;
};
buffer analog(const analog_params& p);

struct pad_params {
    double hz = 220.0;
    std::vector<double> spectrum;  // harmonic levels, harmonic 1 first
    double shimmer = 0.3;          // slow level motion of each harmonic
    double period_s = 0.8;         // repeat period of the motion
    double air = 0.0;              // breathy noise on top
    double onset_s = 0.05;
    double seconds = 1.0;
    uint64_t seed = 1;
};
buffer pad(const pad_params& p);

enum class texture_kind { wind, ocean, shimmer, drone, glass_rain, breath };

struct texture_params {
    double hz = 130.81;        // pitch centre of the pitched parts
    texture_kind kind = texture_kind::wind;
    double period_s = 1.0;
    double seconds = 1.2;
    uint64_t seed = 1;
};
buffer texture(const texture_params& p);

}  // namespace factory
