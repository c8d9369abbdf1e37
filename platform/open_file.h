// Opening an existing regular file for reading, with its size. Directories, devices and
// pipes are refused: readers check counts against the size, which only a file has.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>

namespace platform {

// The open stream (the caller closes it) and the file's size in bytes, or null.
std::FILE* open_regular_file(const std::filesystem::path& path, int64_t& size);

}  // namespace platform
