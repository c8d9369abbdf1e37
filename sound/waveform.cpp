#include "sound/waveform.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <utility>

#include "engine/pitch_analysis.h"
#include "engine/resampler.h"
#include "sound/persist_error.h"

namespace {

// Sample values travel as little-endian floats, in pieces so that a long sample needs no
// second copy of itself.
constexpr int32_t piece_frames = 4096;

void write_values(serializer& out, const sample_data& s) {
    unsigned char bytes[piece_frames * 4];
    int32_t total = std::max<int32_t>(s.frames, 0);
    for (int32_t done = 0; done < total;) {
        int32_t n = std::min(piece_frames, total - done);
        for (int32_t i = 0; i < n; ++i) {
            size_t at = size_t(done + i);
            float v = at < s.data.size() ? s.data[at] : 0.0f;  // never past the data held
            stream_bytes::encode_u32(stream_bytes::float_bits(v), bytes + 4 * i);
        }
        out.put_chunk(bytes, n * 4);
        done += n;
    }
}

void read_values(deserializer& in, sample_data& s, const char* failure) {
    in.check_count(s.frames, 4, failure);
    s.data.assign(size_t(s.frames), 0.0f);
    for (int32_t done = 0; done < s.frames;) {
        int32_t n = std::min(piece_frames, s.frames - done);
        float* at = s.data.data() + done;
        in.get_chunk(at, n * 4);
        if constexpr (std::endian::native != std::endian::little) {
            for (int32_t i = 0; i < n; ++i) {
                unsigned char b[4];
                std::memcpy(b, at + i, 4);
                at[i] = stream_bytes::bits_float(stream_bytes::decode_u32(b));
            }
        }
        done += n;
    }
}

// frames, rate, xpose, finetune: the head every slot layout shares.
sample_data read_slot_head(deserializer& in) {
    sample_data s;
    int32_t frames = in.get_long();
    int32_t rate = in.get_long();
    int32_t xpose = in.get_long();
    int32_t finetune = in.get_long();
    if (frames < 0) throw persist_error("waveform::deserialize - negative frame count");
    s.frames = frames;
    s.rate = rate;
    // Values outside the controls' ranges are not errors; the field stays 0.
    if (xpose >= -24 && xpose <= 24) s.xpose = xpose;
    if (finetune >= 0 && finetune <= 100) s.finetune = finetune;
    return s;
}

sample_data read_slot(deserializer& in, std::string& name) {
    sample_data s = read_slot_head(in);
    read_values(in, s, "get_float failed");
    int32_t entries = in.get_long();
    if (entries < 0) throw persist_error("waveform::deserialize - negative period count");
    in.check_count(entries, 20, "get_long failed");
    s.period_map.resize(size_t(entries));
    for (period_entry& e : s.period_map) {
        e.position = in.get_long();
        e.period = in.get_double();
        e.confidence = in.get_double();
    }
    int32_t marks = in.get_long();
    if (marks < 0) throw persist_error("waveform::deserialize - negative pitch mark count");
    in.check_count(marks, 8, "get_double failed");
    s.pitch_marks.resize(size_t(marks));
    for (double& z : s.pitch_marks) z = in.get_double();
    name = in.get_string();
    return s;
}

sample_data read_slot_0x200(deserializer& in, std::string& name) {
    sample_data s = read_slot_head(in);
    read_values(in, s, "get_chunk failed");
    name = in.get_string();
    analyze_pitch(s);
    return s;
}

void write_slot(serializer& out, const sample_data& s, const std::string& name) {
    out.put_long(std::max<int32_t>(s.frames, 0));
    out.put_long(s.rate);
    out.put_long(s.xpose);
    out.put_long(s.finetune);
    write_values(out, s);
    out.put_long(int32_t(s.period_map.size()));
    for (const period_entry& e : s.period_map) {
        out.put_long(e.position);
        out.put_double(e.period);
        out.put_double(e.confidence);
    }
    out.put_long(int32_t(s.pitch_marks.size()));
    for (double z : s.pitch_marks) out.put_double(z);
    out.put_string(name);
}

template <typename slot_reader>
void read_waveform(waveform& w, deserializer& in, slot_reader read) {
    waveform fresh;
    for (int s = 0; s < waveform::slots; ++s) fresh.samples[size_t(s)] = read(in, fresh.names[size_t(s)]);
    for (int32_t& k : fresh.keymap) k = in.get_long();
    w.take_stored(std::move(fresh));
}

int32_t clamp_to_int32(double v) {
    if (!(v > double(INT32_MIN))) return INT32_MIN;
    if (v >= double(INT32_MAX)) return INT32_MAX;
    return int32_t(v);
}

}  // namespace

