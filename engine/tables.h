// Lookup tables every voice shares: note number to frequency in 1/1000-semitone steps,
// sine and cosine in 10,000 steps per turn, and the grain window. Built once per process
// on first use (thread-safe static) and read-only afterwards.
#pragma once

#include <array>
#include <vector>

class lookup_tables {
public:
    static constexpr int note_steps = 129999;  // notes 0 .. 129.998
    static constexpr int trig_steps = 10000;
    static constexpr int window_steps = 10000;

    static const lookup_tables& shared();

    // Hz of MIDI note n (69 = 440 Hz), truncated to 1/1000 semitone and kept in the table.
    double note_frequency(double note) const { return note_freq[note_index(note * 1000.0)]; }
    // Entry i directly: 440·2^((i/1000 − 69)/12); i is kept inside the table.
    double note_entry(double index) const { return note_freq[note_index(index)]; }

    // sin and cos of angle w (radians) from the tables, without interpolation. Angles of a
    // full turn or more use the last entry.
    void sin_cos(double w, double& s, double& c) const;

    // Hann window over 0..9999: 0 at the ends, 1 in the middle.
    const double* window() const { return hann.data(); }

    // A separate copy, for measuring the build; everything else uses shared().
    lookup_tables();

private:
    static int note_index(double i) {
        if (!(i > 0.0)) return 0;  // also NaN
        return i >= double(note_steps - 1) ? note_steps - 1 : int(i);
    }

    std::vector<double> note_freq;
    std::vector<double> sine, cosine, hann;
};
