#include "engine/tables.h"

#include <cmath>
#include <numbers>

const lookup_tables& lookup_tables::shared() {
    static const lookup_tables t;
    return t;
}

lookup_tables::lookup_tables()
    : note_freq(note_steps), sine(trig_steps), cosine(trig_steps), hann(window_steps) {
    for (int i = 0; i < note_steps; ++i)
        note_freq[size_t(i)] = 440.0 * std::exp2((double(i) / 1000.0 - 69.0) / 12.0);
    for (int i = 0; i < trig_steps; ++i) {
        double t = 2.0 * std::numbers::pi * double(i) / double(trig_steps);
        sine[size_t(i)] = std::sin(t);
        cosine[size_t(i)] = std::cos(t);
    }
    for (int i = 0; i < window_steps; ++i)
        hann[size_t(i)] =
            0.5 + 0.5 * std::cos(2.0 * std::numbers::pi * double(i - 5000) / double(window_steps));
}

void lookup_tables::sin_cos(double w, double& s, double& c) const {
    double pos = w / (2.0 * std::numbers::pi) * double(trig_steps);
    int i = pos >= double(trig_steps - 1) ? trig_steps - 1 : pos > 0.0 ? int(pos) : 0;
    s = sine[size_t(i)];
    c = cosine[size_t(i)];
}
