// What the instrument benchmarks share: the workload's patch, note-on lists for the host
// interface, and a private HOME for amsynth.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "plugin/param_table.h"
#include "vst/aeffect.h"

namespace bench {

// The workload's sound: both oscillators on looped ~2 s samples (or built-in waves), the
// given filter with its envelope, LFO1 on the cutoff through the matrix, the delay on.
template <typename Set>
void workload_patch(Set set, int filter_type, bool recorded) {
    set(P_OSC1_WAVE, choice_to_value(recorded ? 0 : 2, 6));
    set(P_OSC2_WAVE, choice_to_value(recorded ? 1 : 3, 6));
    set(P_OSC1_LOOP, 1.0f);
    set(P_OSC2_LOOP, 1.0f);
    set(P_OSC1_LOOP_LENGTH, 1.0f);
    set(P_OSC2_LOOP_LENGTH, 1.0f);
    set(P_OSC_BALANCE, 0.5f);
    set(P_GAIN, 0.5f);
    set(P_FILTER_TYPE, choice_to_value(filter_type, 7));
    set(P_FILTER_CUTOFF, 0.4f);
    set(P_FILTER_RES, 0.5f);
    set(P_FILTER_ENV, 0.8f);
    set(P_FEG_DECAY, 0.6f);
    set(P_FEG_SUSTAIN, 0.3f);
    set(P_LFO1_FREQ, 0.4f);
    set(P_ASSIGN1_SRC, choice_to_value(3, 8));
    set(P_ASSIGN1_DEST, choice_to_value(P_FILTER_CUTOFF, 128));
    set(P_ASSIGN1_AMOUNT, 0.7f);
    set(P_DELAY_ON, choice_to_value(1, 2));
    set(P_DELAY_WET, 0.8f);
    set(P_DELAY_FEEDBACK, 0.85f);
}

// Note-ons (velocity 100) for count keys from first_key, as one VstEvents list; midi and
// storage hold what the list points to. With a spread, note k starts k·spread samples into
// the block (modulo 512), as played notes fall between a voice's control ticks.
inline VstEvents* note_events(std::vector<VstMidiEvent>& midi, std::vector<char>& storage,
                              int first_key, int count, int spread = 0) {
    midi.clear();
    for (int k = 0; k < count; ++k) {
        VstMidiEvent e{};
        e.type = kVstMidiType;
        e.byteSize = sizeof e;
        e.deltaFrames = k * spread % 512;
        e.midiData[0] = char(0x90);
        e.midiData[1] = char(first_key + k);
        e.midiData[2] = 100;
        midi.push_back(e);
    }
    storage.assign(sizeof(VstEvents) + midi.size() * sizeof(VstEvent*), 0);
    auto* list = reinterpret_cast<VstEvents*>(storage.data());
    list->numEvents = int(midi.size());
    for (size_t i = 0; i < midi.size(); ++i) list->events[i] = reinterpret_cast<VstEvent*>(&midi[i]);
    return list;
}

// amsynth keeps its files under $HOME: give it a private folder, removed at exit.
inline std::string private_home_dir;

inline void private_home() {
    static const bool made = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kaveo-bench-XXXXXX").string();
        std::string dir = mkdtemp(pattern.data());
        std::filesystem::create_directories(dir + "/.local/share/amsynth");
        setenv("HOME", dir.c_str(), 1);
        setenv("XDG_DATA_HOME", (dir + "/.local/share").c_str(), 1);
        private_home_dir = dir;
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(private_home_dir, ignored);
        });
        return true;
    }();
    (void)made;
}

inline const char* amsynth_path = "/usr/lib/vst/amsynth_vst.so";

}  // namespace bench
