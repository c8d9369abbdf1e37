// Replacing a file so that a crash or a full disk never leaves it half written: the new
// content goes to a temporary file in the same folder, is flushed to the disk, and is then
// renamed over the old one in one step.
#pragma once

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

namespace platform {

// Calls write with a stream open on a new temporary file (named prefix + random, in
// target's folder); write answers false or throws to abandon. On success the temporary
// file is flushed, synced and renamed to target. Answers true only when target now holds
// the new content; otherwise the temporary file is removed, target is untouched and error
// says why.
bool replace_file(const std::filesystem::path& target, const char* prefix,
                  const std::function<bool(std::FILE*)>& write, std::string& error);

}  // namespace platform
