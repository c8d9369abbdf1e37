// One of a voice's two oscillators. It plays a built-in band-limited table ("Saw", "Squ",
// "Tri", "Sin") with a 20-bit fixed-point phase, or a recorded sample set by
// pitch-synchronous overlap-add: two Hann-windowed grains, half a grain apart, cut around
// the sample's pitch marks and spaced at the key's period while the read position moves
// through the sample at the playback speed. So pitch and speed are independent.
#pragma once

#include <cstdint>
#include <cstring>

#include "engine/param.h"
#include "engine/sample_cursor.h"
#include "engine/wave_tables.h"

class sample_data;
class waveform;
class wavetable;

class oscillator {
public:
    static constexpr int grain_capacity = 16384;  // longest grain, in samples
    static constexpr int frac_bits = 20;
    static constexpr int frac_one = 1 << frac_bits;
    static constexpr int frac_mask = frac_one - 1;

    oscillator();

    // The program's two user sample sets; re-links the current choice.
    void link(const wavetable* sets);
    // From the waveform value: trunc(6·x): 0 "UserA", 1 "UserB", 2.. built-in rows 8.. .
    void choose_wave(double x);
    void set_rate(double hz) { rate = hz; }
    void set_tempo(int bpm) { tempo = bpm > 0 ? bpm : 1; }
    void set_loop(bool on) { loop = on; }
    void set_tempo_sync(bool on) { tempo_sync = on; }
    void set_pitchable(bool on) { pitchable = on; }

    // Start a note at pitch p (semitones, MIDI note plus detune).
    void start(double p);
    // Portamento towards target, reached in `ticks` control ticks.
    void glide(double target, double ticks);
    void stop() { active = false; }

    // One sample; counter is the voice's sample counter, bend in semitones.
    double tick(int counter, double bend) {
        if (counter == 0) control(bend);
        double s = sample();
        if (counter == 0) tick_params();
        return s;
    }
    void control(double bend);  // pitch, period, increments, glide (control tick)
    double sample() {
        if (!active) return 0.0;
        return row >= wave_table_set::first_row ? builtin_sample() : recorded_sample();
    }
    // count samples (no control tick among them) into out: the same values as count
    // calls of sample(), computed a stretch at a time between grain, loop and end events.
    void render(double* out, int count);
    // still: the caller saw still() true since the holders last moved, so their ticks
    // would do nothing; only the limits are checked.
    void tick_params(bool still = false);
    // tick_params would change nothing: what is rendered after a tick reads as before it.
    bool still() const;

    // Playing ahead of the control ticks. The course is all recorded playback reads besides
    // its own moving state: while the ticks leave it as it was, what was played past them
    // is what they would have led to.
    struct course {
        double period, rate;
        int64_t offset_frames, loop_begin_frames, loop_frames, end_frames, frames;
        const waveform* set;
        const float* data;
        int32_t inc_pos, inc_pos_frac, row, slot, loop, pitchable;
        // The same bits: no padding, and a value that compares equal but is not the same
        // (−0 and 0) counts as a change.
        bool operator==(const course& o) const {
            uint64_t a[12], b[12], d = 0;
            std::memcpy(a, this, sizeof a);
            std::memcpy(b, &o, sizeof b);
            for (int i = 0; i < 12; ++i) d |= a[i] ^ b[i];
            return d == 0;
        }
    };
    static_assert(sizeof(course) == 96, "a course has no padding");
    course current_course() const {
        return {period, rate, offset_frames, loop_begin_frames, loop_frames, end_frames, frames,
                set,    data, inc_pos,       inc_pos_frac,      row,         slot,       loop,
                pitchable};
    }
    struct playback;  // the moving state
    playback saved() const;
    // Back to `from`, saved under the course `then`, and count samples into out under it;
    // the current course stays. A tick that changed the course after all plays again to
    // itself this way.
    void replay(const playback& from, const course& then, double* out, int count);
    // Before each block: the sample may have been replaced while the engine lock was free.
    void begin_block();

    // Holders (parameters of OSC1; OSC2 uses 17, 20, 21, 24, 22, 23).
    pitchp pitch;           // note / 128, cooked Hz
    xposep transpose;       // 8: semitones
    tunep finetune;         // 11: semitones ±0.5
    pct2p offset;           // 12: −1..+1 of the sample length
    pct200fp speed;         // 15: 0..2
    pctp loop_begin;        // 13: 0..1 of the sample length
    pctsqp loop_length;     // 14: 0..1 of the sample length

