#include "tools/factory/pluck.h"

#include <algorithm>
#include <cmath>
#include <complex>

namespace factory {

double allpass_delay(double a, double w) {
    std::complex<double> z1 = std::polar(1.0, -w);
    return -std::arg((a + z1) / (1.0 + a * z1)) / w;
}

double loss_delay(double s, double w) {
    std::complex<double> z1 = std::polar(1.0, -w);
    return -std::arg((1.0 - s) + s * z1) / w;
}

namespace {

constexpr int dispersion_stages = 3;

// One string: y[n] = e[n] + g * F(A(D(y[n - N]))), with F the loss filter, A the tuning
// allpass and D the stiffness allpasses; the loop's phase delay at the fundamental is
// exactly one period, so the string sounds at hz.
class string_loop {
public:
    string_loop(double hz, double t60_s, double damping, double stiffness) {
        double w = two_pi * hz / rate_hz, period = rate_hz / hz;
        s = std::clamp(damping, 0.0, 0.5);
        c = -std::clamp(stiffness, 0.0, 0.6);
        double fixed = loss_delay(s, w) + (c != 0.0 ? dispersion_stages * allpass_delay(c, w) : 0);
        double rest = period - fixed;
        n = size_t(std::max(2.0, std::floor(rest - 0.5)));
        double d = rest - double(n);
        // The allpass delay falls as its coefficient rises: bisect for d.
        double lo = -0.95, hi = 0.95;
        for (int i = 0; i < 60; ++i) {
            double mid = 0.5 * (lo + hi);
            if (allpass_delay(mid, w) > d) lo = mid; else hi = mid;
        }
        a = 0.5 * (lo + hi);
        double per_trip = std::pow(10.0, -3.0 / (hz * t60_s));
        double loss_at_f = std::abs((1.0 - s) + s * std::polar(1.0, -w));
        g = std::min(0.99995, per_trip / loss_at_f);
        line.assign(n, 0.0);
    }

    double tick(double excitation) {
        double v = line[pos];
        if (c != 0.0)
            for (int k = 0; k < dispersion_stages; ++k) {
                double y = c * v + dx[k] - c * dy[k];
                dx[k] = v; dy[k] = y; v = y;
            }
        double t = a * v + ax - a * ay;  // tuning allpass
        ax = v; ay = t;
        double f = (1.0 - s) * t + s * lx;  // loss filter
        lx = t;
        double y = excitation + g * f;
        line[pos] = y;
        pos = pos + 1 == n ? 0 : pos + 1;
        return y;
    }

private:
    std::vector<double> line;  // the last n outputs, as a ring
    size_t n = 2, pos = 0;
    double a = 0, s = 0, c = 0, g = 0.99;
    double ax = 0, ay = 0, lx = 0;
    double dx[dispersion_stages] = {}, dy[dispersion_stages] = {};
};

// The pick: a raised-cosine pulse minus the same pulse delayed by the pluck point, so the
// excitation has no DC and its spectrum has the pluck point's notches; plus filtered noise.
buffer excitation(const pluck_params& p, double hz) {
    double period = rate_hz / hz;
    size_t width = std::max<size_t>(2, size_t(p.pick_ms * 1e-3 * rate_hz));
    size_t gap = std::max<size_t>(1, size_t(std::lround(p.pluck_at * period)));
    buffer e(width + gap + size_t(period) + 4, 0.0);
    for (size_t i = 0; i < width; ++i) {
        double h = 0.5 - 0.5 * std::cos(two_pi * double(i + 1) / double(width + 1));
        e[i] += h;
        e[i + gap] -= h;
    }
    if (p.noise > 0) {
        rng r(p.seed * 7919 + 17);
        biquad lp = biquad::lowpass(std::min(12000.0, 2500.0 / std::max(0.05, p.pick_ms)), 0.7);
        size_t len = size_t(period) + width;
        for (size_t i = 0; i < len; ++i) {
            double win = std::sin(pi * double(i) / double(len));
            e[i] += p.noise * lp.process(r.bipolar()) * win;
        }
    }
    double mean = 0;
    for (double v : e) mean += v;
    mean /= double(e.size());
    for (double& v : e) v -= mean;
    return e;
}

buffer one_string(const pluck_params& p, double hz, size_t frames) {
    string_loop s(hz, p.t60_s, p.damping, p.stiffness);
    buffer e = excitation(p, hz), out(frames);
    for (size_t i = 0; i < frames; ++i) out[i] = s.tick(i < e.size() ? e[i] : 0.0);
    return out;
}

}  // namespace

buffer pluck(const pluck_params& p) {
    size_t frames = frames_for(p.seconds);
    buffer out;
    if (p.strings_cents != 0.0) {
        double k = std::pow(2.0, p.strings_cents / 2400.0);
        out = one_string(p, p.hz * k, frames);
        pluck_params q = p;
        q.seed = p.seed + 101;
        buffer b = one_string(q, p.hz / k, frames);
        for (size_t i = 0; i < frames; ++i) out[i] += b[i];
    } else {
        out = one_string(p, p.hz, frames);
    }
    if (p.pickup_at > 0) {
        size_t d = std::max<size_t>(1, size_t(std::lround(p.pickup_at * rate_hz / p.hz)));
        for (size_t i = frames; i-- > d;) out[i] -= out[i - d];
    }
    for (const resonance& r : p.body) {
        biquad b = biquad::peak(r.hz, r.q, r.gain_db);
        b.run(out);
    }
    return out;
}

}  // namespace factory
