// The per-sample work of a voice and its control-rate schedule: every sample the
// oscillators, filter, amplitude envelope, DC blocker and panorama; every 8 samples the
// LFO source holders (their four steps taken at the tick, as only ticks read them); every
// 32 (counter 0) the modulation slots, pitch, coefficients, the filter envelope, every
// holder, the LFO phases and the end test.
//
// Voices render in groups of up to sixteen, a chunk of at most 32 samples at a time. Each
// voice first prepares its chunk alone (oscillators, envelope, gains, its control tick and
// note events at their samples); then the group's filters and DC blockers run side by
// side, one voice per lane, in chains of four lanes (eight with AVX-512); last each
// sample's lanes are summed into the mix. A voice rendered alone is a group of one. The
// lanes do the operations of a voice played alone in the same order (engine/lanes.h), so
// each sounds the same bit for bit.
#include "engine/voice.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/lanes.h"

// The kernels in this file are compiled for each processor, with the lane helpers inlined:
// no vector crosses a call, whatever the ABI warning says.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

// A held note's oscillators into its lane: (o1·bl + o2·br [+ the children]) · pre, four
// samples at a time, each the same operations as one at a time.
template <bool Children>
[[gnu::always_inline]] inline void held_mix(const double* o1, const double* o2,
                                            const double* child, double bl, double br,
                                            double pre, double* x, int s, int count) {
    using lanes::v4d;
    const v4d vl = v4d{} + bl, vr = v4d{} + br, vp = v4d{} + pre;
    int k = 0;
    for (; k + 4 <= count; k += 4) {
        v4d m = lanes::load<v4d>(o1 + k) * vl + lanes::load<v4d>(o2 + k) * vr;
        if constexpr (Children) m += lanes::load<v4d>(child + k);
        m *= vp;
        double* p = x + k * s;
        p[0] = m[0];
        p[s] = m[1];
        p[2 * s] = m[2];
        p[3 * s] = m[3];
    }
    // At most three left: written out, so the compiler adds no vector loop for them.
    auto one = [&](int i) {
        double m = o1[i] * bl + o2[i] * br;
        if constexpr (Children) m += child[i];
        x[i * s] = m * pre;
    };
    switch (count - k) {
        case 3: one(k + 2); [[fallthrough]];
        case 2: one(k + 1); [[fallthrough]];
        case 1: one(k); break;
        default: break;
    }
}

__attribute__((target_clones("arch=x86-64-v4", "avx2", "default"))) void held_mix(
    const double* o1, const double* o2, const double* child, double bl, double br, double pre,
    double* x, int s, int count) {
    if (child)
        held_mix<true>(o1, o2, child, bl, br, pre, x, s, count);
    else
        held_mix<false>(o1, o2, child, bl, br, pre, x, s, count);
}

}  // namespace

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
    filter.control_later();  // the group computes its coefficients together
}

void voice::control_end() {
    osc2.tick_params(oscs_still);
    osc1.tick_params(oscs_still);
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
    ramps_still = !ramp_balance_l.moving() && !ramp_balance_r.moving() &&
                  !ramp_osc_gain.moving() && !ramp_unison.moving() && !ramp_gain.moving() &&
                  !ramp_pan_l.moving() && !ramp_pan_r.moving();
}

void voice::hold_ramps() {
    ramp_balance_l.hold(balance.left());
    ramp_balance_r.hold(balance.right_gain());
    ramp_osc_gain.hold(osc_gain.cooked);
    ramp_unison.hold(unison_gain);
    ramp_gain.hold(gain.cooked);
    ramp_pan_l.hold(pan.left());
    ramp_pan_r.hold(pan.right_gain());
    ramps_still = true;
}

void voice::end_note() {
    free_with_children();
    if (is_child) return;
    // The DC blocker still rings with what it took out of the note (a pulse wave's offset,
    // a sample's): cut now, that would be a step. It fades out like a stolen voice, unless
    // it has as good as settled; that is known once the tick's own sample has passed
    // through it (check_tail).
    if (fade_left == 0) fade_left = fade_samples();
    tail_check = true;
}

void voice::check_tail(double* pl, double* pr, int s, int from, int len) {
    tail_check = false;
    const double ringing = std::fabs(dc.y1) + std::fabs(dc.y2) + std::fabs(dc.x1) + std::fabs(dc.x2);
    if (ringing > 1e-7) return;
    fade_left = 0;
    for (int k = from; k < len; ++k) pl[k * s] = pr[k * s] = 0.0;
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
}

void voice::render_tail(double* left, double* right, int n) {
    if (active || fade_left <= 0) return;
    dc_tail(left, right, n);
}

