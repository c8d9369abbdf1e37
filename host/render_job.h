// One run of kaveo-render: loads the instrument (one instance, or one per MIDI channel of
// the song), prepares every instance (state, program, parameters), plays the song into a
// WAV file (normalized if asked), and saves the state afterwards if asked.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "host/instance_setup.h"
#include "host/midi_file.h"
#include "host/renderer.h"
#include "host/state_file.h"
#include "host/vst_host.h"
#include "host/wav_writer.h"

namespace host {

constexpr double normalize_dbfs = -1.0;  // the peak --normalize aims at

struct job_options {
    std::string plugin;  // the shared library
    std::string output;  // the WAV file
    sample_format format = sample_format::pcm16;
    render_settings render;
    int program = -1;                           // -1: the plug-in's own
    std::vector<std::pair<int, float>> params;  // index, value 0-1
    std::string load_state, save_state;         // state files, "" for none
    chunk_kind state_kind = chunk_kind::bank;   // the kind saved
    bool state_kind_given = false;              // a loaded file must then be of that kind
    std::string bank;                           // a Kaveo bank file, "" for none
    bool per_channel = false;
    bool normalize = false;
};

// One instance of the plug-in and the channels it plays.
struct player {
    std::unique_ptr<plugin> p;
    uint16_t channels = 0xFFFF;
    int start_program = 0;  // after the setup, before the song
};

class render_job {
public:
    // Loads and prepares the instances. Throws std::runtime_error with the reason when the
    // plug-in cannot do what is asked (no chunks, not Kaveo, no such program...) or a file
    // is missing or unreadable; nothing is written then.
    render_job(const job_options& options, midi_song song);
    ~render_job();

    int channels() const;  // of the WAV file
    uint64_t planned_frames() const;

    // Renders into the WAV file, then saves the state (std::runtime_error on failure).
    render_summary run(const progress_fn& progress = {});

    std::vector<player>& players() { return instances; }
    // Lines the summary shows about states and banks ("State      ...").
    const std::vector<std::string>& notes() const { return note_lines; }
    double gain() const { return applied_gain; }       // by --normalize, else 1
    uint64_t clipped() const { return clipped_samples; }  // by the WAV writer

private:
    instance_setup prepare(plugin& p);

    job_options o;
    midi_song song;
    std::vector<player> instances;
    std::unique_ptr<renderer> r;
    std::vector<std::string> note_lines;
    double applied_gain = 1.0;
    uint64_t clipped_samples = 0;
};

// The channels (0-15) a song sends channel messages on.
std::vector<int> used_channels(const midi_song& song);

}  // namespace host
