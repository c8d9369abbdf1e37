#include "sound/program_file.h"

#include "sound/atomic_file.h"
#include "sound/file_stream.h"
#include "sound/persist_error.h"

void write_program_file(const std::filesystem::path& path, const program& p) {
    replace_file(path, [&](serializer& out) { p.serialize(out); });
}

void read_program_file(const std::filesystem::path& path, program& p) {
    file_deserializer in(path);
    if (in.is_bad()) throw persist_error("read_program_file - cannot open the file");
    p.deserialize(in);
}
