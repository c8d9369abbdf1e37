#include "signal_measure.h"

#include <cmath>
#include <complex>
#include <numbers>

#include "engine/fft.h"

namespace measure {

std::vector<double> spectrum(const std::vector<double>& x, size_t n) {
    constexpr double pi = std::numbers::pi;
    std::vector<std::complex<double>> bins(n);
    double sum_w = 0.0;
    for (size_t j = 0; j < n && j < x.size(); ++j) {
        double t = 2.0 * pi * double(j) / double(n);
        double w = 0.35875 - 0.48829 * std::cos(t) + 0.14128 * std::cos(2 * t) -
                   0.01168 * std::cos(3 * t);
        bins[j] = x[j] * w;
        sum_w += w;
    }
    fft::transform(bins, -1);
    std::vector<double> mag(n / 2 + 1);
    for (size_t k = 0; k <= n / 2; ++k) mag[k] = 2.0 * std::abs(bins[k]) / sum_w;
    return mag;
}

double zero_crossing_hz(const std::vector<double>& x, double rate, size_t skip) {
    double first = -1.0, last = -1.0;
    int count = 0;
    for (size_t i = skip + 1; i < x.size(); ++i) {
        if (x[i - 1] < 0.0 && x[i] >= 0.0) {
            double t = double(i - 1) + (-x[i - 1]) / (x[i] - x[i - 1]);
            if (first < 0.0)
                first = t;
            else
                ++count;
            last = t;
        }
    }
    return count > 0 ? rate * count / (last - first) : 0.0;
}

double amplitude_at(const std::vector<double>& x, double hz, double rate, size_t from,
                    size_t to) {
    std::complex<double> acc = 0.0;
    for (size_t i = from; i < to; ++i)
        acc += x[i] * std::polar(1.0, -2.0 * std::numbers::pi * hz * double(i) / rate);
    return 2.0 * std::abs(acc) / double(to - from);
}

double rms(const std::vector<double>& x, size_t from, size_t to) {
    double s = 0.0;
    for (size_t i = from; i < to; ++i) s += x[i] * x[i];
    return to > from ? std::sqrt(s / double(to - from)) : 0.0;
}

double peak(const std::vector<double>& x, size_t from, size_t to) {
    double p = 0.0;
    for (size_t i = from; i < to; ++i) p = std::fmax(p, std::fabs(x[i]));
    return p;
}

double db(double ratio) { return 20.0 * std::log10(ratio); }

}  // namespace measure
