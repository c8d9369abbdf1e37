#include "host/wav_writer.h"

#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace host {

static_assert(std::endian::native == std::endian::little, "WAV data is little-endian");

namespace {

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}
void put_id(std::vector<uint8_t>& out, const char* id) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(id[i]));
}

size_t header_size(sample_format f) { return f == sample_format::float32 ? 58 : 44; }

std::runtime_error io_error(const std::string& what, const std::string& path) {
    return std::runtime_error(what + " " + path + ": " + std::strerror(errno));
}

}  // namespace

bool parse_sample_format(const std::string& text, sample_format& out) {
    if (text == "16" || text == "pcm16") {
        out = sample_format::pcm16;
    } else if (text == "24" || text == "pcm24") {
        out = sample_format::pcm24;
    } else if (text == "float" || text == "32" || text == "f32" || text == "float32") {
        out = sample_format::float32;
    } else {
        return false;
    }
    return true;
}

const char* format_name(sample_format f) {
    switch (f) {
        case sample_format::pcm16: return "16-bit PCM";
        case sample_format::pcm24: return "24-bit PCM";
        case sample_format::float32: return "32-bit float";
    }
    return "?";
}

int bytes_per_sample(sample_format f) {
    return f == sample_format::pcm16 ? 2 : f == sample_format::pcm24 ? 3 : 4;
}

std::vector<uint8_t> wav_header(uint32_t sample_rate, int channels, sample_format format,
                                uint64_t frames) {
    uint32_t align = uint32_t(channels * bytes_per_sample(format));
    uint64_t data = frames * align;
    uint64_t riff = header_size(format) - 8 + data + (data & 1);  // odd data gets a pad byte
    if (riff > 0xFFFFFFFFu) throw std::runtime_error("too much audio for a WAV file (4 GB)");
    bool is_float = format == sample_format::float32;
    std::vector<uint8_t> h;
    h.reserve(header_size(format));
    put_id(h, "RIFF");
    put32(h, uint32_t(riff));
    put_id(h, "WAVE");
    put_id(h, "fmt ");
    put32(h, is_float ? 18 : 16);
    put16(h, is_float ? 3 : 1);  // IEEE float, else integer PCM
    put16(h, uint32_t(channels));
    put32(h, sample_rate);
    put32(h, sample_rate * align);
    put16(h, align);
    put16(h, uint32_t(8 * bytes_per_sample(format)));
    if (is_float) {
        put16(h, 0);  // no extension
        // Formats other than integer PCM carry the frame count in a fact chunk.
        put_id(h, "fact");
        put32(h, 4);
        put32(h, uint32_t(frames));
    }
    put_id(h, "data");
    put32(h, uint32_t(data));
    return h;
}

uint64_t wav_max_frames(int channels, sample_format format) {
    uint64_t room = 0xFFFFFFFFull - (header_size(format) - 8) - 1;
    return room / uint64_t(channels * bytes_per_sample(format));
}

wav_writer::wav_writer(const std::string& file_path, uint32_t sample_rate, int channel_count,
                       sample_format f)
    : path(file_path), rate(sample_rate), channels(channel_count), format(f) {
    if (channels < 1 || channels > 64) throw std::runtime_error("unsupported channel count");
    std::string pattern = path + ".XXXXXX";
    int fd = mkstemp(pattern.data());
    if (fd < 0) throw io_error("cannot create", path);
    temp_path = pattern;
    // mkstemp makes the file private; give it the permissions a plain new file gets.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    file = fdopen(fd, "wb");
    if (!file) {
        close(fd);
        std::remove(temp_path.c_str());
        throw io_error("cannot open", temp_path);
    }
    std::setvbuf(file, nullptr, _IOFBF, 1 << 20);
    std::vector<uint8_t> h = wav_header(rate, channels, format, 0);
    if (std::fwrite(h.data(), 1, h.size(), file) != h.size()) throw io_error("cannot write", path);
}

wav_writer::~wav_writer() {
    if (file) {
        std::fclose(file);
        std::remove(temp_path.c_str());
    }
}

void wav_writer::write(const float* const* in, size_t count) {
    if (!file) throw std::runtime_error("WAV file already finished");
    if (written + count > wav_max_frames(channels, format))
        throw std::runtime_error("too much audio for a WAV file (4 GB)");
    const int width = bytes_per_sample(format);
    bytes.resize(count * size_t(channels * width));
    uint8_t* out = bytes.data();
    const double scale = format == sample_format::pcm16 ? 32768.0 : 8388608.0;
    for (size_t i = 0; i < count; ++i) {
        for (int c = 0; c < channels; ++c) {
            float x = in[c][i];
            if (std::isnan(x)) x = 0.0f;
            if (format == sample_format::float32) {
                std::memcpy(out, &x, 4);
            } else {
                double v = std::nearbyint(double(x) * scale);
                if (v > scale - 1 || v < -scale) {
                    v = v > 0 ? scale - 1 : -scale;
                    ++clipped_samples;
                }
                int32_t s = int32_t(v);
                for (int b = 0; b < width; ++b) out[b] = uint8_t(uint32_t(s) >> (8 * b));
            }
            out += width;
        }
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
        throw io_error("cannot write", path);
    written += count;
}

void wav_writer::finish() {
    if (!file) throw std::runtime_error("WAV file already finished");
    uint64_t data = written * uint64_t(channels * bytes_per_sample(format));
    bool ok = true;
    if (data & 1) ok = std::fputc(0, file) != EOF;
    std::vector<uint8_t> h = wav_header(rate, channels, format, written);
    ok = ok && std::fseek(file, 0, SEEK_SET) == 0 &&
         std::fwrite(h.data(), 1, h.size(), file) == h.size() && std::fflush(file) == 0 &&
         fsync(fileno(file)) == 0;
    if (!ok) throw io_error("cannot write", path);
    int closed = std::fclose(file);
    file = nullptr;
    if (closed != 0 || std::rename(temp_path.c_str(), path.c_str()) != 0) {
        int saved = errno;
        std::remove(temp_path.c_str());
        errno = saved;
        throw io_error("cannot write", path);
    }
}

}  // namespace host
