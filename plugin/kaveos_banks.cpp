// The active bank: making a bank file active, a new empty bank, the default bank at start
// and the factory bank written on first start.
#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include "plugin/kaveos.h"
#include "platform/factory_bank.h"
#include "platform/paths.h"
#include "sound/atomic_file.h"
#include "sound/file_stream.h"

namespace fs = std::filesystem;

namespace {

std::atomic<Kaveos::bank_bytes_fn> factory_source{nullptr};

std::span<const std::byte> factory_bytes() {
    Kaveos::bank_bytes_fn source = factory_source.load(std::memory_order_relaxed);
    return source ? source() : platform::factory_bank();
}

// A default bank that exists but cannot be loaded may still hold the user's programs: it
// is kept beside under a new name rather than overwritten. False when it cannot be moved.
bool move_aside(const fs::path& file) {
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(file, ec))) return true;
    for (int n = 1; n <= 99; ++n) {
        fs::path kept = file;
        kept += n == 1 ? ".damaged" : ".damaged" + std::to_string(n);
        if (fs::exists(fs::symlink_status(kept, ec))) continue;
        fs::rename(file, kept, ec);
        return !ec;
    }
    return false;
}

}  // namespace

void Kaveos::set_factory_bank_source(bank_bytes_fn source) {
    factory_source.store(source, std::memory_order_relaxed);
}

fs::path Kaveos::get_default_bank_file_name() { return platform::default_bank_file(); }

bool Kaveos::loadBank(const fs::path& file) {
    {
        file_deserializer probe(file);
        if (probe.is_bad()) return false;
    }
    return attach_bank(file, [] {});
}

bool Kaveos::createEmptyBank(const fs::path& file) {
    // Written through a temporary file: a full disk never leaves half a bank behind.
    return attach_bank(file, [&] { write_bank_file(file, std::vector<program>(size_t(num_programs))); });
}

bool Kaveos::attach_bank(const fs::path& file, const std::function<void()>& prepare) {
    bank kept = sounds;
    try {
        prepare();
        if (!sounds.load(file)) {
            sounds = kept;
            return false;
        }
        // Program 0 of the new bank, with no overlay of the old bank's program put into it.
        program_loaded = false;
        setProgram(0);
        notify_bank_changed();
        return true;
    } catch (...) {
        sounds = kept;
        return false;
    }
}

bool Kaveos::write_factory_bank(const fs::path& file) {
    std::span<const std::byte> bytes = factory_bytes();
    if (bytes.empty()) return false;  // the library carries none: run with an empty bank
    if (!move_aside(file)) return false;
    try {
        replace_file(file, [&](serializer& out) {
            constexpr size_t piece = size_t(1) << 20;
            for (size_t at = 0; at < bytes.size(); at += piece) {
                size_t n = std::min(piece, bytes.size() - at);
                out.put_chunk(bytes.data() + at, int32_t(n));
            }
        });
        return true;
    } catch (...) {
        return false;
    }
}

void Kaveos::load_default_bank() {
    if (!prefs.default_bank.empty() && loadBank(prefs.default_bank)) return;
    const fs::path file = get_default_bank_file_name();
    if (file.empty()) {  // no home folder to keep one in
        notify_bank_changed();
        return;
    }
    // A stale default bank in the preferences is kept: the file may come back (a drive
    // not mounted yet).
    auto remember_default = [&] {
        if (prefs.default_bank.empty() && preferences::can_hold_bank_path(file.string()))
            prefs.default_bank = file.string();
    };
    if (loadBank(file)) {
        remember_default();
        return;
    }
    if (write_factory_bank(file) && loadBank(file)) {
        remember_default();
        return;
    }
    notify_bank_changed();
}
