// What kaveo-render does before and after it plays: state files byte by byte, chunks saved
// and restored through the test instrument, the program and parameters reaching it before
// the first block, Kaveo bank chunks, and the refusals.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "host/bank_chunk.h"
#include "host/note_list.h"
#include "host/render_job.h"
#include "host/state_file.h"
#include "sound/bank.h"
#include "sound/serializer.h"
#include "tests/host_helpers.h"
#include "tests/probe/probe_plugin.h"

namespace {

using test::bytes;
using test::operator+;

bytes le32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }

// The probe's chunk for a program and a parameter 0 value, from its documented layout.
bytes probe_chunk(bool preset, int32_t program, float param) {
    bytes c = {'P', 'R', 'B', uint8_t(preset ? 'P' : 'B')};
    uint32_t bits;
    std::memcpy(&bits, &param, 4);
    c = c + le32(uint32_t(program)) + le32(bits);
    for (int b = 0; b < 256; ++b) c.push_back(uint8_t(b));
    if (!preset) c = c + bytes{'b', 'a', 'n', 'k'};
    return c;
}

const VstInt32 probe_id = vst_fourcc('k', 'P', 'r', 'b');

std::string message_of(const std::function<void()>& f) {
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no failure)";
}

#define EXPECT_FAILS_WITH(statement, text)                                              \
    do {                                                                                \
        std::string what_ = message_of([&] { statement; });                             \
        EXPECT_NE(what_.find(text), std::string::npos) << "message: " << what_;         \
    } while (0)

TEST(StateFile, HeaderAndChunkByteForByte) {
    host::plugin_state s{probe_id, host::chunk_kind::program, {0x00, 0xFF, 0x10}};
    bytes expected = bytes{'K', 'v', 'S', 't'} + bytes{0x62, 0x72, 0x50, 0x6B} +  // 'kPrb'
                     le32(1) + le32(3) + bytes{0x00, 0xFF, 0x10};
    EXPECT_EQ(host::encode_state(s), expected);
    host::plugin_state back = host::decode_state(expected.data(), expected.size(), "f");
    EXPECT_EQ(back.unique_id, probe_id);
    EXPECT_EQ(back.kind, host::chunk_kind::program);
    EXPECT_EQ(back.chunk, s.chunk);

    s.kind = host::chunk_kind::bank;
    EXPECT_EQ(host::encode_state(s)[8], 0);
    EXPECT_EQ(host::unique_id_text(host::kaveo_unique_id), "sKav");
    EXPECT_EQ(host::unique_id_text(0x01414243), "?ABC");
}

TEST(StateFile, DamagedFilesAreRefusedByName) {
    bytes good = host::encode_state({probe_id, host::chunk_kind::bank, {1, 2, 3}});
    auto decode = [](const bytes& b) { host::decode_state(b.data(), b.size(), "my.state"); };
    bytes other = good;
    other[0] = 'X';
    EXPECT_FAILS_WITH(decode(other), "my.state is not a state file saved by kaveo-render");
    EXPECT_FAILS_WITH(decode(bytes(good.begin(), good.begin() + 10)),
                      "my.state is truncated: its header ends after 10 bytes");
    EXPECT_FAILS_WITH(decode(bytes(good.begin(), good.end() - 1)),
                      "its chunk of 3 bytes has only 2");
    EXPECT_FAILS_WITH(decode(good + bytes{0}), "my.state has 1 bytes after its chunk of 3");
    bytes kind = good;
    kind[8] = 7;
    EXPECT_FAILS_WITH(decode(kind), "unknown kind of state (7)");
    // A huge size is a truncation, not an allocation.
    bytes huge = good;
    huge[15] = 0x7F;
    EXPECT_FAILS_WITH(decode(huge), "is truncated");

    test::temp_dir dir;
    EXPECT_FAILS_WITH(host::read_state_file(dir / "none"), "cannot read the state file");
    host::write_state_file(dir / "a.state", {probe_id, host::chunk_kind::bank, {9}});
    EXPECT_EQ(test::read_file(dir / "a.state").size(), 17u);
    EXPECT_FAILS_WITH(host::write_state_file(dir / "no/such/folder/b.state",
                                             {probe_id, host::chunk_kind::bank, {9}}),
                      "cannot write the state file");
}

