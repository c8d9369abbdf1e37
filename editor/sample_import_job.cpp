#include "editor/sample_import_job.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

#include "sound/waveform.h"
#include "toolkit/utf8.h"

sample_import_job::sample_import_job(std::filesystem::path f, target where, double rate, int width)
    : file(std::move(f)), to(where), play_rate(rate), slot_name(slot_name_for(file.string())),
      columns(std::max(width, 0)), worker([this] { run(); }) {}

namespace {

// As CWaveview::loadColumns goes through the values: column i covers values n·i/W to
// n·(i+1)/W - 1 (at least one, none past the end), and values that are no number count
// for nothing.
std::vector<float> column_extremes(const sample_data& s, int width) {
    const int64_t n = std::min<int64_t>(std::max(s.frames, 0), int64_t(s.data.size()));
    std::vector<float> out;
    if (n == 0) return out;
    out.reserve(size_t(2 * width));
    const float no_number = std::numeric_limits<float>::quiet_NaN();
    for (int64_t i = 0; i < width; ++i) {
        const int64_t j0 = n * i / width, j1 = std::min(std::max(n * (i + 1) / width - 1, j0), n - 1);
        float lo = no_number, hi = no_number;
        for (int64_t j = j0; j <= j1; ++j) {
            const float v = s.data[size_t(j)];
            if (v != v) continue;
            lo = lo == lo ? std::min(lo, v) : v;
            hi = hi == hi ? std::max(hi, v) : v;
        }
        out.push_back(hi);
        out.push_back(lo);
    }
    return out;
}

}  // namespace

sample_import_job::~sample_import_job() { cancel(); }

std::string sample_import_job::slot_name_for(const std::string& path) {
    size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    name.resize(VSTGUI::utf8_prefix(name, max_name_bytes));
    return name;
}

void sample_import_job::run() {
    using sample_import::outcome;
    outcome o = outcome::failed;
    try {
        o = sample_import::read_file(file, stored);
        if (o == outcome::imported) {
            extremes = column_extremes(stored, columns);
            step.store(int(stage::analysing), std::memory_order_release);
            o = sample_import::analyse(
                stored, [this](double f) { fraction.store(f, std::memory_order_relaxed); }, &stop);
        }
        if (o == outcome::imported) {
            if (stop.load(std::memory_order_relaxed))
                o = outcome::cancelled;
            else
                play = waveform::play_sample(stored, play_rate);
        }
    } catch (...) {
        o = outcome::failed;
    }
    ended_with = o;
    fraction.store(1.0, std::memory_order_relaxed);
    step.store(int(stage::finished), std::memory_order_release);
}

sample_import_job::result sample_import_job::take() {
    if (worker.joinable()) worker.join();
    result r;
    r.outcome = ended_with;
    r.stored = std::move(stored);
    r.play = std::move(play);
    return r;
}

void sample_import_job::cancel() {
    stop.store(true, std::memory_order_relaxed);
    if (worker.joinable()) worker.join();
}
