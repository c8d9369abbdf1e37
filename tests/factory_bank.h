// The factory bank, generated once per test process, and its distinct sample slots.
#pragma once

#include <set>
#include <vector>

#include "tools/factory/factory_program.h"

namespace test {

inline const std::vector<factory::factory_program>& factory_bank() {
    static const std::vector<factory::factory_program> programs = factory::make_factory_programs();
    return programs;
}

struct slot_ref {
    const factory::factory_set* set;
    const factory::factory_slot* slot;
};

// Each generated sample once, with a set it belongs to (sets shared by programs are copies
// that share their samples).
inline std::vector<slot_ref> distinct_slots() {
    std::vector<slot_ref> out;
    std::set<const factory::audio*> seen;
    for (const auto& p : factory_bank())
        for (const auto& s : p.sets)
            for (const auto& slot : s.slots)
                if (seen.insert(slot.samples.get()).second) out.push_back({&s, &slot});
    return out;
}

}  // namespace test
