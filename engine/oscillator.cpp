#include "engine/oscillator.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

// GCC 12's AVX-512 intrinsics warn about their own undefined pass-through values.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>
#pragma GCC diagnostic pop

#include "engine/lanes.h"
#include "engine/tables.h"
#include "sound/waveform.h"

namespace {

// Beats the whole sample is fitted to under tempo sync, from the speed value s (0..1).
double synced_beats(double s) {
    static constexpr double short_lengths[7] = {1.0 / 8, 1.0 / 6, 1.0 / 4, 1.0 / 3,
                                                3.0 / 8, 1.0 / 2, 3.0 / 4};
    int i = value_step(s, 23);
    if (i < 7) return short_lengths[i];
    return i - 6 < 16 ? double(i - 6) : 16.0;
}

// One sample of the usual stretch of a recorded oscillator, both grains inside the sample.
// Written so the compiler picks minsd rather than a branch.
[[gnu::always_inline]] inline double overlap_one(int t, const double* __restrict w,
                                                 const float* da, const float* db,
                                                 const oscillator::grain& ga,
                                                 const oscillator::grain& gb, double last) {
    const double wa = (ga.phase + t) * ga.scale, wb = (gb.phase + t) * gb.scale;
    const int ia = int(wa < last ? wa : last);
    const int ib = int(wb < last ? wb : last);
    return w[ia] * (double(da[t]) * ga.w_lo + double(da[t + 1]) * ga.w_hi) +
           w[ib] * (double(db[t]) * gb.w_lo + double(db[t + 1]) * gb.w_hi);
}

// The whole stretch in one pass. Three versions: this one for any x86-64, then AVX2 (chosen
// at load time) and AVX-512 (chosen with the lanes' vectors), the same operations in the
// same order (no fused multiply-add), so the same values.
__attribute__((target("default"))) void overlap_two(
    double* __restrict out, int n, const double* __restrict w, const float* __restrict data,
    const oscillator::grain& ga, const oscillator::grain& gb, double last) {
    const float* da = data + ga.frame;
    const float* db = data + gb.frame;
    for (int t = 0; t < n; ++t) out[t] = overlap_one(t, w, da, db, ga, gb, last);
}

// Four samples at a time: the window read with gathers, the sample's floats widened four at
// once.
__attribute__((target("avx2"))) void overlap_two(
    double* __restrict out, int n, const double* __restrict w, const float* __restrict data,
    const oscillator::grain& ga, const oscillator::grain& gb, double last) {
    const float* da = data + ga.frame;
    const float* db = data + gb.frame;
    const __m256d alo = _mm256_set1_pd(ga.w_lo), ahi = _mm256_set1_pd(ga.w_hi);
    const __m256d blo = _mm256_set1_pd(gb.w_lo), bhi = _mm256_set1_pd(gb.w_hi);
    const __m256d apos = _mm256_set1_pd(ga.phase), bpos = _mm256_set1_pd(gb.phase);
    const __m256d ascale = _mm256_set1_pd(ga.scale), bscale = _mm256_set1_pd(gb.scale);
    const __m256d lim = _mm256_set1_pd(last), four = _mm256_set1_pd(4.0);
    const __m256d every = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));  // gather all four
    __m256d t = _mm256_setr_pd(0.0, 1.0, 2.0, 3.0);
    int k = 0;
    for (; k + 4 <= n; k += 4) {
        // min(x, last) is minpd's x < last ? x : last.
        const __m128i ia = _mm256_cvttpd_epi32(
            _mm256_min_pd(_mm256_mul_pd(_mm256_add_pd(apos, t), ascale), lim));
        const __m128i ib = _mm256_cvttpd_epi32(
            _mm256_min_pd(_mm256_mul_pd(_mm256_add_pd(bpos, t), bscale), lim));
        const __m256d sa = _mm256_add_pd(_mm256_mul_pd(_mm256_cvtps_pd(_mm_loadu_ps(da + k)), alo),
                                         _mm256_mul_pd(_mm256_cvtps_pd(_mm_loadu_ps(da + k + 1)), ahi));
        const __m256d sb = _mm256_add_pd(_mm256_mul_pd(_mm256_cvtps_pd(_mm_loadu_ps(db + k)), blo),
                                         _mm256_mul_pd(_mm256_cvtps_pd(_mm_loadu_ps(db + k + 1)), bhi));
        const __m256d wa = _mm256_mask_i32gather_pd(_mm256_setzero_pd(), w, ia, every, 8);
        const __m256d wb = _mm256_mask_i32gather_pd(_mm256_setzero_pd(), w, ib, every, 8);
        _mm256_storeu_pd(out + k, _mm256_add_pd(_mm256_mul_pd(wa, sa), _mm256_mul_pd(wb, sb)));
        t = _mm256_add_pd(t, four);
    }
    for (; k < n; ++k) out[k] = overlap_one(k, w, da, db, ga, gb, last);
}

