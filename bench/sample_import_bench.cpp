// The sample page's import of a 10-second 44.1 kHz WAV (written by sox), from the moment
// the file is chosen to the moment it plays in its slot, with the host's idle calls every
// millisecond meanwhile; longest_idle_ms is the longest of those calls. At 48 kHz the
// import resamples too.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>
#include <thread>

#include "editor/kaveos_editor.h"
#include "editor/sample_page.h"
#include "plugin/kaveos.h"

namespace {

namespace fs = std::filesystem;

std::span<const std::byte> no_bank() { return {}; }

// A folder of its own for the sample and the instrument's per-user files.
struct import_folder {
    fs::path root;
    std::string saved_home;
    bool had_home = false;
    import_folder() {
        std::string pattern = (fs::temp_directory_path() / "kaveo-import-XXXXXX").string();
        if (::mkdtemp(pattern.data())) root = pattern;
        if (const char* h = std::getenv("XDG_DATA_HOME")) {
            had_home = true;
            saved_home = h;
        }
        ::setenv("XDG_DATA_HOME", root.c_str(), 1);
        Kaveos::set_factory_bank_source(no_bank);
    }
    ~import_folder() {
        if (had_home)
            ::setenv("XDG_DATA_HOME", saved_home.c_str(), 1);
        else
            ::unsetenv("XDG_DATA_HOME");
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

void BM_sample_page_import_10s_wav(benchmark::State& state) {
    import_folder folder;
    const fs::path wav = folder.root / "ten seconds.wav";
    const std::string sox = "sox -n -r 44100 -b 16 -c 1 '" + wav.string() +
                            "' synth 10 pluck A2 synth 10 sine amod 3 >/dev/null 2>&1";
    if (folder.root.empty() || std::system(sox.c_str()) != 0) {
        state.SkipWithError("sox could not write the sample");
        return;
    }
    Kaveos fx(nullptr);
    fx.setSampleRate(float(state.range(0)));
    auto* ed = static_cast<KaveosEditor*>(fx.getEditor());
    if (!ed->open(nullptr)) {
        state.SkipWithError("the editor did not open");
        return;
    }
    sample_page& page = ed->samples();
    // The first idle calls draw the whole window for the first time.
    for (int i = 0; i < 5; ++i) ed->idle();
    using clock = std::chrono::steady_clock;
    double longest = 0.0;
    for (auto _ : state) {
        const auto start = clock::now();
        page.load_file(wav.string());
        while (page.import_running()) {
            const auto t = clock::now();
            ed->idle();
            longest = std::max(longest, std::chrono::duration<double>(clock::now() - t).count());
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        state.SetIterationTime(std::chrono::duration<double>(clock::now() - start).count());
    }
    if (fx.current().waves.waves[0].names[0] != "ten seconds.wav") state.SkipWithError("nothing was installed");
    state.counters["longest_idle_ms"] = longest * 1e3;
    ed->close();
}
BENCHMARK(BM_sample_page_import_10s_wav)->Arg(44100)->Arg(48000)->Iterations(5)->UseManualTime()->Unit(
    benchmark::kMillisecond);

}  // namespace
