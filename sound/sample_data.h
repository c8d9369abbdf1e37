// One recorded mono sample with the pitch analysis the oscillators play it by.
#pragma once

#include <cstdint>
#include <vector>

struct period_entry {
    int32_t position = 0;     // frame at the sample's own rate
    double period = 1.0;      // frames per cycle; 0 where no pitch was found
    double confidence = 0.0;  // normalised autocorrelation at the chosen lag
    bool operator==(const period_entry&) const = default;
};

class sample_data {
public:
    sample_data() = default;
    // A sample of a known size: frames zeroed values, no analysis yet.
    sample_data(int32_t frames, int32_t rate);

    std::vector<float> data;  // `frames` values, -1..1
    int32_t rate = 44100;     // Hz
    int32_t frames = 0;
    int32_t xpose = 0;     // semitones, -24..+24
    int32_t finetune = 0;  // cents, 0..100 (upward only)
    std::vector<period_entry> period_map;  // ascending by position
    std::vector<double> pitch_marks;       // upward zero crossings in frames, ascending

    // The local period in frames at position, interpolated between the surrounding map
    // entries, or -1 when it cannot be told (no map, or a result below 2 frames).
    double period_at(double position) const;
    // The pitch mark nearest x (a tie goes to the later mark); x itself when there are no
    // marks or x lies outside them.
    double nearest_pitch_mark(double x) const;

    bool operator==(const sample_data&) const = default;
};
