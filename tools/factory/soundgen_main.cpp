// kaveo-soundgen: generates the factory sounds and writes them as WAV files, lists the
// programs, and reports the bank's expected size and the time generation takes.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <set>
#include <string>

#include "tools/factory/bank_estimate.h"
#include "tools/factory/factory_program.h"
#include "tools/factory/program_summary.h"
#include "tools/factory/sample_sets.h"
#include "tools/factory/wav_file.h"

namespace fs = std::filesystem;
using namespace factory;

namespace {

void usage() {
    std::puts(
        "usage: kaveo-soundgen --list\n"
        "       kaveo-soundgen --out DIR [--program N]   write each program's samples\n"
        "       kaveo-soundgen --sets DIR                write every sample set once\n"
        "       kaveo-soundgen --stats                   sizes and generation time");
}

std::string file_safe(const std::string& s) {
    std::string out;
    for (char c : s) out += (std::isalnum(static_cast<unsigned char>(c)) || c == '-') ? c : '_';
    return out;
}

void write_set(const fs::path& dir, const std::string& prefix, const factory_set& set) {
    for (size_t i = 0; i < set.slots.size(); ++i) {
        const factory_slot& slot = set.slots[i];
        fs::path file = dir / (prefix + std::to_string(i) + "_" + file_safe(slot.name) + ".wav");
        write_wav(file.string(), *slot.samples, slot.rate);
    }
}

int run(int argc, char** argv) {
    std::string out, sets_dir;
    int only = -1;
    bool list = false, stats = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--list") list = true;
        else if (a == "--stats") stats = true;
        else if (a == "--out" && i + 1 < argc) out = argv[++i];
        else if (a == "--sets" && i + 1 < argc) sets_dir = argv[++i];
        else if (a == "--program" && i + 1 < argc) only = std::atoi(argv[++i]);
        else { usage(); return a == "--help" ? 0 : 2; }
    }
    if (!list && !stats && out.empty() && sets_dir.empty()) { usage(); return 2; }

    if (!sets_dir.empty()) {
        sample_sets sets;
        for (const std::string& id : sets.ids()) {
            fs::path dir = fs::path(sets_dir) / id;
            fs::create_directories(dir);
            write_set(dir, "", sets.get(id));
        }
        std::printf("wrote %zu sample sets to %s\n", sets.ids().size(), sets_dir.c_str());
        if (!list && !stats && out.empty()) return 0;
    }

    auto start = std::chrono::steady_clock::now();
    std::vector<factory_program> bank = make_factory_programs();
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    if (list) {
        std::printf("%-4s %-23s %-18s %s\n", "#", "Name", "Group", "Exercises");
        for (size_t i = 0; i < bank.size(); ++i)
            std::printf("%-4zu %-23s %-18s %s\n", i, bank[i].name.c_str(), bank[i].group.c_str(),
                        summary(bank[i]).c_str());
    }
    if (!out.empty()) {
        for (size_t i = 0; i < bank.size(); ++i) {
            if (only >= 0 && int(i) != only) continue;
            fs::path dir = fs::path(out) / (std::to_string(1000 + i).substr(1) + "_" + file_safe(bank[i].name));
            fs::create_directories(dir);
            write_set(dir, "A", bank[i].sets[0]);
            write_set(dir, "B", bank[i].sets[1]);
        }
        std::printf("wrote the samples of %s to %s\n", only >= 0 ? "one program" : "every program", out.c_str());
    }
    if (stats) {
        std::set<const audio*> unique;
        size_t unique_frames = 0, samples_bytes = 0, analysis_bytes = 0;
        for (const factory_program& p : bank) {
            size_estimate e = estimate_program(p);
            samples_bytes += e.sample_bytes;
            analysis_bytes += e.analysis_bytes;
            for (const factory_set& s : p.sets)
                for (const factory_slot& slot : s.slots)
                    if (unique.insert(slot.samples.get()).second) unique_frames += slot.frames();
        }
        std::printf("programs: %zu\n", bank.size());
        std::printf("generation: %.2f s for %zu distinct samples, %.1f s of audio\n", seconds,
                    unique.size(), double(unique_frames) / sample_rate);
        std::printf("bank estimate: %.2f MB (samples %.2f MB, analysis %.2f MB)\n",
                    double(estimate_bank_bytes(bank)) / 1e6, double(samples_bytes) / 1e6,
                    double(analysis_bytes) / 1e6);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kaveo-soundgen: %s\n", e.what());
        return 1;
    }
}
