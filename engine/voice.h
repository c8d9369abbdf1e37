// One voice of the pool: two oscillators, the filter with its envelope, the amplitude
// envelope, three LFOs, the parameter holders, eight modulation slots and the source
// holders they read. A played voice may lead up to five unison children, which add only
// their oscillators into its filter.
//
// Threads: setParameter and set_program may be called on any thread and only publish
// (atomic values and dirty bits). Everything else runs on the audio thread inside the
// render call under the engine lock, or on a thread that holds the engine lock.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <utility>

#include "engine/biquad.h"
#include "engine/eg.h"
#include "engine/filter.h"
#include "engine/lfo.h"
#include "engine/oscillator.h"
#include "engine/param.h"
#include "plugin/param_table.h"

class program;
class wavetable;
class voice;

// What a voice asks of the instrument that owns it.
class voice_host {
public:
    // Beats per minute: the host's when following it and it tells one, else the plug tempo.
    virtual int tempo() = 0;
    // The host's song position in quarter notes when following the host tempo and the
    // host tells it; otherwise -1.
    virtual double song_position() = 0;
    // The lowest-index voice of the pool that is not active, or null.
    virtual voice* free_voice() = 0;

protected:
    ~voice_host() = default;
};

// A value that scales the audio and is cooked at control ticks (a gain, a balance or pan
// side). Across the 32 samples after a tick it moves linearly from the previous tick's
// cooked value to this one's, so the ticks keep their values and no step reaches the output.
struct gain_ramp {
    double from = 0.0, to = 0.0;
    void hold(double x) { from = to = x; }  // no movement: a note's first values
    void next(double x) {
        from = to;
        to = x;
    }
    bool moving() const { return from != to; }
    // The value i samples (1..32) after the tick that cooked `to`.
    double at(int i) const { return from + (to - from) * (double(i) * (1.0 / 32.0)); }
    // count values from i samples after the tick on (the run stays inside one period).
    void fill(double* out, int i, int count) const {
        if (!moving()) {
            for (int k = 0; k < count; ++k) out[k] = to;
            return;
        }
        for (int k = 0; k < count; ++k) out[k] = at(i + k);
    }
};

struct mod_slot {
    param* source = nullptr;       // a source holder, or none
    param* destination = nullptr;  // a holder of this voice, or none
    pct2p amount{0.5};             // −1..+1; 0.5 (display 0%) adds nothing
};

class voice {
public:
    static constexpr int max_children = 5;
    static constexpr int sources = 8;
    static constexpr int slots = 8;

    voice();
    voice(const voice&) = delete;
    voice& operator=(const voice&) = delete;

    void bind(voice_host* host) { owner = host; }
    // The pool index v and the oscillator numbers 1 + 10·v and 2 + 10·v.
    void set_number(int v);
    int number() const { return index; }

    // Any thread: link to the program's sample sets and publish all 87 of its values.
    void set_program(const program& p);
    // Any thread: publish one value; the audio thread applies it at the next control tick
    // or note start (smoothed while the voice sounds, at once while it is free).
    void setParameter(int index, float value);
    // Audio thread: apply what was published since the last call.
    void apply_pending();

    void set_sample_rate(double hz);

    // Note operations (audio thread or engine lock held).
    void start(int note, double detune_semitones, int role, int velocity, int delta_frames);
    void release();
    // Release `delta` samples into the coming block (at once for 0): a note-off sent for
    // a later sample of the block takes effect there, not at the block's start.
    void release_at(int delta);
    // Silence from the next sample, children too (controllers 123 and 126, program cuts).
    void stop();
    void cut() { stop(); }
    // Fade the sound out over fade_samples(), from `delta` samples into the coming block
    // (at once for 0), and then end it, children too: a voice that leaves the pool for a
    // new note (it is stolen) ends this way instead of in one sample.
    void fade_out(int delta = 0);
    // Samples a fade-out lasts: 3 ms.
    int fade_samples() const;
    // True while the voice still has output to give after it ended: the rest of a fade-out,
    // or the DC blocker's tail after the amplitude envelope finished (faded the same way).
    bool sounding() const { return fade_left > 0; }
    // A free voice's DC tail, for the rest of a block (its envelope ended earlier).
    void render_tail(double* left, double* right, int n);
    // The free-running LFO phases of another voice, for a voice taking its place.
    void take_lfo_phases(const voice& other);
    void glide_to(int note, double glide_samples);
    void set_mod_wheel(double x) { mod_wheel.set_smoothed(x); }  // 0..1
    void set_bend(double x) { bend.set_smoothed(x); }            // 0..1, centre 0.5

