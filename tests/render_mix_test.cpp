// Several instances playing one song, one per MIDI channel: routing of events and program
// changes, the shared time, the sum; and --normalize with its spool.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>

#include "host/note_list.h"
#include "host/render_job.h"
#include "host/renderer.h"
#include "host/spool.h"
#include "tests/host_helpers.h"
#include "tests/probe/probe_plugin.h"

namespace {

host::midi_message message(double seconds, test::bytes data) {
    host::midi_message m;
    m.seconds = seconds;
    m.size = uint8_t(data.size());
    std::copy(data.begin(), data.end(), m.bytes);
    return m;
}

// Channels 1, 2 and 10 with their own programs and notes; channel 2 changes program in
// the middle and leaves a note held at the end.
host::midi_song three_channel_song() {
    host::midi_song song;
    song.messages = {
        message(0.0, {0xC0, 2}),        message(0.0, {0xC1, 5}),       message(0.0, {0xC9, 9}),
        message(0.0, {0x90, 60, 100}),  message(0.001, {0x91, 40, 90}), message(0.002, {0x99, 36, 127}),
        message(0.003, {0x99, 38, 64}), message(0.0101, {0xC1, 6}),     message(0.0101, {0x91, 43, 80}),
        message(0.02, {0x80, 60, 0}),   message(0.02, {0x89, 36, 0}),   message(0.021, {0x89, 38, 0}),
        message(0.025, {0x81, 40, 0}),  message(0.026, {0xB9, 1, 20})};
    song.end_seconds = 0.03;
    return song;
}

struct Instances : ::testing::Test {
    std::vector<std::unique_ptr<host::plugin>> plugins;
    std::vector<probe::state*> probes;
    std::vector<float> left, right;
    host::render_summary summary;

    void load(int n) {
        for (int i = 0; i < n; ++i) {
            std::string error;
            plugins.push_back(host::plugin::load(KAVEO_PROBE_PATH, error));
            ASSERT_TRUE(plugins.back()) << error;
            probes.push_back(probe::of(plugins.back()->effect()));
        }
    }
    void render(const std::vector<host::instance>& list, const host::midi_song& song,
                const host::render_settings& settings) {
        host::renderer r(list, settings);
        summary = r.render(song, [&](const float* const* ch, int frames) {
            left.insert(left.end(), ch[0], ch[0] + frames);
            right.insert(right.end(), ch[1], ch[1] + frames);
        });
    }
};

TEST_F(Instances, EachChannelReachesOnlyItsOwnInstance) {
    load(3);
    host::midi_song song = three_channel_song();
    host::render_settings settings;
    settings.sample_rate = 10000;
    settings.block_size = 64;
    settings.tail_seconds = 0.01;
    render({{plugins[0].get(), 1u << 0}, {plugins[1].get(), 1u << 1}, {plugins[2].get(), 1u << 9}},
           song, settings);

    const int channel_of[3] = {0, 1, 9};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE("instance " + std::to_string(i));
        // Exactly the song's messages of its channel (program changes as switches), each
        // at its frame, plus the release of what is held at the end.
        std::vector<test::bytes> expected;
        for (const host::midi_message& m : song.messages)
            if (m.channel() == channel_of[i] && m.kind() != 0xC0)
                expected.push_back(test::bytes(m.bytes, m.bytes + m.size));
        if (i == 1) expected.push_back({0x81, 43, 64});
        ASSERT_EQ(probes[size_t(i)]->events.size(), expected.size());
        for (size_t k = 0; k < expected.size(); ++k) {
            const probe::event& e = probes[size_t(i)]->events[k];
            EXPECT_EQ(test::bytes(e.bytes, e.bytes + expected[k].size()), expected[k]);
            EXPECT_EQ(e.bytes[0] & 0x0F, channel_of[i]);
        }
        EXPECT_EQ(summary.instances[size_t(i)].channels, 1u << channel_of[i]);
    }
    EXPECT_EQ(probes[1]->events.back().frame, 300);  // released at the song's end
    // Programs: each instance switched by its own channel's changes only.
    auto switches = [](const probe::state* s) {
        std::vector<std::pair<VstIntPtr, int64_t>> out;
        for (const probe::call& c : s->calls)
            if (c.opcode == effSetProgram) out.push_back({c.value, c.frame});
        return out;
    };
    using list = std::vector<std::pair<VstIntPtr, int64_t>>;
    EXPECT_EQ(switches(probes[0]), (list{{2, 0}}));
    EXPECT_EQ(switches(probes[1]), (list{{5, 0}, {6, 101}}));
    EXPECT_EQ(switches(probes[2]), (list{{9, 0}}));
    EXPECT_EQ(summary.program_changes, 4);
    EXPECT_EQ(summary.instances[1].program_changes, 2);
    EXPECT_EQ(summary.instances[1].first_program, 5);
    EXPECT_EQ(summary.instances[1].notes, 2);
    EXPECT_EQ(summary.instances[2].notes, 2);
    EXPECT_EQ(summary.notes, 5);
    EXPECT_EQ(summary.events, 10 + 1);  // the song's channel messages and one release

