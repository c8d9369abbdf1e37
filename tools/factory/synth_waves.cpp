#include "tools/factory/synth_waves.h"

#include <algorithm>
#include <cmath>

#include "tools/factory/tone.h"

namespace factory {

namespace {

double smoothstep(double x) {
    x = std::clamp(x, 0.0, 1.0);
    return x * x * (3 - 2 * x);
}

buffer saws(const analog_params& p, const std::vector<double>& detunes) {
    std::vector<tone_voice> voices;
    double widest = 0;
    for (double d : detunes) widest = std::max(widest, d);
    auto amps = saw_spectrum(p.hz * std::pow(2.0, widest / 1200.0), p.rolloff_hz);
    for (size_t j = 0; j < detunes.size(); ++j) {
        tone_voice v;
        v.hz = p.hz;
        v.amps = amps;
        v.detune_cents = detunes[j];
        v.gain = detunes[j] == 0.0 ? 1.0 : 0.7;
        v.seed = p.seed * 10 + j;
        voices.push_back(v);
    }
    return render_tones(voices, frames_for(p.seconds));
}

}  // namespace

buffer analog(const analog_params& p) {
    size_t frames = frames_for(p.seconds);
    switch (p.wave) {
    case analog_wave::saw:
        return saws(p, {0.0});
    case analog_wave::fat_saw:
        return saws(p, {-p.detune_cents, 0.0, p.detune_cents});
    case analog_wave::supersaw: {
        const double spread[7] = {0.0, -1.0, 1.0, -0.62, 0.6, -0.27, 0.31};
        std::vector<double> d;
        for (double x : spread) d.push_back(p.detune_cents * x);
        return saws(p, d);
    }
    case analog_wave::square: {
        auto amps = saw_spectrum(p.hz, p.rolloff_hz);
        for (size_t k = 2; k <= amps.size(); k += 2) amps[k - 1] = 0.0;
        tone_voice v;
        v.hz = p.hz;
        v.amps = amps;
        v.seed = p.seed;
        return render_tones({v}, frames);
    }
    case analog_wave::pwm: {
        // A pulse is a saw minus the same saw delayed by the width; both are zero-mean, so
        // the sweep moves no DC. The edges move symmetrically about the cycle's start, so the
        // harmonics keep their phases and the sweep does not bend the pitch.
        harmonic_table saw(saw_spectrum(p.hz, p.rolloff_hz));
        buffer out(frames);
        double phase = 0;
        for (size_t i = 0; i < frames; ++i) {
            double t = double(i) / rate_hz;
            double width = 0.5 + p.pwm_depth * 0.5 *
                                     std::sin(two_pi * double(p.pwm_cycles) * t / p.period_s);
            out[i] = saw.at(phase + width / 2) - saw.at(phase - width / 2);
            phase += p.hz / rate_hz;
            if (phase >= 1.0) phase -= 1.0;
        }
        return out;
    }
    case analog_wave::sync:
        return oversampled(frames, 8, [&](buffer& hi) {
            const double r8 = rate_hz * 8;
            double master = 0, slave = 0;
            biquad soft = biquad::lowpass(std::min(p.rolloff_hz, r8 * 0.2), 0.7);
            for (double& v : hi) {
                v = soft.process(2.0 * slave - 1.0);
                master += p.hz / r8;
                slave += p.hz * p.sync_ratio / r8;
                if (master >= 1.0) {
                    master -= 1.0;
                    slave = master * p.sync_ratio;  // the master's wrap resets the slave
                } else if (slave >= 1.0) {
                    slave -= std::floor(slave);
                }
            }
        });
    }
    return buffer(frames, 0.0);
}

buffer pad(const pad_params& p) {
    size_t frames = frames_for(p.seconds);
    std::vector<partial> parts;
    for (size_t k = 1; k <= p.spectrum.size(); ++k) {
        if (p.spectrum[k - 1] <= 0) continue;
        partial q;
        q.hz = p.hz * double(k);
        q.amp = p.spectrum[k - 1];
        q.motion = p.shimmer;
        q.motion_period_s = p.period_s;
        q.seed = p.seed * 1000 + k;
        parts.push_back(q);
    }
    buffer s = render_partials(parts, frames);
    rng r(p.seed);
    biquad air_hp = biquad::highpass(3000.0, 0.7), air_lp = biquad::lowpass(9000.0, 0.7);
    double level = 0;
    for (double a : p.spectrum) level += a * a;
    level = std::sqrt(level);
    for (size_t i = 0; i < frames; ++i) {
        double env = smoothstep(double(i) / rate_hz / p.onset_s);
        double air = p.air > 0 ? p.air * level * air_lp.process(air_hp.process(r.bipolar())) : 0;
        s[i] = env * (s[i] + air);
    }
    return s;
}

buffer texture(const texture_params& p) {
    size_t frames = frames_for(p.seconds);
    rng r(p.seed);
    buffer s(frames, 0.0);
    auto slow = [&](uint64_t seed) { return periodic_drift(p.period_s, 2, seed); };
    switch (p.kind) {
    case texture_kind::wind: {
        // Noise through three resonances that wander and swell with the period.
        double centres[3] = {p.hz * 4, p.hz * 6.5, p.hz * 10};
        for (int b = 0; b < 3; ++b) {
            periodic_drift move = slow(p.seed + uint64_t(b) * 7), swell = slow(p.seed + 50 + uint64_t(b));
            biquad f = biquad::bandpass(centres[b], 12);
            for (size_t i = 0; i < frames; ++i) {
                double t = double(i) / rate_hz;
                if ((i & 63) == 0) {
                    biquad nf = biquad::bandpass(centres[b] * std::pow(2.0, 0.4 * move.at(t)), 12);
                    f.b0 = nf.b0; f.b1 = nf.b1; f.b2 = nf.b2; f.a1 = nf.a1; f.a2 = nf.a2;
                }
                s[i] += (0.6 + 0.4 * swell.at(t)) * f.process(r.bipolar());
            }
        }
        break;
    }
    case texture_kind::ocean: {
        periodic_drift swell = slow(p.seed);
        biquad lp = biquad::lowpass(900.0, 0.6), lp2 = biquad::lowpass(2500.0, 0.5);
        for (size_t i = 0; i < frames; ++i) {
            double t = double(i) / rate_hz, w = 0.5 + 0.5 * swell.at(t);
            double x = r.bipolar();
            s[i] = (0.25 + w) * lp.process(x) + 0.3 * w * w * lp2.process(x);
        }
        break;
    }
    case texture_kind::shimmer: {
        std::vector<partial> parts;
        parts.push_back({p.hz, 0.35, 0.1, p.period_s, p.seed});
        for (int k = 4; k <= 24; ++k)
            if (k % 3 != 2)
                parts.push_back({p.hz * k, 0.5 / std::sqrt(double(k)), 0.95, p.period_s,
                                 p.seed * 97 + uint64_t(k)});
        s = render_partials(parts, frames);
        break;
    }
    case texture_kind::drone: {
        std::vector<partial> parts;
        for (int k = 1; k <= 40; ++k) {
            double a = 1.0 / k / (1.0 + std::pow(p.hz * k / 900.0, 2.0));
            // Each harmonic with quieter neighbours half a beat either side: the drone pulses
            // once per period, on every harmonic alike, without ever cancelling.
            double half_beat = 0.5 / p.period_s;
            parts.push_back({p.hz * k, a, 0.4, p.period_s, p.seed * 29 + uint64_t(k)});
            parts.push_back({p.hz * k - half_beat, 0.35 * a, 0.6, p.period_s, p.seed * 31 + uint64_t(k)});
            parts.push_back({p.hz * k + half_beat, 0.35 * a, 0.6, p.period_s, p.seed * 37 + uint64_t(k)});
        }
        s = render_partials(parts, frames);
        break;
    }
    case texture_kind::glass_rain: {
        // A soft tone for the pitch, with pings on its harmonics scattered over the period
        // and repeated each period.
        s = render_partials({{p.hz, 0.25, 0.2, p.period_s, p.seed},
                             {p.hz * 2, 0.1, 0.4, p.period_s, p.seed + 1}},
                            frames);
        static const int ks[5] = {2, 3, 4, 6, 8};
        size_t period = frames_for(p.period_s);
        for (int n = 0; n < 14; ++n) {
            double f = p.hz * ks[r.next() % 5];
            if (f > 15000) continue;
            size_t at = size_t(r.uniform() * double(period));
            double amp = 0.25 + 0.35 * r.uniform(), w = two_pi * f / rate_hz;
            for (size_t rep = at; rep < frames; rep += period)
                for (size_t i = 0; i < frames_for(0.6) && rep + i < frames; ++i) {
                    double t = double(i) / rate_hz;
                    double env = (1.0 - std::exp(-t / 0.002)) * std::exp(-t / 0.15);
                    s[rep + i] += amp * env * std::sin(w * double(i));
                }
        }
        break;
    }
    case texture_kind::breath: {
        // Noise through narrow bands on the harmonics: a pitched breath.
        for (int k = 1; k <= 10; ++k) {
            double f = p.hz * k;
            if (f > 12000) break;
            biquad b = biquad::bandpass(f, 40.0 + 4.0 * k);
            double g = 1.0 / std::sqrt(double(k));
            for (size_t i = 0; i < frames; ++i) s[i] += g * b.process(r.bipolar());
        }
        break;
    }
    }
    return s;
}

}  // namespace factory
