// Writes standard MIDI files: tracks of channel and meta events placed in beats, encoded
// at a fixed number of ticks per quarter note.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace demo {

class smf_track {
public:
    smf_track(std::string name, int ticks_per_quarter);

    // Times and lengths are in quarter notes from the song's start; channels 0-15.
    void note(double beat, double length, int channel, int key, int velocity);
    void program(double beat, int channel, int number);
    void controller(double beat, int channel, int number, int value);
    void meta(double beat, uint8_t type, std::vector<uint8_t> data);

    // The track chunk ("MTrk", length, events) with its end at end_beat (or at its last
    // event, if later). At one tick, meta events come first, then program changes,
    // controllers, note-offs and note-ons, each kind in the order added: a note that ends
    // where the next one on its key starts is released before it sounds again.
    std::vector<uint8_t> chunk(double end_beat) const;

private:
    struct event {
        uint32_t tick;
        int rank;  // the order of kinds at one tick
        std::vector<uint8_t> bytes;
    };
    uint32_t tick_at(double beat) const;
    void add(double beat, int rank, std::vector<uint8_t> bytes);

    int division;
    std::vector<event> events;
};

// A format 1 file of these tracks; the first is the conductor (tempo, time signature).
std::vector<uint8_t> smf_file(const std::vector<smf_track>& tracks, int ticks_per_quarter,
                              double end_beat);

// The variable-length quantity of a delta time or a meta event's length.
std::vector<uint8_t> vlq(uint32_t value);

}  // namespace demo
