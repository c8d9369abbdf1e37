// The generated audio, measured: every sample of the bank for level, DC, clean edges, tuning
// and seamless loops; the drum loops for timing; and the models for what makes them the
// instrument they claim to be.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/factory_bank.h"
#include "tests/factory_measure.h"
#include "tools/factory/bowed_blown.h"
#include "tools/factory/drums.h"
#include "tools/factory/modal.h"
#include "tools/factory/pluck.h"
#include "tools/factory/sample_layout.h"
#include "tools/factory/sample_sets.h"
#include "tools/factory/voices.h"

using namespace factory;

namespace {

struct loop_region {
    size_t begin, length;
};

loop_region loop_of(const factory_set& s, const factory_slot& slot) {
    double n = double(slot.frames()), b = s.loop_begin_value, l = s.loop_length_value;
    return {size_t(b * n), size_t(l * l * n)};
}

}  // namespace

TEST(FactorySamples, LevelsDcAndEdgesAreClean) {
    for (const auto& [set, slot] : test::distinct_slots()) {
        SCOPED_TRACE(slot->name);
        const audio& x = *slot->samples;
        // Peak about -1 dBFS and never beyond full scale.
        double peak_db = measure::db(measure::peak(x));
        EXPECT_NEAR(peak_db, -1.0, 0.1);
        for (float v : x) ASSERT_TRUE(std::isfinite(v));
        // No offset: over the loop, which holds whole periods, or over the whole sample.
        if (set->sustained) {
            loop_region r = loop_of(*set, *slot);
            EXPECT_LT(std::fabs(measure::mean(x, r.begin, r.begin + r.length)), 2e-3);
        } else {
            EXPECT_LT(std::fabs(measure::mean(x)), 5e-3);
        }
        // Starts and ends at silence, and no sharper than the sound itself: the first and
        // last samples step no further than the sound does in its first and last 20 ms.
        EXPECT_LT(std::fabs(x.front()), 1e-3);
        EXPECT_LT(std::fabs(x.back()), 1e-3);
        size_t n = x.size();
        EXPECT_LE(measure::largest_step(x, 0, 8), std::max(0.02, measure::largest_step(x, 8, 882)));
        EXPECT_LE(measure::largest_step(x, n - 8, n), std::max(0.02, measure::largest_step(x, n - 882, n - 8)));
    }
}

TEST(FactorySamples, PitchedSamplesAreTunedToTheirRoot) {
    int measured = 0;
    for (const auto& [set, slot] : test::distinct_slots()) {
        if (!slot->pitched) continue;
        SCOPED_TRACE(slot->name);
        const audio& x = *slot->samples;
        double hz = 440.0 * std::pow(2.0, (slot->root_key - 69) / 12.0) * slot->tuning_ratio;
        // A sustained sample is measured on its loop's own line spectrum (see
        // loop_centre_hz), which vibrato, beats and a section's swell leave centred; a
        // one-shot by the peak of its fundamental after the attack.
        double cents, tolerance = 3.0 + 3.0 * slot->spread_cents;
        loop_region r = set->sustained ? loop_of(*set, *slot) : loop_region{0, 0};
        if (set->sustained && (slot->harmonic || slot->spread_cents > 0)) {
            double line = measure::rate / double(r.length);
            double range = std::min(0.45 * hz, std::max(3.5 * line, hz * 0.035));
            cents = measure::cents(measure::loop_centre_hz(x, r.begin, r.length, hz, range), hz);
        } else {
            // Inharmonic partials fall between the loop's lines and leak: bells are measured
            // like one-shots, from the steady part on when that is long enough.
            size_t from = r.begin > 0 && x.size() - r.begin > 8.0 * measure::rate / hz ? r.begin : 882;
            size_t n = std::min<size_t>(x.size() - from, 16384);
            cents = measure::cents(measure::partial_hz(x, from, n, hz), hz);
        }
        EXPECT_LT(std::fabs(cents), tolerance) << cents << " cents";
        ++measured;
    }
    EXPECT_GT(measured, 80);
}

TEST(FactorySamples, LoopsPlayWithoutASeam) {
    for (const auto& [set, slot] : test::distinct_slots()) {
        if (!set->sustained) continue;
        SCOPED_TRACE(slot->name);
        const audio& x = *slot->samples;
        loop_region r = loop_of(*set, *slot);
        ASSERT_GT(r.length, 1000u);
        ASSERT_LE(r.begin + r.length, x.size());
        // The loop played over and over: the jump back is no sharper than the loop itself...
        auto y = measure::looped(x, r.begin, r.length);
        double inside = measure::largest_step(x, r.begin, r.begin + r.length);
        EXPECT_LE(measure::largest_step(y, r.length - 2, r.length + 2), inside * 1.05 + 1e-3);
        // ... and the level does not jump across it (windows of three periods at least).
        size_t w = 882;
        if (slot->pitched) w = std::max(w, size_t(3.0 * measure::rate * 1.0 /
                                                  (440.0 * std::pow(2.0, (slot->root_key - 69) / 12.0))));
        double before = measure::rms(y, r.length - w, w), after = measure::rms(y, r.length, w);
        EXPECT_LT(std::fabs(measure::db(after / before)), 3.0);
        // Past the loop the sample continues with the loop's own start, for the grains
        // that read ahead of the loop end.
        size_t guard = std::min<size_t>(x.size() - (r.begin + r.length), 64);
        for (size_t i = 0; i < guard; ++i) EXPECT_EQ(x[r.begin + r.length + i], x[r.begin + i]);
    }
}

