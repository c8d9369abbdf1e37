// Voices rendered side by side in lanes sound exactly as voices rendered one at a time:
// factory programs on their own filters and on the ladder, the benchmark's workload (32
// held notes; 5 notes of 6 unison voices), notes starting off the control grid (so the
// lanes of a group tick at different samples), note-offs that end notes with their DC
// tails, steals, and a filter type changed while notes sound.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "embedded_bank.h"
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

double max_difference(const setup_fn& setup, int held, double& peak) {
    const test::instrument::block a = play(true, setup, held), b = play(false, setup, held);
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

TEST(VoiceLanes, SoundAsVoicesPlayedOneAtATime) {
    std::vector<std::pair<setup_fn, int>> cases = {
        {[](test::instrument& in) { workload(in, 1); }, 32},
        {[](test::instrument& in) { workload(in, 6); }, 5},
    };
    bank b;
    ASSERT_TRUE(b.load(test::embedded_bank_file()));
    for (int i : {0, 17, 42, 66, 90, 110}) {
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
    for (size_t c = 0; c < cases.size(); ++c) {
        double peak = 0.0;
        const double d = max_difference(cases[c].first, cases[c].second, peak);
        EXPECT_LE(d, 1e-6) << "case " << c;
        EXPECT_GT(peak, 1e-3) << "case " << c << " is silent";
    }
}

}  // namespace