    // State, open for the voice and the tests.
    double rate = 44100.0;  // Hz
    int row = wave_table_set::saw;  // 0: recorded set, 8..15: built-in
    const waveform* set = nullptr;
    bool loop = false, tempo_sync = false, pitchable = true;
    int tempo = 120;  // beats per minute
    bool active = false;
    bool wrapped = false;  // a built-in table wrapped in the latest sample
    double period = 100.0;  // synthesis period P in samples
    double cur_pitch = 60.0, target_pitch = 60.0, glide_step = 0.0;  // semitones
    double adjustment = 0.0;  // slot tuning, semitones
    int slot = 0;

    // Built-in playback.
    wave_table table;
    int table_index = 0, table_frac = 0, inc_int = 0, inc_frac = 0;

    // Recorded playback, positions in frames of the play sample.
    double anchor = 0.0;  // frame the current grain is centred on
    int64_t position = 0;
    int64_t advanced = 0;
    int advanced_frac = 0;
    int inc_pos = 1, inc_pos_frac = 0;

    // A grain: frames anchor − half + phase of the play sample, windowed by phase/length.
    // Values are read as the grain plays rather than copied into a buffer first; the phase
    // keeps its fraction from grain to grain so grains start every P samples on average,
    // not every trunc(P), and the pitch is the key's.
    struct grain {
        double origin = 0.0;   // frame at phase 0: anchor − half
        double phase = 0.0;    // read position in the grain, samples
        double length = 0.0;   // 2·half, at most grain_capacity
        double scale = 0.0;    // window steps per sample
        int64_t frame = 0;     // frame under the read position (lower of the two)
        double w_lo = 1.0, w_hi = 0.0;  // interpolation weights, fixed for the grain
        bool silent = true;    // no sample behind it: zeros
        bool inside = false;   // every frame it reads lies inside the sample
    };
    grain grains[2];
    struct playback {
        grain grains[2];
        double anchor;
        int64_t position, advanced;
        int advanced_frac;
        bool active;
    };

private:
    const sample_data* play_sample() const;
    void begin();  // steps of start after the pitch: slot, period, table or grains
    void choose_table();
    void playback_increment();
    void load_grain(grain& g, double carry);
    void place(grain& g, double phase) const;  // read position and interpolation weights
    void refresh_limits();
    double frame_value(int64_t i) const {
        return i >= 0 && i < frames ? double(data[i]) : 0.0;
    }
    double grain_value(grain& g) const {
        if (g.silent) return 0.0;
        if (g.inside) return double(data[g.frame]) * g.w_lo + double(data[g.frame + 1]) * g.w_hi;
        return frame_value(g.frame) * g.w_lo + frame_value(g.frame + 1) * g.w_hi;
    }
    void check_inside(grain& g) const;

    double builtin_sample() {
        double out = table.data[table_index];
        table_index += inc_int;
        table_frac += inc_frac;
        if (table_frac > frac_mask) {
            table_index += 1;
            table_frac &= frac_mask;
        }
        wrapped = false;
        if (table_index >= table.length) {
            table_index -= table.length;
            wrapped = true;
        }
        return out;
    }
    double recorded_sample() {
        if (!set) return 0.0;
        double out = 0.0;
        for (grain& g : grains) {
            const double wi = g.phase * g.scale;
            const int i = wi < double(window_last) ? int(wi) : window_last;
            out += window[i] * grain_value(g);
            g.phase += 1.0;
            g.frame += 1;
        }
        advanced += inc_pos;
        advanced_frac += inc_pos_frac;
        if (advanced_frac > frac_mask) {
            advanced += 1;
            advanced_frac &= frac_mask;
        }
        position = offset_frames + advanced;
        if (loop) {
            if (position > loop_begin_frames + loop_frames) wrap_loop();
        } else if (position >= end_frames) {
            active = false;  // 5 % past the end of a one-shot sample
            return out;
        }
        for (grain& g : grains)
            if (g.phase >= g.length) load_grain(g, g.phase - g.length);
        return out;
    }
    void wrap_loop();
    static constexpr int window_last = 9999;
    void render_recorded(double* out, int count);
    void add_grain(grain& g, double* out, int count) const;
    // Samples until the read position passes `frames_ahead` frames past the offset (1 at
    // least; a huge number when it never does).
    int64_t samples_until(int64_t frames_ahead) const;

    int wave_choice = 2;
    const wavetable* sets = nullptr;
    const double* window = nullptr;
    sample_cursor cursor;  // period map and pitch marks of the play sample
    const float* data = nullptr;  // the play sample's values, refreshed every block
    int64_t frames = 0;
    // Read-position limits cooked from the holders at each control tick.
    int64_t offset_frames = 0, loop_begin_frames = 0, loop_frames = 1, end_frames = 0;
    double limits_offset = -9.0, limits_begin = -9.0, limits_length = -9.0;
    int64_t limits_frames = -1;
};
