// The factory bank embedded in the plug-in: the bank file the builder makes of the factory
// programs, in the bank layout with every record in version 0x300 and 83 values, read back
// by the bank code as the programs were defined.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>

#include "embedded_bank.h"
#include "sound/bank.h"
#include "sound/serializer.h"
#include "sound_test_util.h"
#include "tests/factory_bank.h"
#include "tools/factory_bank/factory_records.h"

namespace {

using namespace factory;

std::vector<unsigned char> embedded_bytes() {
    auto span = platform::factory_bank();
    const auto* p = reinterpret_cast<const unsigned char*>(span.data());
    return {p, p + span.size()};
}

// Reads little-endian items by hand, independent of the streams.
struct reader {
    const std::vector<unsigned char>& b;
    size_t at = 0;
    uint32_t u32() {
        if (at + 4 > b.size()) throw std::out_of_range("past the end");
        uint32_t v = uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
                     uint32_t(b[at + 3]) << 24;
        at += 4;
        return v;
    }
    int32_t i32() { return int32_t(u32()); }
    float f32() {
        uint32_t u = u32();
        float f;
        std::memcpy(&f, &u, 4);
        return f;
    }
    std::string str() {
        int32_t n = i32();
        if (n < 0 || at + size_t(n) > b.size()) throw std::out_of_range("bad string");
        std::string s(b.begin() + long(at), b.begin() + long(at) + n);
        at += size_t(n);
        return s;
    }
    void skip(size_t n) {
        if (at + n > b.size()) throw std::out_of_range("past the end");
        at += n;
    }
};

}  // namespace

TEST(EmbeddedBank, IsTheBankTheBuilderMakesOfTheFactoryPrograms) {
    std::vector<unsigned char> bytes = embedded_bytes();
    ASSERT_FALSE(bytes.empty()) << "no bank embedded";
    // The same bytes again, from the definitions as they are now: the embedded bank is
    // current, and building it is deterministic.
    std::vector<factory_record> records = make_factory_records(test::factory_bank(), 2);
    EXPECT_TRUE(factory_bank_bytes(records) == bytes);
    EXPECT_GT(bytes.size(), 15'000'000u);
    EXPECT_LT(bytes.size(), 16'000'000u);
    std::printf("factory bank: %zu bytes\n", bytes.size());
}

TEST(EmbeddedBank, LayoutReadByHand) {
    std::vector<unsigned char> bytes = embedded_bytes();
    const auto& defs = test::factory_bank();
    reader r{bytes};
    EXPECT_EQ(r.u32(), 0xBABA0002u);  // the bytes 02 00 BA BA
    ASSERT_EQ(r.i32(), 128);
    std::vector<std::string> names;
    std::vector<int32_t> lengths;
    for (int i = 0; i < 128; ++i) {
        names.push_back(r.str());
        lengths.push_back(r.i32());
        EXPECT_EQ(names.back(), defs[size_t(i)].name);
    }
    for (int i = 0; i < 128; ++i) {
        SCOPED_TRACE(names[size_t(i)]);
        const factory_program& def = defs[size_t(i)];
        size_t start = r.at;
        EXPECT_EQ(r.i32(), 0x300);
        EXPECT_EQ(r.str(), def.name);
        for (int w = 0; w < 2; ++w) {
            const factory_set& set = def.sets[size_t(w)];
            EXPECT_EQ(r.str(), set.name);
            for (size_t s = 0; s < 8; ++s) {
                int32_t frames = r.i32(), rate = r.i32(), xpose = r.i32(), finetune = r.i32();
                if (s < set.slots.size()) {
                    const factory_slot& slot = set.slots[s];
                    ASSERT_EQ(size_t(frames), slot.frames());
                    EXPECT_EQ(rate, slot.rate);
                    EXPECT_EQ(xpose, slot.xpose);
                    EXPECT_EQ(finetune, slot.finetune);
                    // The values as generated, bit for bit.
                    EXPECT_EQ(std::memcmp(&bytes[r.at], slot.samples->data(), size_t(frames) * 4), 0);
                } else {
                    EXPECT_EQ(frames, 0);
                    EXPECT_EQ(rate, 44100);
                }
                r.skip(size_t(frames) * 4);
                int32_t periods = r.i32();
                ASSERT_GE(periods, 0);
                if (frames > 0) {
                    EXPECT_GT(periods, 0) << "slot " << s << " not analysed";
                }
                r.skip(size_t(periods) * 20);
                int32_t marks = r.i32();
                ASSERT_GE(marks, 0);
                r.skip(size_t(marks) * 8);
                EXPECT_EQ(r.str(), s < set.slots.size() ? set.slots[s].name : "(empty)");
            }
            for (int k = 0; k < 128; ++k) EXPECT_EQ(r.i32(), set.empty() ? 0 : set.keymap[size_t(k)]);
        }
        ASSERT_EQ(r.i32(), 83);
        stored_values expected = to_stored(def.values);
        for (int v = 0; v < 83; ++v) {
            float f = r.f32();
            EXPECT_EQ(std::memcmp(&f, &expected[size_t(v)], 4), 0) << "value " << v;
        }
        // The table's length is the record's.
        EXPECT_EQ(r.at - start, size_t(lengths[size_t(i)]));
    }
    EXPECT_EQ(r.at, bytes.size()) << "bytes after the last record";
}

