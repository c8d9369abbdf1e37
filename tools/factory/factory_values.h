// Parameter values for factory programs: a builder that speaks in musical units (seconds,
// hertz, semitones, decibels) and writes the normalised values the engine reads, and the
// conversion to and from the stored form of the factory bank.
//
// The factory bank keeps every program as a version 0x300 record with 83 values (indices
// 0..82), which the program reader loads with its old conversions: "Sync tempo to" becomes
// Host, the LFO sync modes Off, the eight modulation amounts are halved around 0.5, both
// oscillators pitchable, OSC2 tempo sync off and the LFO compatibility mode at its table
// value. A program's intended values must therefore already hold those settings, and its
// modulation amounts must lie within +-50 % so that the doubled stored value stays in 0..1.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "plugin/param_table.h"
#include "tools/factory/factory_program.h"

namespace factory {

using values = std::array<float, value_count>;

inline constexpr int stored_value_count = 83;
using stored_values = std::array<float, stored_value_count>;

// A fresh timbre's values, which already are what the old reader forces.
values base_values();

// Why v would not come back unchanged from the stored form; empty when it would.
std::vector<std::string> storage_problems(const values& v);
// The 83 stored values for v. Throws std::invalid_argument with the first problem.
stored_values to_stored(const values& v);
// The values the old reader of versions 0x100..0x500 makes of `count` stored values: the
// table builder's values, overwritten by what was read, with its conversions.
values read_old_reader_a(const float* stored, int count);

enum class osc_wave { user_a, user_b, saw, square, triangle, sine };
enum class filter_kind { none, lp12, lp24, hpf, bpf, ana_lp };
enum class lfo_shape { saw, square, triangle, sine, up_square, sample_hold };
enum class mod_source { velocity, mod_wheel, note, lfo1, lfo2, lfo3, filter_eg, amp_eg };

// Unit conversions to normalised values (inverse of what the engine cooks).
float time_value(double seconds);         // envelope times, portamento: 0.0025..2 s
float cutoff_value(double hz);            // filter cutoff: 80 Hz..8.1 kHz
float gain_value(double db);              // "Gain": -54..+12 dB
float osc_gain_value(double db);          // "Oscillator gain": -15..+15 dB
float level_value(double db);             // delay wet and feedback: -66..0 dB
float lfo_rate_value(double hz);          // 0.05..80 Hz
float semitone_value(int semitones);      // oscillator transpose: -24..+24
float amount_value(double amount);        // matrix amount -0.5..+0.5, on a 1/256 grid
float beats_value(double beats);          // tempo-synced playback length in beats
double beats_of(float speed_value);       // the length the engine reads back from a value
float delay_tempo_value(int bpm);         // 72..199
float delay_time_value(double seconds);   // free delay: 0.02..0.82 s
float delay_cutoff_value(double hz);      // 80 Hz..10.2 kHz

class patch {
public:
    patch();
    values v;

    patch& set(int index, float value);
    patch& choice(int index, int k, int n);
    patch& on(int index, bool b = true);

    // Oscillators 1 and 2.
    patch& wave(int osc, osc_wave w);
    patch& transpose(int osc, int semitones);
    patch& fine(int osc, double cents);           // -50..+50
    patch& offset(int osc, double fraction);      // -1..+1 of the sample
    patch& speed(int osc, double ratio);          // 0..2
    patch& loop(int osc, const factory_set& set); // the set's seamless loop
    patch& loop_region(int osc, double begin, double length);  // fractions of the sample
    // OSC1 plays its whole sample, looped, in `beats` beats of the host's tempo.
    patch& tempo_loop(int beats);
    patch& balance(double osc2_share);            // 0 OSC1 only .. 1 OSC2 only
    patch& osc_gain(double db);
    patch& gain(double db);
    patch& pan(double position);                  // 0 left .. 1 right
    patch& bend(int semitones);                   // 1..12
    patch& unison(int voices, double detune);     // 1..6, detune 0..1
    patch& legato(double portamento_s);

    patch& filter(filter_kind kind, double cutoff_hz, double resonance = 0, double env = 0);
    patch& filter_env(double a_s, double d_s, double sustain, double r_s);
    patch& amp_env(double a_s, double d_s, double sustain, double r_s);
    patch& lfo(int n, lfo_shape shape, double hz);
    // Matrix slot 1..8: source to destination parameter with a cooked amount of +-0.5.
    patch& mod(int slot, mod_source src, int dest, double amount);

    patch& delay_free(double seconds, double wet_db, double feedback_db, bool cross = false);
    // A delay of d sixteenths-ish of the host tempo: d = 0..7 picks 1/32, 1/24, 1/16, 1/12,
    // 3/32, 1/8, 3/16, 1/4 of a whole note.
    patch& delay_synced(int d, double wet_db, double feedback_db, bool cross = false);
    patch& delay_filter(int kind, double cutoff_hz);  // 1 low-pass, 2 high-pass
    patch& plug_tempo(int bpm);
};

}  // namespace factory
