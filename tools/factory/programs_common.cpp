#include "tools/factory/programs_common.h"

#include <stdexcept>

namespace factory {

void bank_builder::add(const std::string& name, const std::string& notes,
                       const std::string& set_a, const std::string& set_b, const patch& p) {
    factory_program prog;
    prog.name = name;
    prog.group = current;
    prog.notes = notes;
    if (!set_a.empty()) prog.sets[0] = sets.get(set_a);
    if (!set_b.empty()) prog.sets[1] = sets.get(set_b);
    prog.values = p.v;
    programs.push_back(std::move(prog));
}

void dynamics(patch& p, int slot, double level_db, double velocity_amount, double decay_amount) {
    // At velocity 100 (0.79) and the envelope's peak the gain reaches level_db.
    double base = double(gain_value(level_db)) - 0.79 * velocity_amount - decay_amount;
    if (base < 0) throw std::invalid_argument("dynamics: level too low for its modulation");
    p.set(P_GAIN, float(base));
    p.mod(slot, mod_source::velocity, P_GAIN, velocity_amount);
    if (decay_amount > 0) p.mod(slot + 1, mod_source::filter_eg, P_GAIN, decay_amount);
}

namespace {
mod_source lfo_source(int lfo) { return mod_source(int(mod_source::lfo1) + lfo - 1); }
int amount_of(int slot) { return P_ASSIGN1_AMOUNT + 3 * (slot - 1); }
}  // namespace

void wheel_vibrato(patch& p, int slot, int lfo, double hz, double cents, bool both) {
    p.lfo(lfo, lfo_shape::sine, hz);
    // The LFO slot starts at no depth; the wheel slot adds depth to its amount. The amount
    // the wheel adds, a, gives +-2a semitones.
    p.mod(slot, lfo_source(lfo), P_OSC1_FINE, 0.0);
    p.mod(slot + 1, mod_source::mod_wheel, amount_of(slot), cents / 200.0);
    if (both) {
        p.mod(slot + 2, lfo_source(lfo), P_OSC2_FINE, 0.0);
        p.mod(slot + 3, mod_source::mod_wheel, amount_of(slot + 2), cents / 200.0);
    }
}

void vibrato(patch& p, int slot, int lfo, double hz, double cents, bool both) {
    p.lfo(lfo, lfo_shape::sine, hz);
    p.mod(slot, lfo_source(lfo), P_OSC1_FINE, cents / 100.0);
    if (both) p.mod(slot + 1, lfo_source(lfo), P_OSC2_FINE, cents / 100.0);
}

void rotary(patch& p, int slot, double horn_hz, double drum_hz) {
    p.lfo(1, lfo_shape::sine, horn_hz);
    p.lfo(2, lfo_shape::triangle, drum_hz);
    p.mod(slot, mod_source::lfo1, P_PAN, 0.3);
    p.mod(slot + 1, mod_source::lfo2, P_FILTER_CUTOFF, 0.05);
}

patch sustained(bank_builder& b, const std::string& set_id, double attack_s, double release_s) {
    patch p;
    p.wave(1, osc_wave::user_a).loop(1, b.set(set_id)).balance(0.0).bend(2);
    p.amp_env(attack_s, 0.0, 1.0, release_s);
    p.gain(-8);
    return p;
}

}  // namespace factory
