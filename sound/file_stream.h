// Streams on files, opened by UTF-8 path. A writer creates or truncates its file; a
// reader knows the file's size, so a count larger than the bytes left fails before
// anything is allocated. Destroying a stream closes its file.
#pragma once

#include <cstdio>
#include <filesystem>

#include "sound/serializer.h"

class file_serializer : public serializer {
public:
    explicit file_serializer(const std::filesystem::path& path);
    // Takes over a file already open for writing (a temporary file, for example).
    explicit file_serializer(std::FILE* adopted);
    ~file_serializer() override;
    file_serializer(const file_serializer&) = delete;
    file_serializer& operator=(const file_serializer&) = delete;

    // True when the file could not be created; every put then fails with its message.
    bool is_bad() const { return file == nullptr; }

    void put_long(int32_t v) override;
    void put_float(float v) override;
    void put_double(double v) override;
    void put_string(const std::string& s) override;
    void put_chunk(const void* bytes, int32_t n) override;

    // Writes out what is buffered, optionally forces it to the disk (before a file is
    // renamed over another), and closes. Throws "file_serializer::commit failed" when
    // any of it fails: a full disk often shows only here.
    void commit(bool sync_to_disk);

private:
    void write(const void* bytes, size_t n, const char* failure);
    std::FILE* file = nullptr;
};

class file_deserializer : public deserializer {
public:
    explicit file_deserializer(const std::filesystem::path& path);
    ~file_deserializer() override;
    file_deserializer(const file_deserializer&) = delete;
    file_deserializer& operator=(const file_deserializer&) = delete;

    // True when the file could not be opened (or is not a regular file); every read then
    // fails like a read at the end of the file.
    bool is_bad() const { return file == nullptr; }

    int32_t get_long() override;
    float get_float() override;
    double get_double() override;
    std::string get_string() override;
    void get_chunk(void* destination, int32_t n) override;
    // Moves forward n bytes; a move past the end of the file fails with "skip failed".
    void skip(int32_t n) override;
    int64_t bytes_left() const override { return file_size - position; }

    int64_t size() const { return file_size; }
    // Bytes actually read from the file (skipped bytes are not read).
    int64_t bytes_read() const { return delivered; }

protected:
    [[noreturn]] void fail_end(const char* failure) const override;

private:
    void read(void* destination, int64_t n, const char* failure);

    std::FILE* file = nullptr;
    int64_t file_size = 0;
    int64_t position = 0;      // logical, including skips not yet made
    int64_t pending_skip = 0;  // skips are gathered into one seek before the next read
    int64_t delivered = 0;
};

// The names the rest of the system knows these streams by.
using win_serializer = file_serializer;
using win_deserializer = file_deserializer;
