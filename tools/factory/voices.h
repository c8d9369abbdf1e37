// Sung vowels: a glottal source with vibrato through a cascade of five formants chosen for
// the singer's register, several singers per note for a choir, and a little breath.
#pragma once

#include <cstdint>

#include "tools/factory/dsp.h"

namespace factory {

enum class vowel { aah, eeh, ee, oh, ooh };

struct voice_params {
    double hz = 220.0;
    vowel sound = vowel::aah;
    int singers = 1;
    double spread_cents = 10.0;
    double vibrato_hz = 5.3, vibrato_cents = 12.0;
    double breath = 0.04;
    double onset_s = 0.12;
    double period_s = 0.5;  // vibrato and drift repeat within this period (the loop)
    double seconds = 1.0;
    uint64_t seed = 1;
};

buffer sung(const voice_params& p);

// Level of the vowel's formant cascade at f for a singer at pitch hz (unity at 0 Hz).
double formant_gain(vowel v, double pitch_hz, double f);

}  // namespace factory
