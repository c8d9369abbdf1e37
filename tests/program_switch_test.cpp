// The current program through the plug-in: switching with its overlays, names for the
// host, clipboard, reset, program files and storing into the bank file.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <cstring>
#include <memory>

#include "platform/paths.h"
#include "program_fixture.h"
#include "signal_measure.h"
#include "sound/program_file.h"
#include "sound_test_util.h"
#include "temp_dir.h"

namespace {

namespace fs = std::filesystem;

std::vector<double> to_double(const std::vector<float>& v) { return {v.begin(), v.end()}; }

// An instrument whose default bank holds numbered_programs(8).
struct Programs : ::testing::Test {
    test::scoped_data_home home;
    fs::path bank_file;
    std::unique_ptr<test::instrument> in;
    test::recording_editor* editor = nullptr;

    Programs() {
        bank_file = platform::default_bank_file();
        write_bank_file(bank_file, test::numbered_programs(8));
        in = std::make_unique<test::instrument>();
        editor = new test::recording_editor(in->fx.get());
    }
    Kaveos& fx() { return *in->fx; }
    std::string name_for_host(int index) {
        char text[64];
        std::strcpy(text, "untouched");
        in->dispatch(effGetProgramNameIndexed, index, -1, text);
        return text;
    }
};

TEST_F(Programs, StartOnProgramZeroOfTheDefaultBank) {
    EXPECT_EQ(fx().getProgram(), 0);
    EXPECT_EQ(fx().current().name, "P0");
    EXPECT_TRUE(fx().is_program_loaded());
    EXPECT_EQ(fx().active_bank().path(), bank_file);
    EXPECT_EQ(fx().active_bank().nprogs(), 8);
    // The default bank becomes the preferences' default in memory only.
    EXPECT_EQ(fx().settings().default_bank, bank_file.string());
    EXPECT_FALSE(fs::exists(platform::prefs_file()));
}

TEST_F(Programs, AnIndexOutsideTheTableCutsNotesAndLeavesTheRest) {
    test::plain_patch(*in, 2);
    in->choose(P_DELAY_ON, 1, 2);
    in->set(P_DELAY_FEEDBACK, 0.6f);
    in->set(P_DELAY_WET, 1.0f);
    in->set(P_DELAY_LENGTH, 0.1f);  // 0.1 s
    in->choose(P_DELAY_SYNC, 0, 2);
    in->note_on(60);
    in->render(8192);
    ASSERT_EQ(in->active_voices(), 1);
    const float cutoff = fx().getParameter(P_FILTER_CUTOFF);
    fx().setProgram(128);
    EXPECT_EQ(in->active_voices(), 0);
    EXPECT_EQ(fx().getProgram(), 0);
    EXPECT_EQ(fx().getParameter(P_FILTER_CUTOFF), cutoff);
    EXPECT_EQ(fx().getParameter(P_DELAY_ON), choice_to_value(1, 2));
    // The echoes go on: the delay lines were not cleared.
    auto echoes = in->render(8192);
    EXPECT_GT(measure::peak(to_double(echoes.left), 0, 8192), 0.01);
    // A real switch clears them (and program 1 has the delay off anyway).
    fx().setProgram(1);
    in->choose(P_DELAY_ON, 1, 2);
    auto after = in->render(8192);
    EXPECT_EQ(measure::peak(to_double(after.left), 0, 8192), 0.0);
}

TEST_F(Programs, EditedValuesSurviveASwitchButNotNamesOrSamples) {
    fx().setProgram(3);
    in->set(P_FILTER_CUTOFF, 0.125f);
    fx().rename_program(3, "Renamed");
    wavetable sets;
    sets.waves[0] = test::one_sample_set(test::sine_sample(441.0, 0.1));
    fx().set_wavetable(sets);
    fx().setProgram(4);
    EXPECT_TRUE(fx().active_bank().storedt(3));
    EXPECT_EQ(fx().getParameter(P_FILTER_CUTOFF), param_info(P_FILTER_CUTOFF).initial);
    fx().setProgram(3);
    EXPECT_EQ(fx().getParameter(P_FILTER_CUTOFF), 0.125f);
    EXPECT_FLOAT_EQ(fx().getParameter(P_GAIN), 0.03f);
    EXPECT_EQ(fx().current().name, "P3");
    EXPECT_EQ(fx().current().waves.waves[0].samples[0].frames, 0);
    // Every switch pushes all 87 values to the host.
    in->host.automation.clear();
    fx().setProgram(5);
    ASSERT_EQ(in->host.automation.size(), size_t(NUM_PARAMS));
    for (int i = 0; i < NUM_PARAMS; ++i) EXPECT_EQ(in->host.automation[size_t(i)].first, i);
    EXPECT_FLOAT_EQ(in->host.automation[P_GAIN].second, 0.05f);
}

TEST_F(Programs, SelectingTheCurrentProgramAgainDiscardsItsEdits) {
    fx().setProgram(3);
    in->set(P_FILTER_CUTOFF, 0.125f);
    fx().setProgram(3);
    EXPECT_EQ(fx().getParameter(P_FILTER_CUTOFF), param_info(P_FILTER_CUTOFF).initial);
    EXPECT_FALSE(fx().active_bank().storedt(3));
}

TEST_F(Programs, NamesForTheHost) {
    for (int i = 1; i < 8; ++i) EXPECT_EQ(name_for_host(i), "P" + std::to_string(i));
    // Beyond the bank's programs but inside the table: an empty name, answered.
    char text[32] = "x";
    EXPECT_EQ(in->dispatch(effGetProgramNameIndexed, 100, -1, text), 1);
    EXPECT_STREQ(text, "");
    std::strcpy(text, "keep");
    EXPECT_EQ(in->dispatch(effGetProgramNameIndexed, 128, -1, text), 0);
    EXPECT_STREQ(text, "keep");
    // The current index answers the name being edited, cut to the host's 24 bytes.
    fx().rename_program(0, "A rather long program name indeed");
    EXPECT_EQ(name_for_host(0), std::string("A rather long program name indeed").substr(0, 23));
    EXPECT_EQ(fx().active_bank().program_name(0), "P0");
}

TEST_F(Programs, CopyProgramTakesTheValuesAndKeepsTheDestinationsNameAndSamples) {
    fx().setProgram(1);
    in->set(P_FILTER_CUTOFF, 0.75f);
    EXPECT_EQ(in->dispatch(effCopyProgram, 2), 1);
    EXPECT_EQ(in->dispatch(effCopyProgram, 128), 0);
    EXPECT_EQ(in->dispatch(effCopyProgram, -1), 0);
    fx().setProgram(2);
    EXPECT_EQ(fx().current().name, "P2");
    EXPECT_EQ(fx().getParameter(P_FILTER_CUTOFF), 0.75f);
    EXPECT_EQ(fx().getParameter(P_GAIN), 0.01f);  // program 1's
    EXPECT_EQ(fx().current().waves.waves[0].samples[0].frames, 22050);
}

TEST_F(Programs, RenameReachesOnlyTheCurrentProgram) {
    fx().rename_program(5, "Other");
    EXPECT_EQ(fx().current().name, "P0");
    EXPECT_EQ(editor->full_redraws, 0);
    fx().rename_program(0, "Mine");
    EXPECT_EQ(fx().current().name, "Mine");
    EXPECT_EQ(editor->full_redraws, 1);
    char text[32];
    in->dispatch(effGetProgramName, 0, 0, text);
    EXPECT_STREQ(text, "Mine");
}

TEST_F(Programs, CopyPasteAndReset) {
    fx().paste_current_program();  // nothing copied yet
    EXPECT_EQ(fx().current().name, "P0");
    EXPECT_EQ(editor->bank_changes, 0);
    EXPECT_FALSE(fx().has_clipboard());

    fx().setProgram(2);
    in->set(P_FILTER_CUTOFF, 0.3f);
    fx().copy_current_program();
    const program copied = fx().current();
    fx().setProgram(5);
    test::plain_patch(*in, 2);
    in->note_on(60);
    in->render(256);
    editor->program_updates = 0;
    fx().paste_current_program();
    EXPECT_TRUE(test::same_stored(fx().current(), copied));
    EXPECT_EQ(fx().getParameter(P_FILTER_CUTOFF), 0.3f);
    EXPECT_EQ(fx().getProgram(), 5);
    EXPECT_EQ(in->active_voices(), 1);  // a paste does not cut the notes
    EXPECT_EQ(editor->bank_changes, 1);
    EXPECT_EQ(editor->program_updates, 1);
    fx().rename_program(5, "changed");
    fx().paste_current_program();  // the clipboard keeps its content
    EXPECT_EQ(fx().current().name, "P2");

    fx().reset_current_program();
    EXPECT_EQ(in->active_voices(), 0);
    EXPECT_EQ(fx().current().name, "(empty)");
    EXPECT_TRUE(fx().current().params == timbre());
    EXPECT_EQ(fx().current().waves.waves[0].samples[0].frames, 0);
    EXPECT_EQ(fx().getProgram(), 5);
    EXPECT_EQ(editor->bank_changes, 3);
    // The reset values are the overlay of program 5 once the user switches away.
    fx().setProgram(6);
    fx().setProgram(5);
    EXPECT_EQ(fx().getParameter(P_GAIN), timbre().value(P_GAIN));
    EXPECT_EQ(fx().current().name, "P5");
}

TEST_F(Programs, APasteAfterARateChangeMakesPlaySamplesForTheNewRate) {
    fx().setProgram(2);
    fx().copy_current_program();
    fx().setSampleRate(48000.0f);
    fx().paste_current_program();
    const waveform& w = fx().current().waves.waves[0];
    EXPECT_EQ(w.play_rate, 48000.0);
    EXPECT_EQ(w.play_samples[0].frames, 24000);  // 22050 frames at 44.1 kHz
    EXPECT_EQ(w.play_samples[0].rate, 48000);
}

TEST_F(Programs, SwitchingMakesPlaySamplesForTheHostRateAndPlaysInTune) {
    in->dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    fx().setProgram(2);
    const waveform& w = fx().current().waves.waves[0];
    EXPECT_EQ(w.play_rate, 48000.0);
    EXPECT_EQ(w.play_samples[0].frames, 24000);
    in->set(P_GAIN, 54.0f / 66.0f);  // 0 dB
    in->note_on(69, 127);
    auto b = in->render(20000);
    auto l = to_double(b.left);
    // A 441 Hz recording played at key 69 sounds at the key's 440 Hz, at the sample's level.
    EXPECT_NEAR(measure::zero_crossing_hz(l, 48000.0, 2000), 440.0, 1.0);
    EXPECT_NEAR(measure::amplitude_at(l, 440.0, 48000.0, 2000, 18000), 0.5 * std::sqrt(0.5), 0.03);
    // A rate change resamples the current program too.
    in->dispatch(effSetSampleRate, 0, 0, nullptr, 22050.0f);
    EXPECT_EQ(fx().current().waves.waves[0].play_samples[0].frames, 11025);
}

TEST_F(Programs, ASampleStoredIntoASlotReachesTheSoundingNoteAtOnce) {
    in->dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    fx().setProgram(2);
    in->set(P_GAIN, 54.0f / 66.0f);  // 0 dB
    in->note_on(69, 127);
    auto before = in->render(4800);
    EXPECT_NEAR(measure::amplitude_at(to_double(before.left), 440.0, 48000.0, 1000, 4800), 0.5 * std::sqrt(0.5), 0.03);
    ASSERT_TRUE(fx().set_slot_sample(0, 0, test::sine_sample(441.0, 1.0, 44100, 0.25), "quiet.wav"));
    const waveform& w = fx().current().waves.waves[0];
    EXPECT_EQ(w.play_samples[0].frames, 48000);
    EXPECT_EQ(w.samples[0].frames, 44100);
    EXPECT_EQ(w.names[0], "quiet.wav");
    auto after = in->render(9600);
    EXPECT_EQ(in->active_voices(), 1);
    EXPECT_NEAR(measure::amplitude_at(to_double(after.left), 440.0, 48000.0, 1000, 9600), 0.25 * std::sqrt(0.5), 0.02);
    for (auto [wave, slot] : {std::pair{2, 0}, std::pair{-1, 0}, std::pair{0, 8}, std::pair{1, -1}})
        EXPECT_FALSE(fx().set_slot_sample(wave, slot, test::sine_sample(100.0, 0.01), "x"));
    EXPECT_EQ(fx().current().waves.waves[1].names[0], "(empty)");
}

TEST_F(Programs, ProgramFilesExportAndImport) {
    test::temp_dir dir;
    fx().setProgram(2);
    in->set(P_FILTER_CUTOFF, 0.4f);
    ASSERT_TRUE(fx().export_program(dir / "mine.kvp"));
    const program exported = fx().current();
    fx().setProgram(4);
    in->note_on(60);
    in->render(64);
    ASSERT_TRUE(fx().import_program(dir / "mine.kvp"));
    EXPECT_TRUE(test::same_stored(fx().current(), exported));
    EXPECT_EQ(fx().current().waves.waves[0].play_samples[0].frames, 22050);
    EXPECT_EQ(fx().getProgram(), 4);
    EXPECT_EQ(in->active_voices(), 1);
    // Not written into the bank: program 4 of the file is still P4.
    EXPECT_EQ(fx().active_bank().program_name(4), "P4");

    // Files that are not program files change nothing.
    const program before = fx().current();
    test::write_file(dir / "text.kvp", {'h', 'e', 'l', 'l', 'o', '\n'});
    EXPECT_FALSE(fx().import_program(dir / "text.kvp"));
    EXPECT_FALSE(fx().import_program(dir / "missing.kvp"));
    EXPECT_FALSE(fx().import_program(dir.path()));
    auto truncated = test::read_file(dir / "mine.kvp");
    truncated.resize(truncated.size() - 10);
    test::write_file(dir / "short.kvp", truncated);
    EXPECT_FALSE(fx().import_program(dir / "short.kvp"));
    EXPECT_EQ(fx().current(), before);
    EXPECT_EQ(in->active_voices(), 1);

    EXPECT_FALSE(fx().export_program(dir / "no-such-folder" / "x.kvp"));
    EXPECT_FALSE(fs::exists(dir / "no-such-folder"));
}

TEST_F(Programs, StoreWritesTheCurrentProgramIntoTheBankFile) {
    fx().setProgram(4);
    in->set(P_FILTER_CUTOFF, 0.625f);
    fx().rename_program(4, "Stored");
    EXPECT_TRUE(fx().store_current_program());
    EXPECT_FALSE(fx().active_bank().storedt(4));
    EXPECT_EQ(editor->bank_changes, 1);
    EXPECT_EQ(fx().active_bank().program_name(4), "Stored");
    bank fresh;
    ASSERT_TRUE(fresh.load(bank_file));
    program p = fresh.get_program(4);
    EXPECT_EQ(p.name, "Stored");
    EXPECT_EQ(p.params.value(P_FILTER_CUTOFF), 0.625f);
    EXPECT_EQ(fresh.get_program(2).waves.waves[0].samples[0].frames, 22050);
    fx().setProgram(3);
    EXPECT_EQ(name_for_host(4), "Stored");
}

TEST_F(Programs, AStoreThatCannotReachTheDiskKeepsTheEditAndSaysSo) {
    fx().setProgram(2);
    in->set(P_FILTER_CUTOFF, 0.625f);
    const auto before = test::read_file(bank_file);
    // A file size limit makes the rewrite fail as a full disk would (and binds root).
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = before.size() / 2;
    auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool stored = fx().store_current_program();
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, old_handler);
    EXPECT_FALSE(stored);
    EXPECT_EQ(test::read_file(bank_file), before);
    size_t temporaries = 0;
    for (const auto& e : fs::directory_iterator(bank_file.parent_path()))
        temporaries += e.path().filename().string().rfind("kvp", 0) == 0 ? 1 : 0;
    EXPECT_EQ(temporaries, 0u);
    // The edit is still the current program's and the bank's overlay.
    EXPECT_EQ(fx().getParameter(P_FILTER_CUTOFF), 0.625f);
    EXPECT_TRUE(fx().active_bank().storedt(2));
    fx().setProgram(3);
    fx().setProgram(2);
    EXPECT_EQ(fx().getParameter(P_FILTER_CUTOFF), 0.625f);
}

TEST_F(Programs, AStoreIntoABankWhoseFolderIsGoneKeepsTheEditAndSaysSo) {
    test::temp_dir dir;
    fs::create_directories(dir / "sub");
    write_bank_file(dir / "sub" / "b.kvb", test::numbered_programs(3));
    ASSERT_TRUE(fx().loadBank(dir / "sub" / "b.kvb"));
    in->set(P_FILTER_CUTOFF, 0.25f);
    // The folder is replaced by a regular file: nothing can be written there now.
    fs::rename(dir / "sub", dir / "moved");
    test::write_file(dir / "sub", {'x'});
    EXPECT_FALSE(fx().store_current_program());
    EXPECT_TRUE(fx().active_bank().storedt(0));
    EXPECT_EQ(test::read_file(dir / "sub"), std::vector<unsigned char>{'x'});
    // An index beyond the file's programs cannot be stored either.
    fs::remove(dir / "sub");
    fs::rename(dir / "moved", dir / "sub");
    fx().setProgram(7);
    EXPECT_FALSE(fx().store_current_program());
    EXPECT_TRUE(fx().active_bank().storedt(7));
    EXPECT_EQ(fx().active_bank().nprogs(), 3);
}

}  // namespace
