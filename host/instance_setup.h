// What kaveo-render does to a plug-in before it plays: restore a state chunk, select a
// program and set parameters, in that order (a program or a parameter given on the
// command line wins over the state).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "host/state_file.h"
#include "host/vst_host.h"

namespace host {

struct instance_setup {
    bool has_chunk = false;
    chunk_kind kind = chunk_kind::bank;
    std::vector<uint8_t> chunk;
    std::string chunk_source;  // names the chunk in messages: a file
    int program = -1;          // -1: leave the program as it is
    std::vector<std::pair<int, float>> params;  // index, value 0-1; set in this order
};

// For an opened plug-in that is not processing yet. Throws std::runtime_error when the
// plug-in refuses the chunk or has no such program or parameter; checks come first, so a
// refused setup changes nothing.
void apply_setup(plugin& p, const instance_setup& setup);

}  // namespace host
