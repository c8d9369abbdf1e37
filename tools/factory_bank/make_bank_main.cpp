// kaveo-make-bank: builds the factory bank file from the factory programs. Run by the
// build; the file is rewritten only when its bytes change, so what embeds it is rebuilt
// only then.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "sound/atomic_file.h"
#include "tools/factory/factory_program.h"
#include "tools/factory_bank/factory_records.h"

namespace fs = std::filesystem;

namespace {

void usage(std::FILE* to) {
    std::fputs(
        "usage: kaveo-make-bank [--threads N] OUTPUT.kvb\n"
        "Generates the factory sounds, analyses them and writes the factory bank.\n",
        to);
}

double seconds_since(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

bool same_bytes(const fs::path& file, const std::vector<unsigned char>& bytes) {
    std::error_code ec;
    if (!fs::is_regular_file(file, ec) || fs::file_size(file, ec) != bytes.size()) return false;
    std::ifstream in(file, std::ios::binary);
    std::vector<unsigned char> old((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return old == bytes;
}

int run(int argc, char** argv) {
    fs::path output;
    int threads = int(std::max(1u, std::thread::hardware_concurrency()));
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            usage(stdout);
            return 0;
        } else if (a == "--threads" && i + 1 < argc) {
            threads = std::atoi(argv[++i]);
        } else if (!a.empty() && a[0] != '-' && output.empty()) {
            output = a;
        } else {
            usage(stderr);
            return 2;
        }
    }
    if (output.empty()) {
        usage(stderr);
        return 2;
    }

    auto start = std::chrono::steady_clock::now();
    std::vector<factory::factory_program> programs = factory::make_factory_programs();
    double generation = seconds_since(start);
    if (programs.size() != size_t(factory::factory_program_count)) {
        std::fprintf(stderr, "kaveo-make-bank: %zu factory programs, the bank needs %d\n",
                     programs.size(), factory::factory_program_count);
        return 1;
    }
    auto analysis_start = std::chrono::steady_clock::now();
    std::vector<factory::factory_record> records = factory::make_factory_records(programs, threads);
    double analysis = seconds_since(analysis_start);
    std::vector<unsigned char> bytes = factory::factory_bank_bytes(records);

    bool unchanged = same_bytes(output, bytes);
    if (!unchanged) {
        if (output.has_parent_path()) fs::create_directories(output.parent_path());
        replace_file(output, [&](serializer& out) { out.put_chunk(bytes.data(), int32_t(bytes.size())); });
    }
    std::printf("factory bank: %zu programs, %zu bytes (generation %.2f s, analysis %.2f s, total %.2f s)%s\n",
                records.size(), bytes.size(), generation, analysis, seconds_since(start),
                unchanged ? ", unchanged" : "");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kaveo-make-bank: %s\n", e.what());
        return 1;
    }
}
