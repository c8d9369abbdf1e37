// Writes mono 32-bit float WAV files (format tag 3), which the instrument's own WAV reader
// takes without conversion and sox reads for inspection.
#pragma once

#include <string>
#include <vector>

namespace factory {

// Throws std::runtime_error when the file cannot be written completely.
void write_wav(const std::string& path, const std::vector<float>& samples, int rate);

}  // namespace factory
