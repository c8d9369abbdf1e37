// The windowed-sinc resampler and the play samples it makes, checked by length, scaled
// analysis and spectrum.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <thread>

#include "engine/resampler.h"
#include "sound/program.h"
#include "sound_test_util.h"

namespace {

constexpr double pi = std::numbers::pi;

// Amplitude of the frequency hz in v (a single-bin DFT over whole cycles).
double amplitude_at(const std::vector<float>& v, size_t from, size_t count, double hz, double rate) {
    std::complex<double> sum = 0.0;
    for (size_t i = from; i < from + count; ++i)
        sum += double(v[i]) * std::polar(1.0, -2 * pi * hz * double(i) / rate);
    return 2.0 * std::abs(sum) / double(count);
}

TEST(Resampler, TableIsAKaiserWindowedSinc) {
    EXPECT_NEAR(resampler::kaiser_beta(60.0), 5.65326, 1e-5);
    EXPECT_EQ(resampler::kaiser_beta(20.0), 0.0);
    EXPECT_NEAR(resampler::kaiser_beta(70.0), 0.1102 * 61.3, 1e-12);
    EXPECT_NEAR(resampler::bessel_i0(0.0), 1.0, 1e-7);
    EXPECT_NEAR(resampler::bessel_i0(1.0), 1.2660658778, 1e-6);
    EXPECT_NEAR(resampler::bessel_i0(5.0), 27.239871823, 27.24 * 1e-6);
    const resampler& r = resampler::shared();
    EXPECT_EQ(resampler::points, 5632);
    EXPECT_DOUBLE_EQ(r.table_at(resampler::half), 1.0);
    for (int i = 1; i < resampler::half; ++i)
        ASSERT_NEAR(r.table_at(resampler::half + i), r.table_at(resampler::half - i), 1e-12) << i;
    // The kernel passes through zero one source period apart (the table spans ten
    // crossings each side over its whole length).
    for (int z = 1; z < 10; ++z) {
        EXPECT_NEAR(r.kernel(z / 44100.0, 44100, 48000), 0.0, 2e-3) << z;
        EXPECT_NEAR(r.kernel(-z / 44100.0, 44100, 48000), 0.0, 2e-3) << z;
    }
    EXPECT_NEAR(r.kernel(0.5 / 44100.0, 44100, 48000), 2.0 / pi, 0.01);
    EXPECT_NEAR(r.table_at(0), 0.0, 1e-3);  // the window's edge
    EXPECT_EQ(r.table_at(-1), 0.0);
    EXPECT_EQ(r.table_at(resampler::points), 0.0);
    EXPECT_EQ(r.kernel(10.5 / 44100.0, 44100, 48000), 0.0);
    EXPECT_NEAR(r.kernel(0.0, 48000, 44100), 44100.0 / 48000.0, 1e-12);  // gain for downsampling
}

TEST(Resampler, SharedTableIsBuiltOnceForAllThreads) {
    const resampler* seen[4] = {};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) threads.emplace_back([&, t] { seen[t] = &resampler::shared(); });
    for (auto& t : threads) t.join();
    for (int t = 1; t < 4; ++t) EXPECT_EQ(seen[t], seen[0]);
}

TEST(Resampler, Upsampling22050To44100KeepsTheToneAndAddsNoImages) {
    sample_data s = test::make_sample(test::sine(22050, 5000.0, 22050.0, 0.5), 22050);
    sample_data out = resampler::shared().resample(s, 44100);
    ASSERT_EQ(out.frames, 44100);
    EXPECT_EQ(out.rate, 44100);
    // Away from the edges: the tone at its level, its image at 22050 - 5000 Hz gone.
    EXPECT_NEAR(amplitude_at(out.data, 4410, 4410 * 8, 5000.0, 44100.0), 0.5, 0.005);
    EXPECT_LT(amplitude_at(out.data, 4410, 4410 * 8, 17050.0, 44100.0), 0.5 * 0.002);  // below -54 dB
}

TEST(Resampler, Downsampling44100To48000AndBack) {
    sample_data s = test::make_sample(test::sine(44100, 1000.0, 44100.0, 0.8), 44100);
    sample_data up = resampler::shared().resample(s, 48000);
    EXPECT_EQ(up.frames, 48000);
    EXPECT_NEAR(amplitude_at(up.data, 4800, 48000 - 9600, 1000.0, 48000.0), 0.8, 0.008);
    // A tone above the new Nyquist frequency is removed when going down.
    sample_data high = test::make_sample(test::sine(44100, 21000.0, 44100.0, 0.8), 44100);
    sample_data down = resampler::shared().resample(high, 32000);
    EXPECT_EQ(down.frames, 32000);
    double rms = 0.0;
    for (size_t i = 3200; i < 28800; ++i) rms += double(down.data[i]) * down.data[i];
    EXPECT_LT(std::sqrt(rms / 25600.0), 0.8 * 0.01);
}

