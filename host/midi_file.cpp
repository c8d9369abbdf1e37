#include "host/midi_file.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace host {

namespace {

[[noreturn]] void fail(const std::string& what) { throw std::runtime_error("MIDI file: " + what); }

std::string hex(unsigned v) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", v & 0xFF);
    return text;
}

// An event of one track before the tracks are merged and ticks become time.
struct raw_event {
    enum type_t { channel, tempo, signature } type = channel;
    uint64_t tick = 0;
    int track = 0;
    uint8_t bytes[3] = {0, 0, 0};
    uint8_t size = 0;
    double us_per_quarter = 0.0;
    int numerator = 4, denominator = 4;
};

struct track_reader {
    const uint8_t* data;  // the whole file, so messages give file offsets
    size_t pos, end;
    int track;  // counted from 1 in messages

    [[noreturn]] void fail_here(const std::string& what) const {
        fail("track " + std::to_string(track) + ", byte " + std::to_string(pos) + ": " + what);
    }
    void need(size_t n, const char* what) const {
        if (end - pos < n) fail_here(std::string("truncated ") + what);
    }
    uint8_t byte(const char* what) {
        need(1, what);
        return data[pos++];
    }
    // A variable-length number: seven bits a byte, at most four bytes.
    uint32_t number(const char* what) {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            uint8_t b = byte(what);
            v = (v << 7) | (b & 0x7F);
            if (!(b & 0x80)) return v;
        }
        fail_here(std::string(what) + " longer than four bytes");
    }

    // Appends the track's events; answers the tick at which the track ends.
    uint64_t read(std::vector<raw_event>& out, std::vector<std::string>& warnings) {
        uint64_t tick = 0;
        uint8_t running = 0;
        while (pos < end) {
            tick += number("delta time");
            uint8_t b = byte("event");
            if (b == 0xFF) {
                uint8_t type = byte("meta event");
                uint32_t length = number("meta event length");
                need(length, "meta event");
                const uint8_t* body = data + pos;
                pos += length;
                if (type == 0x2F) {
                    if (pos < end)
                        warnings.push_back("track " + std::to_string(track) + ": " +
                                           std::to_string(end - pos) +
                                           " bytes after the end-of-track event ignored");
                    return tick;
                }
                meta(type, body, length, tick, out, warnings);
            } else if (b == 0xF0 || b == 0xF7) {
                uint32_t length = number("sysex length");
                need(length, "sysex event");
                pos += length;  // not played
            } else if (b > 0xF0) {
                --pos;
                fail_here("unexpected status byte " + hex(b));
            } else {
                raw_event e;
                e.tick = tick;
                e.track = track;
                if (b & 0x80) {
                    running = b;
                } else {
                    // Running status. Meta and sysex events do not cancel it here: a valid
                    // file never relies on that, and some writers do.
                    --pos;
                    if (!running) fail_here("data byte " + hex(b) + " without a status");
                }
                e.bytes[0] = running;
                int kind = running & 0xF0;
                e.size = (kind == 0xC0 || kind == 0xD0) ? 2 : 3;
                for (int i = 1; i < e.size; ++i) {
                    e.bytes[i] = byte("channel message");
                    if (e.bytes[i] & 0x80) {
                        --pos;
                        fail_here("data byte " + hex(e.bytes[i]) + " out of range");
                    }
                }
                out.push_back(e);
            }
        }
        warnings.push_back("track " + std::to_string(track) + " has no end-of-track event");
        return tick;
    }

    void meta(uint8_t type, const uint8_t* body, uint32_t length, uint64_t tick,
              std::vector<raw_event>& out, std::vector<std::string>& warnings) const {
        std::string where = "track " + std::to_string(track) + ": ";
        raw_event e;
        e.tick = tick;
        e.track = track;
        if (type == 0x51) {
            uint32_t us = length == 3 ? (uint32_t(body[0]) << 16) | (body[1] << 8) | body[2] : 0;
            if (us == 0) {
                warnings.push_back(where + "invalid tempo event skipped");
                return;
            }
            e.type = raw_event::tempo;
            e.us_per_quarter = us;
            out.push_back(e);
        } else if (type == 0x58) {
            if (length < 2 || body[0] == 0 || body[1] > 6) {
                warnings.push_back(where + "invalid time signature skipped");
                return;
            }
            e.type = raw_event::signature;
            e.numerator = body[0];
            e.denominator = 1 << body[1];
            out.push_back(e);
        }
        // Texts, key signatures, markers and the like do not change the sound.
    }
};

