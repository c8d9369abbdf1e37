// The MIDI writer byte by byte, and the demo song as the project's MIDI reader sees it:
// its length, channels, program changes, and a bass and tune that follow the chords.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "host/midi_file.h"
#include "plugin/param_table.h"
#include "tests/factory_bank.h"
#include "tests/host_helpers.h"
#include "tools/demo_song/demo_song.h"
#include "tools/demo_song/smf_writer.h"

namespace {

using test::bytes;
using test::operator+;

TEST(SmfWriter, VariableLengthQuantities) {
    EXPECT_EQ(demo::vlq(0), bytes{0x00});
    EXPECT_EQ(demo::vlq(0x7F), bytes{0x7F});
    EXPECT_EQ(demo::vlq(0x80), (bytes{0x81, 0x00}));
    EXPECT_EQ(demo::vlq(480), (bytes{0x83, 0x60}));
    EXPECT_EQ(demo::vlq(0x3FFF), (bytes{0xFF, 0x7F}));
    EXPECT_EQ(demo::vlq(0x4000), (bytes{0x81, 0x80, 0x00}));
    EXPECT_EQ(demo::vlq(0x0FFFFFFF), (bytes{0xFF, 0xFF, 0xFF, 0x7F}));
    EXPECT_THROW(demo::vlq(0x10000000), std::invalid_argument);
}

TEST(SmfWriter, TrackBytesAndTheOrderAtOneTick) {
    demo::smf_track t("Ab", 96);
    // Added out of order: a note on key 60 from beat 1 to 2, one from 0 to 1 on the same
    // key, a controller and a program change at beat 1. At tick 96 the program change
    // goes first, then the controller, the note-off, and the note-on.
    t.note(1, 1, 2, 60, 90);
    t.note(0, 1, 2, 60, 100);
    t.controller(1, 2, 1, 64);
    t.program(1, 2, 7);
    bytes body = {0x00, 0xFF, 0x03, 0x02, 'A', 'b',  // name
                  0x00, 0x92, 60, 100,               // tick 0
                  0x60, 0xC2, 7,                     // tick 96
                  0x00, 0xB2, 1, 64,
                  0x00, 0x82, 60, 64,
                  0x00, 0x92, 60, 90,
                  0x60, 0x82, 60, 64,                // tick 192
                  0x81, 0x40, 0xFF, 0x2F, 0x00};     // the end at beat 4 (tick 384)
    EXPECT_EQ(t.chunk(4.0), test::smf_track(body));
    // An end before the last event moves to it.
    bytes short_end = body;
    short_end.resize(short_end.size() - 5);
    short_end = short_end + bytes{0x00, 0xFF, 0x2F, 0x00};
    EXPECT_EQ(t.chunk(1.0), test::smf_track(short_end));

    bytes file = demo::smf_file({t}, 96, 4.0);
    EXPECT_EQ(bytes(file.begin(), file.begin() + 14), test::smf_header(1, 1, 96));

    EXPECT_THROW(t.note(0, 1, 16, 60, 100), std::invalid_argument);
    EXPECT_THROW(t.note(0, 1, 0, 128, 100), std::invalid_argument);
    EXPECT_THROW(t.note(0, 1, 0, 60, 0), std::invalid_argument);
    EXPECT_THROW(t.note(0, 0.001, 0, 60, 100), std::invalid_argument);  // under a tick
    EXPECT_THROW(t.note(-1, 1, 0, 60, 100), std::invalid_argument);
    EXPECT_THROW(t.program(0, 0, 128), std::invalid_argument);
}

struct DemoSong : ::testing::Test {
    bytes file = demo::compose();
    host::midi_song song = host::parse_midi(file.data(), file.size());
    const double seconds_per_beat = 60.0 / demo::bpm;