waveform::waveform() { names.fill("(empty)"); }

void waveform::serialize(serializer& out) const {
    for (int s = 0; s < slots; ++s) write_slot(out, samples[size_t(s)], names[size_t(s)]);
    for (int32_t k : keymap) out.put_long(k);
}

void waveform::deserialize(deserializer& in) { read_waveform(*this, in, read_slot); }

void waveform::deserialize_0x200(deserializer& in) { read_waveform(*this, in, read_slot_0x200); }

void waveform::take_stored(waveform&& other) {
    samples = std::move(other.samples);
    names = std::move(other.names);
    keymap = other.keymap;
}

void waveform::resample(int slot) {
    if (!valid_slot(slot)) return;
    play_samples[size_t(slot)] = play_sample(samples[size_t(slot)], play_rate);
}

sample_data waveform::play_sample(const sample_data& stored, double play_rate) {
    int32_t target = clamp_to_int32(std::trunc(play_rate));
    if (target == stored.rate) return stored;
    sample_data play = resampler::shared().resample(stored, target);
    play.xpose = stored.xpose;
    play.finetune = stored.finetune;
    // The analysis moves with the sample: positions, periods and marks in play frames.
    if (play.frames > 0 && stored.rate > 0) {
        double x = play_rate / double(stored.rate);
        play.period_map.reserve(stored.period_map.size());
        for (const period_entry& e : stored.period_map)
            play.period_map.push_back({clamp_to_int32(std::trunc(x * e.position)), x * e.period, e.confidence});
        play.pitch_marks.reserve(stored.pitch_marks.size());
        for (double z : stored.pitch_marks) play.pitch_marks.push_back(x * z);
    }
    return play;
}

void waveform::set_play_rate(double rate) {
    play_rate = rate;
    for (int s = 0; s < slots; ++s) resample(s);
}

bool waveform::set_sample(int slot, sample_data sample) {
    if (!valid_slot(slot)) return false;
    samples[size_t(slot)] = std::move(sample);
    resample(slot);
    return true;
}

bool waveform::set_slot_name(int slot, std::string name) {
    if (!valid_slot(slot)) return false;
    names[size_t(slot)] = std::move(name);
    return true;
}

const std::string& waveform::slot_name(int slot) const {
    static const std::string none;
    return valid_slot(slot) ? names[size_t(slot)] : none;
}

// ---- wavetable

void wavetable::serialize(serializer& out) const {
    for (size_t w = 0; w < waves.size(); ++w) {
        out.put_string(names[w]);
        waves[w].serialize(out);
    }
}

void wavetable::deserialize(deserializer& in) {
    wavetable fresh;
    for (size_t w = 0; w < waves.size(); ++w) {
        fresh.names[w] = in.get_string();
        fresh.waves[w].deserialize(in);
    }
    names = std::move(fresh.names);
    for (size_t w = 0; w < waves.size(); ++w) waves[w].take_stored(std::move(fresh.waves[w]));
}

bool wavetable::set_sample(int wave, int slot, sample_data sample) {
    if (wave < 0 || wave >= int(waves.size())) return false;
    return waves[size_t(wave)].set_sample(slot, std::move(sample));
}

bool wavetable::set_slot_name(int wave, int slot, std::string name) {
    if (wave < 0 || wave >= int(waves.size())) return false;
    return waves[size_t(wave)].set_slot_name(slot, std::move(name));
}

void wavetable::set_play_rate(double rate) {
    for (waveform& w : waves) w.set_play_rate(rate);
}
