#include "tools/factory/bowed_blown.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/factory/tone.h"

namespace factory {

namespace {

double smoothstep(double x) {
    x = std::clamp(x, 0.0, 1.0);
    return x * x * (3 - 2 * x);
}

// Body resonances of the violin family, scaled down for the larger instruments: the main
// air and wood modes, a dip, and the bridge hill that gives the section its edge.
std::vector<biquad> body_filters(bowed_body b) {
    double s = b == bowed_body::violin ? 1.0 : b == bowed_body::viola ? 0.8
             : b == bowed_body::cello  ? 0.45 : 0.3;
    std::vector<biquad> f;
    f.push_back(biquad::highpass(190 * s, 0.7));
    f.push_back(biquad::peak(280 * s, 8, 7));
    f.push_back(biquad::peak(450 * s, 10, 5));
    f.push_back(biquad::peak(560 * s, 9, 4));
    f.push_back(biquad::peak(1300 * s, 1.5, -5));
    f.push_back(biquad::peak(2800 * std::sqrt(s), 1.2, 7));
    f.push_back(biquad::lowpass(7500 * std::sqrt(s), 0.7));
    return f;
}

}  // namespace

double rate_in_period(double hz, double period_s) {
    double cycles = std::max(1.0, std::round(hz * period_s));
    return cycles / period_s;
}

buffer bowed(const bowed_params& p) {
    size_t frames = frames_for(p.seconds);
    rng r(p.seed);
    double fc = 2000.0 + 6000.0 * p.brightness;
    size_t n = harmonics_below(p.hz, 17000.0);
    std::vector<double> amps(n);
    for (size_t k = 1; k <= n; ++k) {
        double f = p.hz * double(k);
        double notch = 0.25 + 0.75 * std::fabs(std::sin(pi * double(k) * p.bow_at));
        amps[k - 1] = notch / double(k) / (1.0 + (f / fc) * (f / fc));
    }
    std::vector<tone_voice> voices;
    for (int j = 0; j < p.players; ++j) {
        tone_voice v;
        v.hz = p.hz;
        v.amps = amps;
        v.detune_cents = p.players > 1 ? p.spread_cents * (2.0 * j / (p.players - 1) - 1.0) : 0;
        v.vibrato_hz = rate_in_period(p.vibrato_hz * (1.0 + 0.15 * r.bipolar()), p.period_s);
        v.vibrato_cents = p.vibrato_cents * (1.0 + 0.2 * r.bipolar());
        v.vibrato_rise_s = p.onset_s;
        v.drift_cents = p.players > 1 ? 0.6 : 2.0;  // a section wanders less (see sung)
        v.drift_period_s = p.period_s;
        v.start_s = j == 0 ? 0.0 : 0.025 * r.uniform();
        v.gain = 1.0 / std::sqrt(double(p.players));
        v.seed = p.seed * 100 + uint64_t(j);
        if (p.players > 1) v.start_phase = r.uniform() / 6.0;  // never near cancelling (see sung)
        voices.push_back(v);
    }
    buffer s = render_tones(voices, frames);
    biquad noise_bp = biquad::bandpass(2500.0, 0.8), scratch_lp = biquad::lowpass(1800.0, 0.7);
    double level = 0;
    for (double a : amps) level += a * a;
    level = std::sqrt(level);
    for (size_t i = 0; i < frames; ++i) {
        double t = double(i) / rate_hz;
        double env = smoothstep(t / p.onset_s);
        double scratch = (1.0 - env) * std::exp(-t / 0.04) * 0.35;
        s[i] = s[i] * env +
               level * (p.bow_noise * env * noise_bp.process(r.bipolar()) +
                        scratch * scratch_lp.process(r.bipolar()));
    }
    for (biquad& b : body_filters(p.body)) b.run(s);
    return s;
}

namespace {

std::vector<double> wind_spectrum(const blown_params& p) {
    size_t n = harmonics_below(p.hz, 16000.0);
    std::vector<double> a(n);
    double b = p.brightness;
    for (size_t k = 1; k <= n; ++k) {
        double f = p.hz * double(k), kk = double(k), v = 0;
        switch (p.kind) {
        case wind::flute:
            v = std::pow(0.48 + 0.2 * b, kk - 1) * (k == 2 ? 1.3 : 1.0);
            break;
        case wind::pan_flute:
            v = std::pow(0.38 + 0.15 * b, kk - 1);
            break;
        case wind::clarinet: {
            bool odd = (k % 2) == 1;
            double edge = 1500.0 * (1.0 + b);
            v = odd || f > edge ? std::pow(kk, -0.7) * (odd ? 1.0 : 0.5) : 0.04 * std::pow(kk, -0.3);
            v /= 1.0 + std::pow(f / (2500.0 + 3000.0 * b), 3.0);
            break;
        }
        case wind::oboe:
            v = (0.15 + resonance_gain(f, 1100, 500) + 0.6 * resonance_gain(f, 2900, 900)) *
                (k == 1 ? 0.5 : 1.0) / (1.0 + std::pow(f / 5000.0, 3.0));
            break;
        case wind::sax:
            v = std::pow(kk, -0.3) * (1.0 + 1.5 * resonance_gain(f, 1400, 900)) *
                std::exp(-f / (3500.0 + 3000.0 * b));
            break;
        case wind::trumpet:
            v = std::pow(kk, 0.6) * std::exp(-f / (1800.0 + 2200.0 * b));
            break;
        case wind::horn:
            v = std::pow(kk, 0.3) * std::exp(-f / (600.0 + 700.0 * b));
            break;
        case wind::trombone:
            v = std::pow(kk, 0.5) * std::exp(-f / (1000.0 + 1400.0 * b));
            break;
        }
        a[k - 1] = v;
    }
    return a;
}

bool is_brass(wind w) { return w == wind::trumpet || w == wind::horn || w == wind::trombone; }

}  // namespace

buffer blown(const blown_params& p) {
    size_t frames = frames_for(p.seconds);
    rng r(p.seed);
    std::vector<double> amps = wind_spectrum(p);
    std::vector<tone_voice> voices;
    for (int j = 0; j < p.players; ++j) {
        tone_voice v;
        v.hz = p.hz;
        v.amps = amps;
        v.detune_cents = p.players > 1 ? p.spread_cents * (2.0 * j / (p.players - 1) - 1.0) : 0;
        v.vibrato_hz = rate_in_period(p.vibrato_hz * (1.0 + 0.1 * r.bipolar()), p.period_s);
        v.vibrato_cents = p.vibrato_cents;
        v.vibrato_rise_s = p.onset_s;
        v.drift_cents = p.players > 1 ? 0.5 : 1.5;
        v.drift_period_s = p.period_s;
        v.start_s = j == 0 ? 0.0 : 0.02 * r.uniform();
        v.gain = 1.0 / std::sqrt(double(p.players));
        v.seed = p.seed * 100 + uint64_t(j);
        if (p.players > 1) v.start_phase = r.uniform() / 6.0;  // never near cancelling (see sung)
        voices.push_back(v);
    }
    buffer s = render_tones(voices, frames);
    double level = 0;
    for (double a : amps) level += a * a;
    level = std::sqrt(level);

    // Breath: noise around the instrument's noisy band; flutes add a chiff at the onset.
    bool flute = p.kind == wind::flute || p.kind == wind::pan_flute;
    double noise_hz = flute ? std::min(6000.0, 2.5 * p.hz + 1500.0) : 2200.0;
    double noise_level = (flute ? 0.09 : is_brass(p.kind) ? 0.012 : 0.035) * p.breath;
    biquad nb = biquad::bandpass(noise_hz, 0.6), chiff_bp = biquad::bandpass(3.0 * p.hz, 3.0);
    // Brass opens up during the onset: a low-pass sweeps from dark to the full spectrum.
    biquad blare = biquad::lowpass(20000.0, 0.7);
    double trem_phase = r.uniform(), trem_hz = rate_in_period(p.vibrato_hz, p.period_s);
    for (size_t i = 0; i < frames; ++i) {
        double t = double(i) / rate_hz;
        double env = smoothstep(t / p.onset_s);
        if (is_brass(p.kind) && (i & 31) == 0) {
            double open = smoothstep(t / (p.onset_s * 1.6));
            double cut = 500.0 + p.hz * 2.0 + open * 14000.0 * (0.4 + 0.6 * p.brightness);
            biquad nbq = biquad::lowpass(cut, 0.8);
            blare.b0 = nbq.b0; blare.b1 = nbq.b1; blare.b2 = nbq.b2;
            blare.a1 = nbq.a1; blare.a2 = nbq.a2;
        }
        double tone = is_brass(p.kind) ? blare.process(s[i]) : s[i];
        double trem = 1.0 + p.tremolo * std::min(1.0, t / p.onset_s) *
                                std::sin(two_pi * (trem_hz * t + trem_phase));
        double chiff = flute ? 0.25 * p.breath * std::exp(-t / 0.03) * (1.0 - std::exp(-t / 0.003))
                             : 0.0;
        s[i] = tone * env * trem +
               level * (noise_level * env * nb.process(r.bipolar()) +
                        chiff * chiff_bp.process(r.bipolar()));
    }
    return s;
}

}  // namespace factory
