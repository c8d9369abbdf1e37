#include "platform/factory_bank.h"

namespace platform {

// A weak stand-in: the plug-in, the tests and the benchmarks link the definition that
// answers the bank embedded at build time (tools/factory_bank/embedded_bank.cpp). The bank
// builder links this library too and must build without its own output, so here the
// bank is empty.
[[gnu::weak]] std::span<const std::byte> factory_bank() { return {}; }

}  // namespace platform
