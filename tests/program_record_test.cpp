// Program records: the current layout byte for byte, every older version built by hand
// from the layout tables, and malformed or truncated records.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "sound/file_stream.h"
#include "sound/persist_error.h"
#include "sound/program.h"
#include "sound_test_util.h"

namespace {

using test::bytes;

struct slot_spec {
    int32_t frames = 0, rate = 44100, xpose = 0, finetune = 0;
    std::vector<float> values;
    std::vector<period_entry> periods;
    std::vector<double> marks;
    std::string name = "(empty)";
};

bytes slot_bytes(const slot_spec& s, bool layout_0x200) {
    bytes b;
    b.lng(s.frames).lng(s.rate).lng(s.xpose).lng(s.finetune);
    for (float v : s.values) b.flt(v);
    if (!layout_0x200) {
        b.lng(int32_t(s.periods.size()));
        for (const auto& e : s.periods) b.lng(e.position).dbl(e.period).dbl(e.confidence);
        b.lng(int32_t(s.marks.size()));
        for (double z : s.marks) b.dbl(z);
    }
    return b.str(s.name);
}

// Key map all 0 (as a fresh waveform has it), or (key + key_base) % 8.
bytes waveform_bytes(const std::array<slot_spec, 8>& slots, bool layout_0x200, int32_t key_base = -1) {
    bytes b;
    for (const auto& s : slots) b.append(slot_bytes(s, layout_0x200));
    for (int k = 0; k < 128; ++k) b.lng(key_base < 0 ? 0 : (k + key_base) % 8);
    return b;
}

bytes timbre_bytes(const std::vector<float>& values, int32_t count = -1) {
    bytes b;
    b.lng(count < 0 ? int32_t(values.size()) : count);
    for (float v : values) b.flt(v);
    return b;
}

bytes record(int32_t version, const std::string& name, const std::vector<std::pair<std::string, bytes>>& waves,
             const bytes& timbre_part) {
    bytes b;
    b.lng(version).str(name);
    for (const auto& [wave_name, wave] : waves) b.str(wave_name).append(wave);
    return b.append(timbre_part);
}

program read(const bytes& b) {
    program p;
    mem_deserializer in(b.b.data(), int64_t(b.size()));
    p.deserialize(in);
    EXPECT_EQ(in.bytes_left(), 0);
    return p;
}

std::string failure_reading(const bytes& b, program& p) {
    mem_deserializer in(b.b.data(), int64_t(b.size()));
    try {
        p.deserialize(in);
    } catch (const persist_error& e) {
        return e.what();
    }
    return "(no failure)";
}

std::vector<unsigned char> write(const program& p) {
    std::vector<unsigned char> out(size_t(p.record_size()));
    mem_serializer m(out.data(), int64_t(out.size()));
    p.serialize(m);
    return out;
}

std::vector<float> filled(int n, float v) { return std::vector<float>(size_t(n), v); }

const std::array<slot_spec, 8> empty_slots{};

TEST(ProgramRecord, DefaultProgramIs1959BytesLaidOutByHand) {
    bytes expected;
    expected.lng(0x808).str("(empty)");
    for (int w = 0; w < 2; ++w) expected.str("").append(waveform_bytes(empty_slots, false));
    std::vector<float> fresh;
    for (int i = 0; i < 87; ++i) fresh.push_back(fresh_value(i));
    expected.append(timbre_bytes(fresh));
    ASSERT_EQ(expected.size(), 1959u);

    program p;
    EXPECT_EQ(p.record_size(), 1959);
    EXPECT_EQ(write(p), expected.b);
    EXPECT_EQ(read(expected), p);
}

TEST(ProgramRecord, ProgramWithSamplesRoundTrips) {
    program p = test::program_with_samples();
    auto b = write(p);
    program q;
    mem_deserializer in(b.data(), int64_t(b.size()));
    q.deserialize(in);
    EXPECT_EQ(in.bytes_left(), 0);
    EXPECT_EQ(q, p);  // play samples are empty on both sides: they are never stored
    EXPECT_EQ(write(q), b);
}

TEST(ProgramRecord, SlotLayoutMatchesTheTable) {
    program p;
    sample_data s = test::make_sample({0.5f, -1.0f}, 22050);
    s.xpose = -3;
    s.finetune = 50;
    s.period_map = {{7, 12.5, 0.875}};
    s.pitch_marks = {1.25, 3.75};
    p.waves.waves[1].samples[3] = s;
    p.waves.waves[1].names[3] = "ab";
    bytes slot;
    slot.lng(2).lng(22050).lng(-3).lng(50).flt(0.5f).flt(-1.0f).lng(1).lng(7).dbl(12.5).dbl(0.875)
        .lng(2).dbl(1.25).dbl(3.75).str("ab");
    // Slot bytes grow by 4·frames + 20·P + 8·Z and the name length.
    EXPECT_EQ(p.record_size(), 1959 + 8 + 20 + 16 - 5);
    auto b = write(p);
    size_t at = 4 + 11 + (4 + 8 * 35 + 512) + 4 + 3 * 35;
    EXPECT_EQ(std::vector<unsigned char>(b.begin() + long(at), b.begin() + long(at + slot.size())), slot.b);
}

TEST(ProgramRecord, Version0x300With83ValuesGoesThroughOldReaderA) {
    std::vector<float> values = filled(83, 0.3f);
    for (int a = 0; a < 8; ++a) values[size_t(P_ASSIGN1_AMOUNT + 3 * a)] = 0.9f;
    values[P_ASSIGN2_AMOUNT] = 0.1f;
    values[P_LFO2_SYNC] = 0.9f;
    values[P_OSC1_SYNC] = 0.6f;
    bytes b = record(0x300, "Factory", {{"A", waveform_bytes(empty_slots, false)}, {"B", waveform_bytes(empty_slots, false, 3)}},
                     timbre_bytes(values));
    program p = read(b);
    EXPECT_EQ(p.name, "Factory");
    EXPECT_EQ(p.waves.names[1], "B");
    EXPECT_EQ(p.waves.waves[1].keymap[0], 3);
    EXPECT_FLOAT_EQ(p.params.value(P_TEMPO_SOURCE), 0.75f);
    for (int i : {P_LFO1_SYNC, P_LFO2_SYNC, P_LFO3_SYNC}) EXPECT_FLOAT_EQ(p.params.value(i), 1.0f / 6.0f);
    for (int a = 0; a < 8; ++a)
        EXPECT_FLOAT_EQ(p.params.value(P_ASSIGN1_AMOUNT + 3 * a), a == 1 ? 0.3f : 0.7f) << a;
    EXPECT_FLOAT_EQ(p.params.value(P_OSC1_SYNC), 0.6f);  // read as stored
    EXPECT_FLOAT_EQ(p.params.value(P_OSC2_SYNC), 0.25f);
    EXPECT_FLOAT_EQ(p.params.value(P_OSC1_PITCHABLE), 0.75f);
    EXPECT_FLOAT_EQ(p.params.value(P_OSC2_PITCHABLE), 0.75f);
    EXPECT_EQ(p.params.value(P_LFO_COMPAT), param_info(P_LFO_COMPAT).initial);
    EXPECT_FLOAT_EQ(p.params.value(P_GAIN), 0.3f);

    // Written again, it is a current record with 87 values.
    auto out = write(p);
    EXPECT_EQ(out.size(), 1959u + 2);  // the two one-letter wave names
    EXPECT_EQ(std::vector<unsigned char>(out.begin(), out.begin() + 4), (std::vector<unsigned char>{8, 8, 0, 0}));
    EXPECT_EQ(std::vector<unsigned char>(out.end() - 352, out.end() - 348), (std::vector<unsigned char>{87, 0, 0, 0}));
    EXPECT_EQ(read(bytes{out}), p);
}

TEST(ProgramRecord, OldReadersStartFromTheBuilderValues) {
    // Records not stored keep the table builder's values, which differ from a fresh
    // timbre's on the delay filter type (76) and the delay cutoff (81).
    program p = read(record(0x400, "", {{"", waveform_bytes(empty_slots, false)}, {"", waveform_bytes(empty_slots, false)}},
                            timbre_bytes(filled(50, 0.3f))));
    EXPECT_EQ(p.params.value(P_DELAY_FILTER_TYPE), param_info(P_DELAY_FILTER_TYPE).initial);
    EXPECT_EQ(p.params.value(P_DELAY_CUTOFF), param_info(P_DELAY_CUTOFF).initial);
    EXPECT_NE(p.params.value(P_DELAY_CUTOFF), fresh_value(P_DELAY_CUTOFF));
    EXPECT_FLOAT_EQ(p.params.value(P_OSC1_SYNC), 0.25f);
}

TEST(ProgramRecord, Versions0x600And0x700GoThroughOldReaderB) {
    std::vector<float> values = filled(86, 0.4f);
    values[P_LFO1_SYNC] = 0.75f;  // a two-way "on"
    values[P_LFO2_SYNC] = 0.25f;  // "off"
    values[P_LFO3_SYNC] = 1.0f;
    values[P_TEMPO_SOURCE] = 0.25f;
    const auto two = std::vector<std::pair<std::string, bytes>>{{"", waveform_bytes(empty_slots, false)},
                                                                {"", waveform_bytes(empty_slots, false)}};
    program p = read(record(0x700, "", two, timbre_bytes(values)));
    EXPECT_FLOAT_EQ(p.params.value(P_LFO1_SYNC), 0.5f);
    EXPECT_FLOAT_EQ(p.params.value(P_LFO2_SYNC), 1.0f / 6.0f);
    EXPECT_FLOAT_EQ(p.params.value(P_LFO3_SYNC), 0.5f);
    EXPECT_FLOAT_EQ(p.params.value(P_TEMPO_SOURCE), 0.25f);
    EXPECT_FLOAT_EQ(p.params.value(P_OSC2_PITCHABLE), 0.4f);
    EXPECT_FLOAT_EQ(p.params.value(P_LFO_COMPAT), 0.75f);

    program q = read(record(0x600, "", two, timbre_bytes(filled(82, 0.4f))));
    EXPECT_FLOAT_EQ(q.params.value(P_OSC1_SYNC), 0.25f);
    EXPECT_FLOAT_EQ(q.params.value(P_OSC2_SYNC), 0.25f);
    EXPECT_FLOAT_EQ(q.params.value(P_OSC1_PITCHABLE), 0.75f);
    EXPECT_FLOAT_EQ(q.params.value(P_OSC2_PITCHABLE), 0.75f);
    EXPECT_FLOAT_EQ(q.params.value(P_LFO_COMPAT), 0.75f);
}

TEST(ProgramRecord, Version0x100KeepsTheFirstTwoOfEightSets) {
    std::vector<std::pair<std::string, bytes>> eight;
    for (int e = 0; e < 8; ++e) {
        std::array<slot_spec, 8> slots{};
        slots[1].frames = 2;
        slots[1].values = {float(e), 0.5f};
        slots[1].name = "set" + std::to_string(e);
        eight.push_back({"Wave" + std::to_string(e), waveform_bytes(slots, false, e)});
    }
    program p = read(record(0x100, "Old", eight, timbre_bytes(filled(20, 0.3f))));
    EXPECT_EQ(p.waves.names[0], "Wave0");
    EXPECT_EQ(p.waves.names[1], "Wave1");
    EXPECT_EQ(p.waves.waves[1].samples[1].data, (std::vector<float>{1.0f, 0.5f}));
    EXPECT_EQ(p.waves.waves[1].names[1], "set1");
    EXPECT_EQ(p.waves.waves[1].keymap[0], 1);
    EXPECT_FLOAT_EQ(p.params.value(P_TEMPO_SOURCE), 0.75f);  // reader A
}

TEST(ProgramRecord, Version0x200SlotsAreAnalysedAsTheyAreRead) {
    std::array<slot_spec, 8> slots{};
    slots[2].frames = 6000;
    slots[2].values = test::sine(6000, 441.0, 44100.0);
    slots[2].xpose = 5;
    slots[2].name = "sine";
    slots[4].frames = 3;
    slots[4].rate = 8000;
    slots[4].values = {0.0f, 0.0f, 0.0f};
    program p = read(record(0x200, "Mid", {{"A", waveform_bytes(slots, true)}, {"B", waveform_bytes(empty_slots, true)}},
                            timbre_bytes(filled(87, 0.3f))));
    const sample_data& s = p.waves.waves[0].samples[2];
    EXPECT_EQ(s.frames, 6000);
    EXPECT_EQ(s.xpose, 5);
    EXPECT_EQ(p.waves.waves[0].names[2], "sine");
    ASSERT_FALSE(s.period_map.empty());
    for (const auto& e : s.period_map) EXPECT_NEAR(e.period, 100.0, 1.5);
    // One mark per cycle (the filter's ringing before the sudden start adds a few
    // slightly negative ones).
    EXPECT_EQ(std::count_if(s.pitch_marks.begin(), s.pitch_marks.end(), [](double z) { return z >= 0; }), 59);
    EXPECT_EQ(p.waves.waves[0].samples[4].rate, 8000);
    EXPECT_TRUE(p.waves.waves[0].samples[4].pitch_marks.empty());
    EXPECT_FLOAT_EQ(p.params.value(P_LFO1_SYNC), 1.0f / 6.0f);  // reader A
}

TEST(ProgramRecord, UnknownVersionsAreRefusedAndChangeNothing) {
    program p = test::program_with_samples();
    const program before = p;
    bytes b = record(0x807, "x", {}, timbre_bytes({}));
    EXPECT_EQ(failure_reading(b, p), "program::deserialize - version numbers do not match");
    EXPECT_EQ(p, before);
    for (int32_t v : {0, 0x800, 0x809, 0x1000, -0x808}) {
        bytes o;
        o.lng(v);
        EXPECT_EQ(failure_reading(o, p), "program::deserialize - version numbers do not match") << v;
    }
}

TEST(ProgramRecord, TransposeAndFinetuneOutsideTheirRangesLoadAsZero) {
    std::array<slot_spec, 8> slots{};
    int32_t xposes[8] = {30, -24, 24, -25, 0, 7, 25, 0};
    int32_t fines[8] = {0, 100, -1, 101, 50, 0, 0, 0};
    for (int s = 0; s < 8; ++s) {
        slots[size_t(s)].xpose = xposes[s];
        slots[size_t(s)].finetune = fines[s];
    }
    program p = read(record(0x808, "", {{"", waveform_bytes(slots, false)}, {"", waveform_bytes(empty_slots, false)}},
                            timbre_bytes(filled(87, 0.5f))));
    int32_t want_x[8] = {0, -24, 24, 0, 0, 7, 0, 0};
    int32_t want_f[8] = {0, 100, 0, 0, 50, 0, 0, 0};
    for (int s = 0; s < 8; ++s) {
        EXPECT_EQ(p.waves.waves[0].samples[size_t(s)].xpose, want_x[s]) << s;
        EXPECT_EQ(p.waves.waves[0].samples[size_t(s)].finetune, want_f[s]) << s;
    }
}

TEST(ProgramRecord, TimbreCountsOtherThan87) {
    const auto two = std::vector<std::pair<std::string, bytes>>{{"", waveform_bytes(empty_slots, false)},
                                                                {"", waveform_bytes(empty_slots, false)}};
    // More than 87: the extra values are read and dropped, nothing lands past record 86.
    std::vector<float> ninety = filled(90, 0.2f);
    ninety[86] = 0.6f;
    ninety[87] = 0.9f;
    program p = read(record(0x808, "", two, timbre_bytes(ninety)));
    EXPECT_FLOAT_EQ(p.params.value(86), 0.6f);
    EXPECT_EQ(p.params.value(87), 0.0f);

    // Fewer: the rest keep the builder's values. None (or a negative count): all do.
    program q = read(record(0x808, "", two, timbre_bytes(filled(3, 0.2f))));
    EXPECT_FLOAT_EQ(q.params.value(2), 0.2f);
    EXPECT_EQ(q.params.value(P_DELAY_CUTOFF), param_info(P_DELAY_CUTOFF).initial);
    program r = read(record(0x808, "", two, timbre_bytes({}, -4)));
    EXPECT_EQ(r.params.value(P_GAIN), param_info(P_GAIN).initial);

    // A value that is not a number keeps the record's default.
    std::vector<float> odd = filled(87, 0.2f);
    odd[P_GAIN] = std::numeric_limits<float>::quiet_NaN();
    odd[P_PAN] = std::numeric_limits<float>::infinity();
    program s = read(record(0x808, "", two, timbre_bytes(odd)));
    EXPECT_EQ(s.params.value(P_GAIN), param_info(P_GAIN).initial);
    EXPECT_EQ(s.params.value(P_PAN), param_info(P_PAN).initial);
}

TEST(ProgramRecord, MalformedCountsFailBeforeAllocating) {
    program p = test::program_with_samples();
    const program before = p;
    auto with_slot = [](const bytes& slot) {
        bytes w;
        w.append(slot);
        for (int s = 1; s < 8; ++s) w.append(slot_bytes({}, false));
        for (int k = 0; k < 128; ++k) w.lng(0);
        return record(0x808, "", {{"", w}, {"", waveform_bytes(empty_slots, false)}}, timbre_bytes(filled(87, 0.5f)));
    };
    bytes negative_frames;
    negative_frames.lng(-1).lng(44100).lng(0).lng(0);
    EXPECT_EQ(failure_reading(with_slot(negative_frames), p), "waveform::deserialize - negative frame count");
    bytes huge_frames;
    huge_frames.lng(INT32_MAX).lng(44100).lng(0).lng(0).flt(1.0f);
    EXPECT_EQ(failure_reading(with_slot(huge_frames), p), "buffer empty");
    bytes negative_periods;
    negative_periods.lng(0).lng(44100).lng(0).lng(0).lng(-3);
    EXPECT_EQ(failure_reading(with_slot(negative_periods), p), "waveform::deserialize - negative period count");
    bytes huge_periods;
    huge_periods.lng(0).lng(44100).lng(0).lng(0).lng(100000000);
    EXPECT_EQ(failure_reading(with_slot(huge_periods), p), "buffer empty");
    bytes negative_marks;
    negative_marks.lng(0).lng(44100).lng(0).lng(0).lng(0).lng(-1);
    EXPECT_EQ(failure_reading(with_slot(negative_marks), p), "waveform::deserialize - negative pitch mark count");
    bytes huge_marks;
    huge_marks.lng(0).lng(44100).lng(0).lng(0).lng(0).lng(INT32_MAX);
    EXPECT_EQ(failure_reading(with_slot(huge_marks), p), "buffer empty");
    bytes long_name;
    long_name.lng(0).lng(44100).lng(0).lng(0).lng(0).lng(0).lng(1 << 30);
    EXPECT_EQ(failure_reading(with_slot(long_name), p), "buffer empty");
    bytes huge_timbre = record(0x808, "", {{"", waveform_bytes(empty_slots, false)}, {"", waveform_bytes(empty_slots, false)}},
                               timbre_bytes(filled(87, 0.5f), 1 << 28));
    EXPECT_EQ(failure_reading(huge_timbre, p), "buffer empty");
    EXPECT_EQ(p, before);

    // From a file the same counts fail with the file reader's messages.
    test::temp_folder dir;
    test::write_file(dir / "huge.kvp", with_slot(huge_frames).b);
    file_deserializer f(dir / "huge.kvp");
    try {
        p.deserialize(f);
        ADD_FAILURE();
    } catch (const persist_error& e) {
        EXPECT_STREQ(e.what(), "get_float failed");
    }
    EXPECT_EQ(p, before);
}

// Every prefix of a record ends inside some item; each must fail cleanly and leave the
// program as it was.
void expect_every_truncation_fails(const std::vector<unsigned char>& whole) {
    program p = test::program_with_samples();
    p.name = "sentinel";
    const program before = p;
    for (size_t n = 0; n < whole.size(); ++n) {
        mem_deserializer in(whole.data(), int64_t(n));
        EXPECT_THROW(p.deserialize(in), persist_error) << n;
        ASSERT_EQ(p, before) << n;
    }
}

TEST(ProgramRecord, TruncatedRecordsFailAtEveryLengthAndChangeNothing) {
    expect_every_truncation_fails(write(test::program_with_samples()));
    std::array<slot_spec, 8> slots{};
    slots[0].frames = 40;
    slots[0].values = test::sine(40, 1000.0, 44100.0);
    slots[0].name = "s";
    expect_every_truncation_fails(record(0x200, "n", {{"A", waveform_bytes(slots, true)}, {"B", waveform_bytes(empty_slots, true)}},
                                         timbre_bytes(filled(83, 0.5f))).b);
    std::vector<std::pair<std::string, bytes>> eight(8, {"w", waveform_bytes(empty_slots, false)});
    expect_every_truncation_fails(record(0x100, "n", eight, timbre_bytes(filled(10, 0.5f))).b);
}

TEST(ProgramRecord, TruncatedProgramFilesFailWithTheFileMessages) {
    test::temp_folder dir;
    auto whole = write(test::program_with_samples());
    program p;
    const program before = p;
    for (size_t n = 0; n < whole.size(); n += 97) {
        test::write_file(dir / "cut.kvp", std::vector<unsigned char>(whole.begin(), whole.begin() + long(n)));
        file_deserializer f(dir / "cut.kvp");
        try {
            p.deserialize(f);
            ADD_FAILURE() << n;
        } catch (const persist_error& e) {
            EXPECT_NE(std::string(e.what()).find("failed"), std::string::npos) << n << e.what();
        }
        EXPECT_EQ(p, before);
    }
}

TEST(SampleData, PeriodAt) {
    sample_data s;
    EXPECT_EQ(s.period_at(200), -1.0);
    s.period_map = {{100, 200.0, 0.9}, {300, 100.0, 0.9}};
    EXPECT_DOUBLE_EQ(s.period_at(200), 150.0);
    EXPECT_DOUBLE_EQ(s.period_at(100), 200.0);
    EXPECT_DOUBLE_EQ(s.period_at(300), 100.0);
    s.period_map = {{100, 200.0, 0.9}, {300, 0.5, 0.9}};
    EXPECT_DOUBLE_EQ(s.period_at(200), 200.0);  // a missing period takes the other end's
    s.period_map = {{100, 0.0, 0.0}, {300, 120.0, 0.9}};
    EXPECT_DOUBLE_EQ(s.period_at(200), 120.0);
    s.period_map = {{100, 1.5, 0.9}};
    EXPECT_EQ(s.period_at(50), -1.0);
    s.period_map = {{100, 80.0, 0.9}};
    EXPECT_EQ(s.period_at(5000), 80.0);
    s.period_map = {{0, 10.0, 1}, {10, 20.0, 1}, {20, 30.0, 1}, {30, 40.0, 1}, {40, 50.0, 1}};
    EXPECT_DOUBLE_EQ(s.period_at(25), 35.0);
    EXPECT_DOUBLE_EQ(s.period_at(40), 50.0);
}

TEST(SampleData, NearestPitchMark) {
    sample_data s;
    EXPECT_EQ(s.nearest_pitch_mark(5.0), 5.0);
    s.pitch_marks = {4.0, 6.0};
    EXPECT_EQ(s.nearest_pitch_mark(5.0), 6.0);  // a tie goes to the later crossing
    EXPECT_EQ(s.nearest_pitch_mark(4.9), 4.0);
    EXPECT_EQ(s.nearest_pitch_mark(3.0), 3.0);
    EXPECT_EQ(s.nearest_pitch_mark(7.0), 7.0);
    s.pitch_marks = {-0.5, 100.0, 200.0, 300.0, 400.0};
    EXPECT_EQ(s.nearest_pitch_mark(249.0), 200.0);
    EXPECT_EQ(s.nearest_pitch_mark(351.0), 400.0);
    EXPECT_EQ(s.nearest_pitch_mark(-0.2), -0.5);
}

}  // namespace
