// The instrument's feedback delay over the summed voices: "Stereo" (each channel feeds
// itself) or "Cross" (each echo feeds the other channel; the right line is twice as long),
// a free time of 20..820 ms or a note length at the tempo, and an optional low- or
// high-pass biquad in the feedback path. Lives on the audio thread.
#pragma once

#include <vector>

#include "engine/biquad.h"
#include "engine/param.h"

class delay {
public:
    static constexpr int line_length = 192000;  // samples per line
    enum filter_mode : int { no_filter = 0, low_pass = 1, high_pass = 2 };

    // The delay's parameters as the plug-in's switches hold them (raw values 0..1, except
    // filter as 0..2). Applied to the holders when they change.
    struct settings {
        bool cross = false;
        bool sync = false;
        int filter = no_filter;
        float length = 0.5f;
        float wet = 0.0f;
        float feedback = 0.0f;
        float cutoff = 0.0f;
        unsigned filter_generation = 0;  // moves whenever type or cutoff was set
    };

    void create_lines();
    bool has_lines() const { return !line_l.empty(); }
    void clear();  // both lines to silence
    void set_sample_rate(double hz);
    void update(const settings& s);

    // Delay time in samples of the left line for the current settings; tempo in bpm.
    int left_length(int tempo) const;
    // Adds the echoes into the mix; tempo is used when synced.
    void run(double* left, double* right, int n, int tempo);

    // Note value of a synced delay, in whole notes, from trunc(8·length).
    static double synced_fraction(double length);

    gparam length{0.5};
    zgainp wet{0.0}, feedback{0.0};
    filtp cutoff{0.0};
    bool cross = false, sync = false;
    int filter = no_filter;
    biquad filter_l, filter_r;

private:
    void recompute_filters();
    std::vector<double> line_l, line_r;
    int write_l = 0, write_r = 0;
    int counter = 0;
    double rate = 44100.0;
    float seen_length = -1.0f, seen_wet = -1.0f, seen_feedback = -1.0f;
    unsigned seen_generation = ~0u;
};
