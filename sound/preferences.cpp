#include "sound/preferences.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <utility>

#include "sound/atomic_file.h"
#include "sound/persist_error.h"

void controller_map::assign(int c, int p) {
    if (c < 0 || c >= controllers || p < 0 || p >= NUM_PARAMS) return;
    to_param[size_t(c)].store(p, std::memory_order_relaxed);
    to_controller[size_t(p)].store(c, std::memory_order_relaxed);
}

void controller_map::reassign(int c, int p) {
    if (c < 0 || c >= controllers || p < 0 || p >= NUM_PARAMS) return;
    // One entry at a time: the audio thread may look any of them up meanwhile, and sees
    // the old assignment or the new one, never an index outside the table.
    const int before = to_controller[size_t(p)].load(std::memory_order_relaxed);
    if (before >= 0 && before != c && to_param[size_t(before)].load(std::memory_order_relaxed) == p)
        to_param[size_t(before)].store(-1, std::memory_order_relaxed);
    const int driven = to_param[size_t(c)].load(std::memory_order_relaxed);
    if (driven >= 0 && driven != p && to_controller[size_t(driven)].load(std::memory_order_relaxed) == c)
        to_controller[size_t(driven)].store(-1, std::memory_order_relaxed);
    assign(c, p);
}

void controller_map::clear() {
    for (auto& e : to_param) e.store(-1, std::memory_order_relaxed);
    for (auto& e : to_controller) e.store(-1, std::memory_order_relaxed);
}

namespace {

constexpr size_t max_line = 1023;

// Reads one line of at most max_line characters; a longer line ends the file for us.
bool read_line(std::istream& in, std::string& line) {
    line.clear();
    char c;
    while (in.get(c)) {
        if (c == '\n') return true;
        if (line.size() == max_line) return false;
        line += c;
    }
    return !line.empty();
}

bool parse_int(const char*& s, int& out) {
    while (*s == ' ' || *s == '\t') ++s;
    const char* start = s;
    if (*s == '+' || *s == '-') ++s;
    if (*s < '0' || *s > '9') return false;
    long v = 0;
    while (*s >= '0' && *s <= '9') {
        v = v * 10 + (*s - '0');
        if (v > 1000000) return false;
        ++s;
    }
    out = int(*start == '-' ? -v : v);
    return true;
}

}  // namespace

bool preferences::load(const std::filesystem::path& file) {
    default_bank.clear();
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    live.clear();
    bool accepted = false;
    std::string line;
    while (read_line(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const char* s = line.c_str();
        while (*s == ' ' || *s == '\t') ++s;
        const char* word_end = s;
        while (*word_end && *word_end != ' ' && *word_end != '\t') ++word_end;
        std::string word(s, word_end);
        if (word == "assign_midi_cc") {
            const char* p = word_end;
            int c = 0, param = 0;
            if (parse_int(p, c) && parse_int(p, param) && valid_controller(c) && param >= 0 &&
                param < NUM_PARAMS) {
                saved[c] = param;
                live.assign(c, param);
                accepted = true;
            }
        } else if (word == "default_bank") {
            const char* open = std::strchr(word_end, '"');
            if (!open) continue;
            const char* close = std::strchr(open + 1, '"');
            default_bank.assign(open + 1, close ? close : open + 1 + std::strlen(open + 1));
        }
    }
    return accepted;
}

bool preferences::save(const std::filesystem::path& file, std::string& error) const {
    std::string text;
    if (!default_bank.empty()) text += "default_bank \"" + default_bank + "\"\n";
    for (auto [c, p] : saved)
        if (valid_controller(c))
            text += "assign_midi_cc " + std::to_string(c) + " " + std::to_string(p) + "\n";
    try {
        replace_file(file, [&](serializer& out) { out.put_chunk(text.data(), int32_t(text.size())); });
        return true;
    } catch (const std::exception& e) {
        error = e.what();
        return false;
    }
}

bool preferences::can_hold_bank_path(const std::string& path) {
    const size_t line = std::strlen("default_bank \"") + path.size() + 1;
    return line <= max_line && path.find_first_of("\"\r\n") == std::string::npos &&
           path.find('\0') == std::string::npos;
}

void preferences::apply_defaults() {
    static constexpr std::pair<int, int> table[] = {
        {5, 4},   {47, 5},  {17, 7},  {18, 8},  {0, 9},   {0, 10},  {19, 11}, {20, 12},
        {21, 13}, {22, 14}, {23, 15}, {24, 16}, {25, 17}, {26, 20}, {27, 21}, {28, 22},
        {29, 23}, {30, 24}, {74, 26}, {71, 27}, {23, 29}, {24, 30}, {25, 31}, {26, 32},
        {16, 33}, {7, 34},  {10, 35}, {73, 36}, {75, 37}, {70, 38}, {72, 39}, {31, 42},
        {32, 45}, {33, 48}, {34, 51}, {35, 54}, {36, 57}, {37, 60}, {38, 63}, {39, 66},
        {40, 69}, {41, 72}, {42, 77}, {43, 78}, {44, 79}, {45, 80}, {46, 81}};
    for (auto [c, p] : table) {
        saved[c] = p;
        live.assign(c, p);
    }
}

void preferences::keep_live_assignments() {
    saved.clear();
    for (int c = 0; c < controller_map::controllers; ++c)
        if (int p = live.param_for(c); p >= 0) saved[c] = p;
}
