// Analogue waves, pads, textures, drum kits and tempo loops.
#include <cmath>

#include "tools/factory/drums.h"
#include "tools/factory/sample_sets.h"
#include "tools/factory/set_builder.h"
#include "tools/factory/synth_waves.h"
#include "tools/factory/tone.h"

namespace factory {

namespace {

double seconds_of(const render_job& j) { return double(j.frames) / rate_hz; }

set_recipe held(const std::string& name, std::vector<int> roots, double onset_s, double loop_s,
                bool long_fade) {
    set_recipe r;
    r.name = name;
    r.roots = std::move(roots);
    r.sustained = true;
    r.plan = plan_loop(onset_s, loop_s, 0.03);
    r.crossfade_s = long_fade ? 0.05 : 0.02;  // beating material needs a longer fade
    return r;
}

// Keys play the kit by pitch class, so every octave holds the whole kit; the keys below C2
// all play the kick (lower keys make it deeper).
std::array<int, key_count> kit_map(const int (&by_class)[12], int low_slot) {
    std::array<int, key_count> map{};
    for (int k = 0; k < key_count; ++k) map[size_t(k)] = k < 36 ? low_slot : by_class[k % 12];
    return map;
}

}  // namespace

void add_synth_sets(set_table& t) {
    auto wave = [&t](const std::string& id, const std::string& name, std::vector<int> roots,
                     double loop_s, bool long_fade, analog_params base) {
        t[id] = [=] {
            set_recipe r = held(name, roots, long_fade ? 0.06 : 0.025, loop_s, long_fade);
            if (base.wave == analog_wave::supersaw || base.wave == analog_wave::fat_saw)
                r.spread_cents = base.detune_cents;
            r.fade_in_ms = 2.0;
            r.render = [=](const render_job& j) {
                analog_params p = base;
                p.hz = j.hz;
                p.period_s = j.loop_s;
                p.seconds = seconds_of(j);
                p.seed = uint64_t(j.index) * 13 + 1;
                return analog(p);
            };
            return build_set(r);
        };
    };
    analog_params pwm;
    pwm.wave = analog_wave::pwm;
    pwm.pwm_depth = 0.7;
    wave("pwm", "PWM", {40, 72}, 0.2, false, pwm);
    analog_params supersaw;
    supersaw.wave = analog_wave::supersaw;
    supersaw.detune_cents = 18;
    wave("supersaw", "Supersaw", {43, 72}, 0.2, true, supersaw);
    analog_params sync;
    sync.wave = analog_wave::sync;
    sync.sync_ratio = 2.45;
    wave("sync", "Sync", {36, 60, 84}, 0.05, false, sync);
    sync.sync_ratio = 3.8;
    wave("sync_bright", "Sync Bright", {36, 60, 84}, 0.05, false, sync);
    analog_params fat;
    fat.wave = analog_wave::fat_saw;
    fat.detune_cents = 9;
    fat.rolloff_hz = 9000;
    wave("fat_saw", "Fat Saw", {33, 57}, 0.2, true, fat);

    auto pad_set = [&t](const std::string& id, const std::string& name, std::vector<int> roots,
                        std::function<pad_params(double hz)> make) {
        t[id] = [=] {
            set_recipe r = held(name, roots, 0.07, 0.25, true);
            r.render = [=](const render_job& j) {
                pad_params p = make(j.hz);
                p.onset_s = std::min(0.02, j.steady_s);
                p.period_s = j.loop_s;
                p.seconds = seconds_of(j);
                p.seed = uint64_t(j.index) * 17 + 3;
                return pad(p);
            };
            return build_set(r);
        };
    };
    pad_set("warm_pad", "Warm Pad", {43, 67}, [](double hz) {
        pad_params p;
        p.hz = hz;
        p.spectrum = saw_spectrum(hz, 1800.0, 14000.0);
        p.shimmer = 0.25;
        return p;
    });
    pad_set("glass_pad", "Glass Pad", {48, 72}, [](double hz) {
        pad_params p;
        p.hz = hz;
        p.spectrum = {1.0, 0.5, 0.1, 0.4, 0, 0.25, 0, 0.2, 0, 0, 0, 0.1};
        while (!p.spectrum.empty() && hz * double(p.spectrum.size()) > 16000) p.spectrum.pop_back();
        p.shimmer = 0.6;
        return p;
    });
    pad_set("digital_pad", "Digital Pad", {48, 72}, [](double hz) {
        pad_params p;
        p.hz = hz;
        for (size_t k = 1; hz * double(k) < 14000; ++k)
            p.spectrum.push_back(k % 2 ? (1.0 / double(k)) * (0.3 + resonance_gain(hz * k, 1600, 900)) : 0.0);
        p.shimmer = 0.4;
        return p;
    });
    pad_set("air_pad", "Air Pad", {48, 72}, [](double hz) {
        pad_params p;
        p.hz = hz;
        p.spectrum = {1.0, 0.3, 0.12, 0.05};
        p.shimmer = 0.3;
        p.air = 0.5;
        return p;
    });

    auto tex = [&t](const std::string& id, const std::string& name, std::vector<int> roots,
                    double loop_s, bool pitched, texture_kind kind) {
        t[id] = [=] {
            set_recipe r = held(name, roots, 0.12, loop_s, true);
            r.crossfade_s = 0.08;
            r.pitched = pitched;
            // The drone's pairs sit half a beat per loop either side of each harmonic.
            if (kind == texture_kind::drone)
                r.spread_cents = 1200.0 * std::log2(1.0 + 0.5 / (loop_s * note_hz(roots.front())));
            r.fade_in_ms = 20;
            r.render = [=](const render_job& j) {
                texture_params p;
                p.hz = j.hz;
                p.kind = kind;
                p.period_s = j.loop_s;
                p.seconds = seconds_of(j);
                p.seed = uint64_t(j.index) * 19 + 7;
                return texture(p);
            };
            return build_set(r);
        };
    };
    tex("wind", "Wind", {60}, 0.8, false, texture_kind::wind);
    tex("ocean", "Ocean", {48}, 0.9, false, texture_kind::ocean);
    tex("shimmer", "Shimmer", {72}, 0.4, true, texture_kind::shimmer);
    tex("drone", "Drone", {48}, 0.5, true, texture_kind::drone);
    tex("glass_rain", "Glass Rain", {72}, 0.8, true, texture_kind::glass_rain);
    tex("breath", "Breath", {48, 72}, 0.3, false, texture_kind::breath);  // noise: no exact pitch

    t["analog_kit"] = [] {
        // Slots: kick, rim, snare, clap, low tom, closed hat, high tom, open hat.
        const int by_class[12] = {0, 1, 2, 3, 2, 4, 5, 4, 5, 6, 7, 6};
        return build_kit("Analog Kit",
                         {{drum::kick}, {drum::rim}, {drum::snare}, {drum::clap},
                          {drum::tom_low}, {drum::hat_closed}, {drum::tom_high}, {drum::hat_open}},
                         kit_map(by_class, 0), 101, 0.6);
    };
    t["perc_kit"] = [] {
        // Slots: low conga, rim, high conga, clave, bongo, shaker, tambourine, cowbell.
        const int by_class[12] = {0, 1, 2, 3, 4, 0, 5, 2, 6, 4, 7, 3};
        return build_kit("Percussion",
                         {{drum::conga_low}, {drum::rim, 67}, {drum::conga_high}, {drum::clave},
                          {drum::bongo}, {drum::shaker}, {drum::tambourine}, {drum::cowbell}},
                         kit_map(by_class, 0), 202, 0.7);
    };

    // Tempo loops. Each slot plays an octave below the key (xpose -12): played from C3,
    // the grains fall on C2, where every loop's kick is tuned.
    auto loop = [&t](const std::string& id, const std::string& name, loop_params p) {
        t[id] = [=] { return build_loop(name, p, -12); };
    };
    loop("loop_house", "House 120", {120, 4, 4, 0.0,
        {{drum::kick, "x...x...x...x..."},
         {drum::clap, "....x.......x..."},
         {drum::hat_open, "..o...o...o...o.", -1, 0.45},
         {drum::hat_closed, "x-x-x-x-x-x-x-x-"},
         {drum::shaker, "-o-o-o-o-o-o-o-o"}}, 11});
    loop("loop_funk", "Funk 120", {120, 4, 4, 0.12,
        {{drum::kick, "x.-...x.x.....-."},
         {drum::snare, "....x..-.-..x..-"},
         {drum::hat_closed, "xoxoxoxoxoxoxox."},
         {drum::hat_open, "..............o.", -1, 0.3},
         {drum::tom_high, ".............-..", 52}}, 22});
    loop("loop_hiphop", "Hip Hop 90", {90, 4, 4, 0.18,
        {{drum::kick, "x.....x...x..x.."},
         {drum::snare, "....x.......x..."},
         {drum::hat_closed, "x.o.x.o.x.o.x.ox"},
         {drum::rim, "...........-....", 67}}, 33});
    loop("loop_dnb", "Breaks 175", {175, 4, 4, 0.0,
        {{drum::kick, "x.........x....."},
         {drum::snare_tight, "....x..-.-..x..-"},
         {drum::hat_closed, "x-o-x-o-x-o-x-o-"},
         {drum::shaker, "--o---o---o---o-"}}, 44});
    loop("loop_latin", "Latin 120", {120, 4, 4, 0.0,
        {{drum::conga_low, "..x...x...x.o.x."},
         {drum::conga_high, "x.o.o...x.o.o..."},
         {drum::clave, "x..x...x..x.x..."},
         {drum::shaker, "o-x-o-x-o-x-o-x-"},
         {drum::cowbell, "x...x...x...x...", -1, 0.6},
         {drum::kick, "x.......x......."}}, 55});
}

}  // namespace factory
