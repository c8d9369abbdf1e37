// Program records from any bytes: a record either fails with a persist_error and leaves
// the program alone, or reads, and then writes and reads back to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "sound/persist_error.h"
#include "sound/program.h"

namespace {

std::vector<unsigned char> bytes_of(const program& p) {
    std::vector<unsigned char> out(size_t(p.record_size()));
    mem_serializer m(out.data(), int64_t(out.size()));
    p.serialize(m);
    if (m.used() != int64_t(out.size())) std::abort();
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    program p;
    p.name = "before";
    const std::vector<unsigned char> before = bytes_of(p);
    mem_deserializer in(data, int64_t(size));
    try {
        p.deserialize(in);
    } catch (const persist_error&) {
        if (bytes_of(p) != before) std::abort();  // a failed read changes nothing
        return 0;
    }
    std::vector<unsigned char> once = bytes_of(p);
    program q;
    mem_deserializer again(once.data(), int64_t(once.size()));
    q.deserialize(again);
    if (again.bytes_left() != 0 || bytes_of(q) != once) std::abort();
    // What the plug-in does next with a loaded program.
    p.waves.set_play_rate(48000.0);
    return 0;
}
