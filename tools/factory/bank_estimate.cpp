#include "tools/factory/bank_estimate.h"

namespace factory {

size_t upward_zero_crossings(const audio& a) {
    size_t n = 0;
    for (size_t i = 1; i < a.size(); ++i)
        if (a[i - 1] < 0.0f && a[i] > 0.0f) ++n;
    return n;
}

size_estimate estimate_program(const factory_program& p) {
    // The pitch analysis works on blocks of 2646 frames and splits each into at most 16
    // pieces, one period entry (20 bytes) each; every pitch mark is a double.
    constexpr size_t block = 2646, leaves = 16;
    size_estimate e;
    e.record_bytes = 4 + 4 + p.name.size();
    for (const factory_set& s : p.sets) {
        e.record_bytes += 4 + s.name.size() + 512;
        for (int i = 0; i < max_slots; ++i) {
            if (size_t(i) < s.slots.size() && s.slots[size_t(i)].samples) {
                const factory_slot& slot = s.slots[size_t(i)];
                size_t frames = slot.frames();
                size_t entries = leaves * ((frames + block - 1) / block);
                size_t marks = upward_zero_crossings(*slot.samples);
                e.sample_bytes += 4 * frames;
                e.analysis_bytes += 20 * entries + 8 * marks;
                e.record_bytes += 28 + 4 * frames + 20 * entries + 8 * marks + 4 + slot.name.size();
            } else {
                e.record_bytes += 28 + 7;  // an empty slot named "(empty)"
            }
        }
    }
    e.record_bytes += 4 + 83 * 4;
    return e;
}

size_t estimate_bank_bytes(const std::vector<factory_program>& programs) {
    size_t total = 8;
    for (const factory_program& p : programs)
        total += 4 + p.name.size() + 4 + estimate_program(p).record_bytes;
    return total;
}

}  // namespace factory
