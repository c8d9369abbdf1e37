// The workload as a host meets it: the built kaveo.so, with the recorded tones handed over
// in a program chunk, and amsynth (Debian's VST 2.x synth, the yardstick), both loaded
// through the host library and rendered in turns in the same run, blocks of 512. Counters:
// kaveo_x and amsynth_x are seconds of sound per second of work, ratio is kaveo_x over
// amsynth_x; pct_per_voice is the share of one core each held voice costs.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench_host.h"
#include "bench_sounds.h"
#include "host/vst_host.h"
#include "sound/program.h"
#include "sound/serializer.h"

namespace {

constexpr int block = 512;

struct player {
    std::unique_ptr<host::plugin> p;
    std::vector<float> l = std::vector<float>(block), r = std::vector<float>(block);
    std::vector<VstMidiEvent> midi;
    std::vector<char> storage;

    void render(int blocks) {
        float* outs[2] = {l.data(), r.data()};
        AEffect* e = p->effect();
        for (int b = 0; b < blocks; ++b) {
            e->processReplacing(e, nullptr, outs, block);
            benchmark::DoNotOptimize(l.data());
        }
    }
};

bool load(player& pl, const char* path, double rate, std::string& error) {
    if (!std::filesystem::exists(path)) {
        error = std::string(path) + " is not installed";
        return false;
    }
    pl.p = host::plugin::load(path, error);
    if (!pl.p) return false;
    pl.p->start(rate, block);
    return true;
}

// Kaveo with the workload's patch on two recorded ~2 s tones, `notes` keys held, started
// `spread` samples apart.
bool load_kaveo(player& pl, double rate, int filter_type, int notes, int unison,
                std::string& error, int spread = 0) {
    if (!load(pl, KAVEO_PLUGIN_PATH, rate, error)) return false;
    program tones;
    tones.waves.waves[0] = bench::tone_set(220.0);
    tones.waves.waves[1] = bench::tone_set(331.0);
    countizer count;
    tones.serialize(count);
    std::vector<unsigned char> chunk(size_t(count.count()));
    mem_serializer out(chunk.data(), int64_t(chunk.size()));
    tones.serialize(out);
    if (pl.p->dispatch(effSetChunk, 1, VstIntPtr(chunk.size()), chunk.data()) != 1) {
        error = "the program chunk was refused";
        return false;
    }
    AEffect* e = pl.p->effect();
    auto set = [e](int i, float x) { e->setParameter(e, i, x); };
    bench::workload_patch(set, filter_type, true);
    set(P_UNISON_VOICES, choice_to_value(unison - 1, 6));
    set(P_UNISON_DETUNE, 0.5f);
    pl.p->dispatch(effProcessEvents, 0, 0,
                   bench::note_events(pl.midi, pl.storage, 40, notes, spread));
    pl.render(16);  // past the attacks
    return true;
}

bool load_amsynth(player& pl, double rate, int notes, std::string& error) {
    bench::private_home();
    if (!load(pl, bench::amsynth_path, rate, error)) return false;
    pl.p->dispatch(effProcessEvents, 0, 0, bench::note_events(pl.midi, pl.storage, 40, notes));
    pl.render(16);
    return true;
}

double seconds_to_render(player& pl, int blocks) {
    const auto t0 = std::chrono::steady_clock::now();
    pl.render(blocks);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Args: filter type, sample rate. 32 held notes, Kaveo then amsynth, one second each turn.
void BM_WorkloadBesideAmsynth(benchmark::State& state) {
    const int filter_type = int(state.range(0));
    const double rate = double(state.range(1));
    player kaveo, amsynth;
    std::string error;
    if (!load_kaveo(kaveo, rate, filter_type, 32, 1, error) ||
        !load_amsynth(amsynth, rate, 32, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    const int blocks = int(rate / block);
    const double audio = double(blocks) * block / rate;
    double kaveo_time = 0.0, amsynth_time = 0.0, turns = 0.0;
    for (auto _ : state) {
        const double k = seconds_to_render(kaveo, blocks);
        amsynth_time += seconds_to_render(amsynth, blocks);
        kaveo_time += k;
        turns += 1.0;
        state.SetIterationTime(k);
    }
    state.counters["kaveo_x"] = turns * audio / kaveo_time;
    state.counters["amsynth_x"] = turns * audio / amsynth_time;
    state.counters["ratio"] = amsynth_time / kaveo_time;
}
BENCHMARK(BM_WorkloadBesideAmsynth)
    ->ArgNames({"filter", "rate"})
    ->Args({2, 44100})  // LP24
    ->Args({5, 44100})  // AnaLP
    ->Args({2, 48000})
    ->Args({2, 96000})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// Args: notes, unison voices per note, filter type, samples between the notes' starts;
// Kaveo alone, 44.1 kHz.
void BM_WorkloadVoices(benchmark::State& state) {
    const int notes = int(state.range(0)), unison = int(state.range(1));
    player kaveo;
    std::string error;
    if (!load_kaveo(kaveo, 44100.0, int(state.range(2)), notes, unison, error,
                    int(state.range(3)))) {
        state.SkipWithError(error.c_str());
        return;
    }
    const int blocks = 86;
    const double audio = blocks * double(block) / 44100.0;
    double work = 0.0, turns = 0.0;
    for (auto _ : state) {
        const double t = seconds_to_render(kaveo, blocks);
        work += t;
        turns += 1.0;
        state.SetIterationTime(t);
    }
    state.counters["kaveo_x"] = turns * audio / work;
    state.counters["pct_per_voice"] = 100.0 * work / (turns * audio) / double(notes * unison);
}
BENCHMARK(BM_WorkloadVoices)
    ->ArgNames({"notes", "unison", "filter", "spread"})
    ->Args({5, 6, 5, 0})  // five notes of six unison voices on AnaLP
    ->Args({1, 1, 2, 0})
    ->Args({2, 1, 2, 0})
    ->Args({4, 1, 2, 0})
    ->Args({8, 1, 2, 0})
    ->Args({16, 1, 2, 0})
    ->Args({32, 1, 2, 0})
    ->Args({32, 1, 2, 13})  // the notes' control ticks all apart
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
