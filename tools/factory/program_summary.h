// A one-line account of what a factory program uses of the instrument, read from its
// values: oscillator sources, filter, envelopes, LFOs, matrix routings, unison, legato,
// delay and tempo loops.
#pragma once

#include <string>

#include "tools/factory/factory_program.h"

namespace factory {

std::string summary(const factory_program& p);

}  // namespace factory