    // Rendering. A played voice adds n samples into left/right, taking its children's
    // oscillator sum from child_in (null for none). A child adds its oscillators into
    // buffer. A free voice only moves its LFOs on.
    void render(double* left, double* right, int n, const double* child_in);
    void render_child(double* buffer, int n);
    void skip_lfos(int n);
    // Up to lane_width played voices at once, as render would play each in turn: their
    // filters and DC blockers run side by side, one voice per lane, so one voice's chain of
    // dependent operations fills the time another's waits. child_in holds each one's
    // children's sum (or null).
    static constexpr int lane_width = 16;
    static void render_lanes(voice* const* v, int m, double* left, double* right, int n,
                             const double* const* child_in);
    // One sample of a played voice (what render does per sample).
    std::pair<double, double> tick(double child_in);

    bool has_children() const { return children[0] != nullptr; }

    // Allocation state.
    bool active = false;
    bool releasing = false;
    bool is_child = false;
    voice* parent = nullptr;
    std::array<voice*, max_children> children{};
    int start_delay = 0;  // samples of silence still to produce
    int release_delay = -1;  // samples into the current block until release(); -1: none
    int note = 0;
    double detune = 0.0;  // semitones
    double unison_gain = 1.0;
    int counter = 0;  // sample counter modulo 32; 0 is a control tick
    int fade_left = 0;   // samples of fade-out still to play; 0: none
    int fade_delay = -1;  // samples into the current block until the fade-out; -1: none
    bool tail_check = false;  // ended at a tick: whether the tail rings is still to be seen
    // A stretch of the chunk being prepared whose amplifier factor and panned gains are
    // constant (a held note's), not yet written into the arrays: a group whose lanes all
    // hold over the whole chunk reads the constants instead.
    struct held_gains {
        double *a = nullptr, *pl = nullptr, *pr = nullptr;  // its first sample's places
        int count = 0;
        double level = 0.0, l = 0.0, r = 0.0;
        void write(int s) const;
    } held;

    // Components.
    oscillator osc1, osc2;
    voice_filter filter;
    eg amp;
    std::array<lfo, 3> lfos;
    biquad dc;  // 8 Hz high-pass after the amplifier

    // Voice-level holders.
    unip unison;         // 1
    detunep unison_detune;  // 2
    panp balance;        // 5: left = OSC1 gain, right = OSC2 gain
    rangep bend_range;   // 6
    gain2p osc_gain;     // 33
    gainp gain;          // 34
    panp pan;            // 35

    // Modulation sources, in menu order, and the pitch-bend holder.
    gparam velocity;
    gparam mod_wheel;
    pct2hp note_source;
    std::array<pct2p, 3> lfo_out;
    gparam filter_eg_out;
    gparam amp_eg_out;
    pct2p bend{0.5};
    std::array<mod_slot, slots> matrix;

    // The holder for a parameter index, or null when it is not a voice parameter.
    param* holder(int index) const {
        return index >= 0 && index < NUM_PARAMS ? map[size_t(index)] : nullptr;
    }
    param* source(int k) const { return k >= 0 && k < sources ? source_list[size_t(k)] : nullptr; }

