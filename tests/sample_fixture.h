// Recorded samples built directly for tests: sines with exact pitch marks at every upward
// zero crossing and a constant period map, as the analysis would give them.
#pragma once

#include <cmath>
#include <numbers>

#include "sound/waveform.h"

namespace test {

// A sine of `hz` at `rate`, `seconds` long, amplitude `amp`; amplitude_ramp multiplies
// frame i by i / frames (so each part of the sample has its own level).
inline sample_data sine_sample(double hz, double seconds, int rate = 44100, double amp = 0.8,
                               bool amplitude_ramp = false) {
    const int frames = int(seconds * rate);
    sample_data s(frames, rate);
    for (int i = 0; i < frames; ++i) {
        double a = amplitude_ramp ? amp * double(i) / frames : amp;
        s.data[size_t(i)] = float(a * std::sin(2.0 * std::numbers::pi * hz * i / rate));
    }
    const double period = rate / hz;
    for (double m = 0.0; m < frames; m += period) s.pitch_marks.push_back(m);
    for (int p = 0; p < frames; p += 4096) s.period_map.push_back({p, period, 1.0});
    s.period_map.push_back({frames, period, 1.0});
    return s;
}

// A sample set whose every key plays `s` from slot 0 (stored and play copies alike).
inline waveform one_sample_set(const sample_data& s) {
    waveform w;
    w.samples[0] = s;
    w.play_samples[0] = s;
    w.names[0] = "test";
    return w;
}

}  // namespace test
