// kaveo-bank, run as a user runs it, on banks and sample files made in a temporary folder
// (samples by sox); what it writes is checked with the plug-in's own sound code.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "host_helpers.h"
#include "kaveos_fixture.h"
#include "platform/factory_bank.h"
#include "signal_measure.h"
#include "sound/bank.h"
#include "sound/program_file.h"
#include "tools/kaveo_bank/bank_tool.h"

namespace {

namespace fs = std::filesystem;

test::run_result kaveo_bank(const std::string& arguments) {
    return test::run(std::string(KAVEO_BANK_PATH) + " " + arguments);
}

std::string quoted(const fs::path& p) { return "'" + p.string() + "'"; }

void sox(const std::string& arguments) {
    test::run_result r = test::run("sox " + arguments);
    ASSERT_EQ(r.status, 0) << r.output;
}

// A copy of the embedded factory bank in the folder.
fs::path factory_copy(const test::temp_dir& dir) {
    auto bytes = platform::factory_bank();
    fs::path p = dir.path / "factory.kvb";
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return p;
}

double period_median(const sample_data& s) {
    std::vector<double> p;
    for (const period_entry& e : s.period_map)
        if (e.confidence > 0.75) p.push_back(e.period);
    if (p.empty()) return 0;
    std::nth_element(p.begin(), p.begin() + long(p.size() / 2), p.end());
    return p[p.size() / 2];
}

}  // namespace

TEST(KaveoBank, CreateWritesAnEmptyBankAndKeepsAnExistingOne) {
    test::temp_dir dir;
    fs::path path = dir.path / "new.kvb";
    test::run_result r = kaveo_bank("create " + quoted(path));
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(fs::file_size(path), 252680u);  // 8 + 128 x 15 + 128 x 1959
    bank b;
    ASSERT_TRUE(b.load(path));
    ASSERT_EQ(b.nprogs(), 128);
    for (int i = 0; i < 128; i += 17) {
        EXPECT_EQ(b.program_name(i), "(empty)");
        EXPECT_EQ(b.get_program(i), program());
    }

    // A bank of someone's programs is not overwritten by accident.
    test::write_file(path.string(), test::bytes{'m', 'i', 'n', 'e'});
    r = kaveo_bank("create " + quoted(path));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("already exists"), std::string::npos) << r.output;
    EXPECT_EQ(fs::file_size(path), 4u);
    r = kaveo_bank("create --force " + quoted(path));
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(fs::file_size(path), 252680u);
}

