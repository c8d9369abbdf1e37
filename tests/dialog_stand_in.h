// File dialogs answered by stand-in zenity and kdialog scripts in a temporary folder put
// first on PATH (and only there) for the lifetime of the object.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace test {

struct dialog_stand_in {
    std::filesystem::path dir;
    std::string saved;
    dialog_stand_in() {
        dir = std::filesystem::temp_directory_path() / ("kaveo-dialog-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        const char* p = std::getenv("PATH");
        saved = p ? p : "";
        setenv("PATH", dir.c_str(), 1);
    }
    ~dialog_stand_in() {
        setenv("PATH", saved.c_str(), 1);
        std::filesystem::remove_all(dir);
    }
    dialog_stand_in(const dialog_stand_in&) = delete;
    dialog_stand_in& operator=(const dialog_stand_in&) = delete;
    // A script that records its arguments and prints answer (exit status status).
    void program(const std::string& name, const std::string& answer, int status = 0) {
        std::filesystem::path p = dir / name;
        std::ofstream f(p);
        f << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" << (dir / "args").string() << "'\n";
        if (!answer.empty()) f << "printf '%s\\n' '" << answer << "'\n";
        f << "exit " << status << "\n";
        f.close();
        std::filesystem::permissions(p, std::filesystem::perms::owner_all);
    }
    // zenity answering path (empty: cancelled).
    void answer(const std::string& path) { program("zenity", path, path.empty() ? 1 : 0); }
    std::vector<std::string> args() const {
        std::ifstream f(dir / "args");
        std::vector<std::string> out;
        for (std::string line; std::getline(f, line);) out.push_back(line);
        return out;
    }
};

}  // namespace test
