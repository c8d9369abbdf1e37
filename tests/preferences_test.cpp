// The preferences file and the controller assignment maps.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <thread>

#include <unistd.h>

#include "sound/atomic_file.h"
#include "sound/serializer.h"
#include "platform/paths.h"
#include "sound/preferences.h"
#include "temp_dir.h"

namespace {

std::string read_all(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void write_all(const std::filesystem::path& p, const std::string& text) {
    std::ofstream out(p, std::ios::binary);
    out << text;
}

TEST(Preferences, DefaultTable) {
    preferences prefs;
    prefs.apply_defaults();
    EXPECT_EQ(prefs.live.param_for(74), P_FILTER_CUTOFF);
    EXPECT_EQ(prefs.live.param_for(23), P_FEG_ATTACK);  // a later pair replaces an earlier one
    EXPECT_EQ(prefs.live.param_for(0), P_TEMPO_SOURCE);
    EXPECT_EQ(prefs.live.param_for(26), P_FEG_RELEASE);
    // ...while the parameter side keeps naming the earlier parameters' controllers.
    EXPECT_EQ(prefs.live.controller_for(P_OSC1_SPEED), 23);
    EXPECT_EQ(prefs.live.controller_for(P_OSC1_LOOP), 0);
    EXPECT_EQ(prefs.live.controller_for(P_OSC2_FINE), 26);
    EXPECT_EQ(prefs.live.controller_for(P_ASSIGN8_AMOUNT), 41);
    EXPECT_EQ(prefs.live.param_for(1), -1);
    EXPECT_EQ(prefs.live.param_for(64), -1);
    EXPECT_EQ(prefs.live.param_for(500), -1);
    EXPECT_EQ(prefs.live.controller_for(P_LEGATO), -1);
}

TEST(Preferences, FileLinesAndOddities) {
    test::temp_dir dir;
    auto file = dir / "kaveo.prefs";
    preferences prefs;
    EXPECT_FALSE(prefs.load(file));  // missing: not an error, nothing accepted

    write_all(file, "assign_midi_cc 1 26\n");
    EXPECT_FALSE(prefs.load(file));  // controller 1 is never taken from the file

    write_all(file, "default_bank \"C:\\x\\y.kvb\"\nassign_midi_cc 20 26\n");
    preferences p2;
    EXPECT_TRUE(p2.load(file));
    EXPECT_EQ(p2.default_bank, "C:\\x\\y.kvb");
    EXPECT_EQ(p2.live.param_for(20), 26);
    for (int c = 0; c < 128; ++c)
        if (c != 20) {
            EXPECT_EQ(p2.live.param_for(c), -1) << c;
        }

    write_all(file,
              "\n# comment\nassign_midi_cc 96 5\nassign_midi_cc 30 87\nassign_midi_cc 30 -1\n"
              "assign_midi_cc x 5\nassign_midi_cc 95 86\r\ndefault_bank \"/a b/c.kvb\"\n"
              "unknown 1 2\n");
    preferences p3;
    EXPECT_TRUE(p3.load(file));
    EXPECT_EQ(p3.live.param_for(95), 86);
    EXPECT_EQ(p3.live.param_for(96), -1);
    EXPECT_EQ(p3.live.param_for(30), -1);
    EXPECT_EQ(p3.default_bank, "/a b/c.kvb");

    // A line longer than 1023 characters ends the reading; earlier lines count.
    write_all(file, "assign_midi_cc 10 35\n" + std::string(2000, 'a') + "\nassign_midi_cc 11 36\n");
    preferences p4;
    EXPECT_TRUE(p4.load(file));
    EXPECT_EQ(p4.live.param_for(10), 35);
    EXPECT_EQ(p4.live.param_for(11), -1);
}

TEST(Preferences, SaveWritesControllersInOrder) {
    test::temp_dir dir;
    auto file = dir / "kaveo.prefs";
    preferences prefs;
    prefs.default_bank = "/home/me/banks/mine.kvb";
    prefs.assign_cc(96, 26);  // never written
    prefs.assign_cc(74, 27);
    prefs.assign_cc(3, 5);
    prefs.keep_live_assignments();
    std::string error;
    ASSERT_TRUE(prefs.save(file, error)) << error;
    EXPECT_EQ(read_all(file),
              "default_bank \"/home/me/banks/mine.kvb\"\n"
              "assign_midi_cc 3 5\n"
              "assign_midi_cc 74 27\n");
    preferences back;
    EXPECT_TRUE(back.load(file));
    EXPECT_EQ(back.default_bank, prefs.default_bank);
    EXPECT_EQ(back.live.param_for(74), 27);
    EXPECT_EQ(back.live.param_for(96), -1);

    // Defaults written and read back keep every controller from 2 to 95.
    preferences d;
    d.apply_defaults();
    ASSERT_TRUE(d.save(file, error));
    EXPECT_EQ(read_all(file).find("assign_midi_cc 0 "), std::string::npos);
    preferences d2;
    EXPECT_TRUE(d2.load(file));
    EXPECT_EQ(d2.live.param_for(74), 26);
}

TEST(Preferences, FailedSaveLeavesTheFileAlone) {
    test::temp_dir dir;
    auto file = dir / "kaveo.prefs";
    write_all(file, "assign_midi_cc 20 26\n");
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_read |
                                                 std::filesystem::perms::owner_exec);
    preferences prefs;
    prefs.apply_defaults();
    std::string error;
    if (getuid() != 0) {  // root writes anywhere
        EXPECT_FALSE(prefs.save(file, error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(read_all(file), "assign_midi_cc 20 26\n");
    }
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all);
    // A folder that cannot hold files (its "folder" is a regular file) fails even for root.
    EXPECT_FALSE(prefs.save(file / "kaveo.prefs", error));
    EXPECT_NE(error.find("temporary"), std::string::npos) << error;
    // A writer that gives up leaves no temporary file behind and the target as it was.
    EXPECT_THROW(replace_file(file, [](serializer&) { throw std::runtime_error("gave up"); }),
                 std::runtime_error);
    EXPECT_EQ(read_all(file), "assign_midi_cc 20 26\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(Preferences, DataFolderFollowsXdg) {
    test::scoped_data_home home;
    auto folder = platform::data_folder();
    EXPECT_EQ(folder, home.path() / "Kaveo");
    EXPECT_TRUE(std::filesystem::is_directory(folder));
    EXPECT_EQ(platform::default_bank_file(), folder / "default.kvb");
    EXPECT_EQ(platform::prefs_file(), folder / "kaveo.prefs");
}

TEST(Preferences, AnAssignmentFromTheEditorMovesTheControllerInBothDirections) {
    preferences prefs;
    prefs.apply_defaults();
    prefs.assign_cc(74, P_FILTER_RES);  // 74 drove the cutoff, 71 the resonance
    EXPECT_EQ(prefs.live.param_for(74), P_FILTER_RES);
    EXPECT_EQ(prefs.live.param_for(71), -1);
    EXPECT_EQ(prefs.live.controller_for(P_FILTER_CUTOFF), -1);
    // Parameter 15 names 23, which drives 29 (a later pair of the table): another
    // controller for 15 leaves 23 driving 29; moving 23 itself takes it from 29.
    prefs.assign_cc(60, P_OSC1_SPEED);
    EXPECT_EQ(prefs.live.param_for(23), P_FEG_ATTACK);
    EXPECT_EQ(prefs.live.controller_for(P_FEG_ATTACK), 23);
    prefs.assign_cc(23, P_OSC2_SPEED);
    EXPECT_EQ(prefs.live.controller_for(P_FEG_ATTACK), -1);
    EXPECT_EQ(prefs.live.param_for(30), -1);
    // Controller 1, the page's "(none)": the parameter keeps no controller that drives it.
    prefs.assign_cc(1, P_OSC2_SPEED);
    EXPECT_EQ(prefs.live.param_for(23), -1);
    EXPECT_EQ(prefs.live.controller_for(P_OSC2_SPEED), 1);
    prefs.keep_live_assignments();
    EXPECT_EQ(prefs.saved.count(23), 0u);
    EXPECT_EQ(prefs.saved.count(30), 0u);
}

TEST(Preferences, LookupsAreSafeAgainstConcurrentAssignments) {
    controller_map map;
    std::atomic<bool> stop{false};
    std::thread reader([&] {
        long sum = 0;
        while (!stop) sum += map.param_for(74) + map.controller_for(26);
        EXPECT_GE(sum, -1000000000L);
    });
    for (int i = 0; i < 20000; ++i) map.assign(74, i % NUM_PARAMS);
    stop = true;
    reader.join();
    EXPECT_EQ(map.param_for(74), 19999 % NUM_PARAMS);
}

}  // namespace
