// LFO periods in each sync mode, the slew limit, S&H and compatibility mode, measured on
// the values the LFO publishes tick by tick.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/lfo.h"

namespace {

constexpr double rate = 44100.0;

// The frequency value that gives hz in free mode: 0.05·2^(10.644·x) = hz.
double value_for_hz(double hz) { return std::log2(hz / 0.05) / 10.644; }

struct Lfo : ::testing::Test {
    lfo l;
    pct2p out{0.5};
    Lfo() {
        l.output = &out;
        l.set_rate(rate);
    }
    // Raw values of n control ticks (each also smooths the source holder, as in a voice).
    std::vector<double> run(int n) {
        std::vector<double> v;
        for (int i = 0; i < n; ++i) {
            l.advance();
            v.push_back(l.value);
        }
        return v;
    }
    // Cycles per tick from upward zero crossings of the raw value.
    static double ticks_per_cycle(const std::vector<double>& v) {
        double first = -1, last = -1;
        int n = 0;
        for (size_t i = 1; i < v.size(); ++i)
            if (v[i - 1] < 0 && v[i] >= 0) {
                double t = double(i - 1) + -v[i - 1] / (v[i] - v[i - 1]);
                if (first < 0)
                    first = t;
                else
                    ++n;
                last = t;
            }
        return n ? (last - first) / n : 0.0;
    }
};

TEST_F(Lfo, FreeRunningSineAtOneHertz) {
    l.set_shape(3.5 / 6.0);  // "Sin"
    l.rate_param.set(value_for_hz(1.0));
    l.recompute();
    EXPECT_EQ(l.table.length, 8192);
    // 8192 · 32 / 44100 = 5.944 entries per tick.
    EXPECT_EQ(l.inc_int, 5);
    EXPECT_NEAR(l.inc_frac / double(1 << 20), 8192.0 * 32 / 44100 - 5, 1e-6);
    EXPECT_NEAR(ticks_per_cycle(run(20000)), 1378.125, 0.5);
}

TEST_F(Lfo, TempoModeFollowsBeats) {
    l.set_shape(3.5 / 6.0);
    l.rate_param.set(0.5);  // i = 7: one beat
    l.set_tempo(120);
    l.set_mode(lfo::tempo_sync);
    // One cycle per half second: 44100 · 0.5 / 32 ticks.
    EXPECT_NEAR(ticks_per_cycle(run(20000)), 689.0625, 0.5);
    l.set_tempo(60);
    EXPECT_NEAR(ticks_per_cycle(run(20000)), 1378.125, 0.5);
    EXPECT_EQ(lfo::beats_for(0.0), 1.0 / 8);
    EXPECT_EQ(lfo::beats_for(0.99), 8.0);
    EXPECT_EQ(lfo::beats_for(1.0), 8.0);
    // A host position of 2.25 beats on a 1-beat cycle starts a quarter into it.
    l.restart(0.25);
    EXPECT_EQ(l.index, 2048);
}

TEST_F(Lfo, NoteModeRestartsAtTheShapesPhase) {
    l.set_shape(0.0);  // "Saw"
    l.set_mode(lfo::note_sync);
    run(333);
    l.restart(l.note_phase());
    // Mid-cycle of the falling ramp: raw value 0, published at once.
    EXPECT_EQ(l.index, 4096);
    EXPECT_NEAR(out.get(), 0.0, 1e-12);
    l.set_shape(1.5 / 6.0);  // "Squ" starts a quarter in
    EXPECT_EQ(l.note_phase(), 0.25);
    // Free running ignores the restart.
    l.set_mode(lfo::free_running);
    run(7);
    int before = l.index;
    l.restart(0.0);
    EXPECT_EQ(l.index, before);
}

TEST_F(Lfo, SlewLimitsEveryTick) {
    // At the fastest rate a square cannot jump: each tick moves at most 0.02, so it never
    // gets far from the middle.
    l.set_shape(1.5 / 6.0);  // "Squ"
    l.rate_param.set(1.0);
    double prev = 0.0, widest = 0.0;
    for (double x : run(2000)) {
        ASSERT_LE(std::fabs(x - prev), 0.02 + 1e-12);
        prev = x;
        widest = std::max(widest, std::fabs(x));
    }
    EXPECT_LT(widest, 0.2);
    // Slowly, a swing from -1 to +1 moves 0.02 every tick: 100 ticks (3200 samples).
    l.rate_param.set(value_for_hz(1.0));
    std::vector<double> v = run(5000);
    int run_length = 0, longest = 0;
    double from = 0.0, longest_from = 0.0, longest_to = 0.0;
    for (size_t i = 1; i < v.size(); ++i) {
        if (std::fabs(v[i] - v[i - 1] - 0.02) < 1e-9) {
            if (run_length++ == 0) from = v[i - 1];
            if (run_length > longest) {
                longest = run_length;
                longest_from = from;
                longest_to = v[i];
            }
        } else {
            run_length = 0;
        }
    }
    // The table's plateau is ±1 with a little ripple, so the last step may stop short.
    EXPECT_LE(longest_from, -0.98);
    EXPECT_GE(longest_to, 0.98);
    EXPECT_NEAR(longest, 100, 2);
}

TEST_F(Lfo, SampleAndHoldTakesOneEntryPerCycleAndRepeatsAfter2048) {
    l.set_shape(5.5 / 6.0);  // "S&H"
    l.rate_param.set(value_for_hz(20.0));
    l.recompute();
    const double cycles_per_tick = 20.0 * 32 / rate;
    std::vector<int> entries;
    int last = l.index;
    const int ticks = int(2048 * 2.5 / cycles_per_tick);
    for (int t = 0; t < ticks; ++t) {
        l.advance();
        if (l.index != last) {
            ASSERT_EQ(l.index, (last + 1) % 2048);  // one new value per cycle, in order
            entries.push_back(l.index);
            last = l.index;
        }
    }
    EXPECT_NEAR(double(entries.size()), ticks * cycles_per_tick, 2.0);
    // The values of cycle c and c + 2048 are the same entry.
    for (size_t c = 0; c + 2048 < entries.size(); c += 97) EXPECT_EQ(entries[c], entries[c + 2048]);
    // Consecutive cycles give different values (a random table, not a ramp).
    wave_table t = l.table;
    int changes = 0;
    for (int i = 1; i < t.length; ++i) changes += t.data[i] != t.data[i - 1];
    EXPECT_GT(changes, 2000);
}

TEST_F(Lfo, CompatibilityModeClipsTheNegativeHalf) {
    l.set_shape(3.5 / 6.0);
    l.rate_param.set(value_for_hz(2.0));
    l.set_compat(true);
    int negative = 0;
    // Checked directly on the holder.
    for (int t = 0; t < 3000; ++t) {
        l.advance();
        if (l.value < -0.2) {
            ++negative;
            ASSERT_EQ(out.get(), -1.0);
        }
        if (l.value > 0.2) {
            ASSERT_GT(out.get(), -1.0 + 0.2);
        }
    }
    EXPECT_GT(negative, 500);
    // Normal mode reads v itself.
    l.set_compat(false);
    for (int t = 0; t < 100; ++t) {
        l.advance();
    }
    EXPECT_NEAR(out.get(), l.value, 0.02);
}

TEST_F(Lfo, SkipMatchesAdvance) {
    lfo other;
    other.set_rate(rate);
    l.set_shape(0.0);
    other.set_shape(0.0);
    l.rate_param.set(0.7);
    other.rate_param.set(0.7);
    l.recompute();
    other.recompute();
    for (int t = 0; t < 1000; ++t) l.advance();
    other.skip(32 * 1000 + 31);  // the remainder of a block is dropped
    EXPECT_EQ(other.index, l.index);
    EXPECT_EQ(other.frac, l.frac);
}

}  // namespace
