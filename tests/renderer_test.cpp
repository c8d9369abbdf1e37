// The renderer as the test instrument sees it: events at their frames, program switches,
// the start-up sequence, time info along the tempo map, the tail and the summary.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "host/note_list.h"
#include "host/renderer.h"
#include "tests/host_helpers.h"
#include "tests/probe/probe_plugin.h"

namespace {

using test::operator+;

struct ProbeRender : ::testing::Test {
    std::unique_ptr<host::plugin> p;
    probe::state* s = nullptr;
    std::vector<float> left, right;
    host::render_summary summary;

    void SetUp() override {
        std::string error;
        p = host::plugin::load(KAVEO_PROBE_PATH, error);
        ASSERT_TRUE(p) << error;
        s = probe::of(p->effect());
    }

    void render(const host::midi_song& song, const host::render_settings& settings) {
        host::renderer r(*p, settings);
        ASSERT_EQ(r.channels(), 2);
        left.clear();
        right.clear();
        uint64_t last_done = 0;
        summary = r.render(
            song,
            [&](const float* const* ch, int frames) {
                left.insert(left.end(), ch[0], ch[0] + frames);
                right.insert(right.end(), ch[1], ch[1] + frames);
            },
            [&](uint64_t done, uint64_t planned) {
                EXPECT_GT(done, last_done);
                EXPECT_EQ(planned, r.planned_frames(song));
                last_done = done;
            });
        EXPECT_EQ(summary.frames, left.size());
        for (const probe::block& b : s->blocks) {
            EXPECT_GE(b.frames, 1);
            EXPECT_LE(b.frames, settings.block_size);
            EXPECT_TRUE(b.events_intact) << "block at " << b.start;
        }
    }

