#include "engine/sample_reader.h"

#include <algorithm>
#include <vector>

#include "engine/aiff_reader.h"
#include "engine/wav_reader.h"
#include "platform/open_file.h"

sample_reader::sample_reader(const std::filesystem::path& path) {
    file = platform::open_regular_file(path, file_size);
}

sample_reader::~sample_reader() {
    if (file) std::fclose(file);
}

bool sample_reader::read_exact(void* to, size_t n) {
    return file && std::fread(to, 1, n, file) == n;
}

bool sample_reader::seek(int64_t offset) {
    return file && offset >= 0 && ::fseeko(file, off_t(offset), SEEK_SET) == 0;
}

bool sample_reader::is_chunk_id(const unsigned char* id) {
    for (int i = 0; i < 4; ++i)
        if (id[i] < 0x20 || id[i] > 0x7E) return false;
    return true;
}

sample_reader::header_fit sample_reader::header_at(int64_t at) {
    unsigned char h[8];
    if (at + 8 > file_size || !read_at(at, h, 8) || !is_chunk_id(h)) return header_fit::none;
    const uint32_t size = big_endian
        ? uint32_t(h[4]) << 24 | uint32_t(h[5]) << 16 | uint32_t(h[6]) << 8 | uint32_t(h[7])
        : uint32_t(h[4]) | uint32_t(h[5]) << 8 | uint32_t(h[6]) << 16 | uint32_t(h[7]) << 24;
    const int64_t end = at + 8 + int64_t(size);
    if (end > file_size) return header_fit::id_only;
    // It fits when it ends the file (with or without its pad) or another chunk id follows
    // it: a few bytes of sound that happen to spell an id rarely have a sensible size too.
    if (end + 8 > file_size) return header_fit::fits;
    unsigned char id[4];
    if (read_at(end, id, 4) && is_chunk_id(id)) return header_fit::fits;
    if (size % 2 == 1 && end + 1 + 8 <= file_size && read_at(end + 1, id, 4) && is_chunk_id(id))
        return header_fit::fits;
    return header_fit::id_only;
}

int64_t sample_reader::next_chunk(int64_t body, uint32_t size) {
    int64_t end = body + int64_t(size);
    if (size % 2 == 0) return end;
    const header_fit padded = header_at(end + 1), unpadded = header_at(end);
    if (padded == header_fit::fits) return end + 1;
    if (unpadded == header_fit::fits) return end;
    if (padded == header_fit::id_only) return end + 1;
    if (unpadded == header_fit::id_only) return end;
    return end + 1;
}

void sample_reader::limit_frames(int64_t declared, int64_t data_bytes) {
    int64_t present = std::max<int64_t>(std::min(data_bytes, file_size - data_offset), 0);
    int64_t held = frame_bytes > 0 ? present / frame_bytes : 0;
    frames = int32_t(std::clamp<int64_t>(std::min(declared, held), 0, INT32_MAX));
}

void sample_reader::read(float* buffer, int32_t n) {
    if (n <= 0) return;
    if (width_error || parse_failure) return;  // nothing is delivered, the buffer is left alone
    int32_t wanted = std::min(n, frames - frames_read);
    int32_t done = 0;
    if (wanted > 0 && seek(data_offset + int64_t(frames_read) * frame_bytes)) {
        // Pieces of whole frames, about 8 KB each.
        int32_t piece_frames = std::max(1, 8192 / frame_bytes);
        std::vector<unsigned char> piece(size_t(piece_frames) * size_t(frame_bytes));
        while (done < wanted) {
            int32_t count = std::min(piece_frames, wanted - done);
            size_t got = std::fread(piece.data(), size_t(frame_bytes), size_t(count), file);
            for (size_t f = 0; f < got; ++f) buffer[done + int32_t(f)] = decode(piece.data() + f * size_t(frame_bytes));
            done += int32_t(got);
            if (got < size_t(count)) break;  // the file shrank under us: the rest stays 0
        }
    }
    frames_read += done;
    std::fill(buffer + done, buffer + n, 0.0f);
}

std::unique_ptr<sample_reader> open_sample_file(const std::filesystem::path& path) {
    std::unique_ptr<sample_reader> r = std::make_unique<wav_reader>(path);
    if (!r->parse_failed()) return r;
    r = std::make_unique<aiff_reader>(path);
    if (!r->parse_failed()) return r;
    return nullptr;
}

sample_data sample_from_reader(sample_reader& reader) {
    sample_data s(reader.frame_count(), reader.sample_rate());
    reader.read(s.data.data(), s.frames);
    return s;
}
