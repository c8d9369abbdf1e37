#include "engine/sample_cursor.h"

#include <cmath>

#include "sound/sample_data.h"

double sample_cursor::period_at(const sample_data& s, double position) {
    const auto& map = s.period_map;
    if (map.empty()) return -1.0;
    const size_t n = map.size();
    size_t lo = 0, hi = 0;
    if (n > 1) {
        // The last entry below position among 0..n-2 (0 when none is): the pair the
        // binary search of period_at lands on.
        size_t h = period_hint < n - 1 ? period_hint : n - 2;
        while (h + 1 <= n - 2 && map[h + 1].position < position) ++h;
        while (h > 0 && !(map[h].position < position)) --h;
        period_hint = h;
        lo = h;
        hi = h + 1;
    }
    double f = map[lo].period;
    if (lo != hi) {
        const double h = map[hi].period;
        if (f < 1.0) f = h;
        const double span = double(map[hi].position) - double(map[lo].position);
        const double t = span != 0.0 ? (position - map[lo].position) / span : 0.0;
        f = f + t * ((h >= 1.0 ? h : f) - f);
    }
    return f < 2.0 ? -1.0 : f;
}

double sample_cursor::nearest_pitch_mark(const sample_data& s, double x) {
    const auto& z = s.pitch_marks;
    if (z.empty() || x < z.front() || x > z.back()) return x;
    const size_t n = z.size();
    size_t lo = 0, hi = 0;
    if (n > 1) {
        size_t h = mark_hint < n - 1 ? mark_hint : n - 2;
        while (h + 1 <= n - 2 && !(x < z[h + 1])) ++h;
        while (h > 0 && x < z[h]) --h;
        mark_hint = h;
        lo = h;
        hi = h + 1;
    }
    return std::fabs(x - z[hi]) > std::fabs(x - z[lo]) ? z[lo] : z[hi];
}
