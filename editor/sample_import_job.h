// One sample import on a worker thread: the file is read, analysed and given its play
// sample there, so the host's user-interface thread never waits for a long sample. The
// worker touches nothing but this object (no toolkit, no effect, no program); the sample
// page looks at it from idle calls and installs the result itself.
#pragma once

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "engine/sample_import.h"
#include "sound/sample_data.h"

class sample_import_job {
public:
    // Where the sample goes, fixed when the user asked for it.
    struct target {
        int program = 0;
        int wave = 0;  // 0 set A, 1 set B
        int slot = 0;
    };
    enum class stage { reading, analysing, finished };
    struct result {
        sample_import::outcome outcome = sample_import::outcome::failed;
        sample_data stored;  // as read and analysed
        sample_data play;    // stored at the play rate
    };

    // Starts the worker. play_rate (Hz) is the engine's rate at the start; columns the
    // width of the waveform picture that shows the progress.
    sample_import_job(std::filesystem::path file, target where, double play_rate, int columns);
    // Stops the worker and waits for it.
    ~sample_import_job();
    sample_import_job(const sample_import_job&) = delete;
    sample_import_job& operator=(const sample_import_job&) = delete;

    stage current() const { return stage(step.load(std::memory_order_acquire)); }
    // The fraction of the analysis done, 0 to 1.
    double progress() const { return fraction.load(std::memory_order_relaxed); }
    // From stage analysing on: the sample's highest and lowest value under each picture
    // column, as pairs, so that CWaveview::loadColumns(overview, 2 × columns) draws the
    // columns the whole sample would give, at the cost of the columns alone.
    const std::vector<float>& overview() const { return extremes; }
    const target& where() const { return to; }
    double rate() const { return play_rate; }
    // The file's name as the slot shows it (after the last '/', at most 1024 bytes).
    const std::string& name() const { return slot_name; }

    // Once finished: waits for the worker to end (at once) and hands the result over.
    result take();
    // Asks the worker to stop and waits for it; the job then finishes as cancelled (or as
    // whatever it had finished with already).
    void cancel();

    // The slot name for a file: the part of its path after the last '/', cut to
    // max_name_bytes without splitting a character.
    static constexpr size_t max_name_bytes = 1024;
    static std::string slot_name_for(const std::string& path);

private:
    void run();

    const std::filesystem::path file;
    const target to;
    const double play_rate;
    const std::string slot_name;
    const int columns;
    std::atomic<int> step{int(stage::reading)};
    std::atomic<double> fraction{0.0};
    std::atomic<bool> stop{false};
    // Written by the worker; read by others only as said above, or after it has ended.
    sample_import::outcome ended_with = sample_import::outcome::failed;
    sample_data stored;
    sample_data play;
    std::vector<float> extremes;
    std::thread worker;  // last: it starts once everything above exists
};
