// Mallets and bells: marimba, vibraphone, xylophone, glockenspiel, celesta, music box,
// kalimba, steel drum, gamelan, tubular and church bells.
#include "tools/factory/programs_common.h"

namespace factory {

namespace {

// Struck and left to ring: the held loop decays by the filter envelope (in decibels); the
// amplitude envelope ends the note after `ring_s` or at the key's release.
patch struck(bank_builder& b, const std::string& set_id, double decay_s, double ring_s,
             double release_s) {
    patch p;
    p.wave(1, osc_wave::user_a).loop(1, b.set(set_id)).balance(0.0).bend(2);
    p.amp_env(0.001, ring_s, 0.0, release_s);
    p.filter_env(0.0, decay_s, 0.0, release_s);
    return p;
}

}  // namespace

void add_mallets(bank_builder& b) {
    b.group("Mallets and Bells");
    {
        patch p = struck(b, "marimba", 1.2, 1.6, 0.3);
        dynamics(p, 1, -3, 0.18, 0.35);
        b.add("Marimba", "Rosewood marimba", "marimba", "", p);
    }
    {
        patch p = struck(b, "marimba", 1.0, 1.4, 0.3);
        dynamics(p, 1, -5, 0.16, 0.35);
        p.delay_synced(6, -10, -8, true).delay_filter(1, 3000);
        b.add("Marimba Echo", "Dotted-eighth ping-pong in time with the song", "marimba", "", p);
    }
    {
        patch p = struck(b, "vibraphone", 2.0, 2.0, 0.6);
        p.amp_env(0.001, 2.0, 1.0, 0.6);  // the pedal down: held notes keep ringing
        dynamics(p, 1, -4, 0.15, 0.25);
        b.add("Vibraphone", "Vibes with the pedal down, motor off", "vibraphone", "", p);
    }
    {
        patch p = struck(b, "vibraphone", 2.0, 2.0, 0.6);
        p.amp_env(0.001, 2.0, 1.0, 0.6);
        dynamics(p, 1, -7, 0.15, 0.25);
        p.lfo(1, lfo_shape::sine, 4.8);
        p.mod(3, mod_source::lfo1, P_GAIN, 0.07);
        p.mod(4, mod_source::lfo1, P_PAN, 0.15);
        p.mod(5, mod_source::mod_wheel, P_LFO1_FREQ, 0.1);
        b.add("Vibes Motor", "Vibraphone with its motor tremolo; wheel = faster", "vibraphone", "", p);
    }
    {
        patch p = struck(b, "xylophone", 0.5, 0.8, 0.15);
        dynamics(p, 1, -3, 0.18, 0.35);
        b.add("Xylophone", "Hard mallets on rosewood bars", "xylophone", "", p);
    }
    {
        patch p = struck(b, "glockenspiel", 2.0, 2.0, 0.8);
        dynamics(p, 1, -5, 0.15, 0.25);
        b.add("Glockenspiel", "Steel bars, brass mallets", "glockenspiel", "", p);
    }
    {
        patch p = struck(b, "celesta", 1.5, 2.0, 0.5);
        dynamics(p, 1, -4, 0.15, 0.3);
        p.delay_free(0.31, -20, -14, true);
        b.add("Celesta", "Felt hammers on steel plates", "celesta", "", p);
    }
    {
        patch p = struck(b, "music_box", 1.8, 2.0, 1.0);
        dynamics(p, 1, -5, 0.1, 0.25);
        p.delay_synced(5, -12, -9, true).delay_filter(2, 600);
        b.add("Music Box", "Comb tines and a ticking echo", "music_box", "", p);
    }
    {
        patch p = struck(b, "kalimba", 1.6, 2.0, 0.4);
        dynamics(p, 1, -3, 0.16, 0.3);
        b.add("Kalimba", "Thumb piano with its wooden box", "kalimba", "", p);
    }
    {
        patch p = struck(b, "steel_drum", 1.2, 1.6, 0.3);
        dynamics(p, 1, -3, 0.16, 0.3);
        p.delay_free(0.22, -18, -14);
        b.add("Steel Drum", "Caribbean pan", "steel_drum", "", p);
    }
    {
        patch p = struck(b, "gamelan", 2.0, 2.0, 1.2);
        dynamics(p, 1, -4, 0.14, 0.25);
        p.delay_free(0.55, -14, -9, true).delay_filter(1, 2500);
        b.add("Gamelan", "Bronze bars in beating pairs", "gamelan", "", p);
    }
    {
        patch p = struck(b, "tubular_bells", 2.0, 2.0, 1.5);
        p.amp_env(0.001, 2.0, 1.0, 1.5);
        dynamics(p, 1, -5, 0.12, 0.22);
        p.delay_free(0.6, -16, -10, true).delay_filter(1, 2000);
        b.add("Tubular Bells", "Orchestral chimes, hold keys to let them ring", "tubular_bells", "", p);
    }
    {
        patch p = struck(b, "church_bell", 2.0, 2.0, 2.0);
        p.amp_env(0.001, 2.0, 1.0, 2.0);
        // The hum an octave below the prime, from OSC2.
        p.wave(2, osc_wave::sine).transpose(2, -12).balance(0.2);
        dynamics(p, 1, -6, 0.1, 0.2);
        p.delay_free(0.7, -12, -6, true).delay_filter(1, 1800);
        b.add("Church Bell", "Minor-third bell with its hum on OSC2", "church_bell", "", p);
    }
    {
        patch p = struck(b, "glockenspiel", 2.0, 2.0, 1.2);
        p.wave(2, osc_wave::user_b).loop(2, b.set("celesta")).transpose(2, 12).balance(0.45);
        dynamics(p, 1, -6, 0.14, 0.25);
        p.delay_synced(4, -12, -8, true).delay_filter(2, 800);
        b.add("Crystal Bells", "Glockenspiel and celesta an octave up", "glockenspiel", "celesta", p);
    }
}

}  // namespace factory
