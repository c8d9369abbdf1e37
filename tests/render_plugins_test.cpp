// kaveo-render with real instruments: amsynth (Debian's Linux VST 2.x synth) for timing and
// pitch, Kaveo for loading and a clean render, and the command line end to end.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "host/midi_file.h"
#include "host/note_list.h"
#include "host/renderer.h"
#include "tests/host_helpers.h"

namespace {

using test::operator+;

const char* const amsynth_path = "/usr/lib/vst/amsynth_vst.so";

struct rendered {
    std::vector<float> left, right;
    host::render_summary summary;
};

rendered render(host::plugin& p, const host::midi_song& song, const host::render_settings& s) {
    host::renderer r(p, s);
    rendered out;
    out.summary = r.render(song, [&](const float* const* ch, int frames) {
        out.left.insert(out.left.end(), ch[0], ch[0] + frames);
        out.right.insert(out.right.end(), ch[r.channels() - 1], ch[r.channels() - 1] + frames);
    });
    return out;
}

// Format 1 at 480 per quarter: 120 bpm, then 90 bpm from beat 2 (1 s). A4 at 0.25 s,
// C5 at 1.3333 s, E4 at 2 s; each note ends half a beat later, E4 a beat later.
test::bytes tempo_song() {
    test::bytes conductor = {0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,
                             0x87, 0x40, 0xFF, 0x51, 0x03, 0x0A, 0x2C, 0x2B,  // 666667 us
                             0x00, 0xFF, 0x2F, 0x00};
    test::bytes notes = {0x81, 0x70, 0x90, 69, 100,  // tick 240
                         0x81, 0x70, 0x80, 69, 0,    // 480
                         0x85, 0x50, 0x90, 72, 100,  // 1200
                         0x81, 0x70, 0x80, 72, 0,    // 1440
                         0x81, 0x70, 0x90, 64, 100,  // 1680
                         0x83, 0x60, 0x80, 64, 0,    // 2160
                         0x00, 0xFF, 0x2F, 0x00};
    return test::smf_header(1, 2, 480) + test::smf_track(conductor) + test::smf_track(notes);
}

struct Amsynth : ::testing::Test {
    test::private_home home;
    std::unique_ptr<host::plugin> p;
    void SetUp() override {
        if (!std::filesystem::exists(amsynth_path))
            GTEST_SKIP() << "amsynth is not installed (tools/deps.sh installs it)";
        // Kept mapped after the host unloads it, so the leak checker can tell its leaks.
        static void* pin = dlopen(amsynth_path, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        (void)pin;
        std::string error;
        p = host::plugin::load(amsynth_path, error);
        ASSERT_TRUE(p) << error;
    }
};

TEST_F(Amsynth, MidiFileNotesSoundAtTheirTimesAndPitches) {
    test::bytes file = tempo_song();
    host::midi_song song = host::parse_midi(file.data(), file.size());
    host::render_settings settings;
    settings.sample_rate = 48000;
    settings.block_size = 512;
    settings.tail_seconds = 0.5;
    rendered out = render(*p, song, settings);
    ASSERT_EQ(out.left.size(), size_t(host::frame_at(song.end_seconds, 48000) + 24000));

    struct {
        int64_t start, end;
        double hz;
    } notes[] = {{12000, 24000, 440.0}, {64000, 80000, 523.25}, {96000, 128000, 329.63}};
    int64_t from = 0;
    for (auto& n : notes) {
        SCOPED_TRACE(n.hz);
        // The onset: the first loud frame after 10 ms of quiet. Blocks are 512 frames, so
        // an event played at its block's start would land up to 511 frames early.
        int64_t onset = test::onset_after(out.left, from, 0.01, 480);
        EXPECT_GE(onset, n.start);
        EXPECT_LE(onset, n.start + 96);  // the attack of amsynth's default sound: 0.5 ms
        EXPECT_NEAR(test::frequency_of(out.left, onset + 2400, n.end, 48000), n.hz, n.hz * 0.02);
        EXPECT_GT(test::rms_of(out.left, onset, n.end), 0.05);
        // After the note-off the sound stops quickly (release 0.5 ms).
        EXPECT_LT(test::rms_of(out.left, n.end + 480, n.end + 4800), 1e-3);
        from = n.end;
    }
    EXPECT_EQ(test::onset_after(out.left, from, 0.01, 480), -1);
    EXPECT_GT(out.summary.peak, 0.1);
    EXPECT_LE(out.summary.peak, 1.0);
    EXPECT_EQ(out.summary.notes, 3);
}

TEST_F(Amsynth, NotesInTheSameBlockKeepTheirOffsets) {
    // Two notes 5 ms apart inside one 2048-frame block.
    host::midi_song song = host::parse_note_list("57:0.100s:0.005s, 57:0.110s:0.05s", 120);
    host::render_settings settings;
    settings.sample_rate = 48000;
    settings.block_size = 2048;
    settings.tail_seconds = 0.1;
    rendered out = render(*p, song, settings);
    int64_t first = test::onset_after(out.left, 0, 0.01, 240);
    int64_t second = test::onset_after(out.left, first + 240 + 50, 0.01, 100);
    EXPECT_GE(first, 4800);
    EXPECT_LE(first, 4800 + 96);
    EXPECT_GE(second, 5280);
    EXPECT_LE(second, 5280 + 96);
}

TEST_F(Amsynth, ProgramChangesReachThePlugIn) {
    host::midi_song song = host::parse_note_list("60:0.1s:0.1s", 120);
    host::midi_message change;
    change.bytes[0] = 0xC0;
    change.bytes[1] = 5;
    change.size = 2;
    song.messages.insert(song.messages.begin(), change);
    host::render_settings settings;
    settings.tail_seconds = 0.1;
    rendered out = render(*p, song, settings);
    EXPECT_EQ(out.summary.program_changes, 1);
    EXPECT_EQ(p->dispatch(effGetProgram), 5);
}

TEST(KaveoRender, KaveoLoadsAndRendersCleanly) {
    test::private_home home;
    std::string error;
    auto p = host::plugin::load(KAVEO_PLUGIN_PATH, error);
    ASSERT_TRUE(p) << error;
    host::render_settings settings;
    settings.sample_rate = 48000;
    settings.block_size = 300;
    settings.tail_seconds = 0.5;
    host::midi_song song = host::parse_note_list("C4:0:1,E4:1:1:90,G4:2:2:60", 120);
    rendered out = render(*p, song, settings);
    EXPECT_EQ(out.left.size(), size_t(2.5 * 48000));
    for (size_t i = 0; i < out.left.size(); ++i) {
        ASSERT_TRUE(std::isfinite(out.left[i]) && std::isfinite(out.right[i])) << i;
        ASSERT_LE(std::fabs(out.left[i]), 1.0f) << i;
    }
    EXPECT_EQ(out.summary.notes, 3);
    EXPECT_TRUE(out.summary.warnings.empty());
}

// The program itself, as a user runs it.
struct Command : ::testing::Test {
    test::private_home home;
    test::temp_dir dir;
    std::string program = KAVEO_RENDER_PATH;
    test::run_result kaveo_render(const std::string& arguments) {
        return test::run("'" + program + "' " + arguments);
    }
    std::string sox_info(const std::string& flag, const std::string& path) {
        test::run_result r = test::run("sox --i " + flag + " '" + path + "'");
        return r.output.substr(0, r.output.find('\n'));
    }
};

TEST_F(Command, RendersANoteListAndSaysWhatItDid) {
    std::string out = dir / "notes.wav";
    test::run_result r = kaveo_render("-p '" KAVEO_PROBE_PATH "'"
                                      " --notes 'A4:0:1,C5:1:1:80' -r 48000 -b 128 -f 24"
                                      " --tail 0.5 -o '" + out + "'");
    ASSERT_EQ(r.status, 0) << r.output;
    // The test instrument: 0.25 while a note is held, so the RMS of the left channel over
    // 1.5 s and of the right one, silent but for two impulses, is -16.8 dBFS.
    for (const char* line : {"Plug-in    Probe", "24-bit PCM, 48000 Hz, stereo",
                             "Duration   1.500 s (song 1.000 s, tail 0.500 s)",
                             "Events     4 (2 notes, 0 program changes)",
                             "Peak       -2.1 dBFS", "RMS        -16.8 dBFS", "x real time"})
        EXPECT_NE(r.output.find(line), std::string::npos) << line << "\n" << r.output;
    EXPECT_EQ(sox_info("-r", out), "48000");
    EXPECT_EQ(sox_info("-c", out), "2");
    EXPECT_EQ(sox_info("-b", out), "24");
    EXPECT_EQ(sox_info("-s", out), "72000");
}

TEST_F(Command, RendersAMidiFileBesideIt) {
    std::string song = dir / "song.mid";
    test::write_file(song, tempo_song());
    test::run_result r = kaveo_render("-q -p '" KAVEO_PROBE_PATH "' -f float --stop-on-silence '" +
                                      song + "'");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(r.output, "");
    EXPECT_EQ(sox_info("-e", dir / "song.wav"), "Floating Point PCM");
}

TEST_F(Command, FailuresExplainThemselvesAndLeaveNoFile) {
    std::string song = dir / "broken.mid";
    test::bytes file = tempo_song();
    file.resize(file.size() - 10);
    test::write_file(song, file);
    test::run_result r = kaveo_render("-p '" KAVEO_PROBE_PATH "' '" + song + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("broken.mid: MIDI file: track 2 at byte"), std::string::npos) << r.output;
    EXPECT_FALSE(std::filesystem::exists(dir / "broken.wav"));

    r = kaveo_render("-p '" KAVEO_PROBE_PATH "' -o '" + song + "' '" + song + "'");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.output.find("is the song itself"), std::string::npos) << r.output;
    EXPECT_EQ(test::read_file(song), file);

