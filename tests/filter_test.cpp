// The voice filter measured with sines against the RBJ magnitude formulas, the ladder kept
// bounded at full resonance, and the sections in lanes giving the scalar sections' values.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

#include "engine/filter.h"
#include "engine/lanes.h"
#include "engine/tables.h"
#include "signal_measure.h"

// The lanes' vectors pass between inlined helpers only.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

constexpr double pi = std::numbers::pi;
constexpr double rate = 44100.0;

// The corner the filter really has: its angle on the 10,000-step trig table.
double table_w0(double fc) { return std::floor(fc / rate * 10000.0) * 2 * pi / 10000.0; }

// |H(e^jw)| of the RBJ cookbook section of `type` at frequency f, for corner angle w0
// and Q.
double rbj(int type, double w0, double q, double f) {
    const double c = std::cos(w0), s = std::sin(w0), al = s / (2 * q);
    double b0, b1, b2;
    if (type == biquad::low_pass) {
        b0 = b2 = (1 - c) / 2;
        b1 = 1 - c;
    } else if (type == biquad::high_pass) {
        b0 = b2 = (1 + c) / 2;
        b1 = -(1 + c);
    } else {
        b0 = al;
        b1 = 0;
        b2 = -al;
    }
    const double a0 = 1 + al, a1 = -2 * c, a2 = 1 - al;
    const std::complex<double> z = std::polar(1.0, -2 * pi * f / rate);
    return std::abs((b0 + b1 * z + b2 * z * z) / (a0 + a1 * z + a2 * z * z));
}

// Gain of the filter for a steady sine of f Hz, measured after the transient.
double measured_gain(voice_filter& vf, double f) {
    vf.a.reset();
    vf.b.reset();
    vf.lad.reset();
    std::vector<double> y(44100);
    for (size_t i = 0; i < y.size(); ++i) y[i] = vf.audio(std::sin(2 * pi * f * double(i) / rate));
    return measure::amplitude_at(y, f, rate, 22050, 44100);
}

void make(voice_filter& vf, int type, double cutoff, double res) {
    vf.set_sample_rate(rate);
    vf.cutoff.set(cutoff);
    vf.resonance.set(res);
    vf.set_type((type + 0.5) / 7.0);
}

TEST(Filter, BiquadTypesFollowTheCookbook) {
    struct row {
        int type;            // voice filter type
        int section;         // RBJ kind
        int sections_run;    // 1 or 2 in series
    };
    for (row r : {row{voice_filter::lp12, biquad::low_pass, 1}, row{voice_filter::lp24, biquad::low_pass, 2},
                  row{voice_filter::hpf, biquad::high_pass, 1}, row{voice_filter::bpf, biquad::band_pass, 2}}) {
        for (double cutoff : {0.3, 0.6}) {
            for (double res : {0.0, 0.5}) {
                voice_filter vf;
    make(vf, r.type, cutoff, res);
                ASSERT_EQ(vf.type(), r.type);
                const double fc = voice_filter::cutoff_hz(cutoff);
                const double q = 1.0 / ((1.0 - res) * 0.999 + 0.001);
                // The 10,000-step trig tables place the corner within 1/10,000 of the
                // sample rate below fc.
                EXPECT_NEAR(table_w0(fc) / (2 * pi * fc / rate), 1.0, rate / 10000 / fc);
                for (double f : {fc, fc / 2, fc * 2}) {
                    double expected = std::pow(rbj(r.section, table_w0(fc), q, f), r.sections_run);
                    double got = measured_gain(vf, f);
                    EXPECT_NEAR(measure::db(got / expected), 0.0, 0.01)
                        << "type " << r.type << " cutoff " << cutoff << " res " << res << " f " << f;
                }
            }
        }
    }
}

