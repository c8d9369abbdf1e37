// Loads a VST 2.x plug-in from a shared library the way a Linux host does and answers its
// calls to the host. Used by kaveo-render, the integration tests and the benchmarks.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "vst/aeffect.h"

namespace host {

// The host's answers to audioMasterGetTime; the player updates it while it renders.
struct transport {
    bool answer_time = true;  // false: the host gives no time record at all
    double sample_pos = 0.0;
    double tempo = 120.0;
    double ppq_pos = 0.0;
    double bar_start_ppq = 0.0;
    int numerator = 4, denominator = 4;  // time signature
    bool playing = true;
    bool changed = false;  // the transport started or jumped since the last block
};

class plugin {
public:
    // Opens the library, finds VSTPluginMain (else main) and creates the effect.
    // Answers null and sets error when any step fails.
    static std::unique_ptr<plugin> load(const std::string& path, std::string& error);
    ~plugin();  // closes the effect (which deletes it) and unloads the library
    plugin(const plugin&) = delete;
    plugin& operator=(const plugin&) = delete;

    AEffect* effect() const { return fx; }
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);

    // Host-side conveniences over the opcodes.
    std::string effect_name();
    std::string vendor();
    std::string product();
    std::string param_name(int index);
    std::string param_label(int index);
    std::string param_display(int index);
    std::string program_name(int index);  // through effGetProgramNameIndexed
    VstInt32 can_do(const char* text);

    // The usual start-up sequence, in the order hosts use: open (once per effect), sample
    // rate and block size while suspended; then resume (mains on, start process) before
    // audio and suspend after it. start() is open() and resume().
    void open(double sample_rate, int block_size);
    void resume();
    void suspend();
    void start(double sample_rate, int block_size);
    bool running() const { return resumed; }

    transport time;
    double sample_rate = 44100.0;
    int block_size = 512;
    // Every audioMasterAutomate the plug-in sends, in order (index, value).
    std::vector<std::pair<int, float>> automation;
    bool wants_midi = false;

private:
    plugin() = default;
    static VstIntPtr callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                              void* ptr, float opt);
    VstIntPtr answer(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
    std::string text_call(VstInt32 opcode, VstInt32 index, size_t cap);

    void* library = nullptr;
    AEffect* fx = nullptr;
    bool opened = false, resumed = false;
    VstTimeInfo time_info{};
};

// The default plug-in path: the kaveo.so built beside this program, else the one installed
// with it (../lib/vst), else ~/.vst/kaveo.so.
std::string default_plugin_path();

}  // namespace host
