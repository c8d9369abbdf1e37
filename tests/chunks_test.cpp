// The host's state chunks through the dispatcher: both layouts byte for byte, round trips,
// a factory-era record built by hand, and chunks that cannot be read.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <random>

#include "platform/paths.h"
#include "program_fixture.h"
#include "sound_test_util.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;
using test::bytes;

std::vector<unsigned char> record_of(const program& p) {
    std::vector<unsigned char> out(size_t(p.record_size()));
    mem_serializer m(out.data(), int64_t(out.size()));
    p.serialize(m);
    return out;
}

// A version 0x300 record as the factory bank holds them: UserA slot 0 has four values at
// 22050 Hz, an out-of-range transpose and an analysis; 83 timbre values follow.
bytes factory_era_record(const std::vector<float>& values) {
    bytes b;
    b.lng(0x300).str("Old Bells");
    for (int w = 0; w < 2; ++w) {
        b.str(w == 0 ? "bells" : "");
        for (int s = 0; s < 8; ++s) {
            if (w == 0 && s == 0) {
                b.lng(4).lng(22050).lng(30).lng(50);
                for (float v : {0.5f, -0.25f, 0.125f, 0.0f}) b.flt(v);
                b.lng(1).lng(0).dbl(2.5).dbl(0.75);
                b.lng(2).dbl(-0.5).dbl(1.5);
                b.str("bell.wav");
            } else {
                b.lng(0).lng(44100).lng(0).lng(0).lng(0).lng(0).str("(empty)");
            }
        }
        for (int k = 0; k < 128; ++k) b.lng(w == 0 ? k % 2 : 0);
    }
    b.lng(int32_t(values.size()));
    for (float v : values) b.flt(v);
    return b;
}

bytes bank_chunk(const std::string& path, int32_t index, const program& p) {
    bytes b;
    b.str(path).lng(index);
    auto r = record_of(p);
    b.b.insert(b.b.end(), r.begin(), r.end());
    return b;
}

struct Chunks : ::testing::Test {
    test::scoped_data_home home;
    fs::path bank_file;
    std::unique_ptr<test::instrument> in;
    test::recording_editor* editor = nullptr;

    Chunks() {
        bank_file = platform::default_bank_file();
        write_bank_file(bank_file, test::numbered_programs(8));
        start();
    }
    void start() {
        in.reset();
        in = std::make_unique<test::instrument>();
        editor = new test::recording_editor(in->fx.get());
    }
    Kaveos& fx() { return *in->fx; }

    std::vector<unsigned char> get(bool preset) {
        void* data = nullptr;
        auto n = in->dispatch(effGetChunk, preset ? 1 : 0, 0, &data);
        if (n <= 0 || !data) return {};
        auto* p = static_cast<unsigned char*>(data);
        return {p, p + n};
    }
    VstIntPtr set(std::vector<unsigned char> chunk, bool preset) {
        return in->dispatch(effSetChunk, preset ? 1 : 0, VstIntPtr(chunk.size()), chunk.data());
    }
};

TEST_F(Chunks, ADefaultProgramChunkIsItsRecordOf1959Bytes) {
    fx().reset_current_program();
    auto chunk = get(true);
    EXPECT_EQ(chunk.size(), 1959u);
    EXPECT_EQ(chunk, record_of(program()));
}

TEST_F(Chunks, ABankChunkIsThePathTheIndexAndTheRecord) {
    fx().setProgram(5);
    auto chunk = get(false);
    const std::string path = bank_file.string();
    bytes expected;
    expected.str(path).le32(5);
    ASSERT_EQ(chunk.size(), 4 + path.size() + 4 + size_t(fx().current().record_size()));
    EXPECT_EQ(std::vector<unsigned char>(chunk.begin(), chunk.begin() + long(expected.size())), expected.b);
    EXPECT_EQ(std::vector<unsigned char>(chunk.begin() + long(expected.size()), chunk.end()),
              record_of(fx().current()));
}

