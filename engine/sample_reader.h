// Readers of imported sample files. A reader parses the header when it is made; check
// parse_failed() before using it. read() then delivers the first channel as floats in
// -1..1, continuing where the previous read stopped.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "sound/sample_data.h"

class sample_reader {
public:
    virtual ~sample_reader();
    sample_reader(const sample_reader&) = delete;
    sample_reader& operator=(const sample_reader&) = delete;

    // The file could not be opened, is not of this reader's format, or its header is
    // unusable (no channels, a width this reader cannot decode, a bad sample rate).
    bool parse_failed() const { return parse_failure; }
    // The sample width is not one this reader decodes; read() then delivers nothing.
    virtual bool error() const { return width_error; }
    virtual int32_t frame_count() const { return frames; }
    virtual int32_t sample_rate() const { return rate; }
    // Fills n floats; frames past the end of the data are 0.
    virtual void read(float* buffer, int32_t n);
    // The data are IEEE floats (WAV format 3).
    virtual bool is_float() const { return format_tag == 3; }

    int channel_count() const { return channels; }
    int bytes_per_sample() const { return sample_bytes; }

protected:
    explicit sample_reader(const std::filesystem::path& path);

    // One sample of the first channel of a frame, as a float.
    virtual float decode(const unsigned char* sample) const = 0;

    // Frames held by the bytes from the data start to the end of the file (or of the
    // data chunk, when it says less): never more than the file can hold.
    void limit_frames(int64_t declared_frames, int64_t data_bytes);
    bool read_exact(void* to, size_t n);
    bool read_at(int64_t offset, void* to, size_t n) { return seek(offset) && read_exact(to, n); }
    bool seek(int64_t offset);
    // Where the chunk after one whose body starts at `body` with `size` bytes begins.
    // Chunks of odd size are followed by a pad byte; some writers leave it out. The padded
    // place is taken when a chunk stands there whose size fits the file (it ends the file
    // or another chunk follows it), else the place without the pad when one does there;
    // only when neither fits does a chunk id alone decide (a streamed "data" chunk may
    // claim more than the file holds).
    int64_t next_chunk(int64_t body, uint32_t size);
    static bool is_chunk_id(const unsigned char* id);
    // A chunk header at `at`: an id and a size in the file's byte order.
    enum class header_fit { none, id_only, fits };
    header_fit header_at(int64_t at);
    bool big_endian = false;

    std::FILE* file = nullptr;
    int64_t file_size = 0;
    bool parse_failure = true;
    bool width_error = false;
    int format_tag = 1;
    int channels = 0;
    int32_t rate = 0;
    int32_t frames = 0;
    int sample_bytes = 0;   // bytes of one channel's sample
    int frame_bytes = 0;    // bytes of one frame (all channels)
    int64_t data_offset = 0;
    int32_t frames_read = 0;
};

// Opens a sample file: WAV first, else AIFF; nullptr when neither recognises it.
std::unique_ptr<sample_reader> open_sample_file(const std::filesystem::path& path);

// A new sample from a reader: its rate and frame count, every frame read, xpose and
// finetune 0, no analysis yet.
sample_data sample_from_reader(sample_reader& reader);
