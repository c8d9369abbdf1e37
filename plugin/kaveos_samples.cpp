// The sample page's edits of the current program's sample sets. The audio thread reads the
// key maps and the slots' tuning when a note starts, under the engine lock, so every
// write takes the lock; samples are made before it and freed after it.
#include <utility>

#include "plugin/kaveos.h"

namespace {
bool valid_set(int wave) { return wave == 0 || wave == 1; }
}  // namespace

bool Kaveos::set_slot_sample(int wave, int slot, sample_data sample, sample_data play, double play_rate,
                             std::string name) {
    if (!valid_set(wave) || !waveform::valid_slot(slot)) return false;
    // The host changed the rate while the play sample was being made.
    if (play_rate != engine_rate) play = waveform::play_sample(sample, engine_rate);
    {
        auto lock = lock_engine();
        waveform& w = current_program.waves.waves[size_t(wave)];
        std::swap(w.samples[size_t(slot)], sample);
        std::swap(w.play_samples[size_t(slot)], play);
        std::swap(w.names[size_t(slot)], name);
    }
    return true;  // the replaced sample goes with `sample` and `play`, after the lock
}

bool Kaveos::set_key_slot(int wave, int key, int slot) {
    if (!valid_set(wave) || key < 0 || key >= waveform::keys || !waveform::valid_slot(slot)) return false;
    auto lock = lock_engine();
    current_program.waves.waves[size_t(wave)].keymap[size_t(key)] = slot;
    return true;
}

bool Kaveos::set_slot_xpose(int wave, int slot, int semitones) {
    if (!valid_set(wave) || !waveform::valid_slot(slot) || semitones < -24 || semitones > 24) return false;
    auto lock = lock_engine();
    waveform& w = current_program.waves.waves[size_t(wave)];
    w.samples[size_t(slot)].xpose = semitones;
    w.play_samples[size_t(slot)].xpose = semitones;
    return true;
}

bool Kaveos::set_slot_finetune(int wave, int slot, int cents) {
    if (!valid_set(wave) || !waveform::valid_slot(slot) || cents < 0 || cents > 100) return false;
    auto lock = lock_engine();
    waveform& w = current_program.waves.waves[size_t(wave)];
    w.samples[size_t(slot)].finetune = cents;
    w.play_samples[size_t(slot)].finetune = cents;
    return true;
}
