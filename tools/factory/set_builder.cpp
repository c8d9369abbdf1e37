#include "tools/factory/set_builder.h"

#include <stdexcept>

namespace factory {

std::string note_name(int key) {
    static const char* names[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    return std::string(names[key % 12]) + std::to_string(key / 12 - 1);
}

std::array<int, key_count> keymap_for_roots(const std::vector<int>& roots) {
    std::array<int, key_count> map{};
    for (int k = 0; k < key_count; ++k) {
        int slot = 0;
        for (size_t s = 1; s < roots.size(); ++s)
            if (k > (roots[s - 1] + roots[s]) / 2) slot = int(s);
        map[size_t(k)] = slot;
    }
    return map;
}

factory_set build_set(const set_recipe& r) {
    if (r.roots.empty() || r.roots.size() > size_t(max_slots))
        throw std::invalid_argument("build_set: 1 to 8 roots: " + r.name);
    factory_set set;
    set.name = r.name;
    set.keymap = keymap_for_roots(r.roots);
    set.sustained = r.sustained;
    if (r.sustained) {
        set.loop_begin_value = r.plan.begin_value;
        set.loop_length_value = r.plan.length_value;
    }
    for (size_t i = 0; i < r.roots.size(); ++i) {
        int root = r.roots[i];
        double hz = note_hz(root);
        factory_slot slot;
        slot.name = r.name + " " + note_name(root);
        slot.root_key = root;
        slot.pitched = r.pitched;
        slot.tuning_ratio = r.tuning_ratio;
        slot.spread_cents = r.spread_cents;
        slot.vibrato_cents = r.vibrato_cents;
        slot.harmonic = r.harmonic;
        if (r.sustained) {
            slot_frames at = fit_slot(r.plan, r.pitched ? hz : 0.0);
            // The crossfade takes its material from just before the loop, which must lie
            // past the fade-in; the model is asked to be steady from there on.
            double begin_s = double(at.loop_begin) / rate_hz;
            double crossfade_s = std::min(r.crossfade_s, begin_s - r.fade_in_ms / 1000.0 - 0.005);
            if (crossfade_s < 0.005)
                throw std::invalid_argument("build_set: no room for the loop crossfade: " + r.name);
            double steady_s = begin_s - crossfade_s - 0.005;
            buffer s = r.render({hz, at.frames, steady_s, double(at.loop_length) / rate_hz, int(i)});
            if (r.hold_tail) hold_level(s, frames_for(steady_s), hz);
            slot.samples = std::make_shared<const audio>(
                finish_looped(std::move(s), at, crossfade_s, r.fade_in_ms));
        } else {
            buffer s = r.render({hz, frames_for(r.seconds), r.seconds, r.seconds, int(i)});
            slot.samples = std::make_shared<const audio>(
                finish_one_shot(std::move(s), r.fade_in_ms, r.fade_out_ms));
        }
        set.slots.push_back(std::move(slot));
    }
    return set;
}

factory_set build_kit(const std::string& name, const std::vector<kit_piece>& pieces,
                      const std::array<int, key_count>& keymap, uint64_t seed, double length) {
    factory_set set;
    set.name = name;
    set.keymap = keymap;
    for (size_t i = 0; i < pieces.size() && i < size_t(max_slots); ++i) {
        const kit_piece& p = pieces[i];
        double note = p.note >= 0 ? p.note : drum_default_note(p.kind);
        buffer s = drum_hit(p.kind, note_hz(note), p.length * length, seed + i * 17);
        factory_slot slot;
        slot.name = drum_name(p.kind);
        slot.root_key = int(note);
        slot.samples = std::make_shared<const audio>(finish_one_shot(std::move(s), 0.3, 25.0));
        set.slots.push_back(std::move(slot));
    }
    return set;
}

factory_set build_loop(const std::string& name, const loop_params& p, int xpose) {
    factory_set set;
    set.name = name;
    set.loop_bpm = p.bpm;
    set.loop_beats = p.beats;
    factory_slot slot;
    slot.name = name;
    slot.xpose = xpose;
    slot.root_key = 48;
    slot.samples = std::make_shared<const audio>(drum_loop(p));
    set.slots.push_back(std::move(slot));
    return set;
}

}  // namespace factory