// Eight samples at a time.
__attribute__((target("arch=x86-64-v4"))) void overlap_two_wide(
    double* __restrict out, int n, const double* __restrict w, const float* __restrict data,
    const oscillator::grain& ga, const oscillator::grain& gb, double last) {
    const float* da = data + ga.frame;
    const float* db = data + gb.frame;
    const __m512d alo = _mm512_set1_pd(ga.w_lo), ahi = _mm512_set1_pd(ga.w_hi);
    const __m512d blo = _mm512_set1_pd(gb.w_lo), bhi = _mm512_set1_pd(gb.w_hi);
    const __m512d apos = _mm512_set1_pd(ga.phase), bpos = _mm512_set1_pd(gb.phase);
    const __m512d ascale = _mm512_set1_pd(ga.scale), bscale = _mm512_set1_pd(gb.scale);
    const __m512d lim = _mm512_set1_pd(last), eight = _mm512_set1_pd(8.0);
    __m512d t = _mm512_setr_pd(0.0, 1.0, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0);
    int k = 0;
    for (; k + 8 <= n; k += 8) {
        const __m256i ia = _mm512_cvttpd_epi32(
            _mm512_min_pd(_mm512_mul_pd(_mm512_add_pd(apos, t), ascale), lim));
        const __m256i ib = _mm512_cvttpd_epi32(
            _mm512_min_pd(_mm512_mul_pd(_mm512_add_pd(bpos, t), bscale), lim));
        const __m512d sa = _mm512_add_pd(_mm512_mul_pd(_mm512_cvtps_pd(_mm256_loadu_ps(da + k)), alo),
                                         _mm512_mul_pd(_mm512_cvtps_pd(_mm256_loadu_ps(da + k + 1)), ahi));
        const __m512d sb = _mm512_add_pd(_mm512_mul_pd(_mm512_cvtps_pd(_mm256_loadu_ps(db + k)), blo),
                                         _mm512_mul_pd(_mm512_cvtps_pd(_mm256_loadu_ps(db + k + 1)), bhi));
        const __m512d wa = _mm512_i32gather_pd(ia, w, 8);
        const __m512d wb = _mm512_i32gather_pd(ib, w, 8);
        _mm512_storeu_pd(out + k, _mm512_add_pd(_mm512_mul_pd(wa, sa), _mm512_mul_pd(wb, sb)));
        t = _mm512_add_pd(t, eight);
    }
    for (; k < n; ++k) out[k] = overlap_one(k, w, da, db, ga, gb, last);
}

}  // namespace

oscillator::oscillator()
    : pitch(60.0 / 128.0),
      transpose(0.5),
      finetune(0.5),
      offset(0.5),
      speed(0.5),
      loop_begin(0.0),
      loop_length(1.0),
      window(lookup_tables::shared().window()) {
    choose_table();
}

void oscillator::link(const wavetable* s) {
    sets = s;
    set = wave_choice < 2 && sets ? &sets->waves[size_t(wave_choice)] : nullptr;
}

void oscillator::choose_wave(double x) {
    const int c = value_step(x, 6);
    const bool was_recorded = row < wave_table_set::first_row;
    wave_choice = c;
    row = c < 2 ? 0 : c + 6;
    set = c < 2 && sets ? &sets->waves[size_t(c)] : nullptr;
    // A sounding oscillator carries on with the new source rather than starting again: a
    // built-in row keeps its phase (its table is chosen again now and at every tick, the
    // index kept inside it), a recorded set keeps its read position and slot.
    if (row >= wave_table_set::first_row) {
        choose_table();
    } else if (active && !was_recorded) {
        // Coming from a built-in row no grain is playing: open them at the read position.
        begin_block();
        position = offset_frames + advanced;
        load_grain(grains[0], 0.0);
        place(grains[0], grains[0].length / 2.0);
        load_grain(grains[1], 0.0);
    }
}

const sample_data* oscillator::play_sample() const {
    if (!set) return nullptr;
    const sample_data& s = set->play_samples[size_t(slot)];
    // A record whose values do not match its frame count is not played.
    if (s.frames < 0 || s.data.size() < size_t(s.frames)) return nullptr;
    return &s;
}

