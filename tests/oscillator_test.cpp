// Oscillators measured: built-in tables by their spectra, recorded samples by pitch and
// duration, independently of each other.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "engine/oscillator.h"
#include "engine/sample_cursor.h"
#include "engine/wave_tables.h"
#include "sample_fixture.h"
#include "signal_measure.h"

namespace {

constexpr double rate = 44100.0;

// Renders up to n samples (fewer when the oscillator stops) with the voice's counter.
std::vector<double> run(oscillator& o, size_t n, double bend = 0.0) {
    std::vector<double> out;
    out.reserve(n);
    for (size_t i = 0; i < n && o.active; ++i) {
        o.begin_block();
        out.push_back(o.tick(int(i & 31), bend));
    }
    return out;
}

// How long an oscillator sounds before it stops, in samples (limit if it never does).
size_t duration(oscillator& o, size_t limit) {
    size_t i = 0;
    for (; i < limit && o.active; ++i) o.tick(int(i & 31), 0.0);
    return i;
}

struct Recorded : ::testing::Test {
    wavetable sets;
    oscillator osc;
    void use(const sample_data& s) {
        sets.waves[0] = test::one_sample_set(s);
        osc.link(&sets);
        osc.choose_wave(0.0);  // "UserA"
        osc.set_rate(rate);
    }
};

TEST(Builtin, SawAt440HasItsHarmonicsAndNothingElse) {
    oscillator o;
    o.set_rate(rate);
    o.choose_wave(2.5 / 6.0);  // "Saw"
    o.start(69.0);
    EXPECT_EQ(o.table.data, wave_table_set::shared().level(wave_table_set::saw, 5).data);
    const size_t n = 1 << 16;
    std::vector<double> x = run(o, n);
    std::vector<double> mag = measure::spectrum(x, n);
    const double bin_hz = rate / n;
    const double fundamental = *std::max_element(mag.begin() + int(400 / bin_hz), mag.begin() + int(480 / bin_hz));
    EXPECT_GT(fundamental, 0.3);
    // Harmonics 1..31 present at their tapered levels; between and above them (phase
    // truncation, aliasing) everything stays more than 60 dB down.
    double junk = 0.0;
    for (size_t k = 1; k < mag.size(); ++k) {
        const double f = double(k) * bin_hz;
        const double h = f / 440.0;
        const double near = std::fabs(h - std::round(h)) * 440.0;
        const bool on_harmonic = near < 6 * bin_hz && std::round(h) >= 1 && std::round(h) <= 31;
        if (!on_harmonic) junk = std::max(junk, mag[k]);
    }
    EXPECT_LT(measure::db(junk / fundamental), -60.0);
    // Each harmonic at its level, measured over whole cycles of all of them (4410
    // samples hold exactly 44 cycles of 440 Hz).
    for (int h = 1; h <= 31; ++h) {
        const double u = 3.141592653589793 * h / 32;
        double expected = std::sin(u) / u / (3.141592653589793 * h);
        double got = measure::amplitude_at(x, 440.0 * h, rate, 0, 44100);
        EXPECT_NEAR(measure::db(got / expected), 0.0, 0.1) << "harmonic " << h;
    }
}

TEST(Builtin, PitchFollowsNoteBendAndTables) {
    for (double note : {33.0, 57.0, 69.0, 93.0}) {
        oscillator o;
        o.set_rate(rate);
        o.choose_wave(5.5 / 6.0);  // "Sin"
        o.start(note);
        std::vector<double> x = run(o, 44100, 2.0);  // two semitones of bend
        double expected = 440.0 * std::pow(2.0, (note + 2.0 - 69.0) / 12.0);
        EXPECT_NEAR(measure::zero_crossing_hz(x, rate, 2000) / expected, 1.0, 1e-3) << note;
    }
    // Value 1.0 is the last of the six choices, "Sin".
    oscillator o;
    o.choose_wave(1.0);
    EXPECT_EQ(o.row, wave_table_set::sine);
}

TEST(Builtin, GlideReachesTargetInTheGivenTicks) {
    oscillator o;
    o.set_rate(rate);
    o.choose_wave(5.5 / 6.0);
    o.start(60.0);
    o.glide(72.0, 10.0);
    for (int t = 0; t < 9; ++t) {
        for (int i = 0; i < 32; ++i) o.tick(i, 0.0);
        EXPECT_NEAR(o.cur_pitch, 60.0 + 1.2 * (t + 1), 1e-9);
    }
    for (int i = 0; i < 64; ++i) o.tick(i & 31, 0.0);
    EXPECT_EQ(o.cur_pitch, 72.0);
    EXPECT_EQ(o.glide_step, 0.0);
}

TEST_F(Recorded, KeyGivesPitchAndSpeedGivesDuration) {
    // A 441 Hz recording: key 69 sounds at 440 Hz and key 81 at 880 Hz, both for the
    // sample's own length (plus the 5 % tail) at speed 1.
    const sample_data s = test::sine_sample(441.0, 1.0);
    use(s);
    for (int key : {69, 81}) {
        osc.start(key);
        std::vector<double> x = run(osc, 100000);
        double expected = key == 69 ? 440.0 : 880.0;
        EXPECT_NEAR(measure::zero_crossing_hz(x, rate, 4000), expected, 0.5) << key;
        EXPECT_NEAR(double(x.size()), 44100 * 21 / 20, 2.0) << key;
        // Near the sample's own pitch the two windows rebuild its level; an octave up,
        // one-period grains keep about half of it (the grain's spectral envelope).
        double level = measure::amplitude_at(x, expected, rate, 4410, 39690);
        if (key == 69)
            EXPECT_NEAR(level, 0.8, 0.03);
        else
            EXPECT_NEAR(level, 0.4, 0.05);
    }
    // Twice the speed: half the time, same pitch.
    osc.speed.set(1.0);
    osc.start(69);
    std::vector<double> x = run(osc, 100000);
    EXPECT_NEAR(double(x.size()), 44100 * 21 / 20 / 2.0, 2.0);
    EXPECT_NEAR(measure::zero_crossing_hz(x, rate, 2000), 440.0, 0.5);
}

TEST_F(Recorded, HighKeysKeepTheirPitch) {
    // Grains start every P samples on average, not every trunc(P): high notes stay in tune.
    use(test::sine_sample(441.0, 1.0));
    for (int key : {93, 100, 105}) {
        osc.start(key);
        std::vector<double> x = run(osc, 30000);
        double expected = 440.0 * std::pow(2.0, (key - 69) / 12.0);
        EXPECT_NEAR(measure::zero_crossing_hz(x, rate, 2000) / expected, 1.0, 2e-3) << key;
    }
}

TEST_F(Recorded, SpeedZeroHoldsThePlaceAndThePitch) {
    use(test::sine_sample(441.0, 1.0, 44100, 0.8, true));
    osc.speed.set(0.0);
    osc.offset.set(0.75);  // start half way in (offset +50 %)
    osc.start(69);
    std::vector<double> x = run(osc, 3 * 44100);
    ASSERT_EQ(x.size(), size_t(3 * 44100));  // never ends
    EXPECT_EQ(osc.position, 22050);
    EXPECT_NEAR(measure::zero_crossing_hz(x, rate, 4000), 440.0, 0.5);
    // The level of the ramp at its middle, all along.
    EXPECT_NEAR(measure::amplitude_at(x, 440.0, rate, 100000, 130000), 0.4, 0.02);
}

TEST_F(Recorded, PitchableOffKeepsTheSamplesPitchOnEveryKey) {
    use(test::sine_sample(441.0, 1.0));
    osc.set_pitchable(false);
    for (int key : {45, 69, 90}) {
        osc.start(key);
        std::vector<double> x = run(osc, 100000);
        std::vector<double> mag = measure::spectrum(x, 32768);
        size_t top = size_t(std::max_element(mag.begin() + 1, mag.end()) - mag.begin());
        EXPECT_NEAR(double(top) * rate / 32768, 441.0, 3.0) << key;
        EXPECT_NEAR(double(x.size()), 44100 * 21 / 20, 2.0) << key;
    }
}

TEST_F(Recorded, TempoSyncFitsTheWholeSampleToTheBeats) {
    for (double seconds : {0.5, 1.3}) {
        use(test::sine_sample(441.0, seconds));
        osc.set_tempo_sync(true);
        osc.set_tempo(120);
        // Speed value s with trunc(s / 0.04347826) = 10: 4 beats, 2 s at 120 bpm.
        osc.speed.set(10.5 * 0.04347826);
        osc.start(69);
        const size_t n = duration(osc, 200000);
        // 5 % past the end of a sample stretched to 2 s.
        EXPECT_NEAR(double(n), 2.0 * 44100 * 1.05, 0.01 * 44100) << seconds;
    }
    // The shortest length, 1/8 beat: a quarter of a second at 60 bpm.
    use(test::sine_sample(441.0, 1.0));
    osc.set_tempo_sync(true);
    osc.set_tempo(60);
    osc.speed.set(0.0);
    osc.start(69);
    EXPECT_NEAR(double(duration(osc, 200000)), 0.125 * 44100 * 1.05, 0.005 * 44100);
}

TEST_F(Recorded, LoopRepeatsTheLoopSpan) {
    // A ramped sample looped over its second quarter: after the first pass the level stays
    // within the loop's span and repeats with the loop's length.
    const sample_data s = test::sine_sample(441.0, 1.0, 44100, 0.8, true);
    use(s);
    osc.set_loop(true);
    osc.loop_begin.set(0.25);
    osc.loop_length.set(0.5);  // 0.5² = a quarter of the sample
    osc.start(69);
    std::vector<double> x = run(osc, 4 * 44100);
    ASSERT_EQ(x.size(), size_t(4 * 44100));  // a loop never ends
    const size_t span = 44100 / 4;
    for (size_t t = 60000; t + 2000 < x.size(); t += 5000) {
        double a = measure::amplitude_at(x, 440.0, rate, t, t + 1000);
        EXPECT_GT(a, 0.8 * 0.25 - 0.03) << t;
        EXPECT_LT(a, 0.8 * 0.5 + 0.03) << t;
    }
    // One loop length later the level is the same again.
    for (size_t t = 70000; t < 120000; t += 7001) {
        double a = measure::amplitude_at(x, 440.0, rate, t, t + 500);
        double b = measure::amplitude_at(x, 440.0, rate, t + span, t + span + 500);
        EXPECT_NEAR(a, b, 0.02) << t;
    }
    // Loop length 0 loops one frame.
    osc.loop_length.set(0.0);
    osc.start(69);
    run(osc, 20000);
    EXPECT_GE(osc.position, 11025);
    EXPECT_LE(osc.position, 11026);
}

TEST_F(Recorded, ReplayGoesBackUnderTheCourseItWasSavedIn) {
    // One oscillator plays 3,700 samples straight, its loop switched off after 700. The
    // other saves its state at 100, plays on to 700, has its loop switched off, and goes
    // back: played again under the saved course, samples 100..700 come out as before, and
    // from there on it plays as the first under the new course.
    use(test::sine_sample(441.0, 0.5, 44100, 0.8, true));
    oscillator other;
    other.link(&sets);
    other.choose_wave(0.0);
    other.set_rate(rate);
    for (oscillator* o : {&osc, &other}) {
        o->set_loop(true);
        o->loop_begin.set(0.01);
        o->loop_length.set(0.05);  // a loop of 55 frames: it wraps within the replay
        o->speed.set(0.8);
        o->start(69);
    }
    std::vector<double> straight(3700), ahead(700), again(600), after(3000);
    osc.render(straight.data(), 700);
    osc.set_loop(false);
    osc.render(straight.data() + 700, 3000);

    other.render(ahead.data(), 100);
    const oscillator::playback start = other.saved();
    const oscillator::course course = other.current_course();
    other.render(ahead.data() + 100, 600);
    other.set_loop(false);
    other.replay(start, course, again.data(), 600);
    EXPECT_FALSE(other.loop);
    other.render(after.data(), 3000);
    EXPECT_EQ(again, std::vector<double>(straight.begin() + 100, straight.begin() + 700));
    EXPECT_EQ(after, std::vector<double>(straight.begin() + 700, straight.end()));
    EXPECT_GT(*std::max_element(after.begin(), after.end()), 0.1);
}

TEST_F(Recorded, OffsetPlacesTheStart) {
    use(test::sine_sample(441.0, 0.5));
    // -100 %: a whole sample length of silence first.
    osc.offset.set(0.0);
    osc.start(69);
    std::vector<double> x = run(osc, 60000);
    size_t first = 0;
    while (first < x.size() && std::fabs(x[first]) < 1e-6) ++first;
    EXPECT_NEAR(double(first), 22050.0, 200.0);
    // +100 % one-shot: starts at the end and stops 5 % later.
    osc.offset.set(1.0);
    osc.start(69);
    EXPECT_EQ(duration(osc, 60000), size_t(22050 * 21 / 20 - 22050));
}

TEST_F(Recorded, EmptySlotsAndLongPeriodsAreSafe) {
    // A slot without frames is silent and ends at once when not looping.
    use(sample_data{});
    osc.start(60);
    EXPECT_EQ(osc.tick(0, 0.0), 0.0);
    EXPECT_FALSE(osc.active);
    // Keys far below the sample: a period beyond the grain capacity is limited to it.
    use(test::sine_sample(441.0, 1.0));
    osc.set_rate(192000.0);
    osc.start(0.0);  // 8.18 Hz: P = 23,000 samples at 192 kHz
    for (const auto& g : osc.grains) EXPECT_LE(g.length, double(oscillator::grain_capacity));
    std::vector<double> x = run(osc, 50000);
    for (double v : x) ASSERT_TRUE(std::isfinite(v));
    // Key map entries outside the slots play slot 0.
    sets.waves[0].keymap[60] = 99;
    osc.set_rate(rate);
    osc.start(60);
    EXPECT_EQ(osc.slot, 0);
}

TEST_F(Recorded, SwitchingWavesWhileSoundingCarriesOn) {
    // The same 441 Hz recording in both sets: from one set to the other the read position
    // goes on (the note does not start the sample again) and it ends when the sample does.
    use(test::sine_sample(441.0, 1.0));
    sets.waves[1] = sets.waves[0];
    osc.start(69);
    run(osc, 20000);
    osc.choose_wave(1.5 / 6.0);  // "UserB"
    EXPECT_EQ(osc.set, &sets.waves[1]);
    std::vector<double> x = run(osc, 100000);
    EXPECT_NEAR(double(x.size()), 44100 * 21 / 20 - 20000, 2.0);
    EXPECT_NEAR(measure::zero_crossing_hz(x, rate, 1000), 440.0, 0.5);

    // A built-in table keeps its phase: from "Saw" to "Sin" the index goes on from where
    // it was, at the same pitch, and to a recorded set and back it stays inside its table.
    osc.choose_wave(2.5 / 6.0);  // "Saw"
    osc.start(69);
    run(osc, 1001);
    const int index = osc.table_index;
    ASSERT_NE(index, 0);
    osc.choose_wave(5.5 / 6.0);  // "Sin"
    EXPECT_EQ(osc.table_index, index);
    x = run(osc, 20000);
    EXPECT_NEAR(measure::zero_crossing_hz(x, rate, 100), 440.0, 0.1);
    osc.choose_wave(0.0);
    x = run(osc, 20000);
    EXPECT_NEAR(measure::zero_crossing_hz(x, rate, 2000), 440.0, 0.5);
    osc.choose_wave(1.0);  // the last choice, "Sin"
    EXPECT_EQ(osc.row, wave_table_set::sine);
    run(osc, 3000);
    EXPECT_LT(osc.table_index, osc.table.length);
}

TEST_F(Recorded, SlotTuningAndKeyMap) {
    sample_data low = test::sine_sample(441.0, 1.0);
    sample_data high = test::sine_sample(441.0, 1.0);
    high.xpose = 12;
    high.finetune = 50;
    waveform w = test::one_sample_set(low);
    w.samples[3] = high;
    w.play_samples[3] = high;
    for (int k = 72; k < 128; ++k) w.keymap[size_t(k)] = 3;
    sets.waves[1] = w;
    osc.link(&sets);
    osc.choose_wave(1.5 / 6.0);  // "UserB"
    osc.set_rate(rate);
    osc.start(72);
    EXPECT_EQ(osc.slot, 3);
    EXPECT_DOUBLE_EQ(osc.adjustment, 12.5);
    std::vector<double> x = run(osc, 30000);
    EXPECT_NEAR(measure::zero_crossing_hz(x, rate, 2000), 440.0 * std::pow(2.0, 15.5 / 12.0), 1.5);
}

TEST_F(Recorded, StretchRenderingEqualsSampleBySample) {
    // The voice renders oscillators a stretch at a time between events; every grain
    // reload, loop wrap and the one-shot end must land on the same sample as ticking one
    // sample at a time.
    wavetable twin_sets;
    oscillator twin;
    for (bool looping : {true, false}) {
        const sample_data s = test::sine_sample(300.0, 0.4, 44100, 0.7, true);
        use(s);
        twin_sets.waves[0] = test::one_sample_set(s);
        twin.link(&twin_sets);
        twin.choose_wave(0.0);
        twin.set_rate(rate);
        for (oscillator* o : {&osc, &twin}) {
            o->set_loop(looping);
            o->loop_begin.set(0.3);
            o->loop_length.set(0.2);
            o->speed.set(0.6173);  // 1.2346: a fractional increment
            o->start(64.3);
            o->glide(70.0, 40.0);
        }
        std::vector<double> a, b;
        double buffer[32];
        for (int tick = 0; tick < 800; ++tick) {
            const double bend = 0.3 * std::sin(tick * 0.05);
            for (int i = 0; i < 32; ++i) a.push_back(osc.tick(i, bend));
            twin.control(bend);
            twin.render(buffer, 1);
            twin.tick_params();
            twin.render(buffer + 1, 31);
            b.insert(b.end(), buffer, buffer + 32);
        }
        ASSERT_EQ(a.size(), b.size());
        for (size_t i = 0; i < a.size(); ++i) ASSERT_EQ(a[i], b[i]) << i << (looping ? " loop" : " one-shot");
        EXPECT_EQ(osc.active, twin.active);
        EXPECT_EQ(osc.position, twin.position);
        if (!looping) {
            EXPECT_FALSE(osc.active);
        }
    }
}

}  // namespace

