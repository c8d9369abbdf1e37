// Sample analysis, rate conversion and bank access on realistic sizes.
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <random>
#include <unistd.h>

#include "engine/pitch_analysis.h"
#include "engine/resampler.h"
#include "sound/bank.h"
#include "sound/file_stream.h"

namespace {

constexpr int rate = 44100;
constexpr int ten_seconds = 10 * rate;

sample_data tone() {
    // A voice-like pitched tone: 220 Hz with a few harmonics.
    sample_data s(ten_seconds, rate);
    for (int i = 0; i < ten_seconds; ++i) {
        double t = double(i) / rate;
        s.data[size_t(i)] = float(0.5 * std::sin(2 * std::numbers::pi * 220 * t) +
                                  0.2 * std::sin(2 * std::numbers::pi * 440 * t) +
                                  0.1 * std::sin(2 * std::numbers::pi * 660 * t));
    }
    return s;
}

sample_data white_noise() {
    sample_data s(ten_seconds, rate);
    std::mt19937 gen(1);
    std::uniform_real_distribution<float> d(-0.5f, 0.5f);
    for (float& v : s.data) v = d(gen);
    return s;
}

void analyze(benchmark::State& state, const sample_data& source) {
    for (auto _ : state) {
        sample_data s = source;
        analyze_pitch(s);
        benchmark::DoNotOptimize(s.period_map.data());
    }
    state.counters["x_realtime"] =
        benchmark::Counter(10.0 * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_analyze_pitch_tone(benchmark::State& state) { analyze(state, tone()); }
void BM_analyze_pitch_noise(benchmark::State& state) { analyze(state, white_noise()); }
void BM_analyze_pitch_silence(benchmark::State& state) { analyze(state, sample_data(ten_seconds, rate)); }
BENCHMARK(BM_analyze_pitch_tone)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_analyze_pitch_noise)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_analyze_pitch_silence)->Unit(benchmark::kMillisecond);

void BM_resample_44100_to_48000(benchmark::State& state) {
    sample_data s = tone();
    for (auto _ : state) {
        sample_data out = resampler::shared().resample(s, 48000);
        benchmark::DoNotOptimize(out.data.data());
    }
    state.counters["x_realtime"] =
        benchmark::Counter(10.0 * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_resample_44100_to_48000)->Unit(benchmark::kMillisecond);

// A 15 MB bank of 128 programs, each with one 117 KB sample.
class big_bank : public benchmark::Fixture {
public:
    void SetUp(const benchmark::State&) override {
        if (!path.empty()) return;
        char name[] = "/tmp/kaveo-bench-XXXXXX";
        folder = ::mkdtemp(name);
        path = folder / "big.kvb";
        std::vector<program> programs(128);
        std::mt19937 gen(3);
        std::uniform_real_distribution<float> d(-1.0f, 1.0f);
        for (int i = 0; i < 128; ++i) {
            programs[size_t(i)].name = "Program " + std::to_string(i);
            sample_data s(29000, rate);
            for (float& v : s.data) v = d(gen);
            programs[size_t(i)].waves.waves[0].samples[0] = std::move(s);
        }
        write_bank_file(path, programs);
    }
    ~big_bank() override {
        std::error_code ec;
        if (!folder.empty()) std::filesystem::remove_all(folder, ec);
    }
    std::filesystem::path folder, path;
};

// Bytes this process has read through read() so far (page cache hits included).
double bytes_read_so_far() {
    std::ifstream io("/proc/self/io");
    std::string key;
    double value = 0;
    while (io >> key >> value)
        if (key == "rchar:") return value;
    return 0;
}

BENCHMARK_DEFINE_F(big_bank, get_program)(benchmark::State& state) {
    bank b;
    b.load(path);
    int index = int(state.range(0));
    double before = bytes_read_so_far();
    program once = b.get_program(index);
    state.counters["read_KB"] = (bytes_read_so_far() - before) / 1e3;
    for (auto _ : state) {
        program p = b.get_program(index);
        benchmark::DoNotOptimize(p.name.data());
    }
    state.counters["bank_MB"] = double(std::filesystem::file_size(path)) / 1e6;
}
BENCHMARK_REGISTER_F(big_bank, get_program)->Arg(0)->Arg(127)->Unit(benchmark::kMillisecond);

}  // namespace
