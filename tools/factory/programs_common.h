// Shared pieces of the factory program definitions: the builder that collects programs with
// their sample sets, and the playing habits many programs share (velocity, plucked decays,
// vibrato on the mod wheel, a rotary speaker).
#pragma once

#include <string>
#include <vector>

#include "tools/factory/factory_program.h"
#include "tools/factory/factory_values.h"
#include "tools/factory/sample_sets.h"

namespace factory {

class bank_builder {
public:
    explicit bank_builder(sample_sets& s) : sets(s) {}
    void group(const std::string& name) { current = name; }
    // Adds a program playing the sets with these ids ("" for none) as UserA and UserB.
    void add(const std::string& name, const std::string& notes, const std::string& set_a,
             const std::string& set_b, const patch& p);
    // The set behind an id, for loop values and the like.
    const factory_set& set(const std::string& id) { return sets.get(id); }
    std::vector<factory_program> take() { return std::move(programs); }

private:
    sample_sets& sets;
    std::string current;
    std::vector<factory_program> programs;
};

// Group definitions, one file each.
void add_keys(bank_builder& b);
void add_plucked(bank_builder& b);
void add_mallets(bank_builder& b);
void add_strings_choirs(bank_builder& b);
void add_winds(bank_builder& b);
void add_leads(bank_builder& b);
void add_basses(bank_builder& b);
void add_pads(bank_builder& b);
void add_textures(bank_builder& b);
void add_drums(bank_builder& b);

// Level that follows velocity (matrix slot `slot`) and, when decay_amount > 0, falls with
// the filter envelope (slot + 1): a sound that dies away exponentially, since the gain is in
// decibels. level_db is the peak level at velocity 100.
void dynamics(patch& p, int slot, double level_db, double velocity_amount, double decay_amount = 0);

// A pitch vibrato of +-cents from LFO `lfo` (sine, hz) on OSC1 (and OSC2 when both): the mod
// wheel opens it. Uses two matrix slots per oscillator from `slot` on.
void wheel_vibrato(patch& p, int slot, int lfo, double hz, double cents, bool both);
// A vibrato that is always there: one slot per oscillator from `slot` on.
void vibrato(patch& p, int slot, int lfo, double hz, double cents, bool both);

// A rotary speaker: LFO1 swings the pan, LFO2 the brightness, at horn and drum speeds.
void rotary(patch& p, int slot, double horn_hz, double drum_hz);

// A sustained sound: OSC1 alone on the looped set `set_id`, with these attack and release
// times; what pads and textures start from.
patch sustained(bank_builder& b, const std::string& set_id, double attack_s, double release_s);

}  // namespace factory