TEST(FactorySamples, GenerationIsRepeatable) {
    sample_sets a, b;
    for (const char* id : {"nylon", "choir_aah", "marimba", "loop_funk", "supersaw", "wind"}) {
        const factory_set& x = a.get(id);
        const factory_set& y = b.get(id);
        ASSERT_EQ(x.slots.size(), y.slots.size()) << id;
        for (size_t i = 0; i < x.slots.size(); ++i) EXPECT_EQ(*x.slots[i].samples, *y.slots[i].samples) << id;
    }
}

TEST(FactoryModels, PluckedStringsSoundAtTheirPitch) {
    // The loop's tuning allpass makes up for the loss filter and the stiffness, over the
    // whole range and at any damping.
    for (double note : {28.0, 40.0, 57.0, 69.0, 81.5, 96.0})
        for (double damping : {0.02, 0.5})
            for (double stiffness : {0.0, 0.3}) {
                pluck_params p;
                p.hz = 440.0 * std::pow(2.0, (note - 69.0) / 12.0);
                p.damping = damping;
                p.stiffness = stiffness;
                p.t60_s = 4.0;
                p.seconds = 0.45;
                std::vector<float> x = to_float(pluck(p));
                double cents = measure::cents(measure::partial_hz(x, 2205, 16384, p.hz), p.hz);
                EXPECT_LT(std::fabs(cents), 0.5) << note << " " << damping << " " << stiffness;
            }
}

TEST(FactoryModels, PluckedStringsDecayAsAsked) {
    pluck_params p;
    p.hz = 220.0;
    p.t60_s = 1.0;
    p.damping = 0.02;
    p.noise = 0.0;
    p.seconds = 1.2;
    std::vector<float> x = to_float(pluck(p));
    // The fundamental falls 60 dB per second: 30 dB between 0.2 s and 0.7 s.
    double a = measure::magnitude_at(x, 8820, 4410, 220.0), b = measure::magnitude_at(x, 30870, 4410, 220.0);
    EXPECT_NEAR(measure::db(b / a), -30.0, 1.5);
}

TEST(FactoryModels, BarsHaveTheirTunedModes) {
    sample_sets sets;
    // Marimba bars are tuned with the second mode two octaves up; a tubular bell's strike
    // tone is an octave below its fourth mode, on the second harmonic of the root.
    const factory_slot& marimba = sets.get("marimba").slots[1];
    double root = 440.0 * std::pow(2.0, (marimba.root_key - 69) / 12.0);
    const audio& m = *marimba.samples;
    double second = measure::partial_hz(m, 441, 4096, 4.0 * root, 30.0);
    EXPECT_LT(std::fabs(measure::cents(second, 4.0 * root)), 2.0);
    EXPECT_GT(measure::magnitude_at(m, 441, 4096, 4.0 * root),
              30.0 * measure::magnitude_at(m, 441, 4096, 3.0 * root));

    const factory_slot& bell = sets.get("tubular_bells").slots[0];
    const audio& t = *bell.samples;
    double strike = 440.0 * std::pow(2.0, (bell.root_key - 69) / 12.0);
    EXPECT_GT(measure::magnitude_at(t, 441, 8192, 2.0 * strike),
              3.0 * measure::magnitude_at(t, 441, 8192, strike));
}

TEST(FactoryModels, VowelsHaveTheirFormants) {
    // "aah" has its first two formants high (about 650 and 1100 Hz), "ooh" low (350, 600):
    // the spectral centroid below 2 kHz says which is which.
    auto centroid = [](vowel v) {
        voice_params p;
        p.hz = 220.0;
        p.sound = v;
        p.seconds = 0.5;
        std::vector<float> x = to_float(sung(p));
        double sum = 0, weight = 0;
        for (int k = 1; 220.0 * k < 2000.0; ++k) {
            double m = measure::magnitude_at(x, 8820, 8192, 220.0 * k);
            sum += 220.0 * k * m * m;
            weight += m * m;
        }
        return sum / weight;
    };
    double aah = centroid(vowel::aah), ooh = centroid(vowel::ooh);
    EXPECT_GT(aah, 550.0);
    EXPECT_LT(ooh, 450.0);
    EXPECT_GT(formant_gain(vowel::aah, 220.0, 650.0), formant_gain(vowel::aah, 220.0, 300.0));
    EXPECT_GT(formant_gain(vowel::ooh, 220.0, 350.0), formant_gain(vowel::ooh, 220.0, 900.0));
}

