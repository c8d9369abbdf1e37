#include "host/note_list.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <stdexcept>

namespace host {

namespace {

struct note {
    int key = 60;
    double start = 0.0, length = 0.0;  // seconds
    int velocity = 100;
};

std::vector<std::string> split(const std::string& text, const char* separators) {
    std::vector<std::string> parts;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t next = text.find_first_of(separators, pos);
        if (next == std::string::npos) next = text.size();
        parts.push_back(text.substr(pos, next - pos));
        pos = next + 1;
    }
    return parts;
}

bool whole_number(const std::string& s, int& out) {
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size();
}

int key_of(const std::string& s) {
    int key = -1;
    if (whole_number(s, key)) return key >= 0 && key <= 127 ? key : -1;
    static const int semitone[] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    if (s.empty()) return -1;
    char letter = char(std::toupper(static_cast<unsigned char>(s[0])));
    if (letter < 'A' || letter > 'G') return -1;
    key = semitone[letter - 'A'];
    size_t i = 1;
    if (i < s.size() && (s[i] == '#' || s[i] == 'b')) key += s[i++] == '#' ? 1 : -1;
    int octave = 0;
    if (!whole_number(s.substr(i), octave) || octave < -1 || octave > 9) return -1;
    key += 12 * (octave + 1);
    return key >= 0 && key <= 127 ? key : -1;
}

// Seconds from "1.5" (beats) or "0.75s" (seconds); negative when the text is no time.
double seconds_of(std::string s, double bpm) {
    bool in_seconds = !s.empty() && s.back() == 's';
    if (in_seconds) s.pop_back();
    double v = 0.0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v) ||
        v < 0.0 || v > 1e6)
        return -1.0;
    return in_seconds ? v : v * 60.0 / bpm;
}

}  // namespace

midi_song parse_note_list(const std::string& text, double bpm) {
    if (!(bpm >= 1.0 && bpm <= 1000.0))
        throw std::runtime_error("tempo must be between 1 and 1000 bpm");
    std::vector<note> notes;
    int index = 0;
    for (const std::string& entry : split(text, ", \t\n")) {
        if (entry.empty()) continue;
        ++index;
        auto bad = [&](const std::string& why) {
            return std::runtime_error("note list: entry " + std::to_string(index) + " \"" +
                                      entry + "\": " + why);
        };
        std::vector<std::string> f = split(entry, ":");
        if (f.size() < 3 || f.size() > 4) throw bad("expected KEY:START:LENGTH[:VELOCITY]");
        note n;
        n.key = key_of(f[0]);
        if (n.key < 0) throw bad("key must be 0-127 or a name such as C4, F#3, Bb2");
        n.start = seconds_of(f[1], bpm);
        if (n.start < 0) throw bad("start must be a number of beats, or of seconds ending in s");
        n.length = seconds_of(f[2], bpm);
        if (!(n.length > 0))
            throw bad("length must be a positive number of beats, or of seconds ending in s");
        if (f.size() == 4 && (!whole_number(f[3], n.velocity) || n.velocity < 1 || n.velocity > 127))
            throw bad("velocity must be 1-127");
        notes.push_back(n);
    }
    if (notes.empty()) throw std::runtime_error("note list: no notes");

    midi_song song;
    song.tempo_map[0].bpm = bpm;
    struct timed {
        double seconds;
        bool on;
        midi_message m;
    };
    std::vector<timed> events;
    for (const note& n : notes) {
        midi_message on;
        on.bytes[0] = 0x90;
        on.bytes[1] = uint8_t(n.key);
        on.bytes[2] = uint8_t(n.velocity);
        on.size = 3;
        midi_message off = on;
        off.bytes[0] = 0x80;
        off.bytes[2] = 64;
        events.push_back({n.start, true, on});
        events.push_back({n.start + n.length, false, off});
    }
    // A note that ends where the next one of the same key starts must end first.
    std::stable_sort(events.begin(), events.end(), [](const timed& a, const timed& b) {
        return a.seconds < b.seconds || (a.seconds == b.seconds && !a.on && b.on);
    });
    for (timed& e : events) {
        e.m.seconds = e.seconds;
        e.m.beats = song.beats_at(e.seconds);
        song.messages.push_back(e.m);
    }
    song.end_seconds = song.messages.back().seconds;
    return song;
}

}  // namespace host
