// Parameter holders: the engine-side value of one parameter. A holder keeps the
// normalised value (0..1), glides to new values over four ticks, sums the modulation
// added since its last tick, and cooks value + modulation (clamped to 0..1) into the unit
// its reader wants. Holders live on the audio thread; values from other threads reach
// them through the voice's pending values.
#pragma once

#include <cmath>
#include <limits>

// trunc(n·x) for a normalised value x (value plus modulation, or a value from a host or a
// file), kept inside 0..n. A value that is k/n as a float (as hosts and controllers send
// the start of a step) reads as k: n·x in double lands a hair below k about half the time,
// so a thousandth of a step is allowed for. Every value text and the engine read stepped
// values through this, so what is shown is what plays.
inline int whole_steps(double x, int n) {
    const double t = double(n) * x + 1e-3;
    if (!(t > 0.0)) return 0;  // also NaN
    return t >= double(n) ? n : int(t);
}
// Which of n choices x selects: 1.0, at the top of the last step, is the last choice.
inline int value_step(double x, int n) {
    const int k = whole_steps(x, n);
    return k < n ? k : n - 1;
}

class param {
public:
    param() = default;
    virtual ~param() = default;
    param(const param&) = default;
    param& operator=(const param&) = default;

    // Read only: the methods below keep them and the still flag in step.
    double value = 0.0;   // normalised, normally 0..1
    double mod = 0.0;     // modulation summed since the last tick
    double target = 0.0;  // value being glided to
    double step = 0.0;    // glide per tick
    double cooked = 0.0;  // value + mod in the holder's unit

    // Immediately, without gliding.
    void set(double x) {
        value = target = x;
        step = 0.0;
        clamp_mod();
        recook(true);
        settle();
    }
    // Glide there in four ticks.
    void set_smoothed(double x) {
        target = x;
        step = (x - value) * 0.25;
        if (step != 0.0) quiet = false;
    }
    // tick() would change nothing: no glide, no modulation, cooked from the value.
    bool still() const { return quiet; }
    // Once per control tick: glide, cook, forget the modulation.
    void tick() {
        // Most holders sit still most of the time.
        if (quiet) return;
        glide();
        clamp_mod();
        recook(false);
        mod = 0.0;
        settle();
    }
    // n ticks with nothing reading the holder in between: the same values, cooked once.
    void tick(int n) {
        if (quiet || n <= 0) return;
        for (int i = 0; i < n; ++i) glide();
        if (n > 1) mod = 0.0;  // the ticks after the first see no modulation
        clamp_mod();
        recook(false);
        mod = 0.0;
        settle();
    }
    // tick(), set_smoothed(x), then tick(after), with nothing reading the holder in
    // between: the same values, cooked once.
    void tick_and_smooth(double x, int after) {
        glide();
        if (after > 0) mod = 0.0;  // the ticks after the first see no modulation
        set_smoothed(x);
        for (int i = 0; i < after; ++i) glide();
        clamp_mod();
        recook(false);
        mod = 0.0;
        settle();
    }
    void add_mod(double x) {
        mod += x;
        if (mod != 0.0) quiet = false;
    }
    double get() const { return cooked; }

protected:
    // value + mod, kept inside 0..1.
    double amount() const {
        double x = value + mod;
        return x < 0.0 ? 0.0 : x > 1.0 ? 1.0 : x;
    }
    virtual void cook() { cooked = amount(); }
    // For constructors of derived holders (the cook is theirs by then).
    void init(double x) {
        value = target = x;
        recook(true);
        settle();
    }

private:
    // Only value and mod feed a cook; most holders sit still most of the time, so their
    // (sometimes costly) cook is skipped when neither moved.
    void recook(bool force) {
        if (!force && value == cooked_value && mod == cooked_mod) return;
        cooked_value = value;
        cooked_mod = mod;
        cook();
    }
    void glide() {
        if (step == 0.0) return;
        value += step;
        if ((step > 0.0 && value > target) || (step < 0.0 && value < target)) {
            value = target;
            step = 0.0;
        }
    }
    void settle() { quiet = step == 0.0 && mod == 0.0 && cooked_mod == 0.0 && value == cooked_value; }
    void clamp_mod() {
        if (value + mod > 1.0) mod = 1.0 - value;
        if (value + mod < 0.0) mod = -value;
    }
    double cooked_value = std::numeric_limits<double>::quiet_NaN();
    bool quiet = false;
    double cooked_mod = 0.0;
};

