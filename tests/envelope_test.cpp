// Envelope stages to the step, worked out by hand at rates where lengths are small.
#include <gtest/gtest.h>

#include <vector>

#include "engine/eg.h"

namespace {

std::vector<double> steps(eg& e, int n) {
    std::vector<double> out;
    for (int i = 0; i < n; ++i) out.push_back(e.tick(1));
    return out;
}

TEST(Envelope, StagesByHand) {
    // At 1000 Hz every time of 0 lasts 2.5 steps; sustain 0.5.
    eg e;
    gparam published;
    e.output = &published;
    e.set_rate(1000.0);
    e.sustain.set(0.5);
    e.trigger();
    EXPECT_EQ(published.get(), 0.0);
    std::vector<double> a = steps(e, 7);
    const double expect[] = {0.0, 0.4, 0.8, 1.2, 0.92, 0.64, 0.36};
    for (int i = 0; i < 7; ++i) EXPECT_NEAR(a[size_t(i)], expect[i], 1e-12) << i;
    // Decay ended one step past the sustain level, and sustain holds where it ended.
    EXPECT_EQ(e.get_stage(), eg::sustain_stage);
    for (double v : steps(e, 50)) EXPECT_NEAR(v, 0.36, 1e-12);
    e.sustain.set(0.9);  // read only when the decay begins
    EXPECT_NEAR(steps(e, 1)[0], 0.36, 1e-12);

    e.release();
    std::vector<double> r = steps(e, 4);
    EXPECT_NEAR(r[0], 0.36, 1e-12);
    EXPECT_NEAR(r[1], 0.216, 1e-12);
    EXPECT_NEAR(r[2], 0.072, 1e-12);
    // The step that finishes the release published its last nonzero level.
    EXPECT_NEAR(published.get(), 0.0, 1e-12);
    EXPECT_EQ(r[3], 0.0);
    EXPECT_EQ(e.get_stage(), eg::idle);
}

TEST(Envelope, AttackZeroAt44100) {
    // 110.25 samples: the decay begins on the 111th step with the level at 111/110.25.
    eg e;
    e.sustain.set(1.0);
    e.trigger();
    for (int i = 0; i < 110; ++i) {
        e.tick(1);
        ASSERT_EQ(e.get_stage(), eg::attack_stage) << i;
    }
    e.tick(1);
    EXPECT_EQ(e.get_stage(), eg::decay_stage);
    EXPECT_NEAR(e.level, 111.0 / 110.25, 1e-12);
    // Sustain 1: a tiny fall back to 1.
    for (int i = 0; i < 111; ++i) e.tick(1);
    EXPECT_EQ(e.get_stage(), eg::sustain_stage);
    EXPECT_NEAR(e.level, 1.0, 0.01);
}

TEST(Envelope, ReleaseFromAnyStage) {
    eg e;
    e.attack.set(0.5);  // 1.9975·0.25 + 0.0025 = 0.5018 s
    e.sustain.set(1.0);
    e.trigger();
    while (e.level < 0.3) e.tick(1);
    const double from = e.level;
    e.release();  // release time 0: 110.25 samples
    std::vector<double> r = steps(e, 112);
    EXPECT_NEAR(r[0], from, 1e-12);
    EXPECT_GT(r[110], 0.0);
    EXPECT_LT(r[110], from / 100.0);
    EXPECT_EQ(r[111], 0.0);
    EXPECT_EQ(e.get_stage(), eg::idle);
}

TEST(Envelope, FilterEnvelopeCountsControlTicks) {
    // 0.0025 s · 44100 / 32 = 3.4453 ticks: the attack ends after 4 ticks.
    feg f;
    f.sustain.set(0.2);
    f.trigger();
    EXPECT_NEAR(f.length, 3.4453125, 1e-9);
    for (int t = 0; t < 3; ++t) {
        f.tick(0);
        EXPECT_EQ(f.get_stage(), eg::attack_stage);
    }
    f.tick(0);
    EXPECT_EQ(f.get_stage(), eg::decay_stage);
    // A time holder ticks at flag 0 only: a new attack time shows at the next trigger.
    f.attack.set_smoothed(1.0);
    for (int i = 0; i < 4; ++i) f.tick(0);
    f.trigger();
    EXPECT_NEAR(f.length, 2.0 * 44100 / 32, 1e-9);
}

}  // namespace
