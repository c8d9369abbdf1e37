#include "engine/eg.h"

void eg::trigger() {
    stage = attack_stage;
    counter = 0.0;
    level = 0.0;
    length = steps_for(attack.cooked);
    step = 1.0 / length;
    last_out = 0.0;
    if (output) output->set(0.0);
}

void feg::trigger() { eg::trigger(); }

void eg::advance_stage() {
    counter = 0.0;
    stage = stage + 1 == 5 ? idle : stage + 1;
    switch (stage) {
        case attack_stage:  // only as a wrap
            level = 0.0;
            length = steps_for(attack.cooked);
            step = 1.0 / length;
            break;
        case decay_stage:
            length = steps_for(decay.cooked);
            step = (sustain.cooked - level) / length;
            break;
        case sustain_stage: step = 0.0; break;
        case release_stage:
            length = steps_for(release_time.cooked);
            step = (0.0 - level) / length;
            break;
        default: break;
    }
}

void eg::tick_params() {
    attack.tick();
    decay.tick();
    sustain.tick();
    release_time.tick();
}

double eg::tick(int flag) {
    double out = next();
    if (flag == 0) tick_params();
    if (output) output->set(out);
    return out;
}

double feg::tick(int flag) { return eg::tick(flag); }

void eg::release() {
    counter = 0.0;
    stage = release_stage;
    length = steps_for(release_time.cooked);
    step = (0.0 - level) / length;
}
