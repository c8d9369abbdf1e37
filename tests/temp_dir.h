// A fresh folder under the system's temporary folder, removed with everything in it.
#pragma once

#include <filesystem>
#include <string>

namespace test {
// host_helpers.h has a test::temp_dir of its own (with a member `path` and an operator/
// giving a string). Inline functions of two classes with one name would be merged by the
// linker, one of them then returning the wrong type: this one lives in a namespace of its
// own and is still reached as test::temp_dir.
inline namespace scratch {

class temp_dir {
public:
    temp_dir();
    ~temp_dir();
    temp_dir(const temp_dir&) = delete;
    temp_dir& operator=(const temp_dir&) = delete;
    const std::filesystem::path& path() const { return dir; }
    std::filesystem::path operator/(const std::string& name) const { return dir / name; }

private:
    std::filesystem::path dir;
};

// Points XDG_DATA_HOME at a temporary folder for the lifetime of the object.
class scoped_data_home {
public:
    scoped_data_home();
    ~scoped_data_home();
    const std::filesystem::path& path() const { return home.path(); }

private:
    temp_dir home;
    std::string saved;
    bool had = false;
};

}  // namespace scratch
}  // namespace test
