// Small signal helpers shared by the factory sound models: a seeded generator, biquads,
// band-limited single-cycle tables and the finishing steps every sample goes through.
// Everything works in double precision at the factory rate; only finished samples are float.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace factory {

inline constexpr double rate_hz = 44100.0;
inline constexpr double pi = 3.14159265358979323846;
inline constexpr double two_pi = 2.0 * pi;

using buffer = std::vector<double>;

// Frequency in Hz of a (fractional) MIDI note, A4 = note 69 = 440 Hz.
double note_hz(double note);
size_t frames_for(double seconds);

// Fixed-seed generator (splitmix64): the same seed gives the same sound on every machine.
class rng {
public:
    explicit rng(uint64_t seed) : state(seed) {}
    uint64_t next();
    double uniform();  // 0..1
    double bipolar();  // -1..1
    double gauss();    // mean 0, deviation 1
private:
    uint64_t state;
};

// One direct-form-I section with RBJ cookbook designs; frequencies in Hz.
struct biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;

    static biquad lowpass(double hz, double q);
    static biquad highpass(double hz, double q);
    static biquad bandpass(double hz, double q);  // 0 dB at the centre
    static biquad peak(double hz, double q, double gain_db);
    static biquad highshelf(double hz, double gain_db);

    double process(double x) {
        double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1; x1 = x; y2 = y1; y1 = y;
        return y;
    }
    void run(buffer& s) {
        for (double& v : s) v = process(v);
    }
};

// A sum of harmonics 1..amps.size() in one cycle (amps[0] is harmonic 1), read with a
// phase in cycles. The caller keeps the highest harmonic below the Nyquist rate.
class harmonic_table {
public:
    static constexpr size_t size = 4096;
    harmonic_table() = default;
    harmonic_table(const std::vector<double>& amps, const std::vector<double>& phases = {});
    double at(double phase_cycles) const {
        double p = phase_cycles - double(int64_t(phase_cycles));
        if (p < 0) p += 1.0;
        double x = p * double(size);
        size_t i = size_t(x);
        double f = x - double(i);
        return table[i] + f * (table[i + 1] - table[i]);
    }
private:
    std::vector<double> table;  // size + 1 values, the last repeats the first
};

// Harmonic count that keeps k * hz below limit_hz (and at least 1).
size_t harmonics_below(double hz, double limit_hz = 18000.0);

// The finishing steps.
void highpass_dc(buffer& s, double hz = 12.0);
void fade_in(buffer& s, size_t n);   // raised cosine from 0
void fade_out(buffer& s, size_t n);  // raised cosine to 0
void scale_to_peak(buffer& s, double dbfs = -1.0);
double peak_of(const buffer& s);
std::vector<float> to_float(const buffer& s);

// A smooth function of time that repeats every period_s seconds: a few sine components at
// whole multiples of the repeat rate with seeded phases and falling weights. Used for drift
// and flutter that must match at both ends of a loop. Values stay within -1..1.
class periodic_drift {
public:
    periodic_drift(double period_s, int components, uint64_t seed);
    double at(double t_s) const;
private:
    double base_hz;
    std::vector<double> phase, weight;
    double norm = 1.0;
};

}  // namespace factory
