#include "tools/factory_bank/factory_records.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <stdexcept>
#include <thread>

#include "engine/pitch_analysis.h"
#include "sound/bank.h"

namespace factory {

namespace {

struct analysis {
    std::vector<period_entry> period_map;
    std::vector<double> pitch_marks;
};

// The sample as an import would make it: the values at their rate, no transpose yet.
sample_data sample_of(const factory_slot& slot) {
    if (!slot.samples) throw std::invalid_argument("slot \"" + slot.name + "\" has no samples");
    sample_data s;
    s.data = *slot.samples;
    s.frames = int32_t(s.data.size());
    s.rate = slot.rate;
    return s;
}

analysis analyse(const factory_slot& slot) {
    sample_data s = sample_of(slot);
    analyze_pitch(s);
    return {std::move(s.period_map), std::move(s.pitch_marks)};
}

using analysis_of = std::map<std::pair<const audio*, int>, analysis>;

waveform make_waveform(const factory_set& set, const std::string& program_name,
                       const analysis_of* shared) {
    waveform w;
    if (set.empty()) return w;
    if (set.slots.size() > size_t(waveform::slots))
        throw std::invalid_argument(program_name + ": set \"" + set.name + "\" has more than 8 slots");
    for (size_t i = 0; i < set.slots.size(); ++i) {
        const factory_slot& slot = set.slots[i];
        if (slot.xpose < -24 || slot.xpose > 24 || slot.finetune < 0 || slot.finetune > 100)
            throw std::invalid_argument(program_name + ": slot \"" + slot.name +
                                        "\" has its transpose or finetune out of range");
        sample_data s = sample_of(slot);
        s.xpose = slot.xpose;
        s.finetune = slot.finetune;
        const analysis* known = nullptr;
        if (shared) {
            auto found = shared->find({slot.samples.get(), slot.rate});
            if (found != shared->end()) known = &found->second;
        }
        if (known) {
            s.period_map = known->period_map;
            s.pitch_marks = known->pitch_marks;
        } else {
            analyze_pitch(s);
        }
        w.samples[i] = std::move(s);
        w.names[i] = slot.name;
    }
    for (int k = 0; k < waveform::keys; ++k) {
        int slot = set.keymap[size_t(k)];
        if (slot < 0 || slot >= int(set.slots.size()))
            throw std::invalid_argument(program_name + ": key " + std::to_string(k) +
                                        " plays no slot of \"" + set.name + "\"");
        w.keymap[size_t(k)] = slot;
    }
    return w;
}

factory_record make_record(const factory_program& p, const analysis_of* shared) {
    if (p.name.empty() || p.name.size() > size_t(max_name_length))
        throw std::invalid_argument("program name \"" + p.name + "\" is empty or too long");
    factory_record r;
    try {
        r.stored = to_stored(p.values);
    } catch (const std::invalid_argument& e) {
        throw std::invalid_argument(p.name + ": " + e.what());
    }
    r.prog.name = p.name;
    for (size_t w = 0; w < 2; ++w) {
        r.prog.waves.names[w] = p.sets[w].name;
        r.prog.waves.waves[w] = make_waveform(p.sets[w], p.name, shared);
    }
    values loaded = read_old_reader_a(r.stored.data(), stored_value_count);
    for (int i = 0; i < value_count; ++i) r.prog.params.set_value(i, loaded[size_t(i)]);
    return r;
}

}  // namespace

factory_record make_factory_record(const factory_program& p) { return make_record(p, nullptr); }

std::vector<factory_record> make_factory_records(const std::vector<factory_program>& programs,
                                                 int threads) {
    // Distinct samples, in bank order, each analysed once.
    std::vector<const factory_slot*> jobs;
    analysis_of shared;
    for (const factory_program& p : programs)
        for (const factory_set& s : p.sets)
            for (const factory_slot& slot : s.slots)
                if (slot.samples && shared.emplace(std::make_pair(slot.samples.get(), slot.rate), analysis{}).second)
                    jobs.push_back(&slot);

    std::vector<analysis> results(jobs.size());
    std::atomic<size_t> next{0};
    auto work = [&] {
        for (size_t j = next++; j < jobs.size(); j = next++) results[j] = analyse(*jobs[j]);
    };
    int n = std::clamp(threads, 1, 16);
    std::vector<std::thread> pool;
    for (int t = 1; t < n; ++t) pool.emplace_back(work);
    work();
    for (std::thread& t : pool) t.join();
    for (size_t j = 0; j < jobs.size(); ++j)
        shared[{jobs[j]->samples.get(), jobs[j]->rate}] = std::move(results[j]);

    std::vector<factory_record> records;
    records.reserve(programs.size());
    for (const factory_program& p : programs) records.push_back(make_record(p, &shared));
    return records;
}

void write_factory_record(serializer& out, const factory_record& r) {
    out.put_long(factory_record_version);
    out.put_string(r.prog.name);
    r.prog.waves.serialize(out);
    out.put_long(stored_value_count);
    for (float v : r.stored) out.put_float(v);
}

int64_t factory_record_size(const factory_record& r) {
    countizer c;
    write_factory_record(c, r);
    return c.count();
}

void write_factory_bank(serializer& out, const std::vector<factory_record>& records) {
    out.put_long(bank::BANK_VERSION);
    out.put_long(int32_t(records.size()));
    for (const factory_record& r : records) {
        int64_t n = factory_record_size(r);
        if (n > INT32_MAX) throw std::invalid_argument(r.prog.name + ": record too large");
        out.put_string(r.prog.name);
        out.put_long(int32_t(n));
    }
    for (const factory_record& r : records) write_factory_record(out, r);
}

std::vector<unsigned char> factory_bank_bytes(const std::vector<factory_record>& records) {
    countizer c;
    write_factory_bank(c, records);
    std::vector<unsigned char> bytes(size_t(c.count()));
    mem_serializer out(bytes.data(), int64_t(bytes.size()));
    write_factory_bank(out, records);
    return bytes;
}

}  // namespace factory
