// Generating the factory sounds: the whole bank (every sample of 128 programs), and one set
// of each kind of model.
#include <benchmark/benchmark.h>

#include "tools/factory/factory_program.h"
#include "tools/factory/sample_sets.h"

static void BM_FactoryBankGeneration(benchmark::State& state) {
    size_t frames = 0;
    for (auto _ : state) {
        std::vector<factory::factory_program> bank = factory::make_factory_programs();
        benchmark::DoNotOptimize(bank.data());
        frames = 0;
        for (const auto& p : bank)
            for (const auto& s : p.sets)
                for (const auto& slot : s.slots) frames += slot.frames();
    }
    state.counters["stored_audio_s"] = double(frames) / factory::sample_rate;
}
BENCHMARK(BM_FactoryBankGeneration)->Unit(benchmark::kMillisecond)->Iterations(3);

static void BM_FactorySet(benchmark::State& state, const char* id) {
    for (auto _ : state) {
        factory::sample_sets sets;  // a fresh catalogue: nothing cached
        benchmark::DoNotOptimize(&sets.get(id));
    }
}
BENCHMARK_CAPTURE(BM_FactorySet, pluck_nylon, "nylon")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FactorySet, modal_marimba, "marimba")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FactorySet, tine_fm, "tine")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FactorySet, section_strings, "strings")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FactorySet, choir_formants, "choir_aah")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FactorySet, sync_oversampled, "sync")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_FactorySet, drum_loop, "loop_funk")->Unit(benchmark::kMillisecond);
