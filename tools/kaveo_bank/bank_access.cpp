#include "tools/kaveo_bank/bank_access.h"

#include <unistd.h>

#include <system_error>

#include "sound/file_stream.h"
#include "sound/persist_error.h"
#include "tools/kaveo_bank/bank_tool.h"

namespace fs = std::filesystem;

namespace bank_tool {

bank open_bank(const fs::path& path) {
    std::error_code ec;
    if (!fs::exists(path, ec)) failure(path.string() + ": no such file");
    if (!fs::is_regular_file(path, ec)) failure(path.string() + " is not a file");
    {
        file_deserializer in(path);
        if (in.is_bad()) failure(path.string() + ": cannot be opened for reading");
    }
    bank b;
    if (!b.load(path)) failure(path.string() + " is not a bank file (its table of contents cannot be read)");
    return b;
}

int program_index(const bank& b, const fs::path& path, const std::string& text) {
    int index = parse_int(text, 0, INT32_MAX, "the program index");
    if (b.nprogs() == 0) failure(path.string() + " holds no programs");
    if (index >= b.nprogs())
        failure(path.string() + " holds programs 0 to " + std::to_string(b.nprogs() - 1) +
                "; there is no program " + text);
    return index;
}

program read_program(const bank& b, const fs::path& path, int index) {
    file_deserializer in(path);
    program p;
    try {
        bank toc;
        toc.load_toc(in);
        if (toc.lengths() != b.lengths()) throw persist_error("the bank file changed while it was read");
        for (int i = 0; i < index; ++i) in.skip(b.lengths()[size_t(i)]);
        p.deserialize(in);
    } catch (const persist_error& e) {
        failure("program " + std::to_string(index) + " of " + path.string() + " cannot be read (" + e.what() + ")");
    }
    return p;
}

void store(bank& b, const fs::path& path, int index, const program& p) {
    for (int i = 0; i < b.nprogs(); ++i)
        if (i != index) read_program(b, path, i);
    fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
    if (::access(folder.c_str(), W_OK) != 0)
        failure("cannot write into " + folder.string() + ", where the rewritten bank is made");
    if (!b.store_program(index, p))
        failure("could not rewrite " + path.string() + " (is the disk full?); it is unchanged");
}

}  // namespace bank_tool
