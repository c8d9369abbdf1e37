// The host's state chunks. A program chunk is the current program's record. A bank chunk
// names the bank file instead of holding its programs: the path (string), the program
// index (long), then the current program's record. No header of their own: the record
// carries its version.
#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "plugin/kaveos.h"
#include "sound/persist_error.h"
#include "sound/serializer.h"

namespace {

void write_chunk(serializer& out, bool is_preset, const std::string& path, int32_t index,
                 const program& p) {
    if (!is_preset) {
        out.put_string(path);
        out.put_long(index);
    }
    p.serialize(out);
}

}  // namespace

VstInt32 Kaveos::getChunk(void** data, bool is_preset) {
    if (!data) return 0;
    *data = nullptr;
    try {
        const std::string path = sounds.path().string();
        countizer count;
        write_chunk(count, is_preset, path, current_index, current_program);
        if (count.count() > INT32_MAX) return 0;  // more than a host can be told
        std::vector<unsigned char> block(size_t(count.count()));
        mem_serializer out(block.data(), int64_t(block.size()));
        write_chunk(out, is_preset, path, current_index, current_program);
        // The host has copied the previous block by now; it goes, this one stays until the
        // next call.
        chunk_block.swap(block);
        *data = chunk_block.data();
        return VstInt32(chunk_block.size());
    } catch (...) {
        return 0;
    }
}

VstInt32 Kaveos::setChunk(void* data, VstInt32 size, bool is_preset) {
    if (!data || size <= 0) return 0;
    switch_guard reading(switching);  // the chunk's program replaces the current one
    try {
        // The whole chunk is read before anything changes: one that cannot be read leaves
        // the bank and the program as they were.
        mem_deserializer in(data, size);
        bool has_path = false;
        std::string path;
        int32_t index = current_index;
        if (!is_preset) {
            try {
                path = in.get_string();
                has_path = true;
            } catch (const persist_error&) {
                // No path: the bank stays, and the rest is read from where the reader stands.
            }
            index = in.get_long();
        }
        program next;
        next.deserialize(in);

        // A bank file that is missing now still leaves the bank on its path (with no
        // programs), so saving the project again keeps the reference. Either way no overlay
        // of the previous bank carries over to its indices.
        if (has_path) {
            bank named;
            named.load(path);
            sounds = std::move(named);
        }
        program_loaded = false;
        sounds.remember(index, next);  // ignored for an index outside 0..127
        prepare(next);
        // The chunk's program plays either way. Its index selects it as a program switch
        // does (the echoes end too); an index outside the table leaves the current index,
        // and like a refused switch it only cuts the notes.
        const bool selects = index >= 0 && index < num_programs;
        if (selects) {
            current_index = index;
            program_loaded = true;
        }
        swap_in(next, true, selects);
        notify_bank_changed();
        return 1;
    } catch (...) {
        return 0;
    }
}
