// The factory bank carried inside the plug-in: a complete bank file, written to the
// per-user folder the first time no default bank can be loaded.
#pragma once

#include <cstddef>
#include <span>

namespace platform {

// The embedded bank file's bytes; empty when the library carries none.
std::span<const std::byte> factory_bank();

}  // namespace platform
