#include "platform/open_file.h"

#include <sys/stat.h>

namespace platform {

std::FILE* open_regular_file(const std::filesystem::path& path, int64_t& size) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return nullptr;
    struct stat st {};
    if (::fstat(fileno(file), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fclose(file);
        return nullptr;
    }
    size = int64_t(st.st_size);
    return file;
}

}  // namespace platform