void voice::gains(const double* o1, const double* o2, const double* child_in, int since,
                  int count, int s, double* x, double* a, double* pl, double* pr) {
    const bool steady = amp.stage == eg::sustain_stage || amp.stage == eg::idle;
    if (steady && fade_left == 0 && ramps_still) {
        // Nothing moves but the oscillators: the usual case of a held note. The constant
        // factors join the held stretch when they continue it, else they are written.
        const double bl = ramp_balance_l.to, br = ramp_balance_r.to;
        const double pre = ramp_osc_gain.to * ramp_unison.to;
        const double level = amp.next() * ramp_gain.to;
        const double l = ramp_pan_l.to, r = ramp_pan_r.to;
        if (count == 1) {
            // The tick's own sample, not worth a call.
            double m = o1[0] * bl + o2[0] * br;
            if (child_in) m += child_in[0];
            x[0] = m * pre;
        } else {
            held_mix(o1, o2, child_in, bl, br, pre, x, s, count);
        }
        if (held.count == 0) {
            held = {a, pl, pr, count, level, l, r};
        } else if (held.a + held.count * s == a && held.level == level && held.l == l &&
                   held.r == r) {
            held.count += count;
        } else {
            for (int k = 0; k < count; ++k) {
                a[k * s] = level;
                pl[k * s] = l;
                pr[k * s] = r;
            }
        }
        return;
    }
    double bl[32], br[32], pre[32], g[32], l[32], r[32];
    ramp_balance_l.fill(bl, since, count);
    ramp_balance_r.fill(br, since, count);
    ramp_osc_gain.fill(pre, since, count);
    if (ramp_unison.moving()) {
        for (int k = 0; k < count; ++k) pre[k] *= ramp_unison.at(since + k);
    } else {
        for (int k = 0; k < count; ++k) pre[k] *= ramp_unison.to;
    }
    ramp_gain.fill(g, since, count);
    ramp_pan_l.fill(l, since, count);
    ramp_pan_r.fill(r, since, count);
    if (fade_left > 0) {
        // A fade-out: the span ends at its last sample at the latest.
        const double f = 1.0 / double(fade_samples());
        for (int k = 0; k < count; ++k) {
            const double w = double(fade_left - 1 - k) * f;
            l[k] *= w;
            r[k] *= w;
        }
        fade_left -= count;
    }
    // The envelope times the gain, a·g (the product the amplifier applies first).
    if (steady) {
        // A held (or finished) envelope is a constant level.
        const double level = amp.next();
        for (int k = 0; k < count; ++k) a[k * s] = level * g[k];
    } else {
        for (int k = 0; k < count; ++k) a[k * s] = amp.next() * g[k];
    }
    for (int k = 0; k < count; ++k) {
        double m = o1[k] * bl[k] + o2[k] * br[k];
        if (child_in) m += child_in[k];
        x[k * s] = m * pre[k];
        pl[k * s] = l[k];
        pr[k * s] = r[k];
    }
}

void voice::tail(int n, int s, double* x, double* a, double* pl, double* pr) {
    const double f = 1.0 / double(fade_samples());
    for (int k = 0; k < n; ++k) {
        double w = 0.0;
        if (fade_left > 0) w = double(--fade_left) * f;
        x[k * s] = 0.0;
        a[k * s] = 0.0;
        pl[k * s] = ramp_pan_l.to * w;
        pr[k * s] = ramp_pan_r.to * w;
    }
}

void voice::lead_tick(int o, int pos, int n, bool still) {
    osc_lead& l = lead[o];
    oscillator& osc = osc_of(o);
    // Whether the course held since the last tick. Within a block, only the tick's control
    // and the values it applied can change it: without those, the pace tells.
    bool held;
    if (applied) {
        const oscillator::course c = osc.current_course();
        held = c == l.last;
        if (!held) l.last = c;
    } else {
        held = osc.period == l.last.period && osc.inc_pos == l.last.inc_pos &&
               osc.inc_pos_frac == l.last.inc_pos_frac;
        if (!held) l.last = osc.current_course();
    }
    // Played ahead only where that looks safe: a recorded sample whose course held over the
    // last tick, with nothing gliding or moving.
    const bool steady = still && held && osc.glide_step == 0.0 && osc.active &&
                        osc.row < wave_table_set::first_row;
    if (pos >= l.base && pos < l.end) {
        // Played through this tick already. Over the ticks since it started to play ahead,
        // its course was always the latest: held, it is still the one played.
        if (still && held) return;
        // The tick changed the course after all: play again from the start to here.
        osc.replay(l.start, l.course, l.out, pos - l.base);
    }
    // Moving holders: the tick's own sample only, the rest once they have moved.
    const int upto = !still ? pos + 1 : std::min(n, pos + (steady ? horizon : 32));
    if (steady) {
        l.start = osc.saved();
        l.course = l.last = osc.current_course();
    }
    l.base = pos;
    l.end = upto;
    osc.render(l.out, upto - pos);
}

