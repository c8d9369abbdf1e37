// Basses: plucked electric and upright basses, and synthesizer basses.
#include "tools/factory/programs_common.h"

namespace factory {

namespace {

patch plucked_bass(bank_builder& b, const std::string& set_id) {
    patch p;
    p.wave(1, osc_wave::user_a).loop(1, b.set(set_id)).balance(0.0).bend(2);
    p.amp_env(0.001, 2.0, 0.0, 0.12);
    p.filter_env(0.0, 1.8, 0.0, 0.12);
    return p;
}

patch synth_bass(osc_wave w1, osc_wave w2, double osc2_share) {
    patch p;
    p.wave(1, w1).wave(2, w2).balance(osc2_share).bend(2);
    p.osc_gain(5);
    p.amp_env(0.002, 0.0, 1.0, 0.08);
    return p;
}

}  // namespace

void add_basses(bank_builder& b) {
    b.group("Basses");
    {
        patch p = plucked_bass(b, "finger_bass");
        dynamics(p, 1, -2, 0.16, 0.25);
        p.filter(filter_kind::lp12, 1200, 0.0, 0.2);
        b.add("Finger Bass", "Electric bass played with the fingers", "finger_bass", "", p);
    }
    {
        patch p = plucked_bass(b, "pick_bass");
        dynamics(p, 1, -2, 0.16, 0.25);
        p.filter(filter_kind::lp12, 1800, 0.1, 0.25);
        p.mod(3, mod_source::velocity, P_FILTER_CUTOFF, 0.15);
        b.add("Pick Bass", "Bright picked bass", "pick_bass", "", p);
    }
    {
        patch p = plucked_bass(b, "upright_bass");
        dynamics(p, 1, -2, 0.14, 0.3);
        b.add("Upright Bass", "Acoustic double bass, pizzicato", "upright_bass", "", p);
    }
    {
        patch p = plucked_bass(b, "finger_bass");
        p.amp_env(0.01, 2.0, 0.3, 0.15);
        dynamics(p, 1, -2, 0.14, 0.2);
        p.filter(filter_kind::lp12, 800, 0.15, 0.2);
        wheel_vibrato(p, 3, 2, 4.8, 20, false);
        p.legato(0.09);
        b.add("Fretless Bass", "Legato slides, mellow, wheel vibrato", "finger_bass", "", p);
    }
    {
        patch p = plucked_bass(b, "pick_bass");
        dynamics(p, 1, -2, 0.2, 0.25);
        p.filter(filter_kind::lp24, 600, 0.2, 0.55).filter_env(0.0, 0.15, 0.2, 0.1);
        p.mod(3, mod_source::velocity, P_FILTER_ENV, 0.25);
        b.add("Slap Bass", "Hard notes pop open the filter", "pick_bass", "", p);
    }
    {
        patch p = synth_bass(osc_wave::saw, osc_wave::square, 0.35);
        p.transpose(2, -12);
        p.filter(filter_kind::lp24, 380, 0.3, 0.45).filter_env(0.0, 0.25, 0.2, 0.1);
        dynamics(p, 1, -12, 0.14);
        p.mod(2, mod_source::velocity, P_FILTER_ENV, 0.15);
        b.add("Analog Bass", "Saw and sub square through a 24 dB filter", "", "", p);
    }
    {
        patch p = synth_bass(osc_wave::sine, osc_wave::triangle, 0.15);
        p.transpose(2, 12);
        dynamics(p, 1, -1, 0.1);
        b.add("Sub Bass", "Deep sine with a touch of triangle", "", "", p);
    }
    {
        patch p = synth_bass(osc_wave::saw, osc_wave::saw, 0.0);
        p.filter(filter_kind::ana_lp, 260, 0.8, 0.6).filter_env(0.0, 0.18, 0.0, 0.08);
        dynamics(p, 1, 5, 0.1);
        p.mod(2, mod_source::velocity, P_FILTER_ENV, 0.25);
        p.legato(0.06);
        b.add("Acid Bass", "Squelchy ladder bass; overlap notes to slide", "", "", p);
    }
    {
        patch p = synth_bass(osc_wave::square, osc_wave::square, 0.4);
        p.transpose(2, -12);
        p.filter(filter_kind::lp12, 800, 0.1, 0.2).filter_env(0.0, 0.3, 0.3, 0.1);
        dynamics(p, 1, -9, 0.12);
        b.add("Square Bass", "Round square-wave bass", "", "", p);
    }
    {
        patch p;
        p.wave(1, osc_wave::user_a).loop(1, b.set("fat_saw")).balance(0.0).bend(2);
        p.amp_env(0.002, 0.0, 1.0, 0.1);
        p.filter(filter_kind::lp24, 300, 0.45, 0.0);
        p.lfo(1, lfo_shape::sine, 2.0);
        p.mod(1, mod_source::lfo1, P_FILTER_CUTOFF, 0.3);
        p.mod(2, mod_source::mod_wheel, P_LFO1_FREQ, 0.2);
        p.gain(-7);
        b.add("Wobble Bass", "LFO1 wobbles the filter; the wheel speeds it up", "fat_saw", "", p);
    }
    {
        patch p = synth_bass(osc_wave::saw, osc_wave::sine, 0.4);
        p.transpose(2, -12);
        p.filter(filter_kind::ana_lp, 500, 0.4, 0.3).filter_env(0.0, 0.4, 0.3, 0.1);
        dynamics(p, 1, 4, 0.12);
        p.legato(0.12);
        b.add("Legato Bass", "Play it legato for glides", "", "", p);
    }
    {
        patch p;
        p.wave(1, osc_wave::user_a).loop(1, b.set("sync"));
        p.wave(2, osc_wave::sine).transpose(2, -12).balance(0.4).bend(2);
        p.amp_env(0.002, 0.0, 1.0, 0.1);
        p.filter(filter_kind::lp24, 1200, 0.2, 0.3).filter_env(0.0, 0.3, 0.3, 0.1);
        dynamics(p, 1, -3, 0.12);
        b.add("Sync Bass", "Hard-sync sample over a sine sub", "sync", "", p);
    }
    {
        patch p = synth_bass(osc_wave::saw, osc_wave::saw, 0.0);
        p.filter(filter_kind::lp24, 220, 0.7, 0.4).filter_env(0.0, 0.3, 0.1, 0.1);
        dynamics(p, 1, -17, 0.12);
        p.mod(2, mod_source::note, P_FILTER_CUTOFF, 0.25);
        b.add("Reso Bass", "Resonant 24 dB bass; the filter tracks the keys", "", "", p);
    }
    {
        patch p;
        p.wave(1, osc_wave::user_a).loop(1, b.set("fat_saw")).balance(0.0).bend(2);
        p.amp_env(0.002, 0.0, 1.0, 0.12).unison(2, 0.2);
        p.filter(filter_kind::lp24, 700, 0.2, 0.3).filter_env(0.0, 0.35, 0.3, 0.1);
        dynamics(p, 1, -7, 0.12);
        b.add("Fat Saw Bass", "Three detuned saws, doubled in unison", "fat_saw", "", p);
    }
}

}  // namespace factory
