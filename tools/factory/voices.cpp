#include "tools/factory/voices.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/factory/bowed_blown.h"
#include "tools/factory/tone.h"

namespace factory {

namespace {

struct formant_set {
    double f[5], bw[5];
};

// Published averages of sung vowels by register: bass, tenor, alto, soprano; rows in the
// order of `vowel`.
const formant_set table[4][5] = {
    {{{600, 1040, 2250, 2450, 2750}, {60, 70, 110, 120, 130}},
     {{400, 1620, 2400, 2800, 3100}, {40, 80, 100, 120, 120}},
     {{250, 1750, 2600, 3050, 3340}, {60, 90, 100, 120, 120}},
     {{400, 750, 2400, 2600, 2900}, {40, 80, 100, 120, 120}},
     {{350, 600, 2400, 2675, 2950}, {40, 80, 100, 120, 120}}},
    {{{650, 1080, 2650, 2900, 3250}, {80, 90, 120, 130, 140}},
     {{400, 1700, 2600, 3200, 3580}, {70, 80, 100, 120, 120}},
     {{290, 1870, 2800, 3250, 3540}, {40, 90, 100, 120, 120}},
     {{400, 800, 2600, 2800, 3000}, {40, 80, 100, 120, 120}},
     {{350, 600, 2700, 2900, 3300}, {40, 60, 100, 120, 120}}},
    {{{800, 1150, 2800, 3500, 4950}, {80, 90, 120, 130, 140}},
     {{400, 1600, 2700, 3300, 4950}, {60, 80, 120, 150, 200}},
     {{350, 1700, 2700, 3700, 4950}, {50, 100, 120, 150, 200}},
     {{450, 800, 2830, 3500, 4950}, {70, 80, 100, 130, 135}},
     {{325, 700, 2530, 3500, 4950}, {50, 60, 170, 180, 200}}},
    {{{800, 1150, 2900, 3900, 4950}, {80, 90, 120, 130, 140}},
     {{350, 2000, 2800, 3600, 4950}, {60, 100, 120, 150, 200}},
     {{270, 2140, 2950, 3900, 4950}, {60, 90, 100, 120, 120}},
     {{450, 800, 2830, 3800, 4950}, {70, 80, 100, 130, 135}},
     {{325, 700, 2700, 3800, 4950}, {50, 60, 170, 180, 200}}},
};

const formant_set& formants_for(vowel v, double hz) {
    int reg = hz < 165 ? 0 : hz < 262 ? 1 : hz < 523 ? 2 : 3;
    return table[reg][int(v)];
}

}  // namespace

double formant_gain(vowel v, double pitch_hz, double f) {
    const formant_set& s = formants_for(v, pitch_hz);
    double g = 1.0;
    for (int i = 0; i < 5; ++i) {
        // A singer's first formant follows the pitch up when the pitch passes it.
        double fi = i == 0 ? std::max(s.f[0], pitch_hz * 1.1) : s.f[i];
        double bw = s.bw[i] * 1.3;  // a little wider: several voices never line up exactly
        double d = fi * fi - f * f;
        g *= fi * fi / std::sqrt(d * d + (bw * f) * (bw * f));
    }
    return g;
}

buffer sung(const voice_params& p) {
    size_t frames = frames_for(p.seconds);
    rng r(p.seed);
    size_t n = harmonics_below(p.hz, 12000.0);
    std::vector<double> amps(n);
    for (size_t k = 1; k <= n; ++k) {
        double f = p.hz * double(k);
        // Glottal source (-12 dB/octave) with lip radiation (+6 dB/octave).
        amps[k - 1] = formant_gain(p.sound, p.hz, f) / double(k);
    }
    std::vector<tone_voice> voices;
    for (int j = 0; j < p.singers; ++j) {
        tone_voice v;
        v.hz = p.hz;
        v.amps = amps;
        v.detune_cents = p.singers > 1 ? p.spread_cents * (2.0 * j / (p.singers - 1) - 1.0) : 0;
        v.vibrato_hz = rate_in_period(p.vibrato_hz * (1.0 + 0.2 * r.bipolar()), p.period_s);
        v.vibrato_cents = p.vibrato_cents * (1.0 + 0.25 * r.bipolar());
        v.vibrato_rise_s = p.onset_s;
        // A section's singers wander less than a soloist: their sum would swell and fade.
        v.drift_cents = p.singers > 1 ? 0.8 : 3.0;
        v.drift_period_s = p.period_s;
        v.start_s = j == 0 ? 0.0 : 0.04 * r.uniform();
        v.gain = 1.0 / std::sqrt(double(p.singers));
        v.seed = p.seed * 100 + uint64_t(j);
        // The singers' waves start within a sixth of a cycle of each other, so the sum never
        // comes near cancelling; their vibratos still move them apart and back.
        if (p.singers > 1) v.start_phase = r.uniform() / 6.0;
        voices.push_back(v);
    }
    buffer s = render_tones(voices, frames);
    // Breath through the first two formants.
    const formant_set& fs = formants_for(p.sound, p.hz);
    biquad b1 = biquad::bandpass(fs.f[0], 4.0), b2 = biquad::bandpass(fs.f[1], 5.0);
    biquad b3 = biquad::bandpass(fs.f[2], 4.0);
    double level = 0;
    for (double a : amps) level += a * a;
    level = std::sqrt(level);
    for (size_t i = 0; i < frames; ++i) {
        double t = double(i) / rate_hz;
        double x = std::clamp(t / p.onset_s, 0.0, 1.0);
        double env = x * x * (3 - 2 * x);
        double w = r.bipolar();
        s[i] = env * (s[i] + level * p.breath * (b1.process(w) + b2.process(w) + b3.process(w)));
    }
    return s;
}

}  // namespace factory
