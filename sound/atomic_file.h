// Replacing a file without ever leaving it half written: the new content goes to a
// temporary file ("kvp" + a unique suffix) in the target's own folder, is flushed and
// synced, and is then renamed over the target in one step.
#pragma once

#include <filesystem>
#include <functional>

#include "sound/serializer.h"

// Writes the target through `write`. Throws persist_error (or whatever `write` throws)
// when anything fails; the target is then untouched and the temporary file removed. A
// target that is a symbolic link has the file it points to replaced.
void replace_file(const std::filesystem::path& target, const std::function<void(serializer&)>& write);
