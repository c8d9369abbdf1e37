// The render call as a host sees it: timing to the sample, replacing versus adding,
// growing blocks, program switches, and measured pitch and level of rendered notes.
#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "kaveos_fixture.h"
#include "sample_fixture.h"
#include "signal_measure.h"

namespace {

using measure::to_double;

struct Render : ::testing::Test {
    test::instrument in;
    Kaveos& fx = *in.fx;
    Render() { test::plain_patch(in, 5); }
};

TEST_F(Render, DeltaFramesDelayTheNoteToTheSample) {
    in.note_on(69, 100, 0);
    auto a = in.render(2048);
    in.controller(123, 0);
    in.render(512);
    // The same note ten samples into its block: the same sound, ten samples later.
    test::instrument late;
    test::plain_patch(late, 5);
    late.note_on(69, 100, 10);
    auto b = late.render(2048);
    for (int i = 0; i < 10; ++i) ASSERT_EQ(b.left[size_t(i)], 0.0f) << i;
    for (size_t i = 10; i < 2048; ++i) ASSERT_EQ(b.left[i], a.left[i - 10]) << i;
    // An offset beyond the first block carries into the next one.
    test::instrument later;
    test::plain_patch(later, 5);
    later.note_on(69, 100, 700);
    auto c = later.render(2048, 1024);
    for (size_t i = 700; i < 2048; ++i) ASSERT_EQ(c.left[i], a.left[i - 700]) << i;
}

TEST(RenderEvents, NoteOffsTakeEffectAtTheirOwnSample) {
    // A short note inside one block: on at 100, off at 400. It sounds, and its release
    // starts at sample 400 exactly, as when the host's blocks meet there.
    test::instrument one;
    test::plain_patch(one, 5);
    one.set(P_EG_RELEASE, 0.1f);
    one.send({{0x90, 69, 100}}, 100);
    one.send({{0x80, 69, 0}}, 400);
    auto a = one.render(512, 512);
    one.render_into(a, 4096, 512);

    test::instrument split;
    test::plain_patch(split, 5);
    split.set(P_EG_RELEASE, 0.1f);
    split.send({{0x90, 69, 100}}, 100);
    auto b = split.render(400, 400);
    split.note_off(69);
    split.render_into(b, 512 + 4096 - 400, 512);
    ASSERT_EQ(a.left, b.left);
    EXPECT_GT(measure::peak(to_double(a.left), 100, 400), 0.2);
    // A voice whose note-off is still ahead in the block counts as releasing already: a
    // full pool lets the next note take it.
    test::instrument full;
    test::plain_patch(full, 5);
    for (int n = 0; n < 32; ++n) full.note_on(30 + n);
    full.render(64);
    full.send({{0x80, 35, 0}}, 10);
    full.send({{0x90, 100, 90}}, 20);
    full.render(64);
    EXPECT_EQ(full.fx->pool_voice(5).note, 100);
}

TEST_F(Render, ProcessAddsAndProcessReplacingOverwrites) {
    in.note_on(69);
    std::vector<float> l(256, 0.25f), r(256, 0.25f);
    float* outs[2] = {l.data(), r.data()};
    in.effect()->processReplacing(in.effect(), nullptr, outs, 256);
    std::vector<float> replaced = l;
    // The same block again through a twin, added on top of what the buffer holds.
    test::instrument twin;
    test::plain_patch(twin, 5);
    twin.note_on(69);
    std::vector<float> l2(256, 0.25f), r2(256, 0.25f);
    float* outs2[2] = {l2.data(), r2.data()};
    twin.effect()->process(twin.effect(), nullptr, outs2, 256);
    for (size_t i = 0; i < 256; ++i) EXPECT_EQ(l2[i], 0.25f + replaced[i]) << i;
    // Called twice on the same buffers, process adds the plug-in's output twice.
    std::vector<float> l3(256, 0.0f), r3(256, 0.0f);
    float* outs3[2] = {l3.data(), r3.data()};
    in.effect()->process(in.effect(), nullptr, outs3, 256);
    std::vector<float> once = l3;
    in.effect()->process(in.effect(), nullptr, outs3, 256);
    double energy = 0;
    for (size_t i = 0; i < 256; ++i) energy += std::fabs(l3[i] - once[i]);
    EXPECT_GT(energy, 1.0);
}

TEST_F(Render, LongerBlocksGrowTheScratchBuffers) {
    EXPECT_EQ(fx.scratch_length(), size_t(Kaveos::initial_scratch));
    in.note_on(69);
    in.render(512, 512);
    EXPECT_EQ(fx.scratch_length(), size_t(Kaveos::initial_scratch));
    auto big = in.render(30000, 30000);
    EXPECT_EQ(fx.scratch_length(), size_t(30000));
    EXPECT_NEAR(measure::zero_crossing_hz(to_double(big.left), 44100.0), 440.0, 0.05);
}

TEST_F(Render, ABlockDuringAProgramSwitchIsSilent) {
    in.note_on(69);
    in.render(512);
    // The user-interface thread holds the engine (as a program switch does) until told.
    std::atomic<int> stage{0};
    std::thread ui([&] {
        auto lock = fx.lock_engine();
        stage = 1;
        while (stage != 2) std::this_thread::yield();
    });
    while (stage != 1) std::this_thread::yield();
    // The render call does not wait for it: the block is silent and the voice stands still.
    const double pitch_before = fx.pool_voice(0).osc1.cur_pitch;
    const int index_before = fx.pool_voice(0).osc1.table_index;
    in.note_on(72, 100, 100);  // arrives during the switch: plays when the engine is back
    auto held = in.render(512);
    for (float x : held.left) ASSERT_EQ(x, 0.0f);
    EXPECT_EQ(fx.pool_voice(0).osc1.table_index, index_before);
    EXPECT_EQ(fx.pool_voice(0).osc1.cur_pitch, pitch_before);
    stage = 2;
    ui.join();
    auto after = in.render(512);
    EXPECT_GT(measure::peak(to_double(after.left), 0, 512), 0.1);
    EXPECT_EQ(in.active_voices(), 2);
    // Its offset belonged to a block that passed: it starts at once.
    EXPECT_EQ(fx.pool_voice(1).note, 72);
    EXPECT_EQ(fx.pool_voice(1).counter, 0);  // 512 samples since its start, not 412
    // A switch cuts every note; a refused index still cuts.
    fx.setProgram(3);
    EXPECT_EQ(in.active_voices(), 0);
    in.note_on(60);
    in.render(64);
    fx.setProgram(128);
    EXPECT_EQ(in.active_voices(), 0);
    EXPECT_EQ(fx.getProgram(), 3);
}

TEST_F(Render, BuiltInPitchAndLevel) {
    // "Sin" at key 69: 440 Hz; table amplitude 0.5, every gain at 0 dB, centre pan.
    in.note_on(69, 127);
    auto b = in.render(44100);
    auto l = to_double(b.left), r = to_double(b.right);
    EXPECT_NEAR(measure::zero_crossing_hz(l, 44100.0, 1000), 440.0, 0.05);
    EXPECT_NEAR(measure::amplitude_at(l, 440.0, 44100.0, 4410, 44100), 0.5 * std::sqrt(0.5), 0.002);
    EXPECT_EQ(b.left, b.right);
    // Gain +12 dB doubles twice; hard left pan puts everything on the left.
    in.controller(123, 0);
    in.set(P_GAIN, 1.0f);
    in.set(P_PAN, 0.0f);
    in.note_on(81, 127);
    b = in.render(44100);
    l = to_double(b.left);
    r = to_double(b.right);
    EXPECT_NEAR(measure::zero_crossing_hz(l, 44100.0, 1000), 880.0, 0.1);
    EXPECT_NEAR(measure::amplitude_at(l, 880.0, 44100.0, 4410, 44100), 2.0, 0.01);
    EXPECT_LT(measure::peak(r, 0, r.size()), 1e-6);
}

TEST_F(Render, RecordedSamplePitchAndLevel) {
    wavetable sets;
    sets.waves[0] = test::one_sample_set(test::sine_sample(441.0, 2.0, 44100, 0.5));
    fx.set_wavetable(sets);
    in.choose(P_OSC1_WAVE, 0, 6);  // "UserA"
    in.note_on(69, 127);
    auto b = in.render(44100);
    auto l = to_double(b.left);
    EXPECT_NEAR(measure::zero_crossing_hz(l, 44100.0, 4000), 440.0, 0.5);
    EXPECT_NEAR(measure::amplitude_at(l, 440.0, 44100.0, 4410, 44100), 0.5 * std::sqrt(0.5), 0.02);
    // Three semitones up: the key's pitch again, from the same recording.
    in.controller(123, 0);
    in.note_on(72, 127);
    b = in.render(44100);
    EXPECT_NEAR(measure::zero_crossing_hz(to_double(b.left), 44100.0, 4000), 523.25, 0.6);
}

TEST(RenderBlocks, TheSoundDoesNotDependOnTheBlockSize) {
    // Events at block starts that all sizes share; everything else is the engine's own
    // business and must come out sample for sample the same.
    std::vector<float> reference;
    for (int block : {64, 128, 320, 640, 6400}) {
        test::instrument in;
        test::plain_patch(in, 2);  // "Saw"
        in.choose(P_FILTER_TYPE, 2, 7);  // "LP24"
        in.set(P_FILTER_CUTOFF, 0.4f);
        in.set(P_FILTER_ENV, 0.9f);
        in.set(P_FEG_DECAY, 0.3f);
        in.set(P_EG_RELEASE, 0.2f);
        in.choose(P_UNISON_VOICES, 2, 6);
        in.set(P_UNISON_DETUNE, 0.5f);
        in.set(P_LFO1_FREQ, 0.6f);
        in.choose(P_ASSIGN1_SRC, 3, 8);
        in.choose(P_ASSIGN1_DEST, P_OSC_BALANCE, 128);
        in.set(P_ASSIGN1_AMOUNT, 0.8f);
        in.choose(P_DELAY_ON, 1, 2);
        in.set(P_DELAY_WET, 0.8f);
        in.set(P_DELAY_FEEDBACK, 0.8f);
        in.note_on(48, 90, 17);
        in.note_on(55, 70, 40);
        auto out = in.render(6400, block);
        in.note_off(48);
        in.note_off(55);
        in.render_into(out, 12800, block);
        if (reference.empty())
            reference = out.left;
        else
            ASSERT_EQ(out.left, reference) << "block " << block;
    }
}

TEST_F(Render, ReleaseFreesAtTheNextControlTick) {
    in.note_on(69);
    in.render(1000, 1000);  // the voice's counter: 1000 % 32 = 8
    in.note_off(69);
    int samples = 0;
    while (in.active_voices() > 0 && samples < 1000) {
        in.render(1, 1);
        ++samples;
    }
    // Release time 0 is 111 steps; the voice frees on the first counter-0 sample after.
    EXPECT_EQ((1000 + samples - 1) % 32, 0);
    EXPECT_GE(samples, 111);
    EXPECT_LT(samples, 111 + 32);
    // A free voice renders nothing at all once its DC blocker's tail has faded (3 ms).
    auto b = in.render(256);
    for (size_t i = 133; i < b.left.size(); ++i) ASSERT_EQ(b.left[i], 0.0f) << i;
}

TEST_F(Render, FreeVoicesKeepTheirLfosRunning) {
    const int before = fx.pool_voice(7).lfos[0].index;
    in.set(P_LFO1_FREQ, 1.0f);
    in.render(32 * 100, 512);
    EXPECT_NE(fx.pool_voice(7).lfos[0].index, before);
    EXPECT_EQ(fx.pool_voice(7).lfos[0].rate_param.value, 1.0);  // applied while free
}

TEST_F(Render, SampleRateReachesTheVoices) {
    in.dispatch(effSetSampleRate, 0, 0, nullptr, 96000.0f);
    EXPECT_EQ(fx.sample_rate(), 96000.0);
    EXPECT_EQ(fx.pool_voice(31).osc1.rate, 96000.0);
    in.note_on(69);
    auto b = in.render(96000);
    EXPECT_NEAR(measure::zero_crossing_hz(to_double(b.left), 96000.0, 1000), 440.0, 0.05);
    // Nonsense rates are ignored.
    in.dispatch(effSetSampleRate, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(fx.sample_rate(), 96000.0);
}

}  // namespace
