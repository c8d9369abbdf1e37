// Bowed strings and wind instruments as spectral models: a harmonic source with vibrato,
// shaped by a fixed body or bore response, plus bow or breath noise and an onset.
#pragma once

#include <cstdint>

#include "tools/factory/dsp.h"

namespace factory {

enum class bowed_body { violin, viola, cello, bass };

struct bowed_params {
    double hz = 440.0;
    bowed_body body = bowed_body::violin;
    int players = 1;             // an ensemble section: detuned players entering apart
    double spread_cents = 8.0;   // detune range of the section
    double bow_at = 0.11;        // bow point as a fraction of the string (harmonic notches)
    double brightness = 0.5;     // 0 sul tasto .. 1 sul ponticello
    double vibrato_hz = 5.5, vibrato_cents = 14.0;
    double bow_noise = 0.03;
    double onset_s = 0.08;       // bow attack: the level rises and a scratch fades
    double period_s = 0.5;       // vibrato and drift repeat within this period (the loop)
    double seconds = 1.0;
    uint64_t seed = 1;
};

buffer bowed(const bowed_params& p);

enum class wind { flute, pan_flute, clarinet, oboe, sax, trumpet, horn, trombone };

struct blown_params {
    double hz = 440.0;
    wind kind = wind::flute;
    int players = 1;
    double spread_cents = 6.0;
    double breath = 0.3;       // breath noise relative to its usual level
    double brightness = 0.5;   // 0 soft .. 1 loud (brass blare, reed edge)
    double vibrato_hz = 5.0, vibrato_cents = 10.0;
    double tremolo = 0.08;     // amplitude vibrato depth (what a flautist's vibrato mostly is)
    double onset_s = 0.06;
    double period_s = 0.5;     // vibrato, tremolo and drift repeat within this period
    double seconds = 1.0;
    uint64_t seed = 1;
};

buffer blown(const blown_params& p);

// The rate nearest hz that completes a whole number of cycles (at least one) in period_s.
double rate_in_period(double hz, double period_s);

}  // namespace factory
