// Measurements on generated samples, written independently of the generator: the frequency
// of a partial (a zoomed, Hann-windowed DFT around the expected frequency), levels, DC and
// the edges of a sample and of its loop.
#pragma once

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstddef>
#include <vector>

namespace measure {

constexpr double rate = 44100.0;

inline double cents(double hz, double ref_hz) { return 1200.0 * std::log2(hz / ref_hz); }

// |DFT| of x[from, from + n) at frequency hz under a 4-term Blackman-Harris window, whose
// side lobes (-92 dB) keep neighbouring harmonics from pulling the peak.
inline double magnitude_at(const std::vector<float>& x, size_t from, size_t n, double hz) {
    std::complex<double> acc = 0, rot = std::polar(1.0, -2.0 * M_PI * hz / rate), ph = 1;
    for (size_t i = 0; i < n; ++i) {
        double a = 2.0 * M_PI * (double(i) + 0.5) / double(n);
        double w = 0.35875 - 0.48829 * std::cos(a) + 0.14128 * std::cos(2 * a) -
                   0.01168 * std::cos(3 * a);
        acc += w * double(x[from + i]) * ph;
        ph *= rot;
        if ((i & 1023) == 1023) ph /= std::abs(ph);
    }
    return std::abs(acc);
}

// The frequency of the strongest partial within +-range_cents of expected_hz, measured over
// x[from, from + n): a coarse scan on a 2-cent grid, then golden-section refinement.
inline double partial_hz(const std::vector<float>& x, size_t from, size_t n, double expected_hz,
                         double range_cents = 60.0) {
    double best = expected_hz, best_mag = -1;
    for (double c = -range_cents; c <= range_cents; c += 2.0) {
        double f = expected_hz * std::pow(2.0, c / 1200.0);
        double m = magnitude_at(x, from, n, f);
        if (m > best_mag) best_mag = m, best = f;
    }
    double lo = best * std::pow(2.0, -2.0 / 1200.0), hi = best * std::pow(2.0, 2.0 / 1200.0);
    const double g = 0.6180339887498949;
    double a = hi - g * (hi - lo), b = lo + g * (hi - lo);
    double ma = magnitude_at(x, from, n, a), mb = magnitude_at(x, from, n, b);
    for (int i = 0; i < 30; ++i) {
        if (ma > mb) {
            hi = b; b = a; mb = ma;
            a = hi - g * (hi - lo);
            ma = magnitude_at(x, from, n, a);
        } else {
            lo = a; a = b; ma = mb;
            b = lo + g * (hi - lo);
            mb = magnitude_at(x, from, n, b);
        }
    }
    return 0.5 * (lo + hi);
}

// The power-weighted mean frequency of the spectrum within +-range_hz of expected_hz over
// x[from, from + n). For a tone with vibrato, or a section of detuned players, this is the
// mean pitch (the power spectrum of a frequency-modulated tone is centred on its carrier),
// where the single strongest line could be a sideband or one player.
inline double centre_hz(const std::vector<float>& x, size_t from, size_t n, double expected_hz,
                        double range_hz) {
    const int steps = 160;
    double sum = 0, weight = 0;
    for (int i = 0; i <= steps; ++i) {
        double f = expected_hz - range_hz + 2.0 * range_hz * double(i) / steps;
        double m = magnitude_at(x, from, n, f);
        sum += f * m * m;
        weight += m * m;
    }
    return weight > 0 ? sum / weight : 0.0;
}

// The power-weighted mean frequency of the fundamental of a seamless loop x[begin, begin +
// length), from the loop's own spectrum: a loop repeats, so its spectrum has lines only at
// multiples of 1 / loop length, and a rectangular window over exactly the loop sees them
// without leakage. A tone that holds whole periods in the loop sits on one line; vibrato and
// beats that complete whole cycles in it spread power evenly to either side; a mistuned tone
// falls between lines and its power spreads towards the side it is off to. range_hz should
// span a few lines.
inline double loop_centre_hz(const std::vector<float>& x, size_t begin, size_t length,
                             double expected_hz, double range_hz) {
    double line = rate / double(length), sum = 0, weight = 0;
    long first = long(std::ceil((expected_hz - range_hz) / line));
    long last = long(std::floor((expected_hz + range_hz) / line));
    for (long k = std::max(1L, first); k <= last; ++k) {
        std::complex<double> acc = 0;
        std::complex<double> rot = std::polar(1.0, -2.0 * M_PI * double(k) / double(length)), ph = 1;
        for (size_t i = 0; i < length; ++i) {
            acc += double(x[begin + i]) * ph;
            ph *= rot;
            if ((i & 1023) == 1023) ph /= std::abs(ph);
        }
        double p = std::norm(acc), f = double(k) * line;
        sum += f * p;
        weight += p;
    }
    return weight > 0 ? sum / weight : 0.0;
}

inline double peak(const std::vector<float>& x) {
    double p = 0;
    for (float v : x) p = std::max(p, double(std::fabs(v)));
    return p;
}

inline double mean(const std::vector<float>& x, size_t from = 0, size_t to = size_t(-1)) {
    to = std::min(to, x.size());
    double s = 0;
    for (size_t i = from; i < to; ++i) s += x[i];
    return to > from ? s / double(to - from) : 0.0;
}

inline double rms(const std::vector<float>& x, size_t from, size_t n) {
    double s = 0;
    n = std::min(n, x.size() - std::min(from, x.size()));
    for (size_t i = from; i < from + n; ++i) s += double(x[i]) * x[i];
    return n ? std::sqrt(s / double(n)) : 0.0;
}

inline double db(double ratio) { return 20.0 * std::log10(std::max(ratio, 1e-12)); }

// Largest step between neighbouring samples in x[from, to).
inline double largest_step(const std::vector<float>& x, size_t from, size_t to) {
    double s = 0;
    for (size_t i = std::max<size_t>(from, 1); i < std::min(to, x.size()); ++i)
        s = std::max(s, double(std::fabs(x[i] - x[i - 1])));
    return s;
}

// The loop [begin, begin + length) played three times over.
inline std::vector<float> looped(const std::vector<float>& x, size_t begin, size_t length) {
    std::vector<float> y;
    for (int k = 0; k < 3; ++k) y.insert(y.end(), x.begin() + long(begin), x.begin() + long(begin + length));
    return y;
}

}  // namespace measure
