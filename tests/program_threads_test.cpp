// Program replacement against rendering, as hosts do it: the user-interface thread
// switches programs, pastes, resets, imports, restores chunks and edits key maps and
// tuning while the audio thread plays recorded samples. Run under ThreadSanitizer
// (-DKAVEO_SANITIZE=thread) this must report nothing; anywhere it must not crash or
// produce a value that is not a number.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <random>
#include <thread>

#include "platform/paths.h"
#include "program_fixture.h"
#include "temp_dir.h"

namespace {

TEST(ProgramThreads, SwitchPasteAndRestoreWhileRendering) {
    test::scoped_data_home home;
    std::vector<program> programs;
    for (int i = 0; i < 6; ++i) {
        std::string name = "Sine ";
        name += std::to_string(i);
        programs.push_back(test::sine_program(name, 200.0 + 50.0 * i, 0.05 + 0.05 * i));
    }
    write_bank_file(platform::default_bank_file(), programs);
    test::instrument in;
    Kaveos& fx = *in.fx;
    test::temp_dir dir;
    ASSERT_TRUE(fx.export_program(dir / "p.kvp"));

    std::vector<std::vector<unsigned char>> chunks;
    for (bool preset : {true, false}) {
        fx.setProgram(preset ? 3 : 4);
        void* data = nullptr;
        VstInt32 n = fx.getChunk(&data, preset);
        auto* p = static_cast<unsigned char*>(data);
        chunks.emplace_back(p, p + n);
    }

    std::atomic<bool> done{false};
    std::atomic<long> operations{0};
    std::thread ui([&] {
        std::mt19937 rng(5);
        while (!done.load()) {
            switch (rng() % 12) {
                case 0: fx.setProgram(int(rng() % 6)); break;
                case 1: fx.copy_current_program(); break;
                case 2: fx.paste_current_program(); break;
                case 3: fx.setChunk(chunks[0].data(), VstInt32(chunks[0].size()), true); break;
                case 4: fx.setChunk(chunks[1].data(), VstInt32(chunks[1].size()), false); break;
                case 5: {
                    void* data = nullptr;
                    fx.getChunk(&data, rng() % 2 == 0);
                    break;
                }
                case 6: fx.import_program(dir / "p.kvp"); break;
                case 7: fx.reset_current_program(); break;
                case 8:
                    fx.set_slot_sample(0, int(rng() % 2), test::sine_sample(300.0, 0.02 * double(1 + rng() % 5)), "s");
                    break;
                case 9: fx.set_key_slot(0, 48 + int(rng() % 36), int(rng() % 2)); break;
                case 10:
                    // What the sample page's knobs write while notes start.
                    fx.set_slot_xpose(0, int(rng() % 2), int(rng() % 49) - 24);
                    fx.set_slot_finetune(0, int(rng() % 2), int(rng() % 101));
                    break;
                default: fx.setParameter(P_FILTER_CUTOFF, float(rng() % 100) / 100.0f); break;
            }
            operations.fetch_add(1);
        }
    });

    // The audio thread: notes on the recorded sets.
    std::mt19937 rng(11);
    std::vector<float> l(256), r(256);
    float* outs[2] = {l.data(), r.data()};
    bool finite = true;
    double loudest = 0.0;
    // At least 300 blocks, and on until the other thread has done 300 things (however the
    // two threads happen to be scheduled).
    for (int block = 0; block < 300 || (operations.load() < 300 && block < 200000); ++block) {
        if (block % 2 == 0) in.note_on(48 + int(rng() % 36), 100, int(rng() % 256));
        if (block % 3 == 0) in.note_off(48 + int(rng() % 36));
        if (block % 50 == 0) in.controller(74, int(rng() % 128));
        in.effect()->processReplacing(in.effect(), nullptr, outs, 256);
        for (float x : l) {
            finite = finite && std::isfinite(x);
            loudest = std::max(loudest, double(std::fabs(x)));
        }
    }
    done = true;
    ui.join();
    EXPECT_TRUE(finite);
    EXPECT_GT(loudest, 0.01);  // the samples were played in between
    EXPECT_GE(operations.load(), 300);
}

}  // namespace

namespace {

// A note played while a program switch reads its program (here: resamples a long sample
// for a 48 kHz host) waits and starts on the new program once it is swapped in, instead of
// starting on the old one and being cut by the swap.
TEST(ProgramThreads, NotesPlayedDuringASwitchStartOnTheNewProgram) {
    test::scoped_data_home home;
    program quiet = test::sine_program("Quiet", 220.0, 1.0);
    quiet.params.set_value(P_GAIN, 0.0f);  // -54 dB
    program loud = test::sine_program("Loud", 441.0, 30.0);  // 0 dB, slow to resample
    write_bank_file(platform::default_bank_file(), {quiet, loud});
    test::instrument in;
    Kaveos& fx = *in.fx;
    in.dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    fx.setProgram(0);

    std::atomic<bool> started{false};
    std::thread ui([&] {
        started = true;
        fx.setProgram(1);
    });
    while (!started.load()) std::this_thread::yield();
    // Catch the switch while it reads; it takes far longer than this wait.
    for (int i = 0; i < 100000 && !fx.is_switching(); ++i) std::this_thread::yield();
    const bool caught = fx.is_switching();
    in.note_on(69);
    std::vector<float> during;
    test::instrument::block last;
    while (fx.is_switching()) {
        during.insert(during.end(), last.left.begin(), last.left.end());
        last = in.render(256, 256);
    }
    ui.join();
    // The last block may have been rendered as the switch ended: it goes with what follows.
    test::instrument::block after = last;
    in.render_into(after, 4800);

    ASSERT_TRUE(caught) << "the switch ended before a note could be played during it";
    for (float x : during) ASSERT_LT(std::fabs(x), 0.01f);  // nothing started on "Quiet"
    EXPECT_EQ(fx.current().name, "Loud");
    EXPECT_EQ(in.active_voices(), 1);
    double loudest = 0.0;
    for (float x : after.left) loudest = std::max(loudest, double(std::fabs(x)));
    EXPECT_GT(loudest, 0.2);  // the note plays at "Loud"'s 0 dB
}

}  // namespace
