// The parameter table: names, steps, fresh values and every value text.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "plugin/param_table.h"
#include "sound/timbre.h"

namespace {

std::string show(display_fn f, float x) {
    char text[64];
    std::fill(std::begin(text), std::end(text), 'Z');
    f(x, text, sizeof text);
    return text;
}

struct row {
    int index;
    const char* long_name;
    const char* short_name;
    int steps;
    const char* shown;  // the text of the fresh value
    bool mod;
};

// The table as users know it, with the text each fresh value shows.
const row rows[] = {
    {0, "xxx", "xyz", 1, "0.00", false},
    {1, "Unison voices", "Unison", 6, "1", false},
    {2, "Unison detune", "Detune", 1, "0", false},
    {3, "Legato", "Legato", 2, "Off", false},
    {4, "Portamento speed", "Porta", 1, "0", false},
    {5, "Oscillator balance", "Bal", 1, "OSC1", true},
    {6, "Pitch bend range", "Bend", 12, "5", false},
    {7, "OSC1 Waveform", "Wave", 6, "UserA", false},
    {8, "OSC1 Transpose", "Xpose", 49, "+0", true},
    {9, "OSC1 Loop mode", "Loop", 2, "Off", false},
    {10, "Sync tempo to", "Tempo", 2, "Host", false},
    {11, "OSC1 Finetune", "Fine", 1, "0", true},
    {12, "OSC1 Offset", "Off", 1, "0%", true},
    {13, "OSC1 Loop begin", "LpBeg", 1, "0%", true},
    {14, "OSC1 Loop length", "LpLen", 1, "0%", true},
    {15, "OSC1 Playback speed", "Speed", 1, "100%", true},
    {16, "OSC2 Waveform", "Wave", 6, "UserA", false},
    {17, "OSC2 Transpose", "Xpose", 49, "+0", true},
    {18, "OSC2 Loop mode", "Loop", 2, "Off", false},
    {19, "OSC2 Release mode", "Rel", 2, "Off", false},
    {20, "OSC2 Finetune", "Fine", 1, "0", true},
    {21, "OSC2 Offset", "Off", 1, "0%", true},
    {22, "OSC2 Loop begin", "LpBeg", 1, "0%", true},
    {23, "OSC2 Loop length", "LpLen", 1, "0%", true},
    {24, "OSC2 Playback speed", "Speed", 1, "100%", true},
    {25, "Filter type", "Type", 7, "None", false},
    {26, "Filter cutoff", "Cut", 1, "1.00", true},
    {27, "Filter resonance/Q", "Res/Q", 1, "0.00", true},
    {28, "Filter envelope mod", "Env", 1, "0%", true},
    {29, "Filter EG attack", "A", 1, "0.00", true},
    {30, "Filter EG decay", "D", 1, "0.00", true},
    {31, "Filter EG sustain", "S", 1, "1.00", true},
    {32, "Filter EG release", "R", 1, "0.00", true},
    {33, "Oscillator gain", "OGain", 1, "+1dB", true},
    {34, "Gain", "Gain", 1, "+0dB", true},
    {35, "Panorama", "Pan", 1, "50%", true},
    {36, "Amplitude EG attack", "A", 1, "0.00", true},
    {37, "Amplitude EG decay", "D", 1, "0.00", true},
    {38, "Amplitude EG sustain", "S", 1, "1.00", true},
    {39, "Amplitude EG release", "R", 1, "0.00", true},
    {40, "LFO1 sync", "Sync1", 3, "Off", false},
    {41, "LFO1 shape", "LFO1", 6, "Saw", false},
    {42, "LFO1 frequency", "Freq1", 1, "0.05", true},
    {43, "LFO2 sync", "Sync1", 3, "Off", false},
    {44, "LFO2 shape", "LFO2", 6, "Saw", false},
    {45, "LFO2 frequency", "Freq2", 1, "0.05", true},
    {46, "LFO3 sync", "Sync1", 3, "Off", false},
    {47, "LFO3 shape", "LFO3", 6, "Saw", false},
    {48, "LFO3 frequency", "Freq3", 1, "0.05", true},
    {73, "Delay on/off", "Delay", 2, "Off", false},
    {74, "Delay type", "Type", 2, "Stereo", false},
    {75, "Delay tempo sync", "Sync", 2, "Off", false},
    {76, "Delay filter type", "Filt", 3, "None", false},
    {77, "Delay tempo", "Tempo", 1, "132", false},
    {78, "Delay length", "Len", 1, "510ms", false},
    {79, "Delay wet out", "Wet", 1, "-66dB", false},
    {80, "Delay feedback", "Feed", 1, "-66dB", false},
    {81, "Delay filter cutoff", "Cut", 1, "0.00", false},
    {82, "OSC1 tempo sync", "Sync", 2, "Off", false},
    {83, "OSC2 tempo sync", "Sync", 2, "Off", false},
    {84, "OSC1 pitchable", "Pitch", 2, "On", false},
    {85, "OSC2 pitchable", "Pitch", 2, "On", false},
    {86, "LFO compatibility mode", "Compat", 2, "Off", false},
};

TEST(ParamTable, RecordsAndFreshTexts) {
    timbre fresh;
    for (const row& r : rows) {
        SCOPED_TRACE(r.index);
        const timbre_param& p = param_info(r.index);
        EXPECT_STREQ(p.long_name, r.long_name);
        EXPECT_STREQ(p.short_name, r.short_name);
        EXPECT_EQ(p.steps, r.steps);
        EXPECT_EQ(p.modulatable, r.mod);
        EXPECT_EQ(show(p.display, fresh.value(r.index)), r.shown);
    }
    for (int s = 0; s < 8; ++s) {
        int base = P_ASSIGN1_SRC + 3 * s;
        std::string n = std::to_string(s + 1);
        EXPECT_EQ(param_info(base).long_name, "Assign " + n + " source");
        EXPECT_EQ(param_info(base + 1).short_name, "Dest" + n);
        EXPECT_EQ(param_info(base + 2).long_name, "Assign " + n + " modulation amount");
        EXPECT_EQ(param_info(base).steps, 8);
        EXPECT_EQ(param_info(base + 1).steps, 128);
        EXPECT_EQ(show(param_info(base).display, fresh.value(base)), "0.06");
        EXPECT_EQ(show(param_info(base + 1).display, fresh.value(base + 1)), "0.00");
        EXPECT_EQ(show(param_info(base + 2).display, fresh.value(base + 2)), "0%");
    }
}

TEST(ParamTable, FreshValuesAreExactSingles) {
    timbre fresh;
    EXPECT_EQ(fresh.value(P_UNISON_VOICES), 1.0f / 12.0f);
    EXPECT_EQ(fresh.value(P_BEND_RANGE), 4.0f / 12.0f + 1.0f / 24.0f);
    EXPECT_EQ(fresh.value(P_OSC1_XPOSE), 24.0f / 49.0f + 1.0f / 98.0f);
    EXPECT_EQ(fresh.value(P_OSC_GAIN), 0.50001f);
    EXPECT_EQ(fresh.value(P_GAIN), 0.81828183f);
    EXPECT_EQ(fresh.value(P_DELAY_TEMPO), 60.0f / 127.0f);
    // The timbre constructor overwrites the delay records after the builder ran; readers
    // of stored timbres start from the builder's own values.
    const float delay[] = {0.25f, 0.25f, 0.25f, 1.0f / 6.0f, 0.47244096f, 0.5f, 0, 0, 0};
    for (int i = P_DELAY_ON; i <= P_DELAY_CUTOFF; ++i)
        EXPECT_FLOAT_EQ(fresh.value(i), delay[i - P_DELAY_ON]) << i;
    EXPECT_EQ(param_info(P_DELAY_FILTER_TYPE).initial, 0.0f);
    EXPECT_EQ(param_info(P_DELAY_CUTOFF).initial, 1.0f);
    timbre reread;
    reread.reset_to_initial();
    EXPECT_EQ(reread.value(P_DELAY_CUTOFF), 1.0f);
    EXPECT_EQ(reread.value(P_DELAY_TEMPO), fresh.value(P_DELAY_TEMPO));
}

TEST(ParamTable, ModulatableListAndSteps) {
    std::vector<int> expected = {5, 8, 11, 12, 13, 14, 15, 17, 20, 21, 22, 23, 24};
    for (int i = 26; i <= 39; ++i) expected.push_back(i);
    for (int i : {42, 45, 48, 51, 54, 57, 60, 63, 66, 69, 72}) expected.push_back(i);
    EXPECT_EQ(modulatable_params(), expected);
    EXPECT_EQ(expected.size(), 38u);

    EXPECT_FLOAT_EQ(param_step(P_UNISON_VOICES), 1.0f / 6.0f);
    EXPECT_FLOAT_EQ(param_step(P_ASSIGN1_DEST), 1.0f / 128.0f);
    EXPECT_EQ(param_step(P_FILTER_CUTOFF), 1.0f);
}

TEST(ParamTable, ChoiceEncoding) {
    for (int n : {1, 2, 3, 6, 7, 8, 12, 49, 128})
        for (int k = 0; k < n; ++k) {
            float x = choice_to_value(k, n);
            EXPECT_EQ(x, float(k) / float(n) + 1.0f / float(2 * n));
            EXPECT_EQ(value_to_choice(x, n), k) << k << " of " << n;
        }
    EXPECT_EQ(value_to_choice(1.0f, 7), 6);  // n would be past the last choice
    EXPECT_EQ(value_to_choice(0.0f, 7), 0);
    EXPECT_EQ(choice_to_value(0, 2), 0.25f);
    EXPECT_EQ(choice_to_value(1, 2), 0.75f);
}

struct text_case {
    display_fn f;
    float x;
    const char* text;
};

TEST(ParamTable, ValueTextsAtWorkedPoints) {
    const text_case cases[] = {
        {display_raw, 0.126f, "0.13"},
        {display_percent, 0.25f, "25%"},
        {display_percent, 1.0f, "100%"},
        {display_percent_squared, 0.5f, "25%"},
        {display_percent_squared, 1.0f, "100%"},
        {display_percent_200, 0.25f, "50%"},
        {display_percent_200, 1.0f, "200%"},
        {display_bipolar_percent, 0.75f, "50%"},
        {display_bipolar_percent, 0.25f, "-50%"},
        {display_bipolar_percent, 0.0f, "-100%"},
        {display_cents, 1.0f, "+50"},
        {display_cents, 0.0f, "-50"},
        {display_cents, 0.75f, "+25"},
        {display_semitones, 0.0f, "-24"},
        {display_semitones, 1.0f, "+24"},
        {display_semitones, 0.5f, "+0"},
        {display_voice_count, 0.99f, "6"},
        {display_voice_count, 1.0f, "6"},
        {display_bend_range, 1.0f, "12"},
        {display_0_to_64, 0.5f, "32"},
        {display_0_to_64, 1.0f, "64"},
        {display_on_off, 0.5f, "Off"},
        {display_on_off, 0.51f, "On"},
        {display_tempo_source, 0.5f, "Host"},
        {display_tempo_source, 0.49f, "Plug"},
        {display_delay_type, 0.5f, "Stereo"},
        {display_delay_type, 0.75f, "Cross"},
        {display_balance, 0.005f, "OSC1"},
        {display_balance, 0.5f, "50:50"},
        {display_balance, 0.25f, "75:25"},
        {display_balance, 1.0f, "OSC2"},
        {display_pan, 0.0f, "Left"},
        {display_pan, 1.0f, "Right"},
        {display_pan, 0.5f, "50%"},
        {display_gain, 0.0f, "-54dB"},
        {display_gain, 1.0f, "+12dB"},
        {display_osc_gain, 0.0f, "-15dB"},
        {display_osc_gain, 1.0f, "+16dB"},
        {display_level, 0.0f, "-66dB"},
        {display_level, 0.5f, "-33dB"},
        {display_level, 1.0f, "0dB"},
        {display_lfo_rate, 0.0f, "0.05"},
        {display_lfo_rate, 0.5f, "2.00"},
        {display_lfo_rate, 1.0f, "80.00"},
        {display_delay_tempo, 0.0f, "72"},
        {display_delay_tempo, 1.0f, "199"},
        {display_delay_length, 0.0f, "20ms"},
        {display_delay_length, 1.0f, "1000ms"},
        {display_osc_wave, 0.4f, "Saw"},
        {display_osc_wave, 0.9f, "Sin"},
        {display_osc_wave, 1.0f, "Sin"},
        {display_filter_type, 0.3f, "LP24"},
        {display_filter_type, 0.8f, "AnaLP"},
        {display_filter_type, 1.0f, "AnaLP"},
        {display_delay_filter, 0.0f, "None"},
        {display_delay_filter, 0.4f, "LP"},
        {display_delay_filter, 1.0f, "HP"},
        {display_lfo_shape, 0.75f, "UpSqu"},
        {display_lfo_shape, 0.9f, "S&H"},
        {display_lfo_shape, 1.0f, "S&H"},
        {display_lfo_sync, 0.1f, "Off"},
        {display_lfo_sync, 0.5f, "Tempo"},
        {display_lfo_sync, 1.0f, "Note"},
        {display_blank, 0.7f, ""},
        {display_sync_beats_15, 0.4f, ""},
        {display_sync_beats_15, 0.5f, "1"},
        {display_sync_beats_15, 1.0f, "8"},
        {display_sync_beats_23, 0.25f, ""},
        {display_sync_beats_23, 0.5f, "5"},
        {display_sync_beats_23, 1.0f, "16"},
    };
    for (const text_case& c : cases) EXPECT_EQ(show(c.f, c.x), c.text) << "x = " << c.x;
}

TEST(ParamTable, TextsNeverOverrunTheirBuffer) {
    // A caller with a small buffer gets a cut, terminated text and nothing past it.
    for (int i = 0; i < NUM_PARAMS; ++i)
        for (float x : {0.0f, 0.33f, 1.0f}) {
            char text[6 + 8];
            std::fill(std::begin(text), std::end(text), '#');
            param_info(i).display(x, text, 6);
            EXPECT_LT(std::strlen(text), 6u);
            for (size_t g = 6; g < sizeof text; ++g) EXPECT_EQ(text[g], '#') << i;
        }
}

}  // namespace
