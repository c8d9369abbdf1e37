// Voices rendered side by side in lanes sound as voices rendered one at a time, within
// 1e-6 (only the sum of the lanes is associated differently): factory programs on their own
// filters and on the ladder, the benchmark's workload (32 held notes; 5 notes of 6 unison
// voices), notes starting off the control grid (so the lanes of a group tick at different
// samples), note-offs that end notes with their DC tails, steals, and a filter type changed
// while notes sound. The render's other shortcuts sound as the plain way too: oscillators
// played ahead of the control ticks, and LFOs that no slot reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "embedded_bank.h"
#include "engine/lanes.h"
#include "kaveos_fixture.h"
#include "sound/bank.h"

namespace {

using setup_fn = std::function<void(test::instrument&)>;

void workload(test::instrument& in, int unison) {
    in.choose(P_OSC1_WAVE, 2, 6);
    in.choose(P_OSC2_WAVE, 3, 6);
    in.set(P_OSC_BALANCE, 0.5f);
    in.set(P_GAIN, 0.5f);
    in.choose(P_FILTER_TYPE, 5, 7);
    in.set(P_FILTER_CUTOFF, 0.4f);
    in.set(P_FILTER_RES, 0.5f);
    in.set(P_FILTER_ENV, 0.8f);
    in.set(P_FEG_DECAY, 0.6f);
    in.set(P_FEG_SUSTAIN, 0.3f);
    in.set(P_LFO1_FREQ, 0.4f);
    in.choose(P_ASSIGN1_SRC, 3, 8);
    in.choose(P_ASSIGN1_DEST, P_FILTER_CUTOFF, 128);
    in.set(P_ASSIGN1_AMOUNT, 0.7f);
    in.choose(P_UNISON_VOICES, unison - 1, 6);
    in.set(P_UNISON_DETUNE, 0.5f);
}

// Held notes, then notes at offsets off the 32-sample grid in blocks of odd sizes, their
// note-offs, and more notes than the pool holds.
test::instrument::block play(bool lanes, const setup_fn& setup, int held) {
    test::instrument in;
    in.fx->lanes = lanes;
    setup(in);
    for (int k = 0; k < held; ++k) in.note_on(40 + k, 100);
    test::instrument::block out = in.render(4096);
    for (int k = 0; k < held; ++k) in.note_off(40 + k, (k * 37) % 500);
    in.render_into(out, 2 * 44100, 300);
    for (int k = 0; k < 12; ++k) in.note_on(50 + k, 90, (k * 53) % 299);
    in.render_into(out, 3000, 299);
    // Each voice takes the new type at its own tick: for a while a group holds both.
    in.choose(P_FILTER_TYPE, 3, 7);
    in.render_into(out, 1000, 299);
    for (int k = 0; k < 12; k += 2) in.note_off(50 + k, (k * 29) % 200);
    in.render_into(out, 5000, 333);
    for (int k = 0; k < 40; ++k) in.note_on(30 + k, 70 + k, (k * 11) % 250);
    in.render_into(out, 6000, 257);
    for (int k = 0; k < 40; ++k) in.note_off(30 + k, (k * 7) % 250);
    in.render_into(out, 44100, 512);
    return out;
}

double max_difference(const test::instrument::block& a, const test::instrument::block& b,
                      double& peak) {
    double worst = 0.0;
    peak = 0.0;
    for (const auto& [x, y] : {std::pair{&a.left, &b.left}, std::pair{&a.right, &b.right}}) {
        if (x->size() != y->size()) return 1.0;
        for (size_t i = 0; i < x->size(); ++i) {
            worst = std::max(worst, std::fabs(double((*x)[i]) - double((*y)[i])));
            peak = std::max(peak, std::fabs(double((*y)[i])));
        }
    }
    return worst;
}

// Where the processor has AVX-512 the lanes run eight to a vector (and the oscillators eight
// samples at a time); four to a vector must sound the same to the bit.
TEST(VoiceLanes, SoundAsVoicesPlayedOneAtATime) {
    std::vector<std::pair<setup_fn, int>> cases = {
        {[](test::instrument& in) { workload(in, 1); }, 32},
        {[](test::instrument& in) { workload(in, 6); }, 5},
    };
    bank b;
    ASSERT_TRUE(b.load(test::embedded_bank_file()));
    for (int i : {0, 10, 17, 42, 66, 90, 110}) {
        for (bool ladder : {false, true}) {
            cases.push_back({[&b, i, ladder](test::instrument& in) {
                                 program p = b.get_program(i);
                                 p.waves.set_play_rate(in.fx->sample_rate());
                                 in.fx->set_wavetable(p.waves);
                                 for (int k = 0; k < NUM_PARAMS; ++k) in.set(k, p.params.value(k));
                                 if (ladder) in.choose(P_FILTER_TYPE, 5, 7);
                             },
                             6});
        }
    }
    const bool wide = lanes::wide;
    for (size_t c = 0; c < cases.size(); ++c) {
        const test::instrument::block in_lanes = play(true, cases[c].first, cases[c].second);
        double peak = 0.0;
        const double d = max_difference(in_lanes, play(false, cases[c].first, cases[c].second), peak);
        EXPECT_LE(d, 1e-6) << "case " << c;
        EXPECT_GT(peak, 1e-3) << "case " << c << " is silent";
        if (wide) {
            lanes::wide = false;
            const test::instrument::block narrow = play(true, cases[c].first, cases[c].second);
            lanes::wide = true;
            EXPECT_EQ(max_difference(in_lanes, narrow, peak), 0.0) << "case " << c;
        }
    }
}

// A factory program on recorded samples, with the mod wheel on OSC1's transpose.
void recorded_sound(test::instrument& in) {
    bank b;
    ASSERT_TRUE(b.load(test::embedded_bank_file()));
    program p = b.get_program(10);
    p.waves.set_play_rate(in.fx->sample_rate());
    in.fx->set_wavetable(p.waves);
    for (int k = 0; k < NUM_PARAMS; ++k) in.set(k, p.params.value(k));
    in.choose(P_ASSIGN2_SRC, 1, 8);
    in.choose(P_ASSIGN2_DEST, P_OSC1_XPOSE, 128);
    in.set(P_ASSIGN2_AMOUNT, 0.8f);
}

float max_difference(const test::instrument::block& a, const test::instrument::block& b) {
    float worst = a.left.size() == b.left.size() ? 0.0f : 1.0f;
    for (size_t i = 0; i < std::min(a.left.size(), b.left.size()); ++i)
        worst = std::max({worst, std::fabs(a.left[i] - b.left[i]), std::fabs(a.right[i] - b.right[i])});
    return worst;
}

// In blocks of 32 no oscillator plays past a control tick; in longer blocks a held one
// plays ahead, and what moves at a tick inside makes it play again from there: the mod
// wheel and pitch bend (their holders glide over the next ticks), then the loop, the speed
// and a built-in wave and back, each set between blocks.
TEST(VoiceLanes, OscillatorsPlayedAheadSoundAsPeriodByPeriod) {
    auto phrase = [](int block) {
        test::instrument in;
        recorded_sound(in);
        for (int k = 0; k < 6; ++k) in.note_on(48 + 5 * k, 100, k * 5);
        test::instrument::block out = in.render(3000, block);
        in.controller(1, 100);
        in.render_into(out, 3000, block);
        in.bend(12000);
        in.render_into(out, 3000, block);
        const std::pair<int, float> edits[] = {
            {P_OSC2_LOOP, 0.0f}, {P_OSC1_SPEED, 0.7f}, {P_OSC2_WAVE, choice_to_value(2, 6)},
            {P_OSC2_WAVE, choice_to_value(0, 6)}};
        for (auto [index, value] : edits) {
            in.set(index, value);
            in.render_into(out, 2500, block);
        }
        for (int k = 0; k < 6; ++k) in.note_off(48 + 5 * k, k * 3);
        in.render_into(out, 20000, block);
        return out;
    };
    const test::instrument::block reference = phrase(32);
    float peak = 0.0f;
    for (float x : reference.left) peak = std::max(peak, std::fabs(x));
    EXPECT_GT(peak, 1e-3f);
    for (int block : {512, 1000, 4096}) EXPECT_EQ(max_difference(phrase(block), reference), 0.0f) << block;
}

// LFO2 is on a slot to the gain that adds nothing from the start, then the amount is
// raised. Before that, in the other runs, the slot reads velocity for a few control ticks
// (blocks of 32 are a tick each) and LFO2 for no one: taken back, its holder catches up
// with the ticks it missed, exactly for one, within a rounding step for more.
TEST(VoiceLanes, AnLfoNoSlotReadSoundsAsOneReadAllAlong) {
    auto phrase = [](int ticks, bool unread) {
        test::instrument in;
        recorded_sound(in);
        in.set(P_LFO2_FREQ, 0.6f);
        in.choose(P_ASSIGN3_SRC, 4, 8);
        in.choose(P_ASSIGN3_DEST, P_GAIN, 128);
        in.set(P_ASSIGN3_AMOUNT, 0.5f);  // adds nothing
        for (int k = 0; k < 4; ++k) in.note_on(50 + 7 * k, 100, k * 7);
        test::instrument::block out = in.render(3008, 32);
        if (unread) in.choose(P_ASSIGN3_SRC, 0, 8);
        in.render_into(out, 32 * ticks, 32);
        in.choose(P_ASSIGN3_SRC, 4, 8);
        in.set(P_ASSIGN3_AMOUNT, 0.9f);
        in.render_into(out, 20000, 256);
        return out;
    };
    for (int ticks : {1, 2, 3, 40}) {
        const float d = max_difference(phrase(ticks, true), phrase(ticks, false));
        EXPECT_LE(d, ticks == 1 ? 0.0f : 1e-6f) << ticks;
    }
}

}  // namespace