// x as it is: percentages, filter settings, levels.
class pctp : public param {
public:
    explicit pctp(double x = 0.0) { init(x); }
};
class filtp : public param {
public:
    explicit filtp(double x = 0.0) { init(x); }
};
class gparam : public param {
public:
    explicit gparam(double x = 0.0) { init(x); }
};
// x², 0..1.
class pctsqp : public param {
public:
    explicit pctsqp(double x = 0.0) { init(x); }
protected:
    void cook() override { double x = amount(); cooked = x * x; }
};
// 2·(x − 0.5): −1..+1.
class pct2p : public param {
public:
    explicit pct2p(double x = 0.0) { init(x); }
protected:
    void cook() override { cooked = 2.0 * (amount() - 0.5); }
};
// x − 0.5: −0.5..+0.5.
class pct2hp : public param {
public:
    explicit pct2hp(double x = 0.0) { init(x); }
protected:
    void cook() override { cooked = amount() - 0.5; }
};
// x − 0.5 semitones (±50 cents).
class tunep : public param {
public:
    explicit tunep(double x = 0.0) { init(x); }
protected:
    void cook() override { cooked = amount() - 0.5; }
};
// 2·x: playback speed 0..2.
class pct200fp : public param {
public:
    explicit pct200fp(double x = 0.0) { init(x); }
protected:
    void cook() override { cooked = 2.0 * amount(); }
};
// Gain factor 2^((66·x − 54)/6): −54..+12 dB, 6 dB per doubling.
class gainp : public param {
public:
    explicit gainp(double x = 0.0) { init(x); }
protected:
    void cook() override { cooked = std::exp2((66.0 * amount() - 54.0) / 6.0); }
};
// Gain factor 2^((30·x − 15)/6): −15..+15 dB.
class gain2p : public param {
public:
    explicit gain2p(double x = 0.0) { init(x); }
protected:
    void cook() override { cooked = std::exp2((30.0 * amount() - 15.0) / 6.0); }
};
// Gain factor 2^((66·x − 66)/6): −66..0 dB.
class zgainp : public param {
public:
    explicit zgainp(double x = 0.0) { init(x); }
protected:
    void cook() override { cooked = std::exp2((66.0 * amount() - 66.0) / 6.0); }
};
// Equal-power pair: cooked (left) = sqrt(1 − x), right = sqrt(x).
class panp : public param {
public:
    explicit panp(double x = 0.5) { init(x); }
    double left() const { return cooked; }
    double right_gain() const { return right; }
protected:
    void cook() override {
        double x = amount();
        cooked = std::sqrt(1.0 - x);
        right = std::sqrt(x);
    }
private:
    double right = 0.0;
};
// Transpose in semitones: one of 49 steps, −24..+24.
class xposep : public param {
public:
    explicit xposep(double x = 0.5) { init(x); }
protected:
    void cook() override { cooked = double(value_step(amount(), 49)) - 24.0; }
};
// Envelope time in seconds: 1.9975·x² + 0.0025, 2.5 ms..2 s.
class eparam : public param {
public:
    explicit eparam(double x = 0.0) { init(x); }
protected:
    void cook() override {
        double x = amount();
        cooked = 1.9975 * x * x + 0.0025;
    }
};
// LFO rate in Hz: 0.05·2^(10.644·x), 0.05..about 80.
class lfop : public param {
public:
    explicit lfop(double x = 0.0) { init(x); }
protected:
    void cook() override { cooked = 0.05 * std::exp2(10.644 * amount()); }
};
// Pitch: x is note / 128; cooked is Hz from the note-frequency table.
class pitchp : public param {
public:
    explicit pitchp(double x = 0.5);
protected:
    void cook() override;
};
// Unison voice count 1..6 from the value alone (modulation has no effect).
class unip : public param {
public:
    explicit unip(double x = 0.0) { init(x); }
    int count() const { return n; }
protected:
    void cook() override {
        n = 1 + value_step(value, 6);
        cooked = n;
    }
private:
    int n = 1;
};
// Pitch-bend range 1..12 semitones from the value alone.
class rangep : public param {
public:
    explicit rangep(double x = 0.0) { init(x); }
    int semitones() const { return n; }
protected:
    void cook() override {
        n = 1 + value_step(value, 12);
        cooked = n;
    }
private:
    int n = 1;
};
// Plug tempo 72..199 beats per minute from the value alone: 72 + trunc(127·x), the same
// rule as its value text, so every controller value reads as the tempo it shows.
class tempop : public param {
public:
    static int tempo_bpm(double x) { return 72 + whole_steps(x, 127); }
    explicit tempop(double x = 0.47244096) { init(x); }
    int bpm() const { return n; }
protected:
    void cook() override {
        n = tempo_bpm(value);
        cooked = n;
    }
private:
    int n = 132;
};
// Read raw: switches and the unison detune.
class boolp : public param {
public:
    explicit boolp(double x = 0.0) { init(x); }
    bool on() const { return value > 0.5; }
};
class detunep : public param {
public:
    explicit detunep(double x = 0.0) { init(x); }
};
