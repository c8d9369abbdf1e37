// Writes audio into a RIFF/WAVE file: 16-bit or 24-bit integer PCM, or 32-bit float.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace host {

enum class sample_format { pcm16, pcm24, float32 };

// "16", "24", "float" (also "32", "f32", "pcm16", "pcm24"); false for anything else.
bool parse_sample_format(const std::string& text, sample_format& out);
const char* format_name(sample_format f);
int bytes_per_sample(sample_format f);

// The header a file of `frames` frames starts with: RIFF, fmt (and fact for float), data.
std::vector<uint8_t> wav_header(uint32_t sample_rate, int channels, sample_format format,
                                uint64_t frames);

// The largest number of frames a WAV file (sizes held in 32 bits) can hold.
uint64_t wav_max_frames(int channels, sample_format format);

// Writes into a temporary file beside `path` and renames it to `path` in finish(), so a
// failed render never leaves half a file or destroys an older one. Failures throw
// std::runtime_error.
class wav_writer {
public:
    wav_writer(const std::string& path, uint32_t sample_rate, int channels, sample_format format);
    ~wav_writer();  // removes the temporary file unless finish() succeeded
    wav_writer(const wav_writer&) = delete;
    wav_writer& operator=(const wav_writer&) = delete;

    // Appends `frames` frames from one buffer per channel. Integer formats clip to full
    // scale (counted in clipped()); NaN is written as silence.
    void write(const float* const* channels, size_t frames);
    void finish();  // completes the header, flushes to disk and renames into place

    uint64_t frames() const { return written; }
    uint64_t clipped() const { return clipped_samples; }

private:
    std::string path, temp_path;
    std::FILE* file = nullptr;
    uint32_t rate;
    int channels;
    sample_format format;
    uint64_t written = 0;
    uint64_t clipped_samples = 0;
    std::vector<uint8_t> bytes;  // one block converted
};

}  // namespace host
