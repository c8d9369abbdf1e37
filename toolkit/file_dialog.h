// File open and save dialogs: zenity (else kdialog) run as a child process. Starting one
// returns at once; the frame's idle watches it and hands over the chosen path, so the
// host's user-interface thread is never blocked while the dialog is open.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace VSTGUI {

class CFrame;

struct file_filter {
    std::string name;     // "Kaveos Program (.kvp)"
    std::string pattern;  // "*.kvp"; "*.*" means every file
};

struct file_dialog_request {
    bool save = false;
    std::string title;
    std::vector<file_filter> filters;
    size_t selected_filter = 0;  // shown first
    std::string folder;          // where to start; empty for the current folder
    unsigned long parent_window = 0;
};

class file_dialog {
public:
    enum class state { running, chosen, cancelled, failed };

    // Starts zenity, else kdialog. With neither installed the answer is failed and
    // error() says what to install.
    static std::unique_ptr<file_dialog> start(const file_dialog_request& request);
    ~file_dialog();  // ends a dialog that is still open
    file_dialog(const file_dialog&) = delete;
    file_dialog& operator=(const file_dialog&) = delete;

    // Looks at the child without waiting.
    state poll();
    const std::string& path() const { return chosen; }
    const std::string& error() const { return message; }

    // The command lines, for tests.
    static std::vector<std::string> zenity_arguments(const file_dialog_request& request);
    static std::vector<std::string> kdialog_arguments(const file_dialog_request& request);
    // The program's full path if it is on PATH, else empty.
    static std::string find_program(const std::string& name);

    static constexpr const char* missing_message =
        "No file dialog program was found. Install the zenity package (or kdialog) to choose files.";

private:
    file_dialog() = default;
    void finish();

    pid_t pid = -1;
    int pipe_fd = -1;
    std::string output;
    std::string chosen;
    std::string message;
    state current = state::failed;
};

// Runs a dialog for the frame and calls done with the chosen path, or with an empty
// path when the user cancelled. When no dialog program exists a message box says so
// (caption "Error") and done gets an empty path. Closing the frame ends a dialog that is
// still open, without calling done.
void runFileDialog(CFrame* frame, const file_dialog_request& request,
                   std::function<void(const std::string& path)> done);

}  // namespace VSTGUI
