// The commands that read and write whole programs: list, show, export, import, create.
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "sound/bank.h"
#include "sound/file_stream.h"
#include "sound/persist_error.h"
#include "sound/program_file.h"
#include "tools/kaveo_bank/bank_access.h"
#include "tools/kaveo_bank/bank_tool.h"

namespace fs = std::filesystem;

namespace bank_tool {

namespace {

void expect_arguments(const std::vector<std::string>& args, size_t n, const char* shape) {
    if (args.size() != n) usage_error(std::string("wants ") + shape);
}

std::string printf_string(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string printf_string(const char* format, ...) {
    char text[512];
    va_list list;
    va_start(list, format);
    std::vsnprintf(text, sizeof text, format, list);
    va_end(list);
    return text;
}

std::string version_text(int32_t v) {
    std::string hex = printf_string("0x%x", unsigned(v));
    return program::known_version(v) ? hex : hex + " (unknown)";
}

// "0-59,72" from a key map's keys for one slot.
std::string key_ranges(const waveform& w, int slot) {
    std::string out;
    for (int k = 0; k < waveform::keys; ++k) {
        if (w.keymap[size_t(k)] != slot) continue;
        int end = k;
        while (end + 1 < waveform::keys && w.keymap[size_t(end + 1)] == slot) ++end;
        if (!out.empty()) out += ",";
        out += end > k ? std::to_string(k) + "-" + std::to_string(end) : std::to_string(k);
        k = end;
    }
    return out.empty() ? "none" : out;
}

}  // namespace

void list_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    expect_arguments(args, 1, "list BANK");
    fs::path path = args[0];
    bank b = open_bank(path);
    file_deserializer in(path);
    b.load_toc(in);
    out << printf_string("%4s  %-24s %10s  %s\n", "#", "Name", "Bytes", "Version");
    int64_t total = in.size() - in.bytes_left();
    bool short_file = false;
    for (int32_t i = 0; i < b.nprogs(); ++i) {
        int32_t length = b.lengths()[size_t(i)];
        std::string version;
        if (in.bytes_left() < length) {
            version = "missing: the file ends early";
            short_file = true;
        } else if (length < 4) {
            version = "damaged";
            in.skip(length);
        } else {
            version = version_text(in.get_long());
            in.skip(length - 4);
        }
        total += length;
        out << printf_string("%4d  %-24s %10d  %s\n", i, b.names()[size_t(i)].c_str(), length, version.c_str());
        if (short_file) break;
    }
    out << printf_string("%d programs, %" PRId64 " bytes\n", b.nprogs(), in.size());
    if (short_file)
        failure(path.string() + " ends before its last program: " + std::to_string(total - in.size()) +
                " bytes of the records are missing");
    if (total < in.size())
        err << "kaveo-bank: warning: " << path.string() << " holds " << in.size() - total
            << " bytes after its last program\n";
}

void show_command(const std::vector<std::string>& args, std::ostream& out) {
    expect_arguments(args, 2, "show BANK INDEX");
    fs::path path = args[0];
    bank b = open_bank(path);
    int index = program_index(b, path, args[1]);
    program p = read_program(b, path, index);
    out << "Program " << index << ": \"" << p.name << "\" (" << p.record_size()
        << " bytes as a current record)\n";
    static const char* const set_names[2] = {"A (UserA)", "B (UserB)"};
    for (size_t w = 0; w < 2; ++w) {
        const waveform& wave = p.waves.waves[w];
        int used = 0;
        for (const sample_data& s : wave.samples) used += s.frames > 0 ? 1 : 0;
        out << "Set " << set_names[w] << " \"" << p.waves.names[w] << "\": "
            << (used ? std::to_string(used) + " slots" : std::string("empty")) << "\n";
        for (int s = 0; s < waveform::slots; ++s) {
            const sample_data& sd = wave.samples[size_t(s)];
            if (sd.frames == 0) continue;
            out << printf_string("  slot %d  %-24s %8d frames at %d Hz (%.2f s), xpose %+d, finetune %d, keys %s\n",
                                 s, wave.names[size_t(s)].c_str(), sd.frames, sd.rate,
                                 sd.rate > 0 ? double(sd.frames) / sd.rate : 0.0, sd.xpose,
                                 sd.finetune, key_ranges(wave, s).c_str());
        }
    }
    out << "Parameters that differ from a new program's:\n";
    timbre fresh;
    int shown = 0;
    for (int i = 0; i < NUM_PARAMS; ++i) {
        float v = p.params.value(i);
        if (v == fresh.value(i)) continue;
        char text[64] = "";
        param_info(i).display(v, text, sizeof text);
        out << printf_string("  %2d %-28s %.6g  %s\n", i, param_info(i).long_name, double(v), text);
        ++shown;
    }
    if (!shown) out << "  none\n";
}

void export_command(const std::vector<std::string>& args, std::ostream& out) {
    expect_arguments(args, 3, "export BANK INDEX FILE.kvp");
    fs::path path = args[0];
    bank b = open_bank(path);
    int index = program_index(b, path, args[1]);
    program p = read_program(b, path, index);
    fs::path target = args[2];
    try {
        write_program_file(target, p);
    } catch (const persist_error& e) {
        failure("cannot write " + target.string() + " (" + e.what() + ")");
    }
    out << "Exported program " << index << " \"" << p.name << "\" to " << target.string() << " ("
        << p.record_size() << " bytes)\n";
}

void import_command(const std::vector<std::string>& args, std::ostream& out) {
    expect_arguments(args, 3, "import BANK INDEX FILE.kvp");
    fs::path path = args[0];
    bank b = open_bank(path);
    int index = program_index(b, path, args[1]);
    fs::path source = args[2];
    std::error_code ec;
    if (!fs::exists(source, ec)) failure(source.string() + ": no such file");
    program p;
    try {
        read_program_file(source, p);
    } catch (const persist_error& e) {
        failure(source.string() + " is not a program file Kaveo can read (" + e.what() + ")");
    }
    store(b, path, index, p);
    out << "Stored \"" << p.name << "\" from " << source.string() << " as program " << index << " of "
        << path.string() << "\n";
}

void create_command(const std::vector<std::string>& args, std::ostream& out) {
    bool force = false;
    std::vector<std::string> files;
    for (const std::string& a : args) {
        if (a == "--force") force = true;
        else if (!a.empty() && a[0] == '-') usage_error("create does not know " + a);
        else files.push_back(a);
    }
    if (files.size() != 1) usage_error("wants create BANK [--force]");
    fs::path path = files[0];
    std::error_code ec;
    if (fs::exists(path, ec) && !force)
        failure(path.string() + " already exists; add --force to replace it with an empty bank");
    if (fs::is_directory(path, ec)) failure(path.string() + " is a folder");
    std::vector<program> empty(128);
    try {
        write_bank_file(path, empty);
    } catch (const persist_error& e) {
        failure("cannot write " + path.string() + " (" + e.what() + ")");
    }
    out << "Created " << path.string() << ": 128 empty programs, " << fs::file_size(path, ec) << " bytes\n";
}

}  // namespace bank_tool