// A render through the test instrument in this process, so its record can be read after.
struct Job : ::testing::Test {
    test::temp_dir dir;
    host::job_options options;
    host::midi_song song = host::parse_note_list("C4:0:0.1s,E4:0.05s:0.1s", 120);
    std::unique_ptr<host::render_job> job;
    host::render_summary summary;

    Job() {
        options.plugin = KAVEO_PROBE_PATH;
        options.output = dir / "out.wav";
        options.render.block_size = 256;
        options.render.tail_seconds = 0.05;
    }
    void run() {
        job = std::make_unique<host::render_job>(options, song);
        summary = job->run();
    }
    probe::state& probe(size_t i = 0) { return *probe::of(job->players()[i].p->effect()); }
    size_t first_call(const probe::state& s, VstInt32 opcode, VstIntPtr value = -1) {
        for (size_t i = 0; i < s.calls.size(); ++i)
            if (s.calls[i].opcode == opcode && (value < 0 || s.calls[i].value == value)) return i;
        return SIZE_MAX;
    }
};

TEST_F(Job, ProgramThenParametersBeforeTheFirstBlock) {
    options.program = 5;
    options.params = {{0, 0.25f}, {2, 0.5f}, {0, 0.125f}};
    run();
    probe::state& s = probe();
    size_t program = first_call(s, effSetProgram), mains_on = first_call(s, effMainsChanged, 1);
    ASSERT_NE(program, SIZE_MAX);
    EXPECT_EQ(s.calls[program].value, 5);
    EXPECT_EQ(s.calls[program].frame, 0);
    EXPECT_EQ(s.calls[program - 1].opcode, effBeginSetProgram);
    EXPECT_EQ(s.calls[program + 1].opcode, effEndSetProgram);
    EXPECT_GT(program, first_call(s, effSetSampleRate));  // after the host's set-up...
    EXPECT_LT(program, mains_on);                          // ...before it starts processing
    ASSERT_EQ(s.params.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(s.params[i].index, options.params[i].first);
        EXPECT_EQ(s.params[i].value, options.params[i].second);
        EXPECT_EQ(s.params[i].frame, 0);
        EXPECT_GT(s.params[i].calls_before, program + 1);  // after the program
        EXPECT_LE(s.params[i].calls_before, mains_on);
    }
    EXPECT_EQ(s.release_seconds, 0.125f);  // the last value given wins
    EXPECT_EQ(job->players()[0].start_program, 5);
    EXPECT_EQ(summary.instances[0].first_program, -1);  // no program change in the song
    EXPECT_EQ(summary.instances[0].notes, 2);
}

