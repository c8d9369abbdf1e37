// Standard MIDI files (formats 0 and 1) read into one time-ordered list of channel
// messages with a tempo map, the form the renderer plays.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace host {

// One channel message (note, controller, pitch bend, program change, pressure) at its
// place in the song.
struct midi_message {
    double seconds = 0.0;  // from the start of the song
    double beats = 0.0;    // quarter notes from the start of the song
    uint8_t bytes[3] = {0, 0, 0};
    uint8_t size = 0;  // 2 or 3
    int track = 0;

    int kind() const { return bytes[0] & 0xF0; }  // 0x80 note off ... 0xE0 pitch bend
    int channel() const { return bytes[0] & 0x0F; }
};

// A point from which the tempo holds until the next one.
struct tempo_point {
    double seconds = 0.0;
    double beats = 0.0;
    double bpm = 120.0;  // quarter notes per minute
};

// A time signature, taken to start on a bar line.
struct signature_point {
    double beats = 0.0;
    int numerator = 4;
    int denominator = 4;
};

// Where in the song a moment lies, as a host reports it to a plug-in.
struct song_position {
    double beats = 0.0;
    double bpm = 120.0;
    double bar_start_beats = 0.0;
    int numerator = 4;
    int denominator = 4;
};

struct midi_song {
    std::vector<midi_message> messages;      // ordered by time, ties in file order
    std::vector<tempo_point> tempo_map;      // never empty; the first point is at 0
    std::vector<signature_point> signatures; // never empty; the first point is at 0
    double end_seconds = 0.0;  // the later of the last message and the last track's end
    std::vector<std::string> warnings;  // odd but harmless things skipped while reading

    midi_song();  // empty: 120 bpm, 4/4
    double beats_at(double seconds) const;
    double seconds_at_beats(double beats) const;
    song_position position_at(double seconds) const;
};

// The frame at which a moment falls, at a sample rate in Hz.
int64_t frame_at(double seconds, double sample_rate);

// Reads a standard MIDI file from memory or from disk. Throws std::runtime_error with a
// message naming the fault (truncated chunk, bad header, data without a status...).
midi_song parse_midi(const uint8_t* data, size_t size);
midi_song read_midi_file(const std::string& path);

}  // namespace host
