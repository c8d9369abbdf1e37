// The pitch analysis measured on synthetic signals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>

#include "engine/pitch_analysis.h"
#include "sound_test_util.h"

namespace {

using test::make_sample;
constexpr double pi = std::numbers::pi;

TEST(Upsampler, TapsAreTheRoundedNormalisedWindow) {
    const auto& tap = upsampler::coefficients();
    EXPECT_DOUBLE_EQ(tap[75], 0.86006);
    double sum = std::accumulate(tap.begin(), tap.end(), 0.0);
    EXPECT_NEAR(sum, 10.0, 151 * 5e-6);
    for (int n = 0; n < 151; ++n) {
        EXPECT_DOUBLE_EQ(tap[size_t(n)], tap[size_t(150 - n)]) << n;
        EXPECT_DOUBLE_EQ(std::round(tap[size_t(n)] * 1e5), tap[size_t(n)] * 1e5) << n;  // six decimals of c
    }
}

TEST(Upsampler, InterpolatesOneContinuousSignalLaggingBy75) {
    const double rate = 44100.0, hz = 1000.0;
    std::vector<double> in(2000);
    for (size_t i = 0; i < in.size(); ++i) in[i] = 0.9 * std::sin(2 * pi * hz * double(i) / rate);
    upsampler whole, split;
    std::vector<double> a(20000), b(20000);
    whole.run(in.data(), 2000, a.data());
    split.run(in.data(), 777, b.data());
    split.run(in.data() + 777, 2000 - 777, b.data() + 7770);
    for (size_t i = 0; i < a.size(); ++i) ASSERT_DOUBLE_EQ(a[i], b[i]) << i;
    double worst = 0.0;
    for (size_t u = 400; u < a.size(); ++u) {
        double t = (double(u) - 75.0) / 10.0 / rate;
        worst = std::max(worst, std::fabs(a[u] - 0.9 * std::sin(2 * pi * hz * t)));
    }
    EXPECT_LT(worst, 0.01);
}

TEST(PitchAnalysis, SineOf441HzGivesPeriodsOf100FramesAndOneMarkPerCycle) {
    // The crossings sit 2638.45 + 100·k frames in: one falls between two analysis blocks
    // (block 0 ends at upsampled value 26459, which is frame 2638.4 after the filter lag).
    const int frames = 2 * 44100;
    const double first = 2638.45;
    std::vector<float> v(frames);
    for (int i = 0; i < frames; ++i) v[size_t(i)] = float(0.7 * std::sin(2 * pi * 441.0 * (i - first) / 44100.0));
    sample_data s = make_sample(v, 44100);
    analyze_pitch(s);

    ASSERT_FALSE(s.period_map.empty());
    double mean = 0.0;
    for (const auto& e : s.period_map) {
        EXPECT_NEAR(e.period, 100.0, 1.5) << e.position;
        EXPECT_GT(e.confidence, 0.75) << e.position;
        mean += e.period;
    }
    EXPECT_NEAR(mean / double(s.period_map.size()), 100.0, 0.1);
    EXPECT_TRUE(std::is_sorted(s.period_map.begin(), s.period_map.end(),
                               [](const period_entry& a, const period_entry& b) { return a.position < b.position; }));

    EXPECT_TRUE(std::is_sorted(s.pitch_marks.begin(), s.pitch_marks.end()));
    std::vector<double> inside;
    for (double z : s.pitch_marks)
        if (z > 1.0) inside.push_back(z);
    ASSERT_EQ(inside.size(), 882u);
    for (size_t k = 0; k < inside.size(); ++k)
        ASSERT_NEAR(inside[k], first - 2600.0 + 100.0 * double(k), 0.01) << k;
}

TEST(PitchAnalysis, SilenceHasNoPitchAndNoMarks) {
    sample_data s(3 * 2646, 44100);
    analyze_pitch(s);
    EXPECT_TRUE(s.pitch_marks.empty());
    // Each 60 ms block is split down to halves of at most 1500 upsampled values: 16 per
    // block, evenly spread.
    ASSERT_EQ(s.period_map.size(), 48u);
    for (size_t e = 0; e < s.period_map.size(); ++e) {
        EXPECT_EQ(s.period_map[e].period, 0.0);
        EXPECT_EQ(s.period_map[e].confidence, 0.0);
        if (e > 0) {
            EXPECT_NEAR(s.period_map[e].position - s.period_map[e - 1].position, 165.4, 1.5);
        }
    }
    EXPECT_NEAR(s.period_map[0].position, 75.1, 1.0);  // centre of the first 165-frame half, less the lag
}

TEST(PitchAnalysis, EmptyAndOddRatesFinish) {
    sample_data empty;
    empty.period_map = {{1, 2, 3}};
    empty.pitch_marks = {4};
    analyze_pitch(empty);
    EXPECT_TRUE(empty.period_map.empty());
    EXPECT_TRUE(empty.pitch_marks.empty());
    for (int rate : {0, -44100, 5, 1000, 2000000}) {
        sample_data s = make_sample(test::sine(500, 30.0, 1000.0), rate);
        analyze_pitch(s);
        EXPECT_FALSE(s.period_map.empty()) << rate;
        EXPECT_TRUE(std::is_sorted(s.pitch_marks.begin(), s.pitch_marks.end())) << rate;
    }
}

TEST(PitchAnalysis, ReportsProgressFromZero) {
    sample_data s = make_sample(test::noise(44100, 5), 44100);
    std::vector<double> seen;
    analyze_pitch(s, [&](double f) { seen.push_back(f); });
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), 0.0);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_LT(seen.back(), 1.0);
}