TEST_F(Job, SavedStatesLoadBackByteForByte) {
    for (host::chunk_kind kind : {host::chunk_kind::program, host::chunk_kind::bank}) {
        bool preset = kind == host::chunk_kind::program;
        SCOPED_TRACE(host::chunk_kind_name(kind));
        std::string first = dir / "first.state", second = dir / "second.state";
        options.program = 7;
        options.params = {{0, 0.375f}};
        options.save_state = first;
        options.state_kind = kind;
        run();
        // Asked once, after the render, of the kind chosen.
        probe::state& a = probe();
        size_t get = first_call(a, effGetChunk);
        ASSERT_NE(get, SIZE_MAX);
        EXPECT_EQ(a.calls[get].index, preset ? 1 : 0);
        EXPECT_GT(get, first_call(a, effMainsChanged, 0));
        bytes file = test::read_file(first);
        bytes chunk = probe_chunk(preset, 7, 0.375f);
        bytes header = bytes{'K', 'v', 'S', 't'} + le32(uint32_t(probe_id)) +
                       le32(preset ? 1 : 0) + le32(uint32_t(chunk.size()));
        EXPECT_EQ(file, header + chunk);

        // A new instance gets exactly those bytes before it plays, and saves them again.
        options.program = -1;
        options.params.clear();
        options.load_state = first;
        options.save_state = second;
        run();
        probe::state& b = probe();
        ASSERT_EQ(b.chunks_set.size(), 1u);
        EXPECT_EQ(b.chunks_set[0].preset, preset);
        EXPECT_EQ(b.chunks_set[0].bytes, chunk);
        EXPECT_TRUE(b.chunks_set[0].accepted);
        size_t set = first_call(b, effSetChunk);
        EXPECT_EQ(b.calls[set].value, VstIntPtr(chunk.size()));
        EXPECT_EQ(b.calls[set].frame, 0);
        EXPECT_LT(set, first_call(b, effMainsChanged, 1));
        EXPECT_EQ(first_call(b, effSetProgram), SIZE_MAX);
        EXPECT_EQ(job->players()[0].start_program, 7);
        EXPECT_EQ(b.release_seconds, 0.375f);
        EXPECT_EQ(test::read_file(second), file);
        options.load_state.clear();
    }
}

TEST_F(Job, AProgramGivenWinsOverTheLoadedState) {
    std::string path = dir / "s.state";
    host::write_state_file(path, {probe_id, host::chunk_kind::program, probe_chunk(true, 9, 0.5f)});
    options.load_state = path;
    options.program = 2;
    run();
    probe::state& s = probe();
    EXPECT_LT(first_call(s, effSetChunk), first_call(s, effSetProgram));
    EXPECT_EQ(s.program, 2);
    EXPECT_EQ(s.release_seconds, 0.5f);
    EXPECT_EQ(job->notes().at(0), "State      program chunk of 268 bytes loaded from " + path);
}

TEST_F(Job, RefusalsSayWhyAndWriteNothing) {
    auto refused = [&](const std::string& text) {
        EXPECT_FAILS_WITH(run(), text);
        EXPECT_FALSE(std::filesystem::exists(options.output));
        options = host::job_options{};
        options.plugin = KAVEO_PROBE_PATH;
        options.output = dir / "out.wav";
    };
    std::string state = dir / "s.state";
    host::write_state_file(state, {probe_id, host::chunk_kind::bank, probe_chunk(false, 1, 0)});

    // Plug-ins that keep no chunks.
    options.plugin = KAVEO_PROBE_PLAIN_PATH;
    options.save_state = dir / "x.state";
    refused("--save-state needs a plug-in that keeps its state in chunks; " +
            std::string(KAVEO_PROBE_PLAIN_PATH) + " does not (its flags lack programs-are-chunks)");
    options.plugin = KAVEO_PROBE_PLAIN_PATH;
    options.load_state = state;
    refused("--load-state needs a plug-in that keeps its state in chunks");
    // --bank is for Kaveo.
    options.bank = dir / "any.kvb";
    refused("--bank works with Kaveo only: " + std::string(KAVEO_PROBE_PATH) +
            " is 'kPrb', not 'sKav'");
    // Missing and foreign files.
    options.load_state = dir / "missing.state";
    refused("cannot read the state file " + dir / "missing.state");
    host::write_state_file(state, {host::kaveo_unique_id, host::chunk_kind::bank, {1}});
    options.load_state = state;
    refused("holds the state of plug-in 'sKav', not of");
    host::write_state_file(state, {probe_id, host::chunk_kind::bank, probe_chunk(false, 1, 0)});
    options.load_state = state;
    options.state_kind = host::chunk_kind::program;
    options.state_kind_given = true;
    refused("holds a bank chunk, not a program chunk");
    // A chunk the plug-in cannot read: the probe answers 0.
    host::write_state_file(state, {probe_id, host::chunk_kind::bank, probe_chunk(true, 1, 0)});
    options.load_state = state;
    refused("the plug-in could not read the bank chunk from " + state + " (effSetChunk answered 0)");
    // Programs and parameters it does not have.
    options.program = 16;
    refused("there is no program 16: the plug-in has 16 programs (0-15)");
    options.params = {{4, 0.5f}};
    refused("there is no parameter 4: the plug-in has 4 parameters (0-3)");
    // Options that do not go together.
    options.per_channel = true;
    options.save_state = dir / "x.state";
    refused("cannot be used with --per-channel");
    options.bank = dir / "any.kvb";
    options.load_state = state;
    refused("give either --bank or --load-state, not both");
}

