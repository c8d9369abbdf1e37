// The per-sample work of a voice and its control-rate schedule: every sample the
// oscillators, filter, amplitude envelope, DC blocker and panorama; every 8 samples the
// LFO source holders; every 32 (counter 0) the modulation slots, pitch, coefficients, the
// filter envelope, every holder, the LFO phases and the end test.
#include "engine/voice.h"

#include <cmath>

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
    if (first_tick) {
        // A note starts from silence: nothing to move from.
        hold_ramps();
        first_tick = false;
    } else {
        next_ramps();
    }
    if (amp.get_stage() == eg::idle) end_note();
}

void voice::next_ramps() {
    ramp_balance_l.next(balance.left());
    ramp_balance_r.next(balance.right_gain());
    ramp_osc_gain.next(osc_gain.cooked);
    ramp_unison.next(unison_gain);
    ramp_gain.next(gain.cooked);
    ramp_pan_l.next(pan.left());
    ramp_pan_r.next(pan.right_gain());
}

void voice::hold_ramps() {
    ramp_balance_l.hold(balance.left());
    ramp_balance_r.hold(balance.right_gain());
    ramp_osc_gain.hold(osc_gain.cooked);
    ramp_unison.hold(unison_gain);
    ramp_gain.hold(gain.cooked);
    ramp_pan_l.hold(pan.left());
    ramp_pan_r.hold(pan.right_gain());
}

void voice::end_note() {
    free_with_children();
    if (is_child) return;
    // The DC blocker still rings with what it took out of the note (a pulse wave's offset,
    // a sample's): cut now, that would be a step. It fades out like a stolen voice.
    const double ringing = std::fabs(dc.y1) + std::fabs(dc.y2) + std::fabs(dc.x1) + std::fabs(dc.x2);
    if (ringing > 1e-7) {
        if (fade_left == 0) fade_left = fade_samples();
        tail_only = true;
    } else {
        fade_left = 0;
    }
}

void voice::dc_tail(double* left, double* right, int count) {
    const double f = 1.0 / double(fade_samples());
    const double pl = ramp_pan_l.to, pr = ramp_pan_r.to;
    for (int k = 0; k < count && fade_left > 0; ++k) {
        --fade_left;
        const double y = dc.process_high_pass(0.0) * (double(fade_left) * f);
        left[k] += y * pl;
        right[k] += y * pr;
    }
    if (fade_left == 0) tail_only = false;
}

void voice::render_tail(double* left, double* right, int n) {
    if (active || fade_left <= 0) return;
    dc_tail(left, right, n);
}

