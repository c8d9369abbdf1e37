// Bounded text copies for buffers that belong to the host.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

namespace vst {

// Every text-writing virtual of the effect and editor classes receives a buffer of this
// many bytes; the dispatcher then cuts the text to the host's own limit.
constexpr size_t kTextScratch = 1024;

// Copies at most cap - 1 bytes and always terminates (nothing is written when cap is 0).
// A cut text ends on a character boundary, so a host never shows half a UTF-8 character.
inline void copy_text(char* dst, std::string_view src, size_t cap) {
    if (!dst || cap == 0) return;
    size_t n = src.size() < cap - 1 ? src.size() : cap - 1;
    if (n < src.size())
        while (n > 0 && (static_cast<unsigned char>(src[n]) & 0xc0) == 0x80) --n;
    std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
}

// Length of a host-supplied C string, never reading more than cap bytes.
inline std::string_view bounded_view(const char* s, size_t cap) {
    if (!s) return {};
    return {s, strnlen(s, cap)};
}

}  // namespace vst
