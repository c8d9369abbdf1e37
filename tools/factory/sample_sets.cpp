#include "tools/factory/sample_sets.h"

#include <stdexcept>

namespace factory {

sample_sets::sample_sets() {
    add_keys_sets(recipes);
    add_strings_sets(recipes);
    add_synth_sets(recipes);
}

const factory_set& sample_sets::get(const std::string& id) {
    auto done = made.find(id);
    if (done != made.end()) return done->second;
    auto recipe = recipes.find(id);
    if (recipe == recipes.end()) throw std::out_of_range("no factory sample set '" + id + "'");
    return made.emplace(id, recipe->second()).first->second;
}

std::vector<std::string> sample_sets::ids() const {
    std::vector<std::string> out;
    for (const auto& r : recipes) out.push_back(r.first);
    return out;
}

}  // namespace factory
