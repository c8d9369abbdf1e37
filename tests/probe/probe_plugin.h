// A test instrument that records what its host does to it. The host library loads it
// from kaveo_probe.so like any plug-in; tests read the record through AEffect::object.
//
// Its sound is easy to check by hand: the left channel is 0.25 per held note (after the
// last note-off it falls linearly to zero over the release time set by parameter 0, in
// seconds), the right channel an impulse of velocity/127 at each note-on.
//
// It keeps its state in chunks (kaveo_probe_plain.so, built without, does not). A chunk is
// "PRB" and 'P' (program chunk) or 'B' (bank chunk), the program (int32) and parameter 0
// (float) in the machine's order, then every byte value 0..255 once, and a bank chunk
// another "bank". setChunk takes a chunk of the kind asked for and answers 0 for anything
// else.
#pragma once

#include <cstdint>
#include <vector>

#include "vst/aeffect.h"

namespace probe {

struct call {
    VstInt32 opcode, index;
    VstIntPtr value;
    float opt;
    int64_t frame;  // frames rendered before the call
};

struct event {
    int64_t frame;  // block start plus deltaFrames
    VstInt32 delta_frames;
    uint8_t bytes[3];
};

struct param_call {
    VstInt32 index;
    float value;
    int64_t frame;       // frames rendered before the call
    size_t calls_before; // dispatcher calls before it
};

struct chunk_call {
    bool preset;  // isPreset: a program chunk
    std::vector<uint8_t> bytes;
    bool accepted;
};

struct block {
    int64_t start;
    VstInt32 frames;
    bool events_intact;  // the last VstEvents list was still readable during this call
    bool have_time;
    VstTimeInfo time;  // what the host answered at the start of the call
};

struct state {
    AEffect effect{};
    audioMasterCallback host = nullptr;
    std::vector<call> calls;
    std::vector<event> events;
    std::vector<block> blocks;
    std::vector<param_call> params;
    std::vector<chunk_call> chunks_set;  // every setChunk, in order
    std::vector<uint8_t> chunk;          // the block the last getChunk handed out
    int program = 0;
    float release_seconds = 0.0f;  // parameter 0
    double sample_rate = 44100.0;
    int64_t frames = 0;
    // The sound.
    int held = 0;
    double level = 0.0;
    int64_t release_left = 0, release_length = 0;
    VstEvents* last_events = nullptr;
    std::vector<VstMidiEvent> last_copy;
};

inline state* of(AEffect* fx) { return static_cast<state*>(fx->object); }

}  // namespace probe
