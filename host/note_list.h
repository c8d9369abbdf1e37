// Notes typed on the command line, as a song the renderer plays.
#pragma once

#include <string>

#include "host/midi_file.h"

namespace host {

// Reads entries KEY:START:LENGTH[:VELOCITY] separated by commas or spaces.
// KEY is a MIDI key number (0-127) or a name such as C4, F#3 or Bb2 (C4 = 60).
// START and LENGTH are beats at `bpm`, or seconds when they end in "s" ("0.5s").
// VELOCITY is 1-127 (default 100). Notes play on MIDI channel 1.
// Throws std::runtime_error naming the entry at fault.
midi_song parse_note_list(const std::string& text, double bpm);

}  // namespace host
