// Sample-rate conversion with a Kaiser-windowed sinc: 60 dB stop band, 10 zero crossings
// each side, 256 table points per crossing. The table is the same for everyone, so it is
// built once per process and shared read-only.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "sound/sample_data.h"

class resampler {
public:
    static constexpr int crossings = 10;       // each side
    static constexpr int points_per_crossing = 256;
    static constexpr int points = points_per_crossing * (crossings + 1) * 2;  // 5632
    static constexpr int half = points / 2;
    static constexpr double attenuation_db = 60.0;
    // Play samples more than this many times longer than their source are not made
    // (a stored rate of a few hertz would otherwise ask for gigabytes).
    static constexpr double max_upsampling = 64.0;

    static const resampler& shared();

    // The source converted to target_rate (Hz): trunc(target/source rate × frames) values,
    // no analysis lists, xpose and finetune 0. A source or target rate below 1 Hz, or a
    // ratio above max_upsampling, gives an empty sample at target_rate.
    sample_data resample(const sample_data& source, int32_t target_rate) const;

    // The interpolated, gain-corrected kernel at time offset d seconds.
    double kernel(double d, double source_rate, double target_rate) const;

    double table_at(int i) const { return i >= 0 && i < points ? table[size_t(i)] : 0.0; }
    static double kaiser_beta(double attenuation_db);
    static double bessel_i0(double x);

private:
    resampler();
    // One zero past the end, so interpolation between the last point and beyond needs no
    // test.
    std::array<double, points + 1> table{};
};
