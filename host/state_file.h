// A plug-in's state as hosts keep it in their projects: the opaque block the plug-in hands
// out through effGetChunk and takes back through effSetChunk, saved to a file.
//
// A state file is a 16-byte header and the chunk, nothing else. All numbers little-endian:
//   bytes 0-3    "KvSt"
//   bytes 4-7    the plug-in's unique ID (AEffect::uniqueID, e.g. 'sKav' = 0x734B6176)
//   bytes 8-11   the kind: 0 a bank chunk, 1 a program chunk (the isPreset flag)
//   bytes 12-15  the chunk's size in bytes, n
//   bytes 16-    the chunk, exactly as the plug-in gave it (n bytes)
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/vst_host.h"

namespace host {

enum class chunk_kind : uint32_t { bank = 0, program = 1 };

const char* chunk_kind_name(chunk_kind kind);  // "bank" or "program"
// "bank" or "program"; false for anything else.
bool parse_chunk_kind(const std::string& text, chunk_kind& out);

struct plugin_state {
    VstInt32 unique_id = 0;
    chunk_kind kind = chunk_kind::bank;
    std::vector<uint8_t> chunk;
};

constexpr size_t state_header_size = 16;
constexpr uint64_t max_chunk_size = 0x7FFFFFFF;  // the host's size argument is 32 bits wide

std::vector<uint8_t> encode_state(const plugin_state& state);
// Throws std::runtime_error naming `name` and what is wrong: not a state file, truncated,
// bytes after the chunk, an unknown kind.
plugin_state decode_state(const uint8_t* data, size_t size, const std::string& name);

// The file is replaced in one step (a temporary file renamed over it). Failures throw
// std::runtime_error naming the file.
void write_state_file(const std::string& path, const plugin_state& state);
plugin_state read_state_file(const std::string& path);

// The unique ID as its four characters ("sKav"), unprintable ones as '?'.
std::string unique_id_text(VstInt32 id);

// Refuses (std::runtime_error) plug-ins whose flags do not say their programs are chunks:
// they keep no state a host could save this way. `what` names the option that needs it.
void require_chunks(plugin& p, const std::string& plugin_path, const std::string& what);

// Asks the plug-in for its state (effGetChunk) and copies the block at once, as hosts do.
// Throws when it gives none.
plugin_state get_state(plugin& p, chunk_kind kind);
// Hands the chunk to the plug-in (effSetChunk). Throws when the plug-in answers 0, that
// is, says it could not read it.
void set_state(plugin& p, chunk_kind kind, const std::vector<uint8_t>& chunk,
               const std::string& source);

}  // namespace host