void oscillator::begin_block() {
    const sample_data* s = row < wave_table_set::first_row ? play_sample() : nullptr;
    const float* d = s ? s->data.data() : nullptr;
    int64_t n = s ? s->frames : 0;
    if (d != data || n != frames) {
        data = d;
        frames = n;
        refresh_limits();
        for (grain& g : grains) {
            if (!data && !g.silent) g.silent = true;
            check_inside(g);
        }
    }
}

void oscillator::start(double p) {
    cur_pitch = target_pitch = p;
    glide_step = 0.0;
    begin();
}

void oscillator::begin() {
    const double p = cur_pitch;
    if (row < wave_table_set::first_row && set) {
        slot = set->slot_for_key(int(std::trunc(p)));
        const sample_data& stored = set->samples[size_t(slot)];
        adjustment = double(stored.xpose) + double(stored.finetune) / 100.0;
    } else {
        adjustment = 0.0;
        slot = 0;
    }
    pitch.set((p + adjustment + transpose.cooked + finetune.cooked) / 128.0);
    const bool recorded = row < wave_table_set::first_row;
    period = !recorded || pitchable ? rate / pitch.cooked : rate / 80.0;

    if (!recorded) {
        choose_table();
        table_index = table_frac = 0;
        // Nothing is read from a set meanwhile; switched to one, the note reads it from
        // its start offset.
        advanced = 0;
        advanced_frac = 0;
        active = true;
        return;
    }

    const sample_data* s = play_sample();
    data = s ? s->data.data() : nullptr;
    frames = s ? s->frames : 0;
    refresh_limits();
    advanced = 0;
    advanced_frac = 0;
    position = offset_frames;
    playback_increment();
    if (pitchable) {
        // Start one period before the quietest frame of the first period, so the first
        // grain opens near a zero crossing.
        double q_period = s ? cursor.period_at(*s, 0.0) : -1.0;
        int64_t q = int64_t(q_period > 0.0 ? q_period : period);
        if (q > grain_capacity / 2) q = grain_capacity / 2;
        if (q < 0) q = 0;
        int64_t best = position;
        double smallest = std::fabs(frame_value(position));
        for (int64_t i = position + 1; i <= position + q; ++i) {
            double v = std::fabs(frame_value(i));
            if (v < smallest) {
                smallest = v;
                best = i;
            }
        }
        anchor = double(best - q);
    }
    load_grain(grains[0], 0.0);
    place(grains[0], grains[0].length / 2.0);
    load_grain(grains[1], 0.0);
    active = true;
}

void oscillator::glide(double target, double ticks) {
    target_pitch = target;
    glide_step = ticks > 0.0 ? (target - cur_pitch) / ticks : target - cur_pitch;
}

void oscillator::choose_table() {
    table = wave_table_set::shared().get(row >= wave_table_set::first_row ? row : wave_table_set::saw,
                                        period);
    const double inc = double(table.length) / period;
    const double whole = std::floor(inc);
    // A period shorter than one step cannot be played; the increment stays inside the table.
    if (!(inc < double(table.length))) {
        inc_int = table.length - 1;
        inc_frac = 0;
    } else {
        inc_int = int(whole);
        inc_frac = int((inc - whole) * frac_one);
    }
    if (table_index >= table.length) table_index %= table.length;
}

void oscillator::playback_increment() {
    double h;
    if (tempo_sync) {
        double s = speed.value + speed.mod;
        double beats = synced_beats(s < 0.0 ? 0.0 : s > 1.0 ? 1.0 : s);
        h = frames > 0 ? double(frames) / (beats * rate * 60.0 / double(tempo)) : 1.0;
    } else {
        h = speed.cooked;
    }
    const double whole = std::floor(h);
    inc_pos = int(whole);
    inc_pos_frac = int((h - whole) * frac_one);
}

void oscillator::refresh_limits() {
    if (offset.cooked == limits_offset && loop_begin.cooked == limits_begin &&
        loop_length.cooked == limits_length && frames == limits_frames)
        return;
    limits_offset = offset.cooked;
    limits_begin = loop_begin.cooked;
    limits_length = loop_length.cooked;
    limits_frames = frames;
    offset_frames = int64_t(std::trunc(offset.cooked * double(frames)));
    loop_begin_frames = int64_t(std::trunc(loop_begin.cooked * double(frames)));
    loop_frames = int64_t(std::trunc(loop_length.cooked * double(frames)));
    if (loop_frames < 1) loop_frames = 1;
    end_frames = frames * 21 / 20;
}

