// The active bank through the plug-in: first and second start with the factory bank, the
// preferences' default bank, loading and creating banks.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <fstream>
#include <memory>

#include "platform/paths.h"
#include "program_fixture.h"
#include "sound/file_stream.h"
#include "sound_test_util.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

std::vector<unsigned char> as_chars(const std::vector<std::byte>& b) {
    std::vector<unsigned char> out(b.size());
    for (size_t i = 0; i < b.size(); ++i) out[i] = static_cast<unsigned char>(b[i]);
    return out;
}

std::vector<program> factory_programs() {
    auto v = test::numbered_programs(4);
    for (auto& p : v) p.name = "Factory " + p.name;
    return v;
}

void write_prefs(const std::string& text) {
    std::ofstream(platform::prefs_file(), std::ios::binary) << text;
}

size_t files_starting(const fs::path& folder, const std::string& prefix) {
    size_t n = 0;
    for (const auto& e : fs::directory_iterator(folder))
        n += e.path().filename().string().rfind(prefix, 0) == 0 ? 1 : 0;
    return n;
}

struct Start : ::testing::Test {
    test::scoped_data_home home;
    test::scoped_factory_bank factory{test::bank_bytes(factory_programs())};
    fs::path folder() const { return home.path() / "Kaveo"; }
    fs::path default_bank() const { return folder() / "default.kvb"; }
};

