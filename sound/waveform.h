// A multi-sample: eight slots of recorded samples and the key map that picks one per key.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "sound/sample_data.h"

class waveform {
public:
    static constexpr int slots = 8;
    static constexpr int keys = 128;

    waveform();

    double play_rate = 44100.0;  // the rate play_samples were made for (the host's)
    std::array<sample_data, slots> samples;       // as imported or stored; what is saved
    std::array<sample_data, slots> play_samples;  // samples at play_rate; what is played
    std::array<std::string, slots> names;         // "(empty)" until a sample is imported
    std::array<int32_t, keys> keymap{};           // key -> slot 0..7

    // The slot a key plays; keys outside 0..127 and stray map entries give slot 0.
    int slot_for_key(int key) const {
        if (key < 0 || key >= keys) return 0;
        int s = keymap[size_t(key)];
        return s >= 0 && s < slots ? s : 0;
    }

    bool operator==(const waveform&) const = default;
};

// The program's two user sample sets, "UserA" (0) and "UserB" (1).
class wavetable {
public:
    std::array<std::string, 2> names;
    std::array<waveform, 2> waves;

    bool operator==(const wavetable&) const = default;
};
