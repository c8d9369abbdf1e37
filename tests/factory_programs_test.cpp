// The factory bank as a whole: names, sets and key maps that the records can hold, sets the
// oscillators actually find, tempo loops of exact length, what of the instrument the bank
// shows, and its size.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "tests/factory_bank.h"
#include "tools/factory/bank_estimate.h"
#include "tools/factory/drums.h"
#include "tools/factory/factory_values.h"

using namespace factory;
using test::factory_bank;

namespace {

int choice(const factory_program& p, int index, int n) { return value_to_choice(p.values[size_t(index)], n); }

bool on(const factory_program& p, int index) { return p.values[size_t(index)] > 0.5f; }

// Matrix slots that do something: a destination and an amount other than none.
std::vector<std::pair<int, int>> routings(const factory_program& p) {
    std::vector<std::pair<int, int>> out;
    for (int k = 0; k < 8; ++k) {
        int dest = choice(p, P_ASSIGN1_DEST + 3 * k, 128);
        if (dest != 0 && p.values[size_t(P_ASSIGN1_AMOUNT + 3 * k)] != 0.5f)
            out.push_back({choice(p, P_ASSIGN1_SRC + 3 * k, 8), dest});
    }
    return out;
}

bool osc2_heard(const factory_program& p) {
    if (p.values[P_OSC_BALANCE] > 0.0f) return true;
    for (auto [src, dest] : routings(p))
        if (dest == P_OSC_BALANCE) return true;
    return false;
}

}  // namespace

TEST(FactoryPrograms, NamesAreShortUniqueAndReadable) {
    const auto& bank = factory_bank();
    ASSERT_EQ(bank.size(), 128u);
    std::set<std::string> names;
    for (const factory_program& p : bank) {
        EXPECT_FALSE(p.name.empty());
        EXPECT_LE(p.name.size(), size_t(max_name_length)) << p.name;
        for (char c : p.name) EXPECT_TRUE(c >= 32 && c < 127) << p.name;
        EXPECT_NE(p.name.front(), ' ');
        EXPECT_NE(p.name.back(), ' ');
        EXPECT_TRUE(names.insert(p.name).second) << "twice: " << p.name;
        EXPECT_FALSE(p.group.empty()) << p.name;
        EXPECT_FALSE(p.notes.empty()) << p.name;
    }
    // Programs of a group stay together.
    std::set<std::string> finished;
    std::string current;
    for (const factory_program& p : bank) {
        if (p.group == current) continue;
        EXPECT_TRUE(finished.insert(current).second) << p.group << " comes back at " << p.name;
        current = p.group;
    }
}

TEST(FactoryPrograms, SetsFitTheWaveformRecord) {
    for (const factory_program& p : factory_bank()) {
        for (const factory_set& s : p.sets) {
            SCOPED_TRACE(p.name + " / " + s.name);
            if (s.empty()) continue;
            EXPECT_FALSE(s.name.empty());
            ASSERT_LE(s.slots.size(), size_t(max_slots));
            std::vector<int> keys_per_slot(s.slots.size(), 0);
            for (int k = 0; k < key_count; ++k) {
                int slot = s.keymap[size_t(k)];
                ASSERT_GE(slot, 0);
                ASSERT_LT(slot, int(s.slots.size())) << "key " << k;
                ++keys_per_slot[size_t(slot)];
            }
            for (size_t i = 0; i < s.slots.size(); ++i) {
                const factory_slot& slot = s.slots[i];
                EXPECT_GT(keys_per_slot[i], 0) << slot.name << " is played by no key";
                EXPECT_FALSE(slot.name.empty());
                ASSERT_TRUE(slot.samples);
                EXPECT_GT(slot.frames(), 1000u) << slot.name;
                EXPECT_EQ(slot.rate, sample_rate);
                EXPECT_GE(slot.xpose, -24);
                EXPECT_LE(slot.xpose, 24);
                EXPECT_GE(slot.finetune, 0);
                EXPECT_LE(slot.finetune, 100);
                // A pitched slot plays its own root key.
                if (slot.pitched) {
                    EXPECT_EQ(s.keymap[size_t(slot.root_key)], int(i)) << slot.name;
                }
            }
        }
    }
}

