// Program files (.kvp): exactly one program record, written in the current version and
// read in every version the record reader knows.
#pragma once

#include <filesystem>

#include "sound/program.h"

// Writes the program into a new or replaced program file; a failed write leaves any
// earlier file of that name as it was. Throws persist_error.
void write_program_file(const std::filesystem::path& path, const program& p);

// Reads the program file into p; a file that cannot be opened or read leaves p as it was.
// The play samples are not rebuilt. Throws persist_error.
void read_program_file(const std::filesystem::path& path, program& p);
