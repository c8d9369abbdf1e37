#include "engine/biquad.h"

#include <numbers>

#include "engine/tables.h"

void biquad::set(int type, double f, double q, double rate) {
    w0 = 2.0 * std::numbers::pi * f / rate;
    lookup_tables::shared().sin_cos(w0, sn, cs);
    alpha = sn / (2.0 * q);
    switch (type) {
        case low_pass:
            b0 = b2 = (1.0 - cs) / 2.0;
            b1 = 1.0 - cs;
            break;
        case high_pass:
            b0 = b2 = (1.0 + cs) / 2.0;
            b1 = -(1.0 + cs);
            break;
        case band_pass:
            b0 = alpha;
            b1 = 0.0;
            b2 = -alpha;
            break;
        default: return;
    }
    a0 = 1.0 + alpha;
    a1 = -2.0 * cs;
    a2 = 1.0 - alpha;
    inv_a0 = 1.0 / a0;
    nb0 = b0 * inv_a0;
    nb1 = b1 * inv_a0;
    nb2 = b2 * inv_a0;
    na1 = a1 * inv_a0;
    na2 = a2 * inv_a0;
}