TEST(FactoryPrograms, OscillatorsFindTheSetsTheyPlay) {
    for (const factory_program& p : factory_bank()) {
        SCOPED_TRACE(p.name);
        int w1 = choice(p, P_OSC1_WAVE, 6), w2 = choice(p, P_OSC2_WAVE, 6);
        if (p.values[P_OSC_BALANCE] < 1.0f && w1 < 2) {
            EXPECT_FALSE(p.sets[size_t(w1)].empty());
        }
        if (osc2_heard(p) && w2 < 2) {
            EXPECT_FALSE(p.sets[size_t(w2)].empty());
        }
        // A set nobody plays would only make the bank bigger.
        for (int w = 0; w < 2; ++w) {
            if (!p.sets[size_t(w)].empty()) {
                EXPECT_TRUE(w1 == w || (w2 == w && osc2_heard(p))) << "set " << w << " unused";
            }
        }
        // Oscillators looping a sustained set use its seamless loop; any loop ends inside
        // every slot.
        for (int osc = 1; osc <= 2; ++osc) {
            int wave = osc == 1 ? w1 : w2;
            int loop = osc == 1 ? P_OSC1_LOOP : P_OSC2_LOOP;
            if (wave >= 2 || !on(p, loop) || (osc == 1 && on(p, P_OSC1_SYNC))) continue;
            const factory_set& s = p.sets[size_t(wave)];
            float b = p.values[size_t(osc == 1 ? P_OSC1_LOOP_BEGIN : P_OSC2_LOOP_BEGIN)];
            float l = p.values[size_t(osc == 1 ? P_OSC1_LOOP_LENGTH : P_OSC2_LOOP_LENGTH)];
            if (s.sustained) {
                EXPECT_EQ(b, s.loop_begin_value);
                EXPECT_EQ(l, s.loop_length_value);
            }
            for (const factory_slot& slot : s.slots) {
                double n = double(slot.frames());
                EXPECT_LE(size_t(double(b) * n) + size_t(double(l) * l * n), slot.frames()) << slot.name;
            }
        }
        // Sustained sets are only heard whole when they loop.
        if (w1 < 2 && p.sets[size_t(w1)].sustained && !on(p, P_OSC1_SYNC)) {
            EXPECT_TRUE(on(p, P_OSC1_LOOP));
        }
    }
}

TEST(FactoryPrograms, TempoLoopsLastTheirBeatsExactly) {
    int loops = 0;
    for (const factory_program& p : factory_bank()) {
        const factory_set& s = p.sets[0];
        if (s.loop_beats == 0) continue;
        SCOPED_TRACE(p.name);
        ++loops;
        ASSERT_EQ(s.slots.size(), 1u);
        // Frames are exactly the beats at the loop's tempo.
        double exact = 44100.0 * 60.0 / s.loop_bpm * s.loop_beats;
        EXPECT_EQ(double(s.slots[0].frames()), exact);
        // OSC1 fits the whole sample to those beats of the host tempo and loops all of it.
        EXPECT_EQ(choice(p, P_OSC1_WAVE, 6), 0);
        EXPECT_TRUE(on(p, P_OSC1_SYNC));
        EXPECT_EQ(beats_of(p.values[P_OSC1_SPEED]), double(s.loop_beats));
        EXPECT_TRUE(on(p, P_OSC1_LOOP));
        EXPECT_EQ(size_t(double(p.values[P_OSC1_LOOP_BEGIN]) * exact), 0u);
        float l = p.values[P_OSC1_LOOP_LENGTH];
        EXPECT_EQ(size_t(double(l) * l * exact), size_t(exact));
        // Without a host tempo the plug tempo is the loop's own.
        EXPECT_EQ(72 + int(127.0 * p.values[P_DELAY_TEMPO]), int(s.loop_bpm));
    }
    EXPECT_GE(loops, 4);
}

