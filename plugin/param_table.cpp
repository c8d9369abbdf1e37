#include "plugin/param_table.h"

#include <array>
#include <cmath>
#include <cstdio>

#include "engine/param.h"

// Products of the float value with integer constants are single precision, as the texts
// were always computed; constants written with a decimal point are double. Stepped values
// (choices, counts, the tempo) are read by value_step and whole_steps, as the engine
// reads them.

void display_raw(float x, char* t, size_t cap) { std::snprintf(t, cap, "%.2f", double(x)); }

void display_percent(float x, char* t, size_t cap) {
    std::snprintf(t, cap, "%d%%", int(100.0f * x));
}

void display_percent_squared(float x, char* t, size_t cap) {
    float sq = x * x;
    std::snprintf(t, cap, "%d%%", int(100.0f * sq));
}

void display_percent_200(float x, char* t, size_t cap) {
    std::snprintf(t, cap, "%d%%", int(200.0f * x));
}

void display_bipolar_percent(float x, char* t, size_t cap) {
    std::snprintf(t, cap, "%d%%", int(200.0 * (double(x) - 0.5)));
}

void display_cents(float x, char* t, size_t cap) {
    double c = 100.0 * (double(x) - 0.5);
    std::snprintf(t, cap, c > 0 ? "+%.0f" : "%.0f", c);
}

void display_semitones(float x, char* t, size_t cap) {
    int s = value_step(x, 49) - 24;
    std::snprintf(t, cap, s >= 0 ? "+%d" : "%d", s);
}

void display_voice_count(float x, char* t, size_t cap) {
    std::snprintf(t, cap, "%d", 1 + value_step(x, 6));
}

void display_bend_range(float x, char* t, size_t cap) {
    std::snprintf(t, cap, "%d", 1 + value_step(x, 12));
}

void display_0_to_64(float x, char* t, size_t cap) {
    float v = 64.0f * x;
    std::snprintf(t, cap, "%.0f", double(v));
}

void display_on_off(float x, char* t, size_t cap) { std::snprintf(t, cap, "%s", x > 0.5f ? "On" : "Off"); }

void display_tempo_source(float x, char* t, size_t cap) {
    std::snprintf(t, cap, "%s", x < 0.5f ? "Plug" : "Host");
}

void display_delay_type(float x, char* t, size_t cap) {
    std::snprintf(t, cap, "%s", x > 0.5f ? "Cross" : "Stereo");
}

void display_balance(float x, char* t, size_t cap) {
    int a = int(100.0f * x);
    if (a < 1)
        std::snprintf(t, cap, "OSC1");
    else if (a > 99)
        std::snprintf(t, cap, "OSC2");
    else
        std::snprintf(t, cap, "%d:%d", 100 - a, a);
}

void display_pan(float x, char* t, size_t cap) {
    int a = int(100.0f * x);
    if (a == 0)
        std::snprintf(t, cap, "Left");
    else if (a == 100)
        std::snprintf(t, cap, "Right");
    else
        std::snprintf(t, cap, "%d%%", a);
}

namespace {
void show_db(float g, char* t, size_t cap) {
    std::snprintf(t, cap, g >= 0.0f ? "+%.0fdB" : "%.0fdB", double(g));
}
}  // namespace

void display_gain(float x, char* t, size_t cap) { show_db(66.0f * x - 54.0f, t, cap); }

void display_osc_gain(float x, char* t, size_t cap) { show_db(31.0f * x - 15.0f, t, cap); }

void display_level(float x, char* t, size_t cap) {
    float g = 66.0f * x - 66.0f;
    std::snprintf(t, cap, "%.0fdB", double(g));
}

void display_lfo_rate(float x, char* t, size_t cap) {
    std::snprintf(t, cap, "%.2f", 0.05 * std::pow(2.0, double(x) * std::log2(1600.0)));
}

void display_delay_tempo(float x, char* t, size_t cap) {
    std::snprintf(t, cap, "%d", tempop::tempo_bpm(x));
}

void display_delay_length(float x, char* t, size_t cap) {
    std::snprintf(t, cap, "%dms", int(1000.0 * (0.02 + 0.98 * double(x))));
}

