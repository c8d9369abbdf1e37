// The catalogue of factory sample sets, by id. A set is generated the first time a program
// asks for it and then shared by every program that uses it.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tools/factory/factory_program.h"

namespace factory {

using set_table = std::map<std::string, std::function<factory_set()>>;

void add_keys_sets(set_table& t);      // sets_keys.cpp: keys, mallets, bells
void add_strings_sets(set_table& t);   // sets_strings.cpp: plucked, bowed, winds, voices
void add_synth_sets(set_table& t);     // sets_synth.cpp: analogue waves, pads, textures, drums

class sample_sets {
public:
    sample_sets();
    // The set with this id; throws std::out_of_range for an unknown id.
    const factory_set& get(const std::string& id);
    std::vector<std::string> ids() const;

private:
    set_table recipes;
    std::map<std::string, factory_set> made;
};

}  // namespace factory