TEST_F(Chunks, AProgramChunkComesBackAsTheCurrentProgram) {
    fx().setProgram(2);
    in->set(P_FILTER_CUTOFF, 0.3f);
    fx().rename_program(2, "Saved");
    const program saved = fx().current();
    auto chunk = get(true);
    // The block stays as it was until the next call, and the next call gives the same.
    EXPECT_EQ(get(true), chunk);

    fx().setProgram(6);
    in->note_on(60);
    in->render(64);
    const int changes = editor->bank_changes;
    EXPECT_EQ(set(chunk, true), 1);
    EXPECT_TRUE(test::same_stored(fx().current(), saved));
    EXPECT_EQ(fx().current().waves.waves[0].play_samples[0].frames, 22050);
    EXPECT_EQ(fx().getProgram(), 6);  // a program chunk replaces the current index's program
    EXPECT_TRUE(fx().is_program_loaded());
    EXPECT_EQ(in->active_voices(), 0);
    EXPECT_EQ(editor->bank_changes, changes + 1);
    // The bank remembers it for that index until the bank is loaded again.
    EXPECT_TRUE(fx().active_bank().storedp(6));
    fx().setProgram(1);
    fx().setProgram(6);
    EXPECT_TRUE(test::same_stored(fx().current(), saved));
}

TEST_F(Chunks, ABankChunkRestoresTheBankTheIndexAndTheProgramInANewInstance) {
    fx().setProgram(2);
    in->set(P_FILTER_CUTOFF, 0.3f);
    const program saved = fx().current();
    auto chunk = get(false);

    // The project opens where the default bank is another one.
    test::temp_dir dir;
    write_bank_file(dir / "other.kvb", test::numbered_programs(3));
    std::ofstream(platform::prefs_file()) << "default_bank \"" << (dir / "other.kvb").string() << "\"\n";
    start();
    ASSERT_EQ(fx().active_bank().path(), dir / "other.kvb");
    EXPECT_EQ(set(chunk, false), 1);
    EXPECT_EQ(fx().active_bank().path(), bank_file);
    EXPECT_EQ(fx().active_bank().nprogs(), 8);
    EXPECT_EQ(fx().getProgram(), 2);
    EXPECT_TRUE(test::same_stored(fx().current(), saved));
    EXPECT_EQ(get(false), chunk);
}

TEST_F(Chunks, AFactoryEraRecordLoadsWithTheConvertedValues) {
    std::vector<float> values(83, 0.3f);
    for (int a = 0; a < 8; ++a) values[size_t(P_ASSIGN1_AMOUNT + 3 * a)] = 0.9f;
    values[P_ASSIGN3_AMOUNT] = 0.1f;
    values[P_LFO1_SYNC] = 0.9f;
    values[P_OSC1_SYNC] = 0.6f;
    bytes b = factory_era_record(values);
    EXPECT_EQ(set(b.b, true), 1);
    const program& p = fx().current();
    EXPECT_EQ(p.name, "Old Bells");
    EXPECT_FLOAT_EQ(fx().getParameter(P_TEMPO_SOURCE), 0.75f);
    for (int i : {P_LFO1_SYNC, P_LFO2_SYNC, P_LFO3_SYNC}) EXPECT_FLOAT_EQ(fx().getParameter(i), 1.0f / 6.0f);
    for (int a = 0; a < 8; ++a)
        EXPECT_FLOAT_EQ(fx().getParameter(P_ASSIGN1_AMOUNT + 3 * a), a == 2 ? 0.3f : 0.7f) << a;
    EXPECT_FLOAT_EQ(fx().getParameter(P_OSC1_SYNC), 0.6f);  // value 82 was stored
    EXPECT_FLOAT_EQ(fx().getParameter(P_OSC2_SYNC), 0.25f);
    EXPECT_FLOAT_EQ(fx().getParameter(P_OSC1_PITCHABLE), 0.75f);
    EXPECT_FLOAT_EQ(fx().getParameter(P_OSC2_PITCHABLE), 0.75f);
    EXPECT_EQ(fx().getParameter(P_LFO_COMPAT), param_info(P_LFO_COMPAT).initial);
    EXPECT_FLOAT_EQ(fx().getParameter(P_FILTER_CUTOFF), 0.3f);
    const sample_data& s = p.waves.waves[0].samples[0];
    EXPECT_EQ(s.rate, 22050);
    EXPECT_EQ(s.xpose, 0);  // 30 is outside -24..24
    EXPECT_EQ(s.finetune, 50);
    EXPECT_EQ(s.data, (std::vector<float>{0.5f, -0.25f, 0.125f, 0.0f}));
    EXPECT_EQ(s.pitch_marks, (std::vector<double>{-0.5, 1.5}));
    EXPECT_EQ(p.waves.waves[0].names[0], "bell.wav");
    EXPECT_EQ(p.waves.waves[0].keymap[1], 1);
    EXPECT_EQ(p.waves.waves[0].play_samples[0].frames, 8);  // made for 44.1 kHz
    // Saved again, it is a current record.
    auto chunk = get(true);
    EXPECT_EQ(std::vector<unsigned char>(chunk.begin(), chunk.begin() + 4), (std::vector<unsigned char>{8, 8, 0, 0}));
}

