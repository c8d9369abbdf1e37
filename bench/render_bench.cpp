// Rendering through the host library: 32 notes held for five seconds at 44.1 kHz in
// blocks of 512, through amsynth (Debian's VST 2.x synth, the yardstick) and through Kaveo.
// The "realtime" counter is seconds of audio rendered per second of wall time.
#include <benchmark/benchmark.h>

#include <string>

#include "bench_host.h"
#include "host/note_list.h"
#include "host/renderer.h"

namespace {

host::midi_song held_notes(int count, double seconds) {
    std::string list;
    for (int i = 0; i < count; ++i)
        list += std::to_string(36 + i) + ":0:" + std::to_string(seconds) + "s,";
    return host::parse_note_list(list, 120.0);
}

void render_held_notes(benchmark::State& state, const char* path) {
    bench::private_home();
    if (!std::filesystem::exists(path)) {
        state.SkipWithError("plug-in not installed");
        return;
    }
    std::string error;
    auto p = host::plugin::load(path, error);
    if (!p) {
        state.SkipWithError(error.c_str());
        return;
    }
    host::render_settings settings;
    settings.sample_rate = 44100;
    settings.block_size = 512;
    settings.tail_seconds = 0.0;
    host::renderer r(*p, settings);
    const host::midi_song song = held_notes(32, 5.0);
    double audio_seconds = 0.0, peak = 0.0;
    for (auto _ : state) {
        host::render_summary s = r.render(song, [](const float* const* ch, int frames) {
            benchmark::DoNotOptimize(ch[0][frames - 1]);
        });
        audio_seconds += s.seconds;
        peak = s.peak;
    }
    state.counters["realtime"] = benchmark::Counter(audio_seconds, benchmark::Counter::kIsRate);
    state.counters["peak"] = peak;
}

void BM_render_amsynth_32_notes(benchmark::State& state) {
    render_held_notes(state, bench::amsynth_path);
}
BENCHMARK(BM_render_amsynth_32_notes)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_render_kaveo_32_notes(benchmark::State& state) {
    render_held_notes(state, KAVEO_PLUGIN_PATH);
}
BENCHMARK(BM_render_kaveo_32_notes)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
