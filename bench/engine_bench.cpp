// The instrument at work, 44.1 kHz, blocks of 512: 32 held notes on recorded samples
// through LP24 with the delay, unison stacks, and the same load through the built
// kaveo.so as a host loads it. realtime_x is seconds of sound per second of work.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "bench_host.h"
#include "bench_sounds.h"
#include "host/vst_host.h"
#include "plugin/kaveos.h"

namespace {

constexpr int block = 512;

using bench::note_events;
using bench::workload_patch;

void in_process(benchmark::State& state, int notes, int unison, int filter_type) {
    auto fx = std::make_unique<Kaveos>(nullptr);
    wavetable sets;
    sets.waves[0] = bench::tone_set(220.0);
    sets.waves[1] = bench::tone_set(331.0);
    fx->set_wavetable(sets);
    workload_patch([&](int i, float x) { fx->setParameter(i, x); }, filter_type, true);
    fx->setParameter(P_UNISON_VOICES, choice_to_value(unison - 1, 6));
    fx->setParameter(P_UNISON_DETUNE, 0.5f);
    std::vector<VstMidiEvent> midi;
    std::vector<char> storage;
    fx->processEvents(note_events(midi, storage, 40, notes));
    std::vector<float> l(block), r(block);
    float* outs[2] = {l.data(), r.data()};
    fx->processReplacing(nullptr, outs, block);
    for (auto _ : state) {
        fx->processReplacing(nullptr, outs, block);
        benchmark::DoNotOptimize(l.data());
    }
    state.counters["voices"] = 0;
    for (int v = 0; v < Kaveos::MAX_VOICES; ++v) state.counters["voices"] += fx->pool_voice(v).active;
    state.SetItemsProcessed(state.iterations() * block);
    state.counters["realtime_x"] =
        benchmark::Counter(double(state.iterations()) * block / 44100.0, benchmark::Counter::kIsRate);
}

void BM_Held32RecordedLP24(benchmark::State& s) { in_process(s, 32, 1, 2); }
void BM_Unison5x6RecordedLP24(benchmark::State& s) { in_process(s, 5, 6, 2); }
void BM_Unison5x6RecordedAnaLP(benchmark::State& s) { in_process(s, 5, 6, 5); }
BENCHMARK(BM_Held32RecordedLP24);
BENCHMARK(BM_Unison5x6RecordedLP24);
BENCHMARK(BM_Unison5x6RecordedAnaLP);

// Through the shared library exactly as a host drives it. Samples cannot be handed over
// through the host interface yet, so both oscillators play built-in waves here.
void through_library(benchmark::State& state, bool built_in_in_process) {
    std::vector<float> l(block), r(block);
    float* outs[2] = {l.data(), r.data()};
    std::vector<VstMidiEvent> midi;
    std::vector<char> storage;
    if (built_in_in_process) {
        auto fx = std::make_unique<Kaveos>(nullptr);
        workload_patch([&](int i, float x) { fx->setParameter(i, x); }, 2, false);
        fx->processEvents(note_events(midi, storage, 40, 32));
        for (auto _ : state) fx->processReplacing(nullptr, outs, block);
    } else {
        std::string error;
        auto p = host::plugin::load(KAVEO_PLUGIN_PATH, error);
        if (!p) {
            state.SkipWithError(error.c_str());
            return;
        }
        p->start(44100.0, block);
        AEffect* e = p->effect();
        workload_patch([&](int i, float x) { e->setParameter(e, i, x); }, 2, false);
        p->dispatch(effProcessEvents, 0, 0, note_events(midi, storage, 40, 32));
        for (auto _ : state) e->processReplacing(e, nullptr, outs, block);
    }
    state.SetItemsProcessed(state.iterations() * block);
    state.counters["realtime_x"] =
        benchmark::Counter(double(state.iterations()) * block / 44100.0, benchmark::Counter::kIsRate);
}
void BM_Held32BuiltinLP24Library(benchmark::State& s) { through_library(s, false); }
void BM_Held32BuiltinLP24InProcess(benchmark::State& s) { through_library(s, true); }
BENCHMARK(BM_Held32BuiltinLP24Library);
BENCHMARK(BM_Held32BuiltinLP24InProcess);

}  // namespace
