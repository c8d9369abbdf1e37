// The editor window's costs: opening it and drawing everything (needs an X display, e.g.
// xvfb-run -a build/bench/kaveo_bench --benchmark_filter=Editor), an idle call with
// nothing to redraw, and redraws without a window.
#include <benchmark/benchmark.h>

#include "bench_window.h"

#include <memory>

#include "tools/toolkit_demo/demo_scene.h"
#include "toolkit/x11_window.h"

using namespace VSTGUI;

namespace {

using bench::host;

// The first open of a process decodes the pictures and loads the fonts; registered first
// so it runs with cold caches (when run with the other benchmarks of this file).
void BM_EditorFirstOpenAndDraw(benchmark::State& state) {
    if (!host().dpy) {
        state.SkipWithError("no X display");
        return;
    }
    for (auto _ : state) {
        CFrame frame(CRect(0, 0, 640, 599), reinterpret_cast<void*>(host().window), nullptr);
        demo::scene scene;
        scene.build(&frame);
        frame.redraw();
        XSync(frame.getPlatformWindow()->display(), False);
    }
}
BENCHMARK(BM_EditorFirstOpenAndDraw)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_EditorWindowOpenAndDraw(benchmark::State& state) {
    if (!host().dpy) {
        state.SkipWithError("no X display");
        return;
    }
    for (auto _ : state) {
        auto frame = std::make_unique<CFrame>(CRect(0, 0, 640, 599), reinterpret_cast<void*>(host().window), nullptr);
        auto scene = std::make_unique<demo::scene>();
        scene->build(frame.get());
        frame->redraw();
        // Wait until the server has taken every request, so the picture is really there.
        XSync(frame->getPlatformWindow()->display(), False);
        state.PauseTiming();
        scene.reset();
        frame.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_EditorWindowOpenAndDraw)->Unit(benchmark::kMillisecond);

void BM_EditorIdleNothingDirty(benchmark::State& state) {
    if (!host().dpy) {
        state.SkipWithError("no X display");
        return;
    }
    CFrame frame(CRect(0, 0, 640, 599), reinterpret_cast<void*>(host().window), nullptr);
    demo::scene scene;
    scene.build(&frame);
    frame.redraw();
    for (int i = 0; i < 10; ++i) frame.idle();
    long passes = frame.getDrawPasses();
    for (auto _ : state) frame.idle();
    state.counters["draw_passes"] = double(frame.getDrawPasses() - passes);
}
BENCHMARK(BM_EditorIdleNothingDirty)->Unit(benchmark::kMicrosecond);

void BM_HeadlessFullRedraw(benchmark::State& state) {
    CFrame frame(CRect(0, 0, 640, 599), nullptr, nullptr);
    demo::scene scene;
    scene.build(&frame);
    for (auto _ : state) frame.redraw();
}
BENCHMARK(BM_HeadlessFullRedraw)->Unit(benchmark::kMillisecond);

void BM_HeadlessSliderDrag(benchmark::State& state) {
    CFrame frame(CRect(0, 0, 640, 599), nullptr, nullptr);
    demo::scene scene;
    scene.build(&frame);
    frame.redraw();
    // The first oscillator slider: its handle at value 0.5 is near y 36 + 374 + 59.
    frame.platformMouseDown({134, 36 + 374 + 64}, kLButton);
    int y = 0;
    for (auto _ : state) {
        frame.platformMouseMoved({134, 36 + 374 + 30 + (y++ % 60)}, kLButton);
    }
    frame.platformMouseUp({134, 36 + 374 + 64}, 0);
}
BENCHMARK(BM_HeadlessSliderDrag)->Unit(benchmark::kMicrosecond);

}  // namespace
