#include "host/instance_setup.h"

#include <stdexcept>

namespace host {

void apply_setup(plugin& p, const instance_setup& setup) {
    AEffect* fx = p.effect();
    if (setup.program >= 0 && setup.program >= fx->numPrograms)
        throw std::runtime_error("there is no program " + std::to_string(setup.program) +
                                 ": the plug-in has " + std::to_string(fx->numPrograms) +
                                 " programs (0-" + std::to_string(fx->numPrograms - 1) + ")");
    for (const auto& [index, value] : setup.params)
        if (index < 0 || index >= fx->numParams)
            throw std::runtime_error("there is no parameter " + std::to_string(index) +
                                     ": the plug-in has " + std::to_string(fx->numParams) +
                                     " parameters (0-" + std::to_string(fx->numParams - 1) + ")");

    if (setup.has_chunk) set_state(p, setup.kind, setup.chunk, setup.chunk_source);
    if (setup.program >= 0) {
        p.dispatch(effBeginSetProgram);
        p.dispatch(effSetProgram, 0, setup.program);
        p.dispatch(effEndSetProgram);
    }
    for (const auto& [index, value] : setup.params) fx->setParameter(fx, index, value);
}

}  // namespace host
