#include "tools/demo_song/demo_song.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <set>

#include "tools/demo_song/smf_writer.h"

namespace demo {

namespace {

// "A4" = 69, "G#3" = 56, "Bb2" = 46 (C4 = 60).
constexpr int key(const char* name) {
    constexpr int steps[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    int k = steps[name[0] - 'A'];
    int i = 1;
    if (name[i] == '#') ++k, ++i;
    if (name[i] == 'b') --k, ++i;
    return k + 12 * (name[i] - '0' + 1);
}
static_assert(key("C4") == 60 && key("A4") == 69 && key("G#3") == 56 && key("E1") == 28);

constexpr int keys_channel = 0, bass_channel = 1, pad_channel = 2, lead_channel = 3,
              drum_channel = 9;
constexpr int loop_key = 48;  // C3: the drum loops play at their own speed and pitch there

struct chord {
    int root;                 // the bass's root, in its low octave
    std::array<int, 3> pad;   // a close voicing below middle C's E
    std::array<int, 3> keys;  // the piano's voicing, higher
};

const chord Am{key("A1"), {key("A3"), key("C4"), key("E4")}, {key("E4"), key("A4"), key("C5")}};
const chord F{key("F1"), {key("A3"), key("C4"), key("F4")}, {key("F4"), key("A4"), key("C5")}};
const chord C{key("C2"), {key("G3"), key("C4"), key("E4")}, {key("E4"), key("G4"), key("C5")}};
const chord G{key("G1"), {key("G3"), key("B3"), key("D4")}, {key("D4"), key("G4"), key("B4")}};
const chord Em{key("E1"), {key("G3"), key("B3"), key("E4")}, {key("E4"), key("G4"), key("B4")}};
const chord Dm{key("D2"), {key("A3"), key("D4"), key("F4")}, {key("D4"), key("F4"), key("A4")}};
const chord E{key("E1"), {key("G#3"), key("B3"), key("E4")}, {key("E4"), key("G#4"), key("B4")}};

// One chord per bar: intro, A (twice), B, A, and the closing A minor.
const std::array<const chord*, bars> progression = {
    &Am, &F, &C, &G,                                  // intro, bars 0-3
    &Am, &F, &C, &G, &Am, &F, &C, &G,                 // A, bars 4-11
    &F,  &G, &Em, &Am, &Dm, &G, &C, &E,               // B, bars 12-19
    &Am, &F, &C, &G,                                  // A again, bars 20-23
    &Am, &Am};                                        // the close, bars 24-25

enum class section { intro, a, b, close };
section section_of(int bar) {
    if (bar < 4) return section::intro;
    if (bar >= 12 && bar < 20) return section::b;
    if (bar >= 24) return section::close;
    return section::a;
}

// A small, fixed variation of velocities, so repeated notes do not sound stamped.
int wobble(int i) {
    static constexpr int table[8] = {0, 3, -2, 4, -3, 1, -4, 2};
    return table[((i % 8) + 8) % 8];
}

double bar_start(int bar) { return double(bar * beats_per_bar); }

struct tone {
    int bar;  // within the phrase
    double beat, length;
    const char* key;
    int velocity;
};

// The tune of the A section: a falling answer over A minor - F - C - G, then the same
// shape an octave's reach higher.
const std::vector<tone> tune_a = {
    {0, 0, 1.5, "E5", 100}, {0, 1.5, 0.5, "D5", 84}, {0, 2, 1, "C5", 92},
    {0, 3, 0.5, "B4", 80},  {0, 3.5, 0.5, "C5", 86},
    {1, 0, 1.5, "A4", 96},  {1, 1.5, 0.5, "G4", 78}, {1, 2, 1, "A4", 88}, {1, 3, 1, "C5", 90},
    {2, 0, 1.5, "G4", 94},  {2, 1.5, 0.5, "E4", 78}, {2, 2, 1, "G4", 86}, {2, 3, 1, "C5", 92},
    {3, 0, 1.5, "D5", 98},  {3, 1.5, 0.5, "B4", 82}, {3, 2, 2, "G4", 88},
    {4, 0, 1, "E5", 104},   {4, 1, 0.5, "E5", 86},   {4, 1.5, 0.5, "D5", 84},
    {4, 2, 1, "E5", 96},    {4, 3, 1, "A5", 104},
    {5, 0, 1.5, "A5", 108}, {5, 1.5, 0.5, "G5", 90}, {5, 2, 1, "F5", 94},
    {5, 3, 0.5, "E5", 84},  {5, 3.5, 0.5, "D5", 82},
    {6, 0, 1.5, "E5", 100}, {6, 1.5, 0.5, "D5", 84}, {6, 2, 1, "C5", 90}, {6, 3, 1, "G4", 84},
    {7, 0, 1, "B4", 92},    {7, 1, 0.5, "C5", 84},   {7, 1.5, 2.5, "D5", 96},
};

// The B section climbs from the top and turns through E major back home.
const std::vector<tone> tune_b = {
    {0, 0, 2, "A5", 100},   {0, 2, 1, "G5", 88},     {0, 3, 1, "F5", 86},
    {1, 0, 1.5, "D5", 94},  {1, 1.5, 0.5, "E5", 80}, {1, 2, 1, "F5", 88}, {1, 3, 1, "G5", 92},
    {2, 0, 3, "E5", 98},    {2, 3, 0.5, "D5", 80},   {2, 3.5, 0.5, "E5", 84},
    {3, 0, 2, "C5", 92},    {3, 2, 2, "A4", 86},
    {4, 0, 1.5, "F5", 100}, {4, 1.5, 0.5, "E5", 84}, {4, 2, 1, "D5", 90}, {4, 3, 1, "A4", 84},
    {5, 0, 1, "B4", 90},    {5, 1, 1, "D5", 94},     {5, 2, 2, "G5", 102},
    {6, 0, 1, "G5", 98},    {6, 1, 1, "E5", 88},     {6, 2, 1, "C5", 86}, {6, 3, 1, "E5", 92},
    {7, 0, 1.5, "B4", 94},  {7, 1.5, 0.5, "G#4", 80}, {7, 2, 1, "B4", 88}, {7, 3, 1, "D5", 96},
};

// The last A: the first three bars of its tune, a step down to the tonic, held.
const std::vector<tone> tune_close = {
    {3, 0, 1.5, "D5", 96}, {3, 1.5, 0.5, "C5", 84}, {3, 2, 2, "B4", 90},
    {4, 0, 6, "A4", 96},
};

void play_tune(smf_track& t, int first_bar, const std::vector<tone>& tune, int bars_used = 99) {
    for (const tone& n : tune) {
        if (n.bar >= bars_used) continue;
        double at = bar_start(first_bar + n.bar) + n.beat;
        t.note(at, n.length, lead_channel, key(n.key), n.velocity);
        // Long notes swell into vibrato with the modulation wheel, and let go at their end.
        if (n.length >= 2.0) {
            int step = 0;
            for (double b = at + 0.5; b < at + n.length - 0.25; b += 0.25)
                t.controller(b, lead_channel, 1, std::min(72, 9 * ++step));
            t.controller(at + n.length, lead_channel, 1, 0);
        }
    }
}

smf_track lead_track() {
    smf_track t("Lead", ticks_per_quarter);
    t.controller(0, lead_channel, 1, 0);
    play_tune(t, 4, tune_a);
    play_tune(t, 12, tune_b);
    play_tune(t, 20, tune_a, 3);
    play_tune(t, 20, tune_close);
    return t;
}

// The note a walking bass steps through into the next root: a half step below when it
// climbs, the scale step above when it falls.
int approach(int root, int next) {
    static const std::set<int> a_minor = {9, 11, 0, 2, 4, 5, 7};
    if (next == root) return root + 7;
    if (next > root) return next - 1;
    int k = next + 1;
    while (!a_minor.count(k % 12)) ++k;
    return k;
}

smf_track bass_track() {
    smf_track t("Bass", ticks_per_quarter);
    for (int bar = 2; bar < 4; ++bar)
        t.note(bar_start(bar), 4, bass_channel, progression[size_t(bar)]->root, 88 + 4 * (bar - 2));
    for (int bar = 4; bar < 24; ++bar) {
        int r = progression[size_t(bar)]->root;
        int next = progression[size_t(bar + 1)]->root;
        double b = bar_start(bar);
        t.note(b, 0.75, bass_channel, r, 110 + wobble(bar));
        t.note(b + 1.5, 0.5, bass_channel, r, 88 + wobble(bar + 1));
        t.note(b + 2, 0.75, bass_channel, r + 7, 96 + wobble(bar + 2));
        t.note(b + 3, 0.5, bass_channel, r + 12, 90 + wobble(bar + 3));
        t.note(b + 3.5, 0.5, bass_channel, approach(r, next), 84 + wobble(bar + 4));
    }
    t.note(bar_start(24), 8, bass_channel, Am.root, 100);
    return t;
}

// Sustained chords; a note both chords share is held across the bar line.
smf_track pad_track() {
    smf_track t("Pad", ticks_per_quarter);
    std::map<int, std::pair<double, int>> held;  // key -> (start, velocity)
    auto velocity = [](int bar) {
        switch (section_of(bar)) {
            case section::intro: return 52 + 4 * bar;
            case section::b: return 70 + wobble(bar);
            case section::close: return 62;
            default: return 64 + wobble(bar);
        }
    };
    for (int bar = 0; bar <= bars; ++bar) {
        std::set<int> now;
        if (bar < bars) now.insert(progression[size_t(bar)]->pad.begin(), progression[size_t(bar)]->pad.end());
        for (auto it = held.begin(); it != held.end();) {
            if (now.count(it->first)) {
                ++it;
                continue;
            }
            t.note(it->second.first, bar_start(bar) - it->second.first, pad_channel, it->first,
                   it->second.second);
            it = held.erase(it);
        }
        for (int k : now)
            if (!held.count(k)) held[k] = {bar_start(bar), velocity(bar)};
    }
    return t;
}

smf_track keys_track() {
    smf_track t("Keys", ticks_per_quarter);
    for (int bar = 0; bar < 24; ++bar) {
        const chord& c = *progression[size_t(bar)];
        double b = bar_start(bar);
        section s = section_of(bar);
        if (s == section::a) {
            // Off-beat stabs, leaning on the "and" of two and four.
            for (int beat = 0; beat < 4; ++beat)
                for (int k : c.keys)
                    t.note(b + beat + 0.5, 0.35, keys_channel, k,
                           74 + (beat % 2 ? 8 : 0) + wobble(bar + beat + k));
        } else {
            // Broken chords in eighths, rising an octave and falling back.
            const std::array<int, 8> arp = {c.pad[0], c.pad[1], c.pad[2], c.pad[0] + 12,
                                            c.pad[1] + 12, c.pad[0] + 12, c.pad[2], c.pad[1]};
            int base = s == section::intro ? 56 + 4 * bar : 70;
            for (int i = 0; i < 8; ++i)
                t.note(b + 0.5 * i, 0.45, keys_channel, arp[size_t(i)],
                       base + (i % 2 ? 0 : 8) + wobble(i + bar));
        }
    }
    for (int k : Am.keys) t.note(bar_start(24), 8, keys_channel, k, 80);
    return t;
}

// Kaveo's Gain spans 66 dB over its range (-54 to +12 dB).
constexpr double gain_range_db = 66.0;

int volume_for(float program_gain, double mix_db) {
    return std::clamp(int(std::lround(127.0 * (program_gain + mix_db / gain_range_db))), 0, 127);
}

smf_track drum_track() {
    smf_track t("Drums", ticks_per_quarter);
    // Each bar restarts the one-bar loop on its downbeat; the last is cut after one beat.
    for (int bar = 4; bar < 24; ++bar)
        t.note(bar_start(bar), 4, drum_channel, loop_key, 100 + wobble(bar));
    t.note(bar_start(24), 1, drum_channel, loop_key, 110);
    const part& drums = parts().back();
    for (const drum_change& d : drum_changes()) {
        t.program(bar_start(d.bar), drum_channel, d.program);
        t.controller(bar_start(d.bar), drum_channel, 7, volume_for(d.program_gain, drums.mix_db));
    }
    return t;
}

smf_track conductor() {
    smf_track t("Kaveo Demo", ticks_per_quarter);
    uint32_t us = 60000000u / bpm;
    t.meta(0, 0x51, {uint8_t(us >> 16), uint8_t(us >> 8), uint8_t(us)});
    t.meta(0, 0x58, {4, 2, 24, 8});  // 4/4, a click per quarter
    t.meta(0, 0x59, {0, 1});         // A minor
    return t;
}

}  // namespace

int part::volume() const { return volume_for(program_gain, mix_db); }

// Drums and bass carry the groove, the tune sits on top, the piano in the middle and the
// pad behind.
const std::vector<part>& parts() {
    static const std::vector<part> all = {
        {"Keys", keys_channel, 0, "Tine Piano", 0.346327f, 0.0},
        {"Bass", bass_channel, 84, "Finger Bass", 0.411479f, 4.5},
        {"Pad", pad_channel, 98, "Warm Pad", 0.696970f, -6.0},
        {"Lead", lead_channel, 82, "Flute Lead", 0.678576f, -3.0},
        {"Drums", drum_channel, 120, "House Loop 120", 0.772727f, 3.0},
    };
    return all;
}

const std::vector<drum_change>& drum_changes() {
    static const std::vector<drum_change> all = {{12, 121, "Funk Loop 120", 0.772727f},
                                                 {20, 120, "House Loop 120", 0.772727f}};
    return all;
}

std::vector<uint8_t> compose() {
    std::vector<smf_track> tracks = {conductor(), keys_track(), bass_track(), pad_track(),
                                     lead_track(), drum_track()};
    // Every part's channel starts with its program and its level, before its first note.
    for (size_t i = 0; i < parts().size(); ++i) {
        tracks[i + 1].program(0, parts()[i].channel, parts()[i].program);
        tracks[i + 1].controller(0, parts()[i].channel, 7, parts()[i].volume());
    }
    return smf_file(tracks, ticks_per_quarter, double(bars * beats_per_bar));
}

}  // namespace demo
