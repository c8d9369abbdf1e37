// MIDI intake and voice allocation, driven as a host drives the plug-in.
#include <gtest/gtest.h>

#include "kaveos_fixture.h"

namespace {

struct Playing : ::testing::Test {
    test::instrument in;
    Kaveos& fx = *in.fx;
    Playing() {
        test::plain_patch(in, 5);  // "Sin"
        in.set(P_EG_RELEASE, 0.5f);  // half a second: releasing voices stay a while
    }
    const voice& v(int i) { return fx.pool_voice(i); }
    int releasing() {
        int n = 0;
        for (int i = 0; i < Kaveos::MAX_VOICES; ++i) n += v(i).active && v(i).releasing;
        return n;
    }
};

TEST_F(Playing, VelocityZeroIsNoteOff) {
    in.note_on(60);
    in.render(64);
    in.note_on(60, 0);
    in.render(64);
    EXPECT_TRUE(v(0).releasing);
    EXPECT_EQ(in.active_voices(), 1);
}

TEST_F(Playing, TwoNoteOnsOneNoteOff) {
    in.note_on(60);
    in.note_on(60);
    in.render(64);
    EXPECT_EQ(in.active_voices(), 2);
    in.note_off(60);
    in.render(64);
    EXPECT_EQ(releasing(), 2);
    // The channel is ignored: a note-off on channel 5 ends a note from channel 1.
    in.note_on(62);
    in.render(64);
    in.send({{0x84, 62, 0}});
    in.render(64);
    EXPECT_EQ(releasing(), 3);
}

TEST_F(Playing, ThePoolHoldsThirtyTwo) {
    for (int n = 0; n < 32; ++n) in.note_on(30 + n);
    in.render(64);
    EXPECT_EQ(in.active_voices(), 32);
    in.note_on(100);  // dropped
    in.render(64);
    for (int i = 0; i < 32; ++i) EXPECT_NE(v(i).note, 100);
    // With one voice releasing, the 33rd note takes it.
    in.note_off(40);
    in.render(64);
    in.note_on(101);
    in.render(64);
    EXPECT_EQ(v(10).note, 101);
    EXPECT_FALSE(v(10).releasing);
    EXPECT_EQ(in.active_voices(), 32);
}

TEST_F(Playing, LegatoGlidesWithoutRetrigger) {
    in.choose(P_LEGATO, 1, 2);
    in.set(P_PORTA_SPEED, 0.0f);  // 2.5 ms: trunc(0.0025 · 44100) = 110 samples
    in.note_on(60);
    in.render(2048);
    ASSERT_EQ(v(0).amp.stage, eg::sustain_stage);
    in.note_on(72);
    in.render(32);
    EXPECT_EQ(in.active_voices(), 1);
    EXPECT_EQ(v(0).note, 72);
    EXPECT_EQ(v(0).amp.stage, eg::sustain_stage);  // no new attack
    EXPECT_NEAR(v(0).osc1.glide_step, 12.0 / 6.875, 1e-12);
    in.render(512);
    EXPECT_EQ(v(0).osc1.cur_pitch, 72.0);
    // The first key's note-off no longer matches; the second key's does.
    in.note_off(60);
    in.render(32);
    EXPECT_FALSE(v(0).releasing);
    in.note_off(72);
    in.render(32);
    EXPECT_TRUE(v(0).releasing);
    // With nothing held a note starts a voice normally.
    in.note_on(64);
    in.render(32);
    EXPECT_EQ(in.active_voices(), 2);
    EXPECT_EQ(v(1).note, 64);
    EXPECT_EQ(v(1).osc1.cur_pitch, 64.0);
}

TEST_F(Playing, LegatoMovesThePlayedVoiceWithItsChildren) {
    in.choose(P_LEGATO, 1, 2);
    in.choose(P_UNISON_VOICES, 2, 6);
    in.set(P_UNISON_DETUNE, 1.0f);
    in.note_on(60);
    in.render(256);
    ASSERT_EQ(in.active_voices(), 3);
    in.note_on(65);
    in.render(1024);
    EXPECT_EQ(in.active_voices(), 3);  // no new voices, no child gliding on its own
    EXPECT_EQ(v(0).osc1.cur_pitch, 65.0);
    EXPECT_NEAR(v(1).osc1.cur_pitch, 65.0 + 0.64 / 3, 1e-6);
    EXPECT_NEAR(v(2).osc1.cur_pitch, 65.0 + 0.64 * 2 / 3, 1e-6);
}

TEST_F(Playing, UnisonTakesPoolVoices) {
    in.choose(P_UNISON_VOICES, 5, 6);  // six voices
    in.set(P_UNISON_DETUNE, 1.0f);
    in.note_on(60);
    in.render(64);
    EXPECT_EQ(in.active_voices(), 6);
    EXPECT_FALSE(v(0).is_child);
    for (int c = 1; c < 6; ++c) {
        EXPECT_TRUE(v(c).is_child);
        EXPECT_EQ(v(0).children[size_t(c - 1)], &v(c));
        // Children spread upward in equal steps, 0.64·D·q/count semitones.
        EXPECT_NEAR(v(c).detune, 0.64 * c / 6.0, 1e-6);
    }
    EXPECT_NEAR(v(0).unison_gain, std::sqrt(1.0 / 6), 1e-15);
    // With 3 voices free the note sounds with three, keeping the gain of six.
    in.controller(123, 0);
    in.render(64);
    in.choose(P_UNISON_VOICES, 0, 6);
    for (int n = 0; n < 29; ++n) in.note_on(20 + n);
    in.render(64);
    in.choose(P_UNISON_VOICES, 5, 6);
    in.note_on(90);
    in.render(64);
    EXPECT_EQ(in.active_voices(), 32);
    EXPECT_EQ(v(29).note, 90);
    EXPECT_NE(v(29).children[1], nullptr);
    EXPECT_EQ(v(29).children[2], nullptr);
    EXPECT_NEAR(v(29).unison_gain, std::sqrt(1.0 / 6), 1e-15);
    // Value 1.0 counts as six voices, not seven.
    in.controller(123, 0);
    in.set(P_UNISON_VOICES, 1.0f);
    in.note_on(60);
    in.render(64);
    EXPECT_EQ(in.active_voices(), 6);
}

TEST_F(Playing, UnisonChildrenAreNotStolenAndEndWithParents) {
    in.choose(P_UNISON_VOICES, 1, 6);  // two voices per note
    for (int n = 0; n < 16; ++n) in.note_on(40 + n);
    in.render(64);
    ASSERT_EQ(in.active_voices(), 32);
    in.note_off(40);  // parent in voice 0, child in voice 1: both releasing
    in.render(64);
    ASSERT_TRUE(v(1).releasing && v(1).is_child);
    in.choose(P_UNISON_VOICES, 0, 6);
    in.note_on(90);
    in.render(64);
    // The releasing parent is taken, not its child; the old child ends with it.
    EXPECT_EQ(v(0).note, 90);
    EXPECT_FALSE(v(1).active);
    // Everything ends: no voice is left active without a parent that renders it.
    in.note_on(91);
    in.render(64);
    EXPECT_EQ(v(1).note, 91);
    in.controller(123, 0);
    in.render(64);
    EXPECT_EQ(in.active_voices(), 0);
}

TEST_F(Playing, AllNotesOffIsImmediate) {
    for (int n = 0; n < 5; ++n) in.note_on(60 + n);
    in.render(512);
    in.controller(123, 0);
    auto b = in.render(512);
    EXPECT_EQ(in.active_voices(), 0);
    for (float x : b.left) ASSERT_EQ(x, 0.0f);  // no release tail
    in.note_on(60);
    in.render(64);
    in.controller(126, 0);  // mono on: the same
    in.render(64);
    EXPECT_EQ(in.active_voices(), 0);
}

TEST_F(Playing, ControllersBendAndModWheel) {
    in.note_on(60);
    in.render(64);
    in.bend(8192);
    in.render(1);
    EXPECT_EQ(v(0).bend.target, 0.5);
    in.bend(16383);
    in.render(1);
    EXPECT_EQ(v(31).bend.target, 16383.0 / 16384.0);  // every pool voice, sounding or not
    in.controller(1, 127);
    in.render(1);
    EXPECT_EQ(v(5).mod_wheel.target, 1.0);
    // The wheel never reaches the assignment map or the "last controller" display.
    EXPECT_EQ(fx.last_controller(), -1);
    in.host.automation.clear();
    in.controller(74, 64);
    in.render(1);
    EXPECT_EQ(fx.last_controller(), 74);
    // Without a preferences file the built-in table assigns 74 to the filter cutoff.
    ASSERT_EQ(in.host.automation.size(), 1u);
    EXPECT_EQ(in.host.automation[0], (std::pair<int, float>(P_FILTER_CUTOFF, 64.0f / 127.0f)));
    EXPECT_EQ(fx.getParameter(P_FILTER_CUTOFF), 64.0f / 127.0f);
    in.host.automation.clear();
    in.controller(100, 64);  // unassigned
    in.render(1);
    EXPECT_EQ(fx.last_controller(), 100);
    EXPECT_TRUE(in.host.automation.empty());
    // Program changes, aftertouch and system messages do nothing.
    in.send({{0xC0, 5, 0}, {0xD0, 100, 0}, {0xF8, 0, 0}});
    in.render(64);
    EXPECT_EQ(fx.getProgram(), 0);
    EXPECT_EQ(in.active_voices(), 1);
}

TEST_F(Playing, OffsetsOutsideTheBlockAreClamped) {
    in.note_on(60, 100, 100000);
    in.note_on(62, 100, -50);
    in.render(256);
    EXPECT_EQ(v(0).start_delay, 0);
    EXPECT_EQ(v(1).start_delay, 0);
    EXPECT_EQ(in.active_voices(), 2);
}

}  // namespace
