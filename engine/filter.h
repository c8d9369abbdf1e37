// The voice filter between the oscillator mix and the amplifier: none, LP12, LP24, HPF,
// BPF (biquads) or AnaLP (the ladder). Coefficients and the filter envelope move once per
// control tick; the audio path is one or two sections per sample.
#pragma once

#include "engine/biquad.h"
#include "engine/eg.h"
#include "engine/ladder.h"
#include "engine/param.h"

class voice_filter {
public:
    enum type_id : int { none = 0, lp12 = 1, lp24 = 2, hpf = 3, bpf = 4, analog_lp = 5 };

    voice_filter();

    // From the "Filter type" value: min(trunc(7·x), 5).
    void set_type(double x);
    int type() const { return kind; }
    void set_sample_rate(double r);
    // Zero every section and trigger the filter envelope (a note starts).
    void reset();

    // One sample; counter is the voice's sample counter (0 is a control tick).
    double process(double x, int counter) {
        if (counter == 0) control();
        double y = audio(x);
        if (counter == 0) tick_params();
        return y;
    }

    // The parts of process, for the voice's own sample loop.
    void control();  // filter envelope step, envelope modulation, coefficients
    // control() with the coefficients left for refresh(): the voices of a group take their
    // ticks one after another and then compute their coefficients together, so the
    // divisions of one overlap another's rather than waiting in turn.
    void control_later();
    void refresh() {
        if (!stale) return;
        stale = false;
        compute(later_cutoff, later_resonance);
    }
    // One sample through the sections of type T (known to the caller's loop).
    template <int T>
    double audio_as(double x) {
        if constexpr (T == lp12 || T == hpf) return a.process(x);
        else if constexpr (T == lp24 || T == bpf) return b.process(a.process(x));
        else if constexpr (T == analog_lp) return lad.process(x);
        else return x;
    }
    double audio(double x) {
        switch (kind) {
            case lp12:
            case hpf: return a.process(x);
            case lp24:
            case bpf: return b.process(a.process(x));
            case analog_lp: return lad.process(x);
            default: return x;
        }
    }
    void tick_params() {
        cutoff.tick();
        resonance.tick();
        env_amount.tick();
    }

    // What the audio path reads of the sections, for a stretch of samples rendered in lanes
    // where a control tick changes it part way.
    struct coefficients {
        int kind;
        double a_nb0, a_na1, a_na2, b_nb0, b_na1, b_na2;  // the biquads
        double g, k;                                      // the ladder
    };
    coefficients current() const {
        return {kind, a.nb0, a.na1, a.na2, b.nb0, b.na1, b.na2, lad.g, lad.k};
    }

    // Hz at cutoff holder value c: note 39.487 + 80·c, 80 Hz .. about 8128 Hz.
    static double cutoff_hz(double c);
    void recompute() { compute(cutoff.cooked, resonance.cooked); }

    filtp cutoff, resonance;  // parameters 26, 27
    pct2p env_amount;         // parameter 28, −1..+1
    feg envelope;             // parameters 29..32
    biquad a, b;
    ladder lad;

private:
    void compute(double cutoff_value, double resonance_value);
    int kind = none;
    double rate = 44100.0;  // Hz
    // control_later's cutoff and resonance, as they were at its tick.
    bool stale = false;
    double later_cutoff = 0.0, later_resonance = 0.0;
};
