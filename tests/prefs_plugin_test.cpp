// The preferences file as the plug-in reads and writes it, and the controller
// assignments MIDI controllers follow.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>

#include "platform/paths.h"
#include "program_fixture.h"
#include "sound_test_util.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

struct Prefs : ::testing::Test {
    test::scoped_data_home home;
    std::unique_ptr<test::instrument> in;

    Prefs() { write_bank_file(platform::default_bank_file(), test::numbered_programs(2)); }
    void write(const std::string& text) { std::ofstream(platform::prefs_file(), std::ios::binary) << text; }
    std::string saved() {
        std::ifstream f(platform::prefs_file(), std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
    Kaveos& start() {
        in.reset();
        in = std::make_unique<test::instrument>();
        return *in->fx;
    }
    std::vector<int> assigned_controllers() {
        std::vector<int> v;
        for (int c = 0; c < 128; ++c)
            if (in->fx->controller_to_param(c) >= 0) v.push_back(c);
        return v;
    }
};

TEST_F(Prefs, WithoutAFileTheBuiltInTableApplies) {
    Kaveos& fx = start();
    EXPECT_EQ(fx.controller_to_param(74), P_FILTER_CUTOFF);
    EXPECT_EQ(fx.controller_to_param(23), P_FEG_ATTACK);
    EXPECT_EQ(fx.controller_to_param(0), P_TEMPO_SOURCE);
    EXPECT_EQ(fx.controller_to_param(1), -1);
    EXPECT_EQ(fx.param_to_controller(P_OSC1_SPEED), 23);  // the later pair took the controller
    EXPECT_EQ(fx.param_to_controller(P_FEG_ATTACK), 23);
    EXPECT_EQ(fx.param_to_controller(P_ASSIGN8_AMOUNT), 41);
    // A controller message drives its parameter through the host's automation.
    in->host.automation.clear();
    in->controller(23, 127);
    in->render(1);
    EXPECT_EQ(fx.getParameter(P_FEG_ATTACK), 1.0f);
    ASSERT_EQ(in->host.automation.size(), 1u);
    EXPECT_EQ(in->host.automation[0].first, int(P_FEG_ATTACK));
}

TEST_F(Prefs, AFileWithOnlyRefusedAssignmentsStillGetsTheBuiltInTable) {
    write("assign_midi_cc 1 26\n");
    Kaveos& fx = start();
    EXPECT_EQ(fx.controller_to_param(74), P_FILTER_CUTOFF);
    EXPECT_EQ(fx.controller_to_param(1), -1);
}

TEST_F(Prefs, TheFilesBankAndAssignmentsReplaceTheDefaults) {
    test::temp_dir dir;
    write_bank_file(dir / "y.kvb", test::numbered_programs(3));
    write("default_bank \"" + (dir / "y.kvb").string() + "\"\nassign_midi_cc 20 26\n");
    Kaveos& fx = start();
    EXPECT_EQ(fx.settings().default_bank, (dir / "y.kvb").string());
    EXPECT_EQ(fx.active_bank().path(), dir / "y.kvb");
    EXPECT_EQ(assigned_controllers(), std::vector<int>{20});
    EXPECT_EQ(fx.controller_to_param(20), P_FILTER_CUTOFF);
    EXPECT_EQ(fx.param_to_controller(P_FILTER_CUTOFF), 20);
}

TEST_F(Prefs, OddLines) {
    write(std::string("  assign_midi_cc 33 7\r\n") +
          "\n"
          "# a comment\n"
          "colour blue\n"
          "assign_midi_cc 96 5\n"        // controller out of range
          "assign_midi_cc 30 87\n"       // parameter out of range
          "assign_midi_cc 31 cutoff\n"   // not a number
          "assign_midi_cc 32\n"          // too short
          "assign_midi_cc\t34\t9\n"      // tabs separate too
          "default_bank \"unterminated\n" + std::string(1500, 'z') + "\n" +
          "assign_midi_cc 40 5\n");      // after an over-long line: not read
    Kaveos& fx = start();
    EXPECT_EQ(assigned_controllers(), (std::vector<int>{33, 34}));
    EXPECT_EQ(fx.controller_to_param(33), P_OSC1_WAVE);
    EXPECT_EQ(fx.controller_to_param(34), P_OSC1_LOOP);
    // The stale bank path is kept, and the default bank was loaded instead.
    EXPECT_EQ(fx.settings().default_bank, "unterminated");
    EXPECT_EQ(fx.active_bank().path(), platform::default_bank_file());
}

TEST_F(Prefs, AssignmentsActAtOnceAndReachTheFileOnlyWhenSaved) {
    write("assign_midi_cc 20 26\n");
    Kaveos& fx = start();
    fx.assign_cc(96, P_GAIN);
    fx.assign_cc(60, P_OSC1_WAVE);
    fx.assign_cc(3, P_PORTA_SPEED);
    EXPECT_EQ(saved(), "assign_midi_cc 20 26\n");
    in->controller(60, 0);
    in->render(1);
    EXPECT_EQ(fx.getParameter(P_OSC1_WAVE), 0.0f);
    in->controller(96, 127);
    in->render(1);
    EXPECT_EQ(fx.getParameter(P_GAIN), 1.0f);  // live, though never saved

    ASSERT_TRUE(fx.save_midi_assignments());
    EXPECT_EQ(saved(), "default_bank \"" + platform::default_bank_file().string() + "\"\n" +
                           "assign_midi_cc 3 4\nassign_midi_cc 20 26\nassign_midi_cc 60 7\n");
    Kaveos& next = start();
    EXPECT_EQ(assigned_controllers(), (std::vector<int>{3, 20, 60}));
    EXPECT_EQ(next.controller_to_param(96), -1);
}

TEST_F(Prefs, APreferencesFileThatCannotBeReplacedIsLeftAndSaysSo) {
    fs::create_directories(platform::prefs_file());  // a folder in the file's place
    Kaveos& fx = start();
    EXPECT_EQ(fx.controller_to_param(74), P_FILTER_CUTOFF);
    EXPECT_FALSE(fx.save_midi_assignments());
    EXPECT_FALSE(fx.set_default_bank());
    EXPECT_TRUE(fs::is_directory(platform::prefs_file()));
    size_t temporaries = 0;
    for (const auto& e : fs::directory_iterator(platform::data_folder()))
        temporaries += e.path().filename().string().rfind("kvp", 0) == 0 ? 1 : 0;
    EXPECT_EQ(temporaries, 0u);
}

}  // namespace
