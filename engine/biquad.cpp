#include "engine/biquad.h"

#include <numbers>

#include "engine/tables.h"

void biquad::set(int type, double f, double q, double rate, biquad* twin) {
    const double w = 2.0 * std::numbers::pi * f / rate;
    double s, c;
    lookup_tables::shared().sin_cos(w, s, c);
    const double al = s / (2.0 * q);
    double n0, n1, n2;
    switch (type) {
        case low_pass:
            n0 = n2 = (1.0 - c) / 2.0;
            n1 = 1.0 - c;
            break;
        case high_pass:
            n0 = n2 = (1.0 + c) / 2.0;
            n1 = -(1.0 + c);
            break;
        case band_pass:
            n0 = al;
            n1 = 0.0;
            n2 = -al;
            break;
        default:
            w0 = w, sn = s, cs = c, alpha = al;
            if (twin) twin->copy_coefficients(*this);
            return;
    }
    const double d0 = 1.0 + al, d1 = -2.0 * c, d2 = 1.0 - al;
    const double inv = 1.0 / d0;
    auto take = [&](biquad& q_) {
        q_.w0 = w, q_.sn = s, q_.cs = c, q_.alpha = al;
        q_.b0 = n0, q_.b1 = n1, q_.b2 = n2, q_.a0 = d0, q_.a1 = d1, q_.a2 = d2, q_.inv_a0 = inv;
        q_.nb0 = n0 * inv, q_.nb1 = n1 * inv, q_.nb2 = n2 * inv, q_.na1 = d1 * inv, q_.na2 = d2 * inv;
    };
    take(*this);
    if (twin) take(*twin);
}