TEST_F(Chunks, ChunksThatCannotBeReadChangeNothingAndAnswerZero) {
    fx().setProgram(3);
    in->set(P_FILTER_CUTOFF, 0.3f);
    const program before = fx().current();
    auto unchanged = [&](const char* what, size_t n) {
        EXPECT_EQ(fx().current(), before) << what << " " << n;
        EXPECT_EQ(fx().getProgram(), 3) << what << " " << n;
        EXPECT_EQ(fx().active_bank().path(), bank_file) << what << " " << n;
        EXPECT_FALSE(fx().active_bank().storedp(3)) << what << " " << n;
    };
    // Cut short at every length: a default record, as a program and as a bank chunk.
    auto record = record_of(program());
    for (size_t n = 0; n < record.size(); ++n) {
        std::vector<unsigned char> cut(record.begin(), record.begin() + long(n));
        ASSERT_EQ(set(cut, true), 0) << n;
        unchanged("program", n);
    }
    auto full = bank_chunk(bank_file.string(), 4, program()).b;
    for (size_t n = 0; n < full.size(); n += 7) {
        std::vector<unsigned char> cut(full.begin(), full.begin() + long(n));
        ASSERT_EQ(set(cut, false), 0) << n;
        unchanged("bank", n);
    }
    // A record with samples, cut at a spread of lengths.
    auto big = record_of(test::sine_program("big", 441.0, 0.5));
    for (size_t n = 1; n < big.size(); n += 997) {
        ASSERT_EQ(set(std::vector<unsigned char>(big.begin(), big.begin() + long(n)), true), 0) << n;
        unchanged("big", n);
    }
    // Garbage of every size up to a few kilobytes.
    std::mt19937 rng(7);
    for (int trial = 0; trial < 300; ++trial) {
        std::vector<unsigned char> junk(size_t(rng() % 4000));
        for (auto& c : junk) c = static_cast<unsigned char>(rng());
        ASSERT_EQ(set(junk, trial % 2 == 0), 0) << trial;
        unchanged("garbage", size_t(trial));
    }
    // Counts far beyond the chunk fail before anything is allocated for them.
    bytes huge;
    huge.lng(0x808).str("huge").str("").lng(0x7FFFFFFF).lng(44100).lng(0).lng(0);
    EXPECT_EQ(set(huge.b, true), 0);
    bytes long_path;
    long_path.lng(0x7FFFFFF0).lng(3);
    EXPECT_EQ(set(long_path.b, false), 0);
    unchanged("counts", 0);
    // No block at all.
    EXPECT_EQ(in->dispatch(effSetChunk, 1, 0, nullptr), 0);
    EXPECT_EQ(in->dispatch(effSetChunk, 1, 0, record.data()), 0);
    EXPECT_EQ(in->dispatch(effSetChunk, 0, -5, record.data()), 0);
    unchanged("empty", 0);
}

