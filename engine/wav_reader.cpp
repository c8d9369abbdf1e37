#include "engine/wav_reader.h"

#include <cstring>

namespace {

uint16_t le16(const unsigned char* b) { return uint16_t(b[0] | b[1] << 8); }
uint32_t le32(const unsigned char* b) { return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24; }

constexpr int tag_pcm = 1;
constexpr int tag_float = 3;
constexpr int tag_extensible = 0xFFFE;

}  // namespace

wav_reader::wav_reader(const std::filesystem::path& path) : sample_reader(path) {
    if (file) parse();
}

void wav_reader::parse() {
    unsigned char head[12];
    if (!read_at(0, head, 12) || std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0)
        return;
    bool have_format = false, have_data = false;
    int block_align = 0;
    uint32_t format_rate = 0;
    int64_t data_size = 0;
    for (int64_t at = 12; at + 8 <= file_size;) {
        unsigned char chunk[8];
        if (!read_at(at, chunk, 8)) return;
        uint32_t size = le32(chunk + 4);
        int64_t body = at + 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            unsigned char f[40] = {};
            if (size < 16 || !read_at(body, f, size >= 40 ? 40 : 16)) return;
            format_tag = le16(f);
            channels = le16(f + 2);
            format_rate = le32(f + 4);
            block_align = le16(f + 12);
            // The extensible header names the real format in its sub-format id.
            if (format_tag == tag_extensible && size >= 40 && le16(f + 16) >= 22) format_tag = le16(f + 24);
            have_format = true;
        } else if (std::memcmp(chunk, "data", 4) == 0 && !have_data) {
            data_offset = body;
            data_size = size;
            have_data = true;
        }
        at = next_chunk(body, size);
    }
    if (!have_format || channels == 0 || block_align == 0) return;
    if (format_rate == 0 || format_rate > uint32_t(INT32_MAX)) return;
    rate = int32_t(format_rate);
    frame_bytes = block_align;
    sample_bytes = block_align / channels;
    bool supported = format_tag == tag_float ? sample_bytes == 4
                   : (format_tag == tag_pcm || format_tag == tag_extensible) && sample_bytes >= 1 && sample_bytes <= 4;
    if (!supported) {
        // Compressed formats and widths the decoder does not know: refused, not guessed.
        width_error = true;
        return;
    }
    if (have_data) limit_frames(data_size / block_align, data_size);
    parse_failure = false;
}

float wav_reader::decode(const unsigned char* b) const {
    if (format_tag == tag_float) {
        float v;
        uint32_t bits = le32(b);
        std::memcpy(&v, &bits, 4);
        return v;
    }
    switch (sample_bytes) {
        case 1: return float((int(b[0]) - 128) / 128.0);
        case 2: return float(int16_t(le16(b)) / 32768.0);
        case 3: return float(int32_t(uint32_t(b[0]) << 8 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 24) / 2147483648.0);
        case 4: return float(int32_t(le32(b)) / 2147483648.0);
        default: return 0.0f;
    }
}
