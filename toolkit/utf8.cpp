#include "toolkit/utf8.h"

namespace VSTGUI {

namespace {
constexpr const char* replacement = "\xEF\xBF\xBD";

bool continuation(unsigned char c) { return (c & 0xc0) == 0x80; }

// Bytes of the well-formed character at s[at], or 0 when there is none (overlong forms,
// surrogates and code points above U+10FFFF count as malformed).
size_t char_length(std::string_view s, size_t at) {
    auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    unsigned char c = byte(at);
    if (c < 0x80) return 1;
    size_t n;
    unsigned char lo = 0x80, hi = 0xbf;
    if (c >= 0xc2 && c <= 0xdf) {
        n = 2;
    } else if (c >= 0xe0 && c <= 0xef) {
        n = 3;
        if (c == 0xe0) lo = 0xa0;
        if (c == 0xed) hi = 0x9f;
    } else if (c >= 0xf0 && c <= 0xf4) {
        n = 4;
        if (c == 0xf0) lo = 0x90;
        if (c == 0xf4) hi = 0x8f;
    } else {
        return 0;
    }
    if (at + n > s.size()) return 0;
    if (byte(at + 1) < lo || byte(at + 1) > hi) return 0;
    for (size_t i = 2; i < n; ++i)
        if (!continuation(byte(at + i))) return 0;
    return n;
}
}  // namespace

bool is_valid_utf8(std::string_view s) {
    for (size_t at = 0; at < s.size();) {
        size_t n = char_length(s, at);
        if (n == 0) return false;
        at += n;
    }
    return true;
}

std::string valid_utf8(std::string_view s) {
    if (is_valid_utf8(s)) return std::string(s);
    std::string out;
    out.reserve(s.size() + 8);
    for (size_t at = 0; at < s.size();) {
        size_t n = char_length(s, at);
        if (n == 0) {
            out += replacement;
            ++at;
        } else {
            out.append(s.substr(at, n));
            at += n;
        }
    }
    return out;
}

size_t utf8_prefix(std::string_view s, size_t max_bytes) {
    if (s.size() <= max_bytes) return s.size();
    size_t n = max_bytes;
    while (n > 0 && continuation(static_cast<unsigned char>(s[n]))) --n;
    return n;
}

std::string_view utf8_first_chars(std::string_view s, size_t count) {
    size_t at = 0;
    for (size_t c = 0; c < count && at < s.size(); ++c) {
        ++at;
        while (at < s.size() && continuation(static_cast<unsigned char>(s[at]))) ++at;
    }
    return s.substr(0, at);
}

}  // namespace VSTGUI
