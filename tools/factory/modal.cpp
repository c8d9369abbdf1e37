#include "tools/factory/modal.h"

#include <algorithm>
#include <cmath>

namespace factory {

double mallet_gain(double hz, double contact_s) {
    // The envelope of a half-cosine contact pulse's spectrum: flat, then falling 12 dB per
    // octave above 1 / (2 T). The pulse's own nulls are left out: a real mallet's contact
    // is never that regular, and the nulls would hollow out single modes at random.
    double x = 2.0 * hz * contact_s;
    return 1.0 / (1.0 + x * x);
}

buffer modal(const modal_params& p) {
    size_t frames = frames_for(p.seconds);
    buffer out(frames, 0.0);
    const double contact_s = p.contact_ms * 1e-3;
    const size_t freeze = p.freeze_s < 0 ? frames : std::min(frames, frames_for(p.freeze_s));
    for (const mode& m : p.modes) {
        double f = p.hz * m.ratio;
        if (f >= 19000.0) continue;
        double amp = m.amp * mallet_gain(f, contact_s);
        if (amp < 1e-5) continue;
        // Each mode is a decaying sine run by a rotation (exact and cheap); its decay stops
        // at the freeze point.
        double decay = std::pow(10.0, -3.0 / (m.t60_s * rate_hz));
        int copies = m.beat_hz > 0 ? 2 : 1;
        for (int c = 0; c < copies; ++c) {
            double fc = f + (c == 0 ? -0.5 : 0.5) * m.beat_hz * (copies - 1);
            double w = two_pi * fc / rate_hz;
            double cr = std::cos(w), sr = std::sin(w);
            double re = 1.0, im = 0.0, level = amp / copies;
            for (size_t i = 0; i < frames; ++i) {
                out[i] += level * im;
                double nre = re * cr - im * sr;
                im = re * sr + im * cr;
                re = nre;
                if (i < freeze) level *= decay;
                if ((i & 1023) == 0) {  // keep the rotation on the unit circle
                    double g = 1.0 / std::sqrt(re * re + im * im);
                    re *= g; im *= g;
                }
            }
        }
    }
    // The mallet's contact spreads the onset over its length.
    size_t rise = std::max<size_t>(2, size_t(contact_s * rate_hz));
    for (size_t i = 0; i < std::min(rise, frames); ++i)
        out[i] *= 0.5 - 0.5 * std::cos(pi * double(i) / double(rise));
    if (p.thump > 0) {
        rng r(p.seed);
        biquad bp = biquad::bandpass(p.thump_hz, 1.2);
        size_t len = std::min(frames, frames_for(0.03));
        double total = 0;
        for (const mode& m : p.modes) total += m.amp;
        for (size_t i = 0; i < len; ++i) {
            double t = double(i) / rate_hz;
            double env = (1.0 - std::exp(-t / 0.0004)) * std::exp(-t / 0.006);
            out[i] += p.thump * total * env * bp.process(r.bipolar());
        }
    }
    return out;
}

}  // namespace factory
