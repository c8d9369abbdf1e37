#include "sound/sample_data.h"

#include <cmath>

sample_data::sample_data(int32_t n, int32_t r)
    : data(size_t(n > 0 ? n : 0), 0.0f), rate(r), frames(n > 0 ? n : 0) {}

double sample_data::period_at(double position) const {
    if (period_map.empty()) return -1.0;
    size_t lo = 0, hi = period_map.size() - 1;
    while (hi - lo > 1) {
        size_t mid = lo + (hi - lo) / 2;
        if (period_map[mid].position < position)
            lo = mid;
        else
            hi = mid;
    }
    double f = period_map[lo].period;
    if (lo != hi) {
        // A missing period (below one frame) at either end takes the other end's value.
        double h = period_map[hi].period;
        if (f < 1.0) f = h;
        double span = double(period_map[hi].position) - double(period_map[lo].position);
        double t = span != 0.0 ? (position - period_map[lo].position) / span : 0.0;
        f = f + t * ((h >= 1.0 ? h : f) - f);
    }
    return f < 2.0 ? -1.0 : f;
}

double sample_data::nearest_pitch_mark(double x) const {
    const auto& z = pitch_marks;
    if (z.empty() || x < z.front() || x > z.back()) return x;
    size_t lo = 0, hi = z.size() - 1;
    while (hi - lo > 1) {
        size_t mid = lo + (hi - lo) / 2;
        if (x < z[mid])
            hi = mid;
        else
            lo = mid;
    }
    return std::fabs(x - z[hi]) > std::fabs(x - z[lo]) ? z[lo] : z[hi];
}
