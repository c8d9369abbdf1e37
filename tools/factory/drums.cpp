#include "tools/factory/drums.h"

#include <algorithm>
#include <cmath>

#include "tools/factory/tone.h"

namespace factory {

namespace {

double decay(double t, double tau) { return std::exp(-t / tau); }

// A body of membrane modes with a small pitch drop as the head relaxes.
buffer membrane(double hz, const std::vector<std::pair<double, double>>& modes, double tau,
                double drop, size_t frames) {
    buffer s(frames, 0.0);
    for (size_t m = 0; m < modes.size(); ++m) {
        double phase = 0, ratio = modes[m].first, amp = modes[m].second;
        double mode_tau = tau / (1.0 + 0.8 * double(m));
        for (size_t i = 0; i < frames; ++i) {
            double t = double(i) / rate_hz;
            s[i] += amp * decay(t, mode_tau) * std::sin(two_pi * phase);
            phase += hz * ratio * (1.0 + drop * decay(t, 0.04)) / rate_hz;
        }
    }
    return s;
}

buffer filtered_noise(size_t frames, rng& r, std::vector<biquad> filters) {
    buffer s(frames);
    for (double& v : s) {
        double x = r.bipolar();
        for (biquad& f : filters) x = f.process(x);
        v = x;
    }
    return s;
}

// Six detuned square waves, the classic metallic source for hats and cymbals; run at four
// times the rate so their edges do not fold back.
buffer metal(size_t frames, double tune) {
    static const double f[6] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
    return oversampled(frames, 4, [&](buffer& hi) {
        double ph[6] = {0.1, 0.37, 0.61, 0.83, 0.29, 0.52};
        for (double& v : hi) {
            double sum = 0;
            for (int k = 0; k < 6; ++k) {
                sum += ph[k] < 0.5 ? 1.0 : -1.0;
                ph[k] += f[k] * tune / (rate_hz * 4);
                if (ph[k] >= 1.0) ph[k] -= 1.0;
            }
            v = sum / 6.0;
        }
    });
}

}  // namespace

const char* drum_name(drum kind) {
    switch (kind) {
    case drum::kick: return "Kick";
    case drum::kick_long: return "Boom Kick";
    case drum::snare: return "Snare";
    case drum::snare_tight: return "Tight Snare";
    case drum::clap: return "Clap";
    case drum::hat_closed: return "Closed Hat";
    case drum::hat_open: return "Open Hat";
    case drum::hat_pedal: return "Pedal Hat";
    case drum::tom_low: return "Low Tom";
    case drum::tom_high: return "High Tom";
    case drum::rim: return "Rim";
    case drum::cowbell: return "Cowbell";
    case drum::shaker: return "Shaker";
    case drum::conga_low: return "Low Conga";
    case drum::conga_high: return "High Conga";
    case drum::bongo: return "Bongo";
    case drum::clave: return "Clave";
    case drum::tambourine: return "Tambourine";
    }
    return "Hit";
}

double drum_default_note(drum kind) {
    switch (kind) {
    case drum::kick: return 36;       // C2: the sweep ends on it
    case drum::kick_long: return 31;  // G1
    case drum::snare: case drum::snare_tight: return 38;
    case drum::tom_low: return 43;
    case drum::tom_high: return 50;
    case drum::conga_low: return 55;
    case drum::conga_high: return 62;
    case drum::bongo: return 69;
    default: return 60;
    }
}

buffer drum_hit(drum kind, double hz, double length, uint64_t seed) {
    rng r(seed);
    auto frames = [&](double s) { return frames_for(s * length); };
    buffer s;
    switch (kind) {
    case drum::kick:
    case drum::kick_long: {
        bool long_one = kind == drum::kick_long;
        size_t n = frames(long_one ? 1.1 : 0.45);
        s.assign(n, 0.0);
        double phase = 0, sweep = long_one ? 2.2 : 3.2;
        biquad click_lp = biquad::lowpass(3500, 0.7);
        for (size_t i = 0; i < n; ++i) {
            double t = double(i) / rate_hz;
            double f = hz * (1.0 + (sweep - 1.0) * decay(t, long_one ? 0.025 : 0.03));
            double body = std::sin(two_pi * phase) * decay(t, (long_one ? 0.45 : 0.16) * length);
            double click = click_lp.process(r.bipolar()) * decay(t, 0.002) * 0.35;
            s[i] = std::tanh(1.6 * body) / std::tanh(1.6) + click;
            phase += f / rate_hz;
        }
        break;
    }
    case drum::snare:
    case drum::snare_tight: {
        bool tight = kind == drum::snare_tight;
        size_t n = frames(tight ? 0.22 : 0.35);
        // Head modes on the third and fifth harmonics of the hit's pitch, so the oscillator
        // keeps them when it plays the hit at that key.
        s = membrane(hz, {{3.0, 1.0}, {5.0, 0.55}}, (tight ? 0.05 : 0.08) * length, 0.12, n);
        buffer wires = filtered_noise(n, r, {biquad::highpass(1500, 0.7), biquad::lowpass(9000, 0.7)});
        for (size_t i = 0; i < n; ++i) {
            double t = double(i) / rate_hz;
            s[i] = 0.55 * s[i] + wires[i] * 0.9 * decay(t, (tight ? 0.07 : 0.13) * length);
        }
        break;
    }
    case drum::clap: {
        size_t n = frames(0.4);
        buffer noise = filtered_noise(n, r, {biquad::bandpass(1150, 1.4), biquad::highpass(500, 0.7)});
        s.assign(n, 0.0);
        for (size_t i = 0; i < n; ++i) {
            double t = double(i) / rate_hz, env = 0;
            for (int b = 0; b < 3; ++b) {
                double tb = t - 0.0095 * b;
                if (tb >= 0) env += decay(tb, 0.0035);
            }
            double tail = t - 0.028;
            if (tail >= 0) env += 0.8 * decay(tail, 0.11 * length);
            s[i] = noise[i] * env;
        }
        break;
    }
    case drum::hat_closed:
    case drum::hat_open:
    case drum::hat_pedal: {
        double tau = kind == drum::hat_open ? 0.28 : kind == drum::hat_pedal ? 0.018 : 0.035;
        size_t n = frames(kind == drum::hat_open ? 0.8 : 0.16);
        s = metal(n, 1.0);
        buffer air = filtered_noise(n, r, {biquad::highpass(7000, 0.7)});
        biquad bp = biquad::bandpass(8500, 1.0), hp = biquad::highpass(6500, 0.7);
        for (size_t i = 0; i < n; ++i) {
            double t = double(i) / rate_hz;
            s[i] = hp.process(bp.process(s[i] + 0.4 * air[i])) * decay(t, tau * length);
        }
        break;
    }
    case drum::tom_low:
    case drum::tom_high: {
        size_t n = frames(0.6);
        s = membrane(hz, {{1.0, 1.0}, {1.5, 0.35}, {2.0, 0.2}}, 0.22 * length, 0.35, n);
        buffer thump = filtered_noise(n, r, {biquad::lowpass(1500, 0.7)});
        for (size_t i = 0; i < n; ++i) s[i] += thump[i] * 0.4 * decay(double(i) / rate_hz, 0.01);
        break;
    }
    case drum::rim: {
        size_t n = frames(0.12);
        s = membrane(hz, {{1.0, 0.6}, {3.0, 1.0}}, 0.02, 0.0, n);
        buffer click = filtered_noise(n, r, {biquad::bandpass(2000, 2.0)});
        for (size_t i = 0; i < n; ++i) s[i] += click[i] * 1.5 * decay(double(i) / rate_hz, 0.004);
        break;
    }
    case drum::cowbell: {
        size_t n = frames(0.45);
        s = oversampled(n, 4, [&](buffer& hi) {
            double a = 0, b = 0;
            for (double& v : hi) {
                v = (a < 0.5 ? 0.5 : -0.5) + (b < 0.5 ? 0.5 : -0.5);
                a += 587.0 / (rate_hz * 4); if (a >= 1) a -= 1;
                b += 845.0 / (rate_hz * 4); if (b >= 1) b -= 1;
            }
        });
        biquad bp = biquad::bandpass(2640, 1.2);
        for (size_t i = 0; i < n; ++i) {
            double t = double(i) / rate_hz;
            s[i] = bp.process(s[i]) * (0.7 * decay(t, 0.03 * length) + 0.3 * decay(t, 0.12 * length));
        }
        break;
    }
    case drum::shaker:
    case drum::tambourine: {
        bool tam = kind == drum::tambourine;
        size_t n = frames(tam ? 0.35 : 0.16);
        s = filtered_noise(n, r, {biquad::highpass(tam ? 6500 : 4500, 0.7), biquad::lowpass(14000, 0.7)});
        std::vector<double> jingles = {5210, 6120, 7330, 8450, 9140};
        for (size_t i = 0; i < n; ++i) {
            double t = double(i) / rate_hz;
            double env = (1.0 - decay(t, tam ? 0.002 : 0.012)) * decay(t, (tam ? 0.09 : 0.045) * length);
            double ring = 0;
            if (tam)
                for (double f : jingles) ring += std::sin(two_pi * f * t) * decay(t, 0.12);
            s[i] = env * s[i] + 0.06 * ring;
        }
        break;
    }
    case drum::conga_low:
    case drum::conga_high:
    case drum::bongo: {
        size_t n = frames(kind == drum::bongo ? 0.25 : 0.45);
        s = membrane(hz, {{1.0, 1.0}, {1.59, 0.3}, {2.14, 0.18}, {2.3, 0.12}},
                     (kind == drum::bongo ? 0.09 : 0.16) * length, 0.06, n);
        buffer slap = filtered_noise(n, r, {biquad::bandpass(2500, 0.8)});
        for (size_t i = 0; i < n; ++i) s[i] += slap[i] * 0.5 * decay(double(i) / rate_hz, 0.005);
        break;
    }
    case drum::clave: {
        size_t n = frames(0.15);
        s = membrane(2500.0, {{1.0, 1.0}, {1.47, 0.2}}, 0.035 * length, 0.0, n);
        break;
    }
    }
    // Every hit is cut at its length: the last few milliseconds fade so the cut never clicks.
    fade_out(s, std::min(s.size() / 4, frames_for(0.012)));
    return s;
}

size_t loop_frames(double bpm, int beats) {
    return size_t(std::llround(rate_hz * 60.0 / bpm * double(beats)));
}

size_t step_frame(const loop_params& p, int step) {
    double step_frames = rate_hz * 60.0 / p.bpm / double(p.steps_per_beat);
    double at = double(step) * step_frames;
    if (step % 2 == 1) at += p.swing * step_frames;
    return size_t(std::llround(at));
}

std::vector<float> drum_loop(const loop_params& p) {
    size_t n = loop_frames(p.bpm, p.beats);
    buffer mix(n, 0.0);
    uint64_t seed = p.seed;
    for (const drum_track& tr : p.tracks) {
        double note = tr.note >= 0 ? tr.note : drum_default_note(tr.kind);
        for (size_t s = 0; s < tr.steps.size(); ++s) {
            char c = tr.steps[s];
            double vel = c == 'x' ? 1.0 : c == 'o' ? 0.7 : c == '-' ? 0.35 : 0.0;
            if (vel == 0.0) continue;
            // Every hit is its own take: a new seed and a slightly different length.
            rng jitter(++seed);
            buffer hit = drum_hit(tr.kind, note_hz(note), tr.length * (0.95 + 0.1 * jitter.uniform()), seed);
            fade_in(hit, frames_for(0.0003));
            size_t at = step_frame(p, int(s));
            for (size_t i = 0; i < hit.size() && at + i < n; ++i) mix[at + i] += vel * hit[i];
        }
    }
    highpass_dc(mix);
    // The loop's end meets its start: both are faded to silence over a few milliseconds.
    fade_out(mix, frames_for(0.004));
    fade_in(mix, frames_for(0.0003));
    scale_to_peak(mix, -1.0);
    return to_float(mix);
}

}  // namespace factory
