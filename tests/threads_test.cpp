// Threads as hosts use them: the audio thread renders and takes MIDI while the
// user-interface thread changes parameters at a high rate and switches programs. Run
// under ThreadSanitizer (-DKAVEO_SANITIZE=thread) this must report nothing.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <random>
#include <thread>

#include "kaveos_fixture.h"

namespace {

TEST(Threads, RenderWhileParametersChange) {
    test::instrument in;
    Kaveos& fx = *in.fx;
    test::plain_patch(in, 2);
    in.choose(P_DELAY_ON, 1, 2);
    std::atomic<bool> done{false};
    std::atomic<long> changes{0};

    std::thread ui([&] {
        std::mt19937 rng(1234);
        std::uniform_int_distribution<int> index(0, NUM_PARAMS - 1);
        std::uniform_real_distribution<float> value(0.0f, 1.0f);
        long n = 0;
        while (!done.load()) {
            fx.setParameter(index(rng), value(rng));
            if (++n % 20000 == 0) fx.setProgram(int(n / 20000) % 4);
        }
        changes = n;
    });

    // The audio thread: notes in, blocks out, about 1.5 s of sound.
    std::mt19937 rng(99);
    std::uniform_int_distribution<int> key(36, 96);
    std::vector<float> l(256), r(256);
    float* outs[2] = {l.data(), r.data()};
    bool finite = true;
    for (int block = 0; block < 260; ++block) {
        if (block % 3 == 0) in.note_on(key(rng), 100, block % 200);
        if (block % 5 == 0) in.note_off(key(rng));
        if (block % 40 == 0) in.controller(1, block % 128);
        if (block % 17 == 0) in.bend(block * 60 % 16384);
        in.effect()->processReplacing(in.effect(), nullptr, outs, 256);
        for (float x : l) finite = finite && std::isfinite(x);
    }
    done = true;
    ui.join();
    EXPECT_TRUE(finite);
    EXPECT_GT(changes.load(), 1000);
}

}  // namespace
