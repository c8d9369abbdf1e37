// One voice on its own: parameter routing, holders, the modulation matrix and the order
// of a control tick.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "engine/voice.h"
#include "sound/program.h"

namespace {

// A stand-in for the instrument: plug tempo, no song position, a small pool.
struct stub_host : voice_host {
    int bpm = 120;
    double pos = -1.0;
    std::vector<voice*> pool;
    int tempo() override { return bpm; }
    double song_position() override { return pos; }
    voice* free_voice() override {
        for (voice* v : pool)
            if (!v->active) return v;
        return nullptr;
    }
};

struct Voice : ::testing::Test {
    stub_host host;
    program prog;
    std::unique_ptr<voice> v = std::make_unique<voice>();
    Voice() {
        v->bind(&host);
        v->set_program(prog);
        v->apply_pending();
    }
    // One control period (32 samples) of a played voice.
    void period() {
        for (int i = 0; i < 32; ++i) v->tick(0.0);
    }
    void param(int index, float value) {
        v->setParameter(index, value);
        v->apply_pending();
    }
};

TEST(Holders, CookedUnits) {
    gainp g(54.0 / 66.0);
    EXPECT_NEAR(g.get(), 1.0, 1e-12);  // 0 dB
    g.set(1.0);
    EXPECT_NEAR(g.get(), 4.0, 1e-12);  // +12 dB: 6 dB per doubling
    gain2p g2(0.5);
    EXPECT_NEAR(g2.get(), 1.0, 1e-12);
    zgainp z(0.0);
    EXPECT_NEAR(z.get(), std::exp2(-11.0), 1e-15);
    panp p(0.5);
    EXPECT_NEAR(p.left(), std::sqrt(0.5), 1e-15);
    EXPECT_NEAR(p.right_gain(), std::sqrt(0.5), 1e-15);
    xposep x(0.5);
    EXPECT_EQ(x.get(), 0.0);
    x.set(0.0);
    EXPECT_EQ(x.get(), -24.0);
    x.set(1.0);
    EXPECT_EQ(x.get(), 24.0);  // the last of its 49 steps
    eparam e;
    EXPECT_EQ(e.get(), 0.0025);
    e.set(1.0);
    EXPECT_DOUBLE_EQ(e.get(), 2.0);
    lfop l(1.0);
    EXPECT_NEAR(l.get(), 0.05 * std::exp2(10.644), 1e-9);
    pitchp ph(69.0 / 128.0);
    EXPECT_DOUBLE_EQ(ph.get(), 440.0);
    // Counts come from the value alone and stay in their tables.
    unip u(1.0);
    EXPECT_EQ(u.count(), 6);
    u.set(-1e-10);
    EXPECT_EQ(u.count(), 1);
    u.set(0.5);
    u.add_mod(0.4);
    u.tick();
    EXPECT_EQ(u.count(), 4);
    rangep r(4.5 / 12.0);
    EXPECT_EQ(r.semitones(), 5);
    tempop t(0.47244096);
    EXPECT_EQ(t.bpm(), 132);
}

TEST(Holders, SmoothingAndModulation) {
    pctp h(0.2);
    h.set_smoothed(0.6);
    EXPECT_DOUBLE_EQ(h.get(), 0.2);  // nothing until a tick
    for (int i = 0; i < 4; ++i) h.tick();
    EXPECT_NEAR(h.get(), 0.6, 1e-12);
    h.tick();
    EXPECT_EQ(h.value, 0.6);
    EXPECT_EQ(h.step, 0.0);
    // Modulation lasts one tick and is clipped with the value into 0..1.
    h.add_mod(0.7);
    h.tick();
    EXPECT_EQ(h.get(), 1.0);
    h.tick();
    EXPECT_EQ(h.get(), 0.6);
    h.add_mod(-5.0);
    h.tick();
    EXPECT_EQ(h.get(), 0.0);
    // A value outside 0..1 (a source written beyond its range) still cooks inside it.
    pct2p s;
    s.set(1.7);
    EXPECT_EQ(s.get(), 1.0);
}

// The batched ticks (n ticks with nothing reading between, and an LFO's tick, new target
// and three ticks) leave a holder exactly as the ticks in turn do: the same value, glide,
// cooked value and stillness, through random sets, glides and modulation; and a holder
// that calls itself still has nothing left for a tick to do.
TEST(Holders, BatchedTicksMatchTicksInTurn) {
    std::mt19937 gen(3);
    std::uniform_real_distribution<double> u(-0.2, 1.2);
    gainp batched(0.3), in_turn(0.3);  // a cook far from linear shows a missed cook
    for (int i = 0; i < 20000; ++i) {
        const double x = u(gen);
        switch (gen() % 6) {
            case 0: batched.set(x), in_turn.set(x); break;
            case 1: batched.set_smoothed(x), in_turn.set_smoothed(x); break;
            case 2: batched.add_mod(x - 0.5), in_turn.add_mod(x - 0.5); break;
            case 3: {
                const int n = int(gen() % 5);
                batched.tick(n);
                for (int k = 0; k < n; ++k) in_turn.tick();
                break;
            }
            default:
                batched.tick_and_smooth(x, 3);
                in_turn.tick();
                in_turn.set_smoothed(x);
                for (int k = 0; k < 3; ++k) in_turn.tick();
                break;
        }
        ASSERT_EQ(batched.value, in_turn.value) << i;
        ASSERT_EQ(batched.step, in_turn.step) << i;
        ASSERT_EQ(batched.get(), in_turn.get()) << i;
        ASSERT_EQ(batched.still(), in_turn.still()) << i;
        // A holder that says it is still is: a tick would change nothing it shows.
        gainp probe = in_turn;
        probe.tick();
        if (in_turn.still()) {
            ASSERT_EQ(probe.get(), in_turn.get()) << i;
            ASSERT_EQ(probe.value, in_turn.value) << i;
        }
    }
}

TEST_F(Voice, RoutingReachesTheHolders) {
    param(P_FILTER_CUTOFF, 0.25f);
    EXPECT_DOUBLE_EQ(v->filter.cutoff.value, 0.25);  // free voice: at once
    param(P_OSC2_XPOSE, choice_to_value(36, 49));
    EXPECT_EQ(v->osc2.transpose.get(), 12.0);
    param(P_LFO2_FREQ, 1.0f);
    EXPECT_EQ(v->lfos[1].rate_param.value, 1.0);
    param(P_OSC1_WAVE, choice_to_value(3, 6));
    EXPECT_EQ(v->osc1.row, 9);
    param(P_OSC2_WAVE, choice_to_value(1, 6));
    EXPECT_EQ(v->osc2.row, 0);
    EXPECT_EQ(v->osc2.set, &prog.waves.waves[1]);
    param(P_FILTER_TYPE, 1.0f);
    EXPECT_EQ(v->filter.type(), voice_filter::analog_lp);
    param(P_LFO3_SYNC, 1.0f);
    EXPECT_EQ(v->lfos[2].mode, lfo::note_sync);
    param(P_OSC2_PITCHABLE, 0.25f);
    EXPECT_FALSE(v->osc2.pitchable);
    param(P_OSC1_SYNC, 0.75f);
    EXPECT_TRUE(v->osc1.tempo_sync);
    EXPECT_FALSE(v->osc2.tempo_sync);  // independent
    // The plug-in's own parameters leave the voice alone.
    param(P_LEGATO, 1.0f);
    param(P_DELAY_WET, 1.0f);
    EXPECT_EQ(v->holder(P_LEGATO), nullptr);
    // A tempo change reaches the LFOs and oscillators.
    host.bpm = 90;
    param(P_DELAY_TEMPO, 0.1f);
    EXPECT_EQ(v->lfos[0].tempo, 90);
    EXPECT_EQ(v->osc1.tempo, 90);
}

TEST_F(Voice, SoundingVoiceGlidesFreeVoiceJumps) {
    param(P_OSC1_WAVE, choice_to_value(5, 6));
    param(P_GAIN, 0.5f);
    EXPECT_EQ(v->gain.value, 0.5);
    v->start(60, 0.0, 0, 100, 0);
    v->setParameter(P_GAIN, 0.9f);
    // Applied at the next control tick, then four ticks to arrive.
    std::vector<double> seen;
    for (int t = 0; t < 6; ++t) {
        period();
        seen.push_back(v->gain.value);
    }
    EXPECT_NEAR(seen[0], 0.6, 1e-7);
    EXPECT_NEAR(seen[2], 0.8, 1e-7);
    EXPECT_NEAR(seen[3], 0.9, 1e-7);
    EXPECT_EQ(seen[5], 0.9f);
}

TEST_F(Voice, SlotAmountHalfAddsExactlyNothing) {
    param(P_FILTER_CUTOFF, 0.6f);
    v->start(60, 0.0, 0, 127, 0);
    period();
    const double alone = v->filter.cutoff.get();
    param(P_ASSIGN1_SRC, choice_to_value(0, 8));  // velocity, here 1
    param(P_ASSIGN1_DEST, choice_to_value(P_FILTER_CUTOFF, 128));
    param(P_ASSIGN1_AMOUNT, 0.5f);
    period();
    EXPECT_EQ(v->filter.cutoff.get(), alone);
}

TEST_F(Voice, TwoSlotsSumAndClip) {
    param(P_FILTER_CUTOFF, 0.6f);
    for (int slot : {0, 1}) {
        param(P_ASSIGN1_SRC + 3 * slot, choice_to_value(3, 8));  // LFO1
        param(P_ASSIGN1_DEST + 3 * slot, choice_to_value(P_FILTER_CUTOFF, 128));
        param(P_ASSIGN1_AMOUNT + 3 * slot, 1.0f);               // +100 %
    }
    v->start(60, 0.0, 0, 100, 0);
    // LFO1 at +1: 0.6 + 1 + 1 clips to 1.
    v->lfo_out[0].set(1.0);
    v->lfos[0].output = nullptr;  // hold the source still
    period();
    EXPECT_EQ(v->filter.cutoff.get(), 1.0);
    // At -1: 0.6 - 2 clips to 0.
    v->lfo_out[0].set(0.0);
    period();
    EXPECT_EQ(v->filter.cutoff.get(), 0.0);
    // The modulation is gone once the slots are.
    param(P_ASSIGN1_AMOUNT, 0.5f);
    param(P_ASSIGN2_AMOUNT, 0.5f);
    for (int t = 0; t < 6; ++t) period();
    EXPECT_NEAR(v->filter.cutoff.get(), 0.6, 1e-7);
}

TEST_F(Voice, SourcesAndDestinations) {
    v->start(30, 0.0, 0, 64, 0);
    EXPECT_EQ(v->source(2)->get(), -0.5);  // "Note" 30 reads -0.5
    EXPECT_NEAR(v->source(0)->get(), 64.0 / 127.0, 1e-15);
    v->start(100, 0.0, 0, 64, 0);
    EXPECT_EQ(v->source(2)->get(), 0.5);
    // A destination outside the voice's parameters keeps the previous one.
    param(P_ASSIGN3_DEST, choice_to_value(P_GAIN, 128));
    EXPECT_EQ(v->matrix[2].destination, &v->gain);
    param(P_ASSIGN3_DEST, choice_to_value(P_LEGATO, 128));
    EXPECT_EQ(v->matrix[2].destination, &v->gain);
    param(P_ASSIGN3_DEST, 1.0f);  // the last entry, 127: no parameter
    EXPECT_EQ(v->matrix[2].destination, &v->gain);
    // Source value 1.0 is the last of the menu, "Amp EG".
    param(P_ASSIGN3_SRC, 1.0f);
    EXPECT_EQ(v->matrix[2].source, &v->amp_eg_out);
    // The amplitude envelope is a source too, read at control ticks.
    param(P_ASSIGN4_SRC, choice_to_value(7, 8));
    EXPECT_EQ(v->matrix[3].source, &v->amp_eg_out);
}

TEST_F(Voice, ReleaseEndsAndFreesAtAControlTick) {
    param(P_OSC1_WAVE, choice_to_value(5, 6));
    param(P_EG_SUSTAIN, 1.0f);
    v->start(60, 0.0, 0, 100, 0);
    for (int i = 0; i < 1000; ++i) v->tick(0.0);  // counter now 1000 % 32 = 8
    v->release();
    EXPECT_TRUE(v->releasing);
    // Release time 0: 111 steps; the end test at the next control tick after that.
    int freed_after = 0;
    for (int i = 1; i < 400 && v->active; ++i) {
        v->tick(0.0);
        freed_after = i;
    }
    EXPECT_FALSE(v->active);
    EXPECT_FALSE(v->releasing);
    EXPECT_EQ((1000 + freed_after - 1) % 32, 0);  // freed on a counter-0 sample
    EXPECT_GE(freed_after, 111);
    EXPECT_LT(freed_after, 111 + 32);
}

}  // namespace