namespace {

TEST(SampleCursor, AnswersWhatTheSampleAnswers) {
    // Random maps (with missing periods and repeated positions) and random walks of
    // questions, in and outside the sample: the same answers as the binary searches.
    std::mt19937 rng(5);
    for (int round = 0; round < 200; ++round) {
        sample_data s;
        const int entries = int(rng() % 12);
        int pos = int(rng() % 50) - 10;
        for (int e = 0; e < entries; ++e) {
            pos += int(rng() % 400);
            double period = rng() % 5 == 0 ? 0.0 : 1.0 + double(rng() % 300);
            s.period_map.push_back({pos, period, 0.5});
        }
        double mark = -3.0 + double(rng() % 7);
        const int marks = int(rng() % 15);
        for (int m = 0; m < marks; ++m) {
            s.pitch_marks.push_back(mark);
            mark += double(rng() % 3 == 0 ? 0 : rng() % 250) + 0.25;
        }
        sample_cursor cursor;
        double x = 0.0;
        for (int q = 0; q < 300; ++q) {
            x = q % 50 == 0 ? double(int(rng() % 5000) - 1000) : x + double(int(rng() % 300) - 100) * 0.7;
            ASSERT_EQ(cursor.period_at(s, x), s.period_at(x)) << round << " " << x;
            ASSERT_EQ(cursor.nearest_pitch_mark(s, x), s.nearest_pitch_mark(x)) << round << " " << x;
        }
    }
}

}  // namespace