TEST(KaveoBank, BuildsAProgramFromWavAndAiffFiles) {
    test::temp_dir dir;
    fs::path path = dir.path / "b.kvb";
    ASSERT_EQ(kaveo_bank("create " + quoted(path)).status, 0);
    // Stereo 16-bit WAV: the left channel (220 Hz) is the sample, not the right (330 Hz).
    sox("-n -r 44100 -b 16 -c 2 " + quoted(dir.path / "low.wav") + " synth 1 sine 220 sine 330 vol 0.5");
    // Mono 24-bit AIFF at 48 kHz.
    sox("-n -r 48000 -b 24 -c 1 " + quoted(dir.path / "high tone.aiff") + " synth 0.5 sine 880 vol 0.5");

    test::run_result r = kaveo_bank(
        "build " + quoted(path) + " 5 --name 'Two Tones' --wave-name Tones" +
        " --slot 0:" + quoted(dir.path / "low.wav") + ":0-59" +
        " --slot 3:" + quoted(dir.path / "high tone.aiff") + ":C5-G9" +
        " --xpose 3:-12 --finetune 3:30 --param 'filter type=0.3' --param 34=0.75");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("Two Tones"), std::string::npos) << r.output;

    bank b;
    ASSERT_TRUE(b.load(path));
    ASSERT_EQ(b.nprogs(), 128);
    EXPECT_EQ(b.program_name(5), "Two Tones");
    EXPECT_EQ(b.program_name(4), "(empty)");
    EXPECT_EQ(b.get_program(6), program());
    program p = b.get_program(5);
    EXPECT_EQ(p.name, "Two Tones");
    EXPECT_EQ(p.waves.names[0], "Tones");
    EXPECT_EQ(p.waves.names[1], "");
    const waveform& w = p.waves.waves[0];
    EXPECT_EQ(w.names[0], "low.wav");
    EXPECT_EQ(w.names[3], "high tone.aiff");
    EXPECT_EQ(w.names[1], "(empty)");

    const sample_data& low = w.samples[0];
    EXPECT_EQ(low.frames, 44100);
    EXPECT_EQ(low.rate, 44100);
    EXPECT_EQ(low.xpose, 0);
    EXPECT_EQ(low.finetune, 0);
    EXPECT_NEAR(measure::peak(measure::to_double(low.data), 0, 44100), 0.5, 0.01);
    // Analysed at the left channel's pitch: 44100 / 220 frames per period.
    EXPECT_NEAR(period_median(low), 44100.0 / 220.0, 0.5);
    std::vector<double> spacing;
    for (size_t i = 1; i < low.pitch_marks.size(); ++i) spacing.push_back(low.pitch_marks[i] - low.pitch_marks[i - 1]);
    ASSERT_GT(spacing.size(), 200u);
    std::nth_element(spacing.begin(), spacing.begin() + long(spacing.size() / 2), spacing.end());
    EXPECT_NEAR(spacing[spacing.size() / 2], 44100.0 / 220.0, 0.1);

    const sample_data& high = w.samples[3];
    EXPECT_EQ(high.frames, 24000);
    EXPECT_EQ(high.rate, 48000);
    EXPECT_EQ(high.xpose, -12);
    EXPECT_EQ(high.finetune, 30);
    EXPECT_NEAR(period_median(high), 48000.0 / 880.0, 0.2);

    // Named keys play their slots; the gap between them goes to the nearer one.
    for (int k = 0; k <= 59; ++k) EXPECT_EQ(w.keymap[size_t(k)], 0) << k;
    for (int k = 72; k <= 127; ++k) EXPECT_EQ(w.keymap[size_t(k)], 3) << k;
    for (int k = 60; k <= 65; ++k) EXPECT_EQ(w.keymap[size_t(k)], 0) << k;
    for (int k = 66; k <= 71; ++k) EXPECT_EQ(w.keymap[size_t(k)], 3) << k;

    timbre fresh;
    for (int i = 0; i < NUM_PARAMS; ++i) {
        float want = i == P_FILTER_TYPE ? 0.3f : i == P_GAIN ? 0.75f : fresh.value(i);
        EXPECT_EQ(p.params.value(i), want) << i;
    }

    // And it plays: slot 0 under key 57 (A3) sounds at 220 Hz.
    test::instrument in;
    p.waves.set_play_rate(in.fx->sample_rate());
    in.fx->set_wavetable(p.waves);
    for (int i = 0; i < NUM_PARAMS; ++i) in.fx->setParameter(i, p.params.value(i));
    in.choose(P_FILTER_TYPE, 0, 7);
    in.note_on(57, 100);
    auto out = in.render(22050);
    std::vector<double> left = measure::to_double(out.left);
    EXPECT_GT(measure::rms(left, 2000, 20000), 0.01);
    EXPECT_NEAR(measure::zero_crossing_hz(left, 44100.0, 2000), 220.0, 1.0);
}

TEST(KaveoBank, ExportAndImportCarryAProgramBetweenBanks) {
    test::temp_dir dir;
    fs::path factory = factory_copy(dir), mine = dir.path / "mine.kvb", kvp = dir.path / "marimba.kvp";
    ASSERT_EQ(kaveo_bank("create " + quoted(mine)).status, 0);

    bank fb;
    ASSERT_TRUE(fb.load(factory));
    int index = 30;
    program original = fb.get_program(index);
    ASSERT_EQ(original.name, "Marimba");

    test::run_result r = kaveo_bank("export " + quoted(factory) + " 30 " + quoted(kvp));
    ASSERT_EQ(r.status, 0) << r.output;
    program exported;
    read_program_file(kvp, exported);
    EXPECT_EQ(exported, original);
    EXPECT_EQ(fs::file_size(kvp), size_t(original.record_size()));

    r = kaveo_bank("import " + quoted(mine) + " 9 " + quoted(kvp));
    ASSERT_EQ(r.status, 0) << r.output;
    bank b;
    ASSERT_TRUE(b.load(mine));
    EXPECT_EQ(b.program_name(9), "Marimba");
    EXPECT_EQ(b.get_program(9), original);
    EXPECT_EQ(b.get_program(8), program());
    EXPECT_EQ(b.get_program(10), program());
}

