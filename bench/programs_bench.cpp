// Programs and banks at factory size: constructing the plug-in with its default bank (a
// host's scan), switching to the largest program at 48 kHz, storing into a 16 MB bank and
// the first start that writes the factory bank. A bank of the factory's size and shape is
// made here: 128 programs with multi-sampled sets, the largest one about 520 KB.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench_sounds.h"
#include "platform/factory_bank.h"
#include "platform/paths.h"
#include "plugin/kaveos.h"
#include "sound/bank.h"
#include "sound/serializer.h"

namespace {

namespace fs = std::filesystem;

constexpr int largest = 127;

std::span<const std::byte> no_factory_bank() { return {}; }

// The benchmark binary keeps its per-user files in a folder of its own, and instruments
// built here write no factory bank unless a benchmark asks for one.
struct bench_data_home {
    fs::path root;
    bench_data_home() {
        std::string pattern = (fs::temp_directory_path() / "kaveo-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data())) root = pattern;
        use("plain");
        Kaveos::set_factory_bank_source(no_factory_bank);
    }
    ~bench_data_home() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    // XDG_DATA_HOME to a sub-folder of its own; answers the "Kaveo" folder in it.
    fs::path use(const std::string& name) {
        fs::path home = root / name;
        fs::create_directories(home);
        ::setenv("XDG_DATA_HOME", home.c_str(), 1);
        return platform::data_folder();
    }
};

bench_data_home& data_home() {
    static bench_data_home h;
    return h;
}
const bench_data_home& early = data_home();

// 128 programs of the factory bank's proportions: two 0.34 s slots each (about 120 KB),
// the largest with four 0.73 s slots (about 520 KB). About 16 MB in all.
const std::vector<program>& factory_sized_programs() {
    static const std::vector<program> programs = [] {
        std::vector<sample_data> short_tones, long_tones;
        for (int k = 0; k < 7; ++k) short_tones.push_back(bench::tone(110.0 * (1 + k), 0.34));
        for (int k = 0; k < 4; ++k) long_tones.push_back(bench::tone(82.5 * (1 + k), 0.73));
        std::vector<program> v(128);
        for (int i = 0; i < 128; ++i) {
            program& p = v[size_t(i)];
            p.name = "Program " + std::to_string(i);
            p.waves.names = {"UserA", "UserB"};
            waveform& w = p.waves.waves[0];
            const int slots = i == largest ? 4 : 2;
            for (int s = 0; s < slots; ++s) {
                w.samples[size_t(s)] = i == largest ? long_tones[size_t(s)] : short_tones[size_t((i + s) % 7)];
                w.names[size_t(s)] = "slot" + std::to_string(s) + ".wav";
            }
            for (int key = 0; key < 128; ++key) w.keymap[size_t(key)] = key * slots / 128;
            p.params.set_value(P_OSC1_WAVE, choice_to_value(0, 6));
        }
        return v;
    }();
    return programs;
}

const std::vector<std::byte>& factory_sized_bank() {
    static const std::vector<std::byte> bytes = [] {
        countizer c;
        write_bank(c, factory_sized_programs());
        std::vector<std::byte> out(size_t(c.count()));
        mem_serializer m(out.data(), int64_t(out.size()));
        write_bank(m, factory_sized_programs());
        return out;
    }();
    return bytes;
}

// XDG_DATA_HOME names the folder `name` while it lives, then the plain one again, so
// instruments of other benchmarks never meet these banks.
struct data_folder_for {
    fs::path folder;
    explicit data_folder_for(const std::string& name) : folder(data_home().use(name)) {}
    ~data_folder_for() { data_home().use("plain"); }
};

// A data folder whose "default.kvb" is the factory-sized bank.
struct folder_with_default_bank : data_folder_for {
    explicit folder_with_default_bank(const std::string& name) : data_folder_for(name) {
        if (!fs::exists(folder / "default.kvb")) write_bank_file(folder / "default.kvb", factory_sized_programs());
    }
};

void add_bank_counters(benchmark::State& state) {
    state.counters["bank_MB"] = double(factory_sized_bank().size()) / 1e6;
    state.counters["largest_KB"] = double(factory_sized_programs()[largest].record_size()) / 1e3;
}

void BM_construct_with_default_bank(benchmark::State& state) {
    folder_with_default_bank home("with-bank");
    for (auto _ : state) {
        auto fx = std::make_unique<Kaveos>(nullptr);
        benchmark::DoNotOptimize(fx.get());
        state.PauseTiming();
        fx.reset();
        state.ResumeTiming();
    }
    add_bank_counters(state);
}
BENCHMARK(BM_construct_with_default_bank)->Unit(benchmark::kMillisecond);

// Read from the bank file (seeking past 127 records), resample four slots from 44.1 to
// 48 kHz, swap in and push.
void BM_set_program_largest_48k(benchmark::State& state) {
    folder_with_default_bank home("with-bank");
    Kaveos fx(nullptr);
    fx.setSampleRate(48000.0f);
    for (auto _ : state) {
        fx.setProgram(largest);
        benchmark::DoNotOptimize(fx.current().waves.waves[0].play_samples[0].data.data());
    }
    add_bank_counters(state);
}
BENCHMARK(BM_set_program_largest_48k)->Unit(benchmark::kMillisecond);

// Every record is read and written again, and the new file synced before the rename.
void BM_store_current_program_16MB_bank(benchmark::State& state) {
    folder_with_default_bank home("store");
    Kaveos fx(nullptr);
    fx.setProgram(64);
    bool stored = true;
    for (auto _ : state) {
        fx.setParameter(P_FILTER_CUTOFF, float(state.iterations() % 100) / 100.0f);
        stored = fx.store_current_program() && stored;
    }
    if (!stored) state.SkipWithError("a store failed");
    add_bank_counters(state);
}
BENCHMARK(BM_store_current_program_16MB_bank)->Unit(benchmark::kMillisecond)->Iterations(8);

// The embedded factory bank when the library carries one, else the factory-sized bank.
std::span<const std::byte> first_start_bytes() {
    std::span<const std::byte> embedded = platform::factory_bank();
    return embedded.empty() ? std::span<const std::byte>(factory_sized_bank()) : embedded;
}

void BM_first_start_writes_factory_bank(benchmark::State& state) {
    data_folder_for home("first-start");
    const fs::path folder = home.folder;
    (void)first_start_bytes();  // built before the clock runs
    Kaveos::set_factory_bank_source(first_start_bytes);
    bool written = true;
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove(folder / "default.kvb");
        state.ResumeTiming();
        auto fx = std::make_unique<Kaveos>(nullptr);
        state.PauseTiming();
        written = written && fx->active_bank().nprogs() == 128;
        fx.reset();
        state.ResumeTiming();
    }
    Kaveos::set_factory_bank_source(no_factory_bank);
    if (!written) state.SkipWithError("the factory bank was not written");
    state.counters["bank_MB"] = double(first_start_bytes().size()) / 1e6;
}
BENCHMARK(BM_first_start_writes_factory_bank)->Unit(benchmark::kMillisecond)->Iterations(8);

}  // namespace
