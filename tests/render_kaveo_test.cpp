// kaveo-render with Kaveo itself: the demo song through the factory programs, as the
// README's first command renders it, Kaveo's states saved and restored, --bank, and the
// same notes on a plain x86-64 processor (emulated) and on this one. The
// checks that need the factory bank or Kaveo's state chunks skip, and say so, when this
// build of kaveo.so has neither.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "host/midi_file.h"
#include "host/note_list.h"
#include "host/render_job.h"
#include "plugin/param_table.h"
#include "sound/bank.h"
#include "tests/host_helpers.h"
#include "tools/demo_song/demo_song.h"

namespace {

using test::bytes;
using test::operator+;

bytes le32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }

struct KaveoThroughRender : ::testing::Test {
    test::private_home home;  // the first start writes the factory bank here
    test::temp_dir dir;

    // What this kaveo.so can do, asked as a host would.
    std::unique_ptr<host::plugin> probe_plugin() {
        std::string error;
        auto p = host::plugin::load(KAVEO_PLUGIN_PATH, error);
        EXPECT_TRUE(p) << error;
        if (p) p->open(44100, 512);
        return p;
    }
    bool has_factory_bank() {
        auto p = probe_plugin();
        return p && p->program_name(0) != "(empty)";
    }
    bool has_chunks() {
        auto p = probe_plugin();
        void* block = nullptr;
        return p && p->dispatch(effGetChunk, 0, 0, &block) > 0 && block;
    }
    host::job_options options(const std::string& output) {
        host::job_options o;
        o.plugin = KAVEO_PLUGIN_PATH;
        o.output = dir / output;
        return o;
    }
};

std::vector<float> read_float_wav(const std::string& path) {
    bytes b = test::read_file(path);
    std::vector<float> samples(b.size() > 58 ? (b.size() - 58) / 4 : 0);
    std::memcpy(samples.data(), b.data() + 58, samples.size() * 4);
    return samples;
}

