#include "sound/bank.h"

#include <utility>

#include "sound/atomic_file.h"
#include "sound/file_stream.h"
#include "sound/persist_error.h"

bank::toc bank::read_toc(deserializer& in) {
    toc t;
    in.get_long();  // BANK_VERSION: never checked, so older banks load
    int32_t count = in.get_long();
    if (count < 0) throw persist_error("bank::load_toc - negative program count");
    in.check_count(count, 8, "get_long failed");  // a name count and a length each at least
    t.names.reserve(size_t(count));
    t.lengths.reserve(size_t(count));
    for (int32_t i = 0; i < count; ++i) {
        t.names.push_back(in.get_string());
        int32_t length = in.get_long();
        if (length < 0) throw persist_error("bank::load_toc - negative record length");
        t.lengths.push_back(length);
    }
    return t;
}

void bank::load_toc(deserializer& in) {
    toc t = read_toc(in);
    toc_names = std::move(t.names);
    toc_lengths = std::move(t.lengths);
}

bool bank::load(const std::filesystem::path& path) {
    file_path = path;
    try {
        file_deserializer in(path);
        if (!in.is_bad()) {
            load_toc(in);
            program_overlay.fill(false);
            timbre_overlay.fill(false);
            return true;
        }
    } catch (...) {
    }
    toc_names.clear();
    toc_lengths.clear();
    return false;
}

std::string bank::program_name(int32_t index) const {
    return index >= 0 && index < nprogs() ? toc_names[size_t(index)] : std::string();
}

program bank::get_program(int32_t index) {
    program result;
    try {
        file_deserializer in(file_path);
        if (in.is_bad()) throw persist_error("bank::get_program - cannot open the bank file");
        load_toc(in);
        if (index >= 0 && index < nprogs()) {
            // Seek past the records in front; the file is never read whole.
            for (int32_t i = 0; i < index; ++i) in.skip(toc_lengths[size_t(i)]);
            result.deserialize(in);
        }
    } catch (...) {
        result = program();
    }
    if (storedp(index)) {
        auto it = stored_programs.find(index);
        if (it != stored_programs.end()) {
            const program& kept = it->second;
            result.name = kept.name;
            result.waves = kept.waves;
            result.params = kept.params;
            return result;
        }
    }
    if (storedt(index)) result.params = stored_timbres[size_t(index)];
    return result;
}

void bank::set_program(int32_t index, const program& p) {
    if (!in_overlays(index)) return;
    stored_timbres[size_t(index)] = p.params;
    timbre_overlay[size_t(index)] = true;
}

void bank::remember(int32_t index, const program& p) {
    if (!in_overlays(index)) return;
    stored_programs[index] = p;
    program_overlay[size_t(index)] = true;
}

namespace {

// Skips from `at` (bytes consumed so far) to `start`; a record that ran past its table
// length means the table and the records disagree.
void move_to(file_deserializer& in, int64_t start) {
    int64_t at = in.size() - in.bytes_left();
    if (at > start) throw persist_error("bank::store_program - record longer than its table entry");
    while (at < start) {
        int64_t step = std::min<int64_t>(start - at, INT32_MAX);
        in.skip(int32_t(step));
        at += step;
    }
}

int32_t record_length(const program& p) {
    int64_t n = p.record_size();
    if (n > INT32_MAX) throw persist_error("bank::store_program - program too large");
    return int32_t(n);
}

}  // namespace

// The rewrite: every other program is read twice from the old file (once to learn its
// name and length in the current version for the table, once to copy it), one record at
// a time, so the bank is never held whole.
void bank::rewrite(serializer& out, int32_t index, const program& p) {
    toc old;
    int64_t records_start = 0;
    toc fresh;
    {
        file_deserializer in(file_path);
        if (in.is_bad()) throw persist_error("bank::store_program - cannot open the bank file");
        old = read_toc(in);
        records_start = in.size() - in.bytes_left();
        int64_t start = records_start;
        for (size_t c = 0; c < old.names.size(); ++c) {
            move_to(in, start);
            if (int32_t(c) == index) {
                fresh.names.push_back(p.name);
                fresh.lengths.push_back(record_length(p));
            } else {
                program q;
                q.deserialize(in);
                fresh.names.push_back(q.name);
                fresh.lengths.push_back(record_length(q));
            }
            start += old.lengths[c];
        }
    }

    out.put_long(BANK_VERSION);
    out.put_long(int32_t(fresh.names.size()));
    for (size_t c = 0; c < fresh.names.size(); ++c) {
        out.put_string(fresh.names[c]);
        out.put_long(fresh.lengths[c]);
    }
    file_deserializer in(file_path);
    toc again = read_toc(in);
    if (again.names != old.names || again.lengths != old.lengths)
        throw persist_error("bank::store_program - the bank file changed while it was rewritten");
    int64_t start = records_start;
    for (size_t c = 0; c < fresh.names.size(); ++c) {
        move_to(in, start);
        if (int32_t(c) == index) {
            p.serialize(out);
        } else {
            program q;
            q.deserialize(in);
            // The table promised this length; readers skip by it.
            if (record_length(q) != fresh.lengths[c])
                throw persist_error("bank::store_program - record changed while it was rewritten");
            q.serialize(out);
        }
        start += old.lengths[c];
    }
    toc_names = std::move(fresh.names);
    toc_lengths = std::move(fresh.lengths);
}

bool bank::store_program(int32_t index, const program& p) {
    if (file_path.empty()) return false;
    std::vector<std::string> names_before = toc_names;
    std::vector<int32_t> lengths_before = toc_lengths;
    try {
        // Only a program the file holds can be stored: anything else would be dropped
        // while its overlays were cleared.
        {
            file_deserializer in(file_path);
            if (in.is_bad()) return false;
            toc t = read_toc(in);
            if (index < 0 || index >= int32_t(t.names.size())) return false;
        }
        replace_file(file_path, [&](serializer& out) { rewrite(out, index, p); });
    } catch (...) {
        toc_names = std::move(names_before);
        toc_lengths = std::move(lengths_before);
        return false;
    }
    if (in_overlays(index)) {
        program_overlay[size_t(index)] = false;
        timbre_overlay[size_t(index)] = false;
    }
    return true;
}

void write_bank(serializer& out, const std::vector<program>& programs) {
    out.put_long(bank::BANK_VERSION);
    out.put_long(int32_t(programs.size()));
    for (const program& p : programs) {
        out.put_string(p.name);
        out.put_long(int32_t(p.record_size()));
    }
    for (const program& p : programs) p.serialize(out);
}

void write_bank_file(const std::filesystem::path& path, const std::vector<program>& programs) {
    replace_file(path, [&](serializer& out) { write_bank(out, programs); });
}
