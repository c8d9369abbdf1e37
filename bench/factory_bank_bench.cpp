// Building the factory bank from generated programs (the pitch analysis of every distinct
// sample and the records, on one and on two threads), writing its bytes, and reading
// programs back from the embedded bank as a program switch does.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>

#include "platform/factory_bank.h"
#include "sound/bank.h"
#include "tools/factory/factory_program.h"
#include "tools/factory_bank/factory_records.h"

namespace {

const std::vector<factory::factory_program>& programs() {
    static const std::vector<factory::factory_program> p = factory::make_factory_programs();
    return p;
}

void BM_FactoryBankRecords(benchmark::State& state) {
    const auto& defs = programs();
    for (auto _ : state) {
        auto records = factory::make_factory_records(defs, int(state.range(0)));
        benchmark::DoNotOptimize(records.data());
    }
}
BENCHMARK(BM_FactoryBankRecords)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_FactoryBankBytes(benchmark::State& state) {
    static const auto records = factory::make_factory_records(programs(), 2);
    size_t size = 0;
    for (auto _ : state) {
        auto bytes = factory::factory_bank_bytes(records);
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.counters["bytes"] = double(size);
}
BENCHMARK(BM_FactoryBankBytes)->Unit(benchmark::kMillisecond);

// The embedded bank as a file, and the largest of its programs read from it.
void BM_FactoryProgramRead(benchmark::State& state) {
    std::filesystem::path path = std::filesystem::temp_directory_path() / "kaveo-bench-factory.kvb";
    auto span = platform::factory_bank();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(span.data()), std::streamsize(span.size()));
    bank b;
    if (!b.load(path)) {
        state.SkipWithError("no embedded bank");
        return;
    }
    int largest = int(std::max_element(b.lengths().begin(), b.lengths().end()) - b.lengths().begin());
    for (auto _ : state) {
        program p = b.get_program(largest);
        benchmark::DoNotOptimize(p.name.data());
    }
    state.counters["record_bytes"] = double(b.lengths()[size_t(largest)]);
    std::filesystem::remove(path);
}
BENCHMARK(BM_FactoryProgramRead)->Unit(benchmark::kMillisecond);

}  // namespace
