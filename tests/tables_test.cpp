// The shared tables: values against the defining sums, the level rule, lookups at the
// ends of their ranges, and one copy per process.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <thread>

#include "engine/tables.h"
#include "engine/wave_tables.h"

namespace {

constexpr double pi = std::numbers::pi;
const wave_table_set& set() { return wave_table_set::shared(); }

double direct_saw(int level, int j) {
    const int top = 1 << level;
    double x = 2.0 * pi * j / 8192.0, s = 0.0;
    for (int k = 1; k < top; ++k) {
        double u = double(k) / top;
        s += std::sin(k * x) / (pi * k) * (std::sin(pi * u) / (pi * u));
    }
    return s;
}

double direct_tri(int level, int j) {
    const int limit = std::max(2, 1 << level);
    double x = 2.0 * pi * j / 8192.0, s = 0.0;
    for (int k = 1; k < limit; k += 2)
        s += (((k - 1) / 2) % 2 == 0 ? 1.0 : -1.0) * 4.0 / (pi * pi * k * k) * std::sin(k * x);
    return s;
}

TEST(WaveTables, BandLimitedRowsMatchTheirSums) {
    // Every level of saw, square and triangle against the direct sums, on a spread of
    // positions (all of them for two levels).
    for (int level = 0; level < 10; ++level) {
        wave_table saw = set().level(wave_table_set::saw, level);
        wave_table sq = set().level(wave_table_set::square, level);
        wave_table tri = set().level(wave_table_set::triangle, level);
        ASSERT_EQ(saw.length, 8192);
        ASSERT_EQ(sq.length, 8192);
        ASSERT_EQ(tri.length, 8192);
        const int stride = (level == 9 || level == 5) ? 1 : 37;
        double worst = 0.0;
        for (int j = 0; j < 8192; j += stride) {
            worst = std::max(worst, std::fabs(saw.data[j] - direct_saw(level, j)));
            worst = std::max(worst, std::fabs(tri.data[j] - direct_tri(level, j)));
            double sq_direct = direct_saw(level, j) - direct_saw(level, (j + 4096) % 8192);
            worst = std::max(worst, std::fabs(sq.data[j] - sq_direct));
        }
        EXPECT_LT(worst, 1e-12) << "level " << level;
    }
}

TEST(WaveTables, ShapesAndSimpleRows) {
    // The saw falls from +0.5 to -0.5 with its step at phase 0; the triangle peaks at a
    // quarter cycle.
    wave_table saw = set().level(wave_table_set::saw, 9);
    EXPECT_NEAR(saw.data[0], 0.0, 1e-15);
    EXPECT_NEAR(saw.data[64], 0.5, 0.03);
    EXPECT_NEAR(saw.data[8192 - 64], -0.5, 0.03);
    EXPECT_NEAR(saw.data[2048], 0.25, 1e-3);
    wave_table tri = set().level(wave_table_set::triangle, 9);
    EXPECT_NEAR(tri.data[2048], 0.5, 2e-3);
    EXPECT_NEAR(tri.data[6144], -0.5, 2e-3);

    wave_table sine = set().get(wave_table_set::sine, 3.0);
    ASSERT_EQ(sine.length, 8192);
    EXPECT_DOUBLE_EQ(sine.data[2048], 0.5);
    EXPECT_EQ(set().get(wave_table_set::sine, 1e6).data, sine.data);  // one table for all

    for (int level = 0; level < 10; ++level) {
        const int n = 4 << level;
        wave_table pulse = set().level(wave_table_set::pulse, level);
        wave_table nsaw = set().level(wave_table_set::naive_saw, level);
        wave_table nsq = set().level(wave_table_set::naive_square, level);
        ASSERT_EQ(pulse.length, n);
        EXPECT_EQ(pulse.data[n / 2], 0.0);  // first N/2 + 1 entries are 0
        EXPECT_EQ(pulse.data[n / 2 + 1], 0.5);
        EXPECT_EQ(nsq.data[n / 2], -0.5);
        EXPECT_EQ(nsq.data[n / 2 + 1], 0.5);
        EXPECT_DOUBLE_EQ(nsaw.data[n / 4], 0.25 - 0.5);
    }
    // Rows 12 and up always give level 9, whatever the period.
    EXPECT_EQ(set().get(wave_table_set::pulse, 3.0).length, 2048);
    EXPECT_FALSE(set().get(16, 100.0));
    EXPECT_FALSE(set().get(7, 100.0));
}

TEST(WaveTables, LevelRule) {
    // 440 Hz at 44.1 kHz: P = 100.23 > 64, so level 5 and harmonics up to 31.
    EXPECT_EQ(wave_table_set::level_for_period(44100.0 / 440.0), 5);
    EXPECT_EQ(wave_table_set::level_for_period(64.0), 4);  // strictly above 2^(L+1)
    EXPECT_EQ(wave_table_set::level_for_period(64.0001), 5);
    EXPECT_EQ(wave_table_set::level_for_period(2.0), 0);
    EXPECT_EQ(wave_table_set::level_for_period(1e9), 9);
    EXPECT_EQ(wave_table_set::level_for_period(std::nan("")), 0);
    EXPECT_EQ(wave_table_set::level_for_period(-5.0), 0);
    for (double p : {3.0, 7.9, 100.23, 1000.0, 5000.0}) {
        int level = wave_table_set::level_for_period(p);
        EXPECT_LT((1 << level) - 1, p / 2) << p;  // highest harmonic below half the rate
    }
}

TEST(WaveTables, SampleAndHoldRowIsFixedAndInRange) {
    // The generator is the project's own with a fixed seed: the same table every run.
    wave_table_set::random15 a, b;
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(a.next(), b.next());
    wave_table r = set().level(wave_table_set::random, 9);
    ASSERT_EQ(r.length, 2048);
    double lo = 1, hi = -1, mean = 0;
    for (int j = 0; j < r.length; ++j) {
        lo = std::min(lo, r.data[j]);
        hi = std::max(hi, r.data[j]);
        mean += r.data[j] / r.length;
    }
    EXPECT_GE(lo, -0.5);
    EXPECT_LE(hi, 0.5);
    EXPECT_LT(lo, -0.45);
    EXPECT_GT(hi, 0.45);
    EXPECT_NEAR(mean, 0.0, 0.05);
}

TEST(WaveTables, BuiltOncePerProcess) {
    const wave_table_set* seen[4] = {};
    std::thread t[4];
    for (int i = 0; i < 4; ++i) t[i] = std::thread([&seen, i] { seen[i] = &wave_table_set::shared(); });
    for (auto& th : t) th.join();
    for (auto* s : seen) EXPECT_EQ(s, &wave_table_set::shared());
    EXPECT_EQ(&lookup_tables::shared(), &lookup_tables::shared());
}

TEST(LookupTables, NoteFrequencyAndTrig) {
    const lookup_tables& t = lookup_tables::shared();
    EXPECT_DOUBLE_EQ(t.note_frequency(69.0), 440.0);
    EXPECT_NEAR(t.note_frequency(81.0), 880.0, 1e-9);
    // Lookups truncate to 1/1000 semitone.
    EXPECT_EQ(t.note_frequency(69.0009), 440.0);
    // Cutoff 0: index 39487, 80.0008 Hz.
    EXPECT_NEAR(t.note_entry(39487.0), 80.0008, 5e-5);
    // Ends of the range stay inside the table.
    EXPECT_EQ(t.note_frequency(-3.0), t.note_entry(0.0));
    EXPECT_EQ(t.note_frequency(500.0), t.note_entry(129998.0));
    EXPECT_EQ(t.note_frequency(std::nan("")), t.note_entry(0.0));

    double s, c;
    t.sin_cos(pi / 2, s, c);
    EXPECT_DOUBLE_EQ(s, 1.0);
    EXPECT_NEAR(c, 0.0, 1e-15);
    t.sin_cos(2.0 * pi, s, c);  // a full turn or more: the last entry
    EXPECT_DOUBLE_EQ(s, std::sin(2.0 * pi * 9999 / 10000));
    t.sin_cos(100.0, s, c);
    EXPECT_DOUBLE_EQ(c, std::cos(2.0 * pi * 9999 / 10000));
    t.sin_cos(-1.0, s, c);
    EXPECT_EQ(s, 0.0);
    EXPECT_EQ(c, 1.0);

    const double* w = t.window();
    EXPECT_EQ(w[0], 0.0);
    EXPECT_EQ(w[5000], 1.0);
    EXPECT_NEAR(w[2500] + w[7500], 1.0, 1e-15);  // half a window apart they sum to 1
}

}  // namespace
