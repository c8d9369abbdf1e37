#include "tools/factory/tone.h"

#include <algorithm>
#include <cmath>

namespace factory {

buffer render_tones(const std::vector<tone_voice>& voices, size_t frames) {
    buffer out(frames, 0.0);
    for (const tone_voice& v : voices) {
        harmonic_table table(v.amps, v.phases);
        periodic_drift drift(v.drift_period_s, 3, v.seed * 31 + 7);
        rng r(v.seed);
        double phase = r.uniform(), vib_phase = r.uniform();
        if (v.start_phase >= 0) phase = v.start_phase;
        size_t start = std::min(frames, frames_for(v.start_s));
        // Pitch motion is computed every 16 samples; it is far slower than that.
        double ratio = 1.0;
        for (size_t i = start; i < frames; ++i) {
            if (((i - start) & 15) == 0) {
                double t = double(i) / rate_hz, tv = t - v.start_s - v.vibrato_delay_s;
                double depth = 0;
                if (v.vibrato_cents > 0 && tv > 0)
                    depth = v.vibrato_cents *
                            std::min(1.0, tv / std::max(1e-3, v.vibrato_rise_s));
                double cents = v.detune_cents + v.drift_cents * drift.at(t) +
                               depth * std::sin(two_pi * (v.vibrato_hz * t + vib_phase));
                ratio = std::pow(2.0, cents / 1200.0);
            }
            // A voice that enters late rises over 5 ms rather than stepping in.
            double rise = std::min(1.0, double(i - start) / (0.005 * rate_hz));
            out[i] += v.gain * rise * table.at(phase);
            phase += v.hz * ratio / rate_hz;
            if (phase >= 1.0) phase -= 1.0;
        }
    }
    return out;
}

buffer render_partials(const std::vector<partial>& partials, size_t frames) {
    buffer out(frames, 0.0);
    for (const partial& p : partials) {
        if (p.hz <= 0 || p.hz >= 19500.0) continue;
        rng r(p.seed);
        periodic_drift drift(p.motion_period_s, 3, p.seed * 13 + 5);
        double w = two_pi * p.hz / rate_hz, start = two_pi * r.uniform();
        double cr = std::cos(w), sr = std::sin(w);
        double re = std::cos(start), im = std::sin(start);
        double level = p.amp;
        for (size_t i = 0; i < frames; ++i) {
            if ((i & 31) == 0) {
                level = p.amp * (1.0 + p.motion * drift.at(double(i) / rate_hz));
                double g = 1.0 / std::sqrt(re * re + im * im);
                re *= g; im *= g;
            }
            out[i] += level * im;
            double nre = re * cr - im * sr;
            im = re * sr + im * cr;
            re = nre;
        }
    }
    return out;
}

std::vector<double> saw_spectrum(double hz, double rolloff_hz, double limit_hz) {
    size_t n = harmonics_below(hz, limit_hz);
    std::vector<double> a(n);
    for (size_t k = 1; k <= n; ++k) {
        double f = hz * double(k);
        a[k - 1] = 1.0 / double(k) / (1.0 + std::pow(f / rolloff_hz, 2.0));
    }
    return a;
}

double resonance_gain(double f, double hz, double bw_hz) {
    double d = hz * hz - f * f;
    return hz * bw_hz / std::sqrt(d * d + (bw_hz * f) * (bw_hz * f));
}

buffer oversampled(size_t frames, int factor, const std::function<void(buffer&)>& render) {
    buffer hi(frames * size_t(factor) + 64 * size_t(factor), 0.0);
    render(hi);
    // Kaiser-windowed sinc low-pass at 0.45 of the output rate, evaluated only at the
    // output samples.
    const int half = 24 * factor;
    std::vector<double> taps(size_t(2 * half + 1));
    const double fc = 0.45 / double(factor), beta = 8.0;
    auto i0 = [](double x) {
        double sum = 1, term = 1;
        for (int k = 1; k < 30; ++k) {
            term *= (x / (2 * k)) * (x / (2 * k));
            sum += term;
        }
        return sum;
    };
    double norm = 0;
    for (int n = -half; n <= half; ++n) {
        double x = double(n);
        double s = n == 0 ? 2 * fc : std::sin(two_pi * fc * x) / (pi * x);
        double e = double(n) / double(half);
        double w = i0(beta * std::sqrt(std::max(0.0, 1 - e * e))) / i0(beta);
        taps[size_t(n + half)] = s * w;
        norm += s * w;
    }
    for (double& t : taps) t /= norm;
    buffer out(frames, 0.0);
    for (size_t i = 0; i < frames; ++i) {
        long centre = long(i) * factor;
        double acc = 0;
        for (int n = -half; n <= half; ++n) {
            long j = centre + n;
            if (j >= 0 && j < long(hi.size())) acc += taps[size_t(n + half)] * hi[size_t(j)];
        }
        out[i] = acc;
    }
    return out;
}

}  // namespace factory
