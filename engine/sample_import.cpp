#include "engine/sample_import.h"

#include <exception>
#include <memory>

#include "engine/aiff_reader.h"
#include "engine/wav_reader.h"

namespace sample_import {

namespace {

// The record of a default program around one slot: what every record holds besides it.
constexpr int64_t default_record_bytes = 1959;
constexpr int64_t empty_slot_bytes = 35;  // an empty sample named "(empty)"

int64_t string_bytes(const std::string& s) { return 4 + int64_t(s.size()); }

}  // namespace

const char* message(outcome o) {
    switch (o) {
        case outcome::not_recognized: return "The file format was not recognized.";
        case outcome::unsupported_width:
            return "The file's sample format is not supported: WAV and AIFF files of 8, 16, 24 or 32 bits "
                   "(or 32-bit float WAV) are.";
        case outcome::no_frames: return "The file holds no sample frames.";
        case outcome::too_long: return "The sample is too long to be stored in a program.";
        case outcome::failed: return "The sample could not be loaded.";
        case outcome::imported:
        case outcome::cancelled: break;
    }
    return "";
}

int64_t slot_record_bytes(const sample_data& s, const std::string& name) {
    const int64_t frames = s.frames > 0 ? s.frames : 0;
    return 16 + 4 * frames + 4 + 20 * int64_t(s.period_map.size()) + 4 + 8 * int64_t(s.pitch_marks.size()) +
           string_bytes(name);
}

int64_t record_bytes_with(const program& p, int wave, int slot, const sample_data& sample, const std::string& name) {
    int64_t n = 4 + string_bytes(p.name);
    for (int w = 0; w < 2; ++w) {
        const waveform& set = p.waves.waves[size_t(w)];
        n += string_bytes(p.waves.names[size_t(w)]) + 4 * waveform::keys;
        for (int s = 0; s < waveform::slots; ++s)
            n += w == wave && s == slot ? slot_record_bytes(sample, name)
                                        : slot_record_bytes(set.samples[size_t(s)], set.names[size_t(s)]);
    }
    return n + 4 + 4 * NUM_PARAMS;
}

bool recognizes(const std::filesystem::path& file) {
    wav_reader wav(file);
    if (!wav.parse_failed() || wav.error()) return true;
    aiff_reader aiff(file);
    return !aiff.parse_failed() || aiff.error();
}

outcome read_file(const std::filesystem::path& file, sample_data& sample) {
    try {
        // The WAV reader first, then the AIFF reader. A file one of them knows but cannot
        // decode says so, rather than that it is no sample file.
        bool width_error = false;
        std::unique_ptr<sample_reader> reader = std::make_unique<wav_reader>(file);
        if (reader->parse_failed()) {
            width_error = reader->error();
            reader = std::make_unique<aiff_reader>(file);
            width_error = width_error || reader->error();
        }
        if (reader->parse_failed()) return width_error ? outcome::unsupported_width : outcome::not_recognized;
        if (reader->error()) return outcome::unsupported_width;
        const int64_t frames = reader->frame_count();
        if (frames <= 0) return outcome::no_frames;
        // Before reading: the values alone would overflow a record.
        if (4 * frames > max_record_bytes - default_record_bytes) return outcome::too_long;
        sample_data s = sample_from_reader(*reader);
        if (reader->error()) return outcome::unsupported_width;
        sample = std::move(s);
        return outcome::imported;
    } catch (...) {
        return outcome::failed;  // a sample too big for this machine's memory
    }
}

outcome analyse(sample_data& sample, const progress_sink& progress, const std::atomic<bool>* stop) {
    auto stopping = [stop] { return stop && stop->load(std::memory_order_relaxed); };
    try {
        if (stopping()) return outcome::cancelled;
        analyze_pitch(sample, progress, autocorrelator::method::automatic, stop);
    } catch (...) {
        return outcome::failed;
    }
    if (stopping()) return outcome::cancelled;
    // The pitch marks count too: a noisy sample has nearly one for every other frame.
    if (default_record_bytes - empty_slot_bytes + slot_record_bytes(sample, "") > max_record_bytes)
        return outcome::too_long;
    return outcome::imported;
}

outcome import_file(const std::filesystem::path& file, sample_data& sample) {
    outcome o = read_file(file, sample);
    return o == outcome::imported ? analyse(sample) : o;
}

}  // namespace sample_import
