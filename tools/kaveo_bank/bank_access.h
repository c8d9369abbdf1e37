// Reading and writing a bank for the tool's commands, with messages that say what is wrong.
#pragma once

#include <filesystem>
#include <string>

#include "sound/bank.h"

namespace bank_tool {

// The bank file attached and its table of contents read. Throws tool_error.
bank open_bank(const std::filesystem::path& path);
// A program index of the bank from the command line.
int program_index(const bank& b, const std::filesystem::path& path, const std::string& text);
// Program index as the file holds it; a record that cannot be read fails with the
// reader's reason (where the plug-in would show an "(empty)" program instead).
program read_program(const bank& b, const std::filesystem::path& path, int index);
// Writes p as program index, rewriting the bank file through a temporary file. Every
// other record is checked first, so a damaged bank is named rather than left half read.
void store(bank& b, const std::filesystem::path& path, int index, const program& p);

}  // namespace bank_tool