TEST(Resampler, UnusableRatesGiveAnEmptySample) {
    sample_data s = test::make_sample(test::sine(1000, 100.0, 44100.0), 10);
    EXPECT_EQ(resampler::shared().resample(s, 44100).frames, 0);  // 4410 times longer
    s.rate = 0;
    EXPECT_EQ(resampler::shared().resample(s, 44100).frames, 0);
    s.rate = -5;
    EXPECT_EQ(resampler::shared().resample(s, 44100).frames, 0);
    s.rate = 44100;
    EXPECT_EQ(resampler::shared().resample(s, 0).frames, 0);
    EXPECT_EQ(resampler::shared().resample(sample_data(0, 44100), 48000).frames, 0);
}

TEST(WaveformResample, PlaySamplesFollowThePlayRate) {
    waveform w;
    sample_data s = test::make_sample(test::sine(1000, 441.0, 22050.0), 22050);
    s.xpose = -12;
    s.finetune = 40;
    s.period_map = {{100, 50.0, 0.9}, {300, 50.5, 0.8}};
    s.pitch_marks = {-0.25, 50.0, 100.0};
    w.play_rate = 44100.0;
    ASSERT_TRUE(w.set_sample(2, s));
    const sample_data& p = w.play_samples[2];
    EXPECT_EQ(p.frames, 2000);
    EXPECT_EQ(p.rate, 44100);
    EXPECT_EQ(p.xpose, -12);
    EXPECT_EQ(p.finetune, 40);
    EXPECT_EQ(p.period_map, (std::vector<period_entry>{{200, 100.0, 0.9}, {600, 101.0, 0.8}}));
    EXPECT_EQ(p.pitch_marks, (std::vector<double>{-0.5, 100.0, 200.0}));
    EXPECT_EQ(w.samples[2], s);

    // 44100 Hz in a 48000 Hz host.
    sample_data t = test::make_sample(test::sine(4410, 441.0, 44100.0), 44100);
    t.period_map = {{1000, 100.0, 0.9}};
    t.pitch_marks = {100.0, 4409.0};
    w.samples[5] = t;
    w.set_play_rate(48000.0);
    const double x = 48000.0 / 44100.0;
    EXPECT_EQ(w.play_samples[5].frames, int(x * 4410));
    EXPECT_EQ(w.play_samples[5].period_map[0].position, int(x * 1000));
    EXPECT_DOUBLE_EQ(w.play_samples[5].period_map[0].period, x * 100.0);
    EXPECT_DOUBLE_EQ(w.play_samples[5].pitch_marks[1], x * 4409.0);
    EXPECT_EQ(w.play_samples[0].frames, 0);  // empty slots stay empty
    EXPECT_EQ(w.play_samples[0].rate, 48000);

    // The host's own rate: an exact copy.
    w.set_play_rate(44100.0);
    EXPECT_EQ(w.play_samples[5], w.samples[5]);
}

TEST(WaveformResample, SlotEditingOutsideTheSlotsChangesNothing) {
    wavetable t;
    const wavetable before = t;
    EXPECT_FALSE(t.set_sample(0, 8, sample_data(10, 44100)));
    EXPECT_FALSE(t.set_sample(0, -1, sample_data(10, 44100)));
    EXPECT_FALSE(t.set_sample(2, 0, sample_data(10, 44100)));
    EXPECT_FALSE(t.set_slot_name(1, 8, "x"));
    EXPECT_EQ(t, before);
    EXPECT_TRUE(t.set_slot_name(1, 7, "kick.wav"));
    EXPECT_EQ(t.waves[1].slot_name(7), "kick.wav");
    EXPECT_EQ(t.waves[1].slot_name(9), "");
    EXPECT_TRUE(t.set_sample(1, 7, test::make_sample({0.5f, 0.25f}, 44100)));
    EXPECT_EQ(t.waves[1].play_samples[7].data, (std::vector<float>{0.5f, 0.25f}));
}

TEST(WaveformResample, ProgramCopiesAreDeep) {
    program a = test::program_with_samples();
    a.waves.set_play_rate(48000.0);
    program b = a;
    b.waves.waves[0].samples[0].data[3] = 9.0f;
    b.waves.waves[0].play_samples[0].pitch_marks.clear();
    b.params.set_value(5, 0.123f);
    EXPECT_NE(a.waves.waves[0].samples[0].data[3], 9.0f);
    EXPECT_FALSE(a.waves.waves[0].play_samples[0].pitch_marks.empty());
    EXPECT_NE(a.params.value(5), 0.123f);
    b = a;
    EXPECT_EQ(b, a);
}

}  // namespace
