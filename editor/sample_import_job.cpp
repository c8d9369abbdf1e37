#include "editor/sample_import_job.h"

#include <utility>

#include "sound/waveform.h"
#include "toolkit/utf8.h"

sample_import_job::sample_import_job(std::filesystem::path f, target where, double rate)
    : file(std::move(f)), to(where), play_rate(rate), slot_name(slot_name_for(file.string())),
      worker([this] { run(); }) {}

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