uint32_t be32(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}
unsigned be16(const uint8_t* p) { return (unsigned(p[0]) << 8) | p[1]; }

bool printable_id(const uint8_t* p) {
    for (int i = 0; i < 4; ++i)
        if (p[i] < 0x20 || p[i] > 0x7E) return false;
    return true;
}

}  // namespace

midi_song::midi_song() : tempo_map{tempo_point{}}, signatures{signature_point{}} {}

double midi_song::beats_at(double seconds) const {
    auto it = std::upper_bound(tempo_map.begin() + 1, tempo_map.end(), seconds,
                               [](double s, const tempo_point& t) { return s < t.seconds; });
    const tempo_point& t = *(it - 1);
    return t.beats + (seconds - t.seconds) * t.bpm / 60.0;
}

double midi_song::seconds_at_beats(double beats) const {
    auto it = std::upper_bound(tempo_map.begin() + 1, tempo_map.end(), beats,
                               [](double b, const tempo_point& t) { return b < t.beats; });
    const tempo_point& t = *(it - 1);
    return t.seconds + (beats - t.beats) * 60.0 / t.bpm;
}

song_position midi_song::position_at(double seconds) const {
    song_position p;
    auto tempo = std::upper_bound(tempo_map.begin() + 1, tempo_map.end(), seconds,
                                  [](double s, const tempo_point& t) { return s < t.seconds; });
    p.bpm = (tempo - 1)->bpm;
    p.beats = (tempo - 1)->beats + (seconds - (tempo - 1)->seconds) * p.bpm / 60.0;
    // Positions computed from seconds land a hair before a bar line; do not let that
    // move them into the previous bar.
    const double slack = 1e-9;
    auto sig = std::upper_bound(signatures.begin() + 1, signatures.end(), p.beats + slack,
                                [](double b, const signature_point& s) { return b < s.beats; });
    const signature_point& s = *(sig - 1);
    p.numerator = s.numerator;
    p.denominator = s.denominator;
    double bar = 4.0 * s.numerator / s.denominator;
    p.bar_start_beats = s.beats + std::floor((p.beats - s.beats) / bar + slack) * bar;
    return p;
}

int64_t frame_at(double seconds, double sample_rate) {
    return int64_t(std::llround(seconds * sample_rate));
}

