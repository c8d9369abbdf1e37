// A sound: its name, its two user sample sets and its 87 parameter values.
#pragma once

#include <string>

#include "sound/timbre.h"
#include "sound/waveform.h"

class program {
public:
    std::string name = "(empty)";
    wavetable waves;
    timbre params;

    bool operator==(const program&) const = default;
};
