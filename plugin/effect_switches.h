// Effect-level copies of parameters that the engine, the delay and the editor's display
// lookup read. setParameter writes them on whatever thread the change arrives on; the
// audio thread reads them, so every field is an atomic (relaxed: each is independent).
#pragma once

#include <array>
#include <atomic>

#include "engine/param.h"

struct effect_switches {
    std::atomic<bool> legato{false};           // 3
    std::atomic<float> porta_speed{0.0f};      // 4, raw value
    std::atomic<bool> host_tempo{true};        // 10: "Host" when above 0.4999
    std::array<std::atomic<int>, 3> lfo_sync{};  // 40, 43, 46: 0 Off, 1 Tempo, 2 Note
    std::atomic<bool> delay_on{false};         // 73
    std::atomic<bool> delay_cross{false};      // 74
    std::atomic<bool> delay_sync{false};       // 75
    std::atomic<int> delay_filter_mode{0};     // 76: 0 none, 1 low-pass, 2 high-pass
    std::atomic<float> delay_tempo{0.47244096f};  // 77, raw value; also the plug tempo
    std::atomic<float> delay_length{0.5f};     // 78, raw value
    std::atomic<float> delay_wet{0.0f};        // 79, raw value
    std::atomic<float> delay_feedback{0.0f};   // 80, raw value
    std::atomic<float> delay_cutoff{0.0f};     // 81, raw value
    std::array<std::atomic<bool>, 2> osc_sync{};  // 82, 83

    // Moves whenever the delay filter type or cutoff is set: the audio thread recomputes
    // the delay's filters when it sees a new number.
    std::atomic<unsigned> delay_filter_generation{0};
    // Set when the delay is switched off: the audio thread clears the lines at its next
    // block (they belong to it, so no other thread writes them).
    std::atomic<bool> delay_clear_request{false};

    // Beats per minute the instrument runs at when it does not follow the host: 72..199,
    // as the value text shows it.
    int plug_tempo() const { return tempop::tempo_bpm(double(delay_tempo.load(std::memory_order_relaxed))); }
};
