// A one-line progress bar on a terminal for renders that take a while.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>

namespace host {

class progress_bar {
public:
    // Draws on `out` only when it is a terminal; `sample_rate` turns frames into seconds.
    progress_bar(std::FILE* out, double sample_rate);
    ~progress_bar();  // clears the line if it drew one

    // Redraws at most ten times a second, and only once the render has run half a
    // second: short renders show nothing.
    void update(uint64_t done, uint64_t planned);
    void clear();

private:
    std::FILE* out;
    bool terminal;
    bool shown = false;
    double rate;
    std::chrono::steady_clock::time_point started, last_draw;
};

}  // namespace host
