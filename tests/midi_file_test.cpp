// Standard MIDI files built byte by byte, and the note list of the command line.
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

#include "host/midi_file.h"
#include "host/note_list.h"
#include "tests/host_helpers.h"

namespace {

using test::bytes;
using test::operator+;

host::midi_song parse(const bytes& b) { return host::parse_midi(b.data(), b.size()); }

struct expected {
    double seconds, beats;
    bytes data;
};

void expect_messages(const host::midi_song& song, const std::vector<expected>& want) {
    ASSERT_EQ(song.messages.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i) {
        const host::midi_message& m = song.messages[i];
        SCOPED_TRACE("message " + std::to_string(i));
        EXPECT_NEAR(m.seconds, want[i].seconds, 1e-12);
        EXPECT_NEAR(m.beats, want[i].beats, 1e-12);
        ASSERT_EQ(m.size, want[i].data.size());
        for (size_t k = 0; k < want[i].data.size(); ++k) EXPECT_EQ(m.bytes[k], want[i].data[k]);
    }
}

TEST(MidiFile, FormatZeroWithRunningStatusAndSkippedEvents) {
    bytes track = {
        0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,  // tempo 500000 us: 120 bpm
        0x00, 0xC0, 0x05,                          // program 5
        0x00, 0x90, 0x3C, 0x64,                    // note on 60
        0x83, 0x60, 0x3C, 0x00,                    // +480: running status, velocity 0
        0x00, 0x40, 0x50,                          // running status again: note on 64
        0x00, 0xB0, 0x07, 0x64,                    // volume
        0x81, 0x70, 0xE0, 0x00, 0x40,              // +240: pitch bend centre
        0x00, 0xD0, 0x20,                          // channel pressure
        0x00, 0xF0, 0x03, 0x7E, 0x7F, 0xF7,        // sysex, skipped
        0x00, 0xFF, 0x01, 0x02, 'h', 'i',          // text, skipped
        0x83, 0x60, 0x80, 0x40, 0x00,              // +480: note off 64
        0x00, 0xFF, 0x2F, 0x00};
    host::midi_song song = parse(test::smf_header(0, 1, 480) + test::smf_track(track));
    expect_messages(song, {{0.0, 0.0, {0xC0, 0x05}},
                           {0.0, 0.0, {0x90, 0x3C, 0x64}},
                           {0.5, 1.0, {0x90, 0x3C, 0x00}},
                           {0.5, 1.0, {0x90, 0x40, 0x50}},
                           {0.5, 1.0, {0xB0, 0x07, 0x64}},
                           {0.75, 1.5, {0xE0, 0x00, 0x40}},
                           {0.75, 1.5, {0xD0, 0x20}},
                           {1.25, 2.5, {0x80, 0x40, 0x00}}});
    EXPECT_DOUBLE_EQ(song.end_seconds, 1.25);
    EXPECT_TRUE(song.warnings.empty());
    // Sample times at two rates.
    EXPECT_EQ(host::frame_at(song.messages[2].seconds, 44100.0), 22050);
    EXPECT_EQ(host::frame_at(song.messages[5].seconds, 44100.0), 33075);
    EXPECT_EQ(host::frame_at(song.messages[7].seconds, 48000.0), 60000);
}

TEST(MidiFile, TempoChangeMidFile) {
    bytes track = {
        0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,        // 120 bpm
        0x00, 0x90, 0x3C, 0x64,                          // tick 0
        0x87, 0x40, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40,  // tick 960 (1 s): 60 bpm
        0x00, 0x80, 0x3C, 0x00,                          // tick 960
        0x83, 0x60, 0x90, 0x3E, 0x64,                    // tick 1440: 1 s + 1 beat at 60
        0x81, 0x70, 0x80, 0x3E, 0x00,                    // tick 1680
        0x00, 0xFF, 0x2F, 0x00};
    host::midi_song song = parse(test::smf_header(0, 1, 480) + test::smf_track(track));
    expect_messages(song, {{0.0, 0.0, {0x90, 0x3C, 0x64}},
                           {1.0, 2.0, {0x80, 0x3C, 0x00}},
                           {2.0, 3.0, {0x90, 0x3E, 0x64}},
                           {2.5, 3.5, {0x80, 0x3E, 0x00}}});
    EXPECT_EQ(host::frame_at(song.messages[2].seconds, 44100.0), 88200);
    EXPECT_EQ(host::frame_at(song.messages[3].seconds, 48000.0), 120000);
    ASSERT_EQ(song.tempo_map.size(), 2u);
    EXPECT_DOUBLE_EQ(song.position_at(0.5).bpm, 120.0);
    EXPECT_DOUBLE_EQ(song.position_at(0.5).beats, 1.0);
    EXPECT_DOUBLE_EQ(song.position_at(1.5).bpm, 60.0);
    EXPECT_DOUBLE_EQ(song.position_at(1.5).beats, 2.5);
    EXPECT_DOUBLE_EQ(song.seconds_at_beats(3.5), 2.5);
}

TEST(MidiFile, FormatOneMergesTracksAndKeepsTheTimeSignatures) {
    bytes conductor = {
        0x00, 0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08,  // 3/4
        0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,        // 120 bpm
        0x84, 0x40, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08,  // beat 6: 4/4
        0x00, 0xFF, 0x2F, 0x00};
    bytes piano = {0x00, 0x90, 0x3C, 0x64, 0x60, 0x80, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00};
    bytes bass = {0x60, 0x91, 0x40, 0x64, 0x60, 0x81, 0x40, 0x40,
                  0x8F, 0x00, 0xFF, 0x2F, 0x00};  // ends 1920 ticks after its last note
    host::midi_song song = parse(test::smf_header(1, 3, 96) + test::smf_track(conductor) +
                                 test::smf_track(piano) + test::smf_track(bass));
    // At tick 96 the piano's note-off (track 2) comes before the bass's note-on (track 3).
    expect_messages(song, {{0.0, 0.0, {0x90, 0x3C, 0x64}},
                           {0.5, 1.0, {0x80, 0x3C, 0x40}},
                           {0.5, 1.0, {0x91, 0x40, 0x64}},
                           {1.0, 2.0, {0x81, 0x40, 0x40}}});
    EXPECT_EQ(song.messages[1].track, 2);
    EXPECT_EQ(song.messages[2].track, 3);
    EXPECT_DOUBLE_EQ(song.end_seconds, 11.0);

    host::song_position p = song.position_at(2.25);  // beat 4.5 in 3/4
    EXPECT_EQ(p.numerator, 3);
    EXPECT_EQ(p.denominator, 4);
    EXPECT_DOUBLE_EQ(p.bar_start_beats, 3.0);
    p = song.position_at(3.0);  // beat 6, the change to 4/4
    EXPECT_EQ(p.numerator, 4);
    EXPECT_DOUBLE_EQ(p.bar_start_beats, 6.0);
    p = song.position_at(5.5);  // beat 11
    EXPECT_DOUBLE_EQ(p.bar_start_beats, 10.0);
}

TEST(MidiFile, SmpteDivisionCountsSeconds) {
    bytes track = {0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40,  // 60 bpm, for the beats
                   0x00, 0x90, 0x3C, 0x64, 0x8B, 0x5C, 0x80, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00};
    // 25 frames a second, 40 ticks a frame: 1000 ticks a second; 1500 ticks = 1.5 s.
    host::midi_song song = parse(test::smf_header(0, 1, 0xE728) + test::smf_track(track));
    expect_messages(song, {{0.0, 0.0, {0x90, 0x3C, 0x64}}, {1.5, 1.5, {0x80, 0x3C, 0x00}}});
}

TEST(MidiFile, LongerHeadersAndForeignChunksAreSkipped) {
    bytes header = {'M', 'T', 'h', 'd', 0, 0, 0, 8, 0, 0, 0, 1, 0x01, 0xE0, 0xAA, 0xBB};
    bytes foreign = {'X', 'F', 'I', 'H', 0, 0, 0, 3, 'a', 'b', 'c'};
    bytes track = {0x00, 0x90, 0x3C, 0x64, 0x00, 0xFF, 0x01, 0x00,  // text between
                   0x10, 0x3C, 0x00,  // running status still holds after a meta event
                   0x00, 0xFF, 0x2F, 0x00};
    host::midi_song song = parse(header + foreign + test::smf_track(track));
    expect_messages(song, {{0.0, 0.0, {0x90, 0x3C, 0x64}},
                           {16.0 / 480 * 0.5, 16.0 / 480, {0x90, 0x3C, 0x00}}});
}

TEST(MidiFile, OddButHarmlessThingsBecomeWarnings) {
    struct {
        bytes track;
        const char* warning;
        size_t messages;
    } cases[] = {
        {{0x00, 0x90, 0x3C, 0x64}, "has no end-of-track event", 1},
        {{0x00, 0xFF, 0x2F, 0x00, 0x00, 0x90, 0x3C, 0x64}, "after the end-of-track", 0},
        {{0x00, 0xFF, 0x51, 0x02, 0x07, 0xA1, 0x00, 0xFF, 0x2F, 0x00}, "invalid tempo", 0},
        {{0x00, 0xFF, 0x51, 0x03, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x2F, 0x00}, "invalid tempo", 0},
        {{0x00, 0xFF, 0x58, 0x04, 0x04, 0x07, 0x18, 0x08, 0x00, 0xFF, 0x2F, 0x00},
         "invalid time signature", 0},
    };
    for (auto& c : cases) {
        host::midi_song song = parse(test::smf_header(0, 1, 480) + test::smf_track(c.track));
        ASSERT_EQ(song.warnings.size(), 1u) << c.warning;
        EXPECT_NE(song.warnings[0].find(c.warning), std::string::npos) << song.warnings[0];
        EXPECT_EQ(song.messages.size(), c.messages);
        EXPECT_EQ(song.tempo_map.size(), 1u);
        EXPECT_DOUBLE_EQ(song.tempo_map[0].bpm, 120.0);
    }
}

TEST(MidiFile, BrokenFilesFailWithAClearMessage) {
    bytes ok_track = test::smf_track({0x00, 0x90, 0x3C, 0x64, 0x00, 0xFF, 0x2F, 0x00});
    auto with_track = [](const bytes& body) {
        return test::smf_header(0, 1, 480) + test::smf_track(body);
    };
    bytes long_claim = test::smf_header(0, 1, 480) + ok_track;
    long_claim[14 + 7] += 10;  // the track claims ten bytes more than there are
    bytes short_claim = test::smf_header(1, 2, 480) + ok_track + ok_track;
    short_claim[14 + 7] -= 4;  // the first track's end-of-track is read as a chunk header
    bytes header_too_short = {'M', 'T', 'h', 'd', 0, 0, 0, 4, 0, 0, 0, 1, 0x01, 0xE0};
    bytes header_too_long = {'M', 'T', 'h', 'd', 0, 0, 1, 0, 0, 0, 0, 1, 0x01, 0xE0};
    bytes riff = {'R', 'I', 'F', 'F', 0, 0, 0, 6, 'R', 'M', 'I', 'D', 0, 0};

    struct {
        const char* name;
        bytes file;
        const char* message;
    } cases[] = {
        {"empty", {}, "no MThd"},
        {"not MIDI", riff, "no MThd"},
        {"header too short", header_too_short, "header chunk too short"},
        {"header too long", header_too_long, "longer than the file"},
        {"format 2", test::smf_header(2, 1, 480) + ok_track, "format 2"},
        {"format 3", test::smf_header(3, 1, 480) + ok_track, "unknown format 3"},
        {"no tracks", test::smf_header(1, 0, 480), "no tracks"},
        {"division 0", test::smf_header(0, 1, 0) + ok_track, "division is zero"},
        {"23 fps", test::smf_header(0, 1, 0xE928) + ok_track, "invalid SMPTE"},
        {"track claims too much", long_claim, "track 1 at byte 14 is truncated: it claims 18"},
        {"track length too short", short_claim, "no chunk header at byte 26"},
        {"missing track", test::smf_header(1, 2, 480) + ok_track, "ends after 1 of 2 tracks"},
        {"no running status", with_track({0x00, 0x3C, 0x64}), "data byte 0x3C without a status"},
        {"cut message", with_track({0x00, 0x90, 0x3C}), "truncated channel message"},
        {"cut after delta", with_track({0x00, 0x90, 0x3C, 0x64, 0x00}), "truncated event"},
        {"long number", with_track({0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0x90, 0x3C, 0x64}),
         "longer than four bytes"},
        {"data out of range", with_track({0x00, 0x90, 0x3C, 0x90}), "data byte 0x90 out of range"},
        {"real-time byte", with_track({0x00, 0xF8}), "unexpected status byte 0xF8"},
        {"cut sysex", with_track({0x00, 0xF0, 0x10, 0x01, 0x02}), "truncated sysex event"},
        {"cut meta", with_track({0x00, 0xFF, 0x01, 0x10, 0x41}), "truncated meta event"},
    };
    for (auto& c : cases) {
        try {
            parse(c.file);
            ADD_FAILURE() << c.name << ": parsed";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
                << c.name << ": " << e.what();
            EXPECT_EQ(std::string(e.what()).rfind("MIDI file: ", 0), 0u) << e.what();
        }
    }
    // Faults inside a track name the track and the byte.
    bytes second_bad = test::smf_header(1, 2, 480) + ok_track + test::smf_track({0x00, 0x3C});
    EXPECT_THROW(
        {
            try {
                parse(second_bad);
            } catch (const std::runtime_error& e) {
                EXPECT_NE(std::string(e.what()).find("track 2, byte 39"), std::string::npos)
                    << e.what();
                throw;
            }
        },
        std::runtime_error);
}

TEST(MidiFile, TruncatedAndCorruptedFilesNeverCrash) {
    bytes file = test::smf_header(1, 2, 480) +
                 test::smf_track({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xFF, 0x58,
                                  0x04, 0x03, 0x02, 0x18, 0x08, 0x00, 0xFF, 0x2F, 0x00}) +
                 test::smf_track({0x00, 0x90, 0x3C, 0x64, 0x60, 0x3E, 0x64, 0x00, 0xF0, 0x02,
                                  0x01, 0xF7, 0x83, 0x60, 0x80, 0x3C, 0x00, 0x00, 0xB0, 0x40,
                                  0x7F, 0x00, 0xFF, 0x2F, 0x00});
    ASSERT_EQ(parse(file).messages.size(), 4u);
    for (size_t n = 0; n < file.size(); ++n)
        EXPECT_THROW(host::parse_midi(file.data(), n), std::runtime_error) << n << " bytes";

    std::mt19937 random(1234);
    for (int round = 0; round < 5000; ++round) {
        bytes broken = file;
        int flips = 1 + int(random() % 4);
        for (int f = 0; f < flips; ++f) broken[random() % broken.size()] = uint8_t(random());
        try {
            host::midi_song song = parse(broken);
            for (size_t i = 1; i < song.messages.size(); ++i)
                ASSERT_LE(song.messages[i - 1].seconds, song.messages[i].seconds);
            ASSERT_TRUE(std::isfinite(song.end_seconds));
        } catch (const std::runtime_error&) {
        }
    }
}

TEST(MidiFile, ReadingFromDisk) {
    test::temp_dir dir;
    EXPECT_THROW(host::read_midi_file(dir / "missing.mid"), std::runtime_error);
    test::write_file(dir / "bad.mid", {'M', 'T', 'h', 'd'});
    try {
        host::read_midi_file(dir / "bad.mid");
        ADD_FAILURE();
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("bad.mid: MIDI file: "), std::string::npos);
    }
    test::write_file(dir / "ok.mid",
                     test::smf_header(0, 1, 480) +
                         test::smf_track({0x00, 0x90, 0x3C, 0x64, 0x00, 0xFF, 0x2F, 0x00}));
    EXPECT_EQ(host::read_midi_file(dir / "ok.mid").messages.size(), 1u);
}

