// Turns a sound model into a user sample set: one slot per root key, each rendered by the
// model, finished (loop sealed, edges faded, peak set) and mapped over its share of keys.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "tools/factory/drums.h"
#include "tools/factory/factory_program.h"
#include "tools/factory/sample_layout.h"

namespace factory {

// What the model is asked for: `frames` samples at hz for slot `index`. A sustained set's
// sample must be steady from steady_s on (the loop and its crossfade lie after it), and
// any slow motion in it should repeat every loop_s seconds, the slot's loop length.
struct render_job {
    double hz;
    size_t frames;
    double steady_s;
    double loop_s;
    int index;
};

struct set_recipe {
    std::string name;        // wave name; slot names add the root ("Marimba C4")
    std::vector<int> roots;  // ascending MIDI keys, at most max_slots

    bool sustained = false;
    loop_plan plan;                // for sustained sets
    double crossfade_s = 0.04;     // loop crossfade
    double seconds = 1.0;          // length of one-shot samples
    double fade_in_ms = 0.7, fade_out_ms = 30.0;

    bool pitched = true;
    double tuning_ratio = 1.0;
    double spread_cents = 0;   // detune of a section's outer players
    double vibrato_cents = 0;  // pitch vibrato depth in the samples
    bool harmonic = true;      // false for bells, free bars and tines

    // Sets whose model decays (plucks): the builder evens out the decay from the steady
    // point on, so the loop holds one level.
    bool hold_tail = false;

    std::function<buffer(const render_job&)> render;
};

factory_set build_set(const set_recipe& r);

// Keys split half-way between neighbouring roots; the outer slots reach the keyboard ends.
std::array<int, key_count> keymap_for_roots(const std::vector<int>& roots);
std::string note_name(int key);  // "C4" for key 60

// A drum kit: one hit per slot, played by the keys of `keymap`.
struct kit_piece {
    drum kind;
    double note = -1;  // body pitch; < 0 for the hit's default
    double length = 1.0;
};
// `length` shortens every hit (its decay and its sample) for the kit's size.
factory_set build_kit(const std::string& name, const std::vector<kit_piece>& pieces,
                      const std::array<int, key_count>& keymap, uint64_t seed, double length);

// A tempo loop in one slot played by every key. `xpose` shifts the key the oscillator
// plays it at, so the grains fall on the loop's own kick pitch (see programs_drums.cpp).
factory_set build_loop(const std::string& name, const loop_params& p, int xpose);

}  // namespace factory