TEST(EmbeddedBank, EveryProgramReadsBackAsDefined) {
    bank b;
    ASSERT_TRUE(b.load(test::embedded_bank_file()));
    ASSERT_EQ(b.nprogs(), 128);
    const auto& defs = test::factory_bank();
    for (int i = 0; i < 128; ++i) {
        const factory_program& def = defs[size_t(i)];
        SCOPED_TRACE(def.name);
        EXPECT_EQ(b.program_name(i), def.name);
        program p = b.get_program(i);
        EXPECT_EQ(p.name, def.name);
        for (size_t w = 0; w < 2; ++w) {
            const factory_set& set = def.sets[w];
            const waveform& wave = p.waves.waves[w];
            EXPECT_EQ(p.waves.names[w], set.name);
            for (size_t s = 0; s < 8; ++s) {
                const sample_data& sd = wave.samples[s];
                if (s >= set.slots.size()) {
                    EXPECT_EQ(sd.frames, 0);
                    EXPECT_EQ(wave.names[s], "(empty)");
                    continue;
                }
                const factory_slot& slot = set.slots[s];
                EXPECT_EQ(wave.names[s], slot.name);
                EXPECT_EQ(sd.data, *slot.samples);
                EXPECT_EQ(sd.rate, slot.rate);
                EXPECT_EQ(sd.xpose, slot.xpose);
                EXPECT_EQ(sd.finetune, slot.finetune);
                EXPECT_FALSE(sd.period_map.empty());
                EXPECT_TRUE(std::is_sorted(sd.pitch_marks.begin(), sd.pitch_marks.end()));
            }
            if (!set.empty()) {
                for (int k = 0; k < 128; ++k) EXPECT_EQ(wave.keymap[size_t(k)], set.keymap[size_t(k)]);
            }
        }
        // What old reader A makes of the stored values is what the program intends.
        stored_values stored = to_stored(def.values);
        values loaded = read_old_reader_a(stored.data(), stored_value_count);
        for (int v = 0; v < NUM_PARAMS; ++v) {
            EXPECT_EQ(p.params.value(v), loaded[size_t(v)]) << "value " << v;
            EXPECT_EQ(p.params.value(v), def.values[size_t(v)]) << "value " << v;
        }
    }
}

TEST(EmbeddedBank, AnalysisFollowsThePitchOfPitchedSlots) {
    // The period map the oscillators play by: for a slot made at a known pitch, the
    // confident periods centre on that pitch's period. A tone whose octave partial
    // outweighs its fundamental (a bright drawbar registration) may be heard an octave up
    // by the analysis, as it would be on import; nearly all must match.
    int checked = 0, matched = 0;
    std::string misses;
    for (const test::slot_ref& ref : test::distinct_slots()) {
        const factory_slot& slot = *ref.slot;
        if (!slot.pitched || !slot.harmonic || slot.tuning_ratio != 1.0) continue;
        factory_program one;
        one.name = "x";
        one.values = test::factory_bank()[0].values;
        one.sets[0].name = "x";
        one.sets[0].slots = {slot};
        // The records carry exactly this analysis (the bank is the builder's, test above).
        factory_record r = make_factory_record(one);
        std::vector<double> periods;
        for (const period_entry& e : r.prog.waves.waves[0].samples[0].period_map)
            if (e.confidence > 0.75 && e.period > 0) periods.push_back(e.period);
        ++checked;
        if (periods.empty()) {
            misses += " " + slot.name + " (no pitch)";
            continue;
        }
        std::nth_element(periods.begin(), periods.begin() + long(periods.size() / 2), periods.end());
        double median = periods[periods.size() / 2];
        double expected = slot.rate / (440.0 * std::pow(2.0, (slot.root_key - 69) / 12.0));
        if (std::fabs(median / expected - 1.0) < 0.02)
            ++matched;
        else
            misses += " " + slot.name;
    }
    EXPECT_GT(checked, 50);
    EXPECT_GE(matched, checked * 95 / 100) << "off:" << misses;
    std::printf("%d of %d pitched slots analysed at their pitch; off:%s\n", matched, checked,
                misses.c_str());
}

