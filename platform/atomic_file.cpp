#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace platform {

namespace fs = std::filesystem;

bool replace_file(const fs::path& target, const char* prefix,
                  const std::function<bool(std::FILE*)>& write, std::string& error) {
    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    std::string pattern = (folder / (std::string(prefix) + "XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0) {
        error = "cannot create a temporary file in " + folder.string() + ": " + std::strerror(errno);
        return false;
    }
    std::FILE* f = fdopen(fd, "wb");
    if (!f) {
        error = std::strerror(errno);
        ::close(fd);
        ::unlink(name.data());
        return false;
    }
    bool ok = false;
    try {
        ok = write(f);
        if (!ok && error.empty()) error = "writing " + target.string() + " failed";
    } catch (const std::exception& e) {
        error = e.what();
    } catch (...) {
        error = "writing " + target.string() + " failed";
    }
    if (ok && (std::fflush(f) != 0 || ::fsync(fileno(f)) != 0)) {
        error = "cannot write " + target.string() + ": " + std::strerror(errno);
        ok = false;
    }
    if (std::fclose(f) != 0 && ok) {
        error = "cannot write " + target.string() + ": " + std::strerror(errno);
        ok = false;
    }
    if (ok) {
        // mkstemp makes the file private; give it the permissions a new file would get.
        mode_t mask = ::umask(0);
        ::umask(mask);
        ::chmod(name.data(), 0666 & ~mask);
        if (::rename(name.data(), target.c_str()) != 0) {
            error = "cannot replace " + target.string() + ": " + std::strerror(errno);
            ok = false;
        }
    }
    if (!ok) ::unlink(name.data());
    return ok;
}

}  // namespace platform
