// build: a program made from sample files, one per slot, each with the keys it plays,
// imported as the sample page imports them (the shared import, the file's name on the
// slot) and stored into a bank position.
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <strings.h>
#include <system_error>
#include <vector>

#include "engine/sample_import.h"
#include "sound/bank.h"
#include "tools/kaveo_bank/bank_access.h"
#include "tools/kaveo_bank/bank_tool.h"

namespace fs = std::filesystem;

namespace bank_tool {

namespace {

constexpr size_t max_program_name = 23;  // what a host shows of a program name

struct slot_request {
    int slot = 0;
    fs::path file;
    std::vector<int> keys;
    std::optional<int> xpose, finetune;
};

struct build_request {
    fs::path bank_path;
    std::string index_text;
    std::string name;
    std::optional<std::string> wave_name;
    std::vector<slot_request> slots;
    std::vector<std::pair<int, float>> params;
};

// SLOT:FILE:KEYS; the file name may itself hold colons.
slot_request parse_slot(const std::string& text) {
    size_t first = text.find(':'), last = text.rfind(':');
    if (first == std::string::npos || first == last)
        usage_error("--slot wants SLOT:FILE:KEYS, such as 0:piano-c4.wav:0-64, not \"" + text + "\"");
    slot_request r;
    r.slot = parse_int(text.substr(0, first), 0, waveform::slots - 1, "the slot");
    r.file = text.substr(first + 1, last - first - 1);
    if (r.file.empty()) usage_error("--slot " + text + " names no file");
    r.keys = parse_keys(text.substr(last + 1));
    return r;
}

// SLOT:N for --xpose and --finetune.
std::pair<int, int> parse_slot_value(const std::string& option, const std::string& text, int lo, int hi,
                                     const std::string& what) {
    size_t colon = text.find(':');
    if (colon == std::string::npos) usage_error(option + " wants SLOT:" + what + ", not \"" + text + "\"");
    int slot = parse_int(text.substr(0, colon), 0, waveform::slots - 1, "the slot");
    // A leading + reads as a sign for a transpose.
    std::string number = text.substr(colon + 1);
    if (!number.empty() && number[0] == '+') number.erase(0, 1);
    return {slot, parse_int(number, lo, hi, option + "'s " + what)};
}

// P=VALUE: P is an index or a parameter's name (case ignored).
std::pair<int, float> parse_param(const std::string& text) {
    size_t eq = text.rfind('=');
    if (eq == std::string::npos || eq == 0) usage_error("--param wants P=VALUE, such as \"Filter cutoff=0.4\"");
    std::string name = text.substr(0, eq), value = text.substr(eq + 1);
    int index = -1;
    if (std::isdigit(static_cast<unsigned char>(name[0]))) {
        index = parse_int(name, 0, NUM_PARAMS - 1, "a parameter number");
    } else {
        for (int i = 0; i < NUM_PARAMS && index < 0; ++i)
            if (strcasecmp(name.c_str(), param_info(i).long_name) == 0) index = i;
        if (index < 0) usage_error("no parameter is called \"" + name + "\"");
    }
    char* end = nullptr;
    double v = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || !(v >= 0.0 && v <= 1.0))
        usage_error("--param " + name + " wants a value from 0 to 1, not \"" + value + "\"");
    return {index, float(v)};
}

build_request parse_build(const std::vector<std::string>& args) {
    build_request r;
    std::vector<std::string> positional;
    std::vector<std::pair<int, int>> xposes, finetunes;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size()) usage_error(a + " wants a value");
            return args[++i];
        };
        if (a == "--slot") r.slots.push_back(parse_slot(value()));
        else if (a == "--xpose") xposes.push_back(parse_slot_value(a, value(), -24, 24, "SEMITONES"));
        else if (a == "--finetune") finetunes.push_back(parse_slot_value(a, value(), 0, 100, "CENTS"));
        else if (a == "--name") r.name = value();
        else if (a == "--wave-name") r.wave_name = value();
        else if (a == "--param") r.params.push_back(parse_param(value()));
        else if (!a.empty() && a[0] == '-' && a.size() > 1) usage_error("build does not know " + a);
        else positional.push_back(a);
    }
    if (positional.size() != 2) usage_error("wants build BANK INDEX --name NAME --slot SLOT:FILE:KEYS ...");
    r.bank_path = positional[0];
    r.index_text = positional[1];
    if (r.name.empty()) usage_error("build wants --name NAME");
    if (r.name.size() > max_program_name)
        usage_error("the name \"" + r.name + "\" is longer than 23 characters");
    if (r.slots.empty()) usage_error("build wants at least one --slot SLOT:FILE:KEYS");

    std::vector<int> owner(waveform::keys, -1);
    std::vector<bool> taken(waveform::slots, false);
    for (const slot_request& s : r.slots) {
        if (taken[size_t(s.slot)]) usage_error("slot " + std::to_string(s.slot) + " is given twice");
        taken[size_t(s.slot)] = true;
        for (int k : s.keys) {
            int& o = owner[size_t(k)];
            if (o >= 0 && o != s.slot)
                usage_error("key " + std::to_string(k) + " is given to slot " + std::to_string(o) +
                            " and to slot " + std::to_string(s.slot));
            o = s.slot;
        }
    }
    auto apply = [&](const std::vector<std::pair<int, int>>& list, const char* option, bool xpose) {
        for (auto [slot, v] : list) {
            auto it = std::find_if(r.slots.begin(), r.slots.end(), [&](const slot_request& s) { return s.slot == slot; });
            if (it == r.slots.end())
                usage_error(std::string(option) + " names slot " + std::to_string(slot) + ", which no --slot fills");
            (xpose ? it->xpose : it->finetune) = v;
        }
    };
    apply(xposes, "--xpose", true);
    apply(finetunes, "--finetune", false);
    return r;
}

