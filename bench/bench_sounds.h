// Material for the benchmarks: recorded samples as the analysis leaves them (a harmonic
// tone with pitch marks on its cycles and a period map), about 2 s long.
#pragma once

#include <cmath>
#include <numbers>

#include "sound/waveform.h"

namespace bench {

inline sample_data tone(double hz, double seconds, int rate = 44100) {
    const int frames = int(seconds * rate);
    sample_data s(frames, rate);
    for (int i = 0; i < frames; ++i) {
        double t = 2.0 * std::numbers::pi * hz * i / rate, v = 0.0;
        for (int k = 1; k <= 8; ++k) v += std::sin(k * t) / k;
        s.data[size_t(i)] = float(0.4 * v);
    }
    const double period = rate / hz;
    for (double m = 0.0; m < frames; m += period) s.pitch_marks.push_back(m);
    for (int p = 0; p < frames; p += 2048) s.period_map.push_back({p, period, 1.0});
    return s;
}

inline waveform tone_set(double hz) {
    waveform w;
    w.samples[0] = tone(hz, 2.0);
    w.play_samples[0] = w.samples[0];
    return w;
}

}  // namespace bench
