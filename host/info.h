#pragma once

#include <cstdio>

#include "host/vst_host.h"

namespace host {

// Prints what a host learns about a plug-in: identity, parameters, programs, capabilities.
void print_info(plugin& p, std::FILE* out);

}  // namespace host
