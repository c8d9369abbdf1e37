#include "tools/factory/sample_layout.h"

#include <algorithm>
#include <cmath>

namespace factory {

loop_plan plan_loop(double onset_s, double loop_s, double guard_s) {
    loop_plan p;
    p.onset_s = onset_s;
    p.loop_s = loop_s;
    p.guard_s = guard_s;
    double total = onset_s + loop_s + guard_s;
    p.begin_value = float(onset_s / total);
    p.length_value = float(std::sqrt(loop_s / total));
    return p;
}

slot_frames loop_points(const loop_plan& plan, size_t frames) {
    slot_frames at;
    at.frames = frames;
    double b = double(plan.begin_value), l = double(plan.length_value);
    at.loop_begin = size_t(b * double(frames));
    at.loop_length = std::max<size_t>(1, size_t(l * l * double(frames)));
    return at;
}

slot_frames fit_slot(const loop_plan& plan, double hz) {
    double total = (plan.onset_s + plan.loop_s + plan.guard_s) * rate_hz;
    size_t nominal = size_t(std::llround(total));
    if (hz <= 0) return loop_points(plan, nominal);

    // Among loop lengths within 12 % of the plan's, take the whole number of periods that
    // lands nearest to a whole frame.
    double period = rate_hz / hz, want = plan.loop_s * rate_hz;
    long lo = std::max(1L, long(std::floor(want * 0.88 / period)));
    long hi = std::max(lo, long(std::ceil(want * 1.12 / period)));
    long best_m = lo;
    double best_err = 1e9;
    for (long m = lo; m <= hi; ++m) {
        double len = double(m) * period;
        double err = std::fabs(len - std::round(len)) + 1e-4 * std::fabs(len - want) / period;
        if (err < best_err) best_err = err, best_m = m;
    }
    size_t target = size_t(std::llround(double(best_m) * period));

    // Find the slot length whose computed loop length is exactly the target.
    double f2 = double(plan.length_value) * double(plan.length_value);
    size_t n = size_t(std::ceil(double(target) / f2));
    for (size_t tries = 0; tries < 8; ++tries) {
        slot_frames at = loop_points(plan, n);
        if (at.loop_length == target) return at;
        n = at.loop_length < target ? n + 1 : n - 1;
    }
    return loop_points(plan, nominal);
}

void seal_loop(buffer& s, size_t begin, size_t length, size_t crossfade) {
    if (length == 0 || begin + length > s.size()) return;
    crossfade = std::min({crossfade, begin, length});
    size_t end = begin + length;
    // How alike the two ends are decides the law: a linear fade keeps the level of material
    // that lines up (a tone whose loop holds whole periods), an equal-power fade that of
    // material that does not (noise, a section, inharmonic modes); in between, the fade is
    // scaled for constant power at the measured correlation.
    double ab = 0, aa = 0, bb = 0;
    for (size_t i = 0; i < crossfade; ++i) {
        double a = s[end - crossfade + i], b = s[begin - crossfade + i];
        ab += a * b; aa += a * a; bb += b * b;
    }
    double rho = aa > 0 && bb > 0 ? std::clamp(ab / std::sqrt(aa * bb), 0.0, 1.0) : 1.0;
    for (size_t i = 0; i < crossfade; ++i) {
        double t = double(i + 1) / double(crossfade);
        double g = 1.0 / std::sqrt((1 - t) * (1 - t) + t * t + 2 * rho * t * (1 - t));
        size_t j = end - crossfade + i, k = begin - crossfade + i;
        s[j] = g * ((1 - t) * s[j] + t * s[k]);
    }
    for (size_t i = end; i < s.size(); ++i) s[i] = s[begin + (i - end) % length];
}

void hold_level(buffer& s, size_t from, double hz) {
    if (from >= s.size()) return;
    // RMS of windows of a few periods, and a least-squares line through their logarithms.
    size_t win = std::max<size_t>(frames_for(0.01), size_t(3.0 * rate_hz / std::max(hz, 20.0)));
    size_t start = from > frames_for(0.08) ? from - frames_for(0.08) : 0;
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    int n = 0;
    for (size_t w = start; w + win <= s.size(); w += win / 2) {
        double e = 0;
        for (size_t i = w; i < w + win; ++i) e += s[i] * s[i];
        if (e <= 0) continue;
        double x = double(w) + double(win) / 2, y = 0.5 * std::log(e / double(win));
        sx += x; sy += y; sxx += x * x; sxy += x * y; ++n;
    }
    if (n < 2) return;
    double slope = (double(n) * sxy - sx * sy) / (double(n) * sxx - sx * sx);  // per frame
    if (!(slope < 0)) return;
    for (size_t i = from; i < s.size(); ++i) s[i] *= std::exp(-slope * double(i - from));
}

std::vector<float> finish_one_shot(buffer s, double fade_in_ms, double fade_out_ms) {
    highpass_dc(s);
    fade_in(s, frames_for(fade_in_ms / 1000.0));
    fade_out(s, frames_for(fade_out_ms / 1000.0));
    scale_to_peak(s, -1.0);
    return to_float(s);
}

std::vector<float> finish_looped(buffer s, const slot_frames& at, double crossfade_s,
                                 double fade_in_ms) {
    s.resize(at.frames, 0.0);
    highpass_dc(s);
    seal_loop(s, at.loop_begin, at.loop_length, frames_for(crossfade_s));
    // The loop is what plays on: whatever offset the high-pass left in it (the filter is
    // still settling from the onset there) goes.
    if (at.loop_length > 0 && at.loop_begin + at.loop_length <= s.size()) {
        double mean = 0;
        for (size_t i = at.loop_begin; i < at.loop_begin + at.loop_length; ++i) mean += s[i];
        mean /= double(at.loop_length);
        for (double& v : s) v -= mean;
    }
    fade_in(s, frames_for(fade_in_ms / 1000.0));
    // The guard is only read by grains near the loop end; its last few ms fade so a
    // program that plays the sample without its loop still ends cleanly.
    size_t guard = at.frames - std::min(at.frames, at.loop_begin + at.loop_length);
    fade_out(s, std::min(frames_for(0.006), guard / 3 + 1));
    scale_to_peak(s, -1.0);
    return to_float(s);
}

}  // namespace factory
