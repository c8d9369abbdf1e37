// The instrument as the host sees it: identity, opcode answers, the parameter path and
// the program it plays.
#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <cstddef>
#include <filesystem>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "engine/delay.h"
#include "engine/event_queue.h"
#include "engine/voice.h"
#include "plugin/effect_switches.h"
#include "plugin/param_table.h"
#include "sound/bank.h"
#include "sound/preferences.h"
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
    // State chunks. A program chunk is the current program's record; a bank chunk is the
    // bank file's path, the program index and the current program's record. getChunk's
    // block stays valid until the next getChunk or the object's end; 0 when none can be
    // made. setChunk answers 0 when the chunk cannot be read (nothing changes), else 1.
    VstInt32 getChunk(void** data, bool is_preset) override;
    VstInt32 setChunk(void* data, VstInt32 size, bool is_preset) override;
    bool getOutputProperties(VstInt32 index, VstPinProperties* props) override;
    VstPlugCategory getPlugCategory() override { return kPlugCategSynth; }
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override;  // kaveo_version::vendor, which the tools print too
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
    // The parameter a MIDI controller drives, or -1 (the live map; safe on any thread).
    int controller_to_param(int cc) const { return prefs.live.param_for(cc); }
    // The controller shown for a parameter, or -1.
    int param_to_controller(int param) const { return prefs.live.controller_for(param); }
    // The last controller number received other than 1, 123 and 126; -1 before any.
    int last_controller() const { return last_cc.load(std::memory_order_relaxed); }
    double sample_rate() const { return engine_rate; }
    const effect_switches& switches() const { return effect; }
    const program& current() const { return current_program; }
    bool is_busy() const { return busy.load(std::memory_order_relaxed); }
    // A program switch is reading its program (the events that arrive meanwhile wait).
    bool is_switching() const { return switching.load(std::memory_order_acquire) > 0; }
    // Pushes the whole current program to the voices, the host (automation) and the
    // editor. Callers that replaced the program hold the engine lock around it, so the
    // editor's notifications may arrive with the lock held: they only mark what changed.
    void update_program();

    // The current program, for the editor (user-interface thread). Every call that
    // replaces the program builds the new one aside (read, resampled) and swaps it in under
    // the engine lock; the replaced data is given back after the lock is released.
    void rename_program(int index, const std::string& name);
    void copy_current_program();
    void paste_current_program();
    bool has_clipboard() const { return clipboard_full; }
    void reset_current_program();
    // A program file in place of the current program; false leaves it unchanged. The
    // program is not written into the bank.
    bool import_program(const std::filesystem::path& file);
    bool export_program(const std::filesystem::path& file);
    // Writes the current program into the bank file at the current index. False when the
    // file could not be rewritten: the edit is then kept as the bank's overlay.
    bool store_current_program();
    bool is_program_loaded() const { return program_loaded; }

    // Banks (user-interface thread). A failed change leaves the active bank as it was.
    bool loadBank(const std::filesystem::path& file);
    // A new bank file of 128 "(empty)" programs, which becomes the active bank.
    bool createEmptyBank(const std::filesystem::path& file);
    // Start-up: the preferences' bank, else "default.kvb" in the data folder, written from
    // the factory bank when it cannot be loaded.
    void load_default_bank();
    static std::filesystem::path get_default_bank_file_name();
    const bank& active_bank() const { return sounds; }

    // Preferences (user-interface thread).
    bool loadPrefs();
    // False when the file could not be written; it is then left as it was.
    bool savePrefs();
    // The active bank becomes the default bank, and the preferences are saved.
    bool set_default_bank();
    // The live controller assignments become the saved ones, and the preferences are saved.
    bool save_midi_assignments();
    // From the assignment page: the live maps only.
    void assign_cc(int controller, int param) { prefs.assign_cc(controller, param); }
    const preferences& settings() const { return prefs; }

    // The bytes of the factory bank written on first start; tests and benchmarks put
    // their own bank here (null restores the embedded one).
    using bank_bytes_fn = std::span<const std::byte> (*)();
    static void set_factory_bank_source(bank_bytes_fn source);
    // Holds the engine for code on the user-interface thread that replaces what the
    // audio thread reads (program, sample sets); blocks rendered meanwhile are silent.
    std::unique_lock<std::mutex> lock_engine() { return std::unique_lock<std::mutex>(engine_lock); }
    // Replaces the current program's two sample sets under the engine lock; sounding
    // notes go on with the new sets (their play samples are taken as they are).
    void set_wavetable(const wavetable& sets);
    // A recorded sample (and its name) into slot `slot` of set `wave` (0 "UserA", 1
    // "UserB") of the current program: its play sample is made for the engine's rate
    // first, then both are swapped in under the engine lock. False (nothing changes) for
    // a set or slot outside the table.
    bool set_slot_sample(int wave, int slot, sample_data sample, std::string name);
    // The same with the play sample made aside for play_rate (the editor makes it off the
    // user-interface thread); it is made again only if the engine's rate has changed since.
    bool set_slot_sample(int wave, int slot, sample_data sample, sample_data play, double play_rate,
                         std::string name);
    // Edits of the current program's sample sets that the audio thread reads when a note
    // starts, each made under the engine lock; nothing is copied. False (nothing changes)
    // for a set, key, slot or value outside its range.
    // The slot (0..7) that `key` (0..127) of set `wave` plays.
    bool set_key_slot(int wave, int key, int slot);
    // A slot's transpose in semitones (-24..24) and its finetune in cents (0..100).
    bool set_slot_xpose(int wave, int slot, int semitones);
    bool set_slot_finetune(int wave, int slot, int cents);

    // The engine, for tests and the editor. Touch it only with the engine lock held or
    // from inside the render call.
    const voice& pool_voice(int v) const { return *voices[size_t(v)]; }
    // Play voices side by side in lanes (false: one at a time, the same sound).
    bool lanes = true;
    const delay& echo() const { return delay_unit; }
    size_t scratch_length() const { return mix_left.size(); }

