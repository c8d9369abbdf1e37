// The per-sample work of a voice and its control-rate schedule: every sample the
// oscillators, filter, amplitude envelope, DC blocker and panorama; every 8 samples the
// LFO source holders; every 32 (counter 0) the modulation slots, pitch, coefficients, the
// filter envelope, every holder, the LFO phases and the end test.
#include "engine/voice.h"

#include <algorithm>
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
    tick_modulation();
    if (first_tick) {
        // A note starts from silence: nothing to move from.
        hold_ramps();
        first_tick = false;
    } else {
        next_ramps();
    }
    if (amp.get_stage() == eg::idle) end_note();
}

void voice::tick_modulation() {
    for (lfo& l : lfos) l.advance();
    for (mod_slot& s : matrix) s.amount.tick();
    velocity.tick();
    mod_wheel.tick();
    note_source.tick();
    bend.tick();
    bend_range.tick();
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

void voice::prepare(const double* child_in, int from, int count, double* x, double* a,
                    double* pl, double* pr) {
    // Samples since the tick that cooked the ramps' targets, for the run's first sample: a
    // run never crosses a tick, and a tick's own sample is the 32nd after the previous one.
    const int since = counter == 0 ? 32 : counter;
    double bl[32], br[32], pre[32], g[32];
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
    double o1[32], o2[32];  // a run never crosses a control tick: at most 32
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
    for (int k = 0; k < count; ++k) x[k] = o1[k] * pre[k];
}

void voice::finish(double* left, double* right, const double* f, const double* a,
                   const double* pl, const double* pr, int from, int count) {
    // The DC blocker's state lives in a local for the run, so it stays in registers
    // instead of going through memory every sample (the output buffers could alias it).
    biquad d = dc;
    for (int k = 0; k < count; ++k) {
        const int i = from + k;
        const double y = d.process_high_pass(a[k] * f[k]);
        left[i] += y * pl[k];
        right[i] += y * pr[k];
    }
    dc = d;
    // The LFO sources are smoothed every 8 samples.
    for (int k = 0; k < count; ++k) {
        if ((counter & 7) == 0) {
            for (pct2p& o : lfo_out) o.tick();
        }
        counter = (counter + 1) & 31;
    }
}

template <int T>
void voice::run(double* left, double* right, const double* child_in, int from, int count) {
    double x[32], a[32], pl[32], pr[32];
    prepare(child_in, from, count, x, a, pl, pr);
    biquad fa = filter.a, fb = filter.b;
    ladder lad = filter.lad;
    for (int k = 0; k < count; ++k) {
        double f;
        if constexpr (T == voice_filter::lp12) f = fa.process_low_pass(x[k]);
        else if constexpr (T == voice_filter::hpf) f = fa.process_high_pass(x[k]);
        else if constexpr (T == voice_filter::lp24) f = fb.process_low_pass(fa.process_low_pass(x[k]));
        else if constexpr (T == voice_filter::bpf) f = fb.process_band_pass(fa.process_band_pass(x[k]));
        else if constexpr (T == voice_filter::analog_lp) f = lad.process(x[k]);
        else f = x[k];
        x[k] = f;
    }
    filter.a = fa;
    filter.b = fb;
    filter.lad = lad;
    finish(left, right, x, a, pl, pr, from, count);
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
    tick_modulation();
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

// The lane helpers are inlined; no vector crosses a call.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

// Four lanes of doubles (SSE2 pairs on any x86-64). The lanes do the scalar sections'
// operations in the same order, so each matches its voice played alone bit for bit.
typedef double v4d __attribute__((vector_size(32)));
typedef long long v4i __attribute__((vector_size(32)));

inline v4d splat(double x) { return v4d{x, x, x, x}; }

// ladder::sat on four lanes.
inline v4d sat4(v4d a) {
    const v4d knee = splat(1.92033), ceiling = splat(0.96016), curve = splat(0.26037);
    const v4d zero = splat(0.0);
    // A true comparison is all ones, -1 as an integer: double(a > 0) - double(a < 0).
    const v4d sign = __builtin_convertvector(a < zero, v4d) - __builtin_convertvector(a > zero, v4d);
    const long long no_sign = 0x7fffffffffffffffLL;
    const v4d mag = (v4d)((v4i)a & v4i{no_sign, no_sign, no_sign, no_sign});
    const v4d m = (mag < knee ? mag : knee) - knee;
    return sign * (ceiling - curve * m * m);
}

struct biquad4 {
    v4d nb0{}, na1{}, na2{}, x1{}, x2{}, y1{}, y2{};
    void load(const biquad* const* s, int m) {
        for (int l = 0; l < m; ++l) {
            nb0[l] = s[l]->nb0, na1[l] = s[l]->na1, na2[l] = s[l]->na2;
            x1[l] = s[l]->x1, x2[l] = s[l]->x2, y1[l] = s[l]->y1, y2[l] = s[l]->y2;
        }
    }
    void store(biquad* const* s, int m) const {
        for (int l = 0; l < m; ++l) s[l]->x1 = x1[l], s[l]->x2 = x2[l], s[l]->y1 = y1[l], s[l]->y2 = y2[l];
    }
    v4d feed(v4d numerator, v4d x) {
        const v4d y = (numerator - na2 * y2) - na1 * y1;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
    v4d low_pass(v4d x) { return feed(nb0 * ((x + x2) + splat(2.0) * x1), x); }
    v4d high_pass(v4d x) { return feed(nb0 * ((x + x2) - splat(2.0) * x1), x); }
    v4d band_pass(v4d x) { return feed(nb0 * (x - x2), x); }
};

struct ladder4 {
    v4d y1{}, y2{}, y3{}, y4{}, y4_prev{}, t1{}, t2{}, t3{};
    v4d inv_v{}, gv{}, k4{};
    void load(ladder* const* s, int m) {
        for (int l = 0; l < m; ++l) {
            const ladder& d = *s[l];
            y1[l] = d.y1, y2[l] = d.y2, y3[l] = d.y3, y4[l] = d.y4, y4_prev[l] = d.y4_prev;
            t1[l] = d.t1, t2[l] = d.t2, t3[l] = d.t3;
            // The factors ladder::process forms every sample, the same values.
            const double v = 2.0 * d.drive;
            inv_v[l] = 1.0 / v;
            gv[l] = v * d.g;
            k4[l] = 4.0 * d.k;
        }
    }
    void store(ladder* const* s, int m) const {
        for (int l = 0; l < m; ++l) {
            ladder& d = *s[l];
            d.y1 = y1[l], d.y2 = y2[l], d.y3 = y3[l], d.y4 = y4[l], d.y4_prev = y4_prev[l];
            d.t1 = t1[l], d.t2 = t2[l], d.t3 = t3[l];
        }
    }
    void half_step(v4d u) {
        y1 += gv * (u - t1);
        const v4d s1 = sat4(y1 * inv_v);
        t1 = s1;
        y2 += gv * (s1 - t2);
        const v4d s2 = sat4(y2 * inv_v);
        t2 = s2;
        y3 += gv * (s2 - t3);
        const v4d s3 = sat4(y3 * inv_v);
        t3 = s3;
        y4 += gv * (s3 - sat4(y4 * inv_v));
    }
    v4d process(v4d x) {
        half_step(sat4((x - k4 * y4) * inv_v));
        const v4d m = (y4 + y4_prev) / splat(2.0);
        y4_prev = y4;
        half_step(sat4((m - k4 * y4) * inv_v));
        const v4d out = (y4 + y4_prev) / splat(2.0);
        y4_prev = y4;
        return out;
    }
};

// The ladder on up to four lanes of count samples, x in place. Compiled twice, the AVX2
// copy chosen at load time where the processor has it (a lane group fills one register);
// neither copy may fuse a multiply and an add, so both give the same values.
__attribute__((target_clones("avx2", "default"))) void ladder_lanes(ladder* const* s, int m,
                                                                   double (*x)[32], int count) {
    ladder4 lad;
    lad.load(s, m);
    for (int k = 0; k < count; ++k) {
        v4d in{};
        for (int l = 0; l < m; ++l) in[l] = x[l][k];
        const v4d f = lad.process(in);
        for (int l = 0; l < m; ++l) x[l][k] = f[l];
    }
    lad.store(s, m);
}

}  // namespace

template <int T>
void voice::run_lanes(voice* const* v, int m, double* left, double* right,
                      const double* const* child_in, int from, int count) {
    double x[lane_width][32], a[lane_width][32], pl[lane_width][32], pr[lane_width][32];
    for (int l = 0; l < m; ++l) v[l]->prepare(child_in[l], from, count, x[l], a[l], pl[l], pr[l]);
    biquad* sa[lane_width] = {};
    biquad* sb[lane_width] = {};
    ladder* sl[lane_width] = {};
    for (int l = 0; l < m; ++l) {
        sa[l] = &v[l]->filter.a;
        sb[l] = &v[l]->filter.b;
        sl[l] = &v[l]->filter.lad;
    }
    if constexpr (T == voice_filter::analog_lp) {
        ladder_lanes(sl, m, x, count);
    } else if constexpr (T != voice_filter::none) {
        biquad4 fa, fb;
        fa.load(sa, m);
        fb.load(sb, m);
        for (int k = 0; k < count; ++k) {
            v4d in{};
            for (int l = 0; l < m; ++l) in[l] = x[l][k];
            v4d f;
            if constexpr (T == voice_filter::lp12) f = fa.low_pass(in);
            else if constexpr (T == voice_filter::hpf) f = fa.high_pass(in);
            else if constexpr (T == voice_filter::lp24) f = fb.low_pass(fa.low_pass(in));
            else f = fb.band_pass(fa.band_pass(in));
            for (int l = 0; l < m; ++l) x[l][k] = f[l];
        }
        fa.store(sa, m);
        fb.store(sb, m);
    }
    for (int l = 0; l < m; ++l) v[l]->finish(left, right, x[l], a[l], pl[l], pr[l], from, count);
}

bool voice::lane_ready() const {
    return active && !is_child && start_delay == 0 && release_delay < 0 && fade_delay < 0 &&
           fade_left == 0;
}

void voice::render_rest(double* left, double* right, const double* child_in, int j, int n) {
    // render's loop without release or fade points.
    while (j < n) {
        if (!active) {
            dc_tail(left + j, right + j, n - j);
            return;
        }
        const bool fading = fade_left > 0;
        if (counter == 0) {
            control_begin();
            run_any(left, right, child_in, j, 1);
            control_end();
            ++j;
        } else {
            int count = 32 - counter;
            if (count > n - j) count = n - j;
            if (fading && count > fade_left) count = fade_left;
            run_any(left, right, child_in, j, count);
            j += count;
        }
        if (fading && fade_left == 0) {
            stop();
            return;
        }
    }
}

void voice::render_lanes(voice* const* v, int m, double* left, double* right, int n,
                         const double* const* child_in) {
    for (int l = 0; l < m; ++l) {
        v[l]->osc1.begin_block();
        v[l]->osc2.begin_block();
    }
    // Each voice's additions to a mix sample come in the voices' order, as if played in
    // turn; when the voices cannot go on together each finishes alone, in that order.
    auto rest = [&](int j) {
        for (int l = 0; l < m; ++l) v[l]->render_rest(left, right, child_in[l], j, n);
    };
    int j = 0;
    while (j < n) {
        if (v[0]->counter == 0) {
            bool same = true;
            for (int l = 0; l < m; ++l) {
                v[l]->control_begin();
                same = same && v[l]->filter.type() == v[0]->filter.type();
            }
            if (!same) {
                // A filter type changed at this tick.
                for (int l = 0; l < m; ++l) {
                    v[l]->run_any(left, right, child_in[l], j, 1);
                    v[l]->control_end();
                    v[l]->render_rest(left, right, child_in[l], j + 1, n);
                }
                return;
            }
        }
        const int count = v[0]->counter == 0 ? 1 : std::min(32 - v[0]->counter, n - j);
        const bool tick = v[0]->counter == 0;
        switch (v[0]->filter.type()) {
            case voice_filter::lp12: run_lanes<voice_filter::lp12>(v, m, left, right, child_in, j, count); break;
            case voice_filter::lp24: run_lanes<voice_filter::lp24>(v, m, left, right, child_in, j, count); break;
            case voice_filter::hpf: run_lanes<voice_filter::hpf>(v, m, left, right, child_in, j, count); break;
            case voice_filter::bpf: run_lanes<voice_filter::bpf>(v, m, left, right, child_in, j, count); break;
            case voice_filter::analog_lp:
                run_lanes<voice_filter::analog_lp>(v, m, left, right, child_in, j, count);
                break;
            default: run_lanes<voice_filter::none>(v, m, left, right, child_in, j, count); break;
        }
        j += count;
        if (tick) {
            bool all_active = true;
            for (int l = 0; l < m; ++l) {
                v[l]->control_end();
                all_active = all_active && v[l]->active;
            }
            if (!all_active) {
                // A note ended at the tick: its DC tail, the others' rest, each alone.
                rest(j);
                return;
            }
        }
    }
}
