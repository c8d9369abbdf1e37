#include "toolkit/file_dialog.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "toolkit/cframe.h"
#include "toolkit/cmodal.h"

extern char** environ;

namespace VSTGUI {

namespace {
// "*.*" is every file on Windows; on Linux it would hide files without a dot.
std::string patterns(const std::string& pattern) {
    if (pattern == "*.*" || pattern.empty()) return "*";
    std::string upper = pattern;
    for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
    return upper == pattern ? pattern : pattern + " " + upper;  // file systems care about case
}

// The selected filter first (both programs preselect the first one), then the others.
std::vector<file_filter> ordered(const file_dialog_request& r) {
    std::vector<file_filter> out;
    if (r.selected_filter < r.filters.size()) out.push_back(r.filters[r.selected_filter]);
    for (size_t i = 0; i < r.filters.size(); ++i)
        if (i != r.selected_filter) out.push_back(r.filters[i]);
    return out;
}
}  // namespace

std::vector<std::string> file_dialog::zenity_arguments(const file_dialog_request& r) {
    std::vector<std::string> a{"zenity", "--file-selection", "--title=" + r.title};
    if (r.save) {
        a.emplace_back("--save");
        a.emplace_back("--confirm-overwrite");
    }
    if (!r.folder.empty()) a.push_back("--filename=" + r.folder + (r.folder.back() == '/' ? "" : "/"));
    for (const file_filter& f : ordered(r)) a.push_back("--file-filter=" + f.name + " | " + patterns(f.pattern));
    return a;
}

std::vector<std::string> file_dialog::kdialog_arguments(const file_dialog_request& r) {
    std::vector<std::string> a{"kdialog", "--title", r.title};
    if (r.parent_window) {
        a.emplace_back("--attach");
        a.push_back(std::to_string(r.parent_window));
    }
    a.emplace_back(r.save ? "--getsavefilename" : "--getopenfilename");
    a.push_back(r.folder.empty() ? "." : r.folder);
    std::string filter;
    for (const file_filter& f : ordered(r)) {
        if (!filter.empty()) filter += "\n";
        filter += patterns(f.pattern) + "|" + f.name;
    }
    if (!filter.empty()) a.push_back(filter);
    return a;
}

std::string file_dialog::find_program(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string dir = end > start ? dirs.substr(start, end - start) : std::string(".");
        std::string full = dir + "/" + name;
        struct stat st {};
        if (stat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(full.c_str(), X_OK) == 0) return full;
        start = end + 1;
    }
    return {};
}

std::unique_ptr<file_dialog> file_dialog::start(const file_dialog_request& r) {
    std::unique_ptr<file_dialog> d(new file_dialog());
    std::vector<std::string> args;
    std::string program = find_program("zenity");
    if (!program.empty()) {
        args = zenity_arguments(r);
    } else if (!(program = find_program("kdialog")).empty()) {
        args = kdialog_arguments(r);
    } else {
        d->message = missing_message;
        return d;
    }
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        d->message = "The file dialog could not be started.";
        return d;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    // GTK and Qt chatter on stderr; the host's log is no place for it.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (std::string& s : args) argv.push_back(s.data());
    argv.push_back(nullptr);
    int rc = posix_spawn(&d->pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) {
        close(fds[0]);
        d->pid = -1;
        d->message = "The file dialog could not be started.";
        return d;
    }
    d->pipe_fd = fds[0];
    fcntl(d->pipe_fd, F_SETFL, fcntl(d->pipe_fd, F_GETFL) | O_NONBLOCK);
    d->current = state::running;
    return d;
}

file_dialog::~file_dialog() {
    if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    if (pipe_fd >= 0) close(pipe_fd);
}

void file_dialog::finish() {
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
    chosen = output;
    current = chosen.empty() ? state::cancelled : state::chosen;
}

file_dialog::state file_dialog::poll() {
    if (current != state::running) return current;
    char buffer[4096];
    bool eof = false;
    for (;;) {
        ssize_t n = read(pipe_fd, buffer, sizeof buffer);
        if (n > 0) {
            output.append(buffer, size_t(n));
            continue;
        }
        if (n == 0) eof = true;
        else if (errno == EINTR) continue;
        break;
    }
    if (!eof) return current;
    close(pipe_fd);
    pipe_fd = -1;
    int status = 0;
    pid_t done = waitpid(pid, &status, 0);
    pid = -1;
    // A host that ignores SIGCHLD reaps children itself (ECHILD): trust the output then.
    if (done > 0 && !(WIFEXITED(status) && WEXITSTATUS(status) == 0)) output.clear();
    finish();
    return current;
}

void runFileDialog(CFrame* frame, const file_dialog_request& request,
                   std::function<void(const std::string& path)> done) {
    std::shared_ptr<file_dialog> dialog = file_dialog::start(request);
    if (dialog->poll() == file_dialog::state::failed) {
        showMessageBox(frame, "Error", dialog->error());
        if (done) done(std::string());
        return;
    }
    if (!frame) {
        if (done) done(std::string());
        return;
    }
    frame->addIdleTask([dialog, done]() {
        file_dialog::state s = dialog->poll();
        if (s == file_dialog::state::running) return true;
        if (done) done(s == file_dialog::state::chosen ? dialog->path() : std::string());
        return false;
    });
}

}  // namespace VSTGUI