template <int T>
void voice::run(double* left, double* right, const double* child_in, int from, int count) {
    // Samples since the tick that cooked the ramps' targets, for the run's first sample: a
    // run never crosses a tick, and a tick's own sample is the 32nd after the previous one.
    const int since = counter == 0 ? 32 : counter;
    double bl[32], br[32], pre[32], g[32], pl[32], pr[32];
    ramp_balance_l.fill(bl, since, count);
    ramp_balance_r.fill(br, since, count);
    ramp_osc_gain.fill(pre, since, count);
    if (ramp_unison.moving()) {
        for (int k = 0; k < count; ++k) pre[k] *= ramp_unison.at(since + k);
    } else {
        for (int k = 0; k < count; ++k) pre[k] *= ramp_unison.to;
    }
    ramp_gain.fill(g, since, count);
    ramp_pan_l.fill(pl, since, count);
    ramp_pan_r.fill(pr, since, count);
    if (fade_left > 0) {
        // A fade-out: the run ends at its last sample at the latest (render sees to that).
        const double f = 1.0 / double(fade_samples());
        for (int k = 0; k < count; ++k) {
            const double w = double(fade_left - 1 - k) * f;
            pl[k] *= w;
            pr[k] *= w;
        }
        fade_left -= count;
    }
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
        const double level = amp.next();
        for (int k = 0; k < count; ++k) a[k] = level * g[k];
    } else {
        for (int k = 0; k < count; ++k) a[k] = amp.next() * g[k];
    }
    if (child_in) {
        for (int k = 0; k < count; ++k) o1[k] = o1[k] * bl[k] + o2[k] * br[k] + child_in[from + k];
    } else {
        for (int k = 0; k < count; ++k) o1[k] = o1[k] * bl[k] + o2[k] * br[k];
    }
    for (int k = 0; k < count; ++k) {
        const int i = from + k;
        const double x = o1[k] * pre[k];
        double f;
        if constexpr (T == voice_filter::lp12) f = fa.process_low_pass(x);
        else if constexpr (T == voice_filter::hpf) f = fa.process_high_pass(x);
        else if constexpr (T == voice_filter::lp24) f = fb.process_low_pass(fa.process_low_pass(x));
        else if constexpr (T == voice_filter::bpf) f = fb.process_band_pass(fa.process_band_pass(x));
        else if constexpr (T == voice_filter::analog_lp) f = lad.process(x);
        else f = x;
        const double y = d.process_high_pass(a[k] * f);
        left[i] += y * pl[k];
        right[i] += y * pr[k];
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
    // Likewise a fade-out that waits for a new note's sample.
    int fade_point = fade_delay >= 0 ? fade_delay : n;
    fade_delay = -1;
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
        if (!active) {
            // The note ended at a tick: only the DC blocker's fading tail is left.
            dc_tail(left + j, right + j, n - j);
            return;
        }
        if (j == release_point) {
            release();
            release_point = n;
        }
        if (j >= fade_point) {
            fade_out();
            fade_point = n;
        }
        const bool fading = fade_left > 0;
        if (counter == 0) {
            // The control tick's own sample sits between the two halves of the tick.
            control_begin();
            run_any(left, right, child_in, j, 1);
            control_end();
            ++j;
        } else {
            int count = 32 - counter;
            if (count > n - j) count = n - j;
            if (release_point > j && count > release_point - j) count = release_point - j;
            if (fade_point > j && count > fade_point - j) count = fade_point - j;
            if (fading && count > fade_left) count = fade_left;
            run_any(left, right, child_in, j, count);
            j += count;
        }
        if (fading && fade_left == 0) {
            // The fade-out is over: the voice and its children end here.
            stop();
            return;
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
    double s1[32], s2[32], bl[32], br[32];
    int j = 0;
    while (j < n) {
        // As the parent does: a tick's own sample alone, then the run up to the next tick.
        const bool tick_now = counter == 0;
        int count = 1;
        if (tick_now) {
            apply_pending();
            apply_slots();
            const double p = double(bend_range.semitones()) * bend.get();
            osc2.control(p);
            osc1.control(p);
        } else {
            count = 32 - counter;
            if (count > n - j) count = n - j;
        }
        osc2.render(s2, count);
        osc1.render(s1, count);
        const int since = tick_now ? 32 : counter;
        ramp_balance_l.fill(bl, since, count);
        ramp_balance_r.fill(br, since, count);
        for (int k = 0; k < count; ++k) buffer[j + k] += s1[k] * bl[k] + s2[k] * br[k];
        for (int k = 0; k < count; ++k) {
            if ((counter & 7) == 0) {
                for (pct2p& o : lfo_out) o.tick();
            }
            counter = (counter + 1) & 31;
        }
        if (tick_now) child_tick_end();
        j += count;
    }
}

void voice::child_tick_end() {
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
    if (first_tick) {
        ramp_balance_l.hold(balance.left());
        ramp_balance_r.hold(balance.right_gain());
        first_tick = false;
    } else {
        ramp_balance_l.next(balance.left());
        ramp_balance_r.next(balance.right_gain());
    }
}

void voice::skip_lfos(int n) {
    apply_pending();
    for (lfo& l : lfos) l.skip(n);
}