TEST(Filter, CutoffRangeAndResonanceMapping) {
    EXPECT_NEAR(voice_filter::cutoff_hz(0.0), 80.0008, 1e-4);
    EXPECT_NEAR(voice_filter::cutoff_hz(1.0), 8127.6, 0.1);
    // Resonance 1: Q = 1000; a low-pass then peaks by about 60 dB at its corner.
    voice_filter vf;
    make(vf, voice_filter::lp12, 0.5, 1.0);
    const double fc = voice_filter::cutoff_hz(0.5);
    double w0 = 2 * pi * fc / rate;
    double s, c;
    lookup_tables::shared().sin_cos(w0, s, c);
    EXPECT_NEAR(vf.a.alpha, s / 2000.0, 1e-15);
}

TEST(Filter, NoneAndHpfUseTheirSections) {
    voice_filter none;
    make(none, voice_filter::none, 0.3, 0.0);
    for (double x : {0.5, -0.25, 1e-3}) EXPECT_EQ(none.audio(x), x);
    // "HPF" is one 12 dB/octave section: an octave below, -12 dB, not -24.
    voice_filter hp;
    make(hp, voice_filter::hpf, 0.6, 0.0);
    const double fc = voice_filter::cutoff_hz(0.6);
    EXPECT_NEAR(measure::db(measured_gain(hp, fc / 2)),
                measure::db(rbj(biquad::high_pass, table_w0(fc), 1.0, fc / 2)), 0.01);
    EXPECT_GT(measure::db(measured_gain(hp, fc / 2)), -12.0);  // two sections would give -22
    // Values map to types: 1.0 is "AnaLP".
    voice_filter t;
    t.set_type(1.0);
    EXPECT_EQ(t.type(), voice_filter::analog_lp);
    t.set_type(-1e-10);
    EXPECT_EQ(t.type(), voice_filter::none);
}

TEST(Filter, EnvelopeMovesTheCutoffAtControlTicks) {
    voice_filter vf;
    make(vf, voice_filter::lp12, 0.0, 0.0);
    vf.env_amount.set(1.0);  // +100 %
    vf.envelope.attack.set(0.0);
    vf.envelope.decay.set(0.0);
    vf.envelope.sustain.set(1.0);
    vf.reset();
    double prev_w0 = -1;
    for (int i = 0; i < 32 * 8; ++i) {
        vf.process(0.0, i & 31);
        if ((i & 31) == 0) {
            EXPECT_GE(vf.a.w0, prev_w0);
            prev_w0 = vf.a.w0;
        }
    }
    // After the attack (4 ticks at 44.1 kHz) the cutoff sits at the top of its range.
    EXPECT_NEAR(vf.cutoff.cooked, 1.0, 1e-12);
}

TEST(Filter, LadderIsALowPassAndStaysBoundedAtFullResonance) {
    voice_filter vf;
    make(vf, voice_filter::analog_lp, 0.5, 0.0);
    const double fc = voice_filter::cutoff_hz(0.5);
    // Well below the corner it passes (with its own soft gain), two octaves above it is
    // much quieter.
    double low = measured_gain(vf, fc / 8), high = measured_gain(vf, fc * 4);
    EXPECT_GT(low, 0.3);
    EXPECT_LT(measure::db(high / low), -30.0);

    std::mt19937 rng(7);
    std::uniform_real_distribution<double> noise(-4.0, 4.0);
    for (double cutoff : {0.0, 0.3, 0.7, 1.0}) {
        for (double res : {0.9, 1.0}) {
            voice_filter f;
    make(f, voice_filter::analog_lp, cutoff, res);
            double worst = 0.0;
            for (int i = 0; i < 44100; ++i) {
                double x = i < 22050 ? noise(rng) : (i % 200 < 100 ? 4.0 : -4.0);
                double y = f.audio(x);
                ASSERT_TRUE(std::isfinite(y)) << cutoff << " " << res << " at " << i;
                worst = std::max(worst, std::fabs(y));
            }
            EXPECT_LT(worst, 4.0) << cutoff << " " << res;
        }
    }
    // From rest, silence stays silence.
    voice_filter quiet;
    make(quiet, voice_filter::analog_lp, 0.5, 1.0);
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(quiet.audio(0.0), 0.0);
}

