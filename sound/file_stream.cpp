#include "sound/file_stream.h"

#include <unistd.h>

#include "platform/open_file.h"
#include "sound/persist_error.h"

using namespace stream_bytes;

namespace {
constexpr size_t io_buffer_bytes = 1 << 16;
}

// ---- writer

file_serializer::file_serializer(const std::filesystem::path& path) {
    file = std::fopen(path.c_str(), "wb");
    if (file) std::setvbuf(file, nullptr, _IOFBF, io_buffer_bytes);
}

file_serializer::file_serializer(std::FILE* adopted) : file(adopted) {
    if (file) std::setvbuf(file, nullptr, _IOFBF, io_buffer_bytes);
}

file_serializer::~file_serializer() {
    if (file) std::fclose(file);
}

void file_serializer::write(const void* bytes, size_t n, const char* failure) {
    if (!file || (n > 0 && std::fwrite(bytes, 1, n, file) != n)) throw persist_error(failure);
}

void file_serializer::put_long(int32_t v) {
    unsigned char b[4];
    encode_u32(uint32_t(v), b);
    write(b, 4, "put_long failed");
}

void file_serializer::put_float(float v) {
    unsigned char b[4];
    encode_u32(float_bits(v), b);
    write(b, 4, "put_float failed");
}

void file_serializer::put_double(double v) {
    unsigned char b[8];
    encode_u64(double_bits(v), b);
    write(b, 8, "put_double failed");
}

void file_serializer::put_string(const std::string& s) {
    if (s.size() > size_t(INT32_MAX)) throw persist_error("put_string failed");
    put_long(int32_t(s.size()));
    write(s.data(), s.size(), "put_string failed");
}

void file_serializer::put_chunk(const void* bytes, int32_t n) {
    if (n < 0) throw persist_error("put_chunk failed");
    write(bytes, size_t(n), "put_chunk failed");
}

void file_serializer::commit(bool sync_to_disk) {
    if (!file) throw persist_error("file_serializer::commit failed");
    bool ok = std::fflush(file) == 0;
    if (ok && sync_to_disk) ok = ::fsync(fileno(file)) == 0;
    ok = std::fclose(file) == 0 && ok;
    file = nullptr;
    if (!ok) throw persist_error("file_serializer::commit failed");
}

// ---- reader

file_deserializer::file_deserializer(const std::filesystem::path& path) {
    file = platform::open_regular_file(path, file_size);
    if (!file) return;
    std::setvbuf(file, nullptr, _IOFBF, io_buffer_bytes);
}

file_deserializer::~file_deserializer() {
    if (file) std::fclose(file);
}

void file_deserializer::fail_end(const char* failure) const { throw persist_error(failure); }

void file_deserializer::read(void* destination, int64_t n, const char* failure) {
    if (n < 0 || !file) fail_end(failure);
    if (n == 0) return;
    if (pending_skip > 0) {
        if (::fseeko(file, off_t(pending_skip), SEEK_CUR) != 0) fail_end(failure);
        pending_skip = 0;
    }
    size_t got = std::fread(destination, 1, size_t(n), file);
    position += int64_t(got);
    delivered += int64_t(got);
    if (got != size_t(n)) fail_end(failure);
}

int32_t file_deserializer::get_long() {
    unsigned char b[4];
    read(b, 4, "get_long failed");
    return int32_t(decode_u32(b));
}

float file_deserializer::get_float() {
    unsigned char b[4];
    read(b, 4, "get_float failed");
    return bits_float(decode_u32(b));
}

double file_deserializer::get_double() {
    unsigned char b[8];
    read(b, 8, "get_double failed");
    return bits_double(decode_u64(b));
}

std::string file_deserializer::get_string() {
    int32_t n = get_long();
    check_count(n, 1, "get_string failed");
    std::string s(size_t(n), '\0');
    read(s.data(), n, "get_string failed");
    return s;
}

void file_deserializer::get_chunk(void* destination, int32_t n) {
    check_count(n, 1, "get_chunk failed");
    read(destination, n, "get_chunk failed");
}

void file_deserializer::skip(int32_t n) {
    // A move past the end is refused here rather than at the next read.
    if (!file || n < 0 || n > bytes_left()) fail_end("skip failed");
    pending_skip += n;
    position += n;
}
