// Measuring sound in tests: spectra, pitch and level. Helpers, not assertions.
#pragma once

#include <cstddef>
#include <vector>

namespace measure {

using std::size_t;

// Magnitude spectrum (linear, bins 0..N/2) of the first N values (N a power of two) under
// a 4-term Blackman-Harris window, scaled so a full-scale sine of amplitude A at a bin
// centre reads A.
std::vector<double> spectrum(const std::vector<double>& x, size_t n);

// Frequency in Hz from upward zero crossings (linearly interpolated) between the first
// and the last crossing after `skip` samples.
double zero_crossing_hz(const std::vector<double>& x, double rate, size_t skip = 0);

// Amplitude of the component at hz over x[from, to) by correlation with sin and cos
// (exact for a steady sine when the span holds many periods).
double amplitude_at(const std::vector<double>& x, double hz, double rate, size_t from,
                    size_t to);

double rms(const std::vector<double>& x, size_t from, size_t to);
double peak(const std::vector<double>& x, size_t from, size_t to);

double db(double ratio);

template <typename T>
std::vector<double> to_double(const std::vector<T>& v) {
    return std::vector<double>(v.begin(), v.end());
}

}  // namespace measure