midi_song parse_midi(const uint8_t* data, size_t size) {
    if (size < 14 || std::memcmp(data, "MThd", 4) != 0)
        fail("not a standard MIDI file (no MThd header)");
    uint32_t header_length = be32(data + 4);
    if (header_length < 6) fail("header chunk too short");
    if (header_length > size - 8) fail("header chunk longer than the file");
    unsigned format = be16(data + 8), tracks = be16(data + 10), division = be16(data + 12);
    if (format == 2) fail("format 2 (independent sequences) is not supported");
    if (format > 2) fail("unknown format " + std::to_string(format));
    if (tracks == 0) fail("no tracks");

    double ticks_per_quarter = 0.0, ticks_per_second = 0.0;
    if (division & 0x8000) {
        int fps = -int(int8_t(division >> 8));
        int per_frame = division & 0xFF;
        if ((fps != 24 && fps != 25 && fps != 29 && fps != 30) || per_frame == 0)
            fail("invalid SMPTE time division " + std::to_string(division));
        ticks_per_second = (fps == 29 ? 29.97 : fps) * per_frame;
    } else {
        if (division == 0) fail("time division is zero");
        ticks_per_quarter = division;
    }

    midi_song song;
    std::vector<raw_event> events;
    uint64_t end_tick = 0;
    size_t pos = 8 + size_t(header_length);  // a longer header carries fields we skip
    unsigned found = 0;
    while (found < tracks) {
        if (size - pos < 8)
            fail("the file ends after " + std::to_string(found) + " of " +
                 std::to_string(tracks) + " tracks");
        uint32_t length = be32(data + pos + 4);
        if (!printable_id(data + pos))
            fail("no chunk header at byte " + std::to_string(pos) +
                 " (is a chunk length before it wrong?)");
        bool is_track = std::memcmp(data + pos, "MTrk", 4) == 0;
        if (length > size - pos - 8)
            fail(std::string(is_track ? "track " + std::to_string(found + 1) : "chunk") +
                 " at byte " + std::to_string(pos) + " is truncated: it claims " +
                 std::to_string(length) + " bytes, " + std::to_string(size - pos - 8) +
                 " remain");
        pos += 8;
        if (is_track) {
            track_reader r{data, pos, pos + length, int(++found)};
            end_tick = std::max(end_tick, r.read(events, song.warnings));
        }
        pos += length;  // other chunk types are skipped, as readers must
    }
    if (format == 0 && tracks > 1) song.warnings.push_back("format 0 file with several tracks");

    std::stable_sort(events.begin(), events.end(),
                     [](const raw_event& a, const raw_event& b) { return a.tick < b.tick; });

    // Tempo first: every other time depends on it.
    for (const raw_event& e : events) {
        if (e.type != raw_event::tempo) continue;
        tempo_point t;
        t.bpm = 60e6 / e.us_per_quarter;
        const tempo_point& last = song.tempo_map.back();
        if (ticks_per_quarter > 0) {
            t.beats = double(e.tick) / ticks_per_quarter;
            t.seconds = last.seconds + (t.beats - last.beats) * 60.0 / last.bpm;
        } else {
            t.seconds = double(e.tick) / ticks_per_second;
            t.beats = last.beats + (t.seconds - last.seconds) * last.bpm / 60.0;
        }
        if (t.seconds == last.seconds)
            song.tempo_map.back().bpm = t.bpm;  // the later of two at one moment holds
        else
            song.tempo_map.push_back(t);
    }
    auto seconds_of = [&](uint64_t tick) {
        return ticks_per_quarter > 0 ? song.seconds_at_beats(double(tick) / ticks_per_quarter)
                                     : double(tick) / ticks_per_second;
    };
    for (const raw_event& e : events) {
        double seconds = seconds_of(e.tick);
        double beats = ticks_per_quarter > 0 ? double(e.tick) / ticks_per_quarter
                                             : song.beats_at(seconds);
        if (e.type == raw_event::signature) {
            signature_point s{beats, e.numerator, e.denominator};
            if (s.beats == song.signatures.back().beats)
                song.signatures.back() = s;
            else
                song.signatures.push_back(s);
        } else if (e.type == raw_event::channel) {
            midi_message m;
            m.seconds = seconds;
            m.beats = beats;
            std::memcpy(m.bytes, e.bytes, sizeof m.bytes);
            m.size = e.size;
            m.track = e.track;
            song.messages.push_back(m);
        }
    }
    song.end_seconds = seconds_of(end_tick);
    if (!song.messages.empty())
        song.end_seconds = std::max(song.end_seconds, song.messages.back().seconds);
    return song;
}

midi_song read_midi_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot open " + path + ": " + std::strerror(errno));
    in.seekg(0, std::ios::end);
    std::streamoff length = in.tellg();
    in.seekg(0);
    // Songs are small; a huge file is not a MIDI file and must not be read into memory.
    if (length < 0 || length > (64 << 20))
        throw std::runtime_error(path + " is too large to be a MIDI file");
    std::vector<uint8_t> bytes(static_cast<size_t>(length));
    if (!in.read(reinterpret_cast<char*>(bytes.data()), length))
        throw std::runtime_error("cannot read " + path);
    try {
        return parse_midi(bytes.data(), bytes.size());
    } catch (const std::runtime_error& e) {
        throw std::runtime_error(path + ": " + e.what());
    }
}

}  // namespace host
