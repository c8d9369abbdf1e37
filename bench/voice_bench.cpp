// One voice at 44.1 kHz, and the shared tables' build.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "bench_host.h"
#include "bench_sounds.h"
#include "engine/tables.h"
#include "engine/voice.h"
#include "engine/wave_tables.h"
#include "sound/program.h"

namespace {

struct lone_host : voice_host {
    int tempo() override { return 120; }
    double song_position() override { return -1.0; }
    voice* free_voice() override { return nullptr; }
};

// Both oscillators on recorded ~2 s looped samples, the given filter with its envelope
// moving, one note held; the real-time factor is the items rate / 44100.
void one_voice(benchmark::State& state, int filter_type) {
    lone_host host;
    program p;
    p.waves.waves[0] = bench::tone_set(220.0);
    p.waves.waves[1] = bench::tone_set(331.0);
    auto v = std::make_unique<voice>();
    v->bind(&host);
    v->set_program(p);
    auto set = [&](int i, float x) { v->setParameter(i, x); };
    bench::workload_patch(set, filter_type, true);  // the delay settings do not reach a voice
    v->start(57, 0.0, 0, 100, 0);
    std::vector<double> l(512), r(512);
    for (auto _ : state) {
        v->render(l.data(), r.data(), 512, nullptr);
        benchmark::DoNotOptimize(l.data());
    }
    state.SetItemsProcessed(state.iterations() * 512);
    state.counters["realtime_x"] = benchmark::Counter(
        double(state.iterations()) * 512 / 44100.0, benchmark::Counter::kIsRate);
}

void BM_VoiceRecordedLP24(benchmark::State& state) { one_voice(state, voice_filter::lp24); }
void BM_VoiceRecordedAnaLP(benchmark::State& state) { one_voice(state, voice_filter::analog_lp); }
BENCHMARK(BM_VoiceRecordedLP24);
BENCHMARK(BM_VoiceRecordedAnaLP);

// Building every shared table from scratch (what the first instance in a process pays).
void BM_SharedTablesBuild(benchmark::State& state) {
    for (auto _ : state) {
        auto t = std::make_unique<lookup_tables>();
        auto w = std::make_unique<wave_table_set>();
        benchmark::DoNotOptimize(t.get());
        benchmark::DoNotOptimize(w.get());
    }
}
BENCHMARK(BM_SharedTablesBuild)->Unit(benchmark::kMillisecond);

}  // namespace