// The transforms must give what the plain sums give.
void expect_same_as_direct(std::vector<float> values, int rate) {
    sample_data fast = make_sample(values, rate), slow = make_sample(values, rate);
    analyze_pitch(fast, {}, autocorrelator::method::fft);
    analyze_pitch(slow, {}, autocorrelator::method::direct);
    ASSERT_EQ(fast.period_map.size(), slow.period_map.size());
    for (size_t e = 0; e < fast.period_map.size(); ++e) {
        const auto& f = fast.period_map[e];
        const auto& d = slow.period_map[e];
        EXPECT_EQ(f.position, d.position);
        EXPECT_NEAR(f.period, d.period, 1e-6 * std::fabs(d.period)) << e;
        EXPECT_NEAR(f.confidence, d.confidence, 1e-6 * std::fabs(d.confidence)) << e;
    }
    EXPECT_EQ(fast.pitch_marks, slow.pitch_marks);
}

TEST(PitchAnalysis, TransformsMatchTheDirectSums) {
    expect_same_as_direct(test::sine(8000, 441.0, 44100.0), 44100);
    expect_same_as_direct(test::noise(3000, 11), 44100);
    std::vector<float> chord = test::sine(6000, 220.0, 44100.0, 0.4);
    std::vector<float> fifth = test::sine(6000, 330.0, 44100.0, 0.3);
    for (size_t i = 0; i < chord.size(); ++i) chord[i] += fifth[i];
    expect_same_as_direct(chord, 44100);
    expect_same_as_direct(test::sine(5000, 50.0, 44100.0), 44100);
    expect_same_as_direct(test::sine(4000, 300.0, 22050.0), 22050);
}

TEST(Autocorrelator, LagsPastTheValidValuesAreZero) {
    std::vector<double> x = {1, 2, 3, 4, 5, 6, 7, 8};
    autocorrelator r;
    double direct[6], fft[6];
    // len 4 over 6 valid values: r(k) = sum i<4 of x[i]·x[i+k], x[i] = 0 from 6 on.
    r.lags(x.data(), 4, 6, 1, 7, direct, autocorrelator::method::direct);
    r.lags(x.data(), 4, 6, 1, 7, fft, autocorrelator::method::fft);
    const double want[6] = {1 * 2 + 2 * 3 + 3 * 4 + 4 * 5, 1 * 3 + 2 * 4 + 3 * 5 + 4 * 6, 1 * 4 + 2 * 5 + 3 * 6,
                            1 * 5 + 2 * 6, 1 * 6, 0};
    for (int k = 0; k < 6; ++k) {
        EXPECT_DOUBLE_EQ(direct[k], want[k]) << k;
        EXPECT_NEAR(fft[k], want[k], 1e-9) << k;
    }
    EXPECT_DOUBLE_EQ(autocorrelator::energy(x.data(), 4, 2), 5.0);
}

}  // namespace
