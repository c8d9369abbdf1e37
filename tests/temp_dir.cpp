#include "temp_dir.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace test {
inline namespace scratch {

temp_dir::temp_dir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kaveo-test-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!mkdtemp(name.data())) throw std::runtime_error("mkdtemp failed");
    dir = name.data();
}

temp_dir::~temp_dir() {
    std::error_code ec;
    std::filesystem::permissions(dir, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(dir, ec);
}

scoped_data_home::scoped_data_home() {
    if (const char* old = std::getenv("XDG_DATA_HOME")) {
        had = true;
        saved = old;
    }
    setenv("XDG_DATA_HOME", home.path().c_str(), 1);
}

scoped_data_home::~scoped_data_home() {
    if (had)
        setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
}

}  // namespace scratch
}  // namespace test
