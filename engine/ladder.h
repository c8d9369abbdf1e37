// "AnaLP": a saturating four-stage transistor-ladder low-pass, two half-steps per sample
// (run at twice the sample rate), with resonance fed back from the last stage.
#pragma once

#include <cmath>

class ladder {
public:
    // The soft clipper of every stage: a parabola that meets ±0.96016 at ±1.92033.
    // Written without branches on the sign (audio makes them unpredictable); the values
    // are those of the two parabolas exactly, and 0 at 0.
    static double sat(double a) {
        constexpr double knee = 1.92033, ceiling = 0.96016, curve = 0.26037;
        const double sign = double(a > 0.0) - double(a < 0.0);
        const double mag = std::fabs(a);
        const double m = (mag < knee ? mag : knee) - knee;
        return sign * (ceiling - curve * m * m);
    }

    // Coefficients for cutoff f (Hz), resonance r (0..1) at sample rate s (Hz).
    void set(double f, double r, double s);
    double process(double x) {
        const double inv_v = 1.0 / (2.0 * drive);  // drive is 1: exactly 0.5
        half_step(sat((x - 4.0 * k * y4) * inv_v));
        double m = (y4 + y4_prev) / 2.0;
        y4_prev = y4;
        half_step(sat((m - 4.0 * k * y4) * inv_v));
        double out = (y4 + y4_prev) / 2.0;
        y4_prev = y4;
        return out;
    }
    void reset() { y1 = y2 = y3 = y4 = y4_prev = t1 = t2 = t3 = 0.0; }

    static constexpr double drive = 1.0;  // the stages' V = 2·drive = 2
    double y1 = 0.0, y2 = 0.0, y3 = 0.0, y4 = 0.0, y4_prev = 0.0;
    double t1 = 0.0, t2 = 0.0, t3 = 0.0;
    double g = 0.0;  // stage gain per half-step
    double k = 0.0;  // feedback

private:
    void half_step(double u) {
        const double v = 2.0 * drive;
        const double inv_v = 1.0 / v;
        const double gv = v * g;
        y1 += gv * (u - t1);
        double s1 = sat(y1 * inv_v);
        t1 = s1;
        y2 += gv * (s1 - t2);
        double s2 = sat(y2 * inv_v);
        t2 = s2;
        y3 += gv * (s2 - t3);
        double s3 = sat(y3 * inv_v);
        t3 = s3;
        y4 += gv * (s3 - sat(y4 * inv_v));
    }
};