    std::vector<VstInt32> opcodes(std::initializer_list<VstInt32> skip = {effProcessEvents}) {
        std::vector<VstInt32> ops;
        for (const probe::call& c : s->calls)
            if (std::find(skip.begin(), skip.end(), c.opcode) == skip.end())
                ops.push_back(c.opcode);
        return ops;
    }
};

host::midi_message message(double seconds, test::bytes data) {
    host::midi_message m;
    m.seconds = seconds;
    m.size = uint8_t(data.size());
    std::copy(data.begin(), data.end(), m.bytes);
    return m;
}

TEST_F(ProbeRender, EventsArriveAtTheirFramesInsideBlocks) {
    host::midi_song song = host::parse_note_list(
        "60:0:0.01s, 62:0.0013s:0.1s:90, 64:0.5s:0.2s:30, 65:0.50001s:0.2s:127", 120.0);
    host::render_settings settings;
    settings.sample_rate = 48000;
    settings.block_size = 64;
    settings.tail_seconds = 0.1;
    render(song, settings);

    ASSERT_EQ(s->events.size(), song.messages.size());
    for (size_t i = 0; i < song.messages.size(); ++i) {
        const probe::event& e = s->events[i];
        SCOPED_TRACE(i);
        EXPECT_EQ(e.frame, host::frame_at(song.messages[i].seconds, 48000));
        EXPECT_GE(e.delta_frames, 0);
        EXPECT_LT(e.delta_frames, 64);
        EXPECT_EQ((e.frame - e.delta_frames) % 64, 0);
        EXPECT_EQ(std::memcmp(e.bytes, song.messages[i].bytes, 3), 0);
    }
    EXPECT_EQ(s->events[1].frame, 62);     // 1.3 ms
    EXPECT_EQ(s->events[4].frame, 24000);
    EXPECT_EQ(s->events[5].frame, 24000);  // 0.50001 s rounds to the same frame as 0.5 s

    // The sound follows the events to the frame: 0.25 a held note, an impulse at each start.
    ASSERT_EQ(left.size(), size_t(0.8 * 48000));
    int held = 0;
    size_t next = 0;
    for (size_t f = 0; f < left.size(); ++f) {
        float impulse = 0.0f;
        for (; next < s->events.size() && s->events[next].frame == int64_t(f); ++next) {
            const probe::event& e = s->events[next];
            if (e.bytes[0] == 0x90) {
                ++held;
                impulse = e.bytes[2] / 127.0f;
            } else {
                --held;
            }
        }
        ASSERT_EQ(left[f], 0.25f * held) << "frame " << f;
        ASSERT_EQ(right[f], impulse) << "frame " << f;
    }
    EXPECT_EQ(summary.notes, 4);
    EXPECT_EQ(summary.events, 8);
}

TEST_F(ProbeRender, StartUpAndShutDownInTheHostsOrder) {
    host::render_settings settings;
    settings.sample_rate = 48000;
    settings.block_size = 256;
    settings.tail_seconds = 0.01;
    render(host::parse_note_list("60:0:0.1s", 120), settings);
    std::vector<VstInt32> ops = opcodes();
    ASSERT_GE(ops.size(), 7u);
    EXPECT_EQ(std::vector<VstInt32>(ops.begin(), ops.begin() + 5),
              (std::vector<VstInt32>{effOpen, effSetSampleRate, effSetBlockSize, effMainsChanged,
                                     effStartProcess}));
    EXPECT_EQ(std::vector<VstInt32>(ops.end() - 2, ops.end()),
              (std::vector<VstInt32>{effStopProcess, effMainsChanged}));
    EXPECT_EQ(s->calls[1].opt, 48000.0f);
    EXPECT_EQ(s->calls[2].value, 256);
    EXPECT_EQ(s->calls[3].value, 1);
    EXPECT_EQ(s->calls.back().value, 0);
    EXPECT_FALSE(p->running());

    // A second render starts again from the top: song position zero, transport changed.
    size_t blocks_before = s->blocks.size();
    render(host::parse_note_list("60:0:0.1s", 120), settings);
    EXPECT_EQ(s->blocks[blocks_before].time.samplePos, 0.0);
    EXPECT_TRUE(s->blocks[blocks_before].time.flags & kVstTransportChanged);
    ops = opcodes();
    EXPECT_EQ(std::count(ops.begin(), ops.end(), effOpen), 1);
}

TEST_F(ProbeRender, ProgramChangesSwitchProgramsOnTheirFrame) {
    host::midi_song song;
    song.messages = {message(0.0, {0xC0, 3}), message(0.001, {0x90, 60, 100}),
                     message(0.0105, {0xC0, 7}), message(0.0105, {0x90, 62, 100}),
                     message(0.02, {0x80, 60, 0}), message(0.02, {0x80, 62, 0}),
                     message(0.03, {0xC1, 20})};
    song.end_seconds = 0.04;
    host::render_settings settings;
    settings.sample_rate = 48000;
    settings.block_size = 256;
    settings.tail_seconds = 0.0;
    render(song, settings);

    std::vector<probe::call> switches;
    for (const probe::call& c : s->calls)
        if (c.opcode == effSetProgram) switches.push_back(c);
    ASSERT_EQ(switches.size(), 2u);
    EXPECT_EQ(switches[0].value, 3);
    EXPECT_EQ(switches[0].frame, 0);
    EXPECT_EQ(switches[1].value, 7);
    EXPECT_EQ(switches[1].frame, 504);  // 10.5 ms: the block was cut there
    EXPECT_EQ(s->program, 7);
    std::vector<VstInt32> ops = opcodes({effProcessEvents, effOpen, effSetSampleRate,
                                         effSetBlockSize, effMainsChanged, effStartProcess,
                                         effStopProcess});
    EXPECT_EQ(ops, (std::vector<VstInt32>{effBeginSetProgram, effSetProgram, effEndSetProgram,
                                          effBeginSetProgram, effSetProgram, effEndSetProgram}));
    // Block starts: 0, 256, then 504 where the switch falls, then 760.
    ASSERT_GE(s->blocks.size(), 4u);
    EXPECT_EQ(s->blocks[1].start, 256);
    EXPECT_EQ(s->blocks[2].start, 504);
    EXPECT_EQ(s->blocks[3].start, 760);
    // The note beside the second switch plays in the block that starts with it.
    for (const probe::event& e : s->events) EXPECT_NE(e.bytes[0] & 0xF0, 0xC0);
    EXPECT_EQ(s->events[1].frame, 504);
    EXPECT_EQ(s->events[1].delta_frames, 0);
    EXPECT_EQ(summary.program_changes, 2);
    ASSERT_EQ(summary.warnings.size(), 1u);
    EXPECT_EQ(summary.warnings[0], "program change to 20 ignored: the plug-in has 16 programs");
}

TEST_F(ProbeRender, TimeInfoFollowsTheTempoMap) {
    // 480 per quarter: 3/4 at 120 bpm, then 60 bpm from tick 960 (1 s); ends at tick 2400.
    test::bytes track = {0x00, 0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08,
                         0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,
                         0x00, 0x90, 0x3C, 0x64,
                         0x87, 0x40, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40,
                         0x8B, 0x20, 0x80, 0x3C, 0x00,
                         0x00, 0xFF, 0x2F, 0x00};
    test::bytes file = test::smf_header(0, 1, 480) + test::smf_track(track);
    host::midi_song song = host::parse_midi(file.data(), file.size());
    ASSERT_DOUBLE_EQ(song.end_seconds, 4.0);
    host::render_settings settings;
    settings.sample_rate = 1000;
    settings.block_size = 100;
    settings.tail_seconds = 1.0;
    render(song, settings);

    ASSERT_EQ(s->blocks.size(), 50u);
    for (size_t i = 0; i < s->blocks.size(); ++i) {
        const probe::block& b = s->blocks[i];
        SCOPED_TRACE("block " + std::to_string(i));
        ASSERT_TRUE(b.have_time);
        double seconds = double(b.start) / 1000.0;
        double beats = seconds < 1.0 ? 2.0 * seconds : 2.0 + (seconds - 1.0);
        EXPECT_EQ(b.time.samplePos, double(b.start));
        EXPECT_EQ(b.time.sampleRate, 1000.0);
        EXPECT_NEAR(b.time.ppqPos, beats, 1e-9);
        EXPECT_EQ(b.time.tempo, seconds < 1.0 ? 120.0 : 60.0);
        EXPECT_NEAR(b.time.barStartPos, std::floor(beats / 3.0 + 1e-9) * 3.0, 1e-9);
        EXPECT_EQ(b.time.timeSigNumerator, 3);
        EXPECT_EQ(b.time.timeSigDenominator, 4);
        int flags = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid | kVstBarsValid |
                    kVstTimeSigValid;
        EXPECT_EQ(b.time.flags, flags | (i == 0 ? kVstTransportChanged : 0));
    }
}

TEST_F(ProbeRender, HeldNotesAndPedalAreReleasedAtTheEnd) {
    host::midi_song song;
    song.messages = {message(0.0, {0x90, 60, 100}), message(0.01, {0xB3, 64, 127}),
                     message(0.05, {0x93, 64, 100}), message(0.05, {0x93, 64, 100}),
                     message(0.1, {0x80, 60, 0})};
    song.end_seconds = 0.2;
    host::render_settings settings;
    settings.sample_rate = 10000;
    settings.block_size = 128;
    settings.tail_seconds = 0.3;
    render(song, settings);
    ASSERT_EQ(left.size(), 5000u);  // the song and the whole tail
    ASSERT_EQ(s->events.size(), 8u);
    for (size_t i = 5; i < 8; ++i) EXPECT_EQ(s->events[i].frame, 2000);
    EXPECT_EQ(test::bytes(s->events[5].bytes, s->events[5].bytes + 3), (test::bytes{0xB3, 64, 0}));
    EXPECT_EQ(test::bytes(s->events[6].bytes, s->events[6].bytes + 3), (test::bytes{0x83, 64, 64}));
    EXPECT_EQ(test::bytes(s->events[7].bytes, s->events[7].bytes + 3), (test::bytes{0x83, 64, 64}));
    EXPECT_EQ(left[1999], 0.5f);
    EXPECT_EQ(left[2000], 0.0f);
    EXPECT_EQ(summary.song_seconds, 0.2);
}

TEST_F(ProbeRender, TheTailStopsEarlyOnceSilent) {
    p->effect()->setParameter(p->effect(), 0, 0.25f);  // a 0.25 s release
    host::midi_song song = host::parse_note_list("60:0:0.1s", 120);
    host::render_settings settings;
    settings.sample_rate = 48000;
    settings.block_size = 512;
    settings.tail_seconds = 5.0;
    settings.stop_on_silence = true;
    render(song, settings);
    // The release falls below -90 dBFS at frame 16799; half a second of silence ends at
    // frame 40798, inside the block that ends at 40960.
    EXPECT_EQ(summary.frames, 40960u);
    EXPECT_GT(left[16798], 0.0f);
    EXPECT_LT(left[16799], 3.2e-5f);

    settings.stop_on_silence = false;
    render(song, settings);
    EXPECT_EQ(summary.frames, 4800u + 5 * 48000);
}

TEST_F(ProbeRender, SummaryMeasuresTheOutput) {
    host::render_settings settings;
    settings.sample_rate = 1000;
    settings.block_size = 10;
    settings.tail_seconds = 0.0;
    render(host::parse_note_list("60:0:0.5s:100", 120), settings);
    ASSERT_EQ(summary.frames, 500u);
    EXPECT_DOUBLE_EQ(summary.seconds, 0.5);
    EXPECT_NEAR(summary.peak, 100.0 / 127.0, 1e-7);
    double impulse = 100.0 / 127.0;
    EXPECT_NEAR(summary.rms, std::sqrt((500 * 0.0625 + impulse * impulse) / 1000.0), 1e-7);
    EXPECT_NEAR(host::render_summary::dbfs(summary.peak), 20 * std::log10(impulse), 1e-5);
    EXPECT_EQ(host::render_summary::dbfs(0.0), -std::numeric_limits<double>::infinity());
    EXPECT_GT(summary.realtime_factor, 0.0);
}

TEST_F(ProbeRender, AccumulatingPlugInsGetClearedBuffers) {
    p->effect()->flags &= ~effFlagsCanReplacing;
    host::render_settings settings;
    settings.sample_rate = 1000;
    settings.block_size = 16;
    settings.tail_seconds = 0.1;
    render(host::parse_note_list("60:0.1s:0.2s", 120), settings);
    ASSERT_EQ(left.size(), 400u);
    for (size_t f = 0; f < left.size(); ++f)
        ASSERT_EQ(left[f], f >= 100 && f < 300 ? 0.25f : 0.0f) << f;
}

TEST_F(ProbeRender, UnusableSettingsAreRefused) {
    host::render_settings bad[5];
    bad[0].sample_rate = 0;
    bad[1].block_size = 0;
    bad[2].tail_seconds = -1;
    bad[3].silence_dbfs = 3;
    bad[4].sample_rate = std::nan("");
    for (auto& settings : bad) EXPECT_THROW((host::renderer{*p, settings}), std::runtime_error);
    host::renderer r(*p, host::render_settings{});
    host::midi_song endless;
    endless.end_seconds = 1e12;  // what a garbage file of huge delta times can claim
    EXPECT_THROW(r.render(endless, [](const float* const*, int) {}), std::runtime_error);
    EXPECT_FALSE(p->running());
    p->effect()->numOutputs = 0;
    EXPECT_THROW((host::renderer{*p, host::render_settings{}}), std::runtime_error);
    p->effect()->numOutputs = 2;
}

}  // namespace
