#include "tools/factory/factory_values.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace factory {

namespace {

constexpr int amount_indices[8] = {P_ASSIGN1_AMOUNT, P_ASSIGN2_AMOUNT, P_ASSIGN3_AMOUNT,
                                   P_ASSIGN4_AMOUNT, P_ASSIGN5_AMOUNT, P_ASSIGN6_AMOUNT,
                                   P_ASSIGN7_AMOUNT, P_ASSIGN8_AMOUNT};

bool is_amount(int i) {
    return std::find(std::begin(amount_indices), std::end(amount_indices), i) !=
           std::end(amount_indices);
}

float halve_amount(float v) { return float((double(v) - 0.5) * 0.5 + 0.5); }
float double_amount(float a) { return float((double(a) - 0.5) * 2.0 + 0.5); }

float clamp01(double x) { return float(std::clamp(x, 0.0, 1.0)); }

double note_of(double hz) { return 69.0 + 12.0 * std::log2(hz / 440.0); }

// Settings the old reader overwrites, with the value it writes.
struct forced {
    int index;
    float value;
    const char* what;
};

std::vector<forced> forced_values() {
    return {{P_TEMPO_SOURCE, 0.75f, "tempo source must be Host"},
            {P_LFO1_SYNC, choice_to_value(0, 3), "LFO1 sync must be Off"},
            {P_LFO2_SYNC, choice_to_value(0, 3), "LFO2 sync must be Off"},
            {P_LFO3_SYNC, choice_to_value(0, 3), "LFO3 sync must be Off"},
            {P_OSC2_SYNC, 0.25f, "OSC2 tempo sync must be Off"},
            {P_OSC1_PITCHABLE, 0.75f, "OSC1 must be pitchable"},
            {P_OSC2_PITCHABLE, 0.75f, "OSC2 must be pitchable"},
            {P_LFO_COMPAT, param_info(P_LFO_COMPAT).initial, "LFO compatibility must be Off"}};
}

}  // namespace

values base_values() {
    values v{};
    for (int i = 0; i < value_count; ++i) v[size_t(i)] = fresh_value(i);
    return v;
}

std::vector<std::string> storage_problems(const values& v) {
    std::vector<std::string> out;
    for (int i = 0; i < value_count; ++i) {
        float x = v[size_t(i)];
        if (!(x >= 0.0f && x <= 1.0f))
            out.push_back("value " + std::to_string(i) + " outside 0..1");
    }
    for (const forced& f : forced_values())
        if (v[size_t(f.index)] != f.value) out.push_back(f.what);
    for (int i : amount_indices) {
        float a = v[size_t(i)];
        if (a < 0.25f || a > 0.75f)
            out.push_back("modulation amount " + std::to_string(i) + " beyond +-50 %");
        // On a 1/256 grid the doubling and the reader's halving are exact in float and in
        // double arithmetic alike, whichever the reader uses.
        else if (std::fmod(double(a) * 256.0, 1.0) != 0.0 || halve_amount(double_amount(a)) != a)
            out.push_back("modulation amount " + std::to_string(i) + " not on the stored grid");
    }
    return out;
}

stored_values to_stored(const values& v) {
    auto problems = storage_problems(v);
    if (!problems.empty()) throw std::invalid_argument(problems.front());
    stored_values s{};
    for (int i = 0; i < stored_value_count; ++i)
        s[size_t(i)] = is_amount(i) ? double_amount(v[size_t(i)]) : v[size_t(i)];
    return s;
}

values read_old_reader_a(const float* stored, int count) {
    values v{};
    for (int i = 0; i < value_count; ++i) v[size_t(i)] = param_info(i).initial;
    count = std::clamp(count, 0, value_count);
    for (int i = 0; i < count; ++i) {
        float x = stored[i];
        if (i == P_LFO1_SYNC || i == P_LFO2_SYNC || i == P_LFO3_SYNC)
            x = choice_to_value(0, 3);
        else if (i == P_TEMPO_SOURCE)
            x = 0.75f;
        else if (is_amount(i))
            x = halve_amount(x);
        else if (i == P_OSC1_PITCHABLE || i == P_OSC2_PITCHABLE)
            x = 0.75f;
        v[size_t(i)] = x;
    }
    for (int i = count; i < value_count; ++i) {
        if (i == P_OSC1_SYNC || i == P_OSC2_SYNC) v[size_t(i)] = 0.25f;
        if (i == P_OSC1_PITCHABLE || i == P_OSC2_PITCHABLE) v[size_t(i)] = 0.75f;
    }
    return v;
}

