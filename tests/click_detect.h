// Finding what a listener calls a click or a buzz in rendered sound. Helpers, not
// assertions.
//
// A click is an isolated jump. A jump of J at sample n is a spike of J in the first
// difference d[n] = x[n] - x[n-1] that the median of d[n-2..n+2] does not share (a bend in
// the signal, where only the slope changes, is none: the median follows the new slope). It
// counts when it stands far above the spikes around it and does not come back one period
// of a sounding note earlier or later, as a bright waveform's own edge does every period.
//
// Tick buzz is what a value that steps every 32 samples leaves: the steps all fall on one
// place of the 32-sample grid (a line spectrum at 1378 Hz and its multiples at 44.1 kHz).
// The spikes' energy is gathered by n mod 32; a sound without steps spreads it evenly over
// the 32 places.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace clicks {

struct settings {
    double above_local = 20.0;  // a jump against the spikes around it (RMS, largest 8 aside)
    double of_level = 0.1;      // and against the level there: the loudest sample from
                                // `local` before it to 32 after
    double floor = 2e-3;        // and at least this (about -54 dBFS)
    int local = 256;            // the neighbourhood: +-local samples, the jump's own 8 aside
    double repeat = 0.33;       // an edge that comes back at a third of its size or more
};

// The spike of each sample's first difference above the median of its five neighbours'.
inline std::vector<double> jumps(const std::vector<float>& x) {
    const size_t n = x.size();
    std::vector<double> d(n, 0.0), o(n, 0.0);
    for (size_t i = 1; i < n; ++i) d[i] = double(x[i]) - double(x[i - 1]);
    for (size_t i = 3; i + 2 < n; ++i) {
        double w[5] = {d[i - 2], d[i - 1], d[i], d[i + 1], d[i + 2]};
        std::nth_element(w, w + 2, w + 5);
        o[i] = d[i] - w[2];
    }
    return o;
}

// Samples of x where an isolated jump lies. periods: the periods (samples) of what sounds
// there (every oscillator of every note); a jump that comes back one or two of them away
// on either side (within a few percent, for vibrato and unison detune) is a waveform's
// edge, not a click.
inline std::vector<size_t> find(const std::vector<float>& x, const std::vector<double>& periods,
                                const settings& s = {}) {
    const std::vector<double> o = jumps(x);
    const long n = long(o.size());
    auto biggest = [&](long centre, long reach) {
        double m = 0.0;
        for (long i = std::max(centre - reach, 0L); i <= std::min(centre + reach, n - 1); ++i)
            m = std::max(m, std::fabs(o[size_t(i)]));
        return m;
    };
    std::vector<size_t> found;
    std::vector<double> around;
    for (long i = 3; i < n; ++i) {
        const double a = std::fabs(o[size_t(i)]);
        if (a < s.floor) continue;
        // A tenth of the level at least: a sound's own attack, the way a filter opens, add
        // far less to the slope of one sample; a step of the level adds far more.
        double level = 0.0;
        for (long k = std::max(i - s.local, 0L); k <= std::min(i + 32, n - 1); ++k)
            level = std::max(level, std::fabs(double(x[size_t(k)])));
        if (a < s.of_level * level) continue;
        around.clear();
        for (long k = std::max(i - s.local, 0L); k <= std::min(i + s.local, n - 1); ++k)
            if (k < i - 4 || k > i + 4) around.push_back(o[size_t(k)] * o[size_t(k)]);
        const size_t keep = around.size() > 8 ? around.size() - 8 : 0;
        std::nth_element(around.begin(), around.begin() + long(keep), around.end());
        double sum = 0.0;
        for (size_t k = 0; k < keep; ++k) sum += around[k];
        const double rms = keep ? std::sqrt(sum / double(keep)) : 0.0;
        if (a < s.above_local * rms) continue;
        bool repeats = false;
        for (double p : periods)
            for (double k : {-2.0, -1.0, 1.0, 2.0}) {
                const long reach = long(2.0 + 0.04 * p * std::fabs(k));
                if (biggest(i + long(std::lround(k * p)), reach) >= s.repeat * a) repeats = true;
            }
        if (repeats) continue;
        found.push_back(size_t(i));
        i += 8;  // one jump, counted once
    }
    return found;
}

// What keeps to one place of the 32-sample grid over x[from, to): the median spike at the
// strongest place above the median over all places, against the RMS of x, in dB (-200
// when no place stands out twice over). Medians, so a bright waveform's few edges weigh
// nothing; a sound without tick steps has none.
inline double tick_buzz_db(const std::vector<float>& x, size_t from, size_t to) {
    const std::vector<double> o = jumps(x);
    std::vector<std::vector<double>> place(32);
    double sum = 0.0;
    size_t count = 0;
    for (size_t i = std::max<size_t>(from, 3); i < std::min(to, o.size()); ++i) {
        place[i % 32].push_back(std::fabs(o[i]));
        sum += double(x[i]) * double(x[i]);
        ++count;
    }
    std::vector<double> medians;
    for (auto& p : place) {
        if (p.empty()) return -200.0;
        std::nth_element(p.begin(), p.begin() + long(p.size() / 2), p.end());
        medians.push_back(p[p.size() / 2]);
    }
    std::sort(medians.begin(), medians.end());
    const double median = 0.5 * (medians[15] + medians[16]);
    // Noise spreads evenly (its medians differ by a few percent): steps stand out twice over.
    if (!(medians[31] > 2.0 * median)) return -200.0;
    const double excess = medians[31] - median;
    const double rms = std::sqrt(sum / double(count));
    if (!(excess > 0.0) || !(rms > 0.0)) return -200.0;
    return 20.0 * std::log10(excess / rms);
}

}  // namespace clicks