    std::vector<host::midi_message> on_channel(int channel) const {
        std::vector<host::midi_message> out;
        for (const host::midi_message& m : song.messages)
            if (m.channel() == channel) out.push_back(m);
        return out;
    }
    int bar_of(const host::midi_message& m) const { return int(m.beats / demo::beats_per_bar + 1e-9); }
};

TEST_F(DemoSong, TheBuildWroteThisSong) {
    EXPECT_EQ(test::read_file(KAVEO_DEMO_SONG_PATH), file);
}

TEST_F(DemoSong, ShapeTempoAndLength) {
    EXPECT_TRUE(song.warnings.empty());
    ASSERT_GE(file.size(), 14u);
    EXPECT_EQ(file[9], 1);                         // format 1
    EXPECT_EQ(file[11], demo::parts().size() + 1);  // a conductor and one track per part
    ASSERT_EQ(song.tempo_map.size(), 1u);
    EXPECT_DOUBLE_EQ(song.tempo_map[0].bpm, 120.0);
    ASSERT_EQ(song.signatures.size(), 1u);
    EXPECT_EQ(song.signatures[0].numerator, 4);
    EXPECT_EQ(song.signatures[0].denominator, 4);
    EXPECT_DOUBLE_EQ(song.end_seconds, 52.0);
    EXPECT_GE(song.end_seconds, 40.0);
    EXPECT_LE(song.end_seconds, 60.0);
}

TEST_F(DemoSong, EachPartHasItsChannelStartingWithItsProgram) {
    std::set<int> channels;
    for (const host::midi_message& m : song.messages) channels.insert(m.channel());
    std::set<int> expected;
    for (const demo::part& p : demo::parts()) expected.insert(p.channel);
    EXPECT_EQ(channels, expected);
    EXPECT_EQ(expected.size(), 5u);
    EXPECT_TRUE(expected.count(9)) << "drums on channel 10";

    for (const demo::part& p : demo::parts()) {
        SCOPED_TRACE(p.name);
        std::vector<host::midi_message> own = on_channel(p.channel);
        ASSERT_FALSE(own.empty());
        EXPECT_EQ(own[0].kind(), 0xC0);
        EXPECT_EQ(own[0].bytes[1], p.program);
        EXPECT_EQ(own[0].seconds, 0.0);
        // Then its level, before any note.
        int volume = -1;
        for (const host::midi_message& m : own) {
            if (m.kind() == 0x90) break;
            if (m.kind() == 0xB0 && m.bytes[1] == 7) volume = m.bytes[2];
        }
        EXPECT_EQ(volume, p.volume());
        // Every part plays, with velocities that vary.
        std::set<int> velocities;
        int notes = 0;
        for (const host::midi_message& m : own)
            if (m.kind() == 0x90 && m.bytes[2] > 0) ++notes, velocities.insert(m.bytes[2]);
        EXPECT_GE(notes, 20);
        EXPECT_GE(velocities.size(), 4u);
    }
    // The drums change loops for the middle section and come back.
    std::vector<std::pair<double, int>> changes;
    std::vector<host::midi_message> drums = on_channel(9);
    for (size_t i = 0; i < drums.size(); ++i)
        if (drums[i].kind() == 0xC0) {
            changes.push_back({drums[i].seconds, drums[i].bytes[1]});
            // A program change sets the program's own gain: the level follows at once.
            ASSERT_LT(i + 1, drums.size());
            EXPECT_EQ(drums[i + 1].kind(), 0xB0);
            EXPECT_EQ(drums[i + 1].bytes[1], 7);
            EXPECT_EQ(drums[i + 1].seconds, drums[i].seconds);
        }
    ASSERT_EQ(changes.size(), 1 + demo::drum_changes().size());
    for (size_t i = 0; i < demo::drum_changes().size(); ++i) {
        const demo::drum_change& d = demo::drum_changes()[i];
        EXPECT_DOUBLE_EQ(changes[i + 1].first, d.bar * demo::beats_per_bar * seconds_per_beat);
        EXPECT_EQ(changes[i + 1].second, d.program);
    }
}

TEST_F(DemoSong, NotesEndAndSingleLinesDoNotOverlap) {
    for (const demo::part& p : demo::parts()) {
        SCOPED_TRACE(p.name);
        std::map<int, double> sounding;  // key -> start
        double last_end = 0.0;
        int most = 0;
        for (const host::midi_message& m : on_channel(p.channel)) {
            int key = m.bytes[1];
            if (m.kind() == 0x90 && m.bytes[2] > 0) {
                ASSERT_FALSE(sounding.count(key)) << "key " << key << " struck twice at " << m.seconds;
                sounding[key] = m.seconds;
                most = std::max(most, int(sounding.size()));
            } else if (m.kind() == 0x80 || m.kind() == 0x90) {
                ASSERT_TRUE(sounding.count(key)) << "key " << key << " released unstruck";
                EXPECT_GT(m.seconds, sounding[key]);
                sounding.erase(key);
                last_end = std::max(last_end, m.seconds);
            }
        }
        EXPECT_TRUE(sounding.empty());
        EXPECT_LE(last_end, song.end_seconds);
        // Bass, tune and drums are single lines: the legato lead must not glide by accident.
        if (p.name == "Bass" || p.name == "Lead" || p.name == "Drums") EXPECT_EQ(most, 1);
        else EXPECT_GE(most, 3);  // chords
    }
}

TEST_F(DemoSong, DrumsPlayTheLoopKeyOnEveryBar) {
    std::set<int> keys, bars;
    for (const host::midi_message& m : on_channel(9))
        if (m.kind() == 0x90 && m.bytes[2] > 0) {
            keys.insert(m.bytes[1]);
            bars.insert(bar_of(m));
            EXPECT_NEAR(std::fmod(m.beats, demo::beats_per_bar), 0.0, 1e-9);
        }
    EXPECT_EQ(keys, std::set<int>{48});
    EXPECT_EQ(bars.size(), 21u);  // bars 4 to 24
    EXPECT_EQ(*bars.begin(), 4);
    EXPECT_EQ(*bars.rbegin(), 24);
}

TEST_F(DemoSong, TheBassFollowsThePadsChords) {
    // The pad's sounding keys at each downbeat, and the bass's note there: the bass plays
    // the chord's root, so its pitch class is one of the chord's and the chord is a
    // major or minor triad on it.
    std::set<int> pad_sounding;
    std::map<int, std::set<int>> pad_at_bar;
    std::map<int, int> bass_at_bar;
    for (const host::midi_message& m : song.messages) {
        bool on = m.kind() == 0x90 && m.bytes[2] > 0, off = m.kind() == 0x80 || (m.kind() == 0x90 && !on);
        bool downbeat = std::fabs(std::fmod(m.beats, demo::beats_per_bar)) < 1e-9;
        if (m.channel() == 2) {
            if (off) pad_sounding.erase(m.bytes[1]);
            if (on) pad_sounding.insert(m.bytes[1]);
            if (downbeat) pad_at_bar[bar_of(m)] = pad_sounding;
        }
        if (m.channel() == 1 && on && downbeat) bass_at_bar[bar_of(m)] = m.bytes[1];
    }
    ASSERT_EQ(bass_at_bar.size(), 23u);  // bars 2 to 24
    for (auto [bar, bass] : bass_at_bar) {
        SCOPED_TRACE("bar " + std::to_string(bar));
        const std::set<int>& chord = pad_at_bar[bar];
        ASSERT_EQ(chord.size(), 3u);
        std::set<int> classes;
        for (int k : chord) classes.insert(((k - bass) % 12 + 12) % 12);
        bool major = classes == std::set<int>{0, 4, 7}, minor = classes == std::set<int>{0, 3, 7};
        EXPECT_TRUE(major || minor);
        EXPECT_LT(bass, *chord.begin());
    }
    // The groove starts at home, on A, and the song ends there.
    EXPECT_EQ(bass_at_bar[4] % 12, 9);
    EXPECT_EQ(bass_at_bar.rbegin()->second % 12, 9);
}

TEST_F(DemoSong, TheTuneStaysInKeyAndEndsOnTheTonic) {
    // A minor, with G sharp where the chord is E major.
    const std::set<int> a_minor = {9, 11, 0, 2, 4, 5, 7};
    int last = -1;
    for (const host::midi_message& m : on_channel(3)) {
        if (m.kind() != 0x90 || m.bytes[2] == 0) continue;
        int pc = m.bytes[1] % 12;
        EXPECT_TRUE(a_minor.count(pc) || (pc == 8 && bar_of(m) == 19)) << "key " << int(m.bytes[1]);
        EXPECT_GE(m.bytes[1], 60);
        EXPECT_LE(m.bytes[1], 84);
        last = m.bytes[1];
    }
    EXPECT_EQ(last, 69);  // A4
}

TEST(DemoSongMix, VolumesAreTheProgramsGainPlusTheMix) {
    // 127 * (gain + dB / 66): Tine Piano's 0.346327 as it is, Finger Bass's 0.411479 + 4.5 dB.
    EXPECT_EQ(demo::parts()[0].volume(), 44);
    EXPECT_EQ(demo::parts()[1].volume(), 61);
    demo::part loud = demo::parts()[0];
    loud.mix_db = 60;
    EXPECT_EQ(loud.volume(), 127);
    loud.mix_db = -60;
    EXPECT_EQ(loud.volume(), 0);
}

TEST(DemoSongPrograms, NumbersNameTheFactoryPrograms) {
    const auto& bank = test::factory_bank();
    ASSERT_EQ(bank.size(), 128u);
    for (const demo::part& p : demo::parts()) {
        ASSERT_GE(p.program, 0);
        ASSERT_LT(p.program, 128);
        EXPECT_EQ(bank[size_t(p.program)].name, p.program_name) << p.name;
    }
    for (const demo::drum_change& d : demo::drum_changes()) {
        EXPECT_EQ(bank[size_t(d.program)].name, d.program_name);
        EXPECT_NEAR(bank[size_t(d.program)].values[P_GAIN], d.program_gain, 1e-6);
    }
    // The levels are set against the programs' own gains.
    for (const demo::part& p : demo::parts())
        EXPECT_NEAR(bank[size_t(p.program)].values[P_GAIN], p.program_gain, 1e-6) << p.name;
    // The drums are tempo loops at the song's tempo.
    for (int program : {demo::parts().back().program, demo::drum_changes()[0].program}) {
        const factory::factory_program& p = bank[size_t(program)];
        EXPECT_EQ(p.group, "Drums and Loops");
        EXPECT_DOUBLE_EQ(p.sets[0].loop_bpm, double(demo::bpm)) << p.name;
    }
}

}  // namespace
