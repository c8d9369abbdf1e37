// A low-frequency oscillator: reads a row of the wave table set with a 20-bit fixed-point
// phase that moves once per control tick, slew-limits the value and publishes it to the
// voice's LFO source holder. Runs free, follows the tempo, or restarts at each note.
#pragma once

#include "engine/param.h"
#include "engine/wave_tables.h"

class lfo {
public:
    enum mode_id : int { free_running = 0, tempo_sync = 1, note_sync = 2 };

    lfo();

    // Cycle length in beats for a tempo-synced LFO from the frequency value x.
    static double beats_for(double x);
    // The start phase a note gives this LFO in "Note" mode (0..1 of a cycle).
    double note_phase() const;

    void recompute();
    // recompute() when the rate holder moved since (setters recompute themselves).
    void refresh() {
        if (rate_param.get() != last_hz || (mode == tempo_sync && rate_param.value != last_x))
            recompute();
    }
    // One control tick. The output holder takes its smoothing steps of the period here
    // too: the one before the new value, then the three after it (the voice reads the
    // holder at ticks only). Inline: a voice advances three at every tick.
    void advance();
    void skip(int samples);   // whole control ticks in `samples`, without output
    void restart(double phase);

    void set_mode(int m);     // 0 free, 1 tempo, 2 note (3 counts as 2)
    void set_shape(double x); // row 8 + trunc(6·x)
    void set_tempo(int bpm);  // recomputes unless free-running
    void set_rate(double hz) { rate = hz; recompute(); }
    void set_compat(bool on) { compat = on; }
    // Whether a modulation slot reads the output. While none does, the ticks only note the
    // last two values; the holder catches up from them when a slot starts reading it.
    void set_read(bool r);

    pct2p* output = nullptr;  // the voice's "LFO1".."LFO3" source
    lfop rate_param;          // parameter 42, 45 or 48

    wave_table table;
    int row = wave_table_set::naive_saw;
    static constexpr int frac_one = 1 << 20, frac_mask = frac_one - 1;
    int index = 0;
    int frac = 0;  // 20-bit
    int inc_int = 0, inc_frac = 0;
    double prev = 0.0, value = 0.0;
    int mode = free_running;
    int tempo = 100;        // beats per minute
    double rate = 44100.0;  // Hz
    bool compat = false;
    bool read = true;

private:
    double published(double v) const { return compat ? v : 0.5 * v + 0.5; }
    // Cached inputs of the last recompute: it runs every tick and usually finds nothing new.
    double last_hz = -1.0, last_x = -1.0, last_beats = -1.0, last_rate = -1.0;
    int last_row = -1, last_mode = -1, last_tempo = -1;
    // While nothing reads the holder: the outputs of the last two ticks, and how many ticks
    // it missed (counted to 2).
    double unread_before = 0.0, unread_last = 0.0;
    int unread_ticks = 0;
};

inline void lfo::advance() {
    if (table) {
        double v = table.data[index] * 2.0;
        if (v - prev > 0.02) v = prev + 0.02;
        if (v - prev < -0.02) v = prev - 0.02;
        value = v;
        if (output) {
            if (read) {
                output->tick_and_smooth(published(v), 3);
            } else {
                unread_before = unread_last;
                unread_last = published(v);
                if (unread_ticks < 2) ++unread_ticks;
            }
        }
        prev = v;
        index += inc_int;
        frac += inc_frac;
        if (frac > frac_mask) {
            index += 1;
            frac &= frac_mask;
        }
        if (index >= table.length) index -= table.length;
        // An increment of a whole table or more (fast LFOs on short rows) still lands inside.
        if (index >= table.length) index %= table.length;
    } else if (output) {
        output->tick(4);
    }
    refresh();
    rate_param.tick();
}
