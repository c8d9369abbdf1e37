// The instrument's editor: opening it (every view of the three pages built, the window
// drawn whole), an idle with nothing to do, the idle after a program switch, and a host
// automating one parameter at 1 kHz while the window is open. With an X display (e.g.
// xvfb-run -a build/bench/kaveo_bench --benchmark_filter=KaveoEditor) the editor opens in
// a window; without one it draws into its back buffer only.
#include <benchmark/benchmark.h>

#include "bench_window.h"

#include <chrono>
#include <cstdio>
#include <memory>

#include "editor/kaveos_editor.h"
#include "plugin/kaveos.h"
#include "toolkit/cframe.h"
#include "toolkit/x11_window.h"

namespace {

using bench::host;

KaveosEditor& editor_of(Kaveos& fx) { return *static_cast<KaveosEditor*>(fx.getEditor()); }

// Run alone (--benchmark_filter=KaveoEditorFirst) it is the first open of the process:
// pictures decoded and fonts loaded.
void BM_KaveoEditorFirstOpenAndDraw(benchmark::State& state) {
    Kaveos fx(nullptr);
    KaveosEditor& ed = editor_of(fx);
    for (auto _ : state) {
        ed.open(host().parent());
        ed.getFrame()->redraw();
        if (host().dpy) XSync(ed.getFrame()->getPlatformWindow()->display(), False);
    }
    ed.close();
}
BENCHMARK(BM_KaveoEditorFirstOpenAndDraw)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_KaveoEditorOpenAndDraw(benchmark::State& state) {
    Kaveos fx(nullptr);
    KaveosEditor& ed = editor_of(fx);
    for (auto _ : state) {
        ed.open(host().parent());
        ed.getFrame()->redraw();
        if (host().dpy) XSync(ed.getFrame()->getPlatformWindow()->display(), False);
        state.PauseTiming();
        ed.close();
        state.ResumeTiming();
    }
    state.SetLabel(host().dpy ? "in a window" : "no display: back buffer only");
}
BENCHMARK(BM_KaveoEditorOpenAndDraw)->Unit(benchmark::kMillisecond);

void BM_KaveoEditorIdleWithNothingToDo(benchmark::State& state) {
    Kaveos fx(nullptr);
    KaveosEditor& ed = editor_of(fx);
    ed.open(host().parent());
    ed.idle();
    long passes = ed.getFrame()->getDrawPasses();
    for (auto _ : state) ed.idle();
    state.counters["draw_passes"] = double(ed.getFrame()->getDrawPasses() - passes);
    ed.close();
}
BENCHMARK(BM_KaveoEditorIdleWithNothingToDo)->Unit(benchmark::kMicrosecond);

// What a program switch tells the editor: all 87 values and the name changed.
void BM_KaveoEditorIdleAfterProgramSwitch(benchmark::State& state) {
    Kaveos fx(nullptr);
    KaveosEditor& ed = editor_of(fx);
    ed.open(host().parent());
    ed.idle();
    long passes = ed.getFrame()->getDrawPasses();
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ++round;
        for (int i = 0; i < NUM_PARAMS; ++i) fx.setParameter(i, (round % 2) ? 0.3f : 0.7f);
        char name[32];
        std::snprintf(name, sizeof name, "Program %d", round);
        fx.setProgramName(name);
        state.ResumeTiming();
        ed.idle();
    }
    state.counters["draw_passes_per_switch"] =
        double(ed.getFrame()->getDrawPasses() - passes) / double(state.iterations());
    ed.close();
}
BENCHMARK(BM_KaveoEditorIdleAfterProgramSwitch)->Unit(benchmark::kMicrosecond);

// One second of a host automating the cutoff at 1 kHz with idle calls every 50 ms: the
// time the user-interface thread spends in those idle calls.
void BM_KaveoEditorHostAutomationAt1kHz(benchmark::State& state) {
    Kaveos fx(nullptr);
    KaveosEditor& ed = editor_of(fx);
    ed.open(host().parent());
    ed.idle();
    double ui_seconds = 0.0;
    for (auto _ : state) {
        for (int idle = 0; idle < 20; ++idle) {
            for (int i = 0; i < 50; ++i) fx.setParameter(P_FILTER_CUTOFF, float((idle * 50 + i) % 1000) / 1000.0f);
            auto t0 = std::chrono::steady_clock::now();
            ed.idle();
            ui_seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        }
    }
    state.counters["ui_ms_per_second"] = 1000.0 * ui_seconds / double(state.iterations());
    ed.close();
}
BENCHMARK(BM_KaveoEditorHostAutomationAt1kHz)->Unit(benchmark::kMillisecond);

}  // namespace
