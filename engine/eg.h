// Linear attack-decay-sustain-release envelopes. `eg` (the amplitude envelope) steps once
// per output sample; `feg` (the filter envelope) once per control tick of 32 samples.
// Both publish their level to a source holder for the modulation matrix.
#pragma once

#include "engine/param.h"

class eg {
public:
    enum stage_id : int {
        idle = 0,
        attack_stage = 1,
        decay_stage = 2,
        sustain_stage = 3,
        release_stage = 4
    };

    eg() = default;
    virtual ~eg() = default;
    eg(const eg&) = delete;
    eg& operator=(const eg&) = delete;

    virtual void set_rate(double hz) { rate = hz; }
    virtual int get_stage() const { return stage; }
    // Start the attack from level 0.
    virtual void trigger();
    virtual double get_level() const { return level; }
    // One step; returns the level before it. flag is the voice's sample counter: at 0 the
    // four time/level holders tick too.
    virtual double tick(int flag);
    // Ramp from the current level to 0 over the release time.
    virtual void release();

    // One step without the holders and without publishing: the voice's per-sample path,
    // which ticks the holders itself at control ticks and publishes the level lazily.
    double next() {
        double out = 0.0;
        if (stage != idle) {
            out = level;
            if (stage != sustain_stage) {
                level += step;
                counter += 1.0;
                if (counter > length) advance_stage();
            }
        }
        last_out = out;
        return out;
    }
    void tick_params();
    // The level the latest step returned.
    double last_output() const { return last_out; }

    // Steps a stage lasts for a time in seconds: samples here, control ticks for feg.
    double steps_for(double seconds) const { return seconds * rate * step_scale; }

    // The holders of the four parameters: seconds for the times, 0..1 for sustain.
    eparam attack, decay, release_time;
    gparam sustain;
    // Receives the level at every step, if linked (the voice's "Amp EG"/"Filter EG").
    gparam* output = nullptr;

    double rate = 44100.0;  // Hz
    int stage = idle;
    double counter = 0.0;  // steps taken in this stage
    double length = 0.0;   // steps this stage lasts
    double level = 0.0;
    double step = 0.0;  // added to level per step

protected:
    void advance_stage();
    double step_scale = 1.0;  // steps per sample
    double last_out = 0.0;
};

// The filter envelope: lengths in control ticks (seconds × rate / 32).
class feg : public eg {
public:
    feg() { step_scale = 0.03125; }
    void trigger() override;
    double tick(int flag) override;
};
