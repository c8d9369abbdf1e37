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

int64_t sample_reader::next_chunk(int64_t body, uint32_t size) {
    int64_t end = body + int64_t(size);
    if (size % 2 == 0) return end;
    unsigned char id[4];
    if (end + 1 + 8 <= file_size && read_at(end + 1, id, 4) && is_chunk_id(id)) return end + 1;
    if (end + 8 <= file_size && read_at(end, id, 4) && is_chunk_id(id)) return end;
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
