#include "engine/resampler.h"

#include <algorithm>
#include <cmath>
#include <numbers>

double resampler::kaiser_beta(double a) {
    if (a < 21.0) return 0.0;
    if (a > 50.0) return 0.1102 * (a - 8.7);
    return 0.5842 * std::pow(a - 21.0, 0.4) + 0.07886 * (a - 21.0);
}

// Modified Bessel function of order 0, by the Abramowitz and Stegun polynomials 9.8.1
// (|x| < 3.75) and 9.8.2.
double resampler::bessel_i0(double x) {
    double ax = std::fabs(x);
    if (ax < 3.75) {
        double y = (x / 3.75) * (x / 3.75);
        return 1.0 + y * (3.5156229 + y * (3.0899424 + y * (1.2067492 + y * (0.2659732 +
               y * (0.0360768 + y * 0.0045813)))));
    }
    double y = 3.75 / ax;
    return (std::exp(ax) / std::sqrt(ax)) *
           (0.39894228 + y * (0.01328592 + y * (0.00225319 + y * (-0.00157565 + y * (0.00916281 +
            y * (-0.02057706 + y * (0.02635537 + y * (-0.01647633 + y * 0.00392377))))))));
}

resampler::resampler() {
    const double beta = kaiser_beta(attenuation_db);
    const double i0_beta = bessel_i0(beta);
    constexpr double pi = std::numbers::pi;
    for (int i = 0; i < points; ++i) {
        double e = double(i - half) / half;
        double window = bessel_i0(beta * std::sqrt(std::max(0.0, 1.0 - e * e))) / i0_beta;
        double t = double(i) / points * (2 * crossings) - crossings;
        double s = std::fabs(t) < 1e-30 ? 1.0 : std::sin(pi * t) / (pi * t);
        table[size_t(i)] = s * window;
    }
}

const resampler& resampler::shared() {
    static const resampler r;  // built once, thread-safe
    return r;
}

double resampler::kernel(double d, double fs, double ft) const {
    double fmin = std::min(fs, ft);
    double g = std::min(ft / fs, 1.0);
    double x = fmin * d;
    if (x < -crossings || x > crossings) return 0.0;
    double f = x * (points - 1) / (2 * crossings);
    double lo = std::floor(f), hi = std::ceil(f);
    double a = table_at(half + int(lo));
    double b = table_at(half + int(hi));
    double frac = f - lo;
    return (a * (1.0 - frac) + frac * b) * g;
}

sample_data resampler::resample(const sample_data& source, int32_t target_rate) const {
    const double fs = double(source.rate), ft = double(target_rate);
    if (!(fs >= 1.0) || !(ft >= 1.0) || ft / fs > max_upsampling) return sample_data(0, target_rate);
    const int64_t in_frames = std::min<int64_t>(std::max(source.frames, 0), int64_t(source.data.size()));
    const int64_t m = int64_t(ft / fs * double(std::max(source.frames, 0)));
    sample_data out(int32_t(std::min<int64_t>(m, INT32_MAX)), target_rate);
    const int64_t out_frames = out.frames;
    const double fmin = std::min(fs, ft);
    const double gain = std::min(ft / fs, 1.0);
    const double reach = crossings / fmin;  // seconds each side
    // Table position per second of offset, measured from the table's centre.
    const double to_table = fmin * (points - 1) / (2 * crossings);
    const double* tab = table.data();
    const float* in = source.data.data();
    float* o = out.data.data();
    for (int64_t i = 0; i < in_frames; ++i) {
        const double ti = double(i) / fs;
        const int64_t j0 = std::max<int64_t>(0, int64_t((ti - reach) * ft));
        const int64_t j1 = std::min<int64_t>(out_frames, int64_t((ti + reach) * ft));
        const double v = in[i];
        for (int64_t j = j0; j < j1; ++j) {
            // kernel(j/ft - ti), with the table index counted from 0 rather than the centre
            // so that truncation is the floor.
            const double d = double(j) / ft - ti;
            const double x = fmin * d;
            if (x < -crossings || x > crossings) continue;
            const double f = d * to_table + half;
            const int lo = int(f);
            const double frac = f - lo;
            const double k = (tab[lo] * (1.0 - frac) + frac * tab[lo + (frac > 0.0)]) * gain;
            o[j] += float(k * v);
        }
    }
    return out;
}
