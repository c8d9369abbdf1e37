// Leads: monophonic and polyphonic solo sounds on the built-in waves and sampled analogue
// waves, most of them legato with portamento.
#include "tools/factory/programs_common.h"

namespace factory {

namespace {

patch lead(osc_wave w1, osc_wave w2, double osc2_share) {
    patch p;
    p.wave(1, w1).wave(2, w2).balance(osc2_share).bend(2);
    p.osc_gain(5);
    p.amp_env(0.005, 0.0, 1.0, 0.15);
    return p;
}

}  // namespace

void add_leads(bank_builder& b) {
    b.group("Leads");
    {
        patch p = lead(osc_wave::saw, osc_wave::saw, 0.5);
        p.fine(2, 7);
        p.filter(filter_kind::lp24, 2800, 0.2, 0.3).filter_env(0.0, 0.35, 0.5, 0.2);
        dynamics(p, 1, -9, 0.12);
        wheel_vibrato(p, 2, 2, 5.5, 25, true);
        p.legato(0.07);
        p.delay_synced(5, -16, -12, true);
        b.add("Saw Lead", "Two detuned saws, legato glide, wheel vibrato", "", "", p);
    }
    {
        patch p = lead(osc_wave::square, osc_wave::square, 0.35);
        p.transpose(2, -12);
        p.filter(filter_kind::lp12, 3000, 0.1, 0.0);
        dynamics(p, 1, -7, 0.12);
        wheel_vibrato(p, 2, 2, 5.0, 20, true);
        p.legato(0.04);
        b.add("Square Lead", "Hollow squares an octave apart", "", "", p);
    }
    {
        patch p = lead(osc_wave::saw, osc_wave::square, 0.3);
        p.filter(filter_kind::ana_lp, 900, 0.5, 0.35).filter_env(0.0, 0.5, 0.4, 0.3);
        dynamics(p, 1, 3, 0.12);
        p.mod(2, mod_source::mod_wheel, P_FILTER_CUTOFF, 0.3);
        p.legato(0.25);
        b.add("Mono Glide", "Long portamento through the ladder filter", "", "", p);
    }
    {
        patch p;
        p.wave(1, osc_wave::user_a).loop(1, b.set("sync"));
        p.wave(2, osc_wave::user_b).loop(2, b.set("sync_bright")).balance(0.5).bend(2);
        p.amp_env(0.005, 0.0, 1.0, 0.15);
        p.lfo(1, lfo_shape::triangle, 0.35);
        p.mod(1, mod_source::lfo1, P_OSC_BALANCE, 0.45);
        p.mod(2, mod_source::mod_wheel, P_OSC_BALANCE, 0.5);
        dynamics(p, 3, -5, 0.1);
        p.legato(0.05);
        b.add("Sync Lead", "Two hard-sync samples swept by LFO1; wheel = bright", "sync", "sync_bright", p);
    }
    {
        patch p;
        p.wave(1, osc_wave::user_a).loop(1, b.set("supersaw")).balance(0.0).bend(2);
        p.amp_env(0.005, 0.0, 1.0, 0.3).unison(3, 0.3);
        p.filter(filter_kind::lp24, 6000, 0.1, 0.0);
        dynamics(p, 1, -8, 0.1);
        p.delay_synced(6, -12, -9, true).delay_filter(1, 4000);
        b.add("Supersaw Lead", "Seven-saw sample in three-voice unison", "supersaw", "", p);
    }
    {
        patch p;
        p.wave(1, osc_wave::user_a).loop(1, b.set("pwm")).balance(0.0).bend(2);
        p.amp_env(0.005, 0.0, 1.0, 0.2);
        p.filter(filter_kind::lp12, 4000, 0.0, 0.0);
        dynamics(p, 1, -4, 0.12);
        wheel_vibrato(p, 2, 2, 5.5, 22, false);
        p.legato(0.06);
        b.add("PWM Lead", "Pulse-width sweep sample, legato", "pwm", "", p);
    }
    {
        patch p = lead(osc_wave::saw, osc_wave::saw, 0.45);
        p.transpose(2, 7);
        p.filter(filter_kind::lp24, 1800, 0.25, 0.35).filter_env(0.0, 0.6, 0.5, 0.3);
        dynamics(p, 1, -9, 0.12);
        p.legato(0.05);
        b.add("Fifth Lead", "Saws a fifth apart", "", "", p);
    }
    {
        patch p = lead(osc_wave::sine, osc_wave::triangle, 0.15);
        p.transpose(2, 12).amp_env(0.03, 0.0, 1.0, 0.2);
        dynamics(p, 1, -3, 0.1);
        vibrato(p, 2, 2, 5.6, 12, true);
        p.legato(0.1);
        p.delay_free(0.35, -16, -10, true);
        b.add("Whistle Lead", "Sine whistle with constant vibrato", "", "", p);
    }
    {
        patch p = lead(osc_wave::saw, osc_wave::saw, 0.0);
        p.filter(filter_kind::ana_lp, 400, 0.78, 0.55).filter_env(0.0, 0.2, 0.0, 0.1);
        dynamics(p, 1, 6, 0.1);
        p.mod(2, mod_source::velocity, P_FILTER_ENV, 0.2);
        p.legato(0.05);
        p.delay_synced(6, -14, -8, true);
        b.add("Acid Lead", "Resonant ladder squelch; accent with velocity", "", "", p);
    }
    {
        patch p = lead(osc_wave::square, osc_wave::square, 0.0);
        // LFO1's up-square adds 12 semitones every other beat of 6 Hz: an octave trill; the
        // LFO's slew turns the jump into a quick run.
        p.lfo(1, lfo_shape::up_square, 6.0);
        p.mod(1, mod_source::lfo1, P_OSC1_XPOSE, 12.0 / 49.0);
        p.filter(filter_kind::lp12, 5000, 0.0, 0.0);
        p.gain(-6);
        b.add("Chip Trill", "Square with an LFO octave trill", "", "", p);
    }
    {
        patch p;
        p.wave(1, osc_wave::user_a).loop(1, b.set("flute"));
        p.wave(2, osc_wave::sine).transpose(2, 12).balance(0.2).bend(2);
        p.amp_env(0.03, 0.0, 1.0, 0.2);
        dynamics(p, 1, -4, 0.1);
        wheel_vibrato(p, 2, 2, 5.2, 20, true);
        p.legato(0.08);
        p.delay_synced(7, -14, -10, true).delay_filter(1, 3000);
        b.add("Flute Lead", "Flute sample with a sine octave, echo in time", "flute", "", p);
    }
    {
        patch p = lead(osc_wave::square, osc_wave::saw, 0.4);
        p.transpose(2, 12);
        p.filter(filter_kind::bpf, 1500, 0.6, 0.0);
        p.lfo(3, lfo_shape::sample_hold, 7.0);
        p.mod(1, mod_source::lfo3, P_FILTER_CUTOFF, 0.2);
        p.mod(2, mod_source::mod_wheel, P_LFO3_FREQ, 0.1);
        p.gain(-3);
        p.delay_synced(4, -12, -8, true);
        b.add("Random Filter Lead", "Sample-and-hold band-pass; wheel = faster", "", "", p);
    }
}

}  // namespace factory