TEST(EmbeddedBank, ThePluginLibraryCarriesIt) {
    std::ifstream in(KAVEO_PLUGIN_PATH, std::ios::binary);
    std::vector<unsigned char> library((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<unsigned char> bytes = embedded_bytes();
    ASSERT_GT(library.size(), bytes.size());
    auto found = std::search(library.begin(), library.end(),
                             std::boyer_moore_horspool_searcher(bytes.begin(), bytes.begin() + 65536));
    ASSERT_NE(found, library.end());
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), found));
}

TEST(FactoryRecords, ASmallProgramByteForByte) {
    // One slot of 16 silent frames in UserA, every key on it; UserB unused.
    factory_program p;
    p.name = "Tiny";
    p.values = test::factory_bank()[0].values;
    factory_slot slot;
    slot.name = "Hush";
    slot.samples = std::make_shared<const audio>(16, 0.0f);
    slot.xpose = -12;
    slot.finetune = 30;
    p.sets[0].name = "Quiet";
    p.sets[0].slots = {slot};
    factory_record r = make_factory_record(p);

    test::bytes want;
    want.lng(0x300).str("Tiny").str("Quiet");
    // Silence: one analysis block of 160 upsampled values, no energy, so one entry at its
    // centre (80 - 75) / 10 -> frame 0 with no period; no zero crossings.
    want.lng(16).lng(44100).lng(-12).lng(30);
    for (int i = 0; i < 16; ++i) want.flt(0.0f);
    want.lng(1).lng(0).dbl(0.0).dbl(0.0).lng(0).str("Hush");
    for (int s = 1; s < 8; ++s) want.lng(0).lng(44100).lng(0).lng(0).lng(0).lng(0).str("(empty)");
    for (int k = 0; k < 128; ++k) want.lng(0);
    want.str("");
    for (int s = 0; s < 8; ++s) want.lng(0).lng(44100).lng(0).lng(0).lng(0).lng(0).str("(empty)");
    for (int k = 0; k < 128; ++k) want.lng(0);
    want.lng(83);
    stored_values stored = to_stored(p.values);
    for (float v : stored) want.flt(v);

    std::vector<unsigned char> got(size_t(factory_record_size(r)));
    mem_serializer out(got.data(), int64_t(got.size()));
    write_factory_record(out, r);
    EXPECT_EQ(got, want.b);

    // A bank of it: header, one table entry, the record.
    std::vector<unsigned char> bank_bytes = factory_bank_bytes({r});
    test::bytes head;
    head.le32(0xBABA0002u).lng(1).str("Tiny").lng(int32_t(want.b.size()));
    ASSERT_EQ(bank_bytes.size(), head.b.size() + want.b.size());
    EXPECT_TRUE(std::equal(head.b.begin(), head.b.end(), bank_bytes.begin()));
    EXPECT_TRUE(std::equal(want.b.begin(), want.b.end(), bank_bytes.begin() + long(head.b.size())));
}

TEST(FactoryRecords, RefuseWhatTheRecordCannotHold) {
    auto base = [] {
        factory_program p;
        p.name = "Fine";
        p.values = test::factory_bank()[0].values;
        factory_slot slot;
        slot.name = "S";
        slot.samples = std::make_shared<const audio>(64, 0.0f);
        p.sets[0].name = "A";
        p.sets[0].slots = {slot};
        return p;
    };
    EXPECT_NO_THROW(make_factory_record(base()));
    auto refused = [&](const std::function<void(factory_program&)>& change) {
        factory_program p = base();
        change(p);
        EXPECT_THROW(make_factory_record(p), std::invalid_argument);
    };
    refused([](factory_program& p) { p.name = "A name far too long for it"; });
    refused([](factory_program& p) { p.name.clear(); });
    refused([](factory_program& p) { p.sets[0].slots.resize(9, p.sets[0].slots[0]); });
    refused([](factory_program& p) { p.sets[0].keymap[60] = 1; });  // a slot it does not have
    refused([](factory_program& p) { p.sets[0].slots[0].xpose = 25; });
    refused([](factory_program& p) { p.sets[0].slots[0].finetune = -1; });
    refused([](factory_program& p) { p.sets[0].slots[0].samples.reset(); });
    refused([](factory_program& p) { p.values[P_LFO1_SYNC] = choice_to_value(1, 3); });
    refused([](factory_program& p) { p.values[P_ASSIGN1_AMOUNT] = 0.9f; });  // beyond +-50 %
}
