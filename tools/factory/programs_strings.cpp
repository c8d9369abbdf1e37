// Strings and choirs: solo and section strings, pizzicato, choirs and a solo voice.
#include "tools/factory/programs_common.h"

namespace factory {

namespace {

patch bowed(bank_builder& b, const std::string& set_id, double attack_s, double release_s) {
    patch p;
    p.wave(1, osc_wave::user_a).loop(1, b.set(set_id)).balance(0.0).bend(2);
    p.amp_env(attack_s, 0.0, 1.0, release_s);
    return p;
}

}  // namespace

void add_strings_choirs(bank_builder& b) {
    b.group("Strings and Choirs");
    {
        patch p = bowed(b, "violin", 0.06, 0.3);
        dynamics(p, 1, -3, 0.14);
        wheel_vibrato(p, 2, 2, 5.6, 22, false);
        p.legato(0.06);
        b.add("Solo Violin", "Legato slides; the wheel adds vibrato", "violin", "", p);
    }
    {
        patch p = bowed(b, "violin", 0.12, 0.35);
        dynamics(p, 1, -3, 0.14);
        vibrato(p, 2, 2, 5.4, 14, false);
        // Harder notes speak faster.
        p.mod(3, mod_source::velocity, P_EG_ATTACK, -0.15);
        p.filter(filter_kind::lp12, 3500, 0.0, 0.0);
        p.mod(4, mod_source::velocity, P_FILTER_CUTOFF, 0.12);
        p.delay_free(0.34, -20, -14, true);
        b.add("Violin Espressivo", "Always-on vibrato; velocity sets bow speed", "violin", "", p);
    }
    {
        patch p = bowed(b, "cello", 0.08, 0.35);
        dynamics(p, 1, -3, 0.14);
        wheel_vibrato(p, 2, 2, 5.2, 20, false);
        p.legato(0.08);
        b.add("Solo Cello", "Legato cello; the wheel adds vibrato", "cello", "", p);
    }
    {
        patch p = bowed(b, "strings", 0.15, 0.5);
        dynamics(p, 1, -6, 0.12);
        p.unison(2, 0.2);
        b.add("String Section", "Full section, two unison voices wide", "strings", "", p);
    }
    {
        patch p = bowed(b, "strings", 0.9, 1.2);
        dynamics(p, 1, -6, 0.1);
        p.filter(filter_kind::lp12, 900, 0.0, 0.35).filter_env(1.2, 1.0, 0.6, 1.2);
        p.delay_free(0.48, -16, -10, true).delay_filter(1, 2000);
        b.add("Slow Strings", "Slow swell that opens as it grows", "strings", "", p);
    }
    {
        patch p = bowed(b, "strings", 0.05, 0.3);
        dynamics(p, 1, -9, 0.12);
        p.lfo(1, lfo_shape::square, 7.5);
        p.mod(2, mod_source::lfo1, P_GAIN, 0.14);
        b.add("Tremolo Strings", "Measured tremolo from a square LFO", "strings", "", p);
    }
    {
        patch p;
        p.wave(1, osc_wave::user_a).balance(0.0).bend(2);
        p.amp_env(0.001, 0.0, 1.0, 0.2);
        dynamics(p, 1, -3, 0.2);
        p.filter(filter_kind::lp12, 2500, 0.0, 0.0);
        p.mod(2, mod_source::velocity, P_FILTER_CUTOFF, 0.2);
        b.add("Pizzicato Strings", "Plucked section, one-shot samples", "pizzicato", "", p);
    }
    {
        patch p = bowed(b, "strings", 0.2, 0.6);
        p.wave(2, osc_wave::user_a).loop(2, b.set("strings")).transpose(2, -12).balance(0.42);
        dynamics(p, 1, -6, 0.12);
        b.add("Octave Strings", "The section doubled an octave down on OSC2", "strings", "", p);
    }
    {
        patch p = bowed(b, "strings", 0.35, 0.5);
        // OSC2 plays the pizzicato once for the bite; the section swells in behind it.
        p.wave(2, osc_wave::user_b).balance(0.5);
        dynamics(p, 1, -6, 0.14);
        b.add("Pizz and Bows", "Pizzicato attack on OSC2 into a bowed swell", "strings", "pizzicato", p);
    }
    {
        patch p = bowed(b, "choir_aah", 0.25, 0.8);
        dynamics(p, 1, -6, 0.1);
        p.delay_free(0.42, -16, -10, true).delay_filter(1, 2500);
        b.add("Choir Aah", "Mixed choir singing aah", "choir_aah", "", p);
    }
    {
        patch p = bowed(b, "choir_ooh", 0.3, 0.9);
        dynamics(p, 1, -6, 0.1);
        p.delay_free(0.42, -16, -10, true).delay_filter(1, 2500);
        b.add("Choir Ooh", "Mixed choir singing ooh", "choir_ooh", "", p);
    }
    {
        patch p = bowed(b, "choir_aah", 0.3, 0.9);
        p.wave(2, osc_wave::user_b).loop(2, b.set("choir_ooh")).balance(0.5);
        p.lfo(1, lfo_shape::sine, 0.12);
        p.mod(1, mod_source::lfo1, P_OSC_BALANCE, 0.45);
        p.mod(2, mod_source::mod_wheel, P_OSC_BALANCE, -0.5);
        p.gain(-6);
        b.add("Vowel Morph Choir", "LFO1 turns aah into ooh; the wheel holds aah", "choir_aah", "choir_ooh", p);
    }
    {
        patch p = bowed(b, "solo_oh", 0.12, 0.5);
        dynamics(p, 1, -3, 0.12);
        wheel_vibrato(p, 2, 2, 5.3, 25, false);
        p.legato(0.09);
        p.delay_free(0.36, -18, -12, true).delay_filter(1, 3000);
        b.add("Solo Voice Oh", "A single legato voice; wheel for vibrato", "solo_oh", "", p);
    }
    {
        patch p = bowed(b, "choir_ooh", 0.5, 1.5);
        p.wave(2, osc_wave::user_a).loop(2, b.set("choir_ooh")).transpose(2, 12).balance(0.3);
        p.filter(filter_kind::hpf, 250, 0.0, 0.0);
        p.gain(-7);
        p.delay_free(0.62, -10, -5, true).delay_filter(1, 3000);
        b.add("Angel Voices", "Ooh choir with its octave, high-passed, long echoes", "choir_ooh", "", p);
    }
    {
        patch p = bowed(b, "strings", 0.3, 0.8);
        p.wave(2, osc_wave::user_b).loop(2, b.set("choir_aah")).balance(0.45);
        dynamics(p, 1, -7, 0.1);
        b.add("Strings and Choir", "Section on OSC1, aah choir on OSC2", "strings", "choir_aah", p);
    }
    {
        patch p;
        p.wave(1, osc_wave::saw).wave(2, osc_wave::saw).fine(2, 8).balance(0.5).bend(2);
        p.osc_gain(4).unison(4, 0.35);
        p.amp_env(0.3, 0.0, 1.0, 0.6);
        p.filter(filter_kind::lp24, 3000, 0.1, 0.0);
        p.lfo(1, lfo_shape::triangle, 0.3);
        p.mod(1, mod_source::lfo1, P_FILTER_CUTOFF, 0.04);
        dynamics(p, 2, -11, 0.1);
        b.add("Synth Strings", "Two saws in four-voice unison", "", "", p);
    }
}

}  // namespace factory
