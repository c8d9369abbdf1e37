// The bank chunk through which a host makes Kaveo play from a bank file. Hosts reach a
// plug-in's bank only through its state, so kaveo-render builds the chunk Kaveo itself
// would give for that bank: the bank file's path (string), the program index (long) and
// that program's record as the bank file holds it, in the encodings of Kaveo's streams.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vst/aeffect.h"

namespace host {

constexpr VstInt32 kaveo_unique_id = vst_fourcc('s', 'K', 'a', 'v');

struct bank_chunk {
    std::vector<uint8_t> bytes;
    std::string path;          // absolute, as the chunk names it
    std::string program_name;  // of the chosen program
    int programs = 0;          // in the bank file
    std::vector<std::string> warnings;
};

// Reads program `index` from the bank file at `path` with Kaveo's own bank code. Throws
// std::runtime_error when the file is not a readable bank or has no such program.
bank_chunk make_bank_chunk(const std::string& path, int index);

}  // namespace host