TEST_F(Start, TheFirstStartWritesTheFactoryBankAndLoadsIt) {
    ASSERT_FALSE(fs::exists(folder()));
    test::instrument in;
    ASSERT_TRUE(fs::is_directory(folder()));
    EXPECT_EQ(test::read_file(default_bank()), as_chars(test::bank_bytes(factory_programs())));
    EXPECT_EQ(in.fx->active_bank().path(), default_bank());
    EXPECT_EQ(in.fx->current().name, "Factory P0");
    EXPECT_EQ(in.fx->active_bank().program_name(3), "Factory P3");
    // The default bank path is kept in memory; nothing else is written.
    EXPECT_EQ(in.fx->settings().default_bank, default_bank().string());
    EXPECT_FALSE(fs::exists(platform::prefs_file()));
    EXPECT_EQ(files_starting(folder(), "kvp"), 0u);
    struct stat st {};
    ASSERT_EQ(::stat(default_bank().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
}

TEST_F(Start, TheSecondStartLoadsTheDefaultBankWithoutRewritingIt) {
    {
        test::instrument first;
        first.fx->setProgram(1);
        first.fx->rename_program(1, "Mine");
        ASSERT_TRUE(first.fx->store_current_program());
    }
    const auto stored = test::read_file(default_bank());
    struct stat before {};
    ASSERT_EQ(::stat(default_bank().c_str(), &before), 0);
    test::instrument second;
    struct stat after {};
    ASSERT_EQ(::stat(default_bank().c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(test::read_file(default_bank()), stored);
    EXPECT_EQ(second.fx->active_bank().program_name(1), "Mine");
}

TEST_F(Start, ADefaultBankThatCannotBeLoadedIsKeptAsideNotOverwritten) {
    fs::create_directories(folder());
    test::write_file(default_bank(), {2, 0, 0xBA, 0xBA, 9, 0, 0, 0, 3, 0});  // a table cut short
    test::write_file(folder() / "default.kvb.damaged", {'o', 'l', 'd'});
    test::instrument in;
    EXPECT_EQ(in.fx->current().name, "Factory P0");
    EXPECT_EQ(test::read_file(folder() / "default.kvb.damaged"), (std::vector<unsigned char>{'o', 'l', 'd'}));
    EXPECT_EQ(test::read_file(folder() / "default.kvb.damaged2"),
              (std::vector<unsigned char>{2, 0, 0xBA, 0xBA, 9, 0, 0, 0, 3, 0}));
}

TEST_F(Start, AFirstStartThatCannotWriteTheWholeFactoryBankLeavesNoPartOfIt) {
    // A file size limit fails the write part way, as a full disk would.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = test::bank_bytes(factory_programs()).size() / 2;
    auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string name;
    {
        test::instrument in;
        name = in.fx->current().name;
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_EQ(name, "(empty)");
    EXPECT_FALSE(fs::exists(default_bank()));
    EXPECT_EQ(files_starting(folder(), "kvp"), 0u);
    // The next start writes it whole.
    test::instrument next;
    EXPECT_EQ(next.fx->current().name, "Factory P0");
    EXPECT_EQ(test::read_file(default_bank()), as_chars(test::bank_bytes(factory_programs())));
}

TEST_F(Start, WithoutAFactoryBankTheInstrumentRunsOnAnEmptyBank) {
    Kaveos::set_factory_bank_source(test::no_factory_bank);
    test::instrument in;
    EXPECT_FALSE(fs::exists(default_bank()));
    EXPECT_EQ(in.fx->current().name, "(empty)");
    EXPECT_TRUE(in.fx->active_bank().path().empty());
    EXPECT_EQ(in.fx->active_bank().program_name(5), "");
    EXPECT_TRUE(in.fx->settings().default_bank.empty());
    EXPECT_FALSE(in.fx->store_current_program());
}

TEST_F(Start, ThePreferencesBankIsLoadedAndAStaleOneFallsBackToTheDefault) {
    test::temp_dir elsewhere;
    write_bank_file(elsewhere / "mine.kvb", test::numbered_programs(2));
    write_prefs("default_bank \"" + (elsewhere / "mine.kvb").string() + "\"\n");
    {
        test::instrument in;
        EXPECT_EQ(in.fx->active_bank().path(), elsewhere / "mine.kvb");
        EXPECT_EQ(in.fx->current().name, "P0");
        EXPECT_FALSE(fs::exists(default_bank()));  // the factory bank was not needed
    }
    fs::remove(elsewhere / "mine.kvb");
    test::instrument in;
    EXPECT_EQ(in.fx->active_bank().path(), default_bank());
    EXPECT_EQ(in.fx->current().name, "Factory P0");
    // The stale path stays: the file may come back.
    EXPECT_EQ(in.fx->settings().default_bank, (elsewhere / "mine.kvb").string());
}

TEST_F(Start, ADataFolderThatCannotBeMadeLeavesAWorkingInstrument) {
    // XDG_DATA_HOME names a regular file: no folder, no bank, no preferences.
    test::temp_dir dir;
    test::write_file(dir / "file", {'x'});
    setenv("XDG_DATA_HOME", (dir / "file").c_str(), 1);
    test::instrument in;
    EXPECT_EQ(in.fx->current().name, "(empty)");
    EXPECT_EQ(in.fx->controller_to_param(74), P_FILTER_CUTOFF);
    EXPECT_FALSE(in.fx->save_midi_assignments());
    EXPECT_FALSE(in.fx->store_current_program());
    EXPECT_EQ(test::read_file(dir / "file"), std::vector<unsigned char>{'x'});
}

struct Banks : Start {
    std::unique_ptr<test::instrument> in;
    test::recording_editor* editor = nullptr;
    test::temp_dir dir;
    Banks() {
        in = std::make_unique<test::instrument>();
        editor = new test::recording_editor(in->fx.get());
    }
    Kaveos& fx() { return *in->fx; }
};

TEST_F(Banks, LoadingAMissingOrBrokenFileChangesNothing) {
    fx().setProgram(2);
    in->set(P_FILTER_CUTOFF, 0.3f);
    fx().setProgram(1);
    const program current = fx().current();
    EXPECT_FALSE(fx().loadBank(dir / "missing.kvb"));
    EXPECT_FALSE(fx().loadBank(dir.path()));
    test::write_file(dir / "short.kvb", {2, 0, 0xBA, 0xBA, 5, 0, 0, 0});
    EXPECT_FALSE(fx().loadBank(dir / "short.kvb"));
    EXPECT_EQ(fx().current(), current);
    EXPECT_EQ(fx().getProgram(), 1);
    EXPECT_EQ(fx().active_bank().path(), default_bank());
    EXPECT_EQ(fx().active_bank().program_name(2), "Factory P2");
    EXPECT_TRUE(fx().active_bank().storedt(2));  // the overlays too
    EXPECT_EQ(editor->bank_changes, 0);
}

TEST_F(Banks, LoadingABankStartsAtItsProgramZeroWithoutOverlays) {
    write_bank_file(dir / "other.kvb", test::numbered_programs(6));
    fx().setProgram(5);
    in->set(P_FILTER_CUTOFF, 0.3f);  // edited, not stored
    ASSERT_TRUE(fx().loadBank(dir / "other.kvb"));
    EXPECT_EQ(fx().getProgram(), 0);
    EXPECT_EQ(fx().current().name, "P0");
    EXPECT_EQ(editor->bank_changes, 1);
    for (int i = 0; i < 128; ++i) EXPECT_FALSE(fx().active_bank().storedt(i) || fx().active_bank().storedp(i)) << i;
    fx().setProgram(5);
    EXPECT_EQ(fx().getParameter(P_FILTER_CUTOFF), param_info(P_FILTER_CUTOFF).initial);
    EXPECT_FLOAT_EQ(fx().getParameter(P_GAIN), 0.05f);
}

TEST_F(Banks, ANewEmptyBank) {
    ASSERT_TRUE(fx().createEmptyBank(dir / "new.kvb"));
    EXPECT_EQ(fs::file_size(dir / "new.kvb"), 8u + 128u * 15u + 128u * 1959u);  // 252,680
    EXPECT_EQ(fx().active_bank().path(), dir / "new.kvb");
    EXPECT_EQ(fx().active_bank().nprogs(), 128);
    EXPECT_EQ(editor->bank_changes, 1);
    bank fresh;
    ASSERT_TRUE(fresh.load(dir / "new.kvb"));
    for (int i : {0, 64, 127}) {
        EXPECT_EQ(fresh.program_name(i), "(empty)");
        EXPECT_EQ(fresh.get_program(i), program());
    }
    EXPECT_EQ(fx().current().name, "(empty)");
    EXPECT_EQ(files_starting(dir.path(), "kvp"), 0u);

    // Where no file can be made, the active bank stays.
    test::write_file(dir / "plain", {'x'});
    EXPECT_FALSE(fx().createEmptyBank(dir / "plain" / "new.kvb"));
    EXPECT_EQ(fx().active_bank().path(), dir / "new.kvb");
    EXPECT_EQ(editor->bank_changes, 1);
}

TEST_F(Banks, TheActiveBankBecomesTheDefaultForTheNextStart) {
    write_bank_file(dir / "other.kvb", test::numbered_programs(3));
    ASSERT_TRUE(fx().loadBank(dir / "other.kvb"));
    ASSERT_TRUE(fx().set_default_bank());
    EXPECT_EQ(fx().settings().default_bank, (dir / "other.kvb").string());
    // No assignment was accepted from a file, so the built-in table is what is saved.
    std::ifstream f(platform::prefs_file());
    std::string first;
    std::getline(f, first);
    EXPECT_EQ(first, "default_bank \"" + (dir / "other.kvb").string() + "\"");
    in.reset();
    test::instrument next;
    EXPECT_EQ(next.fx->active_bank().path(), dir / "other.kvb");
    EXPECT_EQ(next.fx->controller_to_param(74), P_FILTER_CUTOFF);
}

TEST_F(Banks, APathThePreferencesCannotHoldIsNotMadeTheDefault) {
    fs::create_directories(dir / "with \"quotes\"");
    write_bank_file(dir / "with \"quotes\"" / "b.kvb", test::numbered_programs(1));
    ASSERT_TRUE(fx().loadBank(dir / "with \"quotes\"" / "b.kvb"));
    EXPECT_FALSE(fx().set_default_bank());
    EXPECT_EQ(fx().settings().default_bank, default_bank().string());
    EXPECT_FALSE(fs::exists(platform::prefs_file()));
}

}  // namespace
