// Bank files: layout, lazy reading, overlays and the store that rewrites the file.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include "sound/atomic_file.h"
#include "sound/bank.h"
#include "sound/file_stream.h"
#include "sound/persist_error.h"
#include "sound/program_file.h"
#include "sound_test_util.h"

namespace {

using test::bytes;
namespace fs = std::filesystem;

std::vector<unsigned char> record_of(const program& p) {
    std::vector<unsigned char> out(size_t(p.record_size()));
    mem_serializer m(out.data(), int64_t(out.size()));
    p.serialize(m);
    return out;
}

program named(const std::string& name, float gain) {
    program p;
    p.name = name;
    p.params.set_value(P_GAIN, gain);
    return p;
}

// A bank of n programs "P0".. with distinct gains; program 2 has a sample.
std::vector<program> some_programs(int n) {
    std::vector<program> v;
    for (int i = 0; i < n; ++i) {
        std::string name = "P";
        name += std::to_string(i);  // (g++ 12 warns falsely on "P" + string)
        v.push_back(named(name, 0.01f * float(i)));
    }
    if (n > 2) v[2].waves.set_sample(0, 1, test::make_sample(test::sine(500, 441.0, 44100.0), 44100));
    return v;
}

// Reads the table of contents by hand and checks that the records exactly fill the file.
void expect_consistent_file(const fs::path& path, int programs) {
    auto b = test::read_file(path);
    mem_deserializer in(b.data(), int64_t(b.size()));
    in.get_long();
    ASSERT_EQ(in.get_long(), programs);
    int64_t total = 0;
    std::vector<int32_t> lengths;
    for (int i = 0; i < programs; ++i) {
        in.get_string();
        lengths.push_back(in.get_long());
        total += lengths.back();
    }
    ASSERT_EQ(in.bytes_left(), total);
    for (int i = 0; i < programs; ++i) {
        int64_t before = in.bytes_left();
        program p;
        p.deserialize(in);
        EXPECT_EQ(before - in.bytes_left(), lengths[size_t(i)]) << i;
    }
}

TEST(BankFile, OneHundredTwentyEightDefaultProgramsLaidOutByHand) {
    test::temp_folder dir;
    write_bank_file(dir / "empty.kvb", std::vector<program>(128));
    auto b = test::read_file(dir / "empty.kvb");
    ASSERT_EQ(b.size(), 252680u);
    bytes head;
    head.le32(0xBABA0002u).lng(128);
    for (int i = 0; i < 128; ++i) head.str("(empty)").lng(1959);
    EXPECT_EQ(std::vector<unsigned char>(b.begin(), b.begin() + 1928), head.b);
    auto one = record_of(program());
    for (int i = 0; i < 128; ++i)
        ASSERT_EQ(std::vector<unsigned char>(b.begin() + 1928 + 1959 * i, b.begin() + 1928 + 1959 * (i + 1)), one);

    bank k;
    ASSERT_TRUE(k.load(dir / "empty.kvb"));
    EXPECT_EQ(k.nprogs(), 128);
    EXPECT_EQ(k.program_name(127), "(empty)");
    EXPECT_EQ(k.program_name(128), "");
    EXPECT_EQ(k.program_name(-1), "");
    EXPECT_EQ(k.get_program(127), program());
}

TEST(BankFile, ProgramsWithSamplesComeBackWhole) {
    test::temp_folder dir;
    std::vector<program> v = some_programs(6);
    v[4] = test::program_with_samples();
    write_bank_file(dir / "b.kvb", v);
    bank k;
    ASSERT_TRUE(k.load(dir / "b.kvb"));
    ASSERT_EQ(k.nprogs(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(k.program_name(i), v[size_t(i)].name);
        program p = k.get_program(i);
        p.waves.set_play_rate(44100.0);
        v[size_t(i)].waves.set_play_rate(44100.0);
        EXPECT_EQ(p, v[size_t(i)]) << i;
    }
    // Beyond the file's programs (and outside any overlay): a default program.
    EXPECT_EQ(k.get_program(6), program());
    EXPECT_EQ(k.get_program(500), program());
    EXPECT_EQ(k.get_program(-3), program());
}

TEST(BankFile, RecordsInFrontAreSkippedNotRead) {
    test::temp_folder dir;
    std::vector<program> v = some_programs(3);
    write_bank_file(dir / "b.kvb", v);
    // Spoil record 0 without changing its length.
    auto b = test::read_file(dir / "b.kvb");
    size_t first = 8 + 3 * (4 + 2 + 4);
    for (size_t i = first; i < first + size_t(v[0].record_size()); ++i) b[i] = 0xFF;
    test::write_file(dir / "b.kvb", b);
    bank k;
    ASSERT_TRUE(k.load(dir / "b.kvb"));
    EXPECT_EQ(k.get_program(0), program());  // unreadable: the default
    EXPECT_EQ(k.get_program(1), v[1]);
    EXPECT_EQ(k.get_program(2).waves.waves[0].samples[1], v[2].waves.waves[0].samples[1]);
}

TEST(BankFile, LoadFailuresAndOldHeaders) {
    test::temp_folder dir;
    bank k;
    EXPECT_FALSE(k.load(dir / "missing.kvb"));
    EXPECT_EQ(k.nprogs(), 0);
    EXPECT_EQ(k.path(), dir / "missing.kvb");
    EXPECT_EQ(k.get_program(0), program());

    bytes short_toc;
    short_toc.le32(0xBABA0002u).lng(3).str("a").lng(1959).str("b");
    test::write_file(dir / "short.kvb", short_toc.b);
    EXPECT_FALSE(k.load(dir / "short.kvb"));
    bytes huge_count;
    huge_count.le32(0xBABA0002u).lng(INT32_MAX).str("a").lng(1);
    test::write_file(dir / "huge.kvb", huge_count.b);
    EXPECT_FALSE(k.load(dir / "huge.kvb"));
    bytes negative;
    negative.le32(0xBABA0002u).lng(1).str("a").lng(-1959);
    test::write_file(dir / "negative.kvb", negative.b);
    EXPECT_FALSE(k.load(dir / "negative.kvb"));

    // The leading long is never checked.
    auto b = test::read_file([&] {
        write_bank_file(dir / "old.kvb", some_programs(2));
        return dir / "old.kvb";
    }());
    b[0] = 1;
    b[3] = 0;
    test::write_file(dir / "old.kvb", b);
    ASSERT_TRUE(k.load(dir / "old.kvb"));
    EXPECT_EQ(k.get_program(1).name, "P1");
}

TEST(BankOverlays, TimbreAndProgramOverlays) {
    test::temp_folder dir;
    write_bank_file(dir / "b.kvb", some_programs(8));
    bank k;
    ASSERT_TRUE(k.load(dir / "b.kvb"));

    program edited = named("Edited", 0.9f);
    edited.waves.set_sample(1, 0, sample_data(10, 44100));
    k.set_program(5, edited);
    EXPECT_TRUE(k.storedt(5));
    program five = k.get_program(5);
    EXPECT_EQ(five.name, "P5");                 // the file's name and waves...
    EXPECT_EQ(five.waves, program().waves);
    EXPECT_EQ(five.params, edited.params);      // ...with the kept timbre

    k.set_program(128, edited);
    k.set_program(-1, edited);
    EXPECT_FALSE(k.storedt(128));
    k.remember(128, edited);
    EXPECT_FALSE(k.storedp(128));
    EXPECT_EQ(k.get_program(10), program());    // past nprogs, no overlay

    k.remember(10, edited);                      // past nprogs, but an overlay
    EXPECT_EQ(k.get_program(10), edited);
    k.remember(5, named("Whole", 0.3f));
    EXPECT_EQ(k.get_program(5).name, "Whole");   // the whole program wins over the timbre

    // A copy keeps its own overlays.
    bank copy = k;
    copy.set_program(1, edited);
    EXPECT_FALSE(k.storedt(1));
    EXPECT_TRUE(copy.storedt(1));
    EXPECT_EQ(copy.get_program(5).name, "Whole");

    // Loading the bank again stops consulting every overlay.
    ASSERT_TRUE(k.load(dir / "b.kvb"));
    EXPECT_EQ(k.get_program(5).name, "P5");
    EXPECT_FALSE(k.storedt(5));
    EXPECT_FALSE(k.storedp(10));
}

TEST(BankStore, StoreReplacesOneProgramAndClearsItsOverlays) {
    test::temp_folder dir;
    auto path = dir / "b.kvb";
    write_bank_file(path, some_programs(8));
    ::chmod(path.c_str(), 0640);
    bank k;
    ASSERT_TRUE(k.load(path));
    k.set_program(5, named("ignored", 0.7f));
    program q = test::program_with_samples();
    ASSERT_TRUE(k.store_program(5, q));
    EXPECT_FALSE(k.storedt(5));
    EXPECT_EQ(k.program_name(5), q.name);
    EXPECT_EQ(k.get_program(5), q);
    program two = k.get_program(2);
    two.waves.set_play_rate(44100.0);
    EXPECT_EQ(two, some_programs(8)[2]);
    expect_consistent_file(path, 8);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(dir.count_files("kvp"), 0u);

    bank fresh;
    ASSERT_TRUE(fresh.load(path));
    EXPECT_EQ(fresh.get_program(5), q);
}

TEST(BankStore, OtherProgramsAreWrittenAsTheFileHoldsThem) {
    test::temp_folder dir;
    auto path = dir / "b.kvb";
    write_bank_file(path, some_programs(8));
    bank k;
    ASSERT_TRUE(k.load(path));
    program long_name = named("A much longer name than before", 0.5f);
    k.remember(3, long_name);
    ASSERT_TRUE(k.store_program(7, named("Seven", 0.2f)));
    expect_consistent_file(path, 8);
    EXPECT_EQ(k.program_name(3), "P3");
    EXPECT_EQ(k.get_program(3), long_name);  // the overlay stays until the next load
    EXPECT_TRUE(k.storedp(3));
    bank fresh;
    ASSERT_TRUE(fresh.load(path));
    EXPECT_EQ(fresh.get_program(3), some_programs(8)[3]);
    EXPECT_EQ(fresh.get_program(7).name, "Seven");
}

TEST(BankStore, FactoryFormatBanksAreRewrittenInTheCurrentVersion) {
    // Two 0x300 records with 83 values, as the factory bank holds them.
    auto old_record = [](const std::string& name) {
        bytes r;
        r.lng(0x300).str(name);
        for (int w = 0; w < 2; ++w) {
            r.str("");
            for (int s = 0; s < 8; ++s) r.lng(0).lng(44100).lng(0).lng(0).lng(0).lng(0).str("(empty)");
            for (int k = 0; k < 128; ++k) r.lng(0);
        }
        r.lng(83);
        for (int i = 0; i < 83; ++i) r.flt(0.3f);
        return r;
    };
    bytes file;
    bytes r0 = old_record("Organ"), r1 = old_record("Pad");
    file.le32(0xBABA0002u).lng(2).str("Organ").lng(int32_t(r0.size())).str("Pad").lng(int32_t(r1.size()))
        .append(r0).append(r1);
    test::temp_folder dir;
    test::write_file(dir / "factory.kvb", file.b);
    bank k;
    ASSERT_TRUE(k.load(dir / "factory.kvb"));
    ASSERT_TRUE(k.store_program(0, named("Mine", 0.4f)));
    expect_consistent_file(dir / "factory.kvb", 2);
    auto b = test::read_file(dir / "factory.kvb");
    EXPECT_EQ(b.size(), 8 + (4 + 4 + 4) + (4 + 3 + 4) + (1959 - 3) + (1959 - 4));  // by the names' lengths
    size_t second = b.size() - (1959 - 4);
    EXPECT_EQ(std::vector<unsigned char>(b.begin() + long(second), b.begin() + long(second) + 4),
              (std::vector<unsigned char>{8, 8, 0, 0}));
    program pad = k.get_program(1);
    EXPECT_EQ(pad.name, "Pad");
    EXPECT_FLOAT_EQ(pad.params.value(P_TEMPO_SOURCE), 0.75f);  // converted as it was read
    EXPECT_FLOAT_EQ(pad.params.value(P_ASSIGN1_AMOUNT), 0.4f);
    EXPECT_FLOAT_EQ(pad.params.value(P_OSC2_SYNC), 0.25f);
}

TEST(BankStore, FailuresLeaveFileAndOverlaysAsTheyWere) {
    test::temp_folder dir;
    auto path = dir / "b.kvb";
    write_bank_file(path, some_programs(4));
    bank k;
    ASSERT_TRUE(k.load(path));
    k.set_program(1, named("edit", 0.6f));
    k.remember(2, named("kept", 0.6f));
    const auto before = test::read_file(path);

    // An index the file does not hold: nothing is written and nothing is dropped.
    EXPECT_FALSE(k.store_program(4, named("x", 0.1f)));
    EXPECT_FALSE(k.store_program(-1, named("x", 0.1f)));
    EXPECT_EQ(test::read_file(path), before);

    // An unreadable record elsewhere stops the rewrite.
    auto spoiled = before;
    size_t toc = 8 + 4 * (4 + 2 + 4);
    size_t third = toc + size_t(some_programs(4)[0].record_size() + some_programs(4)[1].record_size() +
                                some_programs(4)[2].record_size());
    spoiled[third] = 0x77;  // program 3's version
    test::write_file(path, spoiled);
    EXPECT_FALSE(k.store_program(1, named("new", 0.2f)));
    EXPECT_EQ(test::read_file(path), spoiled);
    EXPECT_TRUE(k.storedt(1));
    EXPECT_TRUE(k.storedp(2));
    EXPECT_EQ(k.get_program(1).params.value(P_GAIN), 0.6f);
    EXPECT_EQ(dir.count_files("kvp"), 0u);
    EXPECT_EQ(k.nprogs(), 4);
    // ...but the spoiled record itself can be replaced.
    EXPECT_TRUE(k.store_program(3, named("mended", 0.2f)));
    expect_consistent_file(path, 4);

    // No file at all.
    bank none;
    none.remember(0, named("x", 0.1f));
    EXPECT_FALSE(none.store_program(0, named("y", 0.1f)));
    EXPECT_TRUE(none.storedp(0));
    bank gone;
    ASSERT_TRUE(gone.load(path));
    fs::remove(path);
    EXPECT_FALSE(gone.store_program(0, named("y", 0.1f)));
    EXPECT_FALSE(fs::exists(path));
}

TEST(BankStore, AFolderThatRefusesTheTemporaryFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind root";
    test::temp_folder dir;
    auto path = dir / "b.kvb";
    write_bank_file(path, some_programs(2));
    bank k;
    ASSERT_TRUE(k.load(path));
    k.set_program(0, named("edit", 0.6f));
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(k.store_program(0, named("new", 0.2f)));
    fs::permissions(dir.path(), fs::perms::owner_all);
    EXPECT_TRUE(k.storedt(0));
    EXPECT_EQ(k.get_program(1).name, "P1");
}

TEST(BankStore, ADiskThatFillsUpDuringTheRewrite) {
    // A file size limit makes the temporary file's writes fail as a full disk would, and
    // binds root too.
    test::temp_folder dir;
    auto path = dir / "b.kvb";
    write_bank_file(path, some_programs(3));
    const auto before = test::read_file(path);
    bank k;
    ASSERT_TRUE(k.load(path));
    k.set_program(2, named("edit", 0.6f));
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = before.size() / 2;
    auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    bool stored = k.store_program(2, test::program_with_samples());
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_FALSE(stored);
    EXPECT_EQ(test::read_file(path), before);
    EXPECT_TRUE(k.storedt(2));
    EXPECT_EQ(k.program_name(2), "P2");
    EXPECT_EQ(dir.count_files("kvp"), 0u);
}

TEST(BankStore, ThroughASymbolicLink) {
    test::temp_folder dir;
    fs::create_directory(dir / "real");
    write_bank_file(dir / "real" / "b.kvb", some_programs(2));
    fs::create_symlink(dir / "real" / "b.kvb", dir / "link.kvb");
    bank k;
    ASSERT_TRUE(k.load(dir / "link.kvb"));
    ASSERT_TRUE(k.store_program(1, named("Linked", 0.3f)));
    EXPECT_TRUE(fs::is_symlink(dir / "link.kvb"));
    bank direct;
    ASSERT_TRUE(direct.load(dir / "real" / "b.kvb"));
    EXPECT_EQ(direct.program_name(1), "Linked");
}

TEST(ProgramFile, WrittenAndReadBackEqualInEveryField) {
    test::temp_folder dir;
    program p = test::program_with_samples();
    p.waves.set_play_rate(48000.0);
    write_program_file(dir / "p.kvp", p);
    EXPECT_EQ(int64_t(fs::file_size(dir / "p.kvp")), p.record_size());
    program q;
    read_program_file(dir / "p.kvp", q);
    q.waves.set_play_rate(48000.0);
    EXPECT_EQ(q, p);
}

TEST(ProgramFile, FailuresKeepWhatWasThere) {
    test::temp_folder dir;
    program p = test::program_with_samples();
    write_program_file(dir / "p.kvp", p);
    const auto before = test::read_file(dir / "p.kvp");
    // A write that fails half way leaves the earlier file and no temporary behind.
    EXPECT_THROW(replace_file(dir / "p.kvp",
                              [](serializer& out) {
                                  out.put_long(0x808);
                                  throw persist_error("put_long failed");
                              }),
                 persist_error);
    EXPECT_EQ(test::read_file(dir / "p.kvp"), before);
    EXPECT_EQ(dir.count_files("kvp"), 0u);
    EXPECT_THROW(write_program_file(dir / "no-folder" / "p.kvp", p), persist_error);

    program q = named("current", 0.2f);
    const program kept = q;
    EXPECT_THROW(read_program_file(dir / "missing.kvp", q), persist_error);
    test::write_file(dir / "cut.kvp", std::vector<unsigned char>(before.begin(), before.begin() + 500));
    EXPECT_THROW(read_program_file(dir / "cut.kvp", q), persist_error);
    test::write_file(dir / "text.kvp", {'h', 'e', 'l', 'l', 'o'});
    EXPECT_THROW(read_program_file(dir / "text.kvp", q), persist_error);
    EXPECT_EQ(q, kept);
}

}  // namespace