void oscillator::control(double bend) {
    pitch.set_smoothed((cur_pitch + bend + adjustment + transpose.cooked + finetune.cooked) /
                       128.0);
    const bool recorded = row < wave_table_set::first_row;
    period = !recorded || pitchable ? rate / pitch.cooked : rate / 80.0;
    if (recorded)
        playback_increment();
    else
        choose_table();
    if (glide_step != 0.0) {
        cur_pitch += glide_step;
        if ((glide_step > 0.0 && cur_pitch >= target_pitch) ||
            (glide_step < 0.0 && cur_pitch <= target_pitch)) {
            cur_pitch = target_pitch;
            glide_step = 0.0;
        }
    }
}

bool oscillator::still() const {
    return offset.still() && pitch.still() && transpose.still() && finetune.still() &&
           loop_begin.still() && loop_length.still() && speed.still();
}

oscillator::playback oscillator::saved() const {
    return {{grains[0], grains[1]}, anchor, position, advanced, advanced_frac, active};
}

void oscillator::replay(const playback& from, const course& then, double* out, int count) {
    auto take = [this](const course& c) {
        period = c.period;
        rate = c.rate;
        offset_frames = c.offset_frames;
        loop_begin_frames = c.loop_begin_frames;
        loop_frames = c.loop_frames;
        end_frames = c.end_frames;
        frames = c.frames;
        set = c.set;
        data = c.data;
        inc_pos = c.inc_pos;
        inc_pos_frac = c.inc_pos_frac;
        row = c.row;
        slot = c.slot;
        loop = c.loop != 0;
        pitchable = c.pitchable != 0;
    };
    const course now = current_course();
    take(then);
    grains[0] = from.grains[0];
    grains[1] = from.grains[1];
    anchor = from.anchor;
    position = from.position;
    advanced = from.advanced;
    advanced_frac = from.advanced_frac;
    active = from.active;
    render(out, count);
    take(now);
}

void oscillator::tick_params(bool still) {
    if (!still) {
        offset.tick();
        pitch.tick();
        transpose.tick();
        finetune.tick();
        loop_begin.tick();
        loop_length.tick();
        speed.tick();
    }
    refresh_limits();
}

void oscillator::check_inside(grain& g) const {
    if (g.silent || !data) {
        g.inside = false;
        return;
    }
    // The last frame the grain can touch: the frame under its end plus the next one.
    const int64_t last = g.frame + int64_t(std::ceil(g.length - g.phase)) + 1;
    g.inside = g.frame >= 0 && last < frames;
}

void oscillator::load_grain(grain& g, double carry) {
    double p = pitchable ? period : rate / 80.0;
    const sample_data* s = play_sample();
    if (!s) {
        g = grain{};
        g.silent = true;
        g.phase = carry;
        g.length = double(grain_capacity - 1);
        g.scale = double(lookup_tables::window_steps) / g.length;
        return;
    }
    // Walk the anchor towards the read position one local period at a time (periods
    // doubled until they are comparable with P), so grains stay on the sample's cycles.
    auto step_at = [&](double a) {
        if (!pitchable) return p;
        double d = cursor.period_at(*s, a);
        if (d < 1.0) return p;
        while (p / d > 1.9) d *= 2.0;
        return d;
    };
    const double pos = double(position);
    double c = pos >= anchor ? anchor + step_at(anchor) : anchor - step_at(anchor);
    for (int guard = 0; std::fabs(pos - anchor) > std::fabs(pos - c); ++guard) {
        anchor = c;
        c = c <= pos ? c + step_at(c) : c - step_at(c);
        if (guard > (1 << 20)) {  // a far jump: land on the position itself
            anchor = pos;
            break;
        }
    }
    if (pitchable) anchor = cursor.nearest_pitch_mark(*s, anchor);

    // Half a grain is one period; a grain never outgrows the 16,384-sample capacity.
    double half = p < 1.0 ? 1.0 : p > grain_capacity / 2 ? double(grain_capacity / 2) : p;
    g.silent = false;
    g.length = 2.0 * half;
    g.scale = double(lookup_tables::window_steps) / g.length;
    g.origin = anchor - half;
    place(g, carry);
}

void oscillator::place(grain& g, double phase) const {
    g.phase = phase;
    if (g.silent) return;
    const double first = g.origin + phase;
    const double lo = std::floor(first);
    g.frame = int64_t(lo);
    // Weights ceil(a) − a and 1 − that; an exact frame takes its own value.
    g.w_hi = first - lo;
    g.w_lo = 1.0 - g.w_hi;
    check_inside(g);
}

