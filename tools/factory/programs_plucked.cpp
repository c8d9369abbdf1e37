// Plucked: guitars, harp, koto, banjo, mandolin, dulcimer and synthetic plucks.
#include "tools/factory/programs_common.h"

namespace factory {

namespace {

// A plucked string: the sample's natural onset, its evened-out tail looped, the filter
// envelope bringing the level and the brightness down, and the amplitude envelope ending
// the note after decay_s even if the key is held.
patch plucked(bank_builder& b, const std::string& set_id, double decay_s, double release_s) {
    patch p;
    p.wave(1, osc_wave::user_a).loop(1, b.set(set_id)).balance(0.0).bend(2);
    p.amp_env(0.001, decay_s, 0.0, release_s);
    p.filter_env(0.0, decay_s * 0.8, 0.0, release_s);
    return p;
}

}  // namespace

void add_plucked(bank_builder& b) {
    b.group("Plucked");
    {
        patch p = plucked(b, "nylon", 2.0, 0.3);
        dynamics(p, 1, -3, 0.16, 0.3);
        p.filter(filter_kind::lp12, 2200, 0.0, 0.2);
        b.add("Nylon Guitar", "Classical guitar; velocity and the decay shape the tone", "nylon", "", p);
    }
    {
        patch p = plucked(b, "nylon", 2.0, 0.6);
        dynamics(p, 1, -4, 0.14, 0.28);
        p.filter(filter_kind::lp12, 1500, 0.0, 0.15);
        wheel_vibrato(p, 3, 2, 5.2, 18, false);
        p.delay_synced(7, -16, -11, true).delay_filter(1, 2200);
        b.add("Nylon Ballad", "Darker nylon, quarter-note echo, wheel vibrato", "nylon", "", p);
    }
    {
        patch p = plucked(b, "steel", 2.0, 0.3);
        dynamics(p, 1, -3, 0.16, 0.3);
        p.filter(filter_kind::lp12, 4000, 0.0, 0.15);
        b.add("Steel Guitar", "Bright acoustic steel-string guitar", "steel", "", p);
    }
    {
        patch p = plucked(b, "steel", 2.0, 0.35);
        p.wave(2, osc_wave::user_a).loop(2, b.set("steel")).transpose(2, 12).fine(2, -6).balance(0.4);
        dynamics(p, 1, -4, 0.15, 0.3);
        p.filter(filter_kind::lp12, 4500, 0.0, 0.1);
        b.add("Twelve String", "OSC2 plays the octave course, a little flat", "steel", "", p);
    }
    {
        patch p = plucked(b, "steel", 2.0, 0.4);
        dynamics(p, 1, -4, 0.15, 0.3);
        p.filter(filter_kind::lp12, 3500, 0.0, 0.15);
        p.delay_synced(5, -11, -8, true).delay_filter(1, 3000);
        b.add("Steel Echo", "Eighth-note ping-pong echo that follows the tempo", "steel", "", p);
    }
    {
        patch p = plucked(b, "harp", 2.0, 0.9);
        dynamics(p, 1, -3, 0.16, 0.25);
        p.filter(filter_kind::lp12, 3000, 0.0, 0.1);
        p.delay_free(0.36, -20, -15, true).delay_filter(1, 2500);
        b.add("Concert Harp", "Warm harp with a long release", "harp", "", p);
    }
    {
        patch p = plucked(b, "harp", 2.0, 1.2);
        dynamics(p, 1, -5, 0.14, 0.25);
        p.wave(2, osc_wave::sine).transpose(2, 12).balance(0.15);
        p.delay_synced(2, -10, -5, true).delay_filter(2, 400);
        b.add("Harp Cascade", "Sixteenth echoes run down behind every note", "harp", "", p);
    }
    {
        patch p = plucked(b, "koto", 2.0, 0.4);
        dynamics(p, 1, -3, 0.17, 0.3);
        wheel_vibrato(p, 3, 2, 6.0, 35, false);
        p.bend(5);
        b.add("Koto", "Koto; wheel for a deep vibrato, bend range 5", "koto", "", p);
    }
    {
        patch p = plucked(b, "banjo", 1.6, 0.2);
        dynamics(p, 1, -3, 0.15, 0.32);
        b.add("Banjo", "Five-string banjo twang", "banjo", "", p);
    }
    {
        patch p = plucked(b, "mandolin", 2.0, 0.25);
        dynamics(p, 1, -4, 0.12, 0.2);
        p.lfo(1, lfo_shape::square, 8.0);
        p.mod(3, mod_source::lfo1, P_GAIN, 0.1);
        p.mod(4, mod_source::mod_wheel, P_ASSIGN3_AMOUNT, 0.12);
        b.add("Mandolin Tremolo", "Tremolo picking from LFO1; wheel deepens it", "mandolin", "", p);
    }
    {
        patch p = plucked(b, "dulcimer", 2.0, 0.8);
        dynamics(p, 1, -4, 0.16, 0.25);
        p.delay_free(0.3, -18, -12, true);
        b.add("Hammer Dulcimer", "Paired strings, a shimmering ring", "dulcimer", "", p);
    }
    {
        patch p;
        p.wave(1, osc_wave::user_a).balance(0.0).bend(2);
        p.amp_env(0.001, 0.0, 1.0, 0.06);
        dynamics(p, 1, -3, 0.2);
        p.filter(filter_kind::lp12, 2000, 0.1, 0.0);
        p.mod(2, mod_source::velocity, P_FILTER_CUTOFF, 0.2);
        b.add("Muted Guitar", "Palm-muted one-shots for funk and reggae", "muted_guitar", "", p);
    }
    {
        patch p;
        p.wave(1, osc_wave::saw).wave(2, osc_wave::square).transpose(2, 12).balance(0.3);
        p.osc_gain(5).bend(2);
        p.amp_env(0.001, 0.9, 0.0, 0.3);
        p.filter(filter_kind::ana_lp, 300, 0.45, 0.5).filter_env(0.0, 0.25, 0.0, 0.2);
        dynamics(p, 1, 4, 0.15);
        p.mod(2, mod_source::velocity, P_FILTER_ENV, 0.2);
        p.delay_synced(6, -12, -9, true).delay_filter(1, 2500);
        b.add("Synth Pluck", "Saw and square through the ladder filter, synced echo", "", "", p);
    }
    {
        patch p = plucked(b, "nylon", 2.0, 1.5);
        p.wave(2, osc_wave::triangle).balance(0.35);
        p.amp_env(0.001, 2.0, 0.35, 1.5);
        dynamics(p, 1, -6, 0.12, 0.2);
        p.unison(2, 0.25);
        p.filter(filter_kind::lp24, 2500, 0.1, 0.2);
        p.delay_free(0.42, -12, -8, true).delay_filter(1, 2000);
        b.add("Pluck Pad", "Guitar onset over a held triangle; unison and echo", "nylon", "", p);
    }
}

}  // namespace factory
