// The factory bank as plain data: 128 programs, each a name, a group, two user sample sets
// ("UserA", "UserB") of up to eight slots with a 128-key map, and the 87 parameter values
// the sound intends. The records of the sound data (program, wavetable, waveform,
// sample_data, timbre) are filled from this one field for one field; the stored form of the
// values (83 of them, as a version 0x300 record keeps them) comes from factory_values.h.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace factory {

inline constexpr int sample_rate = 44100;
inline constexpr int max_slots = 8;
inline constexpr int key_count = 128;
inline constexpr int value_count = 87;
inline constexpr int max_name_length = 23;

using audio = std::vector<float>;

// One sample slot: what sample_data and the slot name of a waveform hold.
struct factory_slot {
    std::string name;                     // slot name, e.g. "Marimba C4"
    std::shared_ptr<const audio> samples; // mono, -1..1, at `rate`; shared between programs
    int rate = sample_rate;
    int xpose = 0;     // sample_data::xpose, semitones -24..24
    int finetune = 0;  // sample_data::finetune, cents 0..100

    // What the sample is, for the key map and for checking it (not stored in the record):
    int root_key = -1;          // the key the sample was made for
    bool pitched = false;       // it has a pitch, tuned exactly to root_key
    double tuning_ratio = 1.0;  // the partial that carries the pitch, relative to the root
                                // (1 for harmonic tones; 2 for a tubular bell's strike tone)
    double spread_cents = 0;    // a section's players spread this far either side of the root
    double vibrato_cents = 0;   // depth of the pitch vibrato recorded in the sample
    bool harmonic = true;       // its partials lie on the harmonics of the root

    size_t frames() const { return samples ? samples->size() : 0; }
};

// One user sample set: a waveform's eight slots (fewer here; the rest stay empty), its key
// map and its wave name.
struct factory_set {
    std::string name;                  // wave name; empty for an unused set
    std::vector<factory_slot> slots;   // at most max_slots
    std::array<int, key_count> keymap{};  // key -> index into slots

    // How the set is meant to be played (not stored; the program's values carry it):
    bool sustained = false;       // the samples have a seamless loop ...
    float loop_begin_value = 0;   // ... at these loop begin / loop length values
    float loop_length_value = 0;
    double loop_bpm = 0;          // a tempo loop: its tempo and length in beats
    int loop_beats = 0;

    bool empty() const { return slots.empty(); }
};

struct factory_program {
    std::string name;   // at most 23 characters, unique in the bank
    std::string group;  // "Keys", "Plucked", ...
    std::string notes;  // how to play it and what it shows of the instrument
    std::array<factory_set, 2> sets;  // 0 "UserA", 1 "UserB"
    std::array<float, value_count> values{};  // the intended 87 parameter values
};

// The whole bank in its order. Generates every sample (deterministically); samples used by
// several programs are generated once and shared.
std::vector<factory_program> make_factory_programs();

}  // namespace factory
