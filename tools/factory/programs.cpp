#include "tools/factory/programs_common.h"

namespace factory {

std::vector<factory_program> make_factory_programs() {
    sample_sets sets;
    bank_builder b(sets);
    add_keys(b);
    add_plucked(b);
    add_mallets(b);
    add_strings_choirs(b);
    add_winds(b);
    add_leads(b);
    add_basses(b);
    add_pads(b);
    add_textures(b);
    add_drums(b);
    return b.take();
}

}  // namespace factory