namespace {
// Writes names[k] when k is one of them, else what the caller's fallback gives.
template <size_t N>
bool show_name(const std::array<const char*, N>& names, int k, char* t, size_t cap) {
    if (k < 0 || k >= int(N)) return false;
    std::snprintf(t, cap, "%s", names[size_t(k)]);
    return true;
}
}  // namespace

void display_osc_wave(float x, char* t, size_t cap) {
    static constexpr std::array<const char*, 6> names{"UserA", "UserB", "Saw", "Squ", "Tri", "Sin"};
    int k = value_step(x, 6);
    if (!show_name(names, k, t, cap)) std::snprintf(t, cap, "%d", k);
}

void display_filter_type(float x, char* t, size_t cap) {
    static constexpr std::array<const char*, 6> names{"None", "LP12", "LP24", "HPF", "BPF", "AnaLP"};
    int k = value_step(x, 7);
    show_name(names, k < 5 ? k : 5, t, cap);
}

void display_delay_filter(float x, char* t, size_t cap) {
    int k = value_step(x, 3);
    std::snprintf(t, cap, "%s", k == 0 ? "None" : k == 1 ? "LP" : "HP");
}

void display_lfo_shape(float x, char* t, size_t cap) {
    static constexpr std::array<const char*, 6> names{"Saw", "Squ", "Tri", "Sin", "UpSqu", "S&H"};
    if (!show_name(names, value_step(x, 6), t, cap) && cap) t[0] = '\0';
}

void display_lfo_sync(float x, char* t, size_t cap) {
    int k = value_step(x, 3);
    std::snprintf(t, cap, "%s", k == 1 ? "Tempo" : k == 2 ? "Note" : "Off");
}

void display_blank(float, char* t, size_t cap) {
    if (cap) t[0] = '\0';
}

void display_sync_beats_15(float x, char* t, size_t cap) {
    int k = value_step(x, 15);
    if (k <= 6) {
        display_blank(x, t, cap);
        return;
    }
    std::snprintf(t, cap, "%d", k - 6 < 8 ? k - 6 : 8);
}

void display_sync_beats_23(float x, char* t, size_t cap) {
    int k = value_step(x, 23);
    if (k <= 6) {
        display_blank(x, t, cap);
        return;
    }
    std::snprintf(t, cap, "%d", k - 6 < 16 ? k - 6 : 16);
}

float choice_to_value(int k, int n) {
    return float(k) / float(n) + 1.0f / float(2 * n);
}

int value_to_choice(float x, int n) { return value_step(x, n); }

namespace {

struct table_builder {
    std::array<timbre_param, NUM_PARAMS> records{};

    void set(int i, const char* long_name, const char* short_name, display_fn display,
             bool modulatable, int steps, float initial) {
        records[size_t(i)] = {long_name, short_name, display, modulatable, initial, steps};
    }
    void choice(int i, const char* long_name, const char* short_name, display_fn display,
                int steps, int initial_choice) {
        set(i, long_name, short_name, display, false, steps, choice_to_value(initial_choice, steps));
    }
    void cont(int i, const char* long_name, const char* short_name, display_fn display,
              bool modulatable, float initial) {
        set(i, long_name, short_name, display, modulatable, 1, initial);
    }

