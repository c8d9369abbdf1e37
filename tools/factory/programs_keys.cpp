// Keys: tine and reed pianos, drawbar and pipe organs, clavinet, harpsichord, felt piano.
#include "tools/factory/programs_common.h"

namespace factory {

namespace {

// A struck key sound: the sample's onset, then its loop held while the filter envelope takes
// the level down (in decibels, so the decay is exponential) and the key's release ends it.
patch struck(bank_builder& b, const std::string& set_id, double decay_s, double release_s) {
    patch p;
    p.wave(1, osc_wave::user_a).loop(1, b.set(set_id)).balance(0.0).bend(2);
    p.amp_env(0.002, 2.0, 1.0, release_s);
    p.filter_env(0.0, decay_s, 0.0, release_s);
    return p;
}

// An organ: instant on and off, no velocity.
patch organ(bank_builder& b, const std::string& set_id) {
    patch p;
    p.wave(1, osc_wave::user_a).loop(1, b.set(set_id)).bend(2);
    p.amp_env(0.004, 0.0, 1.0, 0.04);
    p.gain(-6);
    return p;
}

}  // namespace

void add_keys(bank_builder& b) {
    b.group("Keys");
    {
        patch p = struck(b, "tine", 2.0, 0.35);
        dynamics(p, 1, -3, 0.16, 0.3);
        p.filter(filter_kind::lp12, 3200, 0.1, 0.0);
        p.mod(3, mod_source::velocity, P_FILTER_CUTOFF, 0.2);
        b.add("Tine Piano", "Electric tine piano; velocity opens the tone", "tine", "", p);
    }
    {
        patch p = struck(b, "tine", 2.0, 0.4);
        dynamics(p, 1, -3, 0.16, 0.3);
        p.lfo(1, lfo_shape::sine, 4.2);
        p.mod(3, mod_source::lfo1, P_PAN, 0.4);
        p.mod(4, mod_source::mod_wheel, P_LFO1_FREQ, 0.12);
        b.add("Tine Stereo Tremolo", "Auto-pan tremolo; the wheel speeds it up", "tine", "", p);
    }
    {
        patch p = struck(b, "tine", 2.0, 0.4);
        dynamics(p, 1, -4, 0.15, 0.28);
        p.unison(2, 0.3);
        p.delay_synced(6, -14, -12, true).delay_filter(1, 3500);
        b.add("Tine Chorus Echo", "Unison chorus and a dotted-eighth cross echo", "tine", "", p);
    }
    {
        patch p = struck(b, "tine", 1.6, 0.35);
        dynamics(p, 1, -3, 0.18, 0.3);
        p.wave(2, osc_wave::sine).transpose(2, 12).balance(0.22);
        p.filter(filter_kind::lp12, 900, 0.25, 0.45);
        p.mod(3, mod_source::velocity, P_FILTER_ENV, 0.2);
        b.add("Dyno Tine", "Bright bark on hard notes, octave sine on OSC2", "tine", "", p);
    }
    {
        patch p = struck(b, "reed", 1.8, 0.3);
        dynamics(p, 1, -3, 0.18, 0.3);
        p.filter(filter_kind::lp12, 2500, 0.2, 0.2);
        b.add("Reed Piano", "Reed electric piano, growls when played hard", "reed", "", p);
    }
    {
        patch p = struck(b, "reed", 1.8, 0.3);
        dynamics(p, 1, -4, 0.16, 0.3);
        p.lfo(1, lfo_shape::triangle, 5.6);
        p.mod(3, mod_source::lfo1, P_GAIN, 0.06);
        p.delay_free(0.28, -18, -14);
        b.add("Reed Tremolo", "Reed piano through a tremolo amp", "reed", "", p);
    }
    {
        patch p = organ(b, "drawbars_888");
        p.wave(2, osc_wave::sine).transpose(2, -12).balance(0.3);
        p.filter(filter_kind::lp12, 7000, 0.0, 0.0);
        rotary(p, 1, 0.8, 0.7);
        p.mod(3, mod_source::mod_wheel, P_LFO1_FREQ, 0.28);  // 0.8 Hz chorale to 6.7 Hz
        b.add("Drawbar Jazz", "888 drawbars with a 16' sine; wheel = rotor fast", "drawbars_888", "", p);
    }
    {
        patch p = organ(b, "drawbars_full");
        p.wave(2, osc_wave::sine).transpose(2, -12).balance(0.25);
        p.filter(filter_kind::lp12, 7500, 0.0, 0.0);
        rotary(p, 1, 6.7, 5.8);
        b.add("Drawbar Full Rotor", "All drawbars out, fast rotary speaker", "drawbars_full", "", p);
    }
    {
        patch p = organ(b, "drawbars_soft");
        // Percussion: OSC2 sounds the 2 2/3' sine at the strike and fades with the filter
        // envelope.
        p.wave(2, osc_wave::sine).transpose(2, 19).balance(0.02);
        p.filter_env(0.0, 0.35, 0.0, 0.05);
        p.mod(1, mod_source::filter_eg, P_OSC_BALANCE, 0.42);
        p.filter(filter_kind::lp12, 7000, 0.0, 0.0);
        p.lfo(1, lfo_shape::sine, 0.9);
        p.mod(2, mod_source::lfo1, P_PAN, 0.25);
        b.add("Percussion Organ", "Soft drawbars with a decaying third-harmonic strike", "drawbars_soft", "", p);
    }
    {
        patch p = organ(b, "drawbars_bright");
        p.filter(filter_kind::lp24, 2400, 0.35, 0.0);
        p.lfo(1, lfo_shape::sine, 0.25);
        p.mod(1, mod_source::mod_wheel, P_FILTER_CUTOFF, 0.3);
        p.mod(2, mod_source::lfo1, P_PAN, 0.2);
        p.delay_free(0.33, -16, -12, true);
        b.add("Bright Drawbars", "Bright registration; the wheel opens the filter", "drawbars_bright", "", p);
    }
    {
        patch p;
        p.wave(1, osc_wave::user_a).loop(1, b.set("pipe_principal"));
        p.wave(2, osc_wave::user_b).loop(2, b.set("pipe_flute")).transpose(2, 12).balance(0.35);
        p.amp_env(0.05, 0.0, 1.0, 0.6).gain(-7).bend(2);
        p.delay_free(0.45, -12, -7, true).delay_filter(1, 2500);
        b.add("Pipe Organ", "Principal 8' with a 4' flute, in a stone room", "pipe_principal", "pipe_flute", p);
    }
    {
        patch p;
        p.wave(1, osc_wave::user_a).loop(1, b.set("pipe_reed"));
        p.wave(2, osc_wave::user_b).loop(2, b.set("pipe_principal")).transpose(2, -12).balance(0.4);
        p.amp_env(0.04, 0.0, 1.0, 0.5).gain(-8).bend(2);
        p.delay_free(0.5, -13, -8, true).delay_filter(1, 3000);
        b.add("Trompette Plenum", "Reed stop over a 16' principal", "pipe_reed", "pipe_principal", p);
    }
    {
        patch p = struck(b, "clav", 0.9, 0.08);
        dynamics(p, 1, 6, 0.18, 0.35);
        p.filter(filter_kind::ana_lp, 2600, 0.25, 0.2);
        p.mod(3, mod_source::velocity, P_FILTER_CUTOFF, 0.25);
        b.add("Clavinet", "Funky clavinet, velocity to brightness", "clav", "", p);
    }
    {
        patch p = struck(b, "clav", 0.9, 0.08);
        dynamics(p, 1, 7, 0.15, 0.35);
        p.filter(filter_kind::bpf, 1200, 0.55, 0.0);
        p.lfo(1, lfo_shape::triangle, 2.8);
        p.mod(3, mod_source::lfo1, P_FILTER_CUTOFF, 0.22);
        p.mod(4, mod_source::mod_wheel, P_LFO1_FREQ, 0.12);
        b.add("Clav Auto Wah", "Band-pass wah swept by LFO1; wheel = faster", "clav", "", p);
    }
    {
        patch p = struck(b, "harpsichord", 2.0, 0.15);
        p.wave(2, osc_wave::user_a).loop(2, b.set("harpsichord")).transpose(2, 12).balance(0.3);
        // A harpsichord does not answer velocity: only the decay moves the level.
        p.set(P_GAIN, gain_value(-4) - 0.3f);
        p.mod(1, mod_source::filter_eg, P_GAIN, 0.3);
        b.add("Harpsichord 8+4", "Both oscillators on one set, OSC2 an octave up", "harpsichord", "", p);
    }
    {
        patch p = struck(b, "felt_piano", 2.0, 0.5);
        dynamics(p, 1, -3, 0.2, 0.3);
        p.filter(filter_kind::lp12, 1800, 0.0, 0.15);
        p.mod(3, mod_source::velocity, P_FILTER_CUTOFF, 0.3);
        p.delay_free(0.38, -20, -14, true).delay_filter(1, 2000);
        b.add("Felt Piano", "Soft hammered piano with a distant echo", "felt_piano", "", p);
    }
}

}  // namespace factory
