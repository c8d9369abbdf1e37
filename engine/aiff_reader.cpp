#include "engine/aiff_reader.h"

#include <cstring>

namespace {

uint16_t be16(const unsigned char* b) { return uint16_t(b[0] << 8 | b[1]); }
uint32_t be32(const unsigned char* b) { return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | uint32_t(b[3]); }

}  // namespace

int32_t aiff_reader::extended_rate(const unsigned char* x) {
    if (x[0] & 0x80) return 0;
    int exponent = (x[0] & 0x7F) << 8 | x[1];
    int shift = 31 - (exponent - 16383);  // the top 32 mantissa bits hold 1.xxx · 2^31
    if (shift < 0 || shift > 31) return 0;
    uint32_t top = be32(x + 2);
    uint64_t value = top >> shift;
    if (shift > 0 && (top >> (shift - 1)) & 1u) ++value;
    return value >= 1 && value <= uint64_t(INT32_MAX) ? int32_t(value) : 0;
}

aiff_reader::aiff_reader(const std::filesystem::path& path) : sample_reader(path) {
    big_endian = true;
    if (file) parse();
}

void aiff_reader::parse() {
    unsigned char head[12];
    if (!read_at(0, head, 12) || std::memcmp(head, "FORM", 4) != 0 || std::memcmp(head + 8, "AIFF", 4) != 0)
        return;
    bool have_common = false, have_sound = false;
    uint32_t declared_frames = 0;
    int bits = 0;
    int64_t sound_bytes = 0;
    for (int64_t at = 12; at + 8 <= file_size;) {
        unsigned char chunk[8];
        if (!read_at(at, chunk, 8)) return;
        uint32_t size = be32(chunk + 4);
        int64_t body = at + 8;
        if (std::memcmp(chunk, "COMM", 4) == 0) {
            unsigned char c[18];
            if (size < 18 || !read_at(body, c, 18)) return;
            channels = be16(c);
            declared_frames = be32(c + 2);
            bits = be16(c + 6);
            rate = extended_rate(c + 8);
            if (rate == 0) return;  // an exponent out of range is no usable rate
            have_common = true;
        } else if (std::memcmp(chunk, "SSND", 4) == 0 && !have_sound) {
            // The chunk starts with an offset to the first sample and a block size.
            unsigned char s[8];
            if (size < 8 || !read_at(body, s, 8)) return;
            uint32_t offset = be32(s);
            data_offset = body + 8 + int64_t(offset);
            sound_bytes = int64_t(size) - 8 - int64_t(offset);
            have_sound = true;
        }
        at = next_chunk(body, size);
    }
    if (!have_common || channels == 0) return;
    sample_bytes = (bits + 7) / 8;
    if (bits < 1 || sample_bytes > 4) {
        width_error = true;
        return;
    }
    frame_bytes = sample_bytes * channels;
    if (have_sound) limit_frames(declared_frames, sound_bytes);
    parse_failure = false;
}

float aiff_reader::decode(const unsigned char* b) const {
    switch (sample_bytes) {
        case 1: return float(int8_t(b[0]) / 128.0);
        case 2: return float(int16_t(be16(b)) / 32768.0);
        case 3: return float(int32_t(uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8) / 2147483648.0);
        case 4: return float(int32_t(be32(b)) / 2147483648.0);
        default: return 0.0f;
    }
}