void oscillator::wrap_loop() {
    advanced -= loop_frames;
    position = loop_begin_frames;
    advanced_frac = 0;
    const sample_data* s = play_sample();
    anchor = s ? cursor.nearest_pitch_mark(*s, double(loop_begin_frames)) : double(loop_begin_frames);
}

void oscillator::render(double* out, int count) {
    if (!active) {
        for (int i = 0; i < count; ++i) out[i] = 0.0;
        return;
    }
    if (row >= wave_table_set::first_row) {
        for (int i = 0; i < count; ++i) out[i] = builtin_sample();
        return;
    }
    render_recorded(out, count);
}

int64_t oscillator::samples_until(int64_t frames_ahead) const {
    // The position after t samples is offset + ((A + t·H) >> 20) in 20-bit fixed point.
    const int64_t a = advanced * frac_one + advanced_frac;
    const int64_t h = int64_t(inc_pos) * frac_one + inc_pos_frac;
    const int64_t goal = frames_ahead * frac_one;
    if (a + h >= goal) return 1;
    if (h <= 0) return INT64_MAX;
    return (goal - a + h - 1) / h;
}

void oscillator::add_grain(grain& g, double* out, int count) const {
    if (!g.silent) {
        const double* w = window;
        if (g.inside) {
            const float* d = data + g.frame;
            const double lo = g.w_lo, hi = g.w_hi;
            for (int t = 0; t < count; ++t) {
                const double wi = (g.phase + t) * g.scale;
                const int i = wi < double(window_last) ? int(wi) : window_last;
                out[t] += w[i] * (double(d[t]) * lo + double(d[t + 1]) * hi);
            }
        } else {
            for (int t = 0; t < count; ++t) {
                const double wi = (g.phase + t) * g.scale;
                const int i = wi < double(window_last) ? int(wi) : window_last;
                const int64_t f = g.frame + t;
                out[t] += w[i] * (frame_value(f) * g.w_lo + frame_value(f + 1) * g.w_hi);
            }
        }
    }
    g.phase += count;
    g.frame += count;
}

void oscillator::render_recorded(double* out, int count) {
    if (!set) {
        for (int i = 0; i < count; ++i) out[i] = 0.0;
        return;
    }
    int k = 0;
    while (k < count) {
        if (!active) {
            out[k++] = 0.0;
            continue;
        }
        // The next sample at which anything but the plain overlap-add happens.
        int64_t m = count - k;
        for (const grain& g : grains) {
            const double left = std::ceil(g.length - g.phase);
            const int64_t t = left < 1.0 ? 1 : int64_t(left);
            if (t < m) m = t;
        }
        // The loop's end or the one-shot's: the division only when it falls in the stretch.
        const int64_t ahead = loop ? loop_begin_frames + loop_frames + 1 - offset_frames
                                   : end_frames - offset_frames;
        if ((advanced * frac_one + advanced_frac) +
                m * (int64_t(inc_pos) * frac_one + inc_pos_frac) >= ahead * frac_one)
            m = std::min(m, samples_until(ahead));
        const int n = int(m);

        grain& ga = grains[0];
        grain& gb = grains[1];
        if (ga.inside && gb.inside && !ga.silent && !gb.silent) {
            // The usual case, both grains inside the sample: one pass.
            if (lanes::wide)
                overlap_two_wide(out + k, n, window, data, ga, gb, double(window_last));
            else
                overlap_two(out + k, n, window, data, ga, gb, double(window_last));
            ga.phase += n;
            ga.frame += n;
            gb.phase += n;
            gb.frame += n;
        } else {
            for (int t = 0; t < n; ++t) out[k + t] = 0.0;
            add_grain(ga, out + k, n);
            add_grain(gb, out + k, n);
        }
        const int64_t a = (advanced * frac_one + advanced_frac) +
                          int64_t(n) * (int64_t(inc_pos) * frac_one + inc_pos_frac);
        advanced = a >> frac_bits;
        advanced_frac = int(a & frac_mask);
        position = offset_frames + advanced;
        k += n;
        // Events of the stretch's last sample, in the order a single sample meets them.
        if (loop) {
            if (position > loop_begin_frames + loop_frames) wrap_loop();
        } else if (position >= end_frames) {
            active = false;
            continue;
        }
        for (grain& g : grains)
            if (g.phase >= g.length) load_grain(g, g.phase - g.length);
    }
}
