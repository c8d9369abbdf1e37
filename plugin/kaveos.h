// The instrument as the host sees it: identity, opcode answers, the parameter path and
// the program it plays.
#pragma once

#include <array>
#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "engine/delay.h"
#include "engine/event_queue.h"
#include "engine/voice.h"
#include "plugin/effect_switches.h"
#include "plugin/param_table.h"
#include "sound/program.h"
#include "vst/audioeffectx.h"

class KaveosEditor;

class Kaveos : public AudioEffectX, private voice_host {
public:
    static constexpr int num_programs = 128;
    static constexpr int MAX_VOICES = 32;
    static constexpr int initial_scratch = 20000;  // samples per scratch buffer at start
    static constexpr VstInt32 unique_id = vst_fourcc('s', 'K', 'a', 'v');

    explicit Kaveos(audioMasterCallback audio_master);
    ~Kaveos() override;

    // Host calls.
    void setProgram(VstInt32 index) override;
    VstInt32 getProgram() override { return current_index; }
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    void getParameterLabel(VstInt32 index, char* label) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    void getParameterName(VstInt32 index, char* text) override;
    void setSampleRate(float rate) override;
    void setBlockSize(VstInt32 size) override;
    void resume() override;
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void process(float** inputs, float** outputs, VstInt32 frames) override;
    void processReplacing(float** inputs, float** outputs, VstInt32 frames) override;
    VstInt32 processEvents(VstEvents* events) override;

    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    bool copyProgram(VstInt32 destination) override;
    bool getOutputProperties(VstInt32 index, VstPinProperties* props) override;
    VstPlugCategory getPlugCategory() override { return kPlugCategSynth; }
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override { return 1000; }
    VstInt32 canDo(const char* text) override;
    VstInt32 getVstVersion() override { return 2300; }
    VstInt32 getMidiProgramName(VstInt32 channel, MidiProgramName* record) override;
    VstInt32 getCurrentMidiProgram(VstInt32 channel, MidiProgramName* record) override;
    VstInt32 getMidiProgramCategory(VstInt32 channel, MidiProgramCategory* record) override;
    bool getMidiKeyName(VstInt32 channel, MidiKeyName* record) override;

    // For the editor and the engine.
    static const char* param_long_name(int index) { return param_info(index).long_name; }
    // The value text the editor shows for index, which depends on the sync switches.
    display_fn display_function(int index) const;
    // Beats per minute: the host's tempo when following it and it tells one, else the
    // plug tempo.
    int tempo() override;
    // The parameter a MIDI controller is assigned to, or -1. The assignment maps arrive
    // with the preferences; until then no controller is assigned.
    int controller_to_param(int cc) const;
    // The last controller number received other than 1, 123 and 126; -1 before any.
    int last_controller() const { return last_cc.load(std::memory_order_relaxed); }
    double sample_rate() const { return engine_rate; }
    const effect_switches& switches() const { return effect; }
    const program& current() const { return current_program; }
    bool is_busy() const { return busy.load(std::memory_order_relaxed); }
    void update_program();
    // Holds the engine for code on the user-interface thread that replaces what the
    // audio thread reads (program, sample sets); blocks rendered meanwhile are silent.
    std::unique_lock<std::mutex> lock_engine() { return std::unique_lock<std::mutex>(engine_lock); }
    // Replaces the current program's two sample sets under the engine lock; sounding
    // notes go on with the new sets.
    void set_wavetable(const wavetable& sets);

    // The engine, for tests and the editor. Touch it only with the engine lock held or
    // from inside the render call.
    const voice& pool_voice(int v) const { return voices[size_t(v)]; }
    const delay& echo() const { return delay_unit; }
    size_t scratch_length() const { return mix_left.size(); }

private:
    void apply_effect_switch(int index, float value);
    void notify_editor(int index, float value);

    // voice_host
    double song_position() override;
    voice* free_voice() override;

    // Events (audio thread, engine lock held).
    void play_events(int frames);
    void play_event(const midi_event& e, int frames);
    void note_on(int note, int velocity, int delta);
    void note_off(int note, int delta);
    void controller(int number, int value);
    // Rendering (audio thread, engine lock held).
    void render_voices(int frames);
    void run_delay(int frames);

    // Persistence and program state.
    program current_program;
    int current_index = 0;
    bool program_loaded = false;

    // Engine state.
    effect_switches effect;
    double engine_rate = 44100.0;
    std::mutex engine_lock;  // program replacement against rendering
    std::atomic<bool> busy{true};
    std::array<voice, MAX_VOICES> voices;
    delay delay_unit;
    std::vector<double> mix_left, mix_right, mix_child;  // render scratch, samples
    event_queue pending_events;
    std::atomic<int> last_cc{-1};

    // The base owns the editor; it is always a KaveosEditor (or a test's subclass).
    KaveosEditor* ui() const;
};
