// Plucked strings, bowed strings, winds and voices.
#include <cmath>

#include "tools/factory/bowed_blown.h"
#include "tools/factory/pluck.h"
#include "tools/factory/sample_sets.h"
#include "tools/factory/set_builder.h"
#include "tools/factory/voices.h"

namespace factory {

namespace {

double seconds_of(const render_job& j) { return double(j.frames) / rate_hz; }

double scaled(double base, double hz, double ref_hz, double power) {
    return base * std::pow(ref_hz / hz, power);
}

// A plucked set: a natural decay, then its tail evened out into a short loop.
set_recipe plucked(const std::string& name, std::vector<int> roots, double onset_s,
                   double loop_s, std::function<pluck_params(double hz)> make) {
    set_recipe r;
    r.name = name;
    r.roots = std::move(roots);
    r.sustained = true;
    r.plan = plan_loop(onset_s, loop_s, 0.035);
    r.hold_tail = true;
    r.render = [make](const render_job& j) {
        pluck_params p = make(j.hz);
        p.seconds = seconds_of(j);
        p.seed = uint64_t(j.index) * 7 + 3;
        return pluck(p);
    };
    return r;
}

// Two strings a few cents apart, as courses are tuned.
set_recipe course(double spread_cents, set_recipe r) {
    r.spread_cents = spread_cents;
    return r;
}

bool brass_kind(wind w) { return w == wind::trumpet || w == wind::horn || w == wind::trombone; }

set_recipe held(const std::string& name, std::vector<int> roots, double onset_s, double loop_s) {
    set_recipe r;
    r.name = name;
    r.roots = std::move(roots);
    r.sustained = true;
    r.plan = plan_loop(onset_s, loop_s, 0.03);
    r.crossfade_s = 0.04;
    return r;
}

}  // namespace

void add_strings_sets(set_table& t) {
    t["nylon"] = [] {
        return build_set(plucked("Nylon Guitar", {48, 72}, 0.16, 0.05, [](double hz) {
            pluck_params p;
            p.hz = hz;
            p.t60_s = scaled(4.5, hz, 82.0, 0.5);
            p.damping = 0.32;
            p.pluck_at = 0.17;
            p.pick_ms = 0.6;
            p.noise = 0.08;
            p.body = {{98, 4, 5}, {204, 5, 4}, {400, 3, 2}, {2500, 1, -3}};
            return p;
        }));
    };
    t["steel"] = [] {
        return build_set(plucked("Steel Guitar", {48, 72}, 0.16, 0.05, [](double hz) {
            pluck_params p;
            p.hz = hz;
            p.t60_s = scaled(6.0, hz, 82.0, 0.45);
            p.damping = 0.13;
            p.pluck_at = 0.12;
            p.pick_ms = 0.25;
            p.noise = 0.12;
            p.stiffness = 0.08;
            p.body = {{105, 4, 4}, {220, 5, 4}, {3000, 1.2, 2}};
            return p;
        }));
    };
    t["harp"] = [] {
        return build_set(plucked("Harp", {45, 74}, 0.17, 0.06, [](double hz) {
            pluck_params p;
            p.hz = hz;
            p.t60_s = scaled(7.0, hz, 98.0, 0.5);
            p.damping = 0.28;
            p.pluck_at = 0.3;
            p.pick_ms = 0.9;
            p.noise = 0.03;
            p.body = {{180, 1.5, 4}, {800, 1, 2}};
            return p;
        }));
    };
    t["koto"] = [] {
        return build_set(plucked("Koto", {55, 76}, 0.18, 0.06, [](double hz) {
            pluck_params p;
            p.hz = hz;
            p.t60_s = scaled(3.5, hz, 147.0, 0.5);
            p.damping = 0.2;
            p.pluck_at = 0.07;
            p.pick_ms = 0.3;
            p.noise = 0.1;
            p.body = {{330, 3, 5}, {1800, 1.5, 3}};
            return p;
        }));
    };
    t["banjo"] = [] {
        return build_set(plucked("Banjo", {60, 79}, 0.16, 0.05, [](double hz) {
            pluck_params p;
            p.hz = hz;
            p.t60_s = scaled(1.6, hz, 196.0, 0.4);
            p.damping = 0.08;
            p.pluck_at = 0.09;
            p.pick_ms = 0.15;
            p.noise = 0.1;
            p.body = {{450, 4, 8}, {1400, 2, 5}, {150, 0.7, -8}};
            return p;
        }));
    };
    t["dulcimer"] = [] {
        return build_set(course(1.5, plucked("Dulcimer", {60, 81}, 0.18, 0.06, [](double hz) {
            pluck_params p;
            p.hz = hz;
            p.t60_s = scaled(4.0, hz, 196.0, 0.4);
            p.damping = 0.1;
            p.pluck_at = 0.12;
            p.pick_ms = 0.2;  // a hammer: short and hard
            p.noise = 0.04;
            p.strings_cents = 3.0;
            p.body = {{300, 2, 4}, {2000, 1.2, 3}};
            return p;
        })));
    };
    t["mandolin"] = [] {
        return build_set(course(2.0, plucked("Mandolin", {60, 79}, 0.18, 0.05, [](double hz) {
            pluck_params p;
            p.hz = hz;
            p.t60_s = scaled(2.0, hz, 196.0, 0.4);
            p.damping = 0.12;
            p.pluck_at = 0.11;
            p.pick_ms = 0.2;
            p.noise = 0.1;
            p.strings_cents = 4.0;
            p.body = {{280, 4, 5}, {1000, 2, 2}};
            return p;
        })));
    };
    t["muted_guitar"] = [] {
        set_recipe r;
        r.name = "Muted Guitar";
        r.roots = {50, 72};
        r.seconds = 0.25;
        r.fade_out_ms = 40;
        r.render = [](const render_job& j) {
            pluck_params p;
            p.hz = j.hz;
            p.t60_s = 0.25;
            p.damping = 0.42;
            p.pluck_at = 0.15;
            p.pick_ms = 0.4;
            p.noise = 0.12;
            p.pickup_at = 0.2;
            p.seconds = seconds_of(j);
            p.seed = uint64_t(j.index) + 5;
            return pluck(p);
        };
        return build_set(r);
    };
    t["pizzicato"] = [] {
        set_recipe r;
        r.name = "Pizzicato";
        r.roots = {52, 76};
        r.seconds = 0.28;
        r.fade_out_ms = 60;
        r.render = [](const render_job& j) {
            pluck_params p;
            p.hz = j.hz;
            p.t60_s = scaled(0.5, j.hz, 196.0, 0.3);
            p.damping = 0.38;
            p.pluck_at = 0.2;
            p.pick_ms = 1.0;  // a finger
            p.noise = 0.03;
            p.body = {{280, 6, 7}, {450, 8, 5}, {2800, 1.2, 6}, {190, 0.7, -6}};
            p.seconds = seconds_of(j);
            p.seed = uint64_t(j.index) + 9;
            return pluck(p);
        };
        return build_set(r);
    };
    auto bass = [&t](const std::string& id, const std::string& name, double damping,
                     double pick_ms, double pickup_at, std::vector<resonance> body) {
        t[id] = [=] {
            return build_set(plucked(name, {31, 45}, 0.22, 0.08, [=](double hz) {
                pluck_params p;
                p.hz = hz;
                p.t60_s = scaled(6.0, hz, 41.2, 0.4);
                p.damping = damping;
                p.pluck_at = 0.18;
                p.pick_ms = pick_ms;
                p.noise = 0.05;
                p.pickup_at = pickup_at;
                p.body = body;
                return p;
            }));
        };
    };
    bass("finger_bass", "Finger Bass", 0.36, 1.2, 0.12, {{700, 1, 3}});
    bass("pick_bass", "Pick Bass", 0.18, 0.3, 0.1, {{1200, 1, 4}});
    bass("upright_bass", "Upright Bass", 0.4, 1.5, 0.0, {{90, 3, 6}, {180, 4, 4}, {1000, 1, -4}});

    auto bowed_set = [&t](const std::string& id, const std::string& name, std::vector<int> roots,
                          bowed_body body, int players, double vib_cents) {
        t[id] = [=] {
            set_recipe r = held(name, roots, 0.1, players > 1 ? 0.13 : 0.15);
            r.vibrato_cents = vib_cents;
            r.render = [=](const render_job& j) {
                bowed_params p;
                p.hz = j.hz;
                p.body = body;
                p.players = players;
                // A section without static detune: its players differ in vibrato phase
                // and entry, so it swells and thins within the loop, never beats across it.
                p.spread_cents = 0.0;
                p.vibrato_cents = vib_cents;
                p.vibrato_hz = players > 1 ? 5.2 : 5.6;
                p.onset_s = std::min(0.08, j.steady_s);
                p.period_s = j.loop_s;
                p.seconds = seconds_of(j);
                p.seed = uint64_t(j.index) * 3 + 1;
                return bowed(p);
            };
            return build_set(r);
        };
    };
    bowed_set("violin", "Violin", {62, 84}, bowed_body::violin, 1, 10);
    bowed_set("cello", "Cello", {43, 62}, bowed_body::cello, 1, 9);
    bowed_set("strings", "String Section", {43, 62, 81}, bowed_body::viola, 5, 5);

    auto wind_set = [&t](const std::string& id, const std::string& name, std::vector<int> roots,
                         wind kind, int players, double breath, double brightness) {
        t[id] = [=] {
            set_recipe r = held(name, roots, brass_kind(kind) ? 0.13 : 0.09, 0.16);
            r.vibrato_cents = kind == wind::clarinet ? 0.0 : 6.0;
            r.render = [=](const render_job& j) {
                blown_params p;
                p.hz = j.hz;
                p.kind = kind;
                p.players = players;
                p.spread_cents = 0.0;
                p.breath = breath;
                p.brightness = brightness;
                p.vibrato_cents = kind == wind::clarinet ? 0.0 : 6.0;
                // Brass opens over 1.6 onsets; all of it before the loop's material.
                p.onset_s = std::min(0.06, j.steady_s / (brass_kind(kind) ? 1.6 : 1.0));
                p.period_s = j.loop_s;
                p.tremolo = kind == wind::flute || kind == wind::pan_flute ? 0.1 : 0.03;
                p.seconds = seconds_of(j);
                p.seed = uint64_t(j.index) * 5 + 2;
                return blown(p);
            };
            return build_set(r);
        };
    };
    wind_set("flute", "Flute", {67, 88}, wind::flute, 1, 1.0, 0.5);
    wind_set("pan_flute", "Pan Flute", {64, 81}, wind::pan_flute, 1, 1.6, 0.3);
    wind_set("clarinet", "Clarinet", {55, 74}, wind::clarinet, 1, 0.6, 0.5);
    wind_set("oboe", "Oboe", {62, 79}, wind::oboe, 1, 0.5, 0.5);
    wind_set("sax", "Sax", {50, 66}, wind::sax, 1, 0.8, 0.6);
    wind_set("trumpet", "Trumpet", {60, 76}, wind::trumpet, 1, 0.5, 0.6);
    wind_set("horn", "French Horn", {45, 62}, wind::horn, 1, 0.4, 0.5);
    wind_set("trombone", "Trombone", {43, 58}, wind::trombone, 1, 0.4, 0.6);
    wind_set("brass", "Brass Section", {55, 74}, wind::trumpet, 3, 0.4, 0.75);

    auto choir = [&t](const std::string& id, const std::string& name, vowel v, int singers) {
        t[id] = [=] {
            set_recipe r = held(name, {52, 72}, 0.1, 0.19);
            r.vibrato_cents = singers > 1 ? 5.0 : 12.0;
            r.render = [=](const render_job& j) {
                voice_params p;
                p.hz = j.hz;
                p.sound = v;
                p.singers = singers;
                p.spread_cents = 0.0;
                p.vibrato_cents = singers > 1 ? 5.0 : 12.0;
                p.onset_s = std::min(0.12, j.steady_s);
                p.period_s = j.loop_s;
                p.seconds = seconds_of(j);
                p.seed = uint64_t(j.index) * 11 + 4;
                return sung(p);
            };
            return build_set(r);
        };
    };
    choir("choir_aah", "Choir Aah", vowel::aah, 8);
    choir("choir_ooh", "Choir Ooh", vowel::ooh, 8);
    choir("solo_oh", "Voice Oh", vowel::oh, 1);
}

}  // namespace factory
