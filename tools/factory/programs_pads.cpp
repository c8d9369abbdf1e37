// Pads: additive and analogue pads, evolving and layered.
#include "tools/factory/programs_common.h"

namespace factory {

void add_pads(bank_builder& b) {
    b.group("Pads");
    {
        patch p = sustained(b, "warm_pad", 0.6, 1.2);
        p.unison(2, 0.2);
        p.filter(filter_kind::lp24, 2500, 0.1, 0.0);
        p.lfo(1, lfo_shape::triangle, 0.2);
        p.mod(1, mod_source::lfo1, P_FILTER_CUTOFF, 0.06);
        b.add("Warm Pad", "Soft additive pad, slowly breathing", "warm_pad", "", p);
    }
    {
        patch p;
        p.wave(1, osc_wave::saw).wave(2, osc_wave::saw).fine(2, 12).balance(0.5).bend(2);
        p.osc_gain(4).unison(6, 0.4);
        p.amp_env(0.5, 0.0, 1.0, 1.5).gain(-10);
        p.filter(filter_kind::lp24, 1600, 0.15, 0.2).filter_env(1.2, 1.0, 0.5, 1.5);
        b.add("Saw Pad", "Six-voice unison saws opening slowly", "", "", p);
    }
    {
        patch p;
        p.wave(1, osc_wave::saw).wave(2, osc_wave::square).transpose(2, -12).balance(0.4).bend(2);
        p.osc_gain(4).unison(2, 0.25);
        p.amp_env(0.4, 0.0, 1.0, 1.2).gain(-14);
        p.filter(filter_kind::lp24, 700, 0.55, 0.0);
        p.lfo(1, lfo_shape::triangle, 0.08);
        p.mod(1, mod_source::lfo1, P_FILTER_CUTOFF, 0.35);
        b.add("Sweep Pad", "Resonant filter sweeping over twelve seconds", "", "", p);
    }
    {
        patch p = sustained(b, "glass_pad", 0.3, 1.5);
        p.delay_free(0.55, -12, -7, true).delay_filter(1, 4000);
        b.add("Glass Pad", "Shimmering partials and a long echo", "glass_pad", "", p);
    }
    {
        patch p = sustained(b, "digital_pad", 0.25, 1.0);
        p.lfo(1, lfo_shape::sine, 0.3);
        p.mod(1, mod_source::lfo1, P_PAN, 0.3);
        p.filter(filter_kind::lp12, 5000, 0.0, 0.0);
        p.mod(2, mod_source::mod_wheel, P_FILTER_CUTOFF, -0.35);
        b.add("Digital Pad", "Odd-harmonic pad drifting in the stereo field", "digital_pad", "", p);
    }
    {
        patch p = sustained(b, "air_pad", 0.8, 1.8);
        p.filter(filter_kind::hpf, 180, 0.0, 0.0);
        p.delay_free(0.47, -14, -9, true).delay_filter(1, 3000);
        b.add("Air Pad", "Breath and sine, airy", "air_pad", "", p);
    }
    {
        patch p = sustained(b, "choir_aah", 0.8, 1.5);
        p.wave(2, osc_wave::saw).balance(0.3);
        p.filter(filter_kind::lp24, 2200, 0.1, 0.0);
        b.add("Choir Pad", "Choir blended with a soft saw", "choir_aah", "", p);
    }
    {
        patch p = sustained(b, "pwm", 0.4, 1.0);
        p.unison(3, 0.3);
        p.filter(filter_kind::lp12, 3000, 0.1, 0.0);
        b.add("PWM Pad", "Pulse-width sweep in three-voice unison", "pwm", "", p);
    }
    {
        patch p = sustained(b, "supersaw", 0.3, 1.2);
        p.filter(filter_kind::lp12, 4500, 0.0, 0.0);
        p.delay_synced(6, -13, -9, true).delay_filter(1, 3500);
        b.add("Supersaw Pad", "Trance-style wall with a synced echo", "supersaw", "", p);
    }
    {
        patch p = sustained(b, "warm_pad", 0.7, 1.5);
        p.wave(2, osc_wave::user_b).loop(2, b.set("glass_pad")).balance(0.5);
        p.lfo(1, lfo_shape::sine, 0.1);
        p.mod(1, mod_source::lfo1, P_OSC_BALANCE, 0.45);
        p.lfo(2, lfo_shape::sample_hold, 1.5);
        p.filter(filter_kind::lp12, 3500, 0.1, 0.0);
        p.mod(2, mod_source::lfo2, P_FILTER_CUTOFF, 0.05);
        b.add("Motion Pad", "Warm and glass sets cross-fading; random shimmer", "warm_pad", "glass_pad", p);
    }
    {
        patch p = sustained(b, "strings", 0.7, 1.4);
        p.wave(2, osc_wave::saw).osc_gain(3).balance(0.4).unison(2, 0.3);
        p.filter(filter_kind::lp12, 3000, 0.0, 0.0);
        b.add("String Pad", "Section strings over a soft saw, doubled", "strings", "", p);
    }
    {
        patch p;
        p.wave(1, osc_wave::triangle).wave(2, osc_wave::saw).transpose(2, -12).balance(0.4).bend(2);
        p.osc_gain(5).unison(3, 0.3);
        p.amp_env(1.0, 0.0, 1.0, 1.8).gain(-10);
        p.filter(filter_kind::lp24, 500, 0.2, 0.0);
        p.mod(1, mod_source::mod_wheel, P_FILTER_CUTOFF, 0.4);
        b.add("Dark Pad", "Low and murky; the wheel lets light in", "", "", p);
    }
    {
        patch p = sustained(b, "choir_ooh", 0.6, 1.5);
        p.wave(2, osc_wave::sine).transpose(2, 12).balance(0.25);
        p.lfo(1, lfo_shape::sine, 0.2);
        p.mod(1, mod_source::lfo1, P_OSC_BALANCE, 0.2);
        p.delay_free(0.5, -14, -8, true).delay_filter(1, 3500);
        b.add("Vox Pad", "Ooh choir with a sine octave that comes and goes", "choir_ooh", "", p);
    }
    {
        patch p = sustained(b, "warm_pad", 0.8, 2.0);
        p.wave(2, osc_wave::user_b).loop(2, b.set("shimmer")).transpose(2, 12).balance(0.35);
        p.delay_free(0.6, -10, -6, true).delay_filter(1, 5000);
        b.add("Shimmer Pad", "Warm pad with sparkling partials an octave up", "warm_pad", "shimmer", p);
    }
}

}  // namespace factory