TEST(FactoryModels, DrumLoopsHitOnTheGrid) {
    loop_params p;
    p.bpm = 120;
    p.beats = 4;
    p.swing = 0.5;
    p.tracks = {{drum::kick, "x...x...x...x..."}};
    std::vector<float> x = drum_loop(p);
    ASSERT_EQ(x.size(), 88200u);  // four beats of 22050 frames
    EXPECT_EQ(step_frame(p, 4), 22050u);
    EXPECT_EQ(step_frame(p, 1), 8269u);  // 5512.5 + half a step of swing, rounded
    // Each kick starts on its beat: silence just before, the hit just after.
    for (size_t beat = 1; beat < 4; ++beat) {
        size_t at = beat * 22050;
        double before = measure::rms(x, at - 300, 280), after = measure::rms(x, at, 441);
        EXPECT_GT(measure::db(after / (before + 1e-9)), 12.0) << beat;
    }
    EXPECT_LT(std::fabs(x.front()), 1e-3);
    EXPECT_LT(std::fabs(x.back()), 1e-3);
    // A swung rim on the second sixteenth sounds from its late position, not before.
    p.tracks = {{drum::rim, ".x..............", 67}};
    std::vector<float> r = drum_loop(p);
    size_t first = 0;
    while (first < r.size() && std::fabs(r[first]) < 0.01) ++first;
    EXPECT_GE(first, 8269u);
    EXPECT_LE(first, 8269u + 10);
}

TEST(FactoryLayout, LoopsHoldWholePeriods) {
    loop_plan plan = plan_loop(0.1, 0.2, 0.03);
    for (double note = 30; note <= 100; note += 3.7) {
        double hz = 440.0 * std::pow(2.0, (note - 69.0) / 12.0), period = 44100.0 / hz;
        slot_frames at = fit_slot(plan, hz);
        // The oscillator's loop points, from the program values, are these.
        slot_frames engine = loop_points(plan, at.frames);
        EXPECT_EQ(engine.loop_length, at.loop_length);
        double periods = double(at.loop_length) / period;
        EXPECT_LT(std::fabs(periods - std::round(periods)) * period, 0.55) << note;
        EXPECT_LE(std::fabs(double(at.loop_length) - 8820.0), 0.12 * 8820.0 + period) << note;
    }
}

TEST(FactoryLayout, HoldLevelFlattensADecay) {
    buffer s(44100);
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = std::exp(-double(i) / 8000.0) * std::sin(2.0 * M_PI * 300.0 * double(i) / 44100.0);
    buffer before = s;
    hold_level(s, 11025, 300.0);
    std::vector<float> x = to_float(s);
    double at = measure::rms(x, 11025, 2205), late = measure::rms(x, 40000, 2205);
    EXPECT_NEAR(measure::db(late / at), 0.0, 0.5);
    // The onset before the point is left as it was.
    for (size_t i = 0; i < 11025; ++i) ASSERT_EQ(s[i], before[i]);
}

TEST(FactoryModels, SectionsCentreOnTheirRoot) {
    // With their spread taken away, a section's players all sound the root: what is left
    // of a bank section's tuning error is its players' beating.
    double hz = 262.0;  // whole cycles in the half-second drift period
    bowed_params b;
    b.hz = hz;
    b.players = 4;
    b.spread_cents = 0;
    b.vibrato_cents = 0;
    b.seconds = 0.8;
    voice_params v;
    v.hz = hz;
    v.singers = 6;
    v.spread_cents = 0;
    v.vibrato_cents = 0;
    v.seconds = 0.8;
    // Measured over one period of their drift (half a second by default).
    for (const std::vector<float>& x : {to_float(bowed(b)), to_float(sung(v))}) {
        double cents = measure::cents(measure::loop_centre_hz(x, 8820, 22050, hz, 20.0), hz);
        EXPECT_LT(std::fabs(cents), 1.0);
    }
}

TEST(FactoryModels, DrumHitsEndInSilence) {
    // Hits are cut at their length inside the loops: the cut must not click.
    for (int k = 0; k <= int(drum::tambourine); ++k) {
        buffer hit = drum_hit(drum(k), 110.0, 1.0, 7);
        ASSERT_GT(hit.size(), 1000u) << k;
        double peak = 0;
        for (double v : hit) peak = std::max(peak, std::fabs(v));
        EXPECT_LT(std::fabs(hit.back()), 1e-3 * peak) << drum_name(drum(k));
        double tail = 0;
        for (size_t i = hit.size() - 20; i < hit.size(); ++i) tail = std::max(tail, std::fabs(hit[i]));
        EXPECT_LT(tail, 0.01 * peak) << drum_name(drum(k));
    }
}
