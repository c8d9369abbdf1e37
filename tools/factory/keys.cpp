#include "tools/factory/keys.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "tools/factory/modal.h"
#include "tools/factory/tone.h"

namespace factory {

buffer tine_piano(const tine_params& p) {
    size_t frames = frames_for(p.seconds);
    // Run at four times the rate: the ding's sidebands and the pickup's squaring reach far
    // above the audio band.
    const int factor = 4;
    double ratio = 29.0 * p.hz < 20000.0 ? 14.0 : 15.0 * p.hz < 20000.0 ? 7.0 : 0.0;
    double ding_tau = std::min(0.045, p.freeze_s / 6.0);  // gone before the sustain holds
    return oversampled(frames, factor, [&](buffer& hi) {
        double w = p.hz / (rate_hz * factor), phase = 0.0;
        for (size_t i = 0; i < hi.size(); ++i) {
            double t = std::min(double(i) / (rate_hz * factor), p.freeze_s);
            double idx = p.index_floor + (p.index - p.index_floor) * std::exp(-t / p.index_decay_s);
            double amp = std::exp(-t / p.decay_s);
            double ding = ratio > 0 ? p.ding * std::exp(-t / ding_tau) : 0.0;
            double ph = two_pi * phase;
            double y = std::sin(ph + idx * std::sin(ph));
            if (ding > 0) y += ding * std::sin(ph + 1.2 * std::sin(ratio * ph));
            y *= amp;
            hi[i] = y + p.bark * y * y;
            phase += w;
            if (phase >= 1.0) phase -= 1.0;
        }
    });
}

buffer reed_piano(const reed_params& p) {
    size_t frames = frames_for(p.seconds);
    const int factor = 4;
    return oversampled(frames, factor, [&](buffer& hi) {
        double w = p.hz / (rate_hz * factor), phase = 0.0, bias = 0.3;
        double zero = std::tanh(bias);
        for (size_t i = 0; i < hi.size(); ++i) {
            double t = std::min(double(i) / (rate_hz * factor), p.freeze_s);
            double drive = p.drive_floor + (p.drive - p.drive_floor) * std::exp(-t / p.drive_decay_s);
            double amp = std::exp(-t / p.decay_s);
            double ph = two_pi * phase;
            double x = std::sin(ph) + 0.2 * std::sin(2 * ph);
            hi[i] = amp * (std::tanh(drive * x + bias) - zero) / std::tanh(drive);
            phase += w;
            if (phase >= 1.0) phase -= 1.0;
        }
    });
}

buffer drawbars(const drawbar_params& p) {
    static const int harmonic[7] = {1, 2, 3, 4, 5, 6, 8};
    rng r(p.seed);
    size_t n = std::min<size_t>(harmonics_below(p.hz, 18000.0), 10);
    std::vector<double> amps(n, 0.0), phases(n, 0.0);
    for (size_t k = 0; k < n; ++k) {
        amps[k] = p.leakage * (0.5 + r.uniform());
        phases[k] = two_pi * r.uniform();
    }
    for (int b = 0; b < 7; ++b) {
        size_t k = size_t(harmonic[b]);
        if (p.bars[size_t(b)] <= 0 || k > n) continue;
        // Each drawbar step is 3 dB.
        amps[k - 1] += std::pow(10.0, -3.0 * (8 - p.bars[size_t(b)]) / 20.0);
    }
    tone_voice v;
    v.hz = p.hz;
    v.amps = amps;
    v.phases = phases;
    v.seed = p.seed;
    return render_tones({v}, frames_for(p.seconds));
}

buffer pipe(const pipe_params& p) {
    size_t frames = frames_for(p.seconds);
    size_t n = harmonics_below(p.hz, 15000.0);
    std::vector<double> amps(n);
    for (size_t k = 1; k <= n; ++k) {
        double kk = double(k), f = p.hz * kk;
        switch (p.stop) {
        case pipe_stop::principal: amps[k - 1] = std::pow(kk, -1.2) * (k % 2 ? 1.0 : 0.8); break;
        case pipe_stop::flute: amps[k - 1] = k == 1 ? 1.0 : k == 3 ? 0.12 : 0.04 / kk; break;
        case pipe_stop::reed: amps[k - 1] = std::pow(kk, 0.2) * std::exp(-f / 3500.0); break;
        }
    }
    tone_voice v;
    v.hz = p.hz;
    v.amps = amps;
    v.drift_cents = 0.5;
    v.seed = p.seed;
    buffer s = render_tones({v}, frames);
    // The pipe speaks: the octave sounds first, with a puff of wind (the chiff).
    std::vector<double> octave(n, 0.0);
    if (n >= 2) octave[1] = 0.5;
    tone_voice o = v;
    o.amps = octave;
    buffer oct = render_tones({o}, std::min(frames, frames_for(p.onset_s * 3)));
    rng r(p.seed + 3);
    biquad chiff = biquad::bandpass(std::min(8000.0, p.hz * 4.0), 2.0);
    biquad wind = biquad::bandpass(std::min(6000.0, p.hz * 6.0), 0.7);
    double level = 0;
    for (double a : amps) level += a * a;
    level = std::sqrt(level);
    for (size_t i = 0; i < frames; ++i) {
        double t = double(i) / rate_hz;
        double x = std::clamp(t / p.onset_s, 0.0, 1.0);
        double env = x * x * (3 - 2 * x);
        double o_env = i < oct.size() ? env * std::exp(-t / (p.onset_s * 0.7)) : 0.0;
        s[i] = env * s[i] + (i < oct.size() ? o_env * oct[i] : 0.0) +
               level * (p.chiff * std::exp(-t / (0.6 * p.onset_s)) * env * chiff.process(r.bipolar()) +
                        0.004 * env * wind.process(r.bipolar()));
    }
    return s;
}

buffer felt_piano(const felt_piano_params& p) {
    // Stiff-string partials, nudged so the first one is exactly the note; each partial's
    // three strings beat slowly. The hammer's felt is the mallet's contact time.
    double b = 0.00012 * std::pow(p.hz / 261.63, 1.5);
    double first = std::sqrt(1.0 + b);
    modal_params m;
    m.hz = p.hz;
    size_t n = std::min<size_t>(harmonics_below(p.hz, 12000.0), 40);
    double fc = 800.0 + 5000.0 * p.hardness + 1.5 * p.hz;
    for (size_t k = 1; k <= n; ++k) {
        double kk = double(k), f = p.hz * kk;
        double ratio = kk * std::sqrt(1.0 + b * kk * kk) / first;
        double amp = (0.15 + std::fabs(std::sin(pi * kk * p.strike_at))) / kk /
                     (1.0 + (f / fc) * (f / fc));
        double t60 = 9.0 * std::pow(261.63 / p.hz, 0.6) / (1.0 + 0.25 * kk);
        double beat = f * (std::pow(2.0, p.detune_cents / 1200.0) - 1.0);
        m.modes.push_back({ratio, amp, t60, beat});
    }
    m.contact_ms = 2.2 - 1.6 * p.hardness;
    m.thump = 0.04;
    m.thump_hz = 300.0;
    m.freeze_s = p.freeze_s;
    m.seconds = p.seconds;
    m.seed = p.seed;
    return modal(m);
}

}  // namespace factory