TEST(Filter, SaturatorShape) {
    EXPECT_EQ(ladder::sat(0.0), 0.0);
    EXPECT_EQ(ladder::sat(5.0), 0.96016);
    EXPECT_EQ(ladder::sat(-5.0), -0.96016);
    EXPECT_NEAR(ladder::sat(1.92033), 0.96016, 1e-12);
    EXPECT_NEAR(ladder::sat(1.0), 0.96016 - 0.26037 * 0.92033 * 0.92033, 1e-12);
    EXPECT_DOUBLE_EQ(ladder::sat(-0.7), -ladder::sat(0.7));
    // Near zero it is nearly linear with slope 2·0.26037·1.92033 ≈ 1.
    EXPECT_NEAR((ladder::sat(2e-3) - ladder::sat(1e-3)) / 1e-3, 1.0, 2e-3);
}

}  // namespace

// Four voices' sections in one vector, two such chains in lockstep, and one voice alone in
// a plain double, against each voice's scalar section: the same values bit for bit, for
// noise loud enough to drive the ladder into saturation with resonance high enough to
// ring, and then through silence.
TEST(Filter, LanesGiveTheScalarSectionsValues) {
    using lanes::v4d;
    constexpr int voices = 8;
    std::mt19937 gen(7);
    std::uniform_real_distribution<double> noise(-3.0, 3.0);
    ladder ref_ladder[voices], alone_ref;
    biquad ref[3][voices];  // low-, high- and band-pass
    lanes::ladder_lanes<v4d, 2> lad;
    lanes::ladder_lanes<double, 1> alone;
    lanes::biquad_lanes<v4d> sections[3][2];
    for (int l = 0; l < voices; ++l) {
        const double f = 200.0 + 900.0 * l, r = 0.12 * l;
        ref_ladder[l].set(f, r, rate);
        lad.coefficients(ref_ladder[l].g, ref_ladder[l].k, l);
        for (int t = 0; t < 3; ++t) {
            ref[t][l].set(biquad::low_pass + t, f, 1.0 + 40.0 * r, rate);
            sections[t][l / 4].coefficients(ref[t][l].nb0, ref[t][l].na1, ref[t][l].na2, l % 4);
        }
    }
    alone_ref.set(3000.0, 0.95, rate);
    alone.coefficients(alone_ref.g, alone_ref.k, 0);
    int mismatches = 0;
    for (int i = 0; i < 4000; ++i) {
        v4d in[2];
        for (int l = 0; l < voices; ++l) in[l / 4][l % 4] = i < 2000 ? noise(gen) : 0.0;
        v4d out[4][2] = {{in[0], in[1]}};
        lad.process(out[0]);
        for (int c = 0; c < 2; ++c) {
            out[1][c] = sections[0][c].low_pass(in[c]);
            out[2][c] = sections[1][c].high_pass(in[c]);
            out[3][c] = sections[2][c].band_pass(in[c]);
        }
        for (int l = 0; l < voices; ++l) {
            const double x = in[l / 4][l % 4];
            mismatches += out[0][l / 4][l % 4] != ref_ladder[l].process(x);
            mismatches += out[1][l / 4][l % 4] != ref[0][l].process_low_pass(x);
            mismatches += out[2][l / 4][l % 4] != ref[1][l].process_high_pass(x);
            mismatches += out[3][l / 4][l % 4] != ref[2][l].process_band_pass(x);
        }
        double y[1] = {in[0][0]};
        alone.process(y);
        mismatches += y[0] != alone_ref.process(in[0][0]);
    }
    EXPECT_EQ(mismatches, 0);
    // A lane at rest fed silence (a group's empty lane) stays exactly at rest.
    lanes::ladder_lanes<v4d, 1> rest;
    for (int l = 0; l < 4; ++l) rest.coefficients(ref_ladder[7].g, ref_ladder[7].k, l);
    v4d zero[1] = {};
    for (int i = 0; i < 1000; ++i) rest.process(zero);
    for (int l = 0; l < 4; ++l) EXPECT_EQ(zero[0][l], 0.0);
}
