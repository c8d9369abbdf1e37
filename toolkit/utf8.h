// UTF-8 for text that comes from outside (names in old banks, file names): Cairo refuses
// a whole string for one bad byte and then stays in its error state, so everything drawn
// passes through here first.
#pragma once

#include <string>
#include <string_view>

namespace VSTGUI {

// s with every byte that does not start a well-formed character replaced by U+FFFD.
std::string valid_utf8(std::string_view s);
bool is_valid_utf8(std::string_view s);
// The longest prefix of s of at most max_bytes that does not split a character.
size_t utf8_prefix(std::string_view s, size_t max_bytes);
// The prefix of s that holds at most count characters.
std::string_view utf8_first_chars(std::string_view s, size_t count);

}  // namespace VSTGUI
