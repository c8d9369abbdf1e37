// How a finished sample is laid out for the oscillator. A sustained sample has an onset, a
// steady region that the oscillator's loop plays, and a guard past the loop end (the grains
// read up to one period beyond the read position). The loop points are the program's loop
// begin and loop length values, fractions of each slot's length, so every slot of a set
// shares them; each slot's length is then chosen so that its loop holds whole periods.
#pragma once

#include <cstddef>
#include <vector>

#include "tools/factory/dsp.h"

namespace factory {

struct loop_plan {
    double onset_s = 0, loop_s = 0, guard_s = 0;
    float begin_value = 0;   // program value: loop begin = trunc(value * frames)
    float length_value = 0;  // program value: loop length = trunc(value^2 * frames)
};

// The loop values for a sample of onset + loop + guard seconds.
loop_plan plan_loop(double onset_s, double loop_s, double guard_s);

struct slot_frames {
    size_t frames = 0, loop_begin = 0, loop_length = 0;
};

// Loop points as the oscillator computes them from the values and a slot's length.
slot_frames loop_points(const loop_plan& plan, size_t frames);

// A slot length near the plan's for a sample at hz (0 for unpitched), whose loop holds a
// whole number of periods to within a small fraction of a frame.
slot_frames fit_slot(const loop_plan& plan, double hz);

// Makes [begin, begin + length) loop without a seam: the loop's last `crossfade` frames
// fade into the frames just before its start, and everything after the loop repeats its
// start. The fade keeps the power constant for however alike the two ends are.
void seal_loop(buffer& s, size_t begin, size_t length, size_t crossfade);

// Evens out a decaying sound from frame `from` on: the decay rate measured over the tail is
// taken out, so the level stays at what it was at `from`. hz sizes the measuring windows.
void hold_level(buffer& s, size_t from, double hz);

// The common ending of every sample: DC removed, edges faded, peak at -1 dBFS.
std::vector<float> finish_one_shot(buffer s, double fade_in_ms, double fade_out_ms);
std::vector<float> finish_looped(buffer s, const slot_frames& at, double crossfade_s,
                                 double fade_in_ms);

}  // namespace factory
