// The per-sample work of a voice and its control-rate schedule: every sample the
// oscillators, filter, amplitude envelope, DC blocker and panorama; every 8 samples the
// LFO source holders; every 32 (counter 0) the modulation slots, pitch, coefficients, the
// filter envelope, every holder, the LFO phases and the end test.
#include "engine/voice.h"

void voice::apply_slots() {
    for (mod_slot& s : matrix) {
        if (!s.destination) continue;
        s.destination->add_mod(s.source ? s.source->get() * s.amount.get() : 0.0);
    }
}

void voice::control_begin() {
    apply_pending();
    amp_eg_out.set(amp.last_output());
    apply_slots();
    const double p = double(bend_range.semitones()) * bend.get();
    osc2.control(p);
    osc1.control(p);
    filter.control();
}

void voice::control_end() {
    osc2.tick_params();
    osc1.tick_params();
    filter.tick_params();
    amp.tick_params();
    balance.tick();
    osc_gain.tick();
    gain.tick();
    pan.tick();
    unison_detune.tick();
    for (lfo& l : lfos) l.advance();
    for (mod_slot& s : matrix) s.amount.tick();
    velocity.tick();
    mod_wheel.tick();
    note_source.tick();
    bend.tick();
    bend_range.tick();
    if (amp.get_stage() == eg::idle) free_with_children();
}

void voice::render(double* left, double* right, int n, const double* child_in) {
    osc1.begin_block();
    osc2.begin_block();
    int j = 0;
    if (start_delay > 0) {
        // Nothing advances while the note waits for its place in the block.
        j = start_delay < n ? start_delay : n;
        start_delay -= j;
    }
    // Cooked values only move at control ticks, so a run of samples between two ticks
    // reads them from locals.
    double bl = 0, br = 0, pre = 0, g = 0, pl = 0, pr = 0;
    auto load = [&] {
        bl = balance.left();
        br = balance.right_gain();
        pre = unison_gain * osc_gain.cooked;
        g = gain.cooked;
        pl = pan.left();
        pr = pan.right_gain();
    };
    auto one = [&](int i) {
        const double s2 = osc2.sample();
        const double s1 = osc1.sample();
        const double c = child_in ? child_in[i] : 0.0;
        const double f = filter.audio((s1 * bl + s2 * br + c) * pre);
        const double a = amp.next();
        const double y = dc.process(a * g * f);
        left[i] += y * pl;
        right[i] += y * pr;
        if ((counter & 7) == 0) {
            for (pct2p& o : lfo_out) o.tick();
        }
    };
    load();
    while (j < n) {
        if (counter == 0) {
            control_begin();
            load();
            one(j++);
            control_end();
            load();
            counter = 1;
            continue;
        }
        int run = 32 - counter;
        if (run > n - j) run = n - j;
        for (int k = 0; k < run; ++k, ++j) {
            one(j);
            counter = (counter + 1) & 31;
        }
    }
}

std::pair<double, double> voice::tick(double child_in) {
    double l = 0.0, r = 0.0;
    const double c = child_in;
    render(&l, &r, 1, &c);
    return {l, r};
}

void voice::render_child(double* buffer, int n) {
    osc1.begin_block();
    osc2.begin_block();
    for (int j = 0; j < n; ++j) {
        const bool tick_now = counter == 0;
        if (tick_now) {
            apply_pending();
            apply_slots();
            const double p = double(bend_range.semitones()) * bend.get();
            osc2.control(p);
            osc1.control(p);
        }
        const double s2 = osc2.sample();
        const double s1 = osc1.sample();
        buffer[j] += s1 * balance.left() + s2 * balance.right_gain();
        if ((counter & 7) == 0) {
            for (pct2p& o : lfo_out) o.tick();
        }
        if (tick_now) {
            osc2.tick_params();
            osc1.tick_params();
            balance.tick();
            for (lfo& l : lfos) l.advance();
            for (mod_slot& s : matrix) s.amount.tick();
            velocity.tick();
            mod_wheel.tick();
            note_source.tick();
            bend.tick();
            bend_range.tick();
        }
        counter = (counter + 1) & 31;
    }
}

void voice::skip_lfos(int n) {
    apply_pending();
    for (lfo& l : lfos) l.skip(n);
}
