#include "host/progress_bar.h"

#include <unistd.h>

#include <algorithm>
#include <string>

namespace host {

progress_bar::progress_bar(std::FILE* stream, double sample_rate)
    : out(stream),
      terminal(isatty(fileno(stream)) == 1),
      rate(sample_rate),
      started(std::chrono::steady_clock::now()),
      last_draw(started) {}

progress_bar::~progress_bar() { clear(); }

void progress_bar::update(uint64_t done, uint64_t planned) {
    if (!terminal || planned == 0) return;
    auto now = std::chrono::steady_clock::now();
    if (now - started < std::chrono::milliseconds(500)) return;
    if (shown && now - last_draw < std::chrono::milliseconds(100) && done < planned) return;
    last_draw = now;
    shown = true;
    const int width = 30;
    double fraction = std::min(1.0, double(done) / double(planned));
    int filled = int(fraction * width);
    std::string bar(size_t(filled), '#');
    bar.append(size_t(width - filled), '-');
    std::fprintf(out, "\r[%s] %3d%%  %.1f s of %.1f s", bar.c_str(), int(fraction * 100.0),
                 double(done) / rate, double(planned) / rate);
    std::fflush(out);
}

void progress_bar::clear() {
    if (!shown) return;
    std::fprintf(out, "\r\033[K");
    std::fflush(out);
    shown = false;
}

}  // namespace host
