#include "engine/lfo.h"

#include <cmath>

lfo::lfo() : rate_param(0.0) {}

double lfo::beats_for(double x) {
    static constexpr double beats[15] = {1.0 / 8, 1.0 / 6, 1.0 / 4, 1.0 / 3, 3.0 / 8,
                                         1.0 / 2, 3.0 / 4, 1, 2, 3, 4, 5, 6, 7, 8};
    return beats[value_step(x, 15)];
}

double lfo::note_phase() const {
    switch (row) {
        case wave_table_set::saw: return 0.5;
        case wave_table_set::square:
        case wave_table_set::pulse: return 0.25;
        default: return 0.0;
    }
}

void lfo::recompute() {
    const double hz = rate_param.get();
    last_x = rate_param.value;
    const double beats = mode == tempo_sync ? beats_for(rate_param.value) : 0.0;
    if (hz == last_hz && beats == last_beats && rate == last_rate && row == last_row &&
        mode == last_mode && tempo == last_tempo)
        return;
    last_hz = hz;
    last_beats = beats;
    last_rate = rate;
    last_row = row;
    last_mode = mode;
    last_tempo = tempo;

    // Cycles per control tick.
    double a = mode == tempo_sync ? (32.0 / rate) / (beats * 60.0 / double(tempo))
                                  : hz * 32.0 / rate;
    table = wave_table_set::shared().get(row, std::trunc(1.0 / a));
    if (!table) return;
    // S&H takes one table entry per cycle, so every cycle holds a new random value.
    double b = row == wave_table_set::random ? a : a * table.length;
    double whole = std::floor(b);
    inc_int = int(whole);
    inc_frac = int((b - whole) * frac_one);
    if (index >= table.length) index %= table.length;
}

void lfo::skip(int samples) {
    const int k = samples / 32;
    if (k <= 0 || !table) {
        recompute();
        return;
    }
    const long long f = (long long)k * inc_frac;
    long long i = (long long)index + (long long)k * inc_int + f / frac_one;
    long long fr = (long long)frac + f % frac_one;
    if (fr > frac_mask) {
        i += 1;
        fr &= frac_mask;
    }
    index = int(i % table.length);
    frac = int(fr);
    recompute();
}

void lfo::restart(double phase) {
    recompute();
    if (mode != free_running && phase > -0.5 && table) {
        double b = row == wave_table_set::random ? 1.0 : double(table.length);
        double p = phase * b;
        double whole = std::floor(p);
        index = int(whole);
        frac = int((p - whole) * frac_one);
        if (index < 0 || index >= table.length) index = ((index % table.length) + table.length) % table.length;
    }
    if (output && table) {
        double v = table.data[index] * 2.0;
        output->set(published(v));
        unread_ticks = 0;
    }
}

void lfo::set_read(bool r) {
    if (r && !read && output) {
        // The ticks it missed, taken now. Past one, it starts from the value before the
        // last: it glides to each value within a tick, so the ticks would have left it
        // there but for the rounding of a step.
        if (unread_ticks == 2) output->set(unread_before);
        if (unread_ticks >= 1) output->tick_and_smooth(unread_last, 3);
        unread_ticks = 0;
    }
    read = r;
}

void lfo::set_mode(int m) {
    mode = m >= 2 ? note_sync : m == 1 ? tempo_sync : free_running;
    recompute();
}

void lfo::set_shape(double x) {
    row = wave_table_set::saw + value_step(x, 6);
    recompute();
}

void lfo::set_tempo(int bpm) {
    tempo = bpm > 0 ? bpm : 1;
    if (mode != free_running) recompute();
}