    table_builder() {
        choice(P_UNISON_VOICES, "Unison voices", "Unison", display_voice_count, 6, 0);
        cont(P_UNISON_DETUNE, "Unison detune", "Detune", display_0_to_64, false, 0.0f);
        choice(P_LEGATO, "Legato", "Legato", display_on_off, 2, 0);
        cont(P_PORTA_SPEED, "Portamento speed", "Porta", display_0_to_64, false, 0.0f);
        cont(P_OSC_BALANCE, "Oscillator balance", "Bal", display_balance, true, 0.0f);
        choice(P_BEND_RANGE, "Pitch bend range", "Bend", display_bend_range, 12, 4);

        for (int o = 0; o < 2; ++o) {
            bool one = o == 0;
            choice(one ? P_OSC1_WAVE : P_OSC2_WAVE, one ? "OSC1 Waveform" : "OSC2 Waveform",
                   "Wave", display_osc_wave, 6, 0);
            set(one ? P_OSC1_XPOSE : P_OSC2_XPOSE, one ? "OSC1 Transpose" : "OSC2 Transpose",
                "Xpose", display_semitones, true, 49, choice_to_value(24, 49));
            choice(one ? P_OSC1_LOOP : P_OSC2_LOOP, one ? "OSC1 Loop mode" : "OSC2 Loop mode",
                   "Loop", display_on_off, 2, 0);
            cont(one ? P_OSC1_FINE : P_OSC2_FINE, one ? "OSC1 Finetune" : "OSC2 Finetune", "Fine",
                 display_cents, true, 0.5f);
            cont(one ? P_OSC1_OFFSET : P_OSC2_OFFSET, one ? "OSC1 Offset" : "OSC2 Offset", "Off",
                 display_bipolar_percent, true, 0.5f);
            cont(one ? P_OSC1_LOOP_BEGIN : P_OSC2_LOOP_BEGIN,
                 one ? "OSC1 Loop begin" : "OSC2 Loop begin", "LpBeg", display_percent, true, 0.0f);
            cont(one ? P_OSC1_LOOP_LENGTH : P_OSC2_LOOP_LENGTH,
                 one ? "OSC1 Loop length" : "OSC2 Loop length", "LpLen", display_percent_squared,
                 true, 0.0f);
            cont(one ? P_OSC1_SPEED : P_OSC2_SPEED,
                 one ? "OSC1 Playback speed" : "OSC2 Playback speed", "Speed", display_percent_200,
                 true, 0.5f);
            choice(one ? P_OSC1_SYNC : P_OSC2_SYNC, one ? "OSC1 tempo sync" : "OSC2 tempo sync",
                   "Sync", display_on_off, 2, 0);
            choice(one ? P_OSC1_PITCHABLE : P_OSC2_PITCHABLE,
                   one ? "OSC1 pitchable" : "OSC2 pitchable", "Pitch", display_on_off, 2, 1);
        }
        choice(P_TEMPO_SOURCE, "Sync tempo to", "Tempo", display_tempo_source, 2, 1);
        choice(P_OSC2_RELEASE, "OSC2 Release mode", "Rel", display_on_off, 2, 0);

        choice(P_FILTER_TYPE, "Filter type", "Type", display_filter_type, 7, 0);
        cont(P_FILTER_CUTOFF, "Filter cutoff", "Cut", display_raw, true, 1.0f);
        cont(P_FILTER_RES, "Filter resonance/Q", "Res/Q", display_raw, true, 0.0f);
        cont(P_FILTER_ENV, "Filter envelope mod", "Env", display_bipolar_percent, true, 0.5f);
        cont(P_FEG_ATTACK, "Filter EG attack", "A", display_raw, true, 0.0f);
        cont(P_FEG_DECAY, "Filter EG decay", "D", display_raw, true, 0.0f);
        cont(P_FEG_SUSTAIN, "Filter EG sustain", "S", display_raw, true, 1.0f);
        cont(P_FEG_RELEASE, "Filter EG release", "R", display_raw, true, 0.0f);
        cont(P_OSC_GAIN, "Oscillator gain", "OGain", display_osc_gain, true, 0.50001f);
        cont(P_GAIN, "Gain", "Gain", display_gain, true, 0.81828183f);
        cont(P_PAN, "Panorama", "Pan", display_pan, true, 0.5f);
        cont(P_EG_ATTACK, "Amplitude EG attack", "A", display_raw, true, 0.0f);
        cont(P_EG_DECAY, "Amplitude EG decay", "D", display_raw, true, 0.0f);
        cont(P_EG_SUSTAIN, "Amplitude EG sustain", "S", display_raw, true, 1.0f);
        cont(P_EG_RELEASE, "Amplitude EG release", "R", display_raw, true, 0.0f);

        static const char* const lfo_long[3][3] = {
            {"LFO1 sync", "LFO1 shape", "LFO1 frequency"},
            {"LFO2 sync", "LFO2 shape", "LFO2 frequency"},
            {"LFO3 sync", "LFO3 shape", "LFO3 frequency"}};
        static const char* const lfo_short[3][2] = {{"LFO1", "Freq1"}, {"LFO2", "Freq2"},
                                                    {"LFO3", "Freq3"}};
        for (int l = 0; l < 3; ++l) {
            int base = P_LFO1_SYNC + 3 * l;
            // All three sync records carry the short name "Sync1".
            choice(base, lfo_long[l][0], "Sync1", display_lfo_sync, 3, 0);
            choice(base + 1, lfo_long[l][1], lfo_short[l][0], display_lfo_shape, 6, 0);
            cont(base + 2, lfo_long[l][2], lfo_short[l][1], display_lfo_rate, true, 0.0f);
        }

        static const char* const assign_long[8][3] = {
            {"Assign 1 source", "Assign 1 dest", "Assign 1 modulation amount"},
            {"Assign 2 source", "Assign 2 dest", "Assign 2 modulation amount"},
            {"Assign 3 source", "Assign 3 dest", "Assign 3 modulation amount"},
            {"Assign 4 source", "Assign 4 dest", "Assign 4 modulation amount"},
            {"Assign 5 source", "Assign 5 dest", "Assign 5 modulation amount"},
            {"Assign 6 source", "Assign 6 dest", "Assign 6 modulation amount"},
            {"Assign 7 source", "Assign 7 dest", "Assign 7 modulation amount"},
            {"Assign 8 source", "Assign 8 dest", "Assign 8 modulation amount"}};
        static const char* const assign_short[8][3] = {
            {"Src1", "Dest1", "Mod1"}, {"Src2", "Dest2", "Mod2"}, {"Src3", "Dest3", "Mod3"},
            {"Src4", "Dest4", "Mod4"}, {"Src5", "Dest5", "Mod5"}, {"Src6", "Dest6", "Mod6"},
            {"Src7", "Dest7", "Mod7"}, {"Src8", "Dest8", "Mod8"}};
        for (int s = 0; s < 8; ++s) {
            int base = P_ASSIGN1_SRC + 3 * s;
            set(base, assign_long[s][0], assign_short[s][0], display_raw, false, 8,
                choice_to_value(0, 8));
            set(base + 1, assign_long[s][1], assign_short[s][1], display_raw, false, 128,
                choice_to_value(0, 128));
            cont(base + 2, assign_long[s][2], assign_short[s][2], display_bipolar_percent, true,
                 0.5f);
        }

        choice(P_DELAY_ON, "Delay on/off", "Delay", display_on_off, 2, 0);
        choice(P_DELAY_TYPE, "Delay type", "Type", display_delay_type, 2, 0);
        choice(P_DELAY_SYNC, "Delay tempo sync", "Sync", display_on_off, 2, 0);
        set(P_DELAY_FILTER_TYPE, "Delay filter type", "Filt", display_delay_filter, false, 3, 0.0f);
        cont(P_DELAY_TEMPO, "Delay tempo", "Tempo", display_delay_tempo, false, 0.47244096f);
        cont(P_DELAY_LENGTH, "Delay length", "Len", display_delay_length, false, 0.5f);
        cont(P_DELAY_WET, "Delay wet out", "Wet", display_level, false, 0.0f);
        cont(P_DELAY_FEEDBACK, "Delay feedback", "Feed", display_level, false, 0.0f);
        cont(P_DELAY_CUTOFF, "Delay filter cutoff", "Cut", display_raw, false, 1.0f);

        choice(P_LFO_COMPAT, "LFO compatibility mode", "Compat", display_on_off, 2, 0);
    }
};

const table_builder& table() {
    static const table_builder t;
    return t;
}

}  // namespace

const timbre_param& param_info(int index) {
    static const timbre_param placeholder{};
    if (index < 0 || index >= NUM_PARAMS) return placeholder;
    return table().records[size_t(index)];
}

float fresh_value(int index) {
    // A new timbre resets the delay records after the builder has run.
    static constexpr float delay_fresh[] = {0.25f, 0.25f, 0.25f, 1.0f / 6.0f, 0.47244096f,
                                            0.5f,  0.0f,  0.0f,  0.0f};
    if (index >= P_DELAY_ON && index <= P_DELAY_CUTOFF) return delay_fresh[index - P_DELAY_ON];
    return param_info(index).initial;
}

float param_step(int index) {
    int steps = param_info(index).steps;
    return steps < 1 ? 0.0f : 1.0f / float(steps);
}

const std::vector<int>& modulatable_params() {
    static const std::vector<int> list = [] {
        std::vector<int> l;
        for (int i = 0; i < NUM_PARAMS; ++i)
            if (param_info(i).modulatable) l.push_back(i);
        return l;
    }();
    return list;
}
