// The instrument at work, 44.1 kHz, blocks of 512: 32 held notes on recorded samples
// through LP24 with the delay, unison stacks, and the same load through the built
// kaveo.so as a host loads it. realtime_x is seconds of sound per second of work.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "bench_sounds.h"
#include "host/vst_host.h"
#include "plugin/kaveos.h"

namespace {

constexpr int block = 512;

// The workload's sound: both oscillators on looped ~2 s samples, LP24 (or another
// filter) with its envelope, LFO1 on the cutoff through the matrix, the delay on.
template <typename Set>
void workload_patch(Set set, int filter_type, bool recorded) {
    set(P_OSC1_WAVE, choice_to_value(recorded ? 0 : 2, 6));
    set(P_OSC2_WAVE, choice_to_value(recorded ? 1 : 3, 6));
    set(P_OSC1_LOOP, 1.0f);
    set(P_OSC2_LOOP, 1.0f);
    set(P_OSC1_LOOP_LENGTH, 1.0f);
    set(P_OSC2_LOOP_LENGTH, 1.0f);
    set(P_OSC_BALANCE, 0.5f);
    set(P_GAIN, 0.5f);
    set(P_FILTER_TYPE, choice_to_value(filter_type, 7));
    set(P_FILTER_CUTOFF, 0.4f);
    set(P_FILTER_RES, 0.5f);
    set(P_FILTER_ENV, 0.8f);
    set(P_FEG_DECAY, 0.6f);
    set(P_FEG_SUSTAIN, 0.3f);
    set(P_LFO1_FREQ, 0.4f);
    set(P_ASSIGN1_SRC, choice_to_value(3, 8));
    set(P_ASSIGN1_DEST, choice_to_value(P_FILTER_CUTOFF, 128));
    set(P_ASSIGN1_AMOUNT, 0.7f);
    set(P_DELAY_ON, choice_to_value(1, 2));
    set(P_DELAY_WET, 0.8f);
    set(P_DELAY_FEEDBACK, 0.85f);
}

VstEvents* note_events(std::vector<VstMidiEvent>& midi, std::vector<char>& storage,
                       int first_key, int count) {
    midi.clear();
    for (int k = 0; k < count; ++k) {
        VstMidiEvent e{};
        e.type = kVstMidiType;
        e.byteSize = sizeof e;
        e.midiData[0] = char(0x90);
        e.midiData[1] = char(first_key + k);
        e.midiData[2] = 100;
        midi.push_back(e);
    }
    storage.assign(sizeof(VstEvents) + midi.size() * sizeof(VstEvent*), 0);
    auto* list = reinterpret_cast<VstEvents*>(storage.data());
    list->numEvents = int(midi.size());
    for (size_t i = 0; i < midi.size(); ++i) list->events[i] = reinterpret_cast<VstEvent*>(&midi[i]);
    return list;
}

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