// A small bank file written with Kaveo's own code: three programs with their names.
std::vector<program> three_programs() {
    std::vector<program> list(3);
    list[0].name = "Zero";
    list[1].name = "One with a longer name";
    list[2].name = "Two";
    list[2].params.set_value(5, 0.75f);
    return list;
}

TEST(BankChunk, PathIndexAndRecordAsKaveoWritesThem) {
    test::temp_dir dir;
    std::string path = dir / "three.kvb";
    write_bank_file(path, three_programs());
    host::bank_chunk c = host::make_bank_chunk(path, 2);
    EXPECT_EQ(c.programs, 3);
    EXPECT_EQ(c.program_name, "Two");
    EXPECT_TRUE(c.warnings.empty());
    EXPECT_EQ(c.path, path);

    // The length of the path as a 4-byte count, the path, the index, then the record.
    bytes record(size_t(three_programs()[2].record_size()));
    mem_serializer w(record.data(), int64_t(record.size()));
    three_programs()[2].serialize(w);
    bytes expected = le32(uint32_t(path.size())) + bytes(path.begin(), path.end()) + le32(2) + record;
    EXPECT_EQ(c.bytes, expected);

    // A relative path becomes absolute: the plug-in may look from elsewhere.
    std::filesystem::path here = std::filesystem::current_path();
    std::filesystem::current_path(dir.path);
    host::bank_chunk relative = host::make_bank_chunk("three.kvb", 0);
    std::filesystem::current_path(here);
    EXPECT_EQ(relative.path, path);
    EXPECT_EQ(relative.program_name, "Zero");
}

TEST(BankChunk, FilesThatAreNoBanksAreRefused) {
    test::temp_dir dir;
    EXPECT_FAILS_WITH(host::make_bank_chunk(dir / "none.kvb", 0), "cannot read the bank file");
    EXPECT_FAILS_WITH(host::make_bank_chunk(dir.path.string(), 0), "cannot read the bank file");
    test::write_file(dir / "junk.kvb", {1, 2, 3, 4, 5, 6});
    EXPECT_FAILS_WITH(host::make_bank_chunk(dir / "junk.kvb", 0), "is not a Kaveo bank file");
    write_bank_file(dir / "three.kvb", three_programs());
    EXPECT_FAILS_WITH(host::make_bank_chunk(dir / "three.kvb", 3),
                      "holds 3 programs; there is no program 3");
    // A record that cannot be read plays as an empty program, and the user is told.
    bytes file = test::read_file(dir / "three.kvb");
    file.resize(file.size() - 100);
    test::write_file(dir / "cut.kvb", file);
    host::bank_chunk c = host::make_bank_chunk(dir / "cut.kvb", 2);
    EXPECT_EQ(c.program_name, "(empty)");
    ASSERT_EQ(c.warnings.size(), 1u);
    EXPECT_NE(c.warnings[0].find("program 2 of"), std::string::npos);
}

// The command line: new options, their misuse, and what the summary says.
struct StateCommand : ::testing::Test {
    test::private_home home;
    test::temp_dir dir;
    test::run_result kaveo_render(const std::string& arguments) {
        return test::run("'" KAVEO_RENDER_PATH "' " + arguments);
    }
};