void voice::lead_rest(int pos, int period_end) {
    for (int o : {1, 0}) {
        osc_lead& l = lead[o];
        if (l.end == pos + 1 && period_end > pos + 1) {
            osc_of(o).render(l.out + 1, period_end - pos - 1);
            l.end = period_end;
        }
    }
}

void voice::lead_span(int pos, int period_end) {
    for (int o : {1, 0}) {
        osc_lead& l = lead[o];
        if (pos >= l.base && pos < l.end) continue;
        // A new block: what was played ahead ended with the last one.
        osc_of(o).render(l.out, period_end - pos);
        l.base = pos;
        l.end = period_end;
    }
}

void voice::span(const double* child_in, int count, int pos, int n, int s, double* x,
                 double* a, double* pl, double* pr) {
    const int c0 = counter;
    // The oscillators play ahead at least to the end of the period or of the block, so a
    // period split into several spans (by a group's chunks, a note-off or a fade) still
    // renders them in one stretch.
    const int period_end = std::min(n, pos + 32 - c0);
    auto ahead = [&](int o) { return lead[o].out + (pos - lead[o].base); };
    if (c0 == 0) {
        // The tick's own sample sits between the two halves of the tick; for the ramps it
        // is the last of the previous period.
        control_begin();
        const bool still = oscs_still = osc1.still() && osc2.still();
        lead_tick(1, pos, n, still);
        lead_tick(0, pos, n, still);
        const double* o1 = ahead(0);
        const double* o2 = ahead(1);
        gains(o1, o2, child_in, 32, 1, s, x, a, pl, pr);
        control_end();
        if (!active) {
            counter = 1;
            tail(count - 1, s, x + s, a + s, pl + s, pr + s);
            return;
        }
        lead_rest(pos, period_end);
        if (count > 1)
            gains(o1 + 1, o2 + 1, child_in ? child_in + 1 : nullptr, 1, count - 1, s, x + s,
                  a + s, pl + s, pr + s);
    } else {
        lead_span(pos, period_end);
        gains(ahead(0), ahead(1), child_in, c0, count, s, x, a, pl, pr);
    }
    counter = (c0 + count) & 31;
}

void voice::held_gains::write(int s) const {
    for (int k = 0; k < count; ++k) {
        a[k * s] = level;
        pl[k * s] = l;
        pr[k * s] = r;
    }
}

int voice::prepare_chunk(const double* child_in, int at, int len, int n, int s, double* x,
                         double* a, double* pl, double* pr) {
    held.count = 0;
    int tick_at = len;
    int k = 0;
    while (k < len) {
        const int o = k * s;
        if (!active) {
            // Ended (at a tick or by a fade-out): any DC tail, then silence.
            tail(len - k, s, x + o, a + o, pl + o, pr + o);
            break;
        }
        if (start_delay > 0) {
            // Nothing advances while the note waits for its place in the block.
            const int d = std::min(start_delay, len - k);
            for (int i = 0; i < d; ++i) x[o + i * s] = a[o + i * s] = pl[o + i * s] = pr[o + i * s] = 0.0;
            start_delay -= d;
            k += d;
            continue;
        }
        const int pos = at + k;
        if (release_point >= 0 && pos >= release_point) {
            release();
            release_point = -1;
        }
        if (fade_point >= 0 && pos >= fade_point) {
            fade_out();
            fade_point = -1;
        }
        int count = std::min(32 - counter, len - k);
        if (release_point > pos) count = std::min(count, release_point - pos);
        if (fade_point > pos) count = std::min(count, fade_point - pos);
        const bool fading = fade_left > 0;
        if (fading) count = std::min(count, fade_left);
        if (counter == 0) tick_at = k;
        span(child_in ? child_in + k : nullptr, count, pos, n, s, x + o, a + o, pl + o, pr + o);
        k += count;
        // The fade-out is over: the voice and its children end here.
        if (fading && fade_left == 0) stop();
    }
    return tick_at;
}

std::pair<double, double> voice::tick(double child_in) {
    double l = 0.0, r = 0.0;
    const double c = child_in;
    render(&l, &r, 1, &c);
    return {l, r};
}

void voice::render(double* left, double* right, int n, const double* child_in) {
    voice* self = this;
    render_lanes(&self, 1, left, right, n, &child_in);
}

