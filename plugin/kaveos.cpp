#include "plugin/kaveos.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "editor/kaveos_editor.h"
#include "engine/tables.h"
#include "engine/wave_tables.h"
#include "kaveo_version.h"
#include "vst/vst_text.h"

using vst::copy_text;
using vst::kTextScratch;

Kaveos::Kaveos(audioMasterCallback audio_master)
    : AudioEffectX(audio_master, num_programs, NUM_PARAMS) {
    // busy stays set until the object is whole: a host that renders from another thread
    // during construction gets silence.
    if (audio_master) {
        setNumInputs(0);
        setNumOutputs(2);
        canProcessReplacing(true);
        hasVu(false);
        hasClip(false);
        isSynth(true);
        setUniqueID(unique_id);
        programsAreChunks(true);
    }

    // The controller assignments of the preferences file, else the built-in table.
    if (!loadPrefs()) prefs.apply_defaults();

    for (int v = 0; v < MAX_VOICES; ++v) voices[size_t(v)] = &voice_store[size_t(v)];
    for (int v = 0; v < spare_voices; ++v) off_pool[size_t(v)] = &voice_store[size_t(MAX_VOICES + v)];
    for (voice& v : voice_store) {
        v.bind(this);
        v.set_program(current_program);
    }
    mix_left.assign(initial_scratch, 0.0);
    mix_right.assign(initial_scratch, 0.0);
    mix_child.assign(size_t(initial_scratch) * voice::lane_width, 0.0);  // a buffer per lane
    // The shared tables are built by the first instance in the process, here rather than
    // at the first note.
    (void)lookup_tables::shared();
    (void)wave_table_set::shared();
    setSampleRate(44100.0f);

    load_default_bank();
    program_loaded = false;
    setProgram(0);

    delay_unit.create_lines();
    for (voice& v : voice_store) v.release();
    for (int v = 0; v < MAX_VOICES; ++v) voices[size_t(v)]->set_number(v);
    for (voice& v : voice_store) v.set_program(current_program);

    new KaveosEditor(this);  // registers itself as the base's editor
    busy.store(false, std::memory_order_relaxed);
}

// The editor goes first: it reads the program, the bank and the switches below, and the
// base class would delete it only after they are gone.
Kaveos::~Kaveos() { setEditor(nullptr); }

KaveosEditor* Kaveos::ui() const { return static_cast<KaveosEditor*>(editor); }

void Kaveos::setSampleRate(float rate) {
    // The engine divides by the rate: a rate that is not a positive finite number is a
    // host mistake (some report 0 before they know it) and is ignored.
    if (!(rate > 0.0f) || !std::isfinite(rate)) return;
    // The play samples for the new rate are made before the engine is held.
    wavetable sets = current_program.waves;
    sets.set_play_rate(double(rate));
    {
        std::lock_guard<std::mutex> lock(engine_lock);
        AudioEffect::setSampleRate(rate);
        engine_rate = double(rate);
        std::swap(current_program.waves, sets);
        for (voice& v : voice_store) v.set_sample_rate(engine_rate);
        delay_unit.set_sample_rate(engine_rate);
    }
}

void Kaveos::setBlockSize(VstInt32 size) { AudioEffect::setBlockSize(size); }

void Kaveos::resume() { wantEvents(1); }

bool Kaveos::getOutputProperties(VstInt32 index, VstPinProperties* props) {
    if (index < 0 || index > 1) return false;
    char label[kVstMaxLabelLen];
    std::snprintf(label, sizeof label, "Kav %1d", index + 1);
    copy_text(props->label, label, sizeof props->label);
    props->flags = kVstPinIsActive | kVstPinIsStereo;
    return true;
}

bool Kaveos::getEffectName(char* name) {
    copy_text(name, "Kaveo", kTextScratch);
    return true;
}

bool Kaveos::getVendorString(char* text) {
    copy_text(text, "Solvanter", kTextScratch);
    return true;
}

VstInt32 Kaveos::getVendorVersion() { return kaveo_version::vendor; }

bool Kaveos::getProductString(char* text) {
    copy_text(text, "Kaveo", kTextScratch);
    return true;
}

VstInt32 Kaveos::canDo(const char* text) {
    static constexpr const char* yes[] = {"receiveVstEvents", "receiveVstMidiEvent",
                                          "midiProgramNames"};
    for (const char* s : yes)
        if (std::strcmp(text, s) == 0) return 1;
    return -1;
}

VstInt32 Kaveos::getMidiProgramName(VstInt32 channel, MidiProgramName* record) {
    if (record->thisProgramIndex < 0 || record->thisProgramIndex >= num_programs) return 0;
    copy_text(record->name, "(empty)", sizeof record->name);
    record->midiBankMsb = -1;
    record->midiBankLsb = -1;
    record->reserved = 0;
    record->flags = 0;
    return channel == 9 ? 1 : 128;
}

VstInt32 Kaveos::getCurrentMidiProgram(VstInt32 channel, MidiProgramName* record) {
    return channel >= 0 && channel < 16 && record ? 0 : -1;
}

VstInt32 Kaveos::getMidiProgramCategory(VstInt32 /*channel*/, MidiProgramCategory* record) {
    record->parentCategoryIndex = -1;
    record->flags = 0;
    copy_text(record->name, "", sizeof record->name);
    return 0;
}

bool Kaveos::getMidiKeyName(VstInt32 /*channel*/, MidiKeyName* record) {
    copy_text(record->keyName, "", sizeof record->keyName);
    record->reserved = 0;
    record->flags = 0;
    return false;
}

