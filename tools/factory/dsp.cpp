#include "tools/factory/dsp.h"

#include <algorithm>
#include <cmath>

namespace factory {

double note_hz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }

size_t frames_for(double seconds) { return size_t(std::llround(seconds * rate_hz)); }

uint64_t rng::next() {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double rng::uniform() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }

double rng::bipolar() { return 2.0 * uniform() - 1.0; }

double rng::gauss() {
    // Box-Muller; one value per call keeps the sequence simple to reason about.
    double u1 = std::max(uniform(), 1e-300), u2 = uniform();
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(two_pi * u2);
}

namespace {
biquad from(double b0, double b1, double b2, double a0, double a1, double a2) {
    biquad q;
    q.b0 = b0 / a0; q.b1 = b1 / a0; q.b2 = b2 / a0;
    q.a1 = a1 / a0; q.a2 = a2 / a0;
    return q;
}
double omega(double hz) { return two_pi * std::min(hz, rate_hz * 0.49) / rate_hz; }
}  // namespace

biquad biquad::lowpass(double hz, double q) {
    double w = omega(hz), c = std::cos(w), al = std::sin(w) / (2 * q);
    return from((1 - c) / 2, 1 - c, (1 - c) / 2, 1 + al, -2 * c, 1 - al);
}

biquad biquad::highpass(double hz, double q) {
    double w = omega(hz), c = std::cos(w), al = std::sin(w) / (2 * q);
    return from((1 + c) / 2, -(1 + c), (1 + c) / 2, 1 + al, -2 * c, 1 - al);
}

biquad biquad::bandpass(double hz, double q) {
    double w = omega(hz), c = std::cos(w), al = std::sin(w) / (2 * q);
    return from(al, 0, -al, 1 + al, -2 * c, 1 - al);
}

biquad biquad::peak(double hz, double q, double gain_db) {
    double a = std::pow(10.0, gain_db / 40.0);
    double w = omega(hz), c = std::cos(w), al = std::sin(w) / (2 * q);
    return from(1 + al * a, -2 * c, 1 - al * a, 1 + al / a, -2 * c, 1 - al / a);
}

biquad biquad::highshelf(double hz, double gain_db) {
    double a = std::pow(10.0, gain_db / 40.0);
    double w = omega(hz), c = std::cos(w), s = std::sin(w);
    double al = s / 2 * std::sqrt(2.0), sa = 2 * std::sqrt(a) * al;
    return from(a * ((a + 1) + (a - 1) * c + sa), -2 * a * ((a - 1) + (a + 1) * c),
                a * ((a + 1) + (a - 1) * c - sa), (a + 1) - (a - 1) * c + sa,
                2 * ((a - 1) - (a + 1) * c), (a + 1) - (a - 1) * c - sa);
}

harmonic_table::harmonic_table(const std::vector<double>& amps,
                               const std::vector<double>& phases)
    : table(size + 1, 0.0) {
    // sin(2*pi*k*j/N + ph) = s[kj mod N] cos ph + c[kj mod N] sin ph, from one exact table.
    static const std::vector<double> sine = [] {
        std::vector<double> t(size);
        for (size_t j = 0; j < size; ++j) t[j] = std::sin(two_pi * double(j) / double(size));
        return t;
    }();
    const size_t mask = size - 1, quarter = size / 4;
    for (size_t k = 1; k <= amps.size() && k < size / 2; ++k) {
        double a = amps[k - 1];
        if (a == 0.0) continue;
        double ph = k - 1 < phases.size() ? phases[k - 1] : 0.0;
        double ca = a * std::cos(ph), sa = a * std::sin(ph);
        for (size_t j = 0; j < size; ++j) {
            size_t idx = (k * j) & mask;
            table[j] += ca * sine[idx] + sa * sine[(idx + quarter) & mask];
        }
    }
    table[size] = table[0];
}

size_t harmonics_below(double hz, double limit_hz) {
    return std::max<size_t>(1, size_t(limit_hz / hz));
}

void highpass_dc(buffer& s, double hz) {
    // Two second-order sections: 24 dB/octave below hz, nothing audible above.
    biquad a = biquad::highpass(hz, 0.5412), b = biquad::highpass(hz, 1.3066);
    for (double& v : s) v = b.process(a.process(v));
}

void fade_in(buffer& s, size_t n) {
    n = std::min(n, s.size());
    for (size_t i = 0; i < n; ++i) s[i] *= 0.5 - 0.5 * std::cos(pi * double(i) / double(n));
}

void fade_out(buffer& s, size_t n) {
    n = std::min(n, s.size());
    size_t start = s.size() - n;
    for (size_t i = 0; i < n; ++i)
        s[start + i] *= 0.5 + 0.5 * std::cos(pi * double(i + 1) / double(n));
}

double peak_of(const buffer& s) {
    double p = 0;
    for (double v : s) p = std::max(p, std::fabs(v));
    return p;
}

void scale_to_peak(buffer& s, double dbfs) {
    double p = peak_of(s);
    if (p <= 0) return;
    double g = std::pow(10.0, dbfs / 20.0) / p;
    for (double& v : s) v *= g;
}

std::vector<float> to_float(const buffer& s) {
    std::vector<float> out(s.size());
    for (size_t i = 0; i < s.size(); ++i) out[i] = float(s[i]);
    return out;
}

periodic_drift::periodic_drift(double period_s, int components, uint64_t seed)
    : base_hz(1.0 / period_s) {
    rng r(seed);
    double total = 0;
    for (int k = 1; k <= components; ++k) {
        phase.push_back(two_pi * r.uniform());
        double w = (0.5 + 0.5 * r.uniform()) / double(k);
        weight.push_back(w);
        total += w;
    }
    norm = total > 0 ? 1.0 / total : 1.0;
}

double periodic_drift::at(double t_s) const {
    double v = 0;
    for (size_t k = 0; k < phase.size(); ++k)
        v += weight[k] * std::sin(two_pi * base_hz * double(k + 1) * t_s + phase[k]);
    return v * norm;
}

}  // namespace factory
