// Textures: noise-born and drifting sounds, and sample scrubbing.
#include "tools/factory/programs_common.h"

namespace factory {

void add_textures(bank_builder& b) {
    b.group("Textures");
    {
        patch p = sustained(b, "wind", 1.0, 2.0);
        p.filter(filter_kind::bpf, 1200, 0.3, 0.0);
        p.lfo(1, lfo_shape::triangle, 0.07);
        p.mod(1, mod_source::lfo1, P_FILTER_CUTOFF, 0.25);
        p.delay_free(0.7, -12, -6, true);
        b.add("Winds of Change", "Howling wind; the key moves its whistle", "wind", "", p);
    }
    {
        patch p = sustained(b, "ocean", 1.5, 2.0);
        p.filter(filter_kind::lp12, 2500, 0.0, 0.0);
        p.lfo(1, lfo_shape::sine, 0.09);
        p.mod(1, mod_source::lfo1, P_PAN, 0.35);
        b.add("Ocean Waves", "Surf rolling from side to side", "ocean", "", p);
    }
    {
        patch p = sustained(b, "shimmer", 0.6, 2.0);
        p.delay_free(0.66, -9, -5, true).delay_filter(2, 500);
        b.add("Shimmer Cloud", "Harmonics glinting in and out, long echoes", "shimmer", "", p);
    }
    {
        patch p = sustained(b, "drone", 1.2, 2.0);
        p.wave(2, osc_wave::sine).transpose(2, -12).balance(0.3);
        p.filter(filter_kind::lp24, 900, 0.3, 0.0);
        // A slow saw: the filter opens over twenty seconds and falls back.
        p.lfo(1, lfo_shape::saw, 0.05);
        p.mod(1, mod_source::lfo1, P_FILTER_CUTOFF, -0.2);
        b.add("Deep Drone", "Beating drone with a sine below", "drone", "", p);
    }
    {
        patch p = sustained(b, "glass_rain", 0.2, 2.0);
        p.delay_synced(5, -10, -6, true).delay_filter(2, 700);
        b.add("Glass Rain", "Pings falling on a soft tone", "glass_rain", "", p);
    }
    {
        patch p = sustained(b, "breath", 0.4, 1.0);
        p.filter(filter_kind::bpf, 1500, 0.2, 0.0);
        p.mod(1, mod_source::note, P_FILTER_CUTOFF, 0.4);
        p.lfo(1, lfo_shape::sine, 0.25);
        p.mod(2, mod_source::lfo1, P_PAN, 0.25);
        b.add("Breath Tones", "Pitched breath, the filter follows the keys", "breath", "", p);
    }
    {
        patch p = sustained(b, "gamelan", 0.01, 2.0);
        p.wave(2, osc_wave::user_b).loop(2, b.set("drone")).transpose(2, -12).balance(0.35);
        p.amp_env(0.01, 2.0, 0.5, 2.0);
        p.delay_free(0.75, -10, -5, true).delay_filter(1, 2200);
        b.add("Temple", "Gamelan strokes over a drone", "gamelan", "drone", p);
    }
    {
        // The choir sample scrubbed slowly: playback at a fifth of its speed, the start
        // point thrown about by a sample-and-hold LFO at each note.
        patch p;
        p.wave(1, osc_wave::user_a).balance(0.0).bend(2);
        p.speed(1, 0.2).loop(1, b.set("choir_aah"));
        p.amp_env(0.3, 0.0, 1.0, 1.5).gain(-7);
        p.lfo(1, lfo_shape::sample_hold, 0.8);
        p.mod(1, mod_source::lfo1, P_OSC1_OFFSET, 0.1);
        p.delay_free(0.5, -12, -7, true);
        b.add("Frozen Choir", "Slow scrub through the choir; speed 20 %", "choir_aah", "", p);
    }
}

}  // namespace factory