TEST(NoteList, KeysTimesAndOrder) {
    host::midi_song song = host::parse_note_list("C4:0:1, E4:1:0.5:90 Bb2:0.25s:0.5s", 120.0);
    expect_messages(song, {{0.0, 0.0, {0x90, 60, 100}},
                           {0.25, 0.5, {0x90, 46, 100}},
                           {0.5, 1.0, {0x80, 60, 64}},
                           {0.5, 1.0, {0x90, 64, 90}},
                           {0.75, 1.5, {0x80, 64, 64}},
                           {0.75, 1.5, {0x80, 46, 64}}});
    EXPECT_DOUBLE_EQ(song.end_seconds, 0.75);

    // A repeated key ends before it starts again.
    song = host::parse_note_list("60:0:1,60:1:1", 60.0);
    expect_messages(song, {{0.0, 0.0, {0x90, 60, 100}},
                           {1.0, 1.0, {0x80, 60, 64}},
                           {1.0, 1.0, {0x90, 60, 100}},
                           {2.0, 2.0, {0x80, 60, 64}}});

    struct {
        const char* name;
        int key;
    } names[] = {{"C-1", 0}, {"G9", 127}, {"A4", 69}, {"c#4", 61}, {"Bb2", 46}, {"B#3", 60}, {"127", 127}};
    for (auto& n : names)
        EXPECT_EQ(host::parse_note_list(std::string(n.name) + ":0:1", 120).messages[0].bytes[1],
                  n.key)
            << n.name;
}

TEST(NoteList, MistakesNameTheEntry) {
    const char* bad[] = {"60",         "60:0",      "128:0:1",  "H4:0:1",     "Cb-1:0:1",
                         "G#9:0:1",    "60:-1:1",   "60:0:0",   "60:0:1:0",   "60:0:1:128",
                         "60:x:1",     "60:0:1s:1:5", "60:0:inf", "60::1",    "60:0:1e9"};
    for (const char* text : bad) {
        std::string list = std::string("62:0:1,") + text;
        try {
            host::parse_note_list(list, 120);
            ADD_FAILURE() << text << " accepted";
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find("entry 2 \"" + std::string(text) + "\""),
                      std::string::npos)
                << e.what();
        }
    }
    EXPECT_THROW(host::parse_note_list("", 120), std::runtime_error);
    EXPECT_THROW(host::parse_note_list(" , ", 120), std::runtime_error);
    EXPECT_THROW(host::parse_note_list("60:0:1", 0), std::runtime_error);
}

}  // namespace