float time_value(double seconds) {
    return clamp01(std::sqrt(std::max(0.0, (seconds - 0.0025) / 1.9975)));
}
float cutoff_value(double hz) { return clamp01((note_of(hz) - 39.487) / 80.0); }
float gain_value(double db) { return clamp01((db + 54.0) / 66.0); }
float osc_gain_value(double db) { return clamp01((db + 15.0) / 30.0); }
float level_value(double db) { return clamp01((db + 66.0) / 66.0); }
float lfo_rate_value(double hz) { return clamp01(std::log2(hz / 0.05) / 10.644); }
float semitone_value(int semitones) {
    return choice_to_value(std::clamp(semitones, -24, 24) + 24, 49);
}
float amount_value(double amount) {
    double x = 0.5 + std::clamp(amount, -0.5, 0.5) / 2.0;
    return float(std::round(x * 256.0) / 256.0);
}

float beats_value(double beats) {
    static const double short_ones[7] = {0.125, 1.0 / 6, 0.25, 1.0 / 3, 0.375, 0.5, 0.75};
    int i = 7;
    if (beats < 1.0) {
        for (int k = 0; k < 7; ++k)
            if (std::fabs(beats - short_ones[k]) < 1e-9) i = k;
    } else {
        i = std::clamp(int(std::lround(beats)), 1, 16) + 6;
    }
    return float((double(i) + 0.5) / 23.0);
}

double beats_of(float speed_value) {
    static const double short_ones[7] = {0.125, 1.0 / 6, 0.25, 1.0 / 3, 0.375, 0.5, 0.75};
    int i = int(double(speed_value) / 0.04347826);
    if (i < 7) return short_ones[std::max(i, 0)];
    return double(std::min(i - 6, 16));
}

float delay_tempo_value(int bpm) { return clamp01((double(std::clamp(bpm, 72, 199) - 72) + 0.5) / 127.0); }
float delay_time_value(double seconds) { return clamp01((seconds - 0.02) / 0.8); }
float delay_cutoff_value(double hz) { return clamp01((note_of(hz) - 39.487) / 84.0); }

patch::patch() : v(base_values()) {}

patch& patch::set(int index, float value) {
    v.at(size_t(index)) = value;
    return *this;
}
patch& patch::choice(int index, int k, int n) { return set(index, choice_to_value(k, n)); }
patch& patch::on(int index, bool b) { return choice(index, b ? 1 : 0, 2); }

namespace {
int pick(int osc, int p1, int p2) { return osc == 1 ? p1 : p2; }
}  // namespace

patch& patch::wave(int osc, osc_wave w) { return choice(pick(osc, P_OSC1_WAVE, P_OSC2_WAVE), int(w), 6); }
patch& patch::transpose(int osc, int st) {
    return set(pick(osc, P_OSC1_XPOSE, P_OSC2_XPOSE), semitone_value(st));
}
patch& patch::fine(int osc, double cents) {
    return set(pick(osc, P_OSC1_FINE, P_OSC2_FINE), clamp01(0.5 + cents / 100.0));
}
patch& patch::offset(int osc, double fraction) {
    return set(pick(osc, P_OSC1_OFFSET, P_OSC2_OFFSET), clamp01(0.5 + fraction / 2.0));
}
patch& patch::speed(int osc, double ratio) {
    return set(pick(osc, P_OSC1_SPEED, P_OSC2_SPEED), clamp01(ratio / 2.0));
}
patch& patch::loop(int osc, const factory_set& s) {
    on(pick(osc, P_OSC1_LOOP, P_OSC2_LOOP), true);
    set(pick(osc, P_OSC1_LOOP_BEGIN, P_OSC2_LOOP_BEGIN), s.loop_begin_value);
    return set(pick(osc, P_OSC1_LOOP_LENGTH, P_OSC2_LOOP_LENGTH), s.loop_length_value);
}
patch& patch::loop_region(int osc, double begin, double length) {
    on(pick(osc, P_OSC1_LOOP, P_OSC2_LOOP), true);
    set(pick(osc, P_OSC1_LOOP_BEGIN, P_OSC2_LOOP_BEGIN), clamp01(begin));
    return set(pick(osc, P_OSC1_LOOP_LENGTH, P_OSC2_LOOP_LENGTH), clamp01(std::sqrt(length)));
}
patch& patch::tempo_loop(int beats) {
    on(P_OSC1_SYNC, true);
    set(P_OSC1_SPEED, beats_value(beats));
    return loop_region(1, 0.0, 1.0);
}
patch& patch::balance(double share) { return set(P_OSC_BALANCE, clamp01(share)); }
patch& patch::osc_gain(double db) { return set(P_OSC_GAIN, osc_gain_value(db)); }
patch& patch::gain(double db) { return set(P_GAIN, gain_value(db)); }
patch& patch::pan(double position) { return set(P_PAN, clamp01(position)); }
patch& patch::bend(int semitones) { return choice(P_BEND_RANGE, std::clamp(semitones, 1, 12) - 1, 12); }
patch& patch::unison(int voices, double detune) {
    choice(P_UNISON_VOICES, std::clamp(voices, 1, 6) - 1, 6);
    return set(P_UNISON_DETUNE, clamp01(detune));
}
patch& patch::legato(double portamento_s) {
    on(P_LEGATO, true);
    return set(P_PORTA_SPEED, time_value(portamento_s));
}

