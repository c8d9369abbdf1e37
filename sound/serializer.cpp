#include "sound/serializer.h"

#include <bit>
#include <cstring>

#include "sound/persist_error.h"

namespace stream_bytes {

void encode_u32(uint32_t v, unsigned char* out) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(v >> (8 * i));
}

void encode_u64(uint64_t v, unsigned char* out) {
    for (int i = 0; i < 8; ++i) out[i] = static_cast<unsigned char>(v >> (8 * i));
}

uint32_t decode_u32(const unsigned char* in) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(in[i]) << (8 * i);
    return v;
}

uint64_t decode_u64(const unsigned char* in) {
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= uint64_t(in[i]) << (8 * i);
    return v;
}

uint32_t float_bits(float v) { return std::bit_cast<uint32_t>(v); }
float bits_float(uint32_t v) { return std::bit_cast<float>(v); }
uint64_t double_bits(double v) { return std::bit_cast<uint64_t>(v); }
double bits_double(uint64_t v) { return std::bit_cast<double>(v); }

}  // namespace stream_bytes

using namespace stream_bytes;

void deserializer::check_count(int64_t count, int64_t item_bytes, const char* failure) const {
    if (count < 0) fail_end(failure);
    int64_t left = bytes_left();
    if (left < 0) return;  // unbounded: nothing to check against
    if (item_bytes > 0 && count > left / item_bytes) fail_end(failure);
}

void countizer::put_string(const std::string& s) {
    put_long(int32_t(s.size()));
    total += int64_t(s.size());
}

// ---- memory writer

mem_serializer::mem_serializer(void* block, int64_t cap)
    : cursor(static_cast<unsigned char*>(block)), capacity(cap) {}

void mem_serializer::reserve(int64_t n) const {
    if (capacity >= 0 && written + n > capacity) throw persist_error("buffer full");
}

void mem_serializer::store(const void* bytes, int64_t n) {
    if (n > 0) std::memcpy(cursor, bytes, size_t(n));
    cursor += n;
    written += n;
}

void mem_serializer::put_long(int32_t v) {
    reserve(4);
    unsigned char b[4];
    encode_u32(uint32_t(v), b);
    store(b, 4);
}

void mem_serializer::put_float(float v) {
    reserve(4);
    unsigned char b[4];
    encode_u32(float_bits(v), b);
    store(b, 4);
}

void mem_serializer::put_double(double v) {
    reserve(8);
    unsigned char b[8];
    encode_u64(double_bits(v), b);
    store(b, 8);
}

void mem_serializer::put_string(const std::string& s) {
    if (s.size() > size_t(INT32_MAX)) throw persist_error("buffer full");
    reserve(4 + int64_t(s.size()));  // the count and the bytes fit as one, or nothing is written
    put_long(int32_t(s.size()));
    store(s.data(), int64_t(s.size()));
}

void mem_serializer::put_chunk(const void* bytes, int32_t n) {
    if (n < 0) throw persist_error("buffer full");
    reserve(n);
    store(bytes, n);
}

// ---- memory reader

mem_deserializer::mem_deserializer(const void* block, int64_t cap)
    : cursor(static_cast<const unsigned char*>(block)), capacity(cap) {}

void mem_deserializer::fail_end(const char*) const { throw persist_error("buffer empty"); }

const unsigned char* mem_deserializer::take(int64_t n) {
    if (n < 0 || (capacity >= 0 && n > capacity - consumed)) fail_end(nullptr);
    const unsigned char* at = cursor;
    cursor += n;
    consumed += n;
    return at;
}

int32_t mem_deserializer::get_long() { return int32_t(decode_u32(take(4))); }
float mem_deserializer::get_float() { return bits_float(decode_u32(take(4))); }
double mem_deserializer::get_double() { return bits_double(decode_u64(take(8))); }

std::string mem_deserializer::get_string() {
    int32_t n = get_long();
    check_count(n, 1, nullptr);
    const unsigned char* at = take(n);
    return std::string(reinterpret_cast<const char*>(at), size_t(n));
}

void mem_deserializer::get_chunk(void* destination, int32_t n) {
    const unsigned char* at = take(n);
    if (n > 0) std::memcpy(destination, at, size_t(n));
}

void mem_deserializer::skip(int32_t n) { take(n); }
