// Factory program values: the unit conversions against the engine's own formulas worked by
// hand, the stored form of a version 0x300 record (83 values) and the old reader's view of
// it, and every factory program's round trip through both.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/factory_bank.h"
#include "tools/factory/factory_program.h"
#include "tools/factory/factory_values.h"

using namespace factory;

namespace {

const std::vector<factory_program>& bank() { return test::factory_bank(); }

// What the engine cooks from a value, written out from the parameter descriptions.
double seconds_of(float x) { return 1.9975 * double(x) * x + 0.0025; }
double cutoff_hz_of(float x) { return 440.0 * std::pow(2.0, (39.487 + 80.0 * x - 69.0) / 12.0); }
double lfo_hz_of(float x) { return 0.05 * std::pow(2.0, 10.644 * x); }

}  // namespace

TEST(FactoryValues, ConversionsInvertTheEngineUnits) {
    EXPECT_FLOAT_EQ(time_value(0.0025), 0.0f);
    EXPECT_FLOAT_EQ(time_value(2.0), 1.0f);
    EXPECT_NEAR(seconds_of(time_value(0.35)), 0.35, 1e-6);
    EXPECT_NEAR(cutoff_hz_of(cutoff_value(1000.0)), 1000.0, 0.01);
    EXPECT_NEAR(double(cutoff_value(80.0008)), 0.0, 1e-6);
    EXPECT_NEAR(lfo_hz_of(lfo_rate_value(5.5)), 5.5, 1e-4);
    // Gain: 66 x - 54 dB, so 0 dB is 54/66; oscillator gain 30 x - 15; levels 66 x - 66.
    EXPECT_FLOAT_EQ(gain_value(0.0), float(54.0 / 66.0));
    EXPECT_FLOAT_EQ(osc_gain_value(0.0), 0.5f);
    EXPECT_FLOAT_EQ(level_value(-66.0), 0.0f);
    // Transpose: floor(49 x) - 24.
    for (int st : {-24, -12, 0, 7, 24})
        EXPECT_EQ(int(std::floor(49.0 * semitone_value(st))) - 24, st);
    // Plug tempo: 72 + floor(127 x).
    for (int bpm : {72, 90, 120, 175, 199})
        EXPECT_EQ(72 + int(std::floor(127.0 * delay_tempo_value(bpm))), bpm);
}

TEST(FactoryValues, TempoLoopLengthsReadBackAsBeats) {
    // The speed value picks the length: i = trunc(s / 0.04347826); i >= 7 gives i - 6 beats.
    for (int beats = 1; beats <= 16; ++beats) {
        float s = beats_value(beats);
        EXPECT_EQ(int(double(s) / 0.04347826), beats + 6) << beats;
        EXPECT_EQ(beats_of(s), double(beats));
    }
    EXPECT_EQ(beats_of(beats_value(0.375)), 0.375);
    EXPECT_EQ(beats_of(beats_value(0.125)), 0.125);
    EXPECT_EQ(beats_of(1.0f), 16.0);  // i = 23 is capped at 16 beats
}

TEST(FactoryValues, AmountsSitOnAGridTheHalvingKeeps) {
    EXPECT_FLOAT_EQ(amount_value(0.0), 0.5f);
    EXPECT_FLOAT_EQ(amount_value(0.5), 0.75f);
    EXPECT_FLOAT_EQ(amount_value(-0.5), 0.25f);
    EXPECT_FLOAT_EQ(amount_value(0.9), 0.75f);  // beyond what the stored form can carry
    float a = amount_value(0.123);
    EXPECT_EQ(std::fmod(double(a) * 256.0, 1.0), 0.0);
}

TEST(FactoryValues, OldReaderConvertsAHandMadeRecord) {
    // 83 stored values, as a version 0x300 record holds them.
    std::vector<float> stored(83, 0.3f);
    stored[P_TEMPO_SOURCE] = 0.1f;                // becomes Host
    stored[P_LFO1_SYNC] = 0.9f;                   // becomes Off
    stored[P_LFO2_SYNC] = 0.5f;
    stored[P_LFO3_SYNC] = 0.0f;
    stored[P_ASSIGN1_AMOUNT] = 1.0f;              // halved around 0.5: 0.75
    stored[P_ASSIGN2_AMOUNT] = 0.0f;              // 0.25
    stored[P_ASSIGN3_AMOUNT] = 0.5f;              // 0.5
    stored[P_ASSIGN8_AMOUNT] = 0.625f;            // 0.5625
    stored[P_OSC1_SYNC] = 0.75f;                  // read as stored
    values v = read_old_reader_a(stored.data(), 83);
    EXPECT_EQ(v[P_TEMPO_SOURCE], 0.75f);
    EXPECT_EQ(v[P_LFO1_SYNC], choice_to_value(0, 3));
    EXPECT_EQ(v[P_LFO2_SYNC], choice_to_value(0, 3));
    EXPECT_EQ(v[P_LFO3_SYNC], choice_to_value(0, 3));
    EXPECT_EQ(v[P_ASSIGN1_AMOUNT], 0.75f);
    EXPECT_EQ(v[P_ASSIGN2_AMOUNT], 0.25f);
    EXPECT_EQ(v[P_ASSIGN3_AMOUNT], 0.5f);
    EXPECT_EQ(v[P_ASSIGN8_AMOUNT], 0.5625f);
    EXPECT_EQ(v[P_ASSIGN4_AMOUNT], 0.4f);         // 0.3 halved around 0.5
    EXPECT_EQ(v[P_OSC1_SYNC], 0.75f);
    EXPECT_EQ(v[P_FILTER_CUTOFF], 0.3f);
    // Not in the record: OSC2 sync off, both oscillators pitchable, compatibility at the
    // table's value.
    EXPECT_EQ(v[P_OSC2_SYNC], 0.25f);
    EXPECT_EQ(v[P_OSC1_PITCHABLE], 0.75f);
    EXPECT_EQ(v[P_OSC2_PITCHABLE], 0.75f);
    EXPECT_EQ(v[P_LFO_COMPAT], param_info(P_LFO_COMPAT).initial);
}

