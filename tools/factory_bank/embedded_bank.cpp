// The factory bank as the plug-in carries it: this definition replaces kaveo_core's empty
// stand-in in every binary that links the embedded bank.
#include "platform/factory_bank.h"

extern "C" const unsigned char kaveo_factory_bank_begin[];
extern "C" const unsigned char kaveo_factory_bank_end[];

namespace platform {

std::span<const std::byte> factory_bank() {
    return {reinterpret_cast<const std::byte*>(kaveo_factory_bank_begin),
            size_t(kaveo_factory_bank_end - kaveo_factory_bank_begin)};
}

}  // namespace platform
