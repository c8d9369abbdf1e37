#include "platform/paths.h"

#include <cstdlib>
#include <system_error>

namespace platform {

namespace fs = std::filesystem;

fs::path data_folder() {
    fs::path base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg && fs::path(xdg).is_absolute())
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = fs::path(home) / ".local" / "share";
    else
        return {};
    fs::path folder = base / "Kaveo";
    std::error_code ec;
    fs::create_directories(folder, ec);
    return folder;
}

fs::path default_bank_file() {
    fs::path folder = data_folder();
    return folder.empty() ? fs::path{} : folder / "default.kvb";
}

fs::path prefs_file() {
    fs::path folder = data_folder();
    return folder.empty() ? fs::path{} : folder / "kaveo.prefs";
}

}  // namespace platform