TEST(KaveoBank, ListShowsEveryProgramWithItsVersion) {
    test::temp_dir dir;
    fs::path factory = factory_copy(dir);
    test::run_result r = kaveo_bank("list " + quoted(factory));
    ASSERT_EQ(r.status, 0) << r.output;
    bank b;
    ASSERT_TRUE(b.load(factory));
    for (int i : {0, 64, 127}) {
        std::string line = std::to_string(i) + "  " + b.program_name(i);
        size_t at = r.output.find(line);
        ASSERT_NE(at, std::string::npos) << line;
        std::string rest = r.output.substr(at, r.output.find('\n', at) - at);
        EXPECT_NE(rest.find(" " + std::to_string(b.lengths()[size_t(i)]) + "  0x300"), std::string::npos) << rest;
    }
    EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 130);  // heading, 128, total
    EXPECT_NE(r.output.find("128 programs, " + std::to_string(fs::file_size(factory)) + " bytes"),
              std::string::npos);

    // Storing into the factory bank rewrites every record in the current version.
    fs::path kvp = dir.path / "p.kvp";
    ASSERT_EQ(kaveo_bank("export " + quoted(factory) + " 3 " + quoted(kvp)).status, 0);
    ASSERT_EQ(kaveo_bank("import " + quoted(factory) + " 100 " + quoted(kvp)).status, 0);
    r = kaveo_bank("list " + quoted(factory));
    EXPECT_EQ(r.output.find("0x300"), std::string::npos);
    EXPECT_NE(r.output.find("100  Dyno Tine"), std::string::npos) << r.output;

    // A bank cut short says so.
    fs::resize_file(factory, fs::file_size(factory) - 1000);
    r = kaveo_bank("list " + quoted(factory));
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("ends before its last program"), std::string::npos) << r.output;
}

TEST(KaveoBank, WrongUsageAndBadFilesChangeNothing) {
    test::temp_dir dir;
    fs::path path = dir.path / "b.kvb";
    ASSERT_EQ(kaveo_bank("create " + quoted(path)).status, 0);
    sox("-n -r 44100 -b 16 " + quoted(dir.path / "s.wav") + " synth 0.2 sine 440");
    test::write_file((dir / "text.wav"), test::bytes{'h', 'e', 'l', 'l', 'o'});
    test::write_file((dir / "junk.kvp"), test::bytes{0x08, 0x08, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F});
    test::bytes before = test::read_file(path.string());
    std::string b = quoted(path), s = quoted(dir.path / "s.wav");

    struct use {
        std::string arguments;
        int status;
        std::string message;
    };
    const use cases[] = {
        {"", 2, "usage: kaveo-bank"},
        {"frobnicate " + b, 2, "unknown command"},
        {"list", 2, "wants list BANK"},
        {"build " + b + " 1 --slot 0:" + s + ":0-127", 2, "--name"},
        {"build " + b + " 1 --name 'A name far too long to show' --slot 0:" + s + ":0-127", 2, "23 characters"},
        {"build " + b + " 1 --name x", 2, "--slot"},
        {"build " + b + " 1 --name x --slot 8:" + s + ":0-127", 2, "slot must be 0 to 7"},
        {"build " + b + " 1 --name x --slot 0:" + s, 2, "SLOT:FILE:KEYS"},
        {"build " + b + " 1 --name x --slot 0:" + s + ":0-60 --slot 1:" + s + ":60-127", 2, "key 60"},
        {"build " + b + " 1 --name x --slot 0:" + s + ":0-60 --slot 0:" + s + ":61", 2, "given twice"},
        {"build " + b + " 1 --name x --slot 0:" + s + ":H3", 2, "not a key"},
        {"build " + b + " 1 --name x --slot 0:" + s + ":60-20", 2, "backwards"},
        {"build " + b + " 1 --name x --slot 0:" + s + ":0-200", 2, "0 to 127"},
        {"build " + b + " 1 --name x --slot 0:" + s + ":0-127 --xpose 0:25", 2, "-24 to 24"},
        {"build " + b + " 1 --name x --slot 0:" + s + ":0-127 --xpose 2:3", 2, "no --slot fills"},
        {"build " + b + " 1 --name x --slot 0:" + s + ":0-127 --finetune 0:-1", 2, "0 to 100"},
        {"build " + b + " 1 --name x --slot 0:" + s + ":0-127 --param 'Filter cutof=0.5'", 2, "no parameter"},
        {"build " + b + " 1 --name x --slot 0:" + s + ":0-127 --param 26=1.5", 2, "0 to 1"},
        {"build " + b + " 1 --name x --slot 0:" + s + ":0-127 --param 87=0.5", 2, "0 to 86"},
        {"build " + b + " 128 --name x --slot 0:" + s + ":0-127", 1, "no program 128"},
        {"build " + b + " -1 --name x --slot 0:" + s + ":0-127", 2, "does not know -1"},
        {"build " + b + " 1 --name x --slot 0:" + quoted(dir.path / "none.wav") + ":0-127", 1, "no such file"},
        {"build " + b + " 1 --name x --slot 0:" + quoted(dir.path / "text.wav") + ":0-127", 1, "not recognized"},
        {"build " + quoted(dir.path / "none.kvb") + " 1 --name x --slot 0:" + s + ":0-127", 1, "no such file"},
        {"build " + s + " 1 --name x --slot 0:" + s + ":0-127", 1, "not a bank file"},
        {"import " + b + " 3 " + quoted(dir.path / "junk.kvp"), 1, "not a program file"},
        {"import " + b + " 3 " + quoted(dir.path / "none.kvp"), 1, "no such file"},
        {"export " + b + " x " + quoted(dir.path / "o.kvp"), 2, "whole number"},
        {"show " + b + " 300", 1, "holds programs 0 to 127"},
    };
    for (const use& u : cases) {
        test::run_result r = kaveo_bank(u.arguments);
        EXPECT_EQ(r.status, u.status) << u.arguments << "\n" << r.output;
        EXPECT_NE(r.output.find(u.message), std::string::npos) << u.arguments << "\n" << r.output;
        EXPECT_TRUE(test::read_file(path.string()) == before) << u.arguments;
    }
    EXPECT_FALSE(fs::exists(dir.path / "o.kvp"));

    test::run_result help = kaveo_bank("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("build BANK INDEX"), std::string::npos);
}

TEST(KaveoBank, AFolderItCannotWriteLeavesTheBankAsItWas) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    test::temp_dir dir;
    fs::path folder = dir.path / "ro", path = folder / "b.kvb";
    fs::create_directories(folder);
    ASSERT_EQ(kaveo_bank("create " + quoted(path)).status, 0);
    sox("-n -r 44100 -b 16 " + quoted(dir.path / "s.wav") + " synth 0.2 sine 440");
    test::bytes before = test::read_file(path.string());
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    test::run_result r = kaveo_bank("build " + quoted(path) + " 1 --name x --slot 0:" +
                                    quoted(dir.path / "s.wav") + ":0-127");
    fs::permissions(folder, fs::perms::owner_all);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("cannot write into"), std::string::npos) << r.output;
    EXPECT_TRUE(test::read_file(path.string()) == before);
}

