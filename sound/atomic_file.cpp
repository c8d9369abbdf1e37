#include "sound/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include "sound/file_stream.h"
#include "sound/persist_error.h"

namespace fs = std::filesystem;

namespace {

// Makes the rename itself durable; a failure here loses nothing already renamed.
void sync_folder(const fs::path& folder) {
    int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

void replace_file(const fs::path& target_path, const std::function<void(serializer&)>& write) {
    std::error_code ec;
    fs::path target = target_path;
    if (fs::is_symlink(target, ec)) {
        fs::path resolved = fs::canonical(target, ec);
        if (!ec) target = resolved;
    }
    fs::path folder = target.parent_path();
    std::string pattern = ((folder.empty() ? fs::path(".") : folder) / "kvpXXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkstemp(name.data());
    if (fd < 0) throw persist_error("replace_file - cannot create a temporary file");
    fs::path temporary(name.data());

    // The new file keeps the old one's permissions (mkstemp makes it private).
    struct stat st {};
    ::fchmod(fd, ::stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644);

    std::FILE* stream = ::fdopen(fd, "wb");
    if (!stream) {
        ::close(fd);
        fs::remove(temporary, ec);
        throw persist_error("replace_file - cannot create a temporary file");
    }
    try {
        file_serializer out(stream);
        write(out);
        out.commit(true);
    } catch (...) {
        fs::remove(temporary, ec);
        throw;
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        fs::remove(temporary, ec);
        throw persist_error("replace_file - cannot replace the file");
    }
    sync_folder(folder);
}