    static double unison_gain_for(int count);

private:
    void apply(int index, double value);
    void control_begin();  // first part of a control tick: pending values, slots, pitch
    void control_end();    // last part: holders, LFOs, end test
    void apply_slots();
    void free_with_children();
    void end_note();  // the amplitude envelope finished: free, keeping the DC tail to fade
    // The ramps take this tick's cooked values (a note's first tick: they start there).
    void next_ramps();
    void hold_ramps();
    void child_tick_end();  // a unison child's half of the tick after its sample
    void tick_modulation();  // the LFOs, the matrix amounts and the sources, at a tick
    void dc_tail(double* left, double* right, int count);
    // The next len samples (at most 32), from sample `at` of a block of n, made ready for
    // the filter stage at stride s (the voice's lane): the filter input x, the amplifier's
    // factor a and the panned gains pl, pr. The control tick, note-off, fade-out and start
    // delay happen here at their samples. Returns the sample from which the filter takes
    // the coefficients of this chunk's tick (len when there is none).
    int prepare_chunk(const double* child_in, int at, int len, int n, int s, double* x,
                      double* a, double* pl, double* pr);
    // count samples from sample pos of a block of n, from a control tick or between two,
    // never past the next one.
    void span(const double* child_in, int count, int pos, int n, int s, double* x, double* a,
              double* pl, double* pr);
    // The oscillators' count samples o1, o2 (and the children's) through the ramps, the
    // fade and the amplitude envelope, since samples after the tick that cooked the ramps.
    void gains(const double* o1, const double* o2, const double* child_in, int since, int count,
               int s, double* x, double* a, double* pl, double* pr);
    // The note ended at a tick and its tick's sample has passed the DC blocker: a blocker
    // that has settled ends the sound from sample `from` of the chunk on.
    void check_tail(double* pl, double* pr, int s, int from, int len);
    // n samples of an ended note: silence into the filter, the DC blocker's tail faded out.
    void tail(int n, int s, double* x, double* a, double* pl, double* pr);

    // The audio-scaling values as they move between ticks.
    gain_ramp ramp_balance_l, ramp_balance_r, ramp_osc_gain, ramp_unison, ramp_gain, ramp_pan_l,
        ramp_pan_r;
    bool ramps_still = false;  // none of the ramps moves (set with them at each tick)
    bool first_tick = true;  // the note's first control tick is still to come
    bool oscs_still = false;  // at this tick, both oscillators' holders were still
    bool applied = false;     // the latest apply_pending applied something
    // An oscillator's output played ahead of the spans that use it: out[0] is sample `base`
    // of the block, valid up to `end`. It plays to the end of the control period; when its
    // course held over the last tick and nothing is moving, up to `horizon` samples ahead.
    // A tick among those that changes the course after all plays it again from `start` to
    // itself.
    static constexpr int horizon = 512;
    struct osc_lead {
        double out[horizon];
        int base = 0, end = 0;
        oscillator::playback start{};
        oscillator::course course{}, last{};  // at base; at the latest tick
    };
    osc_lead lead[2];
    oscillator& osc_of(int o) { return o == 0 ? osc1 : osc2; }  // lead o's oscillator
    // At a tick at sample pos of a block of n: each lead holds the tick's sample on.
    void lead_tick(int o, int pos, int n, bool still);
    // After the tick's second half: a lead that has only the tick's sample gets the rest
    // of the period (to period_end).
    void lead_rest(int pos, int period_end);
    // Between ticks: each lead holds sample pos on, to period_end at least.
    void lead_span(int pos, int period_end);
    // The block's note-off and fade-out samples (from release_delay and fade_delay); -1: none.
    int release_point = -1, fade_point = -1;

    voice_host* owner = nullptr;
    int index = 0;
    int osc_numbers[2] = {1, 2};
    double rate = 44100.0;

    std::array<param*, NUM_PARAMS> map{};
    std::array<param*, sources> source_list{};

    // Published values: written by any thread, applied by the audio thread.
    std::array<std::atomic<float>, NUM_PARAMS> incoming{};
    std::array<std::atomic<uint64_t>, 2> dirty{};
    std::atomic<const wavetable*> incoming_sets{nullptr};
    const wavetable* sets = nullptr;
};
