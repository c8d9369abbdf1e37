#include "engine/pitch_analysis.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>

namespace {

constexpr double block_seconds = 0.06;
constexpr double silence_energy = 0.05;  // r(0) below this: no pitch
constexpr double peak_threshold = 0.75;  // r(k)/r(0) a peak must pass
constexpr int64_t smallest_split = 1500; // half-blocks this short are not split again

std::array<double, upsampler::taps> make_taps() {
    constexpr double fc = 0.043;  // cycles per upsampled sample
    constexpr double pi = std::numbers::pi;
    std::array<double, upsampler::taps> c{};
    double sum = 0.0;
    for (int n = 0; n < upsampler::taps; ++n) {
        double t = 2.0 * fc * (n - upsampler::lag);
        double sinc = t == 0.0 ? 1.0 : std::sin(pi * t) / (pi * t);
        double window = 0.54 - 0.46 * std::cos(2.0 * pi * n / 150.0);
        c[size_t(n)] = 2.0 * fc * sinc * window;
        sum += c[size_t(n)];
    }
    for (double& v : c) v = 10.0 * (std::round(v / sum * 1e6) / 1e6);
    return c;
}

}  // namespace

const std::array<double, upsampler::taps>& upsampler::coefficients() {
    static const std::array<double, taps> c = make_taps();
    return c;
}

void upsampler::run(const double* in, int64_t n, double* out) {
    const auto& tap = coefficients();
    // work = the last span-1 inputs of the previous run, then this run's inputs.
    constexpr int past = span - 1;
    work.resize(size_t(past + n));
    std::copy(history.begin(), history.end(), work.begin());
    std::copy(in, in + n, work.begin() + past);
    for (int64_t i = 0; i < n; ++i) {
        const double* newest = work.data() + past + i;  // input i; newest[-j] is input i-j
        for (int k = 0; k < factor; ++k) {
            double sum = 0.0;
            for (int j = 0, t = k; t < taps; ++j, t += factor) sum += tap[size_t(t)] * newest[-j];
            out[factor * i + k] = sum;
        }
    }
    std::copy(work.end() - past, work.end(), history.begin());
}

namespace {

struct detector {
    const double* base;  // the whole upsampled block
    int64_t avail;       // valid values from base
    int64_t min_lag, max_lag;
    autocorrelator& r;
    autocorrelator::method how;
    std::vector<double> lags;  // r(min_lag .. max_lag) of the stretch being scanned

    // Detects on base[start, start + n); appends to out.
    void run(int64_t start, int64_t n, std::vector<period_estimate>& out) {
        const double* x = base + start;
        int64_t half = n / 2;
        int64_t valid = std::max<int64_t>(avail - start, 0);
        double r0 = autocorrelator::energy(x, half, valid);
        double period = 0.0, confidence = 0.0;
        int64_t first = min_lag + 2;
        if (r0 >= silence_energy && first <= max_lag) {
            // Lags past the valid values give 0 and no peak can reach the threshold there,
            // so the scan never needs them.
            int64_t last = std::min(max_lag, valid);
            int64_t count = last - min_lag + 1;
            lags.resize(size_t(std::max<int64_t>(count, 0)));
            if (count > 0) r.lags(x, half, valid, min_lag, last + 1, lags.data(), how);
            auto at = [&](int64_t k) { return lags[size_t(k - min_lag)]; };
            for (int64_t k = first; k <= last; ++k) {
                double a = at(k - 2), b = at(k - 1), c = at(k);
                if (a < b && c < b && b / r0 > peak_threshold) {
                    period = ((k - 2) * a + (k - 1) * b + k * c) / (a + b + c);
                    confidence = b / r0;
                    break;
                }
            }
        }
        if (period >= double(n / 4 - 1) || half <= smallest_split) {
            out.push_back({start + half, period, confidence});
            return;
        }
        size_t from = out.size();
        run(start, half, out);
        run(start + half, half, out);
        // Halves that found less than the whole block take the block's answer.
        for (size_t e = from; e < out.size(); ++e)
            if (out[e].confidence < confidence) {
                out[e].period = period;
                out[e].confidence = confidence;
            }
    }
};

}  // namespace

void detect_periods(const double* x, int64_t n, int64_t avail, int64_t min_lag, int64_t max_lag,
                    std::vector<period_estimate>& out, autocorrelator& r,
                    autocorrelator::method how) {
    if (n <= 0) return;
    detector d{x, std::min(avail, n), std::max<int64_t>(min_lag, 0), std::max<int64_t>(max_lag, 0), r,
               how, {}};
    d.run(0, n, out);
}

void analyze_pitch(sample_data& sample, const progress_sink& progress, autocorrelator::method how,
                   const std::atomic<bool>* stop) {
    sample.period_map.clear();
    sample.pitch_marks.clear();
    const int64_t frames = std::min<int64_t>(std::max(sample.frames, 0), int64_t(sample.data.size()));
    const double rate = double(sample.rate);
    // A rate too low for one frame per block still advances a frame at a time.
    const int64_t block = std::max<int64_t>(int64_t(rate * block_seconds), 1);
    const int64_t min_lag = std::max<int64_t>(int64_t(10.0 * rate / 3000.0), 0);
    const int64_t max_lag = std::max<int64_t>(int64_t(10.0 * rate / 45.0), 0);
    constexpr int64_t up = upsampler::factor;

    using clock = std::chrono::steady_clock;
    auto last_report = clock::now();
    if (progress) progress(0.0);

    upsampler interpolate;
    autocorrelator r;
    std::vector<double> in;
    std::vector<double> p;
    std::vector<period_estimate> found;
    double prev = 2.0;  // positive: no crossing before the first block
    for (int64_t h = 0; h < frames; h += block) {
        if (stop && stop->load(std::memory_order_relaxed)) return;
        int64_t m = std::min(block, frames - h);
        int64_t used = up * m;
        int64_t u = up * h;
        in.assign(sample.data.begin() + h, sample.data.begin() + h + m);
        p.resize(size_t(used));
        interpolate.run(in.data(), m, p.data());

        found.clear();
        detect_periods(p.data(), used, used, min_lag, max_lag, found, r, how);
        for (const period_estimate& e : found)
            sample.period_map.push_back(
                {int32_t((u + e.position - upsampler::lag) / up), e.period / up, e.confidence});

        // Upward zero crossings, interpolated linearly, moved back by the filter lag.
        if (prev < 0.0 && p[0] > 0.0)
            sample.pitch_marks.push_back((double(u) - 1.0 - prev / (p[0] - prev) - upsampler::lag) / up);
        for (int64_t j = 0; j + 1 < used; ++j)
            if (p[size_t(j)] < 0.0 && p[size_t(j + 1)] > 0.0)
                sample.pitch_marks.push_back(
                    (double(u + j) - p[size_t(j)] / (p[size_t(j + 1)] - p[size_t(j)]) - upsampler::lag) / up);
        prev = p[size_t(used - 1)];

        if (progress) {
            auto now = clock::now();
            if (now - last_report > std::chrono::milliseconds(250)) {
                progress(double(h) / double(frames));
                last_report = now;
            }
        }
    }
}