void voice::render_child(double* buffer, int n) {
    osc1.begin_block();
    osc2.begin_block();
    for (osc_lead& o : lead) o.base = o.end = 0;
    double bl[32], br[32];
    int j = 0;
    while (j < n) {
        // As the parent does: a span from a tick or between two, the tick's halves around
        // its own first sample.
        const int c0 = counter;
        const int count = std::min(32 - c0, n - j);
        int k = 0;
        if (c0 == 0) {
            apply_pending();
            apply_slots();
            const double p = double(bend_range.semitones()) * bend.get();
            osc2.control(p);
            osc1.control(p);
            const bool still = oscs_still = osc1.still() && osc2.still();
            lead_tick(1, j, n, still);
            lead_tick(0, j, n, still);
            ramp_balance_l.fill(bl, 32, 1);
            ramp_balance_r.fill(br, 32, 1);
            child_tick_end();
            k = 1;
            lead_rest(j, j + count);
        } else {
            lead_span(j, j + count);
        }
        if (count > k) {
            const int since = k ? 1 : c0;
            ramp_balance_l.fill(bl + k, since, count - k);
            ramp_balance_r.fill(br + k, since, count - k);
        }
        const double* s1 = lead[0].out + (j - lead[0].base);
        const double* s2 = lead[1].out + (j - lead[1].base);
        for (int i = 0; i < count; ++i) buffer[j + i] += s1[i] * bl[i] + s2[i] * br[i];
        counter = (c0 + count) & 31;
        j += count;
    }
}

