// The two stream interfaces every stored thing goes through, and the counting and memory
// streams. All items are little-endian: long = 32-bit two's complement, float = IEEE
// single, double = IEEE double, string = long byte count + the bytes (no terminator),
// chunk = raw bytes. No framing: a stream is the plain concatenation of its items.
#pragma once

#include <cstdint>
#include <string>

class serializer {
public:
    virtual ~serializer() = default;
    virtual void put_long(int32_t v) = 0;
    virtual void put_float(float v) = 0;
    virtual void put_double(double v) = 0;
    virtual void put_string(const std::string& s) = 0;
    virtual void put_chunk(const void* bytes, int32_t n) = 0;
};

class deserializer {
public:
    virtual ~deserializer() = default;
    virtual int32_t get_long() = 0;
    virtual float get_float() = 0;
    virtual double get_double() = 0;
    virtual std::string get_string() = 0;
    virtual void get_chunk(void* destination, int32_t n) = 0;
    virtual void skip(int32_t n) = 0;

    // Bytes that can still be read, or -1 when the stream cannot tell (an unbounded
    // memory block).
    virtual int64_t bytes_left() const = 0;

    // Before allocating for a count read from the stream: fails, as the reads would,
    // when `count` items of `item_bytes` cannot be in what is left. `failure` is the
    // message a file stream gives for that item ("get_float failed"); memory streams
    // answer with their own. A negative count is refused the same way.
    void check_count(int64_t count, int64_t item_bytes, const char* failure) const;

protected:
    // Throws this stream's end-of-data failure for an item whose own message is `failure`.
    [[noreturn]] virtual void fail_end(const char* failure) const = 0;
};

// Adds up the bytes a record would take, touching no memory.
class countizer : public serializer {
public:
    void put_long(int32_t) override { total += 4; }
    void put_float(float) override { total += 4; }
    void put_double(double) override { total += 8; }
    void put_string(const std::string& s) override;
    void put_chunk(const void*, int32_t n) override { total += n > 0 ? n : 0; }

    int64_t count() const { return total; }

private:
    int64_t total = 0;
};

// Writes into a caller's block. An item that does not fit the capacity throws
// "buffer full" and writes nothing; a negative capacity means unbounded.
class mem_serializer : public serializer {
public:
    mem_serializer(void* block, int64_t capacity);

    void put_long(int32_t v) override;
    void put_float(float v) override;
    void put_double(double v) override;
    void put_string(const std::string& s) override;
    void put_chunk(const void* bytes, int32_t n) override;

    int64_t used() const { return written; }

private:
    void reserve(int64_t n) const;
    void store(const void* bytes, int64_t n);

    unsigned char* cursor;
    int64_t capacity;
    int64_t written = 0;
};

// Reads from a caller's block. An item that extends past the capacity throws
// "buffer empty"; a negative capacity means unbounded (trusted memory only: counts can
// then not be checked before allocating).
class mem_deserializer : public deserializer {
public:
    mem_deserializer(const void* block, int64_t capacity);

    int32_t get_long() override;
    float get_float() override;
    double get_double() override;
    std::string get_string() override;
    void get_chunk(void* destination, int32_t n) override;
    void skip(int32_t n) override;
    int64_t bytes_left() const override { return capacity < 0 ? -1 : capacity - consumed; }

    int64_t used() const { return consumed; }

protected:
    [[noreturn]] void fail_end(const char* failure) const override;

private:
    const unsigned char* take(int64_t n);

    const unsigned char* cursor;
    int64_t capacity;
    int64_t consumed = 0;
};

// The little-endian encodings shared by every stream.
namespace stream_bytes {
void encode_u32(uint32_t v, unsigned char* out);
void encode_u64(uint64_t v, unsigned char* out);
uint32_t decode_u32(const unsigned char* in);
uint64_t decode_u64(const unsigned char* in);
uint32_t float_bits(float v);
float bits_float(uint32_t v);
uint64_t double_bits(double v);
double bits_double(uint64_t v);
}  // namespace stream_bytes
