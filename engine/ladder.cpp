#include "engine/ladder.h"

#include <cmath>
#include <numbers>

void ladder::set(double f, double r, double s) {
    k = r * (1.5 * 1.262 * r * r + 0.000113514 * f - 7.46753e-10 * f * f);
    if (k < 0.0001) k = 0.0001;
    // The stage cutoff is warped so the audible corner lands near f.
    double p = 4.49593e-10 * f * f * f - 3.35615e-05 * f * f + 1.11903 * f + 11.2957;
    g = 1.0 - std::exp(-2.0 * std::numbers::pi * p / (2.0 * s));
}
