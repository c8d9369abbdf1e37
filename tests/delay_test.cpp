// The delay: echo times to the sample in both types, feedback, tempo sync, its filters,
// and the delay as the plug-in plays it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "engine/delay.h"
#include "kaveos_fixture.h"
#include "signal_measure.h"

namespace {

struct Delay : ::testing::Test {
    delay d;
    delay::settings s;
    Delay() {
        d.create_lines();
        d.set_sample_rate(44100.0);
        s.wet = 1.0f;  // 0 dB
        s.length = 0.1f;  // 0.8·0.1 + 0.02 = 0.1 s: 4410 samples
    }
    // An impulse of 1 on the left (and `right` on the right) at sample 0, run for n.
    std::pair<std::vector<double>, std::vector<double>> impulse(int n, double right = 0.0) {
        d.update(s);
        std::vector<double> l(size_t(n), 0.0), r(size_t(n), 0.0);
        l[0] = 1.0;
        r[0] = right;
        for (int from = 0; from < n; from += 512) {
            int count = std::min(512, n - from);
            d.run(l.data() + from, r.data() + from, count, 120);
        }
        return {l, r};
    }
    static std::vector<int> peaks(const std::vector<double>& x) {
        std::vector<int> at;
        for (size_t i = 1; i < x.size(); ++i)
            if (std::fabs(x[i]) > 1e-9) at.push_back(int(i));
        return at;
    }
};

TEST_F(Delay, StereoEchoesAfterItsLength) {
    auto [l, r] = impulse(20000);
    EXPECT_EQ(peaks(l), std::vector<int>({4410, 8820, 13230}));  // then below 1e-9
    EXPECT_EQ(l[4410], 1.0);
    // Feedback value 0 is -66 dB, small but not nothing: each echo is 2^-11 of the last.
    EXPECT_EQ(l[8820], std::exp2(-11.0));
    EXPECT_EQ(l[13230], std::exp2(-22.0));
    EXPECT_TRUE(peaks(r).empty());
}

TEST_F(Delay, FullFeedbackRepeatsWithoutDecay) {
    s.feedback = 1.0f;
    auto [l, r] = impulse(4410 * 5 + 1);
    EXPECT_EQ(peaks(l), std::vector<int>({4410, 8820, 13230, 17640, 22050}));
    for (int k = 1; k <= 5; ++k) EXPECT_EQ(l[size_t(4410 * k)], 1.0);
}

TEST_F(Delay, CrossFeedsTheOtherSideWithADoubleLine) {
    s.cross = true;
    s.length = 0.3f;  // 0.26 s: 11466 samples, the right line twice that
    s.feedback = 1.0f;
    auto [l, r] = impulse(11466 * 4 + 1);
    // A left-only input returns first on the left, then on the right through the cross feed.
    EXPECT_EQ(peaks(l).front(), 11466);
    EXPECT_EQ(peaks(r).front(), 11466 * 3);
}

TEST_F(Delay, TempoSyncAndLimits) {
    s.sync = true;
    s.length = 0.9f;  // trunc(8·0.9) = 7: a quarter note... of a whole note: 1/4
    d.update(s);
    EXPECT_EQ(d.left_length(120), 22050);  // 240/120 · 1/4 = 0.5 s
    EXPECT_EQ(d.left_length(60), 44100);
    s.length = 0.0f;
    d.update(s);
    EXPECT_EQ(d.left_length(120), int(2.0 / 32 * 44100));
    s.sync = false;
    s.length = 1.0f;  // 820 ms
    d.update(s);
    EXPECT_EQ(d.left_length(120), int(0.82 * 44100));
    // Lengths beyond the 192,000-sample lines are limited to them.
    d.set_sample_rate(400000.0);
    EXPECT_EQ(d.left_length(120), delay::line_length);
    s.sync = true;
    s.cross = true;
    s.length = 0.95f;
    d.update(s);
    EXPECT_EQ(d.left_length(72), delay::line_length);
    std::vector<double> l(4096, 0.5), r(4096, 0.5);
    for (int k = 0; k < 100; ++k) d.run(l.data(), r.data(), 4096, 72);
    for (double x : l) ASSERT_TRUE(std::isfinite(x));
}

TEST_F(Delay, FiltersInTheFeedbackPath) {
    s.cutoff = 0.3f;
    s.filter = delay::no_filter;
    s.filter_generation = 1;
    auto [plain, r0] = impulse(5000);
    EXPECT_EQ(plain[4410], 1.0);  // "None" ignores the cutoff
    // Low-pass: the echo is the filter's impulse response, which passes DC.
    delay lp;
    lp.create_lines();
    lp.set_sample_rate(44100.0);
    s.filter = delay::low_pass;
    s.filter_generation = 2;
    d = delay();
    d.create_lines();
    d.set_sample_rate(44100.0);
    auto [l, r] = impulse(12000);
    double sum = 0;
    for (size_t i = 4410; i < l.size(); ++i) sum += l[i];
    EXPECT_NEAR(sum, 1.0, 1e-3);
    EXPECT_LT(l[4410], 0.2);
    // High-pass: nothing at DC.
    s.filter = delay::high_pass;
    s.filter_generation = 3;
    d = delay();
    d.create_lines();
    d.set_sample_rate(44100.0);
    auto [h, hr] = impulse(12000);
    sum = 0;
    for (size_t i = 4410; i < h.size(); ++i) sum += h[i];
    EXPECT_NEAR(sum, 0.0, 1e-3);
    // A new sample rate moves the filters with it: the corner stays at its frequency.
    const double w44 = d.filter_l.w0;
    d.set_sample_rate(96000.0);
    EXPECT_NEAR(d.filter_l.w0, w44 * 44100.0 / 96000.0, 1e-12);
    EXPECT_EQ(d.filter_r.w0, d.filter_l.w0);
}

int first_nonzero_after(const std::vector<float>& x, size_t from) {
    for (size_t i = from; i < x.size(); ++i)
        if (x[i] != 0.0f) return int(i);
    return -1;
}

TEST(DelayInPlugin, EchoOfANoteAndSwitchingOff) {
    test::instrument in;
    test::plain_patch(in, 5);
    in.choose(P_DELAY_ON, 1, 2);
    in.set(P_DELAY_WET, 1.0f);
    in.set(P_DELAY_LENGTH, 0.1f);  // 4410 samples
    in.note_on(69);
    test::instrument::block out = in.render(512);
    in.note_off(69);
    in.render_into(out, 8192);
    // The dry note ends (release, then the voice frees); its echo follows 4410 samples
    // after it, sample for sample.
    for (size_t i = 1000; i < 4410; ++i) ASSERT_EQ(out.left[i], 0.0f) << i;
    for (size_t i = 0; i < 1000; ++i) ASSERT_EQ(out.left[4410 + i], out.left[i]) << i;
    // Off silences the lines at once: on again, no old echo comes back.
    in.note_on(69);
    in.render(512);
    in.note_off(69);
    in.render(1000);
    in.choose(P_DELAY_ON, 0, 2);
    in.render(64);
    in.choose(P_DELAY_ON, 1, 2);
    auto after = in.render(8000);
    for (size_t i = 0; i < after.left.size(); ++i) ASSERT_EQ(after.left[i], 0.0f) << i;
}

TEST(DelayInPlugin, FollowsTheHostTempo) {
    test::instrument in;
    test::plain_patch(in, 5);
    in.choose(P_DELAY_ON, 1, 2);
    in.choose(P_DELAY_SYNC, 1, 2);
    in.set(P_DELAY_LENGTH, 0.9f);  // a quarter note... 1/4 of a whole note
    in.set(P_DELAY_WET, 1.0f);
    in.host.time.tempo = 120.0;  // "Sync tempo to" is "Host" in a fresh program
    in.note_on(69);
    auto out = in.render(256);
    in.note_off(69);
    in.render_into(out, 30000);
    EXPECT_EQ(first_nonzero_after(out.left, 2000), 22050 + first_nonzero_after(out.left, 0));
}

}  // namespace