    // The same blocks with the same time for every instance, cut where channel 2 switches.
    ASSERT_EQ(probes[0]->blocks.size(), probes[2]->blocks.size());
    for (size_t b = 0; b < probes[0]->blocks.size(); ++b)
        for (int i = 1; i < 3; ++i) {
            const probe::block& x = probes[0]->blocks[b];
            const probe::block& y = probes[size_t(i)]->blocks[b];
            EXPECT_EQ(x.start, y.start);
            EXPECT_EQ(x.frames, y.frames);
            ASSERT_TRUE(x.have_time && y.have_time);
            EXPECT_EQ(x.time.samplePos, y.time.samplePos);
            EXPECT_EQ(x.time.ppqPos, y.time.ppqPos);
            EXPECT_EQ(x.time.tempo, y.time.tempo);
            EXPECT_EQ(x.time.flags, y.time.flags);
        }
    EXPECT_EQ(probes[0]->blocks[1].start, 64);
    EXPECT_EQ(probes[0]->blocks[2].start, 101);
}

TEST_F(Instances, TheMixIsTheSumOfTheInstances) {
    load(3);
    host::midi_song song = three_channel_song();
    host::render_settings settings;
    settings.sample_rate = 10000;
    settings.block_size = 32;
    settings.tail_seconds = 0.0;
    render({{plugins[0].get(), 1u << 0}, {plugins[1].get(), 1u << 1}, {plugins[2].get(), 1u << 9}},
           song, settings);
    // Left: 0.25 per note held anywhere. Right: the impulses of every instance, added.
    std::map<int64_t, int> held_change;
    std::map<int64_t, double> impulses;
    for (const probe::state* s : probes)
        for (const probe::event& e : s->events) {
            int kind = e.bytes[0] & 0xF0;
            if (kind == 0x90 && e.bytes[2] > 0) {
                held_change[e.frame]++;
                impulses[e.frame] += double(float(e.bytes[2] / 127.0f));
            } else if (kind == 0x80) {
                held_change[e.frame]--;
            }
        }
    ASSERT_EQ(left.size(), 300u);
    int held = 0;
    for (size_t f = 0; f < left.size(); ++f) {
        held += held_change[int64_t(f)];
        ASSERT_EQ(left[f], float(0.25 * held)) << f;
        ASSERT_EQ(right[f], float(impulses[int64_t(f)])) << f;
    }
    // The peaks: each instance's own, and the sum's, above full scale and kept.
    EXPECT_EQ(summary.instances[0].peak, 100.0f / 127.0f);
    EXPECT_EQ(summary.instances[2].peak, 1.0);
    // Channel 1's instance: 0.25 for 200 of the 300 frames on the left, one impulse on the right.
    double impulse = double(100.0f / 127.0f);
    EXPECT_NEAR(summary.instances[0].rms, std::sqrt((200 * 0.0625 + impulse * impulse) / 600.0), 1e-12);
    EXPECT_EQ(summary.peak, 1.25);  // five notes held from frame 101 to 199
    EXPECT_EQ(left[150], 1.25f);
}

TEST(PerChannel, OneInstancePerChannelTheSongUses) {
    test::temp_dir dir;
    host::midi_song song = three_channel_song();
    EXPECT_EQ(host::used_channels(song), (std::vector<int>{0, 1, 9}));
    EXPECT_TRUE(host::used_channels(host::midi_song{}).empty());

    host::job_options o;
    o.plugin = KAVEO_PROBE_PATH;
    o.output = dir / "mix.wav";
    o.per_channel = true;
    o.program = 4;
    o.params = {{0, 0.5f}};
    o.render.sample_rate = 10000;
    host::render_job job(o, three_channel_song());  // the job keeps its own copy
    host::render_summary s = job.run();
    ASSERT_EQ(job.players().size(), 3u);
    const uint16_t masks[3] = {1u << 0, 1u << 1, 1u << 9};
    for (size_t i = 0; i < 3; ++i) {
        probe::state* p = probe::of(job.players()[i].p->effect());
        EXPECT_EQ(job.players()[i].channels, masks[i]);
        EXPECT_EQ(job.players()[i].start_program, 4);  // set up alike, before the song
        EXPECT_EQ(p->release_seconds, 0.5f);
        for (const probe::event& e : p->events) EXPECT_EQ(1u << (e.bytes[0] & 0x0F), masks[i]);
    }
    EXPECT_EQ(s.instances.size(), 3u);
    EXPECT_EQ(job.channels(), 2);
    // The three probes load one library: each still has its own state.
    EXPECT_NE(probe::of(job.players()[0].p->effect()), probe::of(job.players()[1].p->effect()));
}

