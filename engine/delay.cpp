#include "engine/delay.h"

#include <algorithm>
#include <cmath>

#include "engine/tables.h"

void delay::create_lines() {
    line_l.assign(line_length, 0.0);
    line_r.assign(line_length, 0.0);
    write_l = write_r = 0;
    counter = 0;
}

void delay::clear() {
    std::fill(line_l.begin(), line_l.end(), 0.0);
    std::fill(line_r.begin(), line_r.end(), 0.0);
}

void delay::set_sample_rate(double hz) {
    rate = hz;
    // The feedback filters follow the rate too, or a host that changes it would hear them
    // at the wrong frequency.
    recompute_filters();
}

void delay::update(const settings& s) {
    cross = s.cross;
    sync = s.sync;
    if (s.length != seen_length) length.set(seen_length = s.length);
    if (s.wet != seen_wet) wet.set(seen_wet = s.wet);
    if (s.feedback != seen_feedback) feedback.set(seen_feedback = s.feedback);
    if (s.filter_generation != seen_generation) {
        seen_generation = s.filter_generation;
        filter = s.filter < 0 ? 0 : s.filter > 2 ? 2 : s.filter;
        cutoff.set(s.cutoff);
        recompute_filters();
    }
}

void delay::recompute_filters() {
    // 80 Hz .. about 10,240 Hz.
    const double f = lookup_tables::shared().note_frequency(84.0 * cutoff.cooked + 39.487);
    if (filter == low_pass) {
        filter_l.set(biquad::low_pass, f, 1.0, rate);
        filter_r.set(biquad::low_pass, f, 1.0, rate);
    } else if (filter == high_pass) {
        filter_l.set(biquad::high_pass, f, 1.0, rate);
        filter_r.set(biquad::high_pass, f, 1.0, rate);
    }
}

double delay::synced_fraction(double x) {
    static constexpr double whole_notes[8] = {1.0 / 32, 1.0 / 24, 1.0 / 16, 1.0 / 12,
                                              3.0 / 32, 1.0 / 8,  3.0 / 16, 1.0 / 4};
    return whole_notes[value_step(x, 8)];
}

int delay::left_length(int tempo) const {
    double t;
    if (sync)
        t = 240.0 / double(tempo > 0 ? tempo : 1) * synced_fraction(length.cooked);
    else
        t = 0.8 * length.cooked + 0.02;
    double n = std::trunc(t * rate);
    // Slow tempos and high rates can ask for more than a line holds.
    return n < 1.0 ? 1 : n > double(line_length) ? line_length : int(n);
}

void delay::run(double* in_l, double* in_r, int n, int tempo) {
    if (!has_lines()) return;
    const int len_l = left_length(tempo);
    const int len_r = cross ? std::min(2 * len_l, int(line_length)) : len_l;
    double* dl_line = line_l.data();
    double* dr_line = line_r.data();
    for (int j = 0; j < n; ++j) {
        if (write_l >= line_length) write_l = 0;
        if (write_r >= line_length) write_r = 0;
        const double dl = dl_line[write_l];
        const double dr = dr_line[write_r];
        const double al = cross ? dr : dl;
        const double ar = cross ? dl : dr;
        double vl = al * feedback.cooked + in_l[j];
        double vr = ar * feedback.cooked + in_r[j];
        if (filter != no_filter) {
            vl = filter_l.process(vl);
            vr = filter_r.process(vr);
        }
        dl_line[write_l] = vl;
        dr_line[write_r] = vr;
        if (++write_l >= len_l) write_l = 0;
        if (++write_r >= len_r) write_r = 0;
        in_l[j] += dl * wet.cooked;
        in_r[j] += dr * wet.cooked;
        if (counter == 0) {
            wet.tick();
            feedback.tick();
            length.tick();
        }
        counter = (counter + 1) & 31;
    }
}
