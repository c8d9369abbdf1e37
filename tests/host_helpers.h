// Helpers for the tests of the command-line host: byte-built MIDI files, a temporary
// folder, running a program, and measuring rendered audio.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

namespace test {

using bytes = std::vector<uint8_t>;

inline bytes operator+(bytes a, const bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline bytes be32(uint32_t v) {
    return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
}

// "MThd", length 6, format, track count, division.
inline bytes smf_header(int format, int tracks, int division) {
    return bytes{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, uint8_t(format), uint8_t(tracks >> 8),
                 uint8_t(tracks), uint8_t(division >> 8), uint8_t(division)};
}

// "MTrk", the body's length, the body.
inline bytes smf_track(const bytes& body) {
    return bytes{'M', 'T', 'r', 'k'} + be32(uint32_t(body.size())) + body;
}

// A temporary folder, removed with everything in it.
struct temp_dir {
    std::filesystem::path path;
    temp_dir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kaveo-test-XXXXXX").string();
        path = mkdtemp(pattern.data());
    }
    ~temp_dir() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string operator/(const std::string& name) const { return (path / name).string(); }
};

inline void write_file(const std::string& path, const bytes& data) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

inline bytes read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs a shell command; answers its exit status and what it printed (both streams).
struct run_result {
    int status = -1;
    std::string output;
};
inline run_result run(const std::string& command) {
    run_result r;
    std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return r;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) r.output.append(buffer, n);
    int raw = pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

// Points HOME and the data folders at a temporary folder, so plug-ins that keep files
// there (amsynth, Kaveo) neither touch the user's nor complain about missing folders.
struct private_home {
    temp_dir dir;
    private_home() {
        std::filesystem::create_directories(dir.path / ".local/share/amsynth");
        std::filesystem::create_directories(dir.path / ".config");
        setenv("HOME", dir.path.c_str(), 1);
        setenv("XDG_DATA_HOME", (dir.path / ".local/share").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (dir.path / ".config").c_str(), 1);
    }
};

// The first frame at or after `from` where the signal rises above `threshold` after at
// least `quiet` frames below it; -1 if none.
inline int64_t onset_after(const std::vector<float>& x, int64_t from, double threshold,
                           int64_t quiet) {
    int64_t run = 0;
    for (int64_t i = std::max<int64_t>(from, 0); i < int64_t(x.size()); ++i) {
        if (std::fabs(x[size_t(i)]) > threshold) {
            if (run >= quiet) return i;
            run = 0;
        } else {
            ++run;
        }
    }
    return -1;
}

// The frequency of a periodic stretch, from its rising zero crossings (mean removed).
inline double frequency_of(const std::vector<float>& x, int64_t begin, int64_t end, double rate) {
    double mean = 0.0;
    for (int64_t i = begin; i < end; ++i) mean += x[size_t(i)];
    mean /= double(end - begin);
    int64_t first = -1, last = -1, crossings = 0;
    for (int64_t i = begin + 1; i < end; ++i) {
        if (x[size_t(i - 1)] - mean < 0.0 && x[size_t(i)] - mean >= 0.0) {
            if (first < 0) first = i;
            last = i;
            ++crossings;
        }
    }
    return crossings > 1 ? rate * double(crossings - 1) / double(last - first) : 0.0;
}

inline double rms_of(const std::vector<float>& x, int64_t begin, int64_t end) {
    double sum = 0.0;
    for (int64_t i = begin; i < end; ++i) sum += double(x[size_t(i)]) * x[size_t(i)];
    return end > begin ? std::sqrt(sum / double(end - begin)) : 0.0;
}

}  // namespace test
