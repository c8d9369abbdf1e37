// Keyboard instruments: a tine piano (two FM pairs: the tone and the tine's ding), a reed
// piano (a driven reed through an asymmetric pickup), tonewheel drawbars, a pipe rank and a
// felt piano (hammered string partials with a two-stage decay).
#pragma once

#include <array>
#include <cstdint>

#include "tools/factory/dsp.h"

namespace factory {

struct tine_params {
    double hz = 261.63;
    double index = 1.8;           // brightness of the strike (FM index at the onset)
    double index_floor = 0.25;    // index that remains in the sustain
    double index_decay_s = 0.35;
    double ding = 0.35;           // level of the tine's high partial
    double bark = 0.25;           // pickup asymmetry: even harmonics as the tone gets loud
    double decay_s = 0.6;         // level decay time constant before the freeze
    double freeze_s = 0.25;       // everything holds from here on (the loop's steady state)
    double seconds = 0.5;
};
buffer tine_piano(const tine_params& p);

struct reed_params {
    double hz = 261.63;
    double drive = 2.5, drive_floor = 1.0, drive_decay_s = 0.25;
    double decay_s = 0.7, freeze_s = 0.22;
    double seconds = 0.45;
};
buffer reed_piano(const reed_params& p);

// Drawbar levels 0..8 for the footages 8', 4', 2 2/3', 2', 1 3/5', 1 1/3', 1' (harmonics
// 1, 2, 3, 4, 5, 6, 8). The 16' and 5 1/3' bars would put a subharmonic in the sample; the
// programs play those with the second oscillator instead.
struct drawbar_params {
    double hz = 261.63;
    std::array<int, 7> bars{8, 8, 8, 0, 0, 0, 0};
    double leakage = 0.002;  // other wheels heard faintly
    double seconds = 0.3;
    uint64_t seed = 1;
};
buffer drawbars(const drawbar_params& p);

enum class pipe_stop { principal, flute, reed };
struct pipe_params {
    double hz = 261.63;
    pipe_stop stop = pipe_stop::principal;
    double chiff = 0.3;
    double onset_s = 0.06;
    double seconds = 0.4;
    uint64_t seed = 1;
};
buffer pipe(const pipe_params& p);

struct felt_piano_params {
    double hz = 261.63;
    double hardness = 0.4;    // hammer felt: 0 soft .. 1 hard
    double strike_at = 0.12;  // hammer position along the string
    double detune_cents = 0.6;  // the unison strings beat slowly
    double freeze_s = 0.3;
    double seconds = 0.5;
    uint64_t seed = 1;
};
buffer felt_piano(const felt_piano_params& p);

}  // namespace factory
