// Drum and percussion hits (swept sines, membrane modes, metallic oscillator banks and
// shaped noise), and loops that place them on a step grid at an exact tempo.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/factory/dsp.h"

namespace factory {

enum class drum {
    kick, kick_long, snare, snare_tight, clap, hat_closed, hat_open, hat_pedal,
    tom_low, tom_high, rim, cowbell, shaker, conga_low, conga_high, bongo, clave, tambourine
};

// One hit. `hz` is the pitch of its tonal body (the kick's sweep end, a tom's head, ...);
// unpitched hits ignore it. `length` scales the decay.
buffer drum_hit(drum kind, double hz, double length, uint64_t seed);
const char* drum_name(drum kind);
// The tonal pitch each hit is voiced at by default (MIDI note).
double drum_default_note(drum kind);

// One line of a pattern: one character per step, '.' silent, '-' ghost, 'o' normal, 'x'
// accent.
struct drum_track {
    drum kind;
    std::string steps;
    double note = -1;  // body pitch as a MIDI note; < 0 for the hit's default
    double length = 1.0;
};

struct loop_params {
    double bpm = 120;
    int beats = 4;
    int steps_per_beat = 4;
    double swing = 0.0;  // delay of every second step, as a fraction of a step
    std::vector<drum_track> tracks;
    uint64_t seed = 1;
};

// Frames in `beats` beats at bpm; the tempos used here make it a whole number.
size_t loop_frames(double bpm, int beats);
// The loop, exactly loop_frames long, peak at -1 dBFS, silent at both ends.
std::vector<float> drum_loop(const loop_params& p);
// The frame at which step s starts (swing included).
size_t step_frame(const loop_params& p, int step);

}  // namespace factory
