#include "tools/demo_song/smf_writer.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace demo {

namespace {

void check(bool ok, const char* what) {
    if (!ok) throw std::invalid_argument(std::string("smf_track: ") + what);
}

void put_be32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(uint8_t(v >> shift));
}

enum rank { meta_rank, program_rank, controller_rank, note_off_rank, note_on_rank };

}  // namespace

std::vector<uint8_t> vlq(uint32_t value) {
    check(value < (1u << 28), "value too large for a variable-length quantity");
    std::vector<uint8_t> out{uint8_t(value & 0x7F)};
    while (value >>= 7) out.insert(out.begin(), uint8_t(0x80 | (value & 0x7F)));
    return out;
}

smf_track::smf_track(std::string name, int ticks_per_quarter) : division(ticks_per_quarter) {
    check(division > 0 && division < 0x8000, "ticks per quarter note out of range");
    meta(0.0, 0x03, std::vector<uint8_t>(name.begin(), name.end()));
}

uint32_t smf_track::tick_at(double beat) const {
    check(std::isfinite(beat) && beat >= 0.0 && beat < 1e6, "time out of range");
    return uint32_t(std::lround(beat * division));
}

void smf_track::add(double beat, int rank, std::vector<uint8_t> bytes) {
    events.push_back({tick_at(beat), rank, std::move(bytes)});
}

void smf_track::note(double beat, double length, int channel, int key, int velocity) {
    check(channel >= 0 && channel < 16, "channel out of range");
    check(key >= 0 && key < 128, "key out of range");
    check(velocity > 0 && velocity < 128, "velocity out of range");
    check(length > 0.0 && tick_at(beat + length) > tick_at(beat), "note without length");
    add(beat, note_on_rank, {uint8_t(0x90 | channel), uint8_t(key), uint8_t(velocity)});
    add(beat + length, note_off_rank, {uint8_t(0x80 | channel), uint8_t(key), 64});
}

void smf_track::program(double beat, int channel, int number) {
    check(channel >= 0 && channel < 16, "channel out of range");
    check(number >= 0 && number < 128, "program out of range");
    add(beat, program_rank, {uint8_t(0xC0 | channel), uint8_t(number)});
}

void smf_track::controller(double beat, int channel, int number, int value) {
    check(channel >= 0 && channel < 16, "channel out of range");
    check(number >= 0 && number < 120 && value >= 0 && value < 128, "controller out of range");
    add(beat, controller_rank, {uint8_t(0xB0 | channel), uint8_t(number), uint8_t(value)});
}

void smf_track::meta(double beat, uint8_t type, std::vector<uint8_t> data) {
    check(type < 0x80 && type != 0x2F, "meta type out of range (the end is written by chunk)");
    std::vector<uint8_t> bytes{0xFF, type};
    std::vector<uint8_t> length = vlq(uint32_t(data.size()));
    bytes.insert(bytes.end(), length.begin(), length.end());
    bytes.insert(bytes.end(), data.begin(), data.end());
    add(beat, meta_rank, std::move(bytes));
}

std::vector<uint8_t> smf_track::chunk(double end_beat) const {
    std::vector<event> sorted = events;
    std::stable_sort(sorted.begin(), sorted.end(), [](const event& a, const event& b) {
        return a.tick < b.tick || (a.tick == b.tick && a.rank < b.rank);
    });
    std::vector<uint8_t> body;
    uint32_t now = 0;
    for (const event& e : sorted) {
        std::vector<uint8_t> delta = vlq(e.tick - now);
        body.insert(body.end(), delta.begin(), delta.end());
        body.insert(body.end(), e.bytes.begin(), e.bytes.end());
        now = e.tick;
    }
    uint32_t end = std::max(now, tick_at(end_beat));
    std::vector<uint8_t> delta = vlq(end - now);
    body.insert(body.end(), delta.begin(), delta.end());
    body.insert(body.end(), {0xFF, 0x2F, 0x00});

    std::vector<uint8_t> out{'M', 'T', 'r', 'k'};
    put_be32(out, uint32_t(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

std::vector<uint8_t> smf_file(const std::vector<smf_track>& tracks, int ticks_per_quarter,
                              double end_beat) {
    check(!tracks.empty() && tracks.size() < 0x10000, "track count out of range");
    std::vector<uint8_t> out{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1,
                             uint8_t(tracks.size() >> 8), uint8_t(tracks.size()),
                             uint8_t(ticks_per_quarter >> 8), uint8_t(ticks_per_quarter)};
    for (const smf_track& t : tracks) {
        std::vector<uint8_t> c = t.chunk(end_beat);
        out.insert(out.end(), c.begin(), c.end());
    }
    return out;
}

}  // namespace demo