TEST_F(Chunks, BytesAfterTheRecordAreIgnored) {
    program p = test::sine_program("Padded", 300.0, 0.1);
    auto chunk = record_of(p);
    chunk.resize(chunk.size() + 5000, 0xEE);
    EXPECT_EQ(set(chunk, true), 1);
    EXPECT_TRUE(test::same_stored(fx().current(), p));
}

TEST_F(Chunks, ABankChunkWhoseFileIsMissingStillRestoresItsProgram) {
    fx().setProgram(5);
    in->set(P_FILTER_CUTOFF, 0.9f);
    fx().setProgram(1);  // program 5's edit is now an overlay of this bank
    program p;
    p.name = "Lost";
    p.params.set_value(P_FILTER_CUTOFF, 0.2f);
    EXPECT_EQ(set(bank_chunk("/nonexistent/folder/lost.kvb", 3, p).b, false), 1);
    EXPECT_EQ(fx().current().name, "Lost");
    EXPECT_EQ(fx().getParameter(P_FILTER_CUTOFF), 0.2f);
    EXPECT_EQ(fx().getProgram(), 3);
    // The bank stays on that path, with no programs, so saving keeps the reference.
    EXPECT_EQ(fx().active_bank().path(), fs::path("/nonexistent/folder/lost.kvb"));
    EXPECT_EQ(fx().active_bank().nprogs(), 0);
    char text[32] = "x";
    EXPECT_EQ(in->dispatch(effGetProgramNameIndexed, 1, -1, text), 1);
    EXPECT_STREQ(text, "");
    auto again = get(false);
    EXPECT_EQ(again, bank_chunk("/nonexistent/folder/lost.kvb", 3, p).b);
    EXPECT_FALSE(fx().store_current_program());
    // The other bank's overlay does not reach this bank's program 5.
    fx().setProgram(5);
    EXPECT_EQ(fx().current().name, "(empty)");
    EXPECT_EQ(fx().getParameter(P_FILTER_CUTOFF), param_info(P_FILTER_CUTOFF).initial);
    // Its own program comes back from the overlay.
    fx().setProgram(3);
    EXPECT_EQ(fx().current().name, "Lost");
}

TEST_F(Chunks, ABankChunkWithAnIndexOutsideTheTablePlaysItsProgramOnly) {
    fx().setProgram(4);
    program p;
    p.name = "Stray";
    EXPECT_EQ(set(bank_chunk(bank_file.string(), 200, p).b, false), 1);
    EXPECT_EQ(fx().current().name, "Stray");
    EXPECT_EQ(fx().getProgram(), 4);
    EXPECT_FALSE(fx().is_program_loaded());
    for (int i = 0; i < 128; ++i) ASSERT_FALSE(fx().active_bank().storedp(i)) << i;
    // Not left behind as program 4's values when switching away.
    fx().setProgram(5);
    fx().setProgram(4);
    EXPECT_EQ(fx().current().name, "P4");
    EXPECT_FLOAT_EQ(fx().getParameter(P_GAIN), 0.04f);
}

TEST_F(Chunks, ABankChunkWhosePathCannotBeReadIsReadOnFromThere) {
    // A negative path length: the bank stays, the index and record after it are read.
    program p;
    p.name = "After";
    bytes b;
    b.lng(-5).lng(6);
    auto r = record_of(p);
    b.b.insert(b.b.end(), r.begin(), r.end());
    EXPECT_EQ(set(b.b, false), 1);
    EXPECT_EQ(fx().active_bank().path(), bank_file);
    EXPECT_EQ(fx().getProgram(), 6);
    EXPECT_EQ(fx().current().name, "After");
}

}  // namespace
