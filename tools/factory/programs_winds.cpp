// Winds and brass: flutes, reeds and brass, solo and in sections.
#include "tools/factory/programs_common.h"

namespace factory {

namespace {

patch blown(bank_builder& b, const std::string& set_id, double attack_s, double release_s) {
    patch p;
    p.wave(1, osc_wave::user_a).loop(1, b.set(set_id)).balance(0.0).bend(2);
    p.amp_env(attack_s, 0.0, 1.0, release_s);
    return p;
}

// Brass speaks dark and opens: the filter envelope sweeps a low-pass up at each note, more
// for harder notes.
void brass_filter(patch& p, int slot, double cutoff_hz, double swell_s) {
    p.filter(filter_kind::lp12, cutoff_hz, 0.15, 0.35).filter_env(swell_s, 0.4, 0.6, 0.3);
    p.mod(slot, mod_source::velocity, P_FILTER_ENV, 0.2);
}

}  // namespace

void add_winds(bank_builder& b) {
    b.group("Winds and Brass");
    {
        patch p = blown(b, "flute", 0.04, 0.2);
        dynamics(p, 1, -3, 0.12);
        wheel_vibrato(p, 2, 2, 5.2, 20, false);
        p.legato(0.05);
        b.add("Flute", "Concert flute, legato; wheel vibrato", "flute", "", p);
    }
    {
        patch p = blown(b, "flute", 0.08, 0.3);
        dynamics(p, 1, -6, 0.1);
        p.unison(3, 0.18);
        p.delay_free(0.3, -18, -12, true);
        b.add("Flute Ensemble", "Three flutes in unison", "flute", "", p);
    }
    {
        patch p = blown(b, "pan_flute", 0.05, 0.3);
        dynamics(p, 1, -3, 0.12);
        vibrato(p, 2, 2, 5.0, 10, false);
        p.delay_free(0.38, -14, -10, true).delay_filter(1, 3000);
        b.add("Pan Flute", "Breathy pipes with a mountain echo", "pan_flute", "", p);
    }
    {
        patch p = blown(b, "clarinet", 0.03, 0.15);
        dynamics(p, 1, -3, 0.14);
        p.filter(filter_kind::lp12, 3000, 0.0, 0.0);
        p.mod(2, mod_source::velocity, P_FILTER_CUTOFF, 0.15);
        p.legato(0.04);
        b.add("Clarinet", "Woody clarinet, legato", "clarinet", "", p);
    }
    {
        patch p = blown(b, "oboe", 0.03, 0.15);
        dynamics(p, 1, -3, 0.12);
        wheel_vibrato(p, 2, 2, 5.5, 18, false);
        b.add("Oboe", "Nasal double reed; wheel vibrato", "oboe", "", p);
    }
    {
        patch p = blown(b, "sax", 0.04, 0.2);
        dynamics(p, 1, -3, 0.15);
        p.filter(filter_kind::lp12, 1800, 0.15, 0.0);
        p.mod(2, mod_source::velocity, P_FILTER_CUTOFF, 0.25);
        wheel_vibrato(p, 3, 2, 5.0, 25, false);
        p.legato(0.07);
        b.add("Soft Sax", "Breathy tenor; harder notes cut through", "sax", "", p);
    }
    {
        patch p = blown(b, "trumpet", 0.03, 0.15);
        dynamics(p, 1, -3, 0.14);
        brass_filter(p, 2, 1500, 0.06);
        wheel_vibrato(p, 3, 2, 5.5, 20, false);
        p.legato(0.04);
        b.add("Trumpet", "Bright trumpet that blares when pushed", "trumpet", "", p);
    }
    {
        patch p = blown(b, "horn", 0.07, 0.3);
        dynamics(p, 1, -3, 0.12);
        brass_filter(p, 2, 900, 0.12);
        p.delay_free(0.4, -18, -12, true).delay_filter(1, 1500);
        b.add("French Horn", "Round horn in a hall", "horn", "", p);
    }
    {
        patch p = blown(b, "trombone", 0.05, 0.2);
        dynamics(p, 1, -3, 0.14);
        brass_filter(p, 2, 1100, 0.08);
        p.legato(0.18);
        b.add("Trombone Slide", "Legato with a slow slide between notes", "trombone", "", p);
    }
    {
        patch p = blown(b, "brass", 0.03, 0.2);
        dynamics(p, 1, -6, 0.14);
        brass_filter(p, 2, 1400, 0.07);
        p.unison(2, 0.2);
        b.add("Brass Section", "Trumpets in section, punchy", "brass", "", p);
    }
    {
        patch p = blown(b, "brass", 1.2, 0.5);
        p.gain(-6);
        p.filter(filter_kind::lp24, 400, 0.2, 0.5).filter_env(1.6, 0.5, 0.7, 0.5);
        b.add("Brass Swell", "Slow crescendo that opens up", "brass", "", p);
    }
    {
        patch p = blown(b, "flute", 0.05, 0.25);
        p.wave(2, osc_wave::user_b).loop(2, b.set("clarinet")).transpose(2, -12).balance(0.45);
        dynamics(p, 1, -5, 0.12);
        b.add("Woodwind Duo", "Flute over a clarinet an octave below", "flute", "clarinet", p);
    }
}

}  // namespace factory