TEST(FactoryPrograms, TheBankShowsTheWholeInstrument) {
    std::set<int> waves, filters, sources, dests, shapes, unisons;
    bool legato = false, stereo_delay = false, cross_delay = false, synced_delay = false;
    bool delay_filter = false, user_b = false, two_sets = false, tempo = false, osc2_loop = false;
    bool speed = false, one_shot = false, xpose2 = false;
    std::map<std::string, int> per_group;
    for (const factory_program& p : factory_bank()) {
        ++per_group[p.group];
        waves.insert(choice(p, P_OSC1_WAVE, 6));
        if (osc2_heard(p)) waves.insert(choice(p, P_OSC2_WAVE, 6));
        filters.insert(choice(p, P_FILTER_TYPE, 7));
        for (auto [src, dest] : routings(p)) {
            sources.insert(src);
            dests.insert(dest);
            if (src >= 3 && src <= 5) shapes.insert(choice(p, P_LFO1_SHAPE + 3 * (src - 3), 6));
        }
        unisons.insert(choice(p, P_UNISON_VOICES, 6) + 1);
        legato |= on(p, P_LEGATO) && p.values[P_PORTA_SPEED] > 0.0f;
        if (on(p, P_DELAY_ON)) {
            (on(p, P_DELAY_TYPE) ? cross_delay : stereo_delay) = true;
            synced_delay |= on(p, P_DELAY_SYNC);
            delay_filter |= choice(p, P_DELAY_FILTER_TYPE, 3) > 0;
        }
        user_b |= osc2_heard(p) && choice(p, P_OSC2_WAVE, 6) == 1;
        two_sets |= !p.sets[0].empty() && !p.sets[1].empty();
        tempo |= on(p, P_OSC1_SYNC);
        osc2_loop |= osc2_heard(p) && on(p, P_OSC2_LOOP);
        speed |= p.values[P_OSC1_SPEED] != 0.5f && !on(p, P_OSC1_SYNC);
        one_shot |= choice(p, P_OSC1_WAVE, 6) == 0 && !on(p, P_OSC1_LOOP);
        xpose2 |= osc2_heard(p) && choice(p, P_OSC2_XPOSE, 49) != 24;
    }
    EXPECT_EQ(waves, (std::set<int>{0, 1, 2, 3, 4, 5}));  // both sets and all four waves
    EXPECT_EQ(filters, (std::set<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(sources, (std::set<int>{0, 1, 2, 3, 4, 5, 6}));  // all but the amp envelope
    EXPECT_EQ(shapes, (std::set<int>{0, 1, 2, 3, 4, 5}));
    for (int d : {P_GAIN, P_FILTER_CUTOFF, P_OSC1_FINE, P_OSC2_FINE, P_PAN, P_OSC_BALANCE,
                  P_OSC1_XPOSE, P_OSC1_OFFSET, P_FILTER_ENV, P_EG_ATTACK, P_LFO1_FREQ})
        EXPECT_TRUE(dests.count(d)) << "no routing to " << d;
    bool slot_to_slot = false;  // one slot scaling another's amount
    for (int k = 0; k < 8; ++k) slot_to_slot |= dests.count(P_ASSIGN1_AMOUNT + 3 * k) > 0;
    EXPECT_TRUE(slot_to_slot);
    EXPECT_TRUE(unisons.count(2) && unisons.count(3) && unisons.count(6));
    EXPECT_TRUE(legato);
    EXPECT_TRUE(stereo_delay && cross_delay && synced_delay && delay_filter);
    EXPECT_TRUE(user_b && two_sets && tempo && osc2_loop && speed && one_shot && xpose2);
    EXPECT_GE(per_group.size(), 8u);
    for (const auto& [group, count] : per_group) EXPECT_GE(count, 8) << group;
}

TEST(FactoryPrograms, BankFitsItsBudget) {
    size_t bytes = estimate_bank_bytes(factory_bank());
    EXPECT_LE(bytes, size_t(16'000'000));
    // No single program outweighs the largest of the bank it replaces by much.
    for (const factory_program& p : factory_bank())
        EXPECT_LE(estimate_program(p).record_bytes, size_t(600'000)) << p.name;
}