TEST(KaveoBank, KeysByNumberNameAndRange) {
    using bank_tool::parse_key;
    using bank_tool::parse_keys;
    EXPECT_EQ(parse_key("60"), 60);
    EXPECT_EQ(parse_key("C4"), 60);
    EXPECT_EQ(parse_key("c4"), 60);
    EXPECT_EQ(parse_key("F#3"), 54);
    EXPECT_EQ(parse_key("Bb2"), 46);
    EXPECT_EQ(parse_key("C0"), 12);
    EXPECT_EQ(parse_key("G9"), 127);
    EXPECT_EQ(parse_keys("0-3,C4,126-127"), (std::vector<int>{0, 1, 2, 3, 60, 126, 127}));
    EXPECT_EQ(parse_keys("B3-C#4"), (std::vector<int>{59, 60, 61}));
    for (const char* bad : {"", "128", "G#9", "H1", "C", "C-1", "4x", "-1", "C4-", "1,,2"})
        EXPECT_THROW(parse_keys(bad), bank_tool::tool_error) << bad;
}

TEST(KaveoBank, AWriteThatFailsHalfwayLeavesTheBankAsItWas) {
    // A file size limit stands in for a full disk: the rewritten bank cannot be finished.
    test::temp_dir dir;
    fs::path path = dir.path / "b.kvb";
    ASSERT_EQ(kaveo_bank("create " + quoted(path)).status, 0);
    sox("-n -r 44100 -b 16 " + quoted(dir.path / "s.wav") + " synth 0.2 sine 440");
    test::bytes before = test::read_file(path.string());
    test::run_result r = test::run("sh -c \"trap '' XFSZ; ulimit -f 100; " + std::string(KAVEO_BANK_PATH) +
                                   " build " + quoted(path) + " 1 --name x --slot 0:" +
                                   quoted(dir.path / "s.wav") + ":0-127\"");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("could not rewrite"), std::string::npos) << r.output;
    EXPECT_TRUE(test::read_file(path.string()) == before);
    for (const auto& entry : fs::directory_iterator(dir.path))
        EXPECT_NE(entry.path().filename().string().rfind("kvp", 0), 0u) << "left behind: " << entry.path();
}