TEST_F(KaveoThroughRender, TheReadmesDemoCommandRuns) {
    // As install.sh runs it, on a fresh home.
    std::string out = dir / "demo.wav";
    test::run_result r = test::run("'" KAVEO_RENDER_PATH "' -p '" KAVEO_PLUGIN_PATH
                                   "' --per-channel --normalize -o '" + out + "' '" KAVEO_DEMO_SONG_PATH "'");
    ASSERT_EQ(r.status, 0) << r.output;
    // Every channel message but the program changes reaches an instance; those switch.
    host::midi_song song = host::read_midi_file(KAVEO_DEMO_SONG_PATH);
    int events = 0, notes = 0, programs = 0;
    for (const host::midi_message& m : song.messages) {
        programs += m.kind() == 0xC0;
        events += m.kind() != 0xC0;
        notes += m.kind() == 0x90 && m.bytes[2] > 0;
    }
    std::string counts = "Events     " + std::to_string(events) + " (" + std::to_string(notes) +
                         " notes, " + std::to_string(programs) + " program changes)";
    for (const std::string& line : {std::string("Instances  5, one per channel"),
                                    std::string("channel 10"), std::string("Duration   54.000 s"), counts})
        EXPECT_NE(r.output.find(line), std::string::npos) << line << "\n" << r.output;
    EXPECT_EQ(test::read_file(out).size(), 44u + 54 * 44100 * 4);
    EXPECT_EQ(r.output.find("ignored"), std::string::npos) << r.output;
    if (!has_factory_bank())
        GTEST_SKIP() << "kaveo.so has no factory bank yet (program 0 is \"(empty)\"): the demo is silent";
    EXPECT_NE(r.output.find("normalized to a peak of -1.0 dBFS"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("Peak       -1.0 dBFS"), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("warning"), std::string::npos) << r.output;
}

TEST_F(KaveoThroughRender, TheDemoSoundsThroughTheFactoryPrograms) {
    if (!has_factory_bank())
        GTEST_SKIP() << "kaveo.so has no factory bank yet (program 0 is \"(empty)\")";
    host::midi_song song = host::read_midi_file(KAVEO_DEMO_SONG_PATH);
    host::job_options o = options("demo.wav");
    o.per_channel = true;
    o.normalize = true;
    o.format = host::sample_format::float32;
    host::render_job job(o, song);
    host::render_summary s = job.run();
    EXPECT_TRUE(s.warnings.empty());
    ASSERT_EQ(job.players().size(), demo::parts().size());
    for (size_t i = 0; i < demo::parts().size(); ++i) {
        const demo::part& part = demo::parts()[i];
        SCOPED_TRACE(part.name);
        EXPECT_EQ(s.instances[i].channels, 1u << part.channel);
        EXPECT_EQ(s.instances[i].first_program, part.program);
        EXPECT_EQ(job.players()[i].p->program_name(part.program), part.program_name);
        EXPECT_GT(host::render_summary::dbfs(s.instances[i].peak), -30.0) << "the part is not heard";
    }
    // No gap anywhere in the song, no broken sample, and the peak where it was put.
    std::vector<float> x = read_float_wav(dir / "demo.wav");
    ASSERT_EQ(x.size(), size_t(2 * 54 * 44100));
    double peak = 0.0;
    for (float v : x) {
        ASSERT_TRUE(std::isfinite(v));
        peak = std::max(peak, double(std::fabs(v)));
    }
    EXPECT_NEAR(20 * std::log10(peak), -1.0, 0.01);
    for (int second = 0; second < 52; second += 2) {
        double rms = test::rms_of(x, int64_t(second) * 2 * 44100, int64_t(second + 2) * 2 * 44100);
        EXPECT_GT(20 * std::log10(rms), -40.0) << "quiet at " << second << " s";
    }
}

TEST_F(KaveoThroughRender, StatesRoundTripThroughKaveo) {
    if (!has_chunks()) GTEST_SKIP() << "kaveo.so gives no state chunks yet";
    host::midi_song song = host::parse_note_list("A3:0:1,C4:1:1", 120);
    for (host::chunk_kind kind : {host::chunk_kind::bank, host::chunk_kind::program}) {
        SCOPED_TRACE(host::chunk_kind_name(kind));
        host::job_options o = options("a.wav");
        o.program = 84;
        o.params = {{P_EG_RELEASE, 0.25f}};
        o.save_state = dir / "first.state";
        o.state_kind = kind;
        {
            host::render_job job(o, song);
            job.run();
        }
        o.program = -1;
        o.params.clear();
        o.load_state = dir / "first.state";
        o.save_state = dir / "second.state";
        host::render_job job(o, song);
        EXPECT_EQ(job.players()[0].p->effect()->getParameter(job.players()[0].p->effect(), P_EG_RELEASE), 0.25f);
        if (kind == host::chunk_kind::bank) {
            EXPECT_EQ(job.players()[0].start_program, 84);
        }
        job.run();
        EXPECT_EQ(test::read_file(dir / "second.state"), test::read_file(dir / "first.state"));
    }
}

TEST_F(KaveoThroughRender, BankFilesAreReachedThroughABankChunk) {
    if (!has_chunks()) GTEST_SKIP() << "kaveo.so gives no state chunks yet";
    std::vector<program> list(3);
    list[0].name = "Zero";
    list[1].name = "One from a file";
    list[2].name = "Two";
    std::string bank_path = dir / "mine.kvb";
    write_bank_file(bank_path, list);

    host::job_options o = options("b.wav");
    o.bank = bank_path;
    o.program = 1;
    o.save_state = dir / "after.state";
    host::render_job job(o, host::parse_note_list("C4:0:1", 120));
    EXPECT_EQ(job.players()[0].start_program, 1);
    EXPECT_EQ(job.players()[0].p->program_name(1), "One from a file");
    EXPECT_EQ(job.players()[0].p->program_name(2), "Two");
    job.run();
    // Kaveo's own bank chunk now names the file and the program.
    bytes state = test::read_file(dir / "after.state");
    bytes head = le32(uint32_t(bank_path.size())) + bytes(bank_path.begin(), bank_path.end()) + le32(1);
    ASSERT_GT(state.size(), 16 + head.size());
    EXPECT_EQ(bytes(state.begin() + 16, state.begin() + 16 + ptrdiff_t(head.size())), head);
}


// The engine's kernels are compiled for plain x86-64 (SSE2) and for AVX2, one chosen at
// load time. The same notes rendered here and under qemu emulating a plain x86-64 (no AVX)
// sound the same within -120 dB: the kernels agree to the bit; what is left is the C
// library's sines and exponentials, which take fused multiply-adds where they can. Notes
// start on and off the 32-sample control grid, end, and outnumber the voices; the filters
// run in lanes (a program's own, LP24, the ladder, the ladder with six unison voices).
TEST_F(KaveoThroughRender, PlainX86AndThisProcessorSoundTheSame) {
    if (test::run("command -v qemu-x86_64").status != 0)
        GTEST_SKIP() << "qemu-x86_64 is not installed (tools/deps.sh --test installs qemu-user)";
    if (!has_factory_bank()) GTEST_SKIP() << "kaveo.so has no factory bank yet";
    std::string notes = "40:0s:1.2s,47:0.0113s:1.1s,52:0.2517s:0.5s,55:0.3s:1s,59:0.41s:0.3s";
    for (int k = 0; k < 36; ++k)
        notes += "," + std::to_string(36 + k) + ":0.6" + std::to_string(k % 10) + "s:0.2s";
    // Recorded sets on both oscillators, the filter envelope and LFO1 on the cutoff, the delay.
    const std::string workload = " --program 10 --param 7=0.0833 --param 16=0.25 --param 28=0.8"
                                 " --param 27=0.5 --param 49=0.4375 --param 50=0.2 --param 51=0.7"
                                 " --param 42=0.4 --param 73=0.75";
    const std::string cases[] = {" --program 3", workload + " --param 25=0.357",
                                 workload + " --param 25=0.786",
                                 workload + " --param 25=0.786 --param 1=0.917 --param 2=0.5"};
    for (const std::string& c : cases) {
        const std::string args = " -q -f float -p '" KAVEO_PLUGIN_PATH "' --block 333 --tail 0.5"
                                 " --notes " + notes + c + " -o '";
        const std::string here = dir / "here.wav", plain = dir / "plain.wav";
        test::run_result a = test::run("'" KAVEO_RENDER_PATH "'" + args + here + "'");
        test::run_result b = test::run("qemu-x86_64 -cpu qemu64 '" KAVEO_RENDER_PATH "'" + args + plain + "'");
        ASSERT_EQ(a.status, 0) << a.output;
        ASSERT_EQ(b.status, 0) << b.output;
        const std::vector<float> x = read_float_wav(here), y = read_float_wav(plain);
        ASSERT_EQ(x.size(), y.size()) << c;
        ASSERT_GT(x.size(), 44100u) << c;
        double worst = 0.0, peak = 0.0;
        for (size_t i = 0; i < x.size(); ++i) {
            worst = std::max(worst, std::fabs(double(x[i]) - double(y[i])));
            peak = std::max(peak, std::fabs(double(x[i])));
        }
        EXPECT_LE(worst, 1e-6) << c;
        EXPECT_GT(peak, 0.01) << c << " is silent";
    }
}

}  // namespace