void voice::child_tick_end() {
    osc2.tick_params(oscs_still);
    osc1.tick_params(oscs_still);
    balance.tick();
    tick_modulation();
    ramps_still = false;  // a child moves only its balance ramps: no longer known
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

// The kernels below are compiled for each processor, with the lane helpers inlined.

namespace {

using namespace lanes;
using coefficients = voice_filter::coefficients;

// The filter of type T on the first m lanes of a group (N chains of V), samples from..to
// of x in place (stride s). The chains are independent: while one waits on its previous
// operation another computes. A lane takes the coefficients of its chunk's tick from its
// tick_at on, those before it until then.
template <class V, int N, int T>
[[gnu::always_inline]] inline void filter_lanes(voice* const* v, int m,
                                                const coefficients* before, const int* tick_at,
                                                double* rows, double* x, int s, int from, int to) {
    constexpr int width = sizeof(V) / sizeof(double), r = voice::lane_width;
    struct none {};
    biquad_lanes<V> fa[N], fb[N];
    std::conditional_t<T == voice_filter::analog_lp, ladder_lanes<V, N>, none> lad;
    auto take = [&](int l, const coefficients& c) {
        const int i = l / width, w = l % width;
        if constexpr (T == voice_filter::analog_lp) {
            lad.coefficients(c.g, c.k, l);
        } else {
            fa[i].coefficients(c.a_nb0, c.a_na1, c.a_na2, w);
            fb[i].coefficients(c.b_nb0, c.b_na1, c.b_na2, w);
        }
    };
    if (rows) {
        // The state and the tick's coefficients (coefficient_rows) as whole vectors; a lane
        // whose tick is still to come takes those before it.
        const double* c = rows + 8 * r;
        for (int i = 0; i < N; ++i) {
            const int o = i * width;
            if constexpr (T == voice_filter::analog_lp) {
                lad.load_rows(rows + o, r, i);
                lad.gv[i] = load<V>(c + o);
                lad.k4[i] = load<V>(c + r + o);
            } else {
                fa[i].load_rows(rows + o, r);
                fb[i].load_rows(rows + 4 * r + o, r);
                fa[i].nb0 = load<V>(c + o), fa[i].na1 = load<V>(c + r + o), fa[i].na2 = load<V>(c + 2 * r + o);
                fb[i].nb0 = load<V>(c + 3 * r + o), fb[i].na1 = load<V>(c + 4 * r + o), fb[i].na2 = load<V>(c + 5 * r + o);
            }
        }
        for (int l = 0; l < m; ++l)
            if (tick_at[l] > from) take(l, before[l]);
    } else {
        for (int l = 0; l < m; ++l) {
            const voice_filter& f = v[l]->filter;
            const int i = l / width, w = l % width;
            if constexpr (T == voice_filter::analog_lp) {
                lad.load(f.lad, l);
            } else {
                fa[i].load(f.a, w);
                fb[i].load(f.b, w);
            }
            take(l, tick_at[l] <= from ? f.current() : before[l]);
        }
    }
    int k = from;
    while (k < to) {
        int end = to;
        for (int l = 0; l < m; ++l)
            if (tick_at[l] > k && tick_at[l] < end) end = tick_at[l];
        for (; k < end; ++k) {
            double* p = x + k * s;
            if constexpr (T == voice_filter::analog_lp) {
                V io[N];
                for (int i = 0; i < N; ++i) io[i] = load<V>(p + i * width);
                lad.process(io);
                for (int i = 0; i < N; ++i) store(p + i * width, io[i]);
                continue;
            }
            V f[N];
            for (int i = 0; i < N; ++i) f[i] = load<V>(p + i * width);
            for (int i = 0; i < N; ++i) {
                if constexpr (T == voice_filter::lp12 || T == voice_filter::lp24) f[i] = fa[i].low_pass(f[i]);
                else if constexpr (T == voice_filter::hpf) f[i] = fa[i].high_pass(f[i]);
                else f[i] = fa[i].band_pass(f[i]);
            }
            if constexpr (T == voice_filter::lp24 || T == voice_filter::bpf) {
                for (int i = 0; i < N; ++i) {
                    if constexpr (T == voice_filter::lp24) f[i] = fb[i].low_pass(f[i]);
                    else f[i] = fb[i].band_pass(f[i]);
                }
            }
            for (int i = 0; i < N; ++i) store(p + i * width, f[i]);
        }
        for (int l = 0; l < m; ++l)
            if (tick_at[l] == k) take(l, v[l]->filter.current());
    }
    if (rows) {
        for (int i = 0; i < N; ++i) {
            if constexpr (T == voice_filter::analog_lp) {
                lad.store_rows(rows + i * width, r, i);
            } else {
                fa[i].store_rows(rows + i * width, r);
                fb[i].store_rows(rows + 4 * r + i * width, r);
            }
        }
        return;
    }
    for (int l = 0; l < m; ++l) {
        voice_filter& f = v[l]->filter;
        const int i = l / width, w = l % width;
        if constexpr (T == voice_filter::analog_lp) {
            lad.store(f.lad, l);
        } else {
            fa[i].store(f.a, w);
            fb[i].store(f.b, w);
        }
    }
}

// The DC blocker after the amplifier, and the pan: pl and pr become the lanes' output. The
// rows hold the blockers' state, their coefficients, and (Held: every lane's amplifier
// factor and gains are its constants, voice::held, not the arrays) those constants.
template <class V, int N, bool Held>
[[gnu::always_inline]] inline void dc_lanes(double* rows, const double* x,
                                            const double* a, double* pl, double* pr, int s,
                                            int from, int to) {
    constexpr int width = sizeof(V) / sizeof(double), r = voice::lane_width;
    biquad_lanes<V> dc[N];
    V ha[N], hl[N], hr[N];
    for (int i = 0; i < N; ++i) {
        dc[i].load_rows(rows + i * width, r);
        dc[i].nb0 = load<V>(rows + 4 * r + i * width);
        dc[i].na1 = load<V>(rows + 5 * r + i * width);
        dc[i].na2 = load<V>(rows + 6 * r + i * width);
    }
    if constexpr (Held) {
        for (int i = 0; i < N; ++i) {
            ha[i] = load<V>(rows + 7 * r + i * width);
            hl[i] = load<V>(rows + 8 * r + i * width);
            hr[i] = load<V>(rows + 9 * r + i * width);
        }
    }
    for (int k = from; k < to; ++k) {
        for (int i = 0; i < N; ++i) {
            const int o = k * s + i * width;
            if constexpr (Held) {
                const V y = dc[i].high_pass(ha[i] * load<V>(x + o));
                store(pl + o, y * hl[i]);
                store(pr + o, y * hr[i]);
            } else {
                const V y = dc[i].high_pass(load<V>(a + o) * load<V>(x + o));
                store(pl + o, y * load<V>(pl + o));
                store(pr + o, y * load<V>(pr + o));
            }
        }
    }
    for (int i = 0; i < N; ++i) dc[i].store_rows(rows + i * width, r);
}

// The group's filters in chains of V: as many at once as the ladder's long chain needs, two
// at a time for the biquads' short ones (their state then stays in registers).
template <class V, int T>
[[gnu::always_inline]] inline void filter_chains(voice* const* v, int m, const coefficients* before,
                                                 const int* tick_at, double* rows, double* x, int s, int len) {
    constexpr int width = sizeof(V) / sizeof(double);
    if constexpr (T == voice_filter::analog_lp) {
        static_assert(width == 4, "the ladder runs up to four chains of four");
        switch ((m + 3) / 4) {
            case 1: filter_lanes<V, 1, T>(v, m, before, tick_at, rows, x, s, 0, len); break;
            case 2: filter_lanes<V, 2, T>(v, m, before, tick_at, rows, x, s, 0, len); break;
            case 3: filter_lanes<V, 3, T>(v, m, before, tick_at, rows, x, s, 0, len); break;
            default: filter_lanes<V, 4, T>(v, m, before, tick_at, rows, x, s, 0, len); break;
        }
    } else {
        for (int l = 0; l < m; l += 2 * width) {
            if (m - l > width)
                filter_lanes<V, 2, T>(v + l, std::min(2 * width, m - l), before + l, tick_at + l, rows + l, x + l, s, 0, len);
            else
                filter_lanes<V, 1, T>(v + l, m - l, before + l, tick_at + l, rows + l, x + l, s, 0, len);
        }
    }
}

template <class V, bool Held>
[[gnu::always_inline]] inline void dc_chains(int m, double* rows, const double* x,
                                             const double* a, double* pl, double* pr, int s,
                                             int from, int to) {
    constexpr int width = sizeof(V) / sizeof(double);
    for (int l = 0; l < m; l += 2 * width) {
        if (m - l > width)
            dc_lanes<V, 2, Held>(rows + l, x + l, a + l, pl + l, pr + l, s, from, to);
        else
            dc_lanes<V, 1, Held>(rows + l, x + l, a + l, pl + l, pr + l, s, from, to);
    }
}

// The group's kernels: four lanes a vector compiled twice, the AVX2 copy chosen at load time
// where the processor has it, and eight lanes a vector for AVX-512. None may fuse a multiply
// and an add, so all give the same values.
template <int T>
__attribute__((target_clones("avx2", "default"))) void filter_group(
    voice* const* v, int m, const coefficients* before, const int* tick_at, double* rows,
    double* x, int s, int len) {
    filter_chains<v4d, T>(v, m, before, tick_at, rows, x, s, len);
}

template <int T>
__attribute__((target("arch=x86-64-v4"))) void filter_group_wide(
    voice* const* v, int m, const coefficients* before, const int* tick_at, double* rows,
    double* x, int s, int len) {
    // The ladder's chain is long: four chains of four overlap better than two of eight.
    if constexpr (T == voice_filter::analog_lp)
        filter_chains<v4d, T>(v, m, before, tick_at, rows, x, s, len);
    else
        filter_chains<v8d, T>(v, m, before, tick_at, rows, x, s, len);
}

template <int T>
void filter_group_any(voice* const* v, int m, const coefficients* before, const int* tick_at,
                      double* rows, double* x, int s, int len) {
    if (lanes::wide)
        filter_group_wide<T>(v, m, before, tick_at, rows, x, s, len);
    else
        filter_group<T>(v, m, before, tick_at, rows, x, s, len);
}

template <bool Held>
__attribute__((target_clones("avx2", "default"))) void dc_group(int m, double* rows,
                                                                 const double* x,
                                                                 const double* a, double* pl,
                                                                 double* pr, int s, int from,
                                                                 int to) {
    dc_chains<v4d, Held>(m, rows, x, a, pl, pr, s, from, to);
}

template <bool Held>
__attribute__((target("arch=x86-64-v4"))) void dc_group_wide(int m, double* rows,
                                                             const double* x,
                                                             const double* a, double* pl,
                                                             double* pr, int s, int from,
                                                             int to) {
    dc_chains<v8d, Held>(m, rows, x, a, pl, pr, s, from, to);
}

template <bool Held>
void dc_group_any(int m, double* rows, const double* x, const double* a,
                  double* pl, double* pr, int s, int from, int to) {
    if (lanes::wide)
        dc_group_wide<Held>(m, rows, x, a, pl, pr, s, from, to);
    else
        dc_group<Held>(m, rows, x, a, pl, pr, s, from, to);
}

// The sum of a sample's lanes (eight or sixteen; those without a voice are zero), always in
// the same order: the two halves of sixteen added lane by lane, then halves of what is left.
// Written in vectors of eight, which each processor's copy splits as it must, so every
// copy gives the same sum.
[[gnu::always_inline]] inline double lane_sum(const double* p, int s) {
    static_assert(voice::lane_width <= 16, "a sample's lanes fill at most two vectors of eight");
    v8d h = load<v8d>(p);
    if (s > 8) h += load<v8d>(p + 8);
    const v4d q = __builtin_shufflevector(h, h, 0, 1, 2, 3) + __builtin_shufflevector(h, h, 4, 5, 6, 7);
    return (q[0] + q[2]) + (q[1] + q[3]);
}

// The lanes' outputs (at stride s) added into the mix.
__attribute__((target_clones("arch=x86-64-v4", "avx2", "default"))) void mix_lanes(
    const double* pl, const double* pr, int s, int len, double* left, double* right) {
    for (int k = 0; k < len; ++k) {
        left[k] += lane_sum(pl + k * s, s);
        right[k] += lane_sum(pr + k * s, s);
    }
}

// One lane alone (a group of one, or a lane whose filter type changed in the chunk): plain
// doubles, and the type before the tick until it.
void filter_alone(voice* v, const coefficients& before, int tick_at, double* x, int s, int len) {
    auto run = [&](int kind, int from, int to) {
        if (from >= to) return;
        switch (kind) {
            case voice_filter::lp12: filter_lanes<double, 1, voice_filter::lp12>(&v, 1, &before, &tick_at, nullptr, x, s, from, to); break;
            case voice_filter::lp24: filter_lanes<double, 1, voice_filter::lp24>(&v, 1, &before, &tick_at, nullptr, x, s, from, to); break;
            case voice_filter::hpf: filter_lanes<double, 1, voice_filter::hpf>(&v, 1, &before, &tick_at, nullptr, x, s, from, to); break;
            case voice_filter::bpf: filter_lanes<double, 1, voice_filter::bpf>(&v, 1, &before, &tick_at, nullptr, x, s, from, to); break;
            case voice_filter::analog_lp: filter_lanes<double, 1, voice_filter::analog_lp>(&v, 1, &before, &tick_at, nullptr, x, s, from, to); break;
            default: break;
        }
    };
    run(before.kind, 0, std::min(tick_at, len));
    run(v->filter.type(), std::min(tick_at, len), len);
}

// A voice's filter state in its lane of the rows (lane_width apart) or back: the two
// biquads' x1, x2, y1, y2, or the ladder's eight values.
template <bool Back>
void filter_state(voice_filter& f, int kind, double* p) {
    double* const biquads[8] = {&f.a.x1, &f.a.x2, &f.a.y1, &f.a.y2, &f.b.x1, &f.b.x2, &f.b.y1, &f.b.y2};
    double* const ladder[8] = {&f.lad.y1, &f.lad.y2, &f.lad.y3, &f.lad.y4, &f.lad.y4_prev, &f.lad.t1, &f.lad.t2, &f.lad.t3};
    double* const* const from = kind == voice_filter::analog_lp ? ladder : biquads;
    for (int k = 0; k < 8; ++k) {
        if constexpr (Back)
            *from[k] = p[k * voice::lane_width];
        else
            p[k * voice::lane_width] = *from[k];
    }
}

// A voice's coefficients for this chunk in its lane of the coefficient rows, as the lanes
// read them: the biquads' nb0, na1, na2, or the ladder's 2·g and 4·k.
void coefficient_rows(const voice_filter::coefficients& c, double* p) {
    constexpr int r = voice::lane_width;
    if (c.kind == voice_filter::analog_lp) {
        p[0] = 2.0 * c.g;
        p[r] = 4.0 * c.k;
    } else {
        p[0] = c.a_nb0, p[r] = c.a_na1, p[2 * r] = c.a_na2;
        p[3 * r] = c.b_nb0, p[4 * r] = c.b_na1, p[5 * r] = c.b_na2;
    }
}

// A voice's DC blocker in its lane of the rows or back: x1, x2, y1, y2, then (into the rows
// only) its coefficients.
template <bool Back>
void dc_state(biquad& d, double* p) {
    double* const fields[4] = {&d.x1, &d.x2, &d.y1, &d.y2};
    for (int k = 0; k < 4; ++k) {
        if constexpr (Back)
            *fields[k] = p[k * voice::lane_width];
        else
            p[k * voice::lane_width] = *fields[k];
    }
    if constexpr (!Back) {
        p[4 * voice::lane_width] = d.nb0;
        p[5 * voice::lane_width] = d.na1;
        p[6 * voice::lane_width] = d.na2;
    }
}

}  // namespace

bool lanes::wide = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("x86-64-v4") != 0;
}();