std::vector<float> read_float_wav(const std::string& path) {
    test::bytes b = test::read_file(path);
    std::vector<float> samples((b.size() - 58) / 4);
    std::memcpy(samples.data(), b.data() + 58, samples.size() * 4);
    return samples;
}

TEST(Normalize, TheWholeRenderIsScaledToItsPeak) {
    test::temp_dir dir;
    // Five notes at once: 1.25 on the left for 800 frames.
    host::midi_song song =
        host::parse_note_list("C4:0:0.1s,E4:0:0.1s,G4:0:0.1s,C5:0:0.1s,E5:0:0.1s", 120);
    host::job_options o;
    o.plugin = KAVEO_PROBE_PATH;
    o.format = host::sample_format::float32;
    o.render.sample_rate = 8000;
    o.render.block_size = 100;
    o.render.tail_seconds = 0.0;
    o.output = dir / "plain.wav";
    host::render_job plain(o, song);
    host::render_summary a = plain.run();
    EXPECT_EQ(a.peak, 1.25);
    EXPECT_EQ(plain.gain(), 1.0);

    o.output = dir / "normal.wav";
    o.normalize = true;
    host::render_job normal(o, song);
    normal.run();
    double gain = std::pow(10.0, -1.0 / 20.0) / 1.25;
    EXPECT_NEAR(normal.gain(), gain, 1e-6);
    std::vector<float> x = read_float_wav(dir / "plain.wav"), y = read_float_wav(dir / "normal.wav");
    ASSERT_EQ(x.size(), 1600u);
    ASSERT_EQ(y.size(), x.size());
    float peak = 0.0f;
    for (size_t i = 0; i < x.size(); ++i) {
        ASSERT_EQ(y[i], float(double(x[i]) * normal.gain())) << i;
        peak = std::max(peak, std::fabs(y[i]));
    }
    EXPECT_NEAR(20.0 * std::log10(peak), -1.0, 1e-5);

    // 16-bit: the sum clips without --normalize (and says how much), not with it.
    o.format = host::sample_format::pcm16;
    o.normalize = false;
    o.output = dir / "clipped.wav";
    host::render_job clipped(o, song);
    clipped.run();
    EXPECT_EQ(clipped.clipped(), 800u);  // the left channel while the notes are held
    o.normalize = true;
    host::render_job safe(o, song);
    safe.run();
    EXPECT_EQ(safe.clipped(), 0u);
}

TEST(Spool, ReplaysInBlocksWithTheGain) {
    host::spool s(2);
    std::vector<float> l = {0.5f, -0.25f, NAN, 0.125f, 1.0f}, r = {0.0f, 0.75f, 0.0f, -2.0f, 0.0f};
    const float* ch[2] = {l.data(), r.data()};
    s.write(ch, 3);
    const float* rest[2] = {l.data() + 3, r.data() + 3};
    s.write(rest, 2);
    EXPECT_EQ(s.frames(), 5u);
    EXPECT_EQ(s.peak(), 2.0);  // NaN is not a peak
    std::vector<float> gl, gr;
    std::vector<int> sizes;
    s.replay(0.5, [&](const float* const* c, int frames) {
        gl.insert(gl.end(), c[0], c[0] + frames);
        gr.insert(gr.end(), c[1], c[1] + frames);
        sizes.push_back(frames);
    }, 2);
    EXPECT_EQ(sizes, (std::vector<int>{2, 2, 1}));
    EXPECT_EQ(gl[0], 0.25f);
    EXPECT_TRUE(std::isnan(gl[2]));
    EXPECT_EQ(gl[4], 0.5f);
    EXPECT_EQ(gr[3], -1.0f);
    EXPECT_EQ(host::normalize_gain(0.0, -1.0), 1.0);
    EXPECT_EQ(host::normalize_gain(NAN, -1.0), 1.0);
    EXPECT_NEAR(host::normalize_gain(0.5, -6.0206), 1.0, 1e-5);
}

}  // namespace
