#include "host/bank_chunk.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "sound/bank.h"
#include "sound/serializer.h"

namespace host {

bank_chunk make_bank_chunk(const std::string& path, int index) {
    namespace fs = std::filesystem;
    bank_chunk out;
    std::error_code ec;
    // The plug-in opens the path on its own later, perhaps from another folder.
    out.path = fs::absolute(fs::path(path), ec).lexically_normal().string();
    if (ec || !fs::is_regular_file(out.path, ec) || !std::ifstream(out.path, std::ios::binary))
        throw std::runtime_error("cannot read the bank file " + path);
    bank b;
    if (!b.load(out.path))
        throw std::runtime_error(path + " is not a Kaveo bank file (its table of contents "
                                        "cannot be read)");
    out.programs = b.nprogs();
    if (index < 0 || index >= out.programs)
        throw std::runtime_error(path + " holds " + std::to_string(out.programs) +
                                 " programs; there is no program " + std::to_string(index));
    program p = b.get_program(index);
    // get_program answers a default program for a record it cannot read.
    if (p == program() && b.program_name(index) != p.name)
        out.warnings.push_back("program " + std::to_string(index) + " of " + path +
                               " cannot be read; it plays as an empty program");
    out.program_name = p.name;

    countizer count;
    count.put_string(out.path);
    count.put_long(index);
    p.serialize(count);
    if (count.count() > 0x7FFFFFFF)
        throw std::runtime_error("program " + std::to_string(index) + " of " + path +
                                 " is too large for a chunk");
    out.bytes.resize(size_t(count.count()));
    mem_serializer w(out.bytes.data(), int64_t(out.bytes.size()));
    w.put_string(out.path);
    w.put_long(index);
    p.serialize(w);
    return out;
}

}  // namespace host
