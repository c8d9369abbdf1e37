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

template <int T>
void voice::run(double* left, double* right, const double* child_in, int from, int count) {
    // Cooked values only move at control ticks: between two of them they are constants.
    const double bl = balance.left(), br = balance.right_gain();
    const double pre = unison_gain * osc_gain.cooked;
    const double g = gain.cooked;
    const double pl = pan.left(), pr = pan.right_gain();
    // The sections' state lives in locals for the run, so it stays in registers instead
    // of going through memory every sample (the output buffers could alias it).
    biquad fa = filter.a, fb = filter.b, d = dc;
    ladder lad = filter.lad;
    double o1[32], o2[32], a[32];  // a run never crosses a control tick: at most 32
    osc2.render(o2, count);
    osc1.render(o1, count);
    // The envelope times the gain, a·g (the product the amplifier applies first).
    if (amp.stage == eg::sustain_stage || amp.stage == eg::idle) {
        // A held (or finished) envelope is a constant level.
        const double level = amp.next() * g;
        for (int k = 0; k < count; ++k) a[k] = level;
    } else {
        for (int k = 0; k < count; ++k) a[k] = amp.next() * g;
    }
    if (child_in) {
        for (int k = 0; k < count; ++k) o1[k] = o1[k] * bl + o2[k] * br + child_in[from + k];
    } else {
        for (int k = 0; k < count; ++k) o1[k] = o1[k] * bl + o2[k] * br;
    }
    for (int k = 0; k < count; ++k) {
        const int i = from + k;
        const double x = o1[k] * pre;
        double f;
        if constexpr (T == voice_filter::lp12) f = fa.process_low_pass(x);
        else if constexpr (T == voice_filter::hpf) f = fa.process_high_pass(x);
        else if constexpr (T == voice_filter::lp24) f = fb.process_low_pass(fa.process_low_pass(x));
        else if constexpr (T == voice_filter::bpf) f = fb.process_band_pass(fa.process_band_pass(x));
        else if constexpr (T == voice_filter::analog_lp) f = lad.process(x);
        else f = x;
        const double y = d.process_high_pass(a[k] * f);
        left[i] += y * pl;
        right[i] += y * pr;
    }
    // The LFO sources are smoothed every 8 samples.
    for (int k = 0; k < count; ++k) {
        if ((counter & 7) == 0) {
            for (pct2p& o : lfo_out) o.tick();
        }
        counter = (counter + 1) & 31;
    }
    filter.a = fa;
    filter.b = fb;
    filter.lad = lad;
    dc = d;
}

void voice::run_any(double* left, double* right, const double* child_in, int from, int count) {
    switch (filter.type()) {
        case voice_filter::lp12: run<voice_filter::lp12>(left, right, child_in, from, count); break;
        case voice_filter::lp24: run<voice_filter::lp24>(left, right, child_in, from, count); break;
        case voice_filter::hpf: run<voice_filter::hpf>(left, right, child_in, from, count); break;
        case voice_filter::bpf: run<voice_filter::bpf>(left, right, child_in, from, count); break;
        case voice_filter::analog_lp:
            run<voice_filter::analog_lp>(left, right, child_in, from, count);
            break;
        default: run<voice_filter::none>(left, right, child_in, from, count); break;
    }
}

void voice::render(double* left, double* right, int n, const double* child_in) {
    osc1.begin_block();
    osc2.begin_block();
    int j = 0;
    // A note-off waiting for its sample: runs stop there.
    int release_point = release_delay >= 0 ? release_delay : n;
    release_delay = -1;
    if (start_delay > 0) {
        // Nothing advances while the note waits for its place in the block.
        j = start_delay < n ? start_delay : n;
        start_delay -= j;
    }
    if (release_point < n && release_point <= j) {
        release();
        release_point = n;
    }
    while (j < n) {
        if (j == release_point) {
            release();
            release_point = n;
        }
        if (counter == 0) {
            // The control tick's own sample sits between the two halves of the tick.
            control_begin();
            run_any(left, right, child_in, j, 1);
            control_end();
            ++j;
            // A voice that ended is silent from here on, whatever the block size.
            if (!active) return;
            continue;
        }
        int count = 32 - counter;
        if (count > n - j) count = n - j;
        if (release_point > j && count > release_point - j) count = release_point - j;
        run_any(left, right, child_in, j, count);
        j += count;
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
