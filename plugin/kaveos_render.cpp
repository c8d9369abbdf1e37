// The render call: queued events, the voice walk under the engine lock, the delay and the
// conversion to the host's float buffers.
#include <algorithm>
#include <array>
#include <cstring>

#include "engine/denormal_guard.h"
#include "plugin/kaveos.h"

void Kaveos::process(float** /*inputs*/, float** outputs, VstInt32 frames) {
    if (!outputs || frames <= 0) return;
    denormal_guard guard;  // whoever calls: the host, a test or a benchmark
    const size_t n = size_t(frames);
    if (n > mix_left.size()) {
        // The only allocation on the audio thread: a block longer than any before.
        mix_left.assign(n, 0.0);
        mix_right.assign(n, 0.0);
        mix_child.assign(n * size_t(voice::lane_width), 0.0);  // a buffer per lane
    }
    std::fill_n(mix_left.begin(), n, 0.0);
    std::fill_n(mix_right.begin(), n, 0.0);
    {
        // A program switch holds the lock across its work (and, later, disk reads): never
        // wait for it here. The block is silent, and the events wait for the next one.
        std::unique_lock<std::mutex> lock(engine_lock, std::try_to_lock);
        if (!lock.owns_lock()) {
            pending_events.make_late();
            return;
        }
        if (effect.delay_clear_request.exchange(false, std::memory_order_relaxed))
            delay_unit.clear();
        if (switching.load(std::memory_order_acquire) > 0)
            pending_events.make_late();  // for the program being read; its swap would cut them
        else
            play_events(frames);
        render_voices(frames);
        if (busy.load(std::memory_order_relaxed)) return;  // discarded, no delay either
        if (effect.delay_on.load(std::memory_order_relaxed)) run_delay(frames);
    }
    for (int c = 0; c < 2; ++c) {
        float* out = outputs[c];
        if (!out) continue;
        const double* mix = c == 0 ? mix_left.data() : mix_right.data();
        for (size_t j = 0; j < n; ++j) out[j] += float(mix[j]);
    }
}

void Kaveos::processReplacing(float** inputs, float** outputs, VstInt32 frames) {
    if (!outputs || frames <= 0) return;
    for (int c = 0; c < 2; ++c)
        if (outputs[c]) std::memset(outputs[c], 0, sizeof(float) * size_t(frames));
    process(inputs, outputs, frames);
}

void Kaveos::render_voices(int frames) {
    double* left = mix_left.data();
    double* right = mix_right.data();
    double* child = mix_child.data();
    // A played voice's unison children summed into c; null when it has none.
    auto children_sum = [&](voice& v, double* c) -> const double* {
        if (!v.has_children()) return nullptr;
        std::fill_n(c, frames, 0.0);
        for (voice* ch : v.children) {
            if (!ch) break;
            if (ch->active && ch->is_child && ch->parent == &v) ch->render_child(c, frames);
        }
        return c;
    };
    auto play = [&](voice& v) { v.render(left, right, frames, children_sum(v, child)); };
    // Off the pool first: what fades out there left its place this block or before.
    for (voice* v : off_pool) {
        if (v->is_child && v->active) continue;  // rendered by its parent
        if (v->active)
            play(*v);
        else if (v->sounding())
            v->render_tail(left, right, frames);
        else
            v->skip_lfos(frames);
    }
    // A note that ended in this block with its DC tail still fading: the tail goes on off
    // the pool, so the place is free for the next note at once (without a spare the tail
    // ends here).
    auto leave = [&](voice& v, int slot) {
        if (!v.active && v.sounding() && !replace_in_pool(slot)) v.stop();
    };
    // Neighbouring played voices with the same filter type render together in lanes; the
    // pool's order of voices stays.
    std::array<voice*, voice::lane_width> group{};
    std::array<int, voice::lane_width> group_slots{};
    int grouped = 0;
    auto flush = [&] {
        if (grouped == 0) return;
        std::array<const double*, voice::lane_width> child_in{};
        for (int l = 0; l < grouped; ++l)
            child_in[size_t(l)] = children_sum(*group[size_t(l)], child + size_t(l) * size_t(frames));
        voice::render_lanes(group.data(), grouped, left, right, frames, child_in.data());
        for (int l = 0; l < grouped; ++l) leave(*group[size_t(l)], group_slots[size_t(l)]);
        grouped = 0;
    };
    for (int slot = 0; slot < MAX_VOICES; ++slot) {
        voice& v = *voices[size_t(slot)];
        if (!v.active) {
            // Free voices keep their LFOs running, so a free LFO carries its phase on.
            v.skip_lfos(frames);
            continue;
        }
        if (v.is_child) continue;  // rendered by its parent
        if (grouped > 0 && (!lanes || v.filter.type() != group[0]->filter.type())) flush();
        group[size_t(grouped)] = &v;
        group_slots[size_t(grouped)] = slot;
        if (++grouped == voice::lane_width) flush();
    }
    flush();
}

void Kaveos::run_delay(int frames) {
    constexpr auto relaxed = std::memory_order_relaxed;
    delay::settings s;
    s.cross = effect.delay_cross.load(relaxed);
    s.sync = effect.delay_sync.load(relaxed);
    s.filter = effect.delay_filter_mode.load(relaxed);
    s.length = effect.delay_length.load(relaxed);
    s.wet = effect.delay_wet.load(relaxed);
    s.feedback = effect.delay_feedback.load(relaxed);
    s.cutoff = effect.delay_cutoff.load(relaxed);
    s.filter_generation = effect.delay_filter_generation.load(relaxed);
    delay_unit.update(s);
    delay_unit.run(mix_left.data(), mix_right.data(), frames, s.sync ? tempo() : 0);
}
