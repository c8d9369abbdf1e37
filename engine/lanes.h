// Lanes: the filter sections of several voices side by side in vectors of doubles, the
// same operations in the same order as the scalar sections (biquad, ladder), so every lane
// gives its voice's values bit for bit. V is a vector of four lanes or a plain double (one
// lane). Everything here is forced inline into each processor's kernels: a vector passed
// across a call between code compiled for different processors would not arrive.
#pragma once

#include <cmath>
#include <cstring>

#include "engine/biquad.h"
#include "engine/ladder.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

#define KAVEO_LANE [[gnu::always_inline]] inline

namespace lanes {

// Eight lanes to a vector rather than four (and the oscillators' kernels eight samples at a
// time): set at load where the processor has AVX-512. The sound is the same either way;
// tests compare the two.
extern bool wide;

// Four lanes of doubles fill one AVX2 register (two SSE2 ones), eight an AVX-512 one.
typedef double v4d __attribute__((vector_size(32)));
typedef long long v4i __attribute__((vector_size(32)));
typedef double v8d __attribute__((vector_size(64)));
typedef long long v8i __attribute__((vector_size(64)));

KAVEO_LANE void put(double& v, int, double x) { v = x; }
KAVEO_LANE void put(v4d& v, int l, double x) { v[l] = x; }
KAVEO_LANE void put(v8d& v, int l, double x) { v[l] = x; }
KAVEO_LANE double lane(double v, int) { return v; }
KAVEO_LANE double lane(const v4d& v, int l) { return v[l]; }
KAVEO_LANE double lane(const v8d& v, int l) { return v[l]; }
template <class V> KAVEO_LANE V load(const double* p) {
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
template <class V> KAVEO_LANE void store(double* p, V v) { std::memcpy(p, &v, sizeof v); }

// ladder::sat(y / 2), the stages' saturation, with the halving folded into the constants
// (knee doubled, curve quartered: powers of two, so every value is the same bit for bit)
// and the sign put back rather than multiplied in; 0 at 0.
constexpr double sat_knee = 2.0 * 1.92033, sat_ceiling = 0.96016, sat_curve = 0.26037 / 4.0;
KAVEO_LANE double sat_half(double y) {
    const double mag = std::fabs(y);
    const double m = (mag < sat_knee ? mag : sat_knee) - sat_knee;
    const double r = sat_ceiling - sat_curve * m * m;
    return y == 0.0 ? 0.0 : std::copysign(r, y);
}
template <class V, class I> KAVEO_LANE V sat_half_lanes(V y) {
    const I sign = I{} + (long long)0x8000000000000000ULL;
    const V mag = (V)((I)y & ~sign);
    const V knee = V{} + sat_knee;
    const V m = (mag < knee ? mag : knee) - knee;
    const V r = (V{} + sat_ceiling) - (V{} + sat_curve) * m * m;
    return (V)(((I)r | ((I)y & sign)) & (y != V{}));
}
KAVEO_LANE v4d sat_half(v4d y) { return sat_half_lanes<v4d, v4i>(y); }
KAVEO_LANE v8d sat_half(v8d y) { return sat_half_lanes<v8d, v8i>(y); }

template <class V> struct biquad_lanes {
    V nb0{}, na1{}, na2{}, x1{}, x2{}, y1{}, y2{};
    KAVEO_LANE void load(const biquad& b, int l) {
        put(x1, l, b.x1), put(x2, l, b.x2), put(y1, l, b.y1), put(y2, l, b.y2);
    }
    KAVEO_LANE void store(biquad& b, int l) const {
        b.x1 = lane(x1, l), b.x2 = lane(x2, l), b.y1 = lane(y1, l), b.y2 = lane(y2, l);
    }
    KAVEO_LANE void coefficients(double b0, double a1, double a2, int l) {
        put(nb0, l, b0), put(na1, l, a1), put(na2, l, a2);
    }
    // The state of a vector of lanes from rows r apart: x1, x2, y1, y2.
    KAVEO_LANE void load_rows(const double* p, int r) {
        x1 = lanes::load<V>(p), x2 = lanes::load<V>(p + r);
        y1 = lanes::load<V>(p + 2 * r), y2 = lanes::load<V>(p + 3 * r);
    }
    KAVEO_LANE void store_rows(double* p, int r) const {
        lanes::store(p, x1), lanes::store(p + r, x2);
        lanes::store(p + 2 * r, y1), lanes::store(p + 3 * r, y2);
    }
    KAVEO_LANE V feed(V numerator, V x) {
        const V y = (numerator - na2 * y2) - na1 * y1;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
    KAVEO_LANE V low_pass(V x) { return feed(nb0 * ((x + x2) + 2.0 * x1), x); }
    KAVEO_LANE V high_pass(V x) { return feed(nb0 * ((x + x2) - 2.0 * x1), x); }
    KAVEO_LANE V band_pass(V x) { return feed(nb0 * (x - x2), x); }
};

// N chains of V lanes, stepped in lockstep, one operation for every chain before the next:
// the chains' long dependent sequences then overlap in the processor, which a chain after
// chain order would leave waiting.
template <class V, int N> struct ladder_lanes {
    static constexpr int width = sizeof(V) / sizeof(double);
    V y1[N]{}, y2[N]{}, y3[N]{}, y4[N]{}, y4_prev[N]{}, t1[N]{}, t2[N]{}, t3[N]{}, gv[N]{}, k4[N]{};
    KAVEO_LANE void load(const ladder& d, int l) {
        const int i = l / width, w = l % width;
        put(y1[i], w, d.y1), put(y2[i], w, d.y2), put(y3[i], w, d.y3), put(y4[i], w, d.y4);
        put(y4_prev[i], w, d.y4_prev), put(t1[i], w, d.t1), put(t2[i], w, d.t2);
        put(t3[i], w, d.t3);
    }
    KAVEO_LANE void store(ladder& d, int l) const {
        const int i = l / width, w = l % width;
        d.y1 = lane(y1[i], w), d.y2 = lane(y2[i], w), d.y3 = lane(y3[i], w);
        d.y4 = lane(y4[i], w), d.y4_prev = lane(y4_prev[i], w), d.t1 = lane(t1[i], w);
        d.t2 = lane(t2[i], w), d.t3 = lane(t3[i], w);
    }
    // Chain i's state from rows r apart, in the order of load.
    KAVEO_LANE void load_rows(const double* p, int r, int i) {
        V* const to[8] = {&y1[i], &y2[i], &y3[i], &y4[i], &y4_prev[i], &t1[i], &t2[i], &t3[i]};
        for (int k = 0; k < 8; ++k) *to[k] = lanes::load<V>(p + k * r);
    }
    KAVEO_LANE void store_rows(double* p, int r, int i) const {
        const V* const from[8] = {&y1[i], &y2[i], &y3[i], &y4[i], &y4_prev[i], &t1[i], &t2[i], &t3[i]};
        for (int k = 0; k < 8; ++k) lanes::store(p + k * r, *from[k]);
    }
    // The factors ladder::process forms every sample, the same values (V = 2).
    KAVEO_LANE void coefficients(double g, double k, int l) {
        put(gv[l / width], l % width, 2.0 * g), put(k4[l / width], l % width, 4.0 * k);
    }
    KAVEO_LANE void half_step(V (&u)[N]) {
        V s[N];
        for (int i = 0; i < N; ++i) y1[i] += gv[i] * (u[i] - t1[i]);
        for (int i = 0; i < N; ++i) s[i] = sat_half(y1[i]);
        for (int i = 0; i < N; ++i) y2[i] += gv[i] * (s[i] - t2[i]), t1[i] = s[i];
        for (int i = 0; i < N; ++i) s[i] = sat_half(y2[i]);
        for (int i = 0; i < N; ++i) y3[i] += gv[i] * (s[i] - t3[i]), t2[i] = s[i];
        for (int i = 0; i < N; ++i) s[i] = sat_half(y3[i]);
        for (int i = 0; i < N; ++i) y4[i] += gv[i] * (s[i] - sat_half(y4[i])), t3[i] = s[i];
    }
    // x in place: the input of every chain, then its output.
    KAVEO_LANE void process(V (&x)[N]) {
        V u[N];
        for (int i = 0; i < N; ++i) u[i] = sat_half(x[i] - k4[i] * y4[i]);
        half_step(u);
        for (int i = 0; i < N; ++i) {
            const V m = (y4[i] + y4_prev[i]) * 0.5;
            y4_prev[i] = y4[i];
            u[i] = sat_half(m - k4[i] * y4[i]);
        }
        half_step(u);
        for (int i = 0; i < N; ++i) {
            x[i] = (y4[i] + y4_prev[i]) * 0.5;
            y4_prev[i] = y4[i];
        }
    }
};

}  // namespace lanes

#undef KAVEO_LANE

#pragma GCC diagnostic pop
