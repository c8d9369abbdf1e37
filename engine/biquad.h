// One second-order section, direct form I, with RBJ cookbook low-, high- and band-pass
// coefficients. Trigonometry comes from the shared 10,000-step tables.
#pragma once

class biquad {
public:
    enum kind : int { low_pass = 1, high_pass = 2, band_pass = 3 };  // band-pass: 0 dB peak

    // New coefficients for frequency f (Hz) and Q at sample rate `rate`; the state stays.
    void set(int type, double f, double q, double rate);
    double process(double x) {
        double y = (b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2) * inv_a0;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
    void reset() { x1 = x2 = y1 = y2 = 0.0; }

    double w0 = 0.0, alpha = 0.0, cs = 1.0, sn = 0.0;
    double b0 = 1.0, b1 = 0.0, b2 = 0.0, a0 = 1.0, a1 = 0.0, a2 = 0.0, inv_a0 = 1.0;
    double x1 = 0.0, x2 = 0.0, y1 = 0.0, y2 = 0.0;
};
