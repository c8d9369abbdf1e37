// Shared by the fuzz targets that need the input as a file.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fuzz {

// A folder of this process's own, removed at exit.
inline const std::filesystem::path& scratch() {
    static const std::filesystem::path folder = [] {
        auto p = std::filesystem::temp_directory_path() / ("kaveo-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(p);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(scratch(), ec);
        });
        return p;
    }();
    return folder;
}

inline std::filesystem::path as_file(const uint8_t* data, size_t size, const char* name) {
    auto path = scratch() / name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
    return path;
}

}  // namespace fuzz
