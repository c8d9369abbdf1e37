// The demo song kaveo-render plays through the factory programs: a short piece in A minor
// at 120 beats per minute, one part per MIDI channel, each channel starting with a program
// change to the factory program that plays it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace demo {

struct part {
    std::string name;          // the track's name
    int channel;               // 0-15 (shown to users as 1-16)
    int program;               // the factory program its channel starts with
    std::string program_name;  // that program's name in the factory bank
    // The mix: the part's level against its program's own. Channel volume (controller 7)
    // drives Kaveo's Gain (66 dB over the controller's range), so the song sets it to the
    // program's Gain plus mix_db right after each program change.
    float program_gain;  // the program's Gain value, normalised
    double mix_db;
    int volume() const;  // the controller 7 value
};

constexpr int bpm = 120;
constexpr int beats_per_bar = 4;
constexpr int bars = 26;  // 52 seconds
constexpr int ticks_per_quarter = 480;

// Keys, bass, pad, lead and drums, in track order (track 0 is the conductor).
const std::vector<part>& parts();

// The drum channel changes loops during the song: these (bar, program) pairs follow its
// first program change.
struct drum_change {
    int bar;  // 0-based
    int program;
    std::string program_name;
    float program_gain;  // as in part; the drums' mix_db holds
};
const std::vector<drum_change>& drum_changes();

// The song as a standard MIDI file (format 1).
std::vector<uint8_t> compose();

}  // namespace demo
