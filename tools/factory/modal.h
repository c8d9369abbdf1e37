// Struck bars, tines, plates and bells as sums of decaying modes. The mallet's contact time
// sets which modes it can excite. Modes may be frozen at a time,
// after which every mode holds its level, so the tail can be looped while the program's
// envelopes do the remaining decay.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/factory/dsp.h"

namespace factory {

struct mode {
    double ratio;  // frequency relative to the note
    double amp;    // level before the mallet's filtering
    double t60_s;  // decay to -60 dB
    double beat_hz = 0;  // a second, detuned copy of the mode beating at this rate
};

struct modal_params {
    double hz = 440.0;
    std::vector<mode> modes;
    double contact_ms = 1.0;   // mallet contact time: shorter is harder and brighter
    double thump = 0.0;        // level of the impact noise
    double thump_hz = 800.0;   // centre of the impact noise
    double freeze_s = -1;      // modes hold their level from here on (< 0: never)
    double seconds = 1.0;
    uint64_t seed = 1;
};

buffer modal(const modal_params& p);

// How strongly a mallet with this contact time excites a mode at hz (1 at low frequencies).
double mallet_gain(double hz, double contact_s);

}  // namespace factory