private:
    // Resamples a program's sample sets for the engine's rate (outside the lock).
    void prepare(program& p) const;
    // Swaps `next` in as the current program under the engine lock, cuts the notes and
    // clears the delay lines when asked, and pushes it. `next` leaves holding the replaced
    // program, so the caller frees it after the lock is gone.
    void swap_in(program& next, bool cut_notes, bool clear_delay);
    void cut_notes_now();
    void notify_bank_changed();
    bool write_factory_bank(const std::filesystem::path& file);
    // Runs prepare, attaches the bank to file and selects its program 0; on any failure the
    // bank that was active stays.
    bool attach_bank(const std::filesystem::path& file, const std::function<void()>& prepare);
    void apply_effect_switch(int index, float value);
    void notify_editor(int index, float value);

    // voice_host
    double song_position() override;
    voice* free_voice() override;
    // A spare voice into place `slot` of the pool; the voice there goes off the pool. False
    // when no spare is free.
    bool replace_in_pool(int slot);
    int pool_slot(const voice* v) const;
    // Played voice v and its children leave the pool to fade out from `delta` samples into
    // the block; spares take their places. False (nothing changes) without enough spares.
    bool retire(voice& v, int delta);

    // Events (audio thread, engine lock held).
    void play_events(int frames);
    void play_event(const midi_event& e, int frames);
    void note_on(int note, int velocity, int delta);
    void note_off(int note, int delta);
    void controller(int number, int value);
    // Rendering (audio thread, engine lock held).
    void render_voices(int frames);
    void run_delay(int frames);

    // Persistence and program state (user-interface thread, except what the engine reads
    // of current_program: its sample sets, only replaced under the engine lock, and its
    // values, which are atomics).
    bank sounds;  // the active bank
    program current_program;
    int current_index = 0;
    bool program_loaded = false;
    program clipboard;
    bool clipboard_full = false;
    preferences prefs;
    std::vector<unsigned char> chunk_block;  // what the last getChunk handed out

    // Engine state.
    effect_switches effect;
    double engine_rate = 44100.0;
    std::mutex engine_lock;  // program replacement against rendering
    std::atomic<bool> busy{true};
    // Program switches between the start of their read and the end of their swap. The
    // render call keeps the MIDI events waiting meanwhile, so notes played during a switch
    // start on the new program instead of on the old one, which the swap would cut.
    std::atomic<int> switching{0};
    struct switch_guard {
        std::atomic<int>& count;
        explicit switch_guard(std::atomic<int>& c) : count(c) { count.fetch_add(1, std::memory_order_acq_rel); }
        ~switch_guard() { count.fetch_sub(1, std::memory_order_acq_rel); }
        switch_guard(const switch_guard&) = delete;
        switch_guard& operator=(const switch_guard&) = delete;
    };
    // The pool is 32 places, each holding one of the voice objects; the others are off the
    // pool: fading out (stolen, or a finished note's DC tail) or spare. A voice that must end
    // at once for a new note leaves its place to a spare and fades out off the pool, so the
    // new note starts on time and the old one does not stop in one sample.
    static constexpr int spare_voices = MAX_VOICES;
    std::array<voice, MAX_VOICES + spare_voices> voice_store;
    std::array<voice*, MAX_VOICES> voices{};     // the pool, in allocation order
    std::array<voice*, spare_voices> off_pool{};  // fading or spare
    delay delay_unit;
    std::vector<double> mix_left, mix_right, mix_child;  // render scratch, samples
    event_queue pending_events;
    std::atomic<int> last_cc{-1};

    // The base owns the editor; it is always a KaveosEditor (or a test's subclass).
    KaveosEditor* ui() const;
};