    r = kaveo_render("-p '" + dir / "none.so" + "' --notes 60:0:1 -o '" + dir / "x.wav" + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("cannot load"), std::string::npos) << r.output;

    struct {
        const char* arguments;
        const char* message;
    } misuse[] = {{"--bogus", "unknown option --bogus"},
                  {"", "no song given"},
                  {"a.mid --notes 60:0:1", "not both"},
                  {"a.mid b.mid", "more than one song"},
                  {"--notes 60:0:1 --rate fast", "--rate needs a number"},
                  {"--notes 60:0:1 --block 0", "--block needs a whole number"},
                  {"--notes 60:0:1 --format 8", "--format must be 16, 24 or float"},
                  {"--notes 60:0:1 --tail", "--tail needs a value"}};
    for (auto& m : misuse) {
        r = kaveo_render(m.arguments);
        EXPECT_EQ(r.status, 2) << m.arguments;
        EXPECT_NE(r.output.find(m.message), std::string::npos) << m.arguments << ": " << r.output;
    }
    r = kaveo_render("-p '" KAVEO_PROBE_PATH "' --notes 60:0:1 --rate 100 -o '" + dir / "y.wav" + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("sample rate must be between"), std::string::npos) << r.output;
}

TEST_F(Command, HelpAndInfo) {
    test::run_result r = kaveo_render("--help");
    EXPECT_EQ(r.status, 0);
    for (const char* text : {"--notes LIST", "KEY:START:LENGTH[:VELOCITY]", "--format", "--tail",
                             "--stop-on-silence", "--rate", "--block"})
        EXPECT_NE(r.output.find(text), std::string::npos) << text;
    r = kaveo_render("--info '" KAVEO_PROBE_PATH "'");
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("Unique ID:       kPrb"), std::string::npos) << r.output;
}

}  // namespace
