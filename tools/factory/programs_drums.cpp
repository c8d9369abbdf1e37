// Drums: tempo loops that follow the host's tempo, and two kits.
//
// Loops play on OSC1 with tempo sync: the whole sample is fitted to its length in beats of
// the current tempo, and loops. The oscillator plays samples at the key's pitch, so even a
// loop takes a pitch: each loop's slot is transposed an octave down, and played from C3 the
// grains fall on C2, the pitch every loop's kick is tuned to.
#include "tools/factory/programs_common.h"

namespace factory {

namespace {

patch tempo_loop(bank_builder& b, const std::string& set_id) {
    const factory_set& s = b.set(set_id);
    patch p;
    p.wave(1, osc_wave::user_a).balance(0.0).bend(2);
    p.tempo_loop(s.loop_beats);
    p.plug_tempo(int(s.loop_bpm));
    p.amp_env(0.001, 0.0, 1.0, 0.05).gain(-3);
    return p;
}

patch kit() {
    patch p;
    p.wave(1, osc_wave::user_a).balance(0.0).bend(2);
    p.amp_env(0.001, 0.0, 1.0, 0.3);
    dynamics(p, 1, -3, 0.2);
    return p;
}

}  // namespace

void add_drums(bank_builder& b) {
    b.group("Drums and Loops");
    b.add("House Loop 120", "Four on the floor, one bar; play C3", "loop_house", "",
          tempo_loop(b, "loop_house"));
    b.add("Funk Loop 120", "Swung sixteenths, one bar; play C3", "loop_funk", "",
          tempo_loop(b, "loop_funk"));
    b.add("Hip Hop Loop 90", "Lazy swung beat, one bar; play C3", "loop_hiphop", "",
          tempo_loop(b, "loop_hiphop"));
    b.add("Breakbeat 175", "Fast breaks, one bar; play C3", "loop_dnb", "",
          tempo_loop(b, "loop_dnb"));
    b.add("Latin Loop 120", "Congas, clave and cowbell, one bar; play C3", "loop_latin", "",
          tempo_loop(b, "loop_latin"));
    {
        // Built-in sines: the filter envelope drops the pitch an octave and a half at each
        // hit (transpose modulation), a noisy square adds the stick.
        patch p;
        p.wave(1, osc_wave::sine).wave(2, osc_wave::square).transpose(2, 24).balance(0.05).bend(2);
        p.osc_gain(6);
        p.amp_env(0.001, 0.35, 0.0, 0.2);
        p.filter_env(0.0, 0.12, 0.0, 0.1);
        p.mod(1, mod_source::filter_eg, P_OSC1_XPOSE, 18.0 / 49.0);
        p.mod(2, mod_source::filter_eg, P_OSC_BALANCE, 0.3);
        dynamics(p, 3, -6, 0.2);
        p.delay_synced(5, -14, -10, true).delay_filter(2, 300);
        b.add("Zap Toms", "Pitch-dropping sine toms from the built-in waves", "", "", p);
    }
    {
        patch p = kit();
        b.add("Analog Kit", "C kick, D snare, D# clap, F# hat, A# open hat", "analog_kit", "", p);
    }
    {
        patch p = kit();
        p.delay_free(0.25, -20, -16, true);
        b.add("Percussion Kit", "C/F low conga, D/G high conga, D#/B clave", "perc_kit", "", p);
    }
}

}  // namespace factory
