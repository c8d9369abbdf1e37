// Bank files from any bytes: the table of contents, program fetches by seeking, and a
// store into the bank, which either fails and leaves the file as it was or leaves a
// consistent file holding the stored program.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz_util.h"
#include "sound/bank.h"

namespace {

std::vector<char> contents(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(f), {});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto path = fuzz::as_file(data, size, "bank.kvb");
    bank b;
    if (!b.load(path)) {
        if (b.nprogs() != 0) std::abort();
        return 0;
    }
    int32_t n = b.nprogs();
    for (int32_t i : {0, 1, n / 2, n - 1, n, 127}) {
        (void)b.program_name(i);
        (void)b.get_program(i);
    }
    if (size == 0 || (data[0] & 1) == 0 || n == 0) return 0;

    program mine;
    mine.name = "stored";
    mine.params.set_value(5, 0.125f);
    auto old = contents(path);
    b.set_program(0, mine);
    if (!b.store_program(0, mine)) {
        if (contents(path) != old || !b.storedt(0)) std::abort();
        return 0;
    }
    bank fresh;
    if (!fresh.load(path) || fresh.nprogs() != n || fresh.program_name(0) != "stored") std::abort();
    if (!(fresh.get_program(0) == mine)) std::abort();
    return 0;
}
