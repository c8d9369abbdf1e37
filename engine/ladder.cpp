#include "engine/ladder.h"

#include <cmath>
#include <numbers>

void ladder::set(double f, double r, double s) {
    drive = 1.0;
    k = r * (1.5 * 1.262 * r * r + 0.000113514 * f - 7.46753e-10 * f * f);
    if (k < 0.0001) k = 0.0001;
    // The stage cutoff is warped so the audible corner lands near f.
    double p = 4.49593e-10 * f * f * f - 3.35615e-05 * f * f + 1.11903 * f + 11.2957;
    g = 1.0 - std::exp(-2.0 * std::numbers::pi * p / (2.0 * s));
}

inline void ladder::half_step(double u) {
    const double v = 2.0 * drive;
    const double gv = v * g;
    y1 += gv * (u - t1);
    double s1 = sat(y1 / v);
    t1 = s1;
    y2 += gv * (s1 - t2);
    double s2 = sat(y2 / v);
    t2 = s2;
    y3 += gv * (s2 - t3);
    double s3 = sat(y3 / v);
    t3 = s3;
    y4 += gv * (s3 - sat(y4 / v));
}

double ladder::process(double x) {
    const double v = 2.0 * drive;
    half_step(sat((x - 4.0 * k * y4) / v));
    double m = (y4 + y4_prev) / 2.0;
    y4_prev = y4;
    half_step(sat((m - 4.0 * k * y4) / v));
    double out = (y4 + y4_prev) / 2.0;
    y4_prev = y4;
    return out;
}
