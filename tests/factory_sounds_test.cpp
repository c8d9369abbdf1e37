// Every factory program sounds: loaded from the embedded bank through the bank code, pushed
// into a playing instrument (its sample sets, then all 87 values) and played on keys that
// suit its group. The output is finite and audible at a moderate velocity, and stays below
// full scale at the highest velocity over three octaves.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "embedded_bank.h"
#include "kaveos_fixture.h"
#include "sound/bank.h"
#include "tests/factory_bank.h"

namespace {

constexpr int rate = 44100;

// Drum loops and kits play from C3 (the loops' kicks fall on C2, the kits' kick is on C),
// basses on C2, everything else on C4.
int key_for(const std::string& group) {
    if (group == "Drums and Loops") return 48;
    if (group == "Basses") return 36;
    return 60;
}

struct level {
    double peak = 0, rms = 0;
    bool finite = true;
};

level measure_level(const test::instrument::block& b) {
    level l;
    double sum = 0;
    for (const auto* ch : {&b.left, &b.right})
        for (float v : *ch) {
            if (!std::isfinite(v)) l.finite = false;
            l.peak = std::max(l.peak, double(std::fabs(v)));
            sum += double(v) * v;
        }
    l.rms = std::sqrt(sum / double(b.left.size() + b.right.size()));
    return l;
}

double db(double x) { return 20.0 * std::log10(std::max(x, 1e-12)); }

// Loads program index from the bank into the instrument the way a program switch does:
// samples converted to the host's rate, swapped in under the engine lock, then every value
// through the parameter path.
void load(test::instrument& in, bank& b, int index) {
    program p = b.get_program(index);
    p.waves.set_play_rate(in.fx->sample_rate());
    in.fx->set_wavetable(p.waves);
    for (int i = 0; i < NUM_PARAMS; ++i) in.fx->setParameter(i, p.params.value(i));
}

// One note held for hold_s, then released for release_s.
test::instrument::block play(test::instrument& in, int key, int velocity, double hold_s,
                             double release_s) {
    in.note_on(key, velocity);
    test::instrument::block out = in.render(int(hold_s * rate));
    in.note_off(key);
    in.render_into(out, int(release_s * rate));
    return out;
}

}  // namespace

TEST(FactorySounds, EveryProgramPlaysANote) {
    bank b;
    ASSERT_TRUE(b.load(test::embedded_bank_file()));
    ASSERT_EQ(b.nprogs(), 128);
    const auto& defs = test::factory_bank();
    ASSERT_EQ(defs.size(), 128u);

    std::string table = "| # | Program | Key | Peak dBFS | RMS dBFS | Loudest dBFS |\n"
                        "|---|---|---|---|---|---|\n";
    for (int i = 0; i < 128; ++i) {
        const auto& def = defs[size_t(i)];
        SCOPED_TRACE(def.name);
        int key = key_for(def.group);

        test::instrument in;
        load(in, b, i);
        level l = measure_level(play(in, key, 100, 2.0, 1.0));
        EXPECT_TRUE(l.finite);
        EXPECT_GT(db(l.peak), -40.0) << "too quiet";
        EXPECT_GT(db(l.rms), -60.0) << "too quiet";
        EXPECT_LT(db(l.peak), -1.0);

        // The hardest notes a player gives it, over three octaves, keep some headroom.
        test::instrument hard;
        load(hard, b, i);
        double loudest = 0;
        for (int k : {key - 12, key, key + 12, key + 24}) {
            level h = measure_level(play(hard, k, 127, 3.0, 1.0));
            EXPECT_TRUE(h.finite) << "key " << k;
            loudest = std::max(loudest, h.peak);
        }
        EXPECT_LT(db(loudest), -0.5) << "clips";

        char line[200];
        std::snprintf(line, sizeof line, "| %d | %s | %d | %.1f | %.1f | %.1f |\n", i,
                      def.name.c_str(), key, db(l.peak), db(l.rms), db(loudest));
        table += line;
    }
    // The table of levels, for the record.
    std::printf("%s", table.c_str());
}
