// The current program: switching, the push to the engine, names for the host, clipboard,
// reset and program files.
//
// The audio thread reads the current program's play samples and key maps while it
// renders. So every replacement reads and resamples the new program first, then holds the
// engine lock only for the swap and the push, and frees the old data once the lock is
// released (by then no voice can be reading it: each one refreshes its sample pointers at
// the start of a block).
#include <utility>
#include <vector>

#include "editor/kaveos_editor.h"
#include "plugin/kaveos.h"
#include "sound/program_file.h"
#include "vst/vst_text.h"

using vst::copy_text;
using vst::kTextScratch;

void Kaveos::prepare(program& p) const { p.waves.set_play_rate(engine_rate); }

void Kaveos::cut_notes_now() {
    for (voice& v : voice_store) v.cut();
}

void Kaveos::swap_in(program& next, bool cut_notes, bool clear_delay) {
    std::lock_guard<std::mutex> lock(engine_lock);
    const bool was_busy = busy.exchange(true, std::memory_order_relaxed);
    if (cut_notes) cut_notes_now();
    if (clear_delay && delay_unit.has_lines()) delay_unit.clear();
    std::swap(current_program.name, next.name);
    std::swap(current_program.waves, next.waves);
    timbre replaced = current_program.params;
    current_program.params = next.params;
    next.params = replaced;
    update_program();
    busy.store(was_busy, std::memory_order_relaxed);
}

void Kaveos::notify_bank_changed() {
    if (ui()) ui()->bank_has_changed();
}

void Kaveos::setProgram(VstInt32 index) {
    if (index < 0 || index >= num_programs) {
        // Notes end even when the index is refused. They are cut under the lock because
        // the voices belong to the audio thread whenever the lock is free.
        std::lock_guard<std::mutex> lock(engine_lock);
        cut_notes_now();
        return;
    }
    switch_guard reading(switching);
    // The edited values of the program being left survive as the bank's overlay (its name
    // and samples do not).
    if (program_loaded && index != current_index) sounds.set_program(current_index, current_program);
    program next = sounds.get_program(index);  // never fails: "(empty)" when unreadable
    prepare(next);
    current_index = index;
    program_loaded = true;
    swap_in(next, true, true);  // only a switch silences the echoes
}

void Kaveos::set_wavetable(const wavetable& sets) {
    wavetable next = sets;
    {
        auto lock = lock_engine();
        std::swap(current_program.waves, next);
    }
}

bool Kaveos::set_slot_sample(int wave, int slot, sample_data sample, std::string name) {
    if (wave < 0 || wave > 1 || !waveform::valid_slot(slot)) return false;
    waveform made;
    made.play_rate = engine_rate;
    made.samples[size_t(slot)] = std::move(sample);
    made.resample(slot);
    {
        auto lock = lock_engine();
        waveform& w = current_program.waves.waves[size_t(wave)];
        std::swap(w.samples[size_t(slot)], made.samples[size_t(slot)]);
        std::swap(w.play_samples[size_t(slot)], made.play_samples[size_t(slot)]);
        w.names[size_t(slot)] = std::move(name);
    }
    return true;  // the replaced sample goes with `made`, after the lock
}

void Kaveos::update_program() {
    for (voice& v : voice_store) v.set_program(current_program);
    for (int i = 0; i < NUM_PARAMS; ++i) setParameterAutomated(i, current_program.params.value(i));
    std::string name = current_program.name;
    std::vector<char> text(name.begin(), name.end());
    text.push_back('\0');
    setProgramName(text.data());
    if (ui()) ui()->update_program();
}

void Kaveos::setProgramName(char* name) {
    current_program.name = name ? name : "";
    if (ui()) ui()->setParameter(-1, 0.0f);
}

void Kaveos::getProgramName(char* name) { copy_text(name, current_program.name, kTextScratch); }

// The current index answers with the name being edited; hosts that list programs expect
// success for every index they may select.
bool Kaveos::getProgramNameIndexed(VstInt32 /*category*/, VstInt32 index, char* text) {
    if (index == current_index) {
        copy_text(text, current_program.name, kTextScratch);
        return true;
    }
    if (index < 0 || index >= num_programs) return false;
    copy_text(text, sounds.program_name(index), kTextScratch);
    return true;
}

bool Kaveos::copyProgram(VstInt32 destination) {
    if (destination < 0 || destination >= num_programs) return false;
    sounds.set_program(destination, current_program);  // the values only, as an overlay
    return true;
}

void Kaveos::rename_program(int index, const std::string& name) {
    if (index != current_index) return;
    std::vector<char> text(name.begin(), name.end());
    text.push_back('\0');
    setProgramName(text.data());
}

void Kaveos::copy_current_program() {
    clipboard = current_program;
    clipboard_full = true;
}

void Kaveos::paste_current_program() {
    if (!clipboard_full) return;
    program next = clipboard;
    // The clipboard's play samples were made for the rate at the time of the copy.
    if (next.waves.waves[0].play_rate != engine_rate || next.waves.waves[1].play_rate != engine_rate)
        prepare(next);
    swap_in(next, false, false);  // sounding notes go on with the pasted samples
    notify_bank_changed();
}

void Kaveos::reset_current_program() {
    program next;
    prepare(next);
    swap_in(next, true, false);  // the notes end; the echoes are the delay's own
    notify_bank_changed();
}

bool Kaveos::import_program(const std::filesystem::path& file) {
    try {
        program next;
        read_program_file(file, next);
        prepare(next);
        swap_in(next, false, false);
        return true;
    } catch (...) {
        return false;
    }
}

bool Kaveos::export_program(const std::filesystem::path& file) {
    try {
        write_program_file(file, current_program);
        return true;
    } catch (...) {
        return false;
    }
}

bool Kaveos::store_current_program() {
    try {
        // Kept as an overlay first: if the file cannot be rewritten, the edit stays.
        sounds.set_program(current_index, current_program);
        const bool stored = sounds.store_program(current_index, current_program);
        notify_bank_changed();
        return stored;
    } catch (...) {
        return false;
    }
}
