// The pitch analysis every sample gets on import (and every slot of a 0x200 record on
// load): a period map from a block-wise autocorrelation of the signal upsampled ten
// times, and pitch marks at the signal's upward zero crossings.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/autocorrelation.h"
#include "sound/sample_data.h"

// Called with the fraction of frames analysed (0 first, then at most every 250 ms).
using progress_sink = std::function<void(double fraction)>;

// Fills sample.period_map and sample.pitch_marks (both in ascending order). A stop flag,
// when given, is looked at after every block (60 ms of the sample): once set, the analysis
// ends early and leaves what it found so far.
void analyze_pitch(sample_data& sample, const progress_sink& progress = {},
                   autocorrelator::method how = autocorrelator::method::automatic,
                   const std::atomic<bool>* stop = nullptr);

// Interpolates by 10 with a 151-tap windowed-sinc polyphase filter. The history carries
// over from one run to the next, so consecutive runs make one continuous signal; it lags
// the input by 75 upsampled samples.
class upsampler {
public:
    static constexpr int factor = 10;
    static constexpr int taps = 151;
    static constexpr int lag = 75;  // upsampled samples

    // The 151 taps: 10 × the normalised window values rounded to six decimals.
    static const std::array<double, taps>& coefficients();

    // Writes factor·n values to out.
    void run(const double* in, int64_t n, double* out);

private:
    static constexpr int span = (taps + factor - 1) / factor;  // inputs per output: 16
    std::array<double, span - 1> history{};                    // newest last
    std::vector<double> work;
};

// One result of the period detection, in upsampled samples.
struct period_estimate {
    int64_t position;
    double period;
    double confidence;
};

// The recursive autocorrelation period detection on an upsampled block x of n values
// (x holds `avail` valid values from its start; later ones count as 0). Lags in
// upsampled samples. Appends the results in ascending position.
void detect_periods(const double* x, int64_t n, int64_t avail, int64_t min_lag, int64_t max_lag,
                    std::vector<period_estimate>& out, autocorrelator& r,
                    autocorrelator::method how = autocorrelator::method::automatic);
