// One second-order section, direct form I, with RBJ cookbook low-, high- and band-pass
// coefficients. Trigonometry comes from the shared 10,000-step tables.
#pragma once

class biquad {
public:
    enum kind : int { low_pass = 1, high_pass = 2, band_pass = 3 };  // band-pass: 0 dB peak

    // New coefficients for frequency f (Hz) and Q at sample rate `rate`; the state stays.
    // A twin takes the same coefficients (its state stays too), straight from the
    // computation: copying them back out of this section just after they were stored
    // makes the processor wait for the stores.
    void set(int type, double f, double q, double rate, biquad* twin = nullptr);
    // Another section's coefficients, keeping this one's state.
    void copy_coefficients(const biquad& o) {
        w0 = o.w0, alpha = o.alpha, cs = o.cs, sn = o.sn;
        b0 = o.b0, b1 = o.b1, b2 = o.b2, a0 = o.a0, a1 = o.a1, a2 = o.a2, inv_a0 = o.inv_a0;
        nb0 = o.nb0, nb1 = o.nb1, nb2 = o.nb2, na1 = o.na1, na2 = o.na2;
    }
    // (b0·x + b1·x1 + b2·x2 − a1·y1 − a2·y2) / a0, with the division folded into the
    // coefficients and the term of the previous output added last: that term is the
    // only one each sample has to wait for.
    double process(double x) {
        const double t = nb0 * x + nb1 * x1 + nb2 * x2 - na2 * y2;
        const double y = t - na1 * y1;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
    // The same for a section known to be low-, high- or band-pass: their numerators are
    // b0·(1, 2, 1), b0·(1, −2, 1) and b0·(1, 0, −1), so three products do.
    double process_low_pass(double x) { return feed(nb0 * ((x + x2) + 2.0 * x1), x); }
    double process_high_pass(double x) { return feed(nb0 * ((x + x2) - 2.0 * x1), x); }
    double process_band_pass(double x) { return feed(nb0 * (x - x2), x); }
    void reset() { x1 = x2 = y1 = y2 = 0.0; }

    double w0 = 0.0, alpha = 0.0, cs = 1.0, sn = 0.0;

private:
    double feed(double numerator, double x) {
        const double y = (numerator - na2 * y2) - na1 * y1;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }

public:
    double b0 = 1.0, b1 = 0.0, b2 = 0.0, a0 = 1.0, a1 = 0.0, a2 = 0.0, inv_a0 = 1.0;
    double nb0 = 1.0, nb1 = 0.0, nb2 = 0.0, na1 = 0.0, na2 = 0.0;  // divided by a0
    double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
};
