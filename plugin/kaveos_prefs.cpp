// The preferences file as the instrument uses it: read once at construction, written only
// when the user makes a bank the default or keeps the controller assignments.
#include <string>

#include "plugin/kaveos.h"
#include "platform/paths.h"

bool Kaveos::loadPrefs() {
    const std::filesystem::path file = platform::prefs_file();
    if (file.empty()) {
        prefs.default_bank.clear();
        return false;
    }
    return prefs.load(file);
}

bool Kaveos::savePrefs() {
    const std::filesystem::path file = platform::prefs_file();
    if (file.empty()) return false;
    std::string error;
    return prefs.save(file, error);
}

bool Kaveos::set_default_bank() {
    const std::string path = sounds.path().string();
    if (!preferences::can_hold_bank_path(path)) return false;
    prefs.default_bank = path;
    return savePrefs();
}

bool Kaveos::save_midi_assignments() {
    prefs.keep_live_assignments();
    return savePrefs();
}