TEST(FactoryValues, OldReaderStartsShortRecordsFromTheTableValues) {
    std::vector<float> stored(40, 0.0f);
    values v = read_old_reader_a(stored.data(), 40);
    for (int i = 40; i < 87; ++i) {
        float want = param_info(i).initial;
        if (i == P_LFO1_SYNC || i == P_LFO2_SYNC || i == P_LFO3_SYNC) want = choice_to_value(0, 3);
        if (i == P_OSC1_SYNC || i == P_OSC2_SYNC) want = 0.25f;
        if (i == P_OSC1_PITCHABLE || i == P_OSC2_PITCHABLE) want = 0.75f;
        EXPECT_EQ(v[size_t(i)], want) << i;
    }
    // The builder's values, not a fresh timbre's: delay filter type 0 and cutoff 1.
    EXPECT_EQ(v[P_DELAY_FILTER_TYPE], param_info(P_DELAY_FILTER_TYPE).initial);
    EXPECT_EQ(v[P_DELAY_CUTOFF], param_info(P_DELAY_CUTOFF).initial);
    EXPECT_EQ(v[P_TEMPO_SOURCE], 0.75f);  // read as 0 and forced to Host
}

TEST(FactoryValues, SettingsTheStoredFormCannotCarryAreRefused) {
    auto refused = [](patch p) {
        EXPECT_FALSE(storage_problems(p.v).empty());
        EXPECT_THROW(to_stored(p.v), std::invalid_argument);
    };
    EXPECT_TRUE(storage_problems(patch().v).empty());
    refused(patch().set(P_TEMPO_SOURCE, 0.25f));              // Plug tempo
    refused(patch().choice(P_LFO2_SYNC, 1, 3));               // tempo-synced LFO
    refused(patch().on(P_OSC2_SYNC));                         // OSC2 tempo sync
    refused(patch().on(P_OSC1_PITCHABLE, false));
    refused(patch().on(P_LFO_COMPAT));
    refused(patch().set(P_ASSIGN5_AMOUNT, 0.8f));             // +60 %: doubled beyond 1
    refused(patch().set(P_ASSIGN5_AMOUNT, 0.3000001f));       // off the 1/256 grid
    refused(patch().set(P_FILTER_RES, 1.5f));
    refused(patch().set(P_FILTER_RES, std::nanf("")));
    // OSC1 tempo sync is stored, so it is allowed.
    EXPECT_TRUE(storage_problems(patch().tempo_loop(4).v).empty());
}

TEST(FactoryValues, StoredFormDoublesTheAmountsOnly) {
    patch p;
    p.mod(1, mod_source::lfo1, P_FILTER_CUTOFF, 0.25).mod(8, mod_source::velocity, P_GAIN, -0.5);
    p.set(P_FILTER_CUTOFF, 0.4f);
    stored_values s = to_stored(p.v);
    EXPECT_EQ(s[P_ASSIGN1_AMOUNT], 0.75f);   // +25 %: value 0.625, doubled around 0.5
    EXPECT_EQ(s[P_ASSIGN8_AMOUNT], 0.0f);    // -50 %: value 0.25
    EXPECT_EQ(s[P_ASSIGN2_AMOUNT], 0.5f);
    EXPECT_EQ(s[P_FILTER_CUTOFF], 0.4f);
    EXPECT_EQ(s[P_ASSIGN1_SRC], choice_to_value(3, 8));
    EXPECT_EQ(s[P_ASSIGN1_DEST], choice_to_value(P_FILTER_CUTOFF, 128));
}

TEST(FactoryValues, EveryProgramSurvivesTheStoredForm) {
    ASSERT_EQ(bank().size(), 128u);
    for (const factory_program& p : bank()) {
        SCOPED_TRACE(p.name);
        for (float x : p.values) {
            EXPECT_GE(x, 0.0f);
            EXPECT_LE(x, 1.0f);
        }
        EXPECT_TRUE(storage_problems(p.values).empty());
        stored_values s = to_stored(p.values);
        for (float x : s) {
            EXPECT_GE(x, 0.0f);
            EXPECT_LE(x, 1.0f);
        }
        values back = read_old_reader_a(s.data(), stored_value_count);
        for (int i = 0; i < value_count; ++i) EXPECT_EQ(back[size_t(i)], p.values[size_t(i)]) << i;
    }
}
