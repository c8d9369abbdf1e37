// Plays a song through a loaded VST 2.x instrument block by block, as a host's offline
// bounce does: events go to effProcessEvents with their offsets inside the block before
// each render call, program changes become the host's program switch at their exact
// frame, and audioMasterGetTime answers follow the song's tempo map.
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
    renderer(plugin& p, const render_settings& settings);
    ~renderer();

    int channels() const { return written_channels; }  // 1 or 2
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
    };
    std::vector<scheduled> schedule(const midi_song& song) const;
    void deliver(const scheduled* first, size_t count, int64_t block_start);
    void switch_program(int program, render_summary& summary);
    void run(float** outputs, int frames);

    plugin& p;
    render_settings set;
    int written_channels = 2;
    std::vector<std::vector<float>> out_buffers, in_buffers;
    std::vector<float*> out_pointers, in_pointers;
    std::vector<VstMidiEvent> midi_events;
    std::unique_ptr<unsigned char[]> events_block;  // a VstEvents with room for the pointers
    size_t events_capacity = 0;
};

}  // namespace host
