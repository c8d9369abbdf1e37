// Keys, mallets and bells. Sustained sets hold a short steady loop after their onset; the
// programs shape the rest of the decay with their envelopes.
#include <algorithm>
#include <cmath>

#include "tools/factory/keys.h"
#include "tools/factory/modal.h"
#include "tools/factory/pluck.h"
#include "tools/factory/sample_sets.h"
#include "tools/factory/set_builder.h"

namespace factory {

namespace {

double seconds_of(const render_job& j) { return double(j.frames) / rate_hz; }

set_recipe sustained(const std::string& name, std::vector<int> roots, double onset_s,
                     double loop_s) {
    set_recipe r;
    r.name = name;
    r.roots = std::move(roots);
    r.sustained = true;
    r.plan = plan_loop(onset_s, loop_s, 0.03);
    r.crossfade_s = 0.03;
    return r;
}

// A modal instrument whose modes freeze where the loop's steady part starts.
set_recipe bars(const std::string& name, std::vector<int> roots, double onset_s, double loop_s,
                std::function<modal_params(double hz)> make) {
    set_recipe r = sustained(name, std::move(roots), onset_s, loop_s);
    r.render = [make](const render_job& j) {
        modal_params m = make(j.hz);
        m.freeze_s = j.steady_s;
        m.seconds = seconds_of(j);
        m.seed = uint64_t(j.index) + 11;
        return modal(m);
    };
    return r;
}

double scaled(double base, double hz, double ref_hz, double power) {
    return base * std::pow(ref_hz / hz, power);
}

}  // namespace

void add_keys_sets(set_table& t) {
    t["tine"] = [] {
        set_recipe r = sustained("Tine Piano", {45, 72}, 0.15, 0.05);
        r.render = [](const render_job& j) {
            tine_params p;
            p.hz = j.hz;
            p.index = std::clamp(2.3 - 0.014 * (69.0 + 12 * std::log2(j.hz / 440.0) - 36), 0.9, 2.3);
            p.decay_s = scaled(0.9, j.hz, 261.63, 0.35);
            p.freeze_s = j.steady_s;
            p.seconds = seconds_of(j);
            return tine_piano(p);
        };
        return build_set(r);
    };
    t["reed"] = [] {
        set_recipe r = sustained("Reed Piano", {48, 72}, 0.14, 0.05);
        r.render = [](const render_job& j) {
            reed_params p;
            p.hz = j.hz;
            p.decay_s = scaled(0.8, j.hz, 261.63, 0.3);
            p.freeze_s = j.steady_s;
            p.seconds = seconds_of(j);
            return reed_piano(p);
        };
        return build_set(r);
    };
    auto organ = [&t](const std::string& id, const std::string& name, std::array<int, 7> bars_) {
        t[id] = [name, bars_] {
            set_recipe r = sustained(name, {36, 60, 84}, 0.03, 0.08);
            r.crossfade_s = 0.02;
            r.render = [bars_](const render_job& j) {
                drawbar_params p;
                p.hz = j.hz;
                p.bars = bars_;
                p.seconds = seconds_of(j);
                p.seed = uint64_t(j.index) + 3;
                return drawbars(p);
            };
            return build_set(r);
        };
    };
    organ("drawbars_888", "Drawbars 888", {8, 8, 8, 0, 0, 0, 0});
    organ("drawbars_full", "Drawbars Full", {8, 8, 8, 8, 6, 6, 8});
    organ("drawbars_soft", "Drawbars Soft", {8, 3, 0, 0, 0, 0, 0});
    organ("drawbars_bright", "Drawbars Bright", {6, 8, 6, 8, 0, 4, 8});
    auto pipes = [&t](const std::string& id, const std::string& name, pipe_stop stop) {
        t[id] = [name, stop] {
            set_recipe r = sustained(name, {43, 72}, 0.1, 0.1);
            r.render = [stop](const render_job& j) {
                pipe_params p;
                p.hz = j.hz;
                p.stop = stop;
                p.onset_s = std::min(0.06, j.steady_s / 3.0);
                p.seconds = seconds_of(j);
                p.seed = uint64_t(j.index) + 5;
                return pipe(p);
            };
            return build_set(r);
        };
    };
    pipes("pipe_principal", "Principal", pipe_stop::principal);
    pipes("pipe_flute", "Pipe Flute", pipe_stop::flute);
    pipes("pipe_reed", "Trompette", pipe_stop::reed);
    t["clav"] = [] {
        set_recipe r = sustained("Clav", {48, 72}, 0.15, 0.05);
        r.hold_tail = true;
        r.render = [](const render_job& j) {
            pluck_params p;
            p.hz = j.hz;
            p.t60_s = scaled(1.4, j.hz, 130.0, 0.4);
            p.damping = 0.04;
            p.pluck_at = 0.07;
            p.pick_ms = 0.12;
            p.noise = 0.08;
            p.pickup_at = 0.11;
            p.body = {{1500, 1.0, 4}, {180, 0.7, -6}};
            p.seconds = seconds_of(j);
            p.seed = uint64_t(j.index) + 21;
            return pluck(p);
        };
        return build_set(r);
    };
    t["harpsichord"] = [] {
        set_recipe r = sustained("Harpsichord", {48, 74}, 0.2, 0.06);
        r.hold_tail = true;
        r.render = [](const render_job& j) {
            pluck_params p;
            p.hz = j.hz;
            p.t60_s = scaled(6.0, j.hz, 130.0, 0.5);
            p.damping = 0.09;
            p.pluck_at = 0.1;
            p.pick_ms = 0.1;
            p.noise = 0.05;
            p.stiffness = 0.05;
            p.body = {{220, 2.0, 4}, {2800, 1.0, 3}};
            p.seconds = seconds_of(j);
            p.seed = uint64_t(j.index) + 31;
            return pluck(p);
        };
        return build_set(r);
    };
    t["felt_piano"] = [] {
        set_recipe r = sustained("Felt Piano", {40, 60, 80}, 0.2, 0.07);
        r.render = [](const render_job& j) {
            felt_piano_params p;
            p.hz = j.hz;
            p.hardness = 0.35;
            p.freeze_s = j.steady_s;
            p.seconds = seconds_of(j);
            p.seed = uint64_t(j.index) + 41;
            return felt_piano(p);
        };
        return build_set(r);
    };

    // Mallets: tuned bars put their upper modes on harmonics (1:4:10 for marimba and
    // vibraphone, 1:3:6 for xylophone), so their loops meet in phase.
    t["marimba"] = [] {
        return build_set(bars("Marimba", {50, 68, 86}, 0.14, 0.05, [](double hz) {
            modal_params m;
            m.hz = hz;
            double t60 = std::clamp(scaled(1.6, hz, 220.0, 0.6), 0.25, 3.0);
            m.modes = {{1, 1, t60}, {4, 0.28, t60 * 0.35}, {10, 0.08, t60 * 0.15}};
            m.contact_ms = 1.1;
            m.thump = 0.04;
            m.thump_hz = 500;
            return m;
        }));
    };
    t["vibraphone"] = [] {
        return build_set(bars("Vibraphone", {60, 84}, 0.18, 0.08, [](double hz) {
            modal_params m;
            m.hz = hz;
            double t60 = std::clamp(scaled(6.0, hz, 220.0, 0.5), 1.0, 8.0);
            m.modes = {{1, 1, t60}, {4, 0.2, t60 / 3}, {10, 0.04, t60 / 8}};
            m.contact_ms = 0.8;
            m.thump = 0.02;
            m.thump_hz = 1200;
            return m;
        }));
    };
    t["xylophone"] = [] {
        return build_set(bars("Xylophone", {72, 96}, 0.1, 0.04, [](double hz) {
            modal_params m;
            m.hz = hz;
            double t60 = std::clamp(scaled(0.7, hz, 440.0, 0.5), 0.15, 1.2);
            m.modes = {{1, 1, t60}, {3, 0.35, t60 / 3}, {6, 0.1, t60 / 6}};
            m.contact_ms = 0.3;
            m.thump = 0.08;
            m.thump_hz = 2500;
            return m;
        }));
    };
    t["celesta"] = [] {
        return build_set(bars("Celesta", {67, 91}, 0.12, 0.05, [](double hz) {
            modal_params m;
            m.hz = hz;
            double t60 = std::clamp(scaled(2.0, hz, 523.0, 0.5), 0.4, 3.0);
            m.modes = {{1, 1, t60}, {4, 0.12, t60 / 3}, {2, 0.05, t60 / 2}};
            m.contact_ms = 0.5;
            m.thump = 0.03;
            m.thump_hz = 900;
            return m;
        }));
    };
    t["steel_drum"] = [] {
        return build_set(bars("Steel Drum", {60, 79}, 0.15, 0.06, [](double hz) {
            modal_params m;
            m.hz = hz;
            m.modes = {{1, 1, 1.6}, {2, 0.75, 1.3, 0.7}, {3, 0.35, 0.9}, {4, 0.15, 0.6}, {5, 0.07, 0.4}};
            m.contact_ms = 0.9;
            m.thump = 0.05;
            m.thump_hz = 700;
            return m;
        }));
    };
    // Free bars and tines are not harmonic; their loops cross-fade with equal power.
    auto inharmonic_recipe = [](set_recipe r) {
        r.harmonic = false;
        r.crossfade_s = 0.05;
        return r;
    };
    auto inharmonic = [inharmonic_recipe](set_recipe r) { return build_set(inharmonic_recipe(r)); };
    t["glockenspiel"] = [inharmonic] {
        return inharmonic(bars("Glockenspiel", {82, 97}, 0.15, 0.08, [](double hz) {
            modal_params m;
            m.hz = hz;
            m.modes = {{1, 1, 3.0}, {2.756, 0.45, 1.8}, {5.404, 0.22, 1.0}, {8.933, 0.1, 0.6}};
            m.contact_ms = 0.15;
            return m;
        }));
    };
    t["kalimba"] = [inharmonic] {
        return inharmonic(bars("Kalimba", {62, 81}, 0.15, 0.08, [](double hz) {
            modal_params m;
            m.hz = hz;
            double t60 = std::clamp(scaled(2.0, hz, 440.0, 0.3), 0.8, 3.0);
            m.modes = {{1, 1, t60}, {6.27, 0.16, 0.25}, {17.55, 0.04, 0.08}};
            m.contact_ms = 0.6;
            m.thump = 0.12;
            m.thump_hz = 320;
            return m;
        }));
    };
    t["music_box"] = [inharmonic] {
        return inharmonic(bars("Music Box", {77, 94}, 0.12, 0.06, [](double hz) {
            modal_params m;
            m.hz = hz;
            m.modes = {{1, 1, 2.2}, {2, 0.12, 1.2}, {5.93, 0.25, 0.3}};
            m.contact_ms = 0.2;
            return m;
        }));
    };
    t["gamelan"] = [inharmonic_recipe] {
        // Paired bars beat (the ombak) exactly once per loop, about six times a second.
        set_recipe r = sustained("Gamelan", {60, 79}, 0.18, 0.16);
        r.spread_cents = 21.0;  // the pair's half-beat (3.1 Hz) at the lower root
        r.render = [](const render_job& j) {
            modal_params m;
            m.hz = j.hz;
            double beat = 1.0 / j.loop_s;
            m.modes = {{1, 1, 4.0, beat}, {2.76, 0.35, 1.6, 2 * beat}, {5.2, 0.15, 0.8}};
            m.contact_ms = 1.2;
            m.thump = 0.05;
            m.thump_hz = 600;
            m.freeze_s = j.steady_s;
            m.seconds = seconds_of(j);
            m.seed = uint64_t(j.index) + 11;
            return modal(m);
        };
        r = inharmonic_recipe(r);
        return build_set(r);
    };
    t["tubular_bells"] = [inharmonic] {
        // The strike tone is heard an octave below the fourth mode; the modes sit near its
        // 2nd, 3rd and 4th harmonics, with a faint fundamental.
        set_recipe r = bars("Tubular Bell", {62, 74}, 0.3, 0.12, [](double hz) {
            modal_params m;
            m.hz = hz;
            m.modes = {{1, 0.12, 4}, {2, 1, 6}, {2.988, 0.8, 5}, {4.173, 0.55, 4},
                       {5.556, 0.35, 3}, {7.136, 0.2, 2.5}};
            m.contact_ms = 0.6;
            m.thump = 0.03;
            m.thump_hz = 1500;
            return m;
        });
        r.tuning_ratio = 2.0;
        return inharmonic(r);
    };
    t["church_bell"] = [inharmonic] {
        // Prime, minor-third tierce, quint, nominal and the upper partials; the hum an
        // octave below the prime is left to the program's second oscillator.
        return inharmonic(bars("Church Bell", {48, 60}, 0.35, 0.15, [](double hz) {
            modal_params m;
            m.hz = hz;
            m.modes = {{1, 0.6, 8},   {1.19, 0.7, 6}, {1.5, 0.35, 5},  {2, 0.9, 4},
                       {2.5, 0.3, 3}, {2.66, 0.25, 2.5}, {3, 0.3, 2}, {4, 0.15, 1.5}};
            m.contact_ms = 1.5;
            m.thump = 0.03;
            m.thump_hz = 400;
            return m;
        }));
    };
}

}  // namespace factory
