#include "engine/filter.h"

#include "engine/tables.h"

voice_filter::voice_filter() : env_amount(0.5) {}

void voice_filter::set_type(double x) {
    const int t = value_step(x, 7);
    kind = t >= 5 ? analog_lp : t;
    recompute();
}

void voice_filter::set_sample_rate(double r) {
    rate = r;
    envelope.set_rate(r);
    recompute();
}

void voice_filter::reset() {
    a.reset();
    b.reset();
    lad.reset();
    envelope.trigger();
}

double voice_filter::cutoff_hz(double c) {
    return lookup_tables::shared().note_entry(c * 80.0 * 1000.0 + 39487.0);
}

void voice_filter::control() {
    control_later();
    refresh();
}

void voice_filter::control_later() {
    double e = envelope.tick(0);
    cutoff.add_mod(env_amount.cooked * e);
    later_cutoff = cutoff.cooked;
    later_resonance = resonance.cooked;
    stale = true;
}

void voice_filter::compute(double cutoff_value, double resonance_value) {
    stale = false;
    if (kind == none) return;
    const double f = cutoff_hz(cutoff_value);
    const double r = resonance_value;
    const double q = 1.0 / ((1.0 - r) * 0.999 + 0.001);
    switch (kind) {
        case lp12: a.set(biquad::low_pass, f, q, rate); break;
        case lp24: a.set(biquad::low_pass, f, q, rate, &b); break;
        case hpf:
            // Only the first section runs; the second is kept in step for a later switch.
            a.set(biquad::high_pass, f, q, rate, &b);
            break;
        case bpf: a.set(biquad::band_pass, f, q, rate, &b); break;
        case analog_lp: lad.set(f, r, rate); break;
        default: break;
    }
}
