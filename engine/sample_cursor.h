// Looks up a recorded sample's period map and pitch marks starting from where the last
// question was answered: grains walk through a sample, so the next answer is almost
// always beside the previous one. Gives exactly what sample_data::period_at and
// sample_data::nearest_pitch_mark give, without a binary search each time.
#pragma once

#include <cstddef>

class sample_data;

class sample_cursor {
public:
    // The local period in frames at position, or -1 when there is none.
    double period_at(const sample_data& s, double position);
    // The pitch mark nearest x (ties to the later one), or x itself outside the marks.
    double nearest_pitch_mark(const sample_data& s, double x);

private:
    size_t period_hint = 0;
    size_t mark_hint = 0;
};
