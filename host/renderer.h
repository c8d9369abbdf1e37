// Plays a song through a loaded VST 2.x instrument block by block, as a host's offline
// bounce does: events go to effProcessEvents with their offsets inside the block before
// each render call, program changes become the host's program switch at their exact
// frame, and audioMasterGetTime answers follow the song's tempo map.
//
// Several instances can play one song together, as a host with one track per instrument
// does: each takes the MIDI channels given to it (its program changes too), all render
// the same blocks with the same time info, and their outputs are summed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/midi_file.h"
#include "host/vst_host.h"

namespace host {

struct render_settings {
    double sample_rate = 44100.0;  // Hz
    int block_size = 512;          // frames, the most in one render call
    double tail_seconds = 2.0;     // rendered after the song's end for releases and echoes
    bool stop_on_silence = false;  // end the tail once the output has stayed silent...
    double silence_dbfs = -90.0;   // ...below this level...
    double silence_seconds = 0.5;  // ...for this long
};

// One plug-in instance and the MIDI channels it plays.
struct instance {
    plugin* p = nullptr;
    uint16_t channels = 0xFFFF;  // bit c set: channel c (0-15) plays here
};

struct instance_summary {
    uint16_t channels = 0;
    int notes = 0;             // note-ons delivered
    int program_changes = 0;   // program switches made
    // The program the song had switched it to when its first note played; -1 when no
    // program change came first (it played the program it started with) or no note came.
    int first_program = -1;
    double peak = 0.0;         // of its own output, full scale 1
    double rms = 0.0;          // of its own output over its channels
};

struct render_summary {
    uint64_t frames = 0;  // written
    double seconds = 0.0;
    double song_seconds = 0.0;
    double peak = 0.0;  // largest magnitude over all channels, full scale 1
    double rms = 0.0;   // over all channels
    double wall_seconds = 0.0;
    double realtime_factor = 0.0;  // seconds of audio per second of rendering
    int notes = 0;                 // note-ons delivered
    int events = 0;                // MIDI events delivered
    int program_changes = 0;       // program switches made
    std::vector<instance_summary> instances;  // in the order given
    std::vector<std::string> warnings;

    static double dbfs(double linear);  // -infinity for silence
};

// Receives each rendered block, one buffer per written channel.
using block_sink = std::function<void(const float* const* channels, int frames)>;
// Told after each block how many frames are done of how many planned.
using progress_fn = std::function<void(uint64_t done, uint64_t planned)>;

class renderer {
public:
    static constexpr double max_song_seconds = 100.0 * 3600.0;

    // Checks the settings and the plug-in (std::runtime_error when unusable) and sets the
    // plug-in's sample rate and block size. The plug-in stays suspended until render().
    // It plays every channel.
    renderer(plugin& p, const render_settings& settings);
    // The same for several instances, mixed. Each gets the channels given to it.
    renderer(const std::vector<instance>& instances, const render_settings& settings);
    ~renderer();

    // 1 or 2: mono when every instance has one output.
    int channels() const { return written_channels; }
    const render_settings& settings() const { return set; }
    // Frames render() will produce at most: the song and its tail.
    uint64_t planned_frames(const midi_song& song) const;

    // Plays the song from its start: resumes the plug-in, renders, suspends it again.
    // May be called again for another song or another run. Songs longer than
    // max_song_seconds are refused (std::runtime_error).
    render_summary render(const midi_song& song, const block_sink& sink,
                          const progress_fn& progress = {});

private:
    struct scheduled {
        int64_t frame = 0;
        bool program = false;  // a program change, played as the host's program switch
        uint8_t bytes[3] = {0, 0, 0};
        uint8_t size = 0;
        int channel() const { return bytes[0] & 0x0F; }
    };
    // One instance with its buffers and its event list.
    struct lane {
        plugin* p = nullptr;
        uint16_t channels = 0xFFFF;
        std::vector<std::vector<float>> out_buffers, in_buffers;
        std::vector<float*> out_pointers, in_pointers;
        std::vector<VstMidiEvent> midi_events;
        std::unique_ptr<unsigned char[]> events_block;  // a VstEvents with room for the pointers
        size_t events_capacity = 0;
        int program = -1;  // the last program change made, -1 before any
        bool takes(const scheduled& e) const { return channels & (1u << e.channel()); }
    };
    std::vector<scheduled> schedule(const midi_song& song) const;
    void deliver(lane& l, instance_summary& summary, const scheduled* first, size_t count,
                 int64_t block_start);
    void switch_program(lane& l, int program, render_summary& summary, instance_summary& own);
    void run(lane& l, int frames);
    void mix(int frames);

    std::vector<lane> lanes;
    render_settings set;
    int written_channels = 2;
    std::vector<std::vector<float>> mix_buffers;  // the sum, when there are several lanes
    std::vector<float*> mix_pointers;
};

}  // namespace host
