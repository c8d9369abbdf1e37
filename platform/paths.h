// Where the instrument keeps its per-user files.
#pragma once

#include <filesystem>
#include <string>

namespace platform {

// $XDG_DATA_HOME/Kaveo, else ~/.local/share/Kaveo; created when missing (an existing folder
// is fine). Empty when neither variable gives a usable home.
std::filesystem::path data_folder();

// "default.kvb" and "kaveo.prefs" in the data folder.
std::filesystem::path default_bank_file();
std::filesystem::path prefs_file();

}  // namespace platform