void voice::render_lanes(voice* const* v, int m, double* left, double* right, int n,
                         const double* const* child_in) {
    // The lanes' samples side by side: sample k of lane l at k·s + l.
    const int s = m == 1 ? 1 : (m + 7) & ~7;
    alignas(64) double x[32 * lane_width], a[32 * lane_width], pl[32 * lane_width],
        pr[32 * lane_width];
    if (m < s) {
        // Lanes without a voice stay silent.
        std::memset(x, 0, sizeof x);
        std::memset(a, 0, sizeof a);
        std::memset(pl, 0, sizeof pl);
        std::memset(pr, 0, sizeof pr);
    }
    for (int l = 0; l < m; ++l) {
        voice& w = *v[l];
        w.osc1.begin_block();
        w.osc2.begin_block();
        for (osc_lead& o : w.lead) o.base = o.end = 0;  // nothing played ahead yet
        w.release_point = w.release_delay;
        w.release_delay = -1;
        w.fade_point = w.fade_delay;
        w.fade_delay = -1;
    }
    coefficients before[lane_width];
    int tick_at[lane_width];
    // A group's filter and DC state stays in rows, one lane of a vector each, from chunk to
    // chunk of the block: loaded from the voices and stored back once, not every chunk. The
    // filter's rows are the voices' only while the whole group has one type (filter_kind).
    // The filter's coefficients follow its state (six rows), the DC blocker's follow its
    // state, then the held gains (level, left, right): all written lane by lane well before
    // the kernels read them as vectors.
    alignas(64) double filter_rows[14 * lane_width], dc_rows[10 * lane_width];
    int filter_kind = -1;
    auto filter_back = [&] {
        if (filter_kind >= 0)
            for (int l = 0; l < m; ++l) filter_state<true>(v[l]->filter, filter_kind, filter_rows + l);
        filter_kind = -1;
    };
    if (m > 1) {
        // Lanes without a voice run on zeros.
        std::memset(filter_rows, 0, sizeof filter_rows);
        std::memset(dc_rows, 0, sizeof dc_rows);
        for (int l = 0; l < m; ++l) dc_state<false>(v[l]->dc, dc_rows + l);
    }
    int j = 0;
    while (j < n) {
        // Chunks follow the first voice's ticks, so a group in step meets one tick a chunk,
        // at its first sample.
        const voice& first = *v[0];
        int len = first.active && first.start_delay == 0 ? 32 - first.counter : 32;
        len = std::min(len, n - j);
        bool same = true;
        const int kind = v[0]->filter.type();
        for (int l = 0; l < m; ++l) {
            voice& w = *v[l];
            before[l] = w.filter.current();
            tick_at[l] = w.prepare_chunk(child_in[l] ? child_in[l] + j : nullptr, j, len, n, s,
                                         x + l, a + l, pl + l, pr + l);
            same = same && before[l].kind == kind && w.filter.type() == kind;
        }
        for (int l = 0; l < m; ++l) v[l]->filter.refresh();
        if (m > 1 && same)
            for (int l = 0; l < m; ++l) coefficient_rows(v[l]->filter.current(), filter_rows + 8 * lane_width + l);
        // Lanes that held their gains over the whole chunk read them as constants when all
        // do; otherwise their arrays are written out now.
        bool held = true;
        for (int l = 0; l < m; ++l) held = held && v[l]->held.count == len;
        if (!held) {
            for (int l = 0; l < m; ++l) v[l]->held.write(s);
        } else if (m > 1) {
            for (int l = 0; l < m; ++l) {
                const held_gains& h = v[l]->held;
                dc_rows[7 * lane_width + l] = h.level;
                dc_rows[8 * lane_width + l] = h.l;
                dc_rows[9 * lane_width + l] = h.r;
            }
        }
        if (m == 1 || !same) {
            filter_back();
            for (int l = 0; l < m; ++l) filter_alone(v[l], before[l], tick_at[l], x + l, s, len);
        } else {
            if (filter_kind != kind) {
                filter_back();
                for (int l = 0; l < m; ++l) filter_state<false>(v[l]->filter, kind, filter_rows + l);
                filter_kind = kind;
            }
            switch (kind) {
                case voice_filter::lp12: filter_group_any<voice_filter::lp12>(v, m, before, tick_at, filter_rows, x, s, len); break;
                case voice_filter::lp24: filter_group_any<voice_filter::lp24>(v, m, before, tick_at, filter_rows, x, s, len); break;
                case voice_filter::hpf: filter_group_any<voice_filter::hpf>(v, m, before, tick_at, filter_rows, x, s, len); break;
                case voice_filter::bpf: filter_group_any<voice_filter::bpf>(v, m, before, tick_at, filter_rows, x, s, len); break;
                case voice_filter::analog_lp: filter_group_any<voice_filter::analog_lp>(v, m, before, tick_at, filter_rows, x, s, len); break;
                default: break;
            }
        }
        // The DC blockers, in stretches: a note that ended at its tick knows whether its
        // blocker still rings only once the tick's own sample has passed through it.
        for (int from = 0; from < len;) {
            int to = len;
            for (int l = 0; l < m; ++l)
                if (v[l]->tail_check) to = std::min(to, tick_at[l] + 1);
            if (m == 1) {
                biquad d = v[0]->dc;  // in a local for the run, so it stays in registers
                const held_gains& h = v[0]->held;
                for (int k = from; k < to; ++k) {
                    const double y = d.process_high_pass((held ? h.level : a[k]) * x[k]);
                    left[j + k] += y * (held ? h.l : pl[k]);
                    right[j + k] += y * (held ? h.r : pr[k]);
                }
                v[0]->dc = d;
            } else if (held) {
                dc_group_any<true>(m, dc_rows, x, a, pl, pr, s, from, to);
            } else {
                dc_group_any<false>(m, dc_rows, x, a, pl, pr, s, from, to);
            }
            for (int l = 0; l < m; ++l) {
                if (v[l]->tail_check && tick_at[l] + 1 == to) {
                    if (m > 1) dc_state<true>(v[l]->dc, dc_rows + l);
                    v[l]->check_tail(pl + l, pr + l, s, to, len);
                }
            }
            from = to;
        }
        if (m > 1) mix_lanes(pl, pr, s, len, left + j, right + j);
        j += len;
    }
    filter_back();
    if (m > 1)
        for (int l = 0; l < m; ++l) dc_state<true>(v[l]->dc, dc_rows + l);
    for (int l = 0; l < m; ++l) {
        // A note-off or fade-out for a sample the voice never reached (it waited past it).
        voice& w = *v[l];
        if (w.release_point >= 0 && w.active) w.release();
        if (w.fade_point >= 0) w.fade_out();
        w.release_point = w.fade_point = -1;
    }
}