TEST_F(StateCommand, SavesLoadsAndSaysSo) {
    std::string out = "-o '" + dir / "a.wav" + "' --notes 60:0:1 -p '" KAVEO_PROBE_PATH "'";
    test::run_result r = kaveo_render(out + " --program 3 --save-state '" + dir / "s" + "' --state program");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("State      program chunk of 268 bytes saved to " + dir / "s"),
              std::string::npos) << r.output;
    EXPECT_NE(r.output.find("Program    3\n"), std::string::npos) << r.output;
    r = kaveo_render(out + " --load-state '" + dir / "s" + "' --save-state '" + dir / "t" + "' --state program");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("loaded from " + dir / "s"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("Program    3\n"), std::string::npos) << r.output;
    EXPECT_EQ(test::read_file(dir / "t"), test::read_file(dir / "s"));
    r = kaveo_render("--info --program 3 '" KAVEO_PROBE_PATH "'");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_NE(r.output.find("Programs (current 3)"), std::string::npos) << r.output;

    r = kaveo_render(out + " --load-state '" + dir / "missing" + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("cannot read the state file"), std::string::npos) << r.output;
    r = kaveo_render("-o '" + dir / "b.wav" + "' --notes 60:0:1 -p '" KAVEO_PROBE_PLAIN_PATH "' --save-state '" + dir / "u" + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("its flags lack programs-are-chunks"), std::string::npos) << r.output;
    EXPECT_FALSE(std::filesystem::exists(dir / "b.wav"));
    EXPECT_FALSE(std::filesystem::exists(dir / "u"));
    r = kaveo_render(out + " --bank '" + dir / "any.kvb" + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("--bank works with Kaveo only"), std::string::npos) << r.output;
    r = kaveo_render("-o '" + dir / "c.wav" + "' --notes 60:0:1 -p '" KAVEO_PLUGIN_PATH "' --bank '" +
                     dir / "missing.kvb" + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.output.find("cannot read the bank file " + dir / "missing.kvb"), std::string::npos)
        << r.output;
    EXPECT_FALSE(std::filesystem::exists(dir / "c.wav"));
}

TEST_F(StateCommand, MisuseIsAUsageError) {
    std::string song = dir / "song.mid";
    struct {
        std::string arguments;
        const char* message;
    } misuse[] = {
        {"--notes 60:0:1 --program x", "--program needs a number"},
        {"--notes 60:0:1 --program 1.5", "--program needs a whole number from 0"},
        {"--notes 60:0:1 --param 3", "--param needs INDEX=VALUE"},
        {"--notes 60:0:1 --param 0=1.5", "--param's value is a number from 0 to 1"},
        {"--notes 60:0:1 --param -1=0.5", "--param's index needs a whole number"},
        {"--notes 60:0:1 --state preset --save-state x", "--state must be program or bank"},
        {"--notes 60:0:1 --state bank", "neither is given"},
        {"--notes 60:0:1 --bank a.kvb --load-state b", "not both"},
        {"--notes 60:0:1 --per-channel --save-state x", "cannot be used with --per-channel"},
        {"'" + song + "' --save-state '" + song + "'", "--save-state would overwrite"},
        {"--notes 60:0:1 -o x.wav --save-state x.wav", "--save-state would overwrite x.wav"},
    };
    for (auto& m : misuse) {
        test::run_result r = kaveo_render(m.arguments);
        EXPECT_EQ(r.status, 2) << m.arguments << ": " << r.output;
        EXPECT_NE(r.output.find(m.message), std::string::npos) << m.arguments << ": " << r.output;
    }
    test::run_result r = kaveo_render("--help");
    for (const char* text : {"--program N", "--param I=V", "--save-state FILE", "--load-state FILE",
                             "--state KIND", "--bank FILE", "--per-channel", "--normalize"})
        EXPECT_NE(r.output.find(text), std::string::npos) << text;
}

}  // namespace