TEST(DelayInPlugin, EchoesOutliveAPasteAndABankChunkThatSelectsNothing) {
    test::instrument in;
    test::plain_patch(in, 5);
    in.choose(P_DELAY_ON, 1, 2);
    in.set(P_DELAY_WET, 1.0f);
    in.set(P_DELAY_LENGTH, 0.1f);  // 4410 samples
    in.fx->copy_current_program();
    void* data = nullptr;
    const VstInt32 size = in.fx->getChunk(&data, false);
    std::vector<unsigned char> stray(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);
    uint32_t path_bytes = 0;
    std::memcpy(&path_bytes, stray.data(), 4);
    const int32_t outside = 200;
    std::memcpy(stray.data() + 4 + path_bytes, &outside, 4);  // the program index

    auto echo_after = [&](auto replace) {
        in.note_on(69);
        in.render(512);
        replace();  // the note is cut or goes on; its echo is in the lines either way
        in.note_off(69);
        test::instrument::block out = in.render(6000);
        // The echo of the note's first 512 samples, 4410 samples after its start.
        double echo = 0.0;
        for (size_t i = 4410 - 512; i < 4410; ++i) echo = std::max(echo, double(std::fabs(out.left[i])));
        in.render(8000);  // the echo has passed
        return echo;
    };
    EXPECT_GT(echo_after([&] { in.fx->paste_current_program(); }), 0.1);
    EXPECT_GT(echo_after([&] {
        EXPECT_EQ(in.fx->setChunk(stray.data(), VstInt32(stray.size()), false), 1);
        EXPECT_EQ(in.active_voices(), 0);  // the notes are cut
    }), 0.1);
    // A program switch silences the lines.
    EXPECT_EQ(echo_after([&] { in.fx->setProgram(0); in.fx->paste_current_program(); }), 0.0);
}