patch& patch::filter(filter_kind kind, double cutoff_hz, double resonance, double env) {
    choice(P_FILTER_TYPE, int(kind), 7);
    set(P_FILTER_CUTOFF, cutoff_value(cutoff_hz));
    set(P_FILTER_RES, clamp01(resonance));
    return set(P_FILTER_ENV, clamp01(0.5 + env / 2.0));
}
patch& patch::filter_env(double a, double d, double s, double r) {
    set(P_FEG_ATTACK, time_value(a));
    set(P_FEG_DECAY, time_value(d));
    set(P_FEG_SUSTAIN, clamp01(s));
    return set(P_FEG_RELEASE, time_value(r));
}
patch& patch::amp_env(double a, double d, double s, double r) {
    set(P_EG_ATTACK, time_value(a));
    set(P_EG_DECAY, time_value(d));
    set(P_EG_SUSTAIN, clamp01(s));
    return set(P_EG_RELEASE, time_value(r));
}
patch& patch::lfo(int n, lfo_shape shape, double hz) {
    int base = P_LFO1_SYNC + 3 * (std::clamp(n, 1, 3) - 1);
    choice(base + 1, int(shape), 6);
    return set(base + 2, lfo_rate_value(hz));
}
patch& patch::mod(int slot, mod_source src, int dest, double amount) {
    int base = P_ASSIGN1_SRC + 3 * (std::clamp(slot, 1, 8) - 1);
    choice(base, int(src), 8);
    choice(base + 1, dest, 128);
    return set(base + 2, amount_value(amount));
}

patch& patch::delay_free(double seconds, double wet_db, double feedback_db, bool cross) {
    on(P_DELAY_ON, true);
    on(P_DELAY_TYPE, cross);
    on(P_DELAY_SYNC, false);
    set(P_DELAY_LENGTH, delay_time_value(seconds));
    set(P_DELAY_WET, level_value(wet_db));
    return set(P_DELAY_FEEDBACK, level_value(feedback_db));
}
patch& patch::delay_synced(int d, double wet_db, double feedback_db, bool cross) {
    on(P_DELAY_ON, true);
    on(P_DELAY_TYPE, cross);
    on(P_DELAY_SYNC, true);
    set(P_DELAY_LENGTH, float((std::clamp(d, 0, 7) + 0.5) / 8.0));
    set(P_DELAY_WET, level_value(wet_db));
    return set(P_DELAY_FEEDBACK, level_value(feedback_db));
}
patch& patch::delay_filter(int kind, double cutoff_hz) {
    choice(P_DELAY_FILTER_TYPE, std::clamp(kind, 0, 2), 3);
    return set(P_DELAY_CUTOFF, delay_cutoff_value(cutoff_hz));
}
patch& patch::plug_tempo(int bpm) { return set(P_DELAY_TEMPO, delay_tempo_value(bpm)); }

}  // namespace factory