// Every key the request names plays its slot; the others play the slot of the nearest
// named key, the lower one on a tie.
std::array<int32_t, waveform::keys> key_map(const std::vector<slot_request>& slots) {
    std::array<int, waveform::keys> owner;
    owner.fill(-1);
    for (const slot_request& s : slots)
        for (int k : s.keys) owner[size_t(k)] = s.slot;
    std::array<int32_t, waveform::keys> map{};
    for (int k = 0; k < waveform::keys; ++k) {
        for (int d = 0; d < waveform::keys; ++d) {
            if (k - d >= 0 && owner[size_t(k - d)] >= 0) { map[size_t(k)] = owner[size_t(k - d)]; break; }
            if (k + d < waveform::keys && owner[size_t(k + d)] >= 0) { map[size_t(k)] = owner[size_t(k + d)]; break; }
        }
    }
    return map;
}

// The file imported as the sample page imports it.
sample_data import_sample(const fs::path& file) {
    std::error_code ec;
    if (!fs::exists(file, ec)) failure(file.string() + ": no such file");
    sample_data s;
    sample_import::outcome o = sample_import::import_file(file, s);
    if (o != sample_import::outcome::imported) failure(file.string() + ": " + sample_import::message(o));
    return s;
}

}  // namespace

void build_command(const std::vector<std::string>& args, std::ostream& out) {
    build_request r = parse_build(args);
    bank b = open_bank(r.bank_path);
    int index = program_index(b, r.bank_path, r.index_text);

    program p;
    p.name = r.name;
    p.waves.names[0] = r.wave_name ? *r.wave_name : r.name;
    waveform& wave = p.waves.waves[0];
    for (const slot_request& s : r.slots) {
        sample_data sample = import_sample(s.file);
        sample.xpose = s.xpose.value_or(0);
        sample.finetune = s.finetune.value_or(0);
        wave.set_sample(s.slot, std::move(sample));
        wave.set_slot_name(s.slot, s.file.filename().string());
    }
    wave.keymap = key_map(r.slots);
    for (auto [index_of, value] : r.params) p.params.set_value(index_of, value);

    store(b, r.bank_path, index, p);
    out << "Stored \"" << p.name << "\" as program " << index << " of " << r.bank_path.string() << " ("
        << r.slots.size() << (r.slots.size() == 1 ? " slot, " : " slots, ") << p.record_size() << " bytes)\n";
    for (const slot_request& s : r.slots) {
        const sample_data& sd = wave.samples[size_t(s.slot)];
        out << "  slot " << s.slot << "  " << wave.names[size_t(s.slot)] << ": " << sd.frames << " frames at "
            << sd.rate << " Hz, " << sd.period_map.size() << " periods and " << sd.pitch_marks.size()
            << " pitch marks found\n";
    }
}

}  // namespace bank_tool
